#pragma once
/// @file VeltorTOFSensor.h
/// Interface of a sensor back-end: opens the camera, streams raw frames and
/// reaches the sensor's registers and driver controls.

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "VeltorTypes.h"

namespace Veltor {

/// Driver control identifiers (V4L2 control ids).
constexpr uint32_t kDriverCtrlRange = 0x00981901;
constexpr uint32_t kDriverCtrlFrameRate = 0x00981906;
constexpr uint32_t kDriverCtrlExposure = 0x00980911;
constexpr uint32_t kDriverCtrlHFlip = 0x00980914;
constexpr uint32_t kDriverCtrlVFlip = 0x00980915;

/// Valid exposure values for the driver exposure control.
constexpr int kExposureMin = 1;
constexpr int kExposureMax = 65523;

class VeltorTOFSensor {
public:
    virtual ~VeltorTOFSensor() = default;

    /// Opens the device; fills cameraInfo.width, height, bit_width and bpp
    /// (the camera passes its own info, index and connect already set).
    virtual int open(CameraInfo& cameraInfo) = 0;
    virtual int close() = 0;
    /// Starts streaming.
    virtual int start() = 0;
    virtual int stop() = 0;
    virtual CameraInfo getCameraInfo() = 0;
    /// Fills out with getSubFrameCount() raw sub-frames back to back and sets
    /// the capture time in milliseconds. capacity is the size of out in
    /// bytes; a capture that would not fit fails without writing past it.
    virtual int getFrame(uint8_t* out, size_t capacity, uint64_t* timestamp) = 0;
    virtual int setControl(Control control, int value) = 0;
    virtual int getControl(Control control, int* value) = 0;
    virtual int readReg(uint32_t address, uint32_t* value) = 0;
    virtual int writeReg(uint32_t address, uint32_t value) = 0;
    /// Raw driver control write / read.
    virtual int setCtrl(uint32_t id, int value) = 0;
    virtual int getCtrl(uint32_t id, int* value) = 0;

    /// EXPOSURE (outside 1..65523 gives 1), FRAME_RATE, HFLIP and VFLIP map
    /// onto their driver controls through setCtrl; any other control gives 4.
    int setStdControl(Control control, int value);

    /// Read-modify-write of a register: the bits under mask take those of
    /// bits, the others are kept. Serialised per sensor, so two updates of
    /// one register from different threads cannot lose either write. Returns
    /// the code of the first failing access.
    int updateReg(uint32_t address, uint32_t mask, uint32_t bits);

    /// Driver frames that make up one capture: 1 unless the camera sets it
    /// (4 for the 240 x 180 sensor).
    uint32_t getSubFrameCount() const { return subFrameCount; }
    void setSubFrameCount(uint32_t count) { subFrameCount = count; }

protected:
    VeltorTOFSensor() = default;
    VeltorTOFSensor(const VeltorTOFSensor&) = delete;
    VeltorTOFSensor& operator=(const VeltorTOFSensor&) = delete;

    uint32_t subFrameCount = 1;
    // Held across the accesses of one register update or of one tunnelled
    // driver control, never across getFrame.
    std::mutex registerMutex;
};

}  // namespace Veltor
