// Value classes (FrameFormat, CameraInfo) and frame classes (Frame, RawData,
// DepthData). Frame images are returned as new C-contiguous NumPy arrays of
// shape (height, width) that own a copy of the pixels, so they outlive the
// frame. A frame that was released, whose pool was replaced by a later start
// or whose camera is gone raises RuntimeError instead of reading its memory.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <cstring>

#include "bindings.h"
#include "python_frames.h"

namespace py = pybind11;

namespace Veltor {
namespace binding {

std::unique_ptr<PyFrame> makePyFrame(std::shared_ptr<FrameRecord> record) {
    if (!record) {
        return nullptr;
    }
    if (record->shape().depth) {
        return std::make_unique<PyDepthData>(std::move(record));
    }
    return std::make_unique<PyRawData>(std::move(record));
}

namespace {

void throwIfInvalid(FrameRecord::State state) {
    if (state != FrameRecord::State::Valid) {
        throw std::runtime_error(describe(state));
    }
}

// Checks the record with the interpreter lock released: the pool lock may be
// held by a start running on another thread.
void checkValid(FrameRecord& record) {
    FrameRecord::State state;
    {
        py::gil_scoped_release nogil;
        state = record.state();
    }
    throwIfInvalid(state);
}

FrameFormat validFormat(const PyFrame& frame, const FrameFormat& format) {
    checkValid(*frame.record());
    return format;
}

// Copies the image `type` (whose own geometry is `source`) into a new array
// of the geometry `shape`. Never reads more than the image holds; pixels the
// image does not cover are zero.
template <typename T>
py::array_t<T> copyImage(FrameRecord& record, FrameType type, const FrameFormat& source,
                         const FrameFormat& shape) {
    py::array_t<T> array({static_cast<py::ssize_t>(shape.height),
                          static_cast<py::ssize_t>(shape.width)});
    T* out = array.mutable_data();
    const size_t wanted = static_cast<size_t>(shape.width) * shape.height;
    const size_t available = static_cast<size_t>(source.width) * source.height;
    FrameRecord::State state;
    {
        // The interpreter lock is not needed to fill an array nobody else
        // sees yet; dropping it keeps other threads running while a start
        // on another thread holds the pool lock.
        py::gil_scoped_release nogil;
        state = record.withFrame([&](VeltorFrameBuffer& frame) {
            const T* in = static_cast<const T*>(frame.getData(type));
            const size_t n = in != nullptr ? std::min(wanted, available) : 0;
            if (n > 0) {
                std::memcpy(out, in, n * sizeof(T));
            }
            std::fill(out + n, out + wanted, T(0));
        });
    }
    throwIfInvalid(state);
    return array;
}

void ignoreValue(PyFrame&, const py::object&) {}

}  // namespace

void init_frames(py::module_& m) {
    py::class_<FrameFormat>(m, "FrameFormat")
        .def_readwrite("width", &FrameFormat::width)
        .def_readwrite("height", &FrameFormat::height)
        .def_readwrite("type", &FrameFormat::type)
        .def_readwrite("timestamp", &FrameFormat::timestamp);

    py::class_<CameraInfo>(m, "CameraInfo")
        .def_readwrite("index", &CameraInfo::index)
        .def_readwrite("connect", &CameraInfo::connect)
        .def_readwrite("device_type", &CameraInfo::device_type)
        .def_readwrite("type", &CameraInfo::type)
        .def_readwrite("width", &CameraInfo::width)
        .def_readwrite("height", &CameraInfo::height)
        .def_readwrite("bit_width", &CameraInfo::bit_width)
        .def_readwrite("bpp", &CameraInfo::bpp);

    py::class_<PyFrame>(m, "Frame")
        .def_property(
            "data", [](PyFrame&) { return py::dict(); }, &ignoreValue, "Frame data")
        .def_property(
            "format", [](PyFrame&) { return FrameFormat{}; }, &ignoreValue,
            "Frame data format");

    py::class_<PyRawData, PyFrame>(m, "RawData")
        .def_property(
            "data",
            [](PyRawData& f) {
                const FrameShape& s = f.record()->shape();
                py::dict d;
                d["raw"] = copyImage<int16_t>(*f.record(), RAW, s.raw, s.raw);
                return d;
            },
            &ignoreValue, "Frame data")
        .def_property(
            "raw_data",
            [](PyRawData& f) {
                const FrameShape& s = f.record()->shape();
                return copyImage<int16_t>(*f.record(), RAW, s.raw, s.raw);
            },
            &ignoreValue, "Frame data(raw data)")
        .def_property(
            "format", [](PyRawData& f) { return validFormat(f, f.record()->shape().raw); },
            &ignoreValue, "Frame data format");

    py::class_<PyDepthData, PyFrame>(m, "DepthData")
        .def_property(
            "data",
            [](PyDepthData& f) {
                FrameRecord& r = *f.record();
                const FrameShape& s = r.shape();
                py::dict d;
                d["depth"] = copyImage<float>(r, DEPTH, s.depthFormat, s.depthFormat);
                d["confidence"] = copyImage<float>(r, CONFIDENCE, s.confidence, s.depthFormat);
                d["amplitude"] = copyImage<float>(r, AMPLITUDE, s.amplitude, s.depthFormat);
                return d;
            },
            &ignoreValue, "Frame data")
        .def_property(
            "depth_data",
            [](PyDepthData& f) {
                const FrameShape& s = f.record()->shape();
                return copyImage<float>(*f.record(), DEPTH, s.depthFormat, s.depthFormat);
            },
            &ignoreValue, "Frame data(depth data)")
        .def_property(
            "confidence_data",
            [](PyDepthData& f) {
                const FrameShape& s = f.record()->shape();
                return copyImage<float>(*f.record(), CONFIDENCE, s.confidence, s.confidence);
            },
            &ignoreValue, "Frame data(confidence data)")
        .def_property(
            "amplitude_data",
            [](PyDepthData& f) {
                const FrameShape& s = f.record()->shape();
                return copyImage<float>(*f.record(), AMPLITUDE, s.amplitude, s.amplitude);
            },
            &ignoreValue, "Frame data(amplitude data)")
        .def_property(
            "format",
            [](PyDepthData& f) { return validFormat(f, f.record()->shape().depthFormat); },
            &ignoreValue, "Frame data format");
}

}  // namespace binding
}  // namespace Veltor
