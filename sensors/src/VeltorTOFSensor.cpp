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

}  // namespace Veltor
