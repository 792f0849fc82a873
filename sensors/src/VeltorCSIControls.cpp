#include "VeltorCSIControls.h"

#include <linux/videodev2.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "VeltorTOFSensor.h"

namespace Veltor {

namespace {

int systemIoctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }

}  // namespace

V4l2DriverControlIo::V4l2DriverControlIo(int subdevFd, IoctlFn fn)
    : fd(subdevFd), ioctlFn(fn != nullptr ? fn : systemIoctl) {}

int V4l2DriverControlIo::call(unsigned long request, void* arg) {
    if (fd < 0) return VeltorUnkownError;
    int r;
    do {
        r = ioctlFn(fd, request, arg);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? VeltorUnkownError : VeltorSuccess;
}

int V4l2DriverControlIo::getCtrl(uint32_t id, int* value) {
    if (value == nullptr) return VeltorUnkownError;
    v4l2_control ctrl{};
    ctrl.id = id;
    const int r = call(VIDIOC_G_CTRL, &ctrl);
    if (r == VeltorSuccess) *value = ctrl.value;
    return r;
}

int V4l2DriverControlIo::setCtrl(uint32_t id, int value) {
    v4l2_control ctrl{};
    ctrl.id = id;
    ctrl.value = value;
    return call(VIDIOC_S_CTRL, &ctrl);
}

VeltorCSIControls::VeltorCSIControls(DriverControlIo& driver, int bus) : io(driver), busNumber(bus) {}

int VeltorCSIControls::setCtrlLocked(uint32_t id, int value) {
    return io.setCtrl(id, value) == 0 ? VeltorSuccess : VeltorUnkownError;
}

int VeltorCSIControls::getCtrlLocked(uint32_t id, int* value) {
    int v = 0;
    if (io.getCtrl(id, &v) != 0) return VeltorUnkownError;
    *value = v;
    return VeltorSuccess;
}

int VeltorCSIControls::setCtrl(uint32_t id, int value) {
    std::lock_guard<std::mutex> lock(mutex);
    return setCtrlLocked(id, value);
}

int VeltorCSIControls::getCtrl(uint32_t id, int* value) {
    if (value == nullptr) return VeltorUnkownError;
    std::lock_guard<std::mutex> lock(mutex);
    return getCtrlLocked(id, value);
}

int VeltorCSIControls::setControl(Control control, int value) {
    std::lock_guard<std::mutex> lock(mutex);
    switch (control) {
    case RANGE:
        if (value == 2000) return setCtrlLocked(kDriverCtrlRange, kCsiRangeShortValue);
        if (value == 4000) return setCtrlLocked(kDriverCtrlRange, kCsiRangeLongValue);
        return VeltorInvalidParameter;
    case FMT_WIDTH:
        width = static_cast<uint32_t>(value);
        return VeltorSuccess;
    case FMT_HEIGHT:
        height = static_cast<uint32_t>(value);
        return VeltorSuccess;
    case EXPOSURE:
        if (value < kExposureMin || value > kExposureMax) return VeltorInvalidParameter;
        return setCtrlLocked(kDriverCtrlExposure, value);
    case FRAME_RATE:
        return setCtrlLocked(kDriverCtrlFrameRate, value);
    case HFLIP:
        return setCtrlLocked(kDriverCtrlHFlip, value);
    case VFLIP:
        return setCtrlLocked(kDriverCtrlVFlip, value);
    case I2C_BY_PASS:
        // Registers are reached through the driver only.
        return VeltorInvalidParameter;
    case I2C_BUS_NUM:
        // Fixed by the board: read-only.
        return VeltorNotImplemented;
    default:
        return VeltorNotImplemented;
    }
}

int VeltorCSIControls::getControl(Control control, int* value) {
    if (value == nullptr) return VeltorUnkownError;
    std::lock_guard<std::mutex> lock(mutex);
    switch (control) {
    case RANGE: {
        int v = 0;
        const int r = getCtrlLocked(kDriverCtrlRange, &v);
        if (r != VeltorSuccess) return r;
        *value = v != 0 ? 2000 : 4000;
        return VeltorSuccess;
    }
    case FMT_WIDTH:
        *value = static_cast<int>(width);
        return VeltorSuccess;
    case FMT_HEIGHT:
        *value = static_cast<int>(height);
        return VeltorSuccess;
    case EXPOSURE:
        return getCtrlLocked(kDriverCtrlExposure, value);
    case FRAME_RATE:
        return getCtrlLocked(kDriverCtrlFrameRate, value);
    case HFLIP:
        return getCtrlLocked(kDriverCtrlHFlip, value);
    case VFLIP:
        return getCtrlLocked(kDriverCtrlVFlip, value);
    case I2C_BY_PASS:
        *value = 0;
        return VeltorSuccess;
    case I2C_BUS_NUM:
        *value = busNumber;
        return VeltorSuccess;
    default:
        return VeltorNotImplemented;
    }
}

uint32_t VeltorCSIControls::getWidth() const {
    std::lock_guard<std::mutex> lock(mutex);
    return width;
}

uint32_t VeltorCSIControls::getHeight() const {
    std::lock_guard<std::mutex> lock(mutex);
    return height;
}

void VeltorCSIControls::setFormat(uint32_t w, uint32_t h) {
    std::lock_guard<std::mutex> lock(mutex);
    width = w;
    height = h;
}

int VeltorCSIControls::getBusNumber() const {
    std::lock_guard<std::mutex> lock(mutex);
    return busNumber;
}

void VeltorCSIControls::setBusNumber(int bus) {
    std::lock_guard<std::mutex> lock(mutex);
    busNumber = bus;
}

}  // namespace Veltor
