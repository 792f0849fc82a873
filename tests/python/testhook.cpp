// _veltor_testhook: cameras on the scripted sensor for the Python tests.
//
// SensorScript wraps the test support's script (captures to deliver, control
// values, event log); SensorScript.camera() returns a VeltorDepthCamera
// .VeltorCamera whose back-ends are scripted sensors over that script, so
// the tests drive the public Python class without real hardware.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedSensor.h"
#include "camera_handle.h"

namespace py = pybind11;
using Veltor::binding::CameraHandle;
using Veltor::Control;
using namespace Veltor::testing;

namespace {

const char* kindName(SensorEvent::Kind kind) {
    switch (kind) {
        case SensorEvent::Created: return "Created";
        case SensorEvent::Destroyed: return "Destroyed";
        case SensorEvent::Open: return "Open";
        case SensorEvent::Close: return "Close";
        case SensorEvent::Start: return "Start";
        case SensorEvent::Stop: return "Stop";
        case SensorEvent::SetControl: return "SetControl";
        case SensorEvent::GetControl: return "GetControl";
        case SensorEvent::SetCtrl: return "SetCtrl";
        case SensorEvent::GetCtrl: return "GetCtrl";
        case SensorEvent::ReadReg: return "ReadReg";
        case SensorEvent::WriteReg: return "WriteReg";
        case SensorEvent::DeviceCreated: return "DeviceCreated";
        case SensorEvent::DeviceDestroyed: return "DeviceDestroyed";
        case SensorEvent::DeviceInit: return "DeviceInit";
        case SensorEvent::DevicePrepare: return "DevicePrepare";
        case SensorEvent::DeviceStart: return "DeviceStart";
        case SensorEvent::DeviceStop: return "DeviceStop";
        case SensorEvent::DeviceClose: return "DeviceClose";
        case SensorEvent::DeviceSetControl: return "DeviceSetControl";
        case SensorEvent::DeviceGetControl: return "DeviceGetControl";
    }
    return "?";
}

std::vector<uint8_t> toBytes(const py::bytes& b) {
    const std::string s = b;
    return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

PYBIND11_MODULE(_veltor_testhook, m) {
    // VeltorCamera, Control and the frame classes are registered there.
    py::module_::import("VeltorDepthCamera");

    py::class_<SensorScript, std::shared_ptr<SensorScript>>(m, "SensorScript")
        .def(py::init([](uint32_t width, uint32_t height, bool loop, bool sequenceTimestamps,
                         int idleWaitMs, int openResult, int startResult) {
                 SensorScriptConfig c;
                 c.width = width;
                 c.height = height;
                 c.loop = loop;
                 c.sequenceTimestamps = sequenceTimestamps;
                 c.idleWait = std::chrono::milliseconds(idleWaitMs);
                 c.openResult = openResult;
                 c.startResult = startResult;
                 return std::make_shared<SensorScript>(c);
             }),
             py::arg("width") = 240, py::arg("height") = 180, py::arg("loop") = false,
             py::arg("sequence_timestamps") = false, py::arg("idle_wait_ms") = 2,
             py::arg("open_result") = 0, py::arg("start_result") = 0)
        .def(
            "push",
            [](SensorScript& s, const py::bytes& bytes, uint64_t timestamp, int result) {
                s.push({toBytes(bytes), timestamp, result, 0});
            },
            py::arg("bytes") = py::bytes(), py::arg("timestamp") = 0, py::arg("result") = 0,
            "Queue one capture (all sub-frames back to back; empty bytes: zeros).")
        .def(
            "push_repeated",
            [](SensorScript& s, size_t n, uint64_t first, const py::bytes& bytes) {
                s.pushRepeated(n, first, 0, toBytes(bytes));
            },
            py::arg("n"), py::arg("first_timestamp") = 1, py::arg("bytes") = py::bytes())
        .def("pending", &SensorScript::pending)
        .def("served", &SensorScript::served)
        .def(
            "wait_served",
            [](SensorScript& s, size_t n, int timeoutMs) {
                return s.waitServed(n, std::chrono::milliseconds(timeoutMs));
            },
            py::arg("n"), py::arg("timeout_ms"), py::call_guard<py::gil_scoped_release>())
        .def("set_control_value", &SensorScript::setControlValue, py::arg("ctrl"),
             py::arg("value"))
        .def("set_control_result", &SensorScript::setControlResult, py::arg("ctrl"),
             py::arg("result"))
        .def("created_with", &SensorScript::createdWith)
        .def(
            "events",
            [](SensorScript& s) {
                py::list out;
                for (const SensorEvent& e : s.events()) {
                    out.append(py::make_tuple(kindName(e.kind), e.id, e.value, e.result));
                }
                return out;
            },
            "(kind, id, value, result) tuples in call order.")
        .def(
            "camera",
            [](const std::shared_ptr<SensorScript>& s, bool recording) {
                RecordingDeviceConfig rec;
                auto camera = std::make_unique<Veltor::VeltorTOFCamera>(
                    scriptedOptions(s, recording ? &rec : nullptr));
                return std::make_unique<CameraHandle>(std::move(camera));
            },
            py::arg("recording") = false,
            "A VeltorDepthCamera.VeltorCamera on scripted sensors over this script. With "
            "recording, the device model is the recording one (depth = first sub-frame's "
            "samples, amplitude 1, confidence 2) for every sensor size; otherwise 240 x 180 "
            "uses the real four-phase model.");
}
