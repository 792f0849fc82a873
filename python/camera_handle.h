#pragma once
// Camera object behind the Python class VeltorCamera, and the record kept
// behind every Python frame object. Plain C++ (no Python API) so that the
// locking rules can be tested without an interpreter.
//
// A Python frame is a borrowed pointer into the camera's frame pool. The pool
// is freed when start rebuilds it or the camera is destroyed, and a released
// frame is refilled by the capture thread at any time. Each Python frame
// therefore carries a FrameRecord: the frame pointer, the pool generation it
// came from and whether it was released. Frame memory is read only while the
// pool lock is held and the record is still valid; start, releaseFrame and
// the destructor change the pool only under the same lock.

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>

#include "VeltorFrame.h"
#include "VeltorTOFCamera.h"
#include "VeltorTypes.h"

namespace Veltor {
namespace binding {

// State shared between one camera handle and the records of its frames.
struct PoolState {
    std::mutex mutex;         // guards every field and every read of frame memory
    uint64_t generation = 0;  // bumped whenever start replaced the frame pool
    bool alive = true;        // false once the camera was destroyed
};

// Everything a frame reader needs without touching frame memory, captured
// while the frame was held by the application.
struct FrameShape {
    bool depth = false;       // DepthData (depth, confidence, amplitude) or RawData
    FrameFormat raw;          // RawData: the RAW format
    FrameFormat depthFormat;  // DepthData: the DEPTH format
    FrameFormat amplitude;    // DepthData: the AMPLITUDE format
    FrameFormat confidence;   // DepthData: the CONFIDENCE format
};

class FrameRecord {
public:
    enum class State {
        Valid,
        Released,    // handed back with releaseFrame
        Stale,       // its pool was replaced by a later start
        CameraGone,  // the camera was destroyed
    };

    FrameRecord(std::shared_ptr<PoolState> pool, VeltorFrameBuffer* frame, uint64_t generation,
                const FrameShape& shape);

    const FrameShape& shape() const { return shape_; }
    State state();

    // Runs fn(frame) with the pool locked when the record is still valid and
    // returns the state it found. fn must not block or call back into Python.
    template <typename Fn>
    State withFrame(Fn&& fn) {
        std::lock_guard<std::mutex> lock(pool_->mutex);
        State s = stateLocked();
        if (s == State::Valid) {
            fn(*frame_);
        }
        return s;
    }

private:
    friend class CameraHandle;
    State stateLocked() const;

    std::shared_ptr<PoolState> pool_;
    VeltorFrameBuffer* frame_;
    uint64_t generation_;
    FrameShape shape_;
    bool released_ = false;  // guarded by pool_->mutex
};

// Text for a Python error raised when an invalid record is used.
const char* describe(FrameRecord::State state);

class CameraHandle {
public:
    // A camera built from the process defaults (the real back-ends).
    CameraHandle();
    explicit CameraHandle(std::unique_ptr<VeltorTOFCamera> camera);
    // Marks every outstanding record dead, then destroys the camera (which
    // joins a running capture thread but does not close the camera).
    ~CameraHandle();

    CameraHandle(const CameraHandle&) = delete;
    CameraHandle& operator=(const CameraHandle&) = delete;

    VeltorTOFCamera& camera() { return *camera_; }

    // When start rebuilds the frame pool, records of the old pool turn stale
    // under the pool lock, so no reader sees the old frames being freed.
    int start(FrameType type);
    int stop();
    int close();

    // Null on time-out; otherwise a record of the current pool generation.
    std::shared_ptr<FrameRecord> requestFrame(int16_t timeoutMs);
    // -1 for null, for a record of another camera and for a record that is no
    // longer valid (released already, stale, camera gone); otherwise the
    // camera's releaseFrame.
    int releaseFrame(FrameRecord* record);

private:
    std::unique_ptr<VeltorTOFCamera> camera_;
    std::shared_ptr<PoolState> pool_;
    // requestFrame holds it shared from the camera's hand-out until the
    // record has its generation; start holds it exclusively, so a frame of a
    // pool that start is about to free never gets a current generation.
    std::shared_mutex handoutMutex_;
};

}  // namespace binding
}  // namespace Veltor
