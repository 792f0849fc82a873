#include "VeltorDeviceHQVGA.h"

#include <cstring>

#include "hqvga_depth.h"

namespace Veltor {

static_assert(VeltorDeviceHQVGA::kWidth == hqvga::kWidth && VeltorDeviceHQVGA::kHeight == hqvga::kHeight,
              "one geometry");

uint64_t VeltorDeviceHQVGA::packRange(uint32_t rangeMm, float modulationHz) {
    uint32_t bits;
    std::memcpy(&bits, &modulationHz, sizeof bits);
    return (uint64_t{rangeMm} << 32) | bits;
}

float VeltorDeviceHQVGA::modulationOf(uint64_t state) {
    const uint32_t bits = static_cast<uint32_t>(state);
    float hz;
    std::memcpy(&hz, &bits, sizeof hz);
    return hz;
}

VeltorDeviceHQVGA::VeltorDeviceHQVGA(PlatformKind platform)
    : platform(platform), sampleShift(platform == PLATFORM_JETSON ? 4 : 0) {}

int VeltorDeviceHQVGA::getDeviceType() { return HQVGA; }

const char* VeltorDeviceHQVGA::getCameraID() { return ""; }

void VeltorDeviceHQVGA::getFormats(FrameFormat* raw, FrameFormat* depth) {
    if (raw != nullptr) *raw = FrameFormat{kWidth, kHeight * kSubFrames, DEPTH, 0};
    if (depth != nullptr) *depth = FrameFormat{kWidth, kHeight, DEPTH, 0};
}

int VeltorDeviceHQVGA::init(VeltorTOFSensor* newSensor) {
    sensor = newSensor;
    return VeltorSuccess;
}

int VeltorDeviceHQVGA::close() { return VeltorSuccess; }
int VeltorDeviceHQVGA::prepareSensor() { return VeltorSuccess; }
int VeltorDeviceHQVGA::start() { return VeltorSuccess; }
int VeltorDeviceHQVGA::stop() { return VeltorSuccess; }

int VeltorDeviceHQVGA::setControl(Control control, int value) {
    if (control != RANGE) return VeltorInvalidParameter;
    if (sensor == nullptr) return VeltorUnkownError;
    const int r = sensor->setControl(RANGE, value);
    if (r != VeltorSuccess) return r;
    // Other ranges keep the frequency. Controls are serialised by the camera,
    // so only the capture thread reads concurrently.
    float hz = getModulationHz();
    if (value == 2000) {
        hz = 75000000.0f;
    } else if (value == 4000) {
        hz = 37500000.0f;
    }
    rangeState.store(packRange(static_cast<uint32_t>(value), hz), std::memory_order_relaxed);
    return VeltorSuccess;
}

int VeltorDeviceHQVGA::setControlExt(Control, const char*) { return VeltorInvalidParameter; }

int VeltorDeviceHQVGA::getControl(Control control, int* value) {
    if (value == nullptr) return VeltorUnkownError;
    switch (control) {
    case RANGE:
        *value = static_cast<int>(getRangeMm());
        return VeltorSuccess;
    // Fixed lens intrinsics of the module, x 100.
    case INTRINSIC_FX:
        *value = 19092;
        return VeltorSuccess;
    case INTRINSIC_FY:
        *value = 19125;
        return VeltorSuccess;
    case INTRINSIC_CX:
        *value = 12000;
        return VeltorSuccess;
    case INTRINSIC_CY:
        *value = 9000;
        return VeltorSuccess;
    default:
        if (sensor == nullptr) return VeltorUnkownError;
        return sensor->getControl(control, value);
    }
}

int VeltorDeviceHQVGA::getControlExt(Control, const char**) { return VeltorInvalidParameter; }

int VeltorDeviceHQVGA::getRawImages(const uint8_t* raw, int16_t* out) {
    for (uint32_t p = 0; p < kSubFrames; ++p) {
        const uint8_t* sub = raw + p * hqvga::kSubFrameBytes;
        for (uint32_t r = 0; r < kHeight; ++r) {
            int16_t* row = out + size_t(kSubFrames * r + p) * kWidth;
            for (uint32_t x = 0; x < kWidth; ++x) {
                row[x] = static_cast<int16_t>(
                    hqvga::convertSample(hqvga::loadSample(sub, size_t(r) * kWidth + x), sampleShift));
            }
        }
    }
    return 1;
}

bool VeltorDeviceHQVGA::getPhaseImage(const uint8_t* raw, float* depth, float* amplitude,
                                      float* confidence) {
    const uint64_t state = rangeState.load(std::memory_order_relaxed);
    const uint8_t* phase[4];
    hqvga::phaseOrder(raw, rangeOf(state), phase);
    hqvga::depthFast(phase, hqvga::kPixels, sampleShift, modulationOf(state), depth, amplitude, confidence);
    return true;
}

}  // namespace Veltor
