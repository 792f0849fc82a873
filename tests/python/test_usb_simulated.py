"""VeltorCamera on the USB back-end over the simulated evaluation kit: depth of
known scenes, noise, raw samples and injected faults, all through the Python
module. Scene files are written into each test's tmp_path."""
import ctypes
import json
import os
import subprocess
import sys
import textwrap

import numpy as np
import pytest

import VeltorDepthCamera as vdc

OK = vdc.TofErrorCode.VeltorSuccess
W, H, SUB_FRAMES = 240, 180, 4
C = 299792458.0
# Modulation frequency of each range setting.
MODULATION_HZ = {4000: 37.5e6, 2000: 75e6}
# The depth model converts phase with c rounded to 3e8 m/s.
MODEL_SCALE = 3e8 / C


def write_scene(directory, name="scene.ini", **sections):
    """Writes a scene file; sections are dicts of key/value, e.g. scene={"type": "plane"}.
    [camera] family and [scene] type default to hqvga and plane."""
    sections.setdefault("camera", {})
    sections.setdefault("scene", {})
    sections["camera"].setdefault("family", "hqvga")
    sections["scene"].setdefault("type", "plane")
    lines = []
    for section, keys in sections.items():
        lines.append("[%s]" % section)
        lines += ["%s = %s" % kv for kv in keys.items()]
    path = directory / name
    path.write_text("\n".join(lines) + "\n")
    return str(path)


def opened(path):
    cam = vdc.VeltorCamera()
    assert cam.openWithFile(path) == OK
    return cam


def grab(cam, frame_type, count, rng=None):
    """Starts the camera, takes count frames (copies of their arrays), stops."""
    if rng is not None:
        assert cam.setControl(vdc.Control.RANGE, rng) == OK
    assert cam.start(frame_type) == OK
    out = []
    try:
        while len(out) < count:
            frame = cam.requestFrame(3000)
            assert frame is not None, "no frame within 3 s"
            if frame_type == vdc.FrameType.RAW:
                out.append(frame.raw_data)
            else:
                out.append((frame.depth_data, frame.amplitude_data))
            assert cam.releaseFrame(frame) == OK
    finally:
        assert cam.stop() == OK
    return out


def expected_depth(distance_mm, rng):
    """What the model reads for a facing plane: the distance folded into the
    unambiguous range of the modulation frequency."""
    unambiguous = C / (2 * MODULATION_HZ[rng]) * 1000.0
    return (distance_mm % unambiguous) * MODEL_SCALE


@pytest.mark.parametrize("distance,rng,camera,scene", [
    (1500, 4000, {}, {}),
    (1500, 2000, {}, {}),
    (1500, 4000, {"bit_width": 10}, {}),
    (1500, 2000, {"bit_width": 14, "bypass": 1}, {}),
    (1500, 4000, {"bit_width": 8}, {}),
    (1500, 2000, {"range_mm": 2000, "exposure_us": 800}, {}),
    (1500, 4000, {}, {"ambient": 1000}),
    (600, 2000, {}, {"reflectivity": 0.05}),
    # Past the unambiguous range of 75 MHz (1999 mm) the phase wraps around.
    (2500, 2000, {}, {}),
    (3500, 4000, {}, {}),
], ids=["r4000", "r2000", "10bit", "14bit-bypass", "8bit", "long-exposure", "bright-ambient", "near-dark",
        "wrapped", "far"])
def test_noise_free_plane_reads_its_distance(tmp_path, distance, rng, camera, scene):
    path = write_scene(tmp_path, camera=camera,
                       scene=dict(scene, type="plane", distance_mm=distance, noise=0))
    cam = opened(path)
    try:
        info = cam.getCameraInfo()
        assert (info.width, info.height, info.device_type) == (W, H, vdc.DeviceType.HQVGA)
        ((depth, amplitude),) = grab(cam, vdc.FrameType.DEPTH, 1, rng)
    finally:
        cam.close()
    assert depth.shape == (H, W) and depth.dtype == np.float32
    want = expected_depth(distance, rng)
    median = float(np.median(depth))
    assert median == pytest.approx(want, rel=0.005)
    if distance < C / (2 * MODULATION_HZ[rng]) * 1000.0:
        assert median == pytest.approx(distance, rel=0.005)
    # The phase encodes z, so the whole plane reads flat; 8-bit samples are
    # coarser, so their tails get more room.
    tail = 0.02 if camera.get("bit_width") == 8 else 0.005
    lo, hi = np.percentile(depth, [1, 99])
    assert want * (1 - tail) - 2 <= lo and hi <= want * (1 + tail) + 2
    assert amplitude.min() > 0


def test_range_control_switches_the_modulation_while_open(tmp_path):
    """One camera, plane at 2500 mm: 4000 reads 2500, 2000 reads it wrapped, 4000 again 2500."""
    cam = opened(write_scene(tmp_path, scene={"distance_mm": 2500, "noise": 0}))
    try:
        medians = [float(np.median(grab(cam, vdc.FrameType.DEPTH, 1, rng)[0][0]))
                   for rng in (4000, 2000, 4000)]
    finally:
        cam.close()
    for got, rng in zip(medians, (4000, 2000, 4000)):
        assert got == pytest.approx(expected_depth(2500, rng), rel=0.005)


def test_tilted_plane_and_boxes_show_their_geometry(tmp_path):
    cam = opened(write_scene(tmp_path, scene={"type": "tilted_plane", "distance_mm": 1500,
                                              "tilt_deg": 30, "noise": 0}))
    try:
        ((depth, _),) = grab(cam, vdc.FrameType.DEPTH, 1, 4000)
    finally:
        cam.close()
    centre = float(np.median(depth[:, W // 2 - 2:W // 2 + 2]))
    assert centre == pytest.approx(1500 * MODEL_SCALE, rel=0.01)
    # Positive tilt moves the right side away: depth grows from left to right.
    columns = np.median(depth, axis=0)
    assert np.all(np.diff(columns[5:-5]) > 0)

    cam = opened(write_scene(tmp_path, name="boxes.ini",
                             scene={"type": "boxes", "distance_mm": 1000, "reflectivity": 0.1,
                                    "noise": 0}))
    try:
        ((depth, _),) = grab(cam, vdc.FrameType.DEPTH, 1, 4000)
    finally:
        cam.close()
    # Box fronts at 0.7, 1.0 and 1.3 times the distance, the wall at +1000 mm.
    found = np.round(depth / 10) * 10
    for level in (700, 1000, 1300, 2000):
        assert np.count_nonzero(np.abs(found - level * MODEL_SCALE) < 15) > 2000, level


def noise_band(amplitude, rng, noise, ambient, reflectivity):
    """Expected depth standard deviation (mm) of pixels with this amplitude.

    Each sample is the difference of two taps with shot noise (variance =
    counts / 2 per tap) and 2 counts of read noise per tap; the model's
    amplitude is 16 times the signal s, the taps hold s plus twice the
    ambient light, and Q and I each take the difference of two samples:
    sigma_phase = sqrt(2 var(sample)) / (2 s)."""
    s = amplitude / 16.0
    ambient_counts = ambient * reflectivity
    var_sample = (s + 2 * ambient_counts) / 2.0 + 2 * 2.0 + 1 / 12.0
    sigma_phase = noise * np.sqrt(2 * var_sample) / (2 * s)
    mm_per_radian = C / (4 * np.pi * MODULATION_HZ[rng]) * 1000.0 * MODEL_SCALE
    return sigma_phase * mm_per_radian


@pytest.mark.parametrize("rng,noise,ambient", [
    (4000, 1, 100),
    (2000, 1, 100),
    (4000, 2, 100),
    (4000, 1, 800),
])
def test_noise_spread_matches_the_noise_model(tmp_path, rng, noise, ambient):
    path = write_scene(tmp_path, camera={"frame_rate": 10},
                       scene={"distance_mm": 1500, "noise": noise, "ambient": ambient,
                              "reflectivity": 0.5, "seed": 11})
    cam = opened(path)
    try:
        frames = grab(cam, vdc.FrameType.DEPTH, 3, rng)
    finally:
        cam.close()
    # A 40 x 40 window at the centre: nearly one distance and one signal level.
    win = (slice(H // 2 - 20, H // 2 + 20), slice(W // 2 - 20, W // 2 + 20))
    depth = np.stack([d[win] for d, _ in frames])
    amplitude = np.stack([a[win] for _, a in frames])
    want = noise_band(float(np.median(amplitude)), rng, noise, ambient, 0.5)
    spread = float(np.std(depth))
    assert 0.9 * want <= spread <= 1.1 * want, (spread, want)
    # Noise has no bias: the mean of 4800 samples stays close to the distance.
    assert float(np.mean(depth)) == pytest.approx(1500 * MODEL_SCALE, abs=max(3.0, 0.2 * want))
    # Every frame has its own noise.
    assert not np.array_equal(depth[0], depth[1])


def test_noise_is_reproducible_for_a_seed(tmp_path):
    def run(seed, frame_type=vdc.FrameType.DEPTH):
        # At 5 captures per second the first frames cannot be overtaken
        # before they are requested, so every run sees captures 0 and 1.
        path = write_scene(tmp_path, name="seed%d.ini" % seed, camera={"frame_rate": 5},
                           scene={"type": "boxes", "noise": 1, "seed": seed})
        cam = opened(path)
        try:
            return grab(cam, frame_type, 2, 4000)
        finally:
            cam.close()

    first, again, other = run(5), run(5), run(6)
    for (d1, a1), (d2, a2) in zip(first, again):
        assert np.array_equal(d1, d2) and np.array_equal(a1, a2)
    for (d1, _), (d3, _) in zip(first, other):
        assert not np.array_equal(d1, d3)
        # Another seed changes the noise, not the scene.
        assert abs(float(np.median(d1)) - float(np.median(d3))) < 10
    assert all(np.array_equal(r1, r2) for r1, r2 in zip(run(5, vdc.FrameType.RAW), run(5, vdc.FrameType.RAW)))


# ---------------------------------------------------------------- raw samples

class KitFrame(ctypes.Structure):
    _fields_ = [("sequence", ctypes.c_uint32), ("phase", ctypes.c_uint32),
                ("timestamp", ctypes.c_uint64), ("width", ctypes.c_uint32),
                ("height", ctypes.c_uint32), ("data_size", ctypes.c_uint32),
                ("bit_width", ctypes.c_uint32), ("data", ctypes.c_void_p),
                ("buffer_id", ctypes.c_uint64), ("reserved", ctypes.c_uint64)]


class KitParam(ctypes.Structure):
    _fields_ = [("config_path", ctypes.c_char_p), ("usb_index", ctypes.c_uint32),
                ("reserved0", ctypes.c_uint32), ("config_is_bin", ctypes.c_uint8),
                ("reserved1", ctypes.c_uint8 * 15)]


@pytest.fixture(scope="module")
def kit():
    """The kit library the module loaded (libveltor_evk_sdk), through ctypes."""
    vdc.VeltorCamera()  # the library is loaded with the module
    with open("/proc/self/maps") as maps:
        paths = {line.split()[-1] for line in maps if "libveltor_evk_sdk" in line}
    if not paths:
        pytest.skip("libveltor_evk_sdk is not loaded by the module")
    lib = ctypes.CDLL(sorted(paths)[0])
    lib.VeltorCaptureImage.argtypes = [ctypes.c_void_p, ctypes.POINTER(KitFrame), ctypes.c_uint32]
    lib.VeltorFreeImage.argtypes = [ctypes.c_void_p, KitFrame]
    for name in ("VeltorInitCamera", "VeltorStartCamera", "VeltorStopCamera", "VeltorCloseCamera"):
        getattr(lib, name).argtypes = [ctypes.c_void_p]
    lib.VeltorOpenCamera.argtypes = [ctypes.POINTER(ctypes.c_void_p), ctypes.POINTER(KitParam)]
    assert ctypes.sizeof(KitFrame) == 56 and ctypes.sizeof(KitParam) == 32
    return lib


def kit_sub_frames(kit, path, count):
    """The first count sub-frames the kit sends for this scene file, as sent."""
    param = KitParam()
    assert kit.VeltorDefaultParam(ctypes.byref(param)) == 0
    param.config_path = path.encode()
    handle = ctypes.c_void_p()
    assert kit.VeltorOpenCamera(ctypes.byref(handle), ctypes.byref(param)) == 0
    subs = []
    try:
        assert kit.VeltorInitCamera(handle) == 0
        assert kit.VeltorStartCamera(handle) == 0
        for _ in range(count):
            frame = KitFrame()
            assert kit.VeltorCaptureImage(handle, ctypes.byref(frame), 2000) == 0
            width = 1 if frame.bit_width <= 8 else 2
            assert frame.data_size == W * H * width
            data = ctypes.string_at(frame.data, frame.data_size)
            subs.append(np.frombuffer(data, np.uint8 if width == 1 else "<u2").reshape(H, W).copy())
            kit.VeltorFreeImage(handle, frame)
        kit.VeltorStopCamera(handle)
    finally:
        kit.VeltorCloseCamera(handle)
    return subs


def to_raw_frame(subs, bit_width):
    """What a RAW frame holds for these kit sub-frames: samples brought to 12
    significant bits, read as signed 11-bit values times 16, row 4 r + p being
    row r of sub-frame p."""
    out = np.empty((H * SUB_FRAMES, W), np.int16)
    for p, sub in enumerate(subs):
        s = sub.astype(np.int32)
        if bit_width == 8:
            s = s << 4
        elif bit_width < 12:
            s = s << (12 - bit_width)
        elif bit_width > 12:
            s = s >> (bit_width - 12)
        s &= 0x7FF
        s = (s ^ 0x400) - 0x400
        out[p::SUB_FRAMES] = s * 16
    return out


@pytest.mark.parametrize("bit_width", [8, 10, 12, 14])
@pytest.mark.parametrize("rng", [4000, 2000])
def test_raw_frames_carry_the_kit_samples(tmp_path, kit, bit_width, rng):
    path = write_scene(tmp_path, camera={"bit_width": bit_width, "frame_rate": 5, "range_mm": rng},
                       scene={"type": "sphere", "distance_mm": 1200, "noise": 1, "seed": 3})
    subs = kit_sub_frames(kit, path, 2 * SUB_FRAMES)
    cam = opened(path)
    try:
        raws = grab(cam, vdc.FrameType.RAW, 2, rng)
    finally:
        cam.close()
    for n, raw in enumerate(raws):
        assert raw.shape == (H * SUB_FRAMES, W) and raw.dtype == np.int16
        want = to_raw_frame(subs[n * SUB_FRAMES:(n + 1) * SUB_FRAMES], bit_width)
        assert np.array_equal(raw, want), "capture %d differs in %d samples" % (
            n, np.count_nonzero(raw != want))
    # The sphere and its wall are there: the samples are not flat.
    assert np.ptp(raws[0]) > 1000


# ---------------------------------------------------------------- faults

# Streams in a child interpreter so a hang fails the test (time limit) instead
# of blocking the run. Prints one JSON line.
FAULT_CHILD = textwrap.dedent("""
    import json, sys, time
    import numpy as np
    import VeltorDepthCamera as vdc
    path, seconds, want = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
    cam = vdc.VeltorCamera()
    assert cam.openWithFile(path) == vdc.TofErrorCode.VeltorSuccess
    assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
    t0 = time.monotonic()
    arrivals, stamps, bad = [], [], 0
    while time.monotonic() - t0 < seconds:
        frame = cam.requestFrame(200)
        if frame is None:
            continue
        depth = frame.depth_data
        stamps.append(frame.format.timestamp)
        cam.releaseFrame(frame)
        arrivals.append(time.monotonic() - t0)
        # A capture put together from the wrong sub-frames reads far off.
        if np.count_nonzero(np.abs(depth - want) > 0.005 * want) > 0:
            bad += 1
    rc = int(cam.stop())
    stopped = time.monotonic() - t0
    rc_close = int(cam.close())
    print(json.dumps({"frames": len(arrivals), "arrivals": arrivals, "stamps": stamps, "bad": bad,
                      "stop": rc, "close": rc_close, "stopped_at": stopped}))
""")


def run_child(script, args, timeout):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
    proc = subprocess.run([sys.executable, "-c", script] + [str(a) for a in args], env=env,
                          capture_output=True, text=True, timeout=timeout)
    assert proc.returncode == 0, proc.stderr
    return json.loads(proc.stdout.strip().splitlines()[-1])


FPS = 30
SECONDS = 2.0


@pytest.mark.parametrize("faults,some_frames", [
    ({}, True),
    ({"drop_rate": 0.05}, True),
    ({"timeout_rate": 0.05, "timeout_ms": 50}, True),
    ({"wrong_size_rate": 0.05}, True),
    ({"drop_rate": 0.03, "timeout_rate": 0.03, "wrong_size_rate": 0.03, "timeout_ms": 30}, True),
    # Nothing usable ever arrives; stop must still return.
    ({"drop_rate": 1}, False),
    ({"timeout_rate": 1, "timeout_ms": 5000}, False),
    ({"wrong_size_rate": 1}, False),
    # Sub-frames 6 ms apart always look late to the back-end: every capture
    # restarts until the back-end gives up on it.
    ({"sub_frame_ms": 6}, False),
], ids=["none", "drops", "timeouts", "short-frames", "mixed", "all-dropped", "all-time-out", "all-short",
        "always-late"])
def test_injected_faults_are_survived(tmp_path, faults, some_frames):
    camera, faults = {"frame_rate": FPS}, dict(faults)
    if "sub_frame_ms" in faults:
        camera["sub_frame_ms"] = faults.pop("sub_frame_ms")
    path = write_scene(tmp_path, camera=camera,
                       scene={"distance_mm": 1500, "noise": 0},
                       faults=dict(faults, seed=99) if faults else {})
    out = run_child(FAULT_CHILD, [path, SECONDS, 1500 * MODEL_SCALE], timeout=60)
    assert out["stop"] == 0 and out["close"] == 0
    # Every delivered frame is a whole, correctly assembled capture.
    assert out["bad"] == 0
    if not some_frames:
        assert out["frames"] == 0
        return
    nominal = FPS * SECONDS
    assert out["frames"] >= 0.4 * nominal
    # The stream keeps going: frames arrive in the last quarter of the run.
    assert max(out["arrivals"]) >= 0.75 * SECONDS
    gaps = np.diff(np.array(out["stamps"], dtype=np.int64))
    assert np.all(gaps > 0)
    lost = int(np.count_nonzero(gaps > 1.5 * 1000 / FPS))
    if faults:
        # Faulty captures are dropped: the timestamps show the holes.
        assert lost >= 1
        assert out["frames"] < nominal


# A second thread waits in requestFrame(-1) while the main thread ends the
# stream by stop, by close, or by dropping the camera (no waiter then, as it
# would keep the camera alive).
END_CHILD = textwrap.dedent("""
    import gc, json, sys, threading, time
    import VeltorDepthCamera as vdc
    path, seconds, end = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    cam = vdc.VeltorCamera()
    assert cam.openWithFile(path) == vdc.TofErrorCode.VeltorSuccess
    assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
    got = []
    def wait_for_frames():
        while True:
            frame = cam.requestFrame(-1)
            if frame is None:
                return
            got.append(frame.depth_data.shape)
            cam.releaseFrame(frame)
    waiter = None
    if end != "destroy":
        waiter = threading.Thread(target=wait_for_frames)
        waiter.start()
    time.sleep(seconds)
    if end == "stop":
        rc = int(cam.stop())
        rc_close = int(cam.close())
    elif end == "close":
        rc, rc_close = 0, int(cam.close())
    else:
        rc = rc_close = 0
        del cam
        gc.collect()
    alive = False
    if waiter is not None:
        waiter.join(20)
        alive = waiter.is_alive()
    print(json.dumps({"frames": len(got), "stop": rc, "close": rc_close, "waiter_alive": alive}))
""")


@pytest.mark.parametrize("end,faults", [
    ("stop", {"timeout_rate": 1, "timeout_ms": 5000}),
    ("close", {"timeout_rate": 1, "timeout_ms": 5000}),
    ("destroy", {"timeout_rate": 1, "timeout_ms": 5000}),
    ("stop", {"drop_rate": 1}),
    ("close", {"wrong_size_rate": 1}),
    ("stop", {"drop_rate": 0.05}),
    ("destroy", {"drop_rate": 0.03, "timeout_rate": 0.03, "wrong_size_rate": 0.03}),
], ids=["stop-all-time-out", "close-all-time-out", "destroy-all-time-out", "stop-all-dropped",
        "close-all-short", "stop-drops", "destroy-mixed"])
def test_stream_ends_cleanly_under_faults(tmp_path, end, faults):
    path = write_scene(tmp_path, scene={"distance_mm": 1500, "noise": 0}, faults=dict(faults, seed=7))
    out = run_child(END_CHILD, [path, 0.8, end], timeout=60)
    assert out == dict(out, stop=0, close=0, waiter_alive=False)
    if any(rate < 1 for key, rate in faults.items() if key.endswith("_rate")) and end != "destroy":
        assert out["frames"] > 0


# ---------------------------------------------------------------- bad scene files

@pytest.mark.parametrize("text,message", [
    ("[scene]\ntype = plane\n", 'missing key "family" in section [camera]'),
    ("[camera]\nfamily = hqvga\n", 'missing key "type" in section [scene]'),
    ("[camera]\nfamily = hqvga\n[scene]\ntype = cone\n", "cone"),
    ("[camera]\nfamily = hqvga\nframe_rate = 0\n[scene]\ntype = plane\n", "outside"),
    ("[camera]\nfamily = hqvga\n[scene]\ntype = plane\ndistance_mm = far\n", '"far" is not a number'),
    ("[camera]\nfamily = hqvga\n[scene]\ntype = plane\n[faults]\ndrop_rate = 0.6\ntimeout_rate = 0.6\n",
     "exceed 1"),
    ("[camera]\nfamily = hqvga\n[scene]\ntype = plane\n[lights]\non = 1\n", "unknown section [lights]"),
    ("[camera]\nfamily = hqvga\n[playback]\nfile = missing.bin\n", "missing.bin"),
], ids=["no-family", "no-type", "bad-type", "bad-rate", "not-a-number", "fault-rates", "bad-section",
        "no-recording"])
def test_bad_scene_files_are_refused_with_a_message(tmp_path, capfd, text, message):
    path = tmp_path / "bad.ini"
    path.write_text(text)
    cam = vdc.VeltorCamera()
    assert cam.openWithFile(str(path)) == vdc.TofErrorCode.VeltorUnkownError
    err = capfd.readouterr()
    assert message in err.err, err
    # The camera stays usable: nothing was opened, and a good file opens.
    assert cam.start(vdc.FrameType.DEPTH) != OK
    assert cam.openWithFile(write_scene(tmp_path, scene={"noise": 0})) == OK
    cam.close()


@pytest.mark.parametrize("path", ["", "a", "ab.", "/nonexistent/scene.ini", "/nonexistent/take.bin"])
def test_unusable_paths_fail_to_open(path):
    """Short paths, missing files and missing recordings give an error code, never an exception."""
    cam = vdc.VeltorCamera()
    rc = cam.openWithFile(path)
    if path == "":
        # No file: the built-in scene.
        assert rc == OK
    else:
        assert rc == vdc.TofErrorCode.VeltorUnkownError
    cam.close()
