"""examples/stream_depth.py, run as a program against the simulated camera:
its exit status, its report and the PNG files it writes."""
import os
import pathlib
import re
import struct
import subprocess
import sys
import zlib

import numpy as np
import pytest

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "stream_depth.py"
W, H = 240, 180


def run_example(args, cwd, timeout=60):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in sys.path if p)
    return subprocess.run([sys.executable, str(EXAMPLE)] + [str(a) for a in args], cwd=str(cwd), env=env,
                          capture_output=True, text=True, timeout=timeout)


def read_png(path):
    """Checks the signature, every chunk's CRC and the layout of an 8-bit,
    non-interlaced grey or RGB PNG; returns its pixels as (H, W[, 3]) uint8."""
    data = pathlib.Path(path).read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks = 8, []
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, kind
        chunks.append((kind, body))
        pos += 12 + length
    assert pos == len(data)
    assert chunks[0][0] == b"IHDR" and chunks[-1] == (b"IEND", b"")
    width, height, depth, colour, compression, filtering, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    assert (depth, compression, filtering, interlace) == (8, 0, 0, 0)
    assert colour in (0, 2)
    channels = 3 if colour == 2 else 1
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = width * channels
    assert len(raw) == height * (stride + 1)
    rows = np.frombuffer(raw, np.uint8).reshape(height, stride + 1)
    assert np.all(rows[:, 0] == 0)  # filter "none" on every row, as written
    pixels = rows[:, 1:]
    return pixels.reshape(height, width, 3) if channels == 3 else pixels.reshape(height, width)


def test_default_run_streams_the_built_in_scene(tmp_path):
    proc = run_example(["--seconds", "1"], cwd=tmp_path)
    assert proc.returncode == 0, proc.stderr
    out = proc.stdout
    assert "240 x 180" in out and "HQVGA" in out
    fps = float(re.search(r"frames in [\d.]+ s: ([\d.]+) fps", out).group(1))
    assert 5 < fps < 60
    assert re.search(r"depth of the last frame \(mm\), \d+ of 43200 pixels with signal", out)
    depth = read_png(tmp_path / "depth.png")
    amplitude = read_png(tmp_path / "amplitude.png")
    assert depth.shape == (H, W, 3) and amplitude.shape == (H, W)
    # Three boxes in front of a wall: several distinct depth colours and a
    # bright amplitude where the boxes are near.
    hues = {tuple(int(v) // 64 for v in px) for px in depth.reshape(-1, 3)[::7]}
    assert len(hues) >= 4
    assert amplitude.max() == 255 and np.percentile(amplitude, 10) < 128


def test_tilted_plane_is_red_on_the_near_side_and_blue_on_the_far_side(tmp_path):
    scene = tmp_path / "tilt.ini"
    scene.write_text("[camera]\nfamily = hqvga\nframe_rate = 30\n"
                     "[scene]\ntype = tilted_plane\ndistance_mm = 1500\ntilt_deg = 30\nnoise = 0\n")
    depth_png = tmp_path / "pictures" / "d.png"
    amp_png = tmp_path / "a.png"
    proc = run_example(["--scene", scene, "--seconds", "0.4", "--range", "4000",
                        "--depth-png", depth_png, "--amplitude-png", amp_png], cwd=tmp_path)
    assert proc.returncode == 0, proc.stderr
    assert not (tmp_path / "depth.png").exists()
    depth = read_png(depth_png).astype(int)
    assert read_png(amp_png).shape == (H, W)
    # Positive tilt moves the right side away: red on the left, blue on the right.
    left, right = depth[:, :20].mean(axis=(0, 1)), depth[:, -20:].mean(axis=(0, 1))
    assert left[0] > 200 and left[2] < 50
    assert right[2] > 200 and right[0] < 50
    # The report's median is the plane's distance at the centre column.
    median = float(re.search(r"median (\d+)", proc.stdout).group(1))
    assert abs(median - 1500) < 60


@pytest.mark.parametrize("args,message", [
    (["--seconds", "0"], "--seconds must be positive"),
    (["--range", "3000"], "invalid choice"),
])
def test_bad_arguments_are_refused(tmp_path, args, message):
    proc = run_example(args, cwd=tmp_path)
    assert proc.returncode == 2
    assert message in proc.stderr
    assert not (tmp_path / "depth.png").exists()


def test_a_bad_scene_file_fails_with_the_kit_message(tmp_path):
    scene = tmp_path / "bad.ini"
    scene.write_text("[camera]\nfamily = hqvga\n[scene]\ntype = plane\ndistanse_mm = 1500\n")
    proc = run_example(["--scene", scene, "--seconds", "0.3"], cwd=tmp_path)
    assert proc.returncode == 1
    assert 'unknown key "distanse_mm"' in proc.stderr
    assert "open of the USB kit" in proc.stderr
    assert not (tmp_path / "depth.png").exists()


def test_png_encoder_round_trips(tmp_path):
    sys.path.insert(0, str(EXAMPLE.parent))
    try:
        import stream_depth
    finally:
        sys.path.remove(str(EXAMPLE.parent))
    rng = np.random.default_rng(4)
    for shape in [(3, 5), (7, 2, 3), (1, 1)]:
        pixels = rng.integers(0, 256, size=shape, dtype=np.uint8)
        path = tmp_path / ("img%d.png" % len(shape))
        stream_depth.write_png(path, pixels)
        assert np.array_equal(read_png(path), pixels)
    with pytest.raises(ValueError):
        stream_depth.encode_png(np.zeros((2, 2, 4), np.uint8))
    # Colour map ends: near red, far blue, weak returns black.
    rgb = stream_depth.colour_depth(np.array([[0.0, 1000.0, 500.0]]), np.array([[100.0, 100.0, 1.0]]),
                                    0.0, 1000.0)
    assert rgb[0, 0].tolist() == [255, 0, 0] and rgb[0, 1].tolist() == [0, 0, 255]
    assert rgb[0, 2].tolist() == [0, 0, 0]
