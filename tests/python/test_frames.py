"""Frames as Python sees them: classes, arrays, formats, and the lifetime of a
frame object (released, replaced by a later start, camera destroyed)."""
import gc

import numpy as np
import pytest

import VeltorDepthCamera as vdc
from conftest import H, W, capture_bytes, samples

OK = vdc.TofErrorCode.VeltorSuccess
FAIL = vdc.TofErrorCode.VeltorUnkownError

RAW_PROPS = ["data", "raw_data", "format"]
DEPTH_PROPS = ["data", "depth_data", "confidence_data", "amplitude_data", "format"]


def expected_image(seed):
    return np.array(samples(seed), dtype=np.int64).reshape(H, W)


def get_frame(cam, script, seed):
    script.push(capture_bytes(seed))
    frame = cam.requestFrame(5000)
    assert frame is not None
    return frame


@pytest.mark.parametrize("frame_type,cls", [(vdc.FrameType.DEPTH, vdc.DepthData),
                                            (vdc.FrameType.RAW, vdc.RawData)])
def test_frame_class_follows_start_type(scripted, frame_type, cls):
    script, cam = scripted(frame_type)
    frame = get_frame(cam, script, 1)
    assert type(frame) is cls
    assert isinstance(frame, vdc.Frame)
    assert cam.releaseFrame(frame) == OK


def test_raw_arrays(scripted):
    script, cam = scripted(vdc.FrameType.RAW)
    frame = get_frame(cam, script, 3)
    for arr in (frame.raw_data, frame.data["raw"]):
        assert arr.dtype == np.int16
        assert arr.shape == (H, W)
        assert arr.flags.c_contiguous and arr.flags.owndata
        np.testing.assert_array_equal(arr, expected_image(3))
    assert list(frame.data) == ["raw"]
    fmt = frame.format
    assert (fmt.width, fmt.height, fmt.type, fmt.timestamp) == (W, H, vdc.FrameType.RAW, 1)
    assert cam.releaseFrame(frame) == OK


def test_depth_arrays(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    frame = get_frame(cam, script, 4)
    expected = {"depth": expected_image(4), "confidence": np.full((H, W), 2.0),
                "amplitude": np.full((H, W), 1.0)}
    data = frame.data
    assert sorted(data) == ["amplitude", "confidence", "depth"]
    for name, want in expected.items():
        for arr in (getattr(frame, name + "_data"), data[name]):
            assert arr.dtype == np.float32
            assert arr.shape == (H, W)
            assert arr.flags.c_contiguous and arr.flags.owndata
            np.testing.assert_array_equal(arr, want)
    fmt = frame.format
    assert (fmt.width, fmt.height, fmt.type, fmt.timestamp) == (W, H, vdc.FrameType.DEPTH, 1)
    assert cam.releaseFrame(frame) == OK


def test_four_phase_model_geometry(scripted):
    # The real 240 x 180 model: one raw image of the four sub-frames stacked
    # row by row, depth images of the sensor size.
    script, cam = scripted(vdc.FrameType.RAW, recording=False, width=240, height=180)
    script.push()
    frame = cam.requestFrame(5000)
    assert type(frame) is vdc.RawData
    assert frame.raw_data.shape == (720, 240)
    assert cam.releaseFrame(frame) == OK
    assert cam.stop() == OK
    assert cam.start(vdc.FrameType.DEPTH) == OK
    script.push()
    frame = cam.requestFrame(5000)
    assert type(frame) is vdc.DepthData
    for name in ("depth_data", "confidence_data", "amplitude_data"):
        assert getattr(frame, name).shape == (180, 240)
    assert cam.releaseFrame(frame) == OK


def test_arrays_are_copies_that_outlive_the_frame(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    frame = get_frame(cam, script, 5)
    depth = frame.depth_data
    depth_again = frame.depth_data
    depth_again[:] = -1  # writing a copy leaves the frame alone
    np.testing.assert_array_equal(frame.depth_data, expected_image(5))
    assert cam.releaseFrame(frame) == OK
    # The pool node is refilled with other pixels; the array keeps its own.
    for seed in (6, 7, 8, 9):
        other = get_frame(cam, script, seed)
        np.testing.assert_array_equal(other.depth_data, expected_image(seed))
        assert cam.releaseFrame(other) == OK
    np.testing.assert_array_equal(depth, expected_image(5))


@pytest.mark.parametrize("frame_type,props", [(vdc.FrameType.RAW, RAW_PROPS),
                                              (vdc.FrameType.DEPTH, DEPTH_PROPS)])
def test_setters_accept_anything_and_change_nothing(scripted, frame_type, props):
    script, cam = scripted(frame_type)
    frame = get_frame(cam, script, 10)
    before = {p: getattr(frame, p) for p in props}
    for p in props:
        for value in (None, 5, "x", np.zeros((2, 2))):
            setattr(frame, p, value)
    for p in props:
        after = getattr(frame, p)
        if p == "format":
            assert (after.width, after.height, after.type, after.timestamp) == \
                (before[p].width, before[p].height, before[p].type, before[p].timestamp)
        elif p == "data":
            assert sorted(after) == sorted(before[p])
            for k in after:
                np.testing.assert_array_equal(after[k], before[p][k])
        else:
            np.testing.assert_array_equal(after, before[p])
    assert cam.releaseFrame(frame) == OK


def test_base_class_properties(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    frame = get_frame(cam, script, 11)
    assert vdc.Frame.data.fget(frame) == {}
    fmt = vdc.Frame.format.fget(frame)
    assert (fmt.width, fmt.height, int(fmt.type), fmt.timestamp) == (0, 0, 0, 0)
    assert cam.releaseFrame(frame) == OK


def test_format_is_a_copy(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    frame = get_frame(cam, script, 12)
    fmt = frame.format
    fmt.width = 999
    fmt.type = vdc.FrameType.CACHE
    assert frame.format.width == W and frame.format.type == vdc.FrameType.DEPTH
    assert cam.releaseFrame(frame) == OK


@pytest.mark.parametrize("frame_type,props", [(vdc.FrameType.RAW, RAW_PROPS),
                                              (vdc.FrameType.DEPTH, DEPTH_PROPS)])
def test_released_frame_raises_and_cannot_be_released_again(scripted, frame_type, props):
    script, cam = scripted(frame_type)
    frame = get_frame(cam, script, 13)
    assert cam.releaseFrame(frame) == OK
    # The released node may be refilled at once; the old object must not see it.
    script.push_repeated(3)
    for p in props:
        with pytest.raises(RuntimeError, match="released"):
            getattr(frame, p)
    assert cam.releaseFrame(frame) == FAIL
    setattr(frame, props[0], None)  # setters stay harmless


def test_frame_of_a_replaced_pool_raises(scripted):
    script, cam = scripted(vdc.FrameType.RAW)
    old = get_frame(cam, script, 14)
    assert cam.stop() == OK
    assert cam.start(vdc.FrameType.DEPTH) == OK
    new = get_frame(cam, script, 15)
    # A new hand-out is a new object of the new pool's class, even if the
    # pool reuses the old frame's address.
    assert type(old) is vdc.RawData and type(new) is vdc.DepthData
    assert new is not old
    with pytest.raises(RuntimeError, match="later start"):
        old.raw_data
    with pytest.raises(RuntimeError, match="later start"):
        old.format
    assert cam.releaseFrame(old) == FAIL
    np.testing.assert_array_equal(new.depth_data, expected_image(15))
    assert cam.releaseFrame(new) == OK


def test_failed_start_keeps_frames_of_the_current_pool(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    frame = get_frame(cam, script, 16)
    # Already streaming: start fails and the pool stays as it is.
    assert cam.start(vdc.FrameType.RAW) == FAIL
    np.testing.assert_array_equal(frame.depth_data, expected_image(16))
    assert cam.releaseFrame(frame) == OK


def test_frame_of_a_destroyed_camera_raises(scripted, hook):
    script = hook.SensorScript(width=W, height=H)
    cam = script.camera(recording=True)
    assert cam.open(vdc.Connection.CSI) == OK
    assert cam.start(vdc.FrameType.DEPTH) == OK
    frame = get_frame(cam, script, 17)
    del cam
    gc.collect()
    with pytest.raises(RuntimeError, match="destroyed"):
        frame.depth_data


def test_each_hand_out_is_a_new_object(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    first = get_frame(cam, script, 18)
    assert cam.releaseFrame(first) == OK
    second = get_frame(cam, script, 19)
    assert second is not first
    np.testing.assert_array_equal(second.depth_data, expected_image(19))
    with pytest.raises(RuntimeError):
        first.depth_data
    assert cam.releaseFrame(second) == OK


def test_release_through_another_camera_is_refused(scripted):
    script, cam = scripted(vdc.FrameType.DEPTH)
    _, other = scripted(vdc.FrameType.DEPTH)
    frame = get_frame(cam, script, 20)
    assert other.releaseFrame(frame) == FAIL
    np.testing.assert_array_equal(frame.depth_data, expected_image(20))
    assert cam.releaseFrame(frame) == OK


def test_release_none_fails(scripted):
    _, cam = scripted(vdc.FrameType.DEPTH)
    assert cam.releaseFrame(None) == FAIL
