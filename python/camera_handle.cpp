#include "camera_handle.h"

#include <utility>

namespace Veltor {
namespace binding {

FrameRecord::FrameRecord(std::shared_ptr<PoolState> pool, VeltorFrameBuffer* frame,
                         uint64_t generation, const FrameShape& shape)
    : pool_(std::move(pool)), frame_(frame), generation_(generation), shape_(shape) {}

FrameRecord::State FrameRecord::state() {
    std::lock_guard<std::mutex> lock(pool_->mutex);
    return stateLocked();
}

FrameRecord::State FrameRecord::stateLocked() const {
    if (!pool_->alive) {
        return State::CameraGone;
    }
    if (pool_->generation != generation_) {
        return State::Stale;
    }
    return released_ ? State::Released : State::Valid;
}

const char* describe(FrameRecord::State state) {
    switch (state) {
        case FrameRecord::State::Valid:
            return "frame is valid";
        case FrameRecord::State::Released:
            return "frame was released with releaseFrame and may no longer be used";
        case FrameRecord::State::Stale:
            return "frame belongs to a frame pool replaced by a later start and may no longer be used";
        case FrameRecord::State::CameraGone:
            return "frame belongs to a camera that was destroyed and may no longer be used";
    }
    return "frame may no longer be used";
}

CameraHandle::CameraHandle() : CameraHandle(std::make_unique<VeltorTOFCamera>()) {}

CameraHandle::CameraHandle(std::unique_ptr<VeltorTOFCamera> camera)
    : camera_(std::move(camera)), pool_(std::make_shared<PoolState>()) {}

CameraHandle::~CameraHandle() {
    {
        std::unique_lock<std::shared_mutex> handout(handoutMutex_);
        std::lock_guard<std::mutex> lock(pool_->mutex);
        pool_->alive = false;
    }
    camera_.reset();
}

int CameraHandle::start(FrameType type) {
    std::unique_lock<std::shared_mutex> handout(handoutMutex_);
    std::lock_guard<std::mutex> lock(pool_->mutex);
    const uint64_t before = camera_->getPoolGeneration();
    const int rc = camera_->start(type);
    // A start that fails after rebuilding the pool has freed the old frames
    // all the same, so the camera's own count decides, not the result.
    if (camera_->getPoolGeneration() != before) {
        ++pool_->generation;
    }
    return rc;
}

int CameraHandle::stop() { return camera_->stop(); }

int CameraHandle::close() { return camera_->close(); }

std::shared_ptr<FrameRecord> CameraHandle::requestFrame(int16_t timeoutMs) {
    std::shared_lock<std::shared_mutex> handout(handoutMutex_);
    VeltorFrameBuffer* frame = camera_->requestFrame(timeoutMs);
    if (frame == nullptr) {
        return nullptr;
    }
    // The frame is held by the application now: neither the capture thread
    // nor start (excluded by handoutMutex_) touches it while its shape is read.
    FrameShape shape;
    shape.depth = frame->getFormat(DEPTH, shape.depthFormat) == 0;
    if (shape.depth) {
        frame->getFormat(AMPLITUDE, shape.amplitude);
        frame->getFormat(CONFIDENCE, shape.confidence);
    } else {
        frame->getFormat(RAW, shape.raw);
    }
    return std::make_shared<FrameRecord>(pool_, frame, pool_->generation, shape);
}

int CameraHandle::releaseFrame(FrameRecord* record) {
    if (record == nullptr || record->pool_ != pool_) {
        return VeltorUnkownError;
    }
    std::lock_guard<std::mutex> lock(pool_->mutex);
    if (record->stateLocked() != FrameRecord::State::Valid) {
        return VeltorUnkownError;
    }
    const int rc = camera_->releaseFrame(record->frame_);
    if (rc == 0) {
        record->released_ = true;
    }
    return rc;
}

}  // namespace binding
}  // namespace Veltor
