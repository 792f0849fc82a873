#include "VeltorTOFSensor.h"

namespace Veltor {

int VeltorTOFSensor::setStdControl(Control control, int value) {
    switch (control) {
    case EXPOSURE:
        if (value < kExposureMin || value > kExposureMax) return VeltorInvalidParameter;
        return setCtrl(kDriverCtrlExposure, value);
    case FRAME_RATE:
        return setCtrl(kDriverCtrlFrameRate, value);
    case HFLIP:
        return setCtrl(kDriverCtrlHFlip, value);
    case VFLIP:
        return setCtrl(kDriverCtrlVFlip, value);
    default:
        return VeltorNotImplemented;
    }
}

int VeltorTOFSensor::updateReg(uint32_t address, uint32_t mask, uint32_t bits) {
    std::lock_guard<std::mutex> lock(registerMutex);
    uint32_t current = 0;
    int r = readReg(address, &current);
    if (r != VeltorSuccess) return r;
    return writeReg(address, (current & ~mask) | (bits & mask));
}

}  // namespace Veltor
