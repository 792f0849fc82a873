"""Controls as Python sees them: result codes as TofErrorCode members,
getControl's value (0 when the control fails), the camera's own controls,
the four-phase model's answers, and what reaches the scripted sensor."""
import threading

import pytest

import VeltorDepthCamera as vdc

C = vdc.Control
E = vdc.TofErrorCode


def opened(hook, recording=False, **script_args):
    script = hook.SensorScript(**script_args)
    cam = script.camera(recording=recording)
    assert cam.open(vdc.Connection.CSI) == E.VeltorSuccess
    return script, cam


def sensor_controls(script):
    return [e[:3] for e in script.events() if e[0] in ("SetControl", "GetControl")]


@pytest.mark.parametrize("ctrl,value,rc,reaches_sensor", [
    (C.SKIP_FRAME, 2, E.VeltorSuccess, False),
    (C.SKIP_FRAME_LOOP, 5, E.VeltorSuccess, False),
    (C.AUTO_FRAME_RATE, 0, E.VeltorSuccess, False),
    (C.RANGE, 2000, E.VeltorSuccess, True),
    (C.RANGE, 3000, E.VeltorSuccess, True),
    (C.INTRINSIC_FX, 19092, E.VeltorInvalidParameter, False),
    (C.INTRINSIC_CY, 1, E.VeltorInvalidParameter, False),
    (C.EXPOSURE, 100, E.VeltorInvalidParameter, False),
    (C.FRAME_RATE, 30, E.VeltorInvalidParameter, False),
    (C.HFLIP, 1, E.VeltorInvalidParameter, False),
])
def test_set_control_on_the_four_phase_model(hook, ctrl, value, rc, reaches_sensor):
    script, cam = opened(hook)
    before = len(sensor_controls(script))
    result = cam.setControl(ctrl, value)
    assert type(result) is E
    assert result == rc
    sent = sensor_controls(script)[before:]
    assert sent == ([("SetControl", int(ctrl), value)] if reaches_sensor else [])


@pytest.mark.parametrize("ctrl", [C.SKIP_FRAME, C.SKIP_FRAME_LOOP, C.EXPOSURE, C.MODE, C.DENOISE])
def test_get_control_of_a_failing_control_is_zero(hook, ctrl):
    script, cam = opened(hook)
    assert cam.setControl(ctrl, 9) in (E.VeltorSuccess, E.VeltorInvalidParameter)
    # The scripted sensor knows none of these: the camera reports 4, Python 0.
    assert cam.getControl(ctrl) == 0
    assert ("GetControl", int(ctrl), 0) in sensor_controls(script)


def test_get_control_passes_the_sensors_answer_through(hook):
    script, cam = opened(hook)
    script.set_control_value(C.EXPOSURE, 321)
    assert cam.getControl(C.EXPOSURE) == 321
    script.set_control_value(C.FRAME_RATE, 25)
    assert cam.getControl(ctrl=C.FRAME_RATE) == 25


def test_range_follows_the_sensors_acceptance(hook):
    script, cam = opened(hook)
    assert cam.getControl(C.RANGE) == 4000
    assert cam.setControl(C.RANGE, 3000) == E.VeltorSuccess
    assert cam.getControl(C.RANGE) == 3000
    script.set_control_result(C.RANGE, E.VeltorInvalidParameter)
    assert cam.setControl(C.RANGE, 2000) == E.VeltorInvalidParameter
    assert cam.getControl(C.RANGE) == 3000


def test_auto_frame_rate_is_kept_by_the_camera(hook):
    script, cam = opened(hook)
    assert cam.getControl(C.AUTO_FRAME_RATE) == 1
    assert cam.setControl(C.AUTO_FRAME_RATE, 0) == E.VeltorSuccess
    assert cam.getControl(C.AUTO_FRAME_RATE) == 0
    assert cam.setControl(C.AUTO_FRAME_RATE, 5) == E.VeltorSuccess
    assert cam.getControl(C.AUTO_FRAME_RATE) == 1
    assert all(e[1] != int(C.AUTO_FRAME_RATE) for e in sensor_controls(script))


def test_controls_of_a_camera_that_is_not_open(hook):
    script = hook.SensorScript()
    cam = script.camera()
    # No device model: everything it would answer fails, the camera's own work.
    assert cam.setControl(C.RANGE, 2000) == E.VeltorUnkownError
    assert cam.getControl(C.INTRINSIC_FX) == 0
    assert cam.setControl(C.SKIP_FRAME, 1) == E.VeltorSuccess
    assert cam.getControl(C.AUTO_FRAME_RATE) == 1


def test_recording_model_passes_every_control_to_the_sensor(hook):
    script, cam = opened(hook, recording=True, width=8, height=6)
    assert cam.setControl(C.EXPOSURE, 100) == E.VeltorSuccess
    assert cam.getControl(C.EXPOSURE) == 100
    assert sensor_controls(script)[-2:] == [("SetControl", int(C.EXPOSURE), 100),
                                            ("GetControl", int(C.EXPOSURE), 100)]


def test_controls_from_python_threads_while_streaming(hook):
    script, cam = opened(hook, recording=True, width=8, height=6, loop=True,
                         sequence_timestamps=True)
    script.push()
    assert cam.start(vdc.FrameType.DEPTH) == E.VeltorSuccess
    failures = []
    written = {v + k for v in (100, 2000) for k in range(7)}

    def hammer(value):
        for i in range(300):
            if cam.setControl(C.EXPOSURE, value + i % 7) != E.VeltorSuccess:
                failures.append(("set", value, i))
            # Either thread's latest value, never a torn or lost one.
            got = cam.getControl(C.EXPOSURE)
            if got not in written:
                failures.append(("get", value, i, got))

    threads = [threading.Thread(target=hammer, args=(v,)) for v in (100, 2000)]
    for t in threads:
        t.start()
    frames = 0
    while any(t.is_alive() for t in threads):
        frame = cam.requestFrame(50)
        if frame is not None:
            frames += 1
            assert cam.releaseFrame(frame) == E.VeltorSuccess
    for t in threads:
        t.join()
    assert cam.stop() == E.VeltorSuccess
    assert failures == []
    assert script.served() > 0
