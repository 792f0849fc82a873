"""VeltorCamera's Python surface: signatures, keyword names, defaults, docstrings."""
import pytest

import VeltorDepthCamera as vdc

OPEN_DOC = ("Initialize the camera configuration and turn on the camera, set the initialization "
            "frame according to the mode.\n\n- mode Specify the connection method.\n- index "
            "Device node, the default value is video0.")
OPEN_FILE_DOC = ("Initialize the camera configuration and turn on the camera, set the "
                 "initialization frame according to the mode.\n\n- path Specify the config file "
                 "path.\n- index Device node, the default value is video0.")

M = "VeltorDepthCamera."
METHODS = [
    ("open", f"(self: {M}VeltorCamera, mode: {M}Connection, index: int = 0) -> {M}TofErrorCode",
     OPEN_DOC),
    ("openWithFile", f"(self: {M}VeltorCamera, path: str, index: int = 0) -> {M}TofErrorCode",
     OPEN_FILE_DOC),
    ("close", f"(self: {M}VeltorCamera) -> {M}TofErrorCode", "Close the camera"),
    ("start", f"(self: {M}VeltorCamera, type: {M}FrameType) -> {M}TofErrorCode",
     "Start the camera stream and start processing."),
    ("stop", f"(self: {M}VeltorCamera) -> {M}TofErrorCode", "Stop camera stream and processing."),
    ("getCameraID", f"(self: {M}VeltorCamera) -> str", "Get the camera ID."),
    ("setControl", f"(self: {M}VeltorCamera, ctrl: {M}Control, value: int) -> {M}TofErrorCode",
     "Set camera parameters."),
    ("getControl", f"(self: {M}VeltorCamera, ctrl: {M}Control) -> int",
     "Get camera parameters."),
    ("getCameraInfo", f"(self: {M}VeltorCamera) -> {M}CameraInfo", "Get camera information."),
    ("requestFrame", f"(self: {M}VeltorCamera, timeout: int) -> {M}Frame",
     "Request a frame of data from the frame processing thread."),
    ("releaseFrame", f"(self: {M}VeltorCamera, frame: {M}Frame) -> {M}TofErrorCode",
     "Free the memory space of the frame."),
]


@pytest.mark.parametrize("name,signature,doc", METHODS, ids=[m[0] for m in METHODS])
def test_method_signature_and_docstring(name, signature, doc):
    text = getattr(vdc.VeltorCamera, name).__doc__
    first, _, rest = text.partition("\n\n")
    assert first == name + signature
    assert rest.strip("\n") == doc


def test_unopened_camera_reports_failures_not_exceptions():
    cam = vdc.VeltorCamera()
    assert cam.start(vdc.FrameType.DEPTH) == vdc.TofErrorCode.VeltorUnkownError
    assert cam.requestFrame(0) is None
    assert cam.releaseFrame(None) == vdc.TofErrorCode.VeltorUnkownError
    assert isinstance(cam.getCameraID(), str)
    info = cam.getCameraInfo()
    assert isinstance(info, vdc.CameraInfo)
    assert isinstance(info.connect, vdc.Connection)


@pytest.mark.parametrize("timeout", [40000, -40000, 32768, -32769])
def test_request_frame_timeout_must_fit_int16(timeout):
    cam = vdc.VeltorCamera()
    with pytest.raises(TypeError):
        cam.requestFrame(timeout)


def test_keyword_arguments():
    cam = vdc.VeltorCamera()
    assert cam.getControl(ctrl=vdc.Control.AUTO_FRAME_RATE) == 1
    assert cam.requestFrame(timeout=0) is None
