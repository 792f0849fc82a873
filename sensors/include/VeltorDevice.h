#pragma once
/// @file VeltorDevice.h
/// Interface of a device model: knows what the raw frames of one sensor
/// family mean and turns them into images.

#include <cstdint>

#include "VeltorTOFSensor.h"
#include "VeltorTypes.h"

namespace Veltor {

class VeltorDevice {
public:
    virtual ~VeltorDevice() = default;

    /// 0 for VGA, 1 for HQVGA (DeviceType).
    virtual int getDeviceType() = 0;
    /// Module identifier; never null ("" when unknown).
    virtual const char* getCameraID() = 0;
    /// Geometry of the model's raw frame and of its depth images.
    virtual void getFormats(FrameFormat* raw, FrameFormat* depth) = 0;
    /// Borrows the sensor; the camera destroys the model before the sensor.
    virtual int init(VeltorTOFSensor* sensor) = 0;
    virtual int close() = 0;
    /// Lets the model size the sensor's frames before the sensor starts.
    virtual int prepareSensor() = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    virtual int setControl(Control control, int value) = 0;
    virtual int setControlExt(Control control, const char* value) = 0;
    virtual int getControl(Control control, int* value) = 0;
    virtual int getControlExt(Control control, const char** value) = 0;
    /// Raw capture (sub-frames back to back) to the model's raw image.
    virtual int getRawImages(const uint8_t* raw, int16_t* out) = 0;
    /// Raw capture to depth (mm), amplitude and confidence images of the
    /// model's depth geometry; false drops the frame.
    virtual bool getPhaseImage(const uint8_t* raw, float* depth, float* amplitude,
                               float* confidence) = 0;

protected:
    VeltorDevice() = default;
    VeltorDevice(const VeltorDevice&) = delete;
    VeltorDevice& operator=(const VeltorDevice&) = delete;
};

}  // namespace Veltor
