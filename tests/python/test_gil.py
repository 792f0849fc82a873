"""requestFrame, stop and close let other Python threads run while they wait,
and frame reads on one thread stay sound while another restarts the camera.

Each case runs in a child interpreter with a time limit: a call that kept the
interpreter lock would deadlock the child (the thread that would unblock it
can never run), which shows up as a time-out instead of a hung test run."""
import os
import subprocess
import sys
import textwrap

import pytest

PRELUDE = textwrap.dedent("""
    import sys, threading
    import VeltorDepthCamera as vdc
    import _veltor_testhook as hook

    def wait_until_inside(thread, marker):
        # The waiting call is on a line tagged with marker; while that thread
        # is inside the call its innermost Python frame stays on that line.
        import linecache
        while thread.is_alive():
            frame = sys._current_frames().get(thread.ident)
            if frame is not None and marker in linecache.getline(frame.f_code.co_filename,
                                                                 frame.f_lineno):
                return
    """)

CASES = {
    # The main thread waits for a frame; only a second Python thread pushes one.
    "requestFrame": """
        script = hook.SensorScript(width=8, height=6, idle_wait_ms=2)
        cam = script.camera(recording=True)
        assert cam.open(vdc.Connection.CSI) == vdc.TofErrorCode.VeltorSuccess
        assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
        main = threading.current_thread()
        def feeder():
            wait_until_inside(main, "WAITING")
            script.push()
        t = threading.Thread(target=feeder)
        t.start()
        frame = cam.requestFrame(-1)  # WAITING
        t.join()
        assert type(frame) is vdc.DepthData
        cam.stop()
        """,
    # stop joins a capture thread that sits in the sensor until a capture
    # arrives; only the main Python thread can push it.
    "stop": """
        script = hook.SensorScript(width=8, height=6, idle_wait_ms=600000)
        cam = script.camera(recording=True)
        assert cam.open(vdc.Connection.CSI) == vdc.TofErrorCode.VeltorSuccess
        assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
        result = []
        t = threading.Thread(target=lambda: result.append(cam.stop()))  # WAITING
        t.start()
        wait_until_inside(t, "WAITING")
        while t.is_alive():
            script.push()
            t.join(0.05)
        assert result == [vdc.TofErrorCode.VeltorSuccess]
        """,
    "close": """
        script = hook.SensorScript(width=8, height=6, idle_wait_ms=600000)
        cam = script.camera(recording=True)
        assert cam.open(vdc.Connection.CSI) == vdc.TofErrorCode.VeltorSuccess
        assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
        result = []
        t = threading.Thread(target=lambda: result.append(cam.close()))  # WAITING
        t.start()
        wait_until_inside(t, "WAITING")
        while t.is_alive():
            script.push()
            t.join(0.05)
        assert result == [vdc.TofErrorCode.VeltorSuccess]
        """,
    # A thread blocked in requestFrame(-1) returns None when another thread
    # stops the camera.
    "requestFrame_until_stop": """
        script = hook.SensorScript(width=8, height=6, idle_wait_ms=2)
        cam = script.camera(recording=True)
        assert cam.open(vdc.Connection.CSI) == vdc.TofErrorCode.VeltorSuccess
        assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
        got = []
        t = threading.Thread(target=lambda: got.append(cam.requestFrame(-1)))  # WAITING
        t.start()
        wait_until_inside(t, "WAITING")
        assert cam.stop() == vdc.TofErrorCode.VeltorSuccess
        t.join()
        assert got == [None]
        """,
    # A thread copying a held frame while another restarts the camera: every
    # copy is the frame's content until the restart, then the frame raises.
    "read_during_restart": """
        import struct
        script = hook.SensorScript(width=8, height=6, idle_wait_ms=2)
        cam = script.camera(recording=True)
        assert cam.open(vdc.Connection.CSI) == vdc.TofErrorCode.VeltorSuccess
        assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
        values = [(7 * i) % 4096 for i in range(48)]
        script.push(struct.pack("<48H", *values))
        frame = cam.requestFrame(10000)
        expected = [float(v) for v in values]
        first = threading.Event()
        outcome = []
        def reader():
            try:
                while True:
                    if frame.depth_data.ravel().tolist() != expected:
                        outcome.append("wrong pixels")
                        return
                    first.set()
            except RuntimeError as e:
                outcome.append(str(e))
            finally:
                first.set()
        t = threading.Thread(target=reader)
        t.start()
        first.wait()
        assert cam.stop() == vdc.TofErrorCode.VeltorSuccess
        assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorSuccess
        t.join()
        assert len(outcome) == 1 and "later start" in outcome[0], outcome
        cam.stop()
        """,
}


@pytest.mark.parametrize("case", sorted(CASES))
def test_call_lets_other_threads_run(hook, tmp_path, case):
    script = tmp_path / "case.py"
    script.write_text(PRELUDE + textwrap.dedent(CASES[case]) + "\nprint('done')\n")
    try:
        out = subprocess.run([sys.executable, str(script)], capture_output=True, text=True,
                             timeout=30, env=dict(os.environ))
    except subprocess.TimeoutExpired:
        pytest.fail("%s kept the interpreter lock: the child deadlocked" % case)
    assert out.returncode == 0, out.stderr
    assert out.stdout.strip().endswith("done")
