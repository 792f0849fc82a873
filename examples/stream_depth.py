#!/usr/bin/python3
"""Stream depth from a camera and save pictures of the last frame.

By default this opens the USB evaluation kit, which on a machine without
hardware is the simulated camera with its built-in scene (three boxes in front
of a wall). It streams depth frames for a few seconds, prints the delivered
frame rate and depth statistics, and writes two PNG files:

  depth.png      colour-mapped depth: red near, through yellow, green and
                 cyan, to blue far (by default over the spread of the frame's
                 depths, printed); black where the return is too weak
  amplitude.png  grey amplitude, scaled so its 99th percentile is white

Usage (from the repository, after a build):

  PYTHONPATH=build/python /usr/bin/python3 examples/stream_depth.py \
      [--scene FILE] [--seconds N] [--range 2000|4000] [--out DIR] \
      [--depth-png PATH] [--amplitude-png PATH] [--min-depth MM] [--max-depth MM]

Only NumPy and the standard library are needed; the PNG files are encoded
here with zlib.
"""
import argparse
import os
import struct
import sys
import time
import zlib

import numpy as np

try:
    import VeltorDepthCamera as vdc
except ImportError as err:  # pragma: no cover - depends on the environment
    sys.exit("cannot import VeltorDepthCamera (%s); build the project and run with "
             "PYTHONPATH=build/python /usr/bin/python3" % err)

OK = vdc.TofErrorCode.VeltorSuccess

# Amplitude below which a pixel counts as having no usable return.
MIN_AMPLITUDE = 64.0


# ---------------------------------------------------------------- PNG files

def _chunk(kind, payload):
    body = kind + payload
    return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(pixels):
    """PNG bytes of an 8-bit image: (height, width) grey or (height, width, 3) RGB."""
    pixels = np.ascontiguousarray(pixels, dtype=np.uint8)
    if pixels.ndim == 2:
        colour_type = 0
        height, width = pixels.shape
        rows = pixels.reshape(height, width)
    elif pixels.ndim == 3 and pixels.shape[2] == 3:
        colour_type = 2
        height, width = pixels.shape[:2]
        rows = pixels.reshape(height, width * 3)
    else:
        raise ValueError("expected a grey or RGB image, got shape %r" % (pixels.shape,))
    if width == 0 or height == 0:
        raise ValueError("empty image")
    # Each row is preceded by its filter byte (0: none).
    scanlines = np.concatenate([np.zeros((height, 1), np.uint8), rows], axis=1)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) +
            _chunk(b"IDAT", zlib.compress(scanlines.tobytes(), 6)) + _chunk(b"IEND", b""))


def write_png(path, pixels):
    data = encode_png(pixels)
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- pictures

def colour_depth(depth, amplitude, near_mm, far_mm, min_amplitude=MIN_AMPLITUDE):
    """RGB image of depth over [near_mm, far_mm]: red near, blue far, black without signal."""
    span = max(far_mm - near_mm, 1e-6)
    t = np.clip((depth.astype(np.float64) - near_mm) / span, 0.0, 1.0)
    rgb = np.stack([np.clip(1.5 - np.abs(4.0 * t - c), 0.0, 1.0) for c in (0.5, 2.0, 3.5)], axis=-1)
    rgb = np.rint(rgb * 255.0).astype(np.uint8)
    rgb[~(amplitude >= min_amplitude)] = 0
    return rgb


def grey_amplitude(amplitude):
    """Grey image of amplitude, its 99th percentile white."""
    a = np.nan_to_num(amplitude.astype(np.float64), nan=0.0, posinf=0.0, neginf=0.0)
    top = np.percentile(a, 99) if a.size else 0.0
    if top <= 0.0:
        top = 1.0
    return np.rint(np.clip(a / top, 0.0, 1.0) * 255.0).astype(np.uint8)


# ---------------------------------------------------------------- streaming

class Stats:
    """Per-pixel running sums over the streamed frames, for temporal noise."""

    def __init__(self):
        self.count = 0
        self.sum = None
        self.sum_sq = None

    def add(self, depth):
        d = depth.astype(np.float64)
        if self.sum is None or self.sum.shape != d.shape:
            self.count, self.sum, self.sum_sq = 0, np.zeros_like(d), np.zeros_like(d)
        self.count += 1
        self.sum += d
        self.sum_sq += d * d

    def temporal_std(self):
        if self.count < 2:
            return None
        mean = self.sum / self.count
        var = np.maximum(self.sum_sq / self.count - mean * mean, 0.0)
        return np.sqrt(var * self.count / (self.count - 1))


def open_camera(args):
    cam = vdc.VeltorCamera()
    if args.scene:
        rc = cam.openWithFile(args.scene)
        what = "USB kit with %s" % args.scene
    else:
        rc = cam.open(vdc.Connection.USB)
        what = "USB kit (built-in scene when simulated)"
    if rc != OK:
        raise RuntimeError("open of the %s failed: %s" % (what, rc.str()))
    return cam, what


def stream(cam, seconds, stats):
    """Requests frames for the given time.

    Returns (frames, elapsed seconds, last depth, last amplitude, frame
    timestamps, requests that timed out)."""
    frames, timeouts = 0, 0
    depth = amplitude = None
    timestamps = []
    t0 = time.monotonic()
    while time.monotonic() - t0 < seconds:
        frame = cam.requestFrame(1000)
        if frame is None:
            timeouts += 1
            continue
        try:
            depth = frame.depth_data
            amplitude = frame.amplitude_data
            timestamps.append(frame.format.timestamp)
        finally:
            cam.releaseFrame(frame)
        stats.add(depth)
        frames += 1
    elapsed = time.monotonic() - t0
    return frames, elapsed, depth, amplitude, timestamps, timeouts


def describe(values):
    p = np.percentile(values, [0, 5, 50, 95, 100])
    return "min %.0f  5%% %.0f  median %.0f  95%% %.0f  max %.0f  mean %.0f" % (
        p[0], p[1], p[2], p[3], p[4], float(np.mean(values)))


def main(argv=None):
    parser = argparse.ArgumentParser(description="Stream depth from the camera (by default the "
                                     "simulated USB kit) and write depth and amplitude PNGs.")
    parser.add_argument("--scene", help="open the USB kit with this file (a scene file of the "
                        "simulated camera, or a .bin raw recording)")
    parser.add_argument("--seconds", type=float, default=3.0, help="how long to stream (default 3)")
    parser.add_argument("--range", type=int, choices=(2000, 4000), default=4000,
                        help="measuring range in mm (default 4000)")
    parser.add_argument("--out", default=".", help="directory of the PNG files (default: the "
                        "working directory)")
    parser.add_argument("--depth-png", help="path of the depth picture (default OUT/depth.png)")
    parser.add_argument("--amplitude-png", help="path of the amplitude picture "
                        "(default OUT/amplitude.png)")
    parser.add_argument("--min-depth", type=float, help="depth shown as red, mm (default: the 1st "
                        "percentile of the last frame)")
    parser.add_argument("--max-depth", type=float, help="depth shown as blue, mm (default: the 99th "
                        "percentile of the last frame)")
    args = parser.parse_args(argv)
    if args.seconds <= 0:
        parser.error("--seconds must be positive")
    depth_png = args.depth_png or os.path.join(args.out, "depth.png")
    amplitude_png = args.amplitude_png or os.path.join(args.out, "amplitude.png")

    try:
        cam, what = open_camera(args)
    except RuntimeError as err:
        print(err, file=sys.stderr)
        return 1
    try:
        info = cam.getCameraInfo()
        print("camera: %s, %d x %d, %d-bit samples, %s model" % (
            what, info.width, info.height, info.bit_width, info.device_type.name))
        rc = cam.setControl(vdc.Control.RANGE, args.range)
        if rc != OK:
            print("range %d mm refused: %s" % (args.range, rc.str()), file=sys.stderr)
        rc = cam.start(vdc.FrameType.DEPTH)
        if rc != OK:
            print("start failed: %s" % rc.str(), file=sys.stderr)
            return 1
        stats = Stats()
        try:
            frames, elapsed, depth, amplitude, timestamps, timeouts = stream(cam, args.seconds, stats)
        finally:
            cam.stop()
    finally:
        cam.close()

    if frames == 0:
        print("no frames in %.1f s" % elapsed, file=sys.stderr)
        return 1
    print("%d frames in %.2f s: %.1f fps%s" % (
        frames, elapsed, frames / elapsed, ", %d request time-outs" % timeouts if timeouts else ""))
    if len(timestamps) >= 2:
        span = (timestamps[-1] - timestamps[0]) / 1000.0
        if span > 0:
            print("sensor timestamps: %.1f captures per second over %.2f s" % (
                (len(timestamps) - 1) / span, span))

    valid = amplitude >= MIN_AMPLITUDE
    print("depth of the last frame (mm), %d of %d pixels with signal:" % (int(valid.sum()), valid.size))
    if valid.any():
        print("  " + describe(depth[valid]))
    std = stats.temporal_std()
    if std is not None and valid.any():
        print("temporal noise over %d frames (mm): median %.1f, 95%% %.1f" % (
            stats.count, float(np.median(std[valid])), float(np.percentile(std[valid], 95))))
    print("amplitude of the last frame: median %.0f, max %.0f" % (
        float(np.median(amplitude)), float(np.max(amplitude))))

    # Colour scale: the given limits, else the spread of the pixels with signal.
    usable = depth[valid] if valid.any() else np.array([0.0, float(args.range)])
    near = args.min_depth if args.min_depth is not None else float(np.floor(np.percentile(usable, 1) / 10) * 10)
    far = args.max_depth if args.max_depth is not None else float(np.ceil(np.percentile(usable, 99) / 10) * 10)
    if far <= near:
        far = near + 10.0
    print("depth colours: red %.0f mm to blue %.0f mm" % (near, far))

    try:
        for path in (depth_png, amplitude_png):
            parent = os.path.dirname(path)
            if parent:
                os.makedirs(parent, exist_ok=True)
        write_png(depth_png, colour_depth(depth, amplitude, near, far))
        write_png(amplitude_png, grey_amplitude(amplitude))
    except OSError as err:
        print("cannot write the PNG files: %s" % err, file=sys.stderr)
        return 1
    print("wrote %s and %s" % (depth_png, amplitude_png))
    return 0


if __name__ == "__main__":
    sys.exit(main())
