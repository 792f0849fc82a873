#pragma once
// Registration functions of the module, one per area, called in this order
// (the frame and camera classes refer to the enumerations and value classes).
#include <pybind11/pybind11.h>

namespace Veltor {
namespace binding {

void init_enums(pybind11::module_& m);   // enumerations
void init_frames(pybind11::module_& m);  // FrameFormat, CameraInfo, Frame, RawData, DepthData
void init_camera(pybind11::module_& m);  // VeltorCamera

}  // namespace binding
}  // namespace Veltor
