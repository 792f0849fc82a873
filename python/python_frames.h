#pragma once
// C++ side of the Python frame classes Frame, RawData and DepthData. Each
// Python frame object owns a fresh instance holding the record of the frame
// it was handed out for, so two hand-outs of the same pool frame never share
// a Python object.
#include <memory>

#include "camera_handle.h"

namespace Veltor {
namespace binding {

class PyFrame {
public:
    explicit PyFrame(std::shared_ptr<FrameRecord> record) : record_(std::move(record)) {}
    virtual ~PyFrame() = default;
    FrameRecord* record() const { return record_.get(); }

private:
    std::shared_ptr<FrameRecord> record_;
};

class PyRawData final : public PyFrame {
public:
    using PyFrame::PyFrame;
};

class PyDepthData final : public PyFrame {
public:
    using PyFrame::PyFrame;
};

// RawData or DepthData for the record's frame kind; null for a null record.
std::unique_ptr<PyFrame> makePyFrame(std::shared_ptr<FrameRecord> record);

}  // namespace binding
}  // namespace Veltor
