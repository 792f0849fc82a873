#pragma once
/// @file VeltorTOFUSBSensor.h
/// Sensor back-end for a ToF sensor reached over USB through the evaluation
/// kit's library (libveltor_evk_sdk).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "VeltorTOFSensor.h"
#include "VeltorTypes.h"
#include "veltor_evk_sdk.h"

namespace Veltor {

/// Registers of the kit's driver-control tunnel: the control id goes to
/// kUsbCtrlSelectReg, its value is then written to or read from
/// kUsbCtrlValueReg.
constexpr uint32_t kUsbCtrlSelectReg = 0x0401;
constexpr uint32_t kUsbCtrlValueReg = 0x0406;
/// Capture time-out given to the kit, milliseconds.
constexpr uint32_t kUsbCaptureTimeoutMs = 2000;
/// Sub-frames of one capture arriving this many milliseconds or more apart
/// belong to different captures: the capture starts over.
constexpr uint64_t kUsbSubFrameGapMs = 6;
/// Restarts allowed within one getFrame before it fails with -2, so a kit
/// whose sub-frames always arrive late cannot hold the capture thread.
constexpr int kUsbMaxSubFrameRestarts = 8;
/// Mode value of a kit that leaves the sensor's I2C bus to the host.
constexpr uint16_t kUsbModeNoBypass = 0x18;

class VeltorTOFUSBSensor : public VeltorTOFSensor {
public:
    /// configPath: configuration file for the kit ("" for none); index: device
    /// index given by the camera (kept, not used by the kit calls).
    VeltorTOFUSBSensor(const std::string& configPath, int index);
    /// Stops and closes the kit if that was not done.
    ~VeltorTOFUSBSensor() override;

    int open(CameraInfo& cameraInfo) override;
    int close() override;
    int start() override;
    int stop() override;
    CameraInfo getCameraInfo() override;
    int getFrame(uint8_t* out, size_t capacity, uint64_t* timestamp) override;
    int setControl(Control control, int value) override;
    int getControl(Control control, int* value) override;
    int readReg(uint32_t address, uint32_t* value) override;
    int writeReg(uint32_t address, uint32_t value) override;
    int setCtrl(uint32_t id, int value) override;
    int getCtrl(uint32_t id, int* value) override;

    /// Captures to discard before the next delivered sub-frame.
    void setFramesToDrop(int32_t count) { framesToDrop.store(count, std::memory_order_relaxed); }
    int32_t getFramesToDrop() const { return framesToDrop.load(std::memory_order_relaxed); }
    bool isStreaming() const { return streaming.load(std::memory_order_acquire); }
    bool isBypass() const { return i2cBypass.load(std::memory_order_relaxed); }
    const std::string& getConfigPath() const { return configPath; }
    int getIndex() const { return index; }

    /// True when path names a ".bin" file (its last four characters); a path
    /// shorter than that is not one.
    static bool hasBinSuffix(const std::string& path);
    /// Bytes one sub-frame takes in getFrame's output: 16-bit samples.
    size_t outputBytesPerSubFrame() const;

private:
    size_t convertSubFrame(const VeltorFrame& f, uint8_t* out) const;

    VeltorCameraHandle handle = nullptr;
    VeltorFrame frame{};
    CameraInfo info;
    std::atomic<bool> streaming{false};
    std::atomic<bool> i2cBypass{false};
    bool hflip = false;
    bool vflip = false;
    std::string configPath;
    int32_t index;
    std::atomic<int32_t> framesToDrop{0};  // may be set while streaming
    // The tunnel takes two register accesses under registerMutex; a second
    // caller must not re-select the control in between.
};

}  // namespace Veltor
