#pragma once
/// @file VeltorDeviceHQVGA.h
/// Device model of the 240 x 180 sensor: four phase sub-frames per capture,
/// depth and amplitude computed here with one arctangent per pixel.

#include <atomic>
#include <cstdint>

#include "VeltorDevice.h"

namespace Veltor {

class VeltorDeviceHQVGA : public VeltorDevice {
public:
    static constexpr uint32_t kWidth = 240;
    static constexpr uint32_t kHeight = 180;
    static constexpr uint32_t kSubFrames = 4;

    explicit VeltorDeviceHQVGA(PlatformKind platform);

    int getDeviceType() override;
    const char* getCameraID() override;
    void getFormats(FrameFormat* raw, FrameFormat* depth) override;
    int init(VeltorTOFSensor* sensor) override;
    int close() override;
    int prepareSensor() override;
    int start() override;
    int stop() override;
    int setControl(Control control, int value) override;
    int setControlExt(Control control, const char* value) override;
    int getControl(Control control, int* value) override;
    int getControlExt(Control control, const char** value) override;
    /// Four 240 x 180 sub-frames to one 240 x 720 image: output row 4r + p is
    /// row r of sub-frame p. Returns 1.
    int getRawImages(const uint8_t* raw, int16_t* out) override;
    bool getPhaseImage(const uint8_t* raw, float* depth, float* amplitude,
                       float* confidence) override;

    float getModulationHz() const { return modulationOf(rangeState.load(std::memory_order_relaxed)); }
    uint32_t getRangeMm() const { return rangeOf(rangeState.load(std::memory_order_relaxed)); }
    uint8_t getSampleShift() const { return sampleShift; }
    PlatformKind getPlatform() const { return platform; }

private:
    PlatformKind platform;
    VeltorTOFSensor* sensor = nullptr;  // borrowed
    // Range (high half) and modulation frequency (low half, float bits) in
    // one word: the range control writes them from the application's thread
    // while the capture thread reads them, and a frame must never see the
    // new range with the old frequency.
    static uint64_t packRange(uint32_t rangeMm, float modulationHz);
    static uint32_t rangeOf(uint64_t state) { return static_cast<uint32_t>(state >> 32); }
    static float modulationOf(uint64_t state);
    std::atomic<uint64_t> rangeState{packRange(4000, 37500000.0f)};
    uint8_t sampleShift;  // 4 on Jetson: the driver left-aligns 12-bit data
};

}  // namespace Veltor
