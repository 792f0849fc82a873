// Enumerations of the camera side. Members live on their class only (no
// export_values) and are registered in the documented order, which is the
// order of __members__.
#include <pybind11/pybind11.h>

#include "VeltorTypes.h"
#include "bindings.h"

namespace py = pybind11;

namespace Veltor {
namespace binding {

void init_enums(py::module_& m) {
    py::enum_<TofErrorCode>(m, "TofErrorCode")
        .value("VeltorSuccess", VeltorSuccess)
        .value("VeltorInvalidParameter", VeltorInvalidParameter)
        .value("VeltorNoCache", VeltorNoCache)
        .value("VeltorUnkownDevice", VeltorUnkownDevice)
        .value("VeltorNotImplemented", VeltorNotImplemented)
        .value("VeltorNoPermission", VeltorNoPermission)
        .value("VeltorSkipFrame", VeltorSkipFrame)
        .value("VeltorSystemError", VeltorSystemError)
        .value("VeltorUnkownError", VeltorUnkownError)
        .def(
            "str", [](TofErrorCode code) { return std::string(to_str(code)); },
            "Text of the result code.");

    py::enum_<Connection>(m, "Connection").value("CSI", CSI).value("USB", USB);

    py::enum_<DeviceType>(m, "DeviceType").value("VGA", VGA).value("HQVGA", HQVGA);

    py::enum_<FrameType>(m, "FrameType")
        .value("RAW", RAW)
        .value("DEPTH", DEPTH)
        .value("CONFIDENCE", CONFIDENCE)
        .value("AMPLITUDE", AMPLITUDE)
        .value("CACHE", CACHE);

    py::enum_<Control>(m, "Control")
        .value("RANGE", RANGE)
        .value("FMT_WIDTH", FMT_WIDTH)
        .value("FMT_HEIGHT", FMT_HEIGHT)
        .value("MODE", MODE)
        .value("FRAME_MODE", FRAME_MODE)
        .value("EXPOSURE", EXPOSURE)
        .value("FRAME_RATE", FRAME_RATE)
        .value("SKIP_FRAME", SKIP_FRAME)
        .value("SKIP_FRAME_LOOP", SKIP_FRAME_LOOP)
        .value("AUTO_FRAME_RATE", AUTO_FRAME_RATE)
        .value("INTRINSIC_FX", INTRINSIC_FX)
        .value("INTRINSIC_FY", INTRINSIC_FY)
        .value("INTRINSIC_CX", INTRINSIC_CX)
        .value("INTRINSIC_CY", INTRINSIC_CY)
        .value("DENOISE", DENOISE)
        .value("HFLIP", HFLIP)
        .value("VFLIP", VFLIP)
        .value("CONFIG_DIR_EXT", CONFIG_DIR_EXT)
        .value("LOAD_CALI_DATA", LOAD_CALI_DATA)
        .value("SAVE_CALI_DATA", SAVE_CALI_DATA)
        .value("I2C_BY_PASS", I2C_BY_PASS)
        .value("I2C_BUS_NUM", I2C_BUS_NUM);

    py::enum_<TofWorkMode>(m, "TofWorkMode")
        .value("SINGLE_FREQ", TofWorkMode::SINGLE_FREQ)
        .value("DOUBLE_FREQ", TofWorkMode::DOUBLE_FREQ)
        .value("TRIPLE_FREQ", TofWorkMode::TRIPLE_FREQ)
        .value("QUAD_FREQ", TofWorkMode::QUAD_FREQ)
        .value("DISTANCE", TofWorkMode::DISTANCE)
        .value("HDR", TofWorkMode::HDR)
        .value("AE", TofWorkMode::AE)
        .value("BG_OUTDOOR", TofWorkMode::BG_OUTDOOR)
        .value("GRAY_ONLY", TofWorkMode::GRAY_ONLY)
        .value("CUSTOM1", TofWorkMode::CUSTOM1)
        .value("CUSTOM2", TofWorkMode::CUSTOM2)
        .value("CUSTOM3", TofWorkMode::CUSTOM3)
        .def("__int__", [](TofWorkMode mode) { return static_cast<int>(mode); });

    using FWM = TofFrameWorkMode;
    py::enum_<FWM>(m, "TofFrameWorkMode")
        .value("SINGLE_FREQ_2PHASE", FWM::SINGLE_FREQ_2PHASE)
        .value("SINGLE_FREQ_4PHASE", FWM::SINGLE_FREQ_4PHASE)
        .value("SINGLE_FREQ_4PHASE_GRAY", FWM::SINGLE_FREQ_4PHASE_GRAY)
        .value("SINGLE_FREQ_4PHASE_BG", FWM::SINGLE_FREQ_4PHASE_BG)
        .value("SINGLE_FREQ_4PHASE_4BG", FWM::SINGLE_FREQ_4PHASE_4BG)
        .value("SINGLE_FREQ_4PHASE_GRAY_5BG", FWM::SINGLE_FREQ_4PHASE_GRAY_5BG)
        .value("SINGLE_FREQ_GRAY_BG_4PHASE_GRAY_BG", FWM::SINGLE_FREQ_GRAY_BG_4PHASE_GRAY_BG)
        .value("SINGLE_FREQ_GRAY_BG_4PHASE_BG", FWM::SINGLE_FREQ_GRAY_BG_4PHASE_BG)
        .value("SINGLE_FREQ_BG_GRAY_BG_4PHASE", FWM::SINGLE_FREQ_BG_GRAY_BG_4PHASE)
        .value("SINGLE_FREQ_BG_4PHASE_BG_GRAY", FWM::SINGLE_FREQ_BG_4PHASE_BG_GRAY)
        .value("DOUBLE_FREQ_4PHASE", FWM::DOUBLE_FREQ_4PHASE)
        .value("DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG", FWM::DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG)
        .value("DOUBLE_FREQ_4PHASE_4BG", FWM::DOUBLE_FREQ_4PHASE_4BG)
        .value("DOUBLE_FREQ_4PHASE_GRAY_5BG", FWM::DOUBLE_FREQ_4PHASE_GRAY_5BG)
        .value("TRIPLE_FREQ_4PHASE", FWM::TRIPLE_FREQ_4PHASE)
        .value("TRIPLE_FREQ_4PHASE_GRAY_4PHASE_GRAY_4PHASE_BG",
               FWM::TRIPLE_FREQ_4PHASE_GRAY_4PHASE_GRAY_4PHASE_BG)
        .value("QUAD_FREQ_4PHASE", FWM::QUAD_FREQ_4PHASE)
        .value("QUAD_FREQ_4PHASE_GRAY_4PHASE_BG_4PHASE_GRAY_4PHASE_BG",
               FWM::QUAD_FREQ_4PHASE_GRAY_4PHASE_BG_4PHASE_GRAY_4PHASE_BG)
        .value("BG_OUTDOOR", FWM::BG_OUTDOOR)
        .value("GRAY_ONLY", FWM::GRAY_ONLY)
        .value("CUSTOM", FWM::CUSTOM)
        .def("__int__", [](TofFrameWorkMode mode) { return static_cast<int>(mode); });
}

}  // namespace binding
}  // namespace Veltor
