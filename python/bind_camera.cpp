// VeltorCamera: one camera object, owned by the Python object and destroyed
// (without closing it) when collected. The calls that wait on the capture
// thread or on frames (start, stop, close, requestFrame, releaseFrame) drop
// the interpreter lock while they run; the capture thread never touches
// Python objects.
#include <pybind11/pybind11.h>

#include <string>

#include "bindings.h"
#include "camera_handle.h"
#include "python_frames.h"

namespace py = pybind11;

namespace Veltor {
namespace binding {

namespace {

TofErrorCode code(int rc) { return static_cast<TofErrorCode>(rc); }

using nogil = py::call_guard<py::gil_scoped_release>;

}  // namespace

void init_camera(py::module_& m) {
    py::class_<CameraHandle>(m, "VeltorCamera")
        .def(py::init<>())
        .def(
            "open",
            [](CameraHandle& h, Connection mode, int index) {
                return code(h.camera().open(mode, index));
            },
            py::arg("mode"), py::arg("index") = 0,
            "Initialize the camera configuration and turn on the camera, set the initialization "
            "frame according to the mode.\n\n- mode Specify the connection method.\n- index "
            "Device node, the default value is video0.")
        .def(
            "openWithFile",
            [](CameraHandle& h, const std::string& path, int index) {
                return code(h.camera().openWithFile(path.c_str(), index));
            },
            py::arg("path"), py::arg("index") = 0,
            "Initialize the camera configuration and turn on the camera, set the initialization "
            "frame according to the mode.\n\n- path Specify the config file path.\n- index "
            "Device node, the default value is video0.")
        .def(
            "close", [](CameraHandle& h) { return code(h.close()); }, nogil(), "Close the camera")
        .def(
            "start", [](CameraHandle& h, FrameType type) { return code(h.start(type)); },
            py::arg("type"), nogil(), "Start the camera stream and start processing.")
        .def(
            "stop", [](CameraHandle& h) { return code(h.stop()); }, nogil(),
            "Stop camera stream and processing.")
        .def(
            "getCameraID",
            [](CameraHandle& h) {
                const char* id = h.camera().getCameraID();
                return py::str(id != nullptr ? id : "");
            },
            "Get the camera ID.")
        .def(
            "setControl",
            [](CameraHandle& h, Control ctrl, int value) {
                return code(h.camera().setControl(ctrl, value));
            },
            py::arg("ctrl"), py::arg("value"), "Set camera parameters.")
        .def(
            "getControl",
            [](CameraHandle& h, Control ctrl) {
                int value = 0;
                h.camera().getControl(ctrl, &value);  // result code dropped
                return value;
            },
            py::arg("ctrl"), "Get camera parameters.")
        .def(
            "getCameraInfo", [](CameraHandle& h) { return h.camera().getCameraInfo(); },
            "Get camera information.")
        .def(
            "requestFrame",
            [](CameraHandle& h, int16_t timeout) { return makePyFrame(h.requestFrame(timeout)); },
            py::arg("timeout"), nogil(),
            "Request a frame of data from the frame processing thread.")
        .def(
            "releaseFrame",
            [](CameraHandle& h, PyFrame* frame) {
                return code(h.releaseFrame(frame != nullptr ? frame->record() : nullptr));
            },
            py::arg("frame"), nogil(), "Free the memory space of the frame.");
}

}  // namespace binding
}  // namespace Veltor
