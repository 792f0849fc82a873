#pragma once
/// @file VeltorTOFCamera.h
/// The object an application holds for one time-of-flight camera.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "VeltorCameraOptions.h"
#include "VeltorDevice.h"
#include "VeltorFrame.h"
#include "VeltorTOFSensor.h"
#include "VeltorTypes.h"

namespace Veltor {

class FrameCache;

/// Opens a sensor back-end, picks the device model from the sensor's
/// resolution and, while streaming, runs one capture thread that fills a
/// pool of three frames. Every operation returns a TofErrorCode as int and
/// throws nothing.
class VeltorTOFCamera {
public:
    /// Uses VeltorCameraOptions::processDefaults().
    VeltorTOFCamera();
    explicit VeltorTOFCamera(const VeltorCameraOptions& options);
    /// Stops and joins a running capture thread; does not call close.
    ~VeltorTOFCamera();

    VeltorTOFCamera(const VeltorTOFCamera&) = delete;
    VeltorTOFCamera& operator=(const VeltorTOFCamera&) = delete;

    /// Creates the CSI ("/dev/video<index>") or USB back-end, opens it and
    /// picks the device model. -1 while streaming or for an unknown connect.
    int open(Connection connect, int index);
    /// Opens the USB back-end with a configuration file (null path: -1).
    int openWithFile(const char* path, int index);
    /// Picks the device model by resolution: 240 x 180 gives HQVGA (and a
    /// sub-frame count of 4), anything else VGA. Returns the model's init.
    int openPostHandle();
    int close();
    /// Starts streaming RAW or DEPTH frames. -1 while already streaming.
    int start(FrameType type);
    /// Stops and joins the capture thread; harmless when not streaming.
    int stop();
    /// Rebuilds the frame pool for RAW or DEPTH output; only while stopped.
    int setOutputType(FrameType type);

    /// Oldest ready frame, or null when the wait ends without one. A negative
    /// timeout waits until a frame arrives or the camera stops, 0 polls, a
    /// positive value waits at most that many milliseconds. The frame stays
    /// valid until released, until the next start, or until the camera is
    /// destroyed.
    VeltorFrameBuffer* requestFrame(int16_t timeoutMs);
    /// 0, or -1 when frame is not held by the application from the current
    /// pool (null, released already, or from a pool rebuilt since).
    int releaseFrame(VeltorFrameBuffer* frame);

    CameraInfo getCameraInfo();
    /// Identifier of the device model; "" when there is none.
    const char* getCameraID();

    int setControl(Control control, int value);
    int getControl(Control control, int* value);
    int setControlExt(Control control, const char* value);
    int getControlExt(Control control, const char** value);

    bool getPhaseImage(uint8_t* raw, float* depth, float* amplitude, float* confidence);
    int getRawImages(uint8_t* raw, int16_t* out);

    PlatformKind getPlatform() const { return platform; }
    /// Smoothed delivered frame rate (0 before the first frame).
    float getFps() const { return fpsPublished.load(std::memory_order_relaxed); }
    bool isStreaming() const { return !stopped.load(std::memory_order_acquire); }
    /// Number of times the frame pool was rebuilt; frames handed out before a
    /// change belong to a pool that no longer exists.
    uint64_t getPoolGeneration() const { return poolGeneration.load(std::memory_order_acquire); }

private:
    int openSensor(std::unique_ptr<VeltorTOFSensor> newSensor);
    int openPostHandleLocked();
    int stopLocked();
    int setOutputTypeLocked(FrameType type);
    int setControlLocked(Control control, int value);
    int getControlLocked(Control control, int* value);
    std::shared_ptr<FrameCache> currentCache();
    void stopAndJoinWorker();

    // Capture loop, on the worker thread.
    // overwritten: set once the node's frame is being replaced (false when
    // the capture fails or the frame is skipped before that).
    int analysisFrame(uint8_t* raw, size_t rawCapacity, LinkNode* node, bool* overwritten);
    void updateFps();
    void adjustFrameRate();
    void captureThread();

    VeltorCameraOptions options;

    CameraInfo info;
    FrameFormat rawFormat;
    FrameFormat depthFormat;
    std::unique_ptr<VeltorTOFSensor> sensor;
    std::unique_ptr<VeltorDevice> device;  // borrows sensor: destroyed first
    // Shared so that a requestFrame/releaseFrame in flight keeps the cache it
    // started on alive while start rebuilds it.
    std::shared_ptr<FrameCache> frameCache;
    std::mutex cacheMutex;  // guards the frameCache pointer
    std::atomic<uint64_t> poolGeneration{0};  // bumped with every new frameCache
    std::thread worker;
    std::atomic<bool> stopped{true};
    PlatformKind platform = PLATFORM_UNKNOWN;

    // Controls, written by the application's thread, read by the worker.
    std::atomic<int32_t> skipFrame{0};
    std::atomic<int32_t> skipFrameLoop{1};
    std::atomic<bool> autoFrameRate{true};
    uint32_t skipCounter = 0;

    // Frame-rate measurement, worker only (fpsPublished mirrors fps).
    float avgFrameIntervalMs = 0.0f;
    float fpsAlpha = 0.1f;
    float fps = 0.0f;
    int32_t fpsSamples = 0;
    int64_t lastFrameTime = 0;
    std::atomic<float> fpsPublished{0.0f};

    // Capture staging buffer owned by this camera; grows, never shrinks.
    std::vector<uint8_t> stagingBuffer;

    // Serialises the public lifecycle operations and controls. The worker
    // never takes it (stop holds it while joining the worker).
    std::recursive_mutex apiMutex;
    // Serialises every control that reaches the device model and sensor:
    // the application's controls (taken after apiMutex) and the worker's
    // frame-rate feedback. Never held across a sensor getFrame.
    std::mutex controlMutex;
};

}  // namespace Veltor
