"""Raw recordings through the Python module: tools/veltor_record_raw.py writes
captures of a camera, and the USB kit's playback replays them through the same
back-end path."""
import os
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import VeltorDepthCamera as vdc

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
import veltor_record_raw as rec  # noqa: E402

OK = vdc.TofErrorCode.VeltorSuccess
W, H, P = 240, 180, 4


def write_scene(directory, name="scene.ini", camera=(), scene=(), extra=""):
    # 5 captures per second: a run's first captures are requested before the
    # camera's pool of three could overwrite them.
    text = "[camera]\nfamily = hqvga\nframe_rate = 5\n"
    text += "".join("%s = %s\n" % kv for kv in dict(camera).items())
    text += "[scene]\n" + "".join("%s = %s\n" % kv for kv in dict(scene).items())
    path = directory / name
    path.write_text(text + extra)
    return str(path)


def stream(path, frame_type, count, rng=None):
    cam = vdc.VeltorCamera()
    assert cam.openWithFile(path) == OK
    try:
        if rng is not None:
            assert cam.setControl(vdc.Control.RANGE, rng) == OK
        assert cam.start(frame_type) == OK
        out = []
        while len(out) < count:
            frame = cam.requestFrame(3000)
            assert frame is not None
            out.append(frame.raw_data if frame_type == vdc.FrameType.RAW else frame.depth_data)
            cam.releaseFrame(frame)
        cam.stop()
    finally:
        cam.close()
    return out


def record(path, out, captures, rng=None):
    cam = vdc.VeltorCamera()
    assert cam.openWithFile(path) == OK
    try:
        if rng is not None:
            assert cam.setControl(vdc.Control.RANGE, rng) == OK
        return rec.record(cam, out, captures)
    finally:
        cam.close()


NOISY_SPHERE = {"type": "sphere", "distance_mm": 1200, "noise": 1, "seed": 21}


@pytest.mark.parametrize("rng", [4000, 2000])
def test_recording_replays_the_same_frames(tmp_path, rng):
    scene = write_scene(tmp_path, scene=NOISY_SPHERE)
    take = tmp_path / "take1.bin"
    assert record(scene, str(take), 3, rng) == 3

    header, captures = rec.load(take)
    assert header == {"width": W, "height": H, "bit_width": 12, "sub_frames": P, "frame_rate": 5,
                      "captures": 3}
    assert take.stat().st_size == 32 + 3 * P * W * H * 2
    assert take.read_bytes()[:8] == b"VLTRAW01"

    # The live camera, run again with the same seed, sends the same captures.
    live_raw = stream(scene, vdc.FrameType.RAW, 3, rng)
    for n in range(3):
        assert np.array_equal(rec.raw_to_capture(live_raw[n]), captures[n])

    # Replayed by the ".bin" path and looped: capture 3 is capture 0 again.
    replay_raw = stream(str(take), vdc.FrameType.RAW, 4, rng)
    for n in range(4):
        assert np.array_equal(replay_raw[n], live_raw[n % 3])

    # Replayed through a scene file (path relative to it) into depth: the
    # same depth as the live scene.
    (tmp_path / "replay").mkdir()
    replay_scene = write_scene(tmp_path / "replay", scene={"type": "plane"},
                               extra="[playback]\nfile = ../take1.bin\n")
    live_depth = stream(scene, vdc.FrameType.DEPTH, 2, rng)
    replay_depth = stream(replay_scene, vdc.FrameType.DEPTH, 2, rng)
    for live, again in zip(live_depth, replay_depth):
        assert np.array_equal(live, again)
    assert np.ptp(live_depth[0]) > 100


def test_recordings_of_other_bit_widths_replay_the_same_depth(tmp_path):
    """The recording holds 12-bit containers whatever the sensor sent, so a
    10-bit kit's recording replays to the depth the live 10-bit kit gave."""
    scene = write_scene(tmp_path, camera={"bit_width": 10}, scene=NOISY_SPHERE)
    take = tmp_path / "ten.bin"
    assert record(scene, str(take), 2) == 2
    assert np.array_equal(stream(str(take), vdc.FrameType.DEPTH, 2)[1], stream(scene, vdc.FrameType.DEPTH, 2)[1])


def test_matches_the_command_line_recorder(tmp_path):
    tool = pathlib.Path(vdc.__file__).resolve().parents[1] / "bin" / "veltor_record_raw"
    if not tool.exists():
        pytest.skip("build/bin/veltor_record_raw is not built")
    scene = write_scene(tmp_path, scene=NOISY_SPHERE)
    ours, theirs = tmp_path / "py.bin", tmp_path / "cpp.bin"
    assert record(scene, str(ours), 2, 2000) == 2
    proc = subprocess.run([str(tool), "--scene", scene, "--frames", "2", "--range", "2000", str(theirs)],
                          capture_output=True, text=True, timeout=60)
    assert proc.returncode == 0, proc.stderr
    assert ours.read_bytes() == theirs.read_bytes()


def run_tool(args, cwd):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
    return subprocess.run([sys.executable, str(ROOT / "tools" / "veltor_record_raw.py")] + [str(a) for a in args],
                          cwd=str(cwd), env=env, capture_output=True, text=True, timeout=60)


def test_command_line(tmp_path):
    scene = write_scene(tmp_path, scene={"type": "plane", "noise": 0})
    proc = run_tool(["--scene", scene, "--frames", "2", "--range", "2000", "out.bin"], tmp_path)
    assert proc.returncode == 0, proc.stderr
    assert "2 captures written to out.bin" in proc.stdout
    header, captures = rec.load(tmp_path / "out.bin")
    assert header["captures"] == 2 and captures.shape == (2, P, H, W)
    # Replayed with the range it was recorded with, the plane reads 1500 mm.
    depth = stream(str(tmp_path / "out.bin"), vdc.FrameType.DEPTH, 1, 2000)[0]
    assert float(np.median(depth)) == pytest.approx(1500, rel=0.005)

    for args, message in [(["--frames", "0", "x.bin"], "--frames must be positive"),
                          (["--range", "3000", "x.bin"], "invalid choice"),
                          ([], "the following arguments are required")]:
        proc = run_tool(args, tmp_path)
        assert proc.returncode == 2 and message in proc.stderr
    proc = run_tool(["--scene", str(tmp_path / "missing.ini"), "y.bin"], tmp_path)
    assert proc.returncode == 1 and "cannot open the camera" in proc.stderr
    assert not (tmp_path / "y.bin").exists()


def test_truncated_or_foreign_files_are_refused(tmp_path):
    scene = write_scene(tmp_path, scene={"type": "plane", "noise": 0})
    take = tmp_path / "t.bin"
    record(scene, str(take), 1)
    cut = tmp_path / "cut.bin"
    cut.write_bytes(take.read_bytes()[:-1])
    foreign = tmp_path / "foreign.bin"
    foreign.write_bytes(b"PNG-ish" + bytes(100))
    for path in (cut, foreign):
        with pytest.raises(ValueError):
            rec.load(path)
        assert vdc.VeltorCamera().openWithFile(str(path)) != OK
