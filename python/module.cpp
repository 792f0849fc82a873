// Module definition of VeltorDepthCamera. PYBIND11_MODULE refuses to load
// into an interpreter of another minor version than the one it was compiled
// for ("Python version mismatch: module was compiled for Python %s, but the
// interpreter version is incompatible: %s.").
#include <pybind11/pybind11.h>

#include "bindings.h"

namespace py = pybind11;

PYBIND11_MODULE(VeltorDepthCamera, m) {
    m.doc() = "Time-of-flight depth camera: camera object, controls and frames as NumPy arrays.";
    m.attr("__version__") = VELTOR_MODULE_VERSION;
    Veltor::binding::init_enums(m);
    Veltor::binding::init_frames(m);
    Veltor::binding::init_camera(m);
}
