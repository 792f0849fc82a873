#pragma once
/// @file VeltorFrame.h
/// Frame classes in which images travel from the capture thread to the
/// application, and the node that threads them through the camera's pool.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "VeltorTypes.h"

namespace Veltor {

/// A frame handed out by the camera. Frames are created and destroyed only
/// by the camera; the application borrows one between requestFrame and
/// releaseFrame.
class VeltorFrameBuffer {
public:
    virtual ~VeltorFrameBuffer() = default;
    /// Stores the capture time (milliseconds) in the frame's format(s).
    virtual void setTimestamp(uint64_t timestamp) = 0;
    /// The image of that type, or null when the frame has none.
    virtual void* getData(FrameType type) = 0;
    /// 0 and out filled, or -1 (out untouched) when the frame has no image of
    /// that type.
    virtual int getFormat(FrameType type, FrameFormat& out) = 0;

    VeltorFrameBuffer() = default;
    VeltorFrameBuffer(const VeltorFrameBuffer&) = delete;
    VeltorFrameBuffer& operator=(const VeltorFrameBuffer&) = delete;
};

/// One raw 16-bit image, row-major.
class RawData : public VeltorFrameBuffer {
public:
    RawData(uint32_t width, uint32_t height);
    void setTimestamp(uint64_t timestamp) override;
    void* getData(FrameType type) override;
    int getFormat(FrameType type, FrameFormat& out) override;

private:
    std::unique_ptr<int16_t[]> data;
    FrameFormat format;
};

/// Depth (millimetres), confidence and amplitude images of one geometry.
class DepthData : public VeltorFrameBuffer {
public:
    DepthData(uint32_t width, uint32_t height);
    void setTimestamp(uint64_t timestamp) override;
    void* getData(FrameType type) override;
    int getFormat(FrameType type, FrameFormat& out) override;

private:
    std::unique_ptr<float[]> confidence;
    std::unique_ptr<float[]> amplitude;
    std::unique_ptr<float[]> depth;
    FrameFormat depthFormat;
    FrameFormat amplitudeFormat;
};

/// View of the capture staging buffer; does not own the bytes.
/// height counts 2 x the sensor rows including sub-frames.
class CacheData : public VeltorFrameBuffer {
public:
    CacheData(uint8_t* data, uint32_t width, uint32_t height);
    void setTimestamp(uint64_t timestamp) override;
    void* getData(FrameType type) override;
    int getFormat(FrameType type, FrameFormat& out) override;

private:
    uint8_t* data;
    FrameFormat format;
};

/// Who holds a pool node at any time.
enum class NodeOwner : uint8_t {
    Free,         ///< in the free list
    Ready,        ///< in the ready queue
    Capture,      ///< being filled by the capture thread
    Application,  ///< handed out by requestFrame, not yet released
};

/// A pool node: list link plus the frame it owns.
struct LinkNode {
    LinkNode* next = nullptr;
    std::unique_ptr<VeltorFrameBuffer> frame;
    NodeOwner owner = NodeOwner::Free;
};

}  // namespace Veltor
