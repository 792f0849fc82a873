#!/usr/bin/python3
"""Record raw captures of a camera, real or simulated, to a file the USB kit
replays (a scene file's "[playback] file = NAME", or the ".bin" path given
straight to openWithFile).

As a program (same options as build/bin/veltor_record_raw):

  PYTHONPATH=build/python /usr/bin/python3 tools/veltor_record_raw.py \
      [--usb | --scene FILE | --csi INDEX] [--frames N] [--range 2000|4000] OUTPUT.bin

As a module:

  import VeltorDepthCamera as vdc, veltor_record_raw
  cam = vdc.VeltorCamera(); cam.open(vdc.Connection.CSI, 0)
  veltor_record_raw.record(cam, "take1.bin", captures=100)
  header, captures = veltor_record_raw.load("take1.bin")   # captures: (N, sub-frames, H, W) uint16

File format, little-endian: a 32-byte header ("VLTRAW01", then uint32 width,
height, bit width, sub-frames per capture, frame rate, capture count), then
the captures back to back, each its sub-frames in the order the sensor sent
them, each sub-frame width x height samples of 2 bytes (1 byte at bit width
8). Samples are written as the sensor's 12-bit container (bit width 12).
Replay a recording with the RANGE it was recorded with.
"""
import argparse
import struct
import sys

import numpy as np

MAGIC = b"VLTRAW01"
HEADER = struct.Struct("<8s6I")
FIELDS = ("width", "height", "bit_width", "sub_frames", "frame_rate", "captures")

# The 240 x 180 family: four phase sub-frames per capture.
HQVGA_WIDTH, HQVGA_HEIGHT, HQVGA_SUB_FRAMES = 240, 180, 4


def encode_header(width, height, bit_width, sub_frames, frame_rate, captures):
    return HEADER.pack(MAGIC, width, height, bit_width, sub_frames, frame_rate, captures)


def raw_to_capture(raw, sub_frames=HQVGA_SUB_FRAMES):
    """A RAW frame (rows interleaved: row sub_frames * r + p is row r of
    sub-frame p, samples times 16) back to the sensor's sub-frames as 12-bit
    containers: (sub_frames, height, width) uint16."""
    raw = np.asarray(raw, dtype=np.int16)
    height, width = raw.shape[0] // sub_frames, raw.shape[1]
    subs = raw.reshape(height, sub_frames, width).transpose(1, 0, 2).astype(np.int32)
    return ((subs >> 4) & 0xFFF).astype("<u2")


def record(cam, path, captures=30, timeout_ms=2000):
    """Streams RAW frames of an opened camera into path; returns the number of
    captures written. Raises RuntimeError (after finishing the file with what
    was recorded) when the camera cannot be recorded, does not start, or
    stops delivering."""
    import VeltorDepthCamera as vdc

    info = cam.getCameraInfo()
    if info.device_type != vdc.DeviceType.HQVGA:
        raise RuntimeError("only the 240 x 180 family can be recorded so far")
    fps = cam.getControl(vdc.Control.FRAME_RATE)
    if fps <= 0:
        fps = 30
    shape = (HQVGA_HEIGHT * HQVGA_SUB_FRAMES, HQVGA_WIDTH)
    written, error = 0, None
    with open(path, "wb") as f:
        f.write(encode_header(HQVGA_WIDTH, HQVGA_HEIGHT, 12, HQVGA_SUB_FRAMES, fps, 0))
        rc = cam.start(vdc.FrameType.RAW)
        if rc != vdc.TofErrorCode.VeltorSuccess:
            raise RuntimeError("start failed: %s" % rc.str())
        try:
            while written < captures:
                frame = cam.requestFrame(timeout_ms)
                if frame is None:
                    error = "no frame within %d ms" % timeout_ms
                    break
                try:
                    raw = frame.raw_data
                finally:
                    cam.releaseFrame(frame)
                if raw.shape != shape:
                    error = "unexpected raw frame geometry %r" % (raw.shape,)
                    break
                f.write(raw_to_capture(raw).tobytes())
                written += 1
        finally:
            cam.stop()
            f.seek(0)
            f.write(encode_header(HQVGA_WIDTH, HQVGA_HEIGHT, 12, HQVGA_SUB_FRAMES, fps, written))
    if error is not None:
        raise RuntimeError("%s (%d captures written to %s)" % (error, written, path))
    return written


def load(path):
    """Reads a recording: (header dict, samples of shape (captures,
    sub_frames, height, width), uint16, or uint8 at bit width 8)."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < HEADER.size or data[:8] != MAGIC:
        raise ValueError("%s: not a raw recording (no VLTRAW01 header)" % path)
    header = dict(zip(FIELDS, HEADER.unpack_from(data)[1:]))
    sample = np.dtype(np.uint8) if header["bit_width"] <= 8 else np.dtype("<u2")
    shape = (header["captures"], header["sub_frames"], header["height"], header["width"])
    want = HEADER.size + int(np.prod(shape)) * sample.itemsize
    if len(data) != want:
        raise ValueError("%s: %d bytes, the header announces %d" % (path, len(data), want))
    return header, np.frombuffer(data, sample, offset=HEADER.size).reshape(shape)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Record raw captures to a file the USB kit replays.")
    source = parser.add_mutually_exclusive_group()
    source.add_argument("--usb", action="store_true", help="the USB kit without a configuration file "
                        "(default)")
    source.add_argument("--scene", help="the USB kit opened with this file (a simulated scene, for instance)")
    source.add_argument("--csi", type=int, metavar="INDEX", help="the CSI camera /dev/videoINDEX")
    parser.add_argument("--frames", type=int, default=30, help="captures to record (default 30)")
    parser.add_argument("--range", type=int, choices=(2000, 4000),
                        help="measuring range while recording; replay with the same range")
    parser.add_argument("output", help="recording to write (.bin)")
    args = parser.parse_args(argv)
    if args.frames <= 0:
        parser.error("--frames must be positive")

    import VeltorDepthCamera as vdc

    cam = vdc.VeltorCamera()
    if args.csi is not None:
        rc = cam.open(vdc.Connection.CSI, args.csi)
    elif args.scene:
        rc = cam.openWithFile(args.scene)
    else:
        rc = cam.open(vdc.Connection.USB)
    if rc != vdc.TofErrorCode.VeltorSuccess:
        print("cannot open the camera: %s" % rc.str(), file=sys.stderr)
        return 1
    try:
        if args.range is not None:
            rc = cam.setControl(vdc.Control.RANGE, args.range)
            if rc != vdc.TofErrorCode.VeltorSuccess:
                print("cannot set the range: %s" % rc.str(), file=sys.stderr)
                return 1
        try:
            written = record(cam, args.output, args.frames)
        except (RuntimeError, OSError) as err:
            print(err, file=sys.stderr)
            return 1
    finally:
        cam.close()
    print("%d captures written to %s" % (written, args.output))
    return 0


if __name__ == "__main__":
    sys.exit(main())
