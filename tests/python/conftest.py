"""Shared fixtures of the Python module tests.

The module under test is VeltorDepthCamera from PYTHONPATH (build/python).
Cameras on a scripted sensor come from the test-only extension
_veltor_testhook, built next to the module when the tests are built.
"""
import struct

import pytest

import VeltorDepthCamera as vdc

# Small sensor for the recording device model: depth = samples of the first
# sub-frame as float, amplitude 1, confidence 2, raw = the samples.
W, H = 8, 6


def samples(seed, n=W * H):
    """Deterministic 16-bit samples of one capture, distinct per seed."""
    return [(seed * 977 + 31 * i) % 4096 for i in range(n)]


def capture_bytes(seed, n=W * H):
    return struct.pack("<%dH" % n, *samples(seed, n))


@pytest.fixture(scope="session")
def hook():
    return pytest.importorskip("_veltor_testhook")


@pytest.fixture
def scripted(hook):
    """scripted(frame_type, **script_args) -> (script, camera), opened on CSI and
    started; stopped and closed afterwards."""
    made = []

    def make(frame_type=vdc.FrameType.DEPTH, recording=True, start=True, **script_args):
        script_args.setdefault("width", W)
        script_args.setdefault("height", H)
        script_args.setdefault("sequence_timestamps", True)
        script = hook.SensorScript(**script_args)
        cam = script.camera(recording=recording)
        assert cam.open(vdc.Connection.CSI) == vdc.TofErrorCode.VeltorSuccess
        if start:
            assert cam.start(frame_type) == vdc.TofErrorCode.VeltorSuccess
        made.append(cam)
        return script, cam

    yield make
    for cam in made:
        cam.stop()
        cam.close()
