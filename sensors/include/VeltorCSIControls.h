#pragma once
/// @file VeltorCSIControls.h
/// Controls of the CSI sensor back-end: maps each camera Control onto the
/// sensor sub-device's V4L2 driver controls, or answers it from the sensor's
/// own settings (format size, I2C bus).

#include <cstdint>
#include <mutex>

#include "VeltorTypes.h"

namespace Veltor {

/// Reads and writes driver controls by V4L2 control id; 0 on success.
class DriverControlIo {
public:
    virtual ~DriverControlIo() = default;
    virtual int getCtrl(uint32_t id, int* value) = 0;
    virtual int setCtrl(uint32_t id, int value) = 0;
};

/// VIDIOC_G_CTRL / VIDIOC_S_CTRL on an open sub-device. The ioctl call is a
/// parameter so that tests can script the driver; interrupted calls are
/// repeated, any other failure gives -1.
class V4l2DriverControlIo : public DriverControlIo {
public:
    using IoctlFn = int (*)(int fd, unsigned long request, void* arg);
    explicit V4l2DriverControlIo(int fd, IoctlFn ioctlFn = nullptr);

    int getCtrl(uint32_t id, int* value) override;
    int setCtrl(uint32_t id, int value) override;
    void setFd(int newFd) { fd = newFd; }
    int getFd() const { return fd; }

private:
    int call(unsigned long request, void* arg);

    int fd;
    IoctlFn ioctlFn;
};

/// Range control values of the driver: 1 for the 2000 mm range, 0 for 4000.
constexpr int kCsiRangeShortValue = 1;
constexpr int kCsiRangeLongValue = 0;

/// The CSI sensor's control layer. Every call is serialised, so controls may
/// come from any thread; the stored format size is what the sensor's next
/// format setting uses.
class VeltorCSIControls {
public:
    /// io is borrowed and must outlive this object.
    explicit VeltorCSIControls(DriverControlIo& io, int busNumber = 0);

    /// RANGE (2000 or 4000, else 1), FMT_WIDTH / FMT_HEIGHT (stored),
    /// EXPOSURE (1..65523, else 1), FRAME_RATE, HFLIP, VFLIP (driver
    /// controls; a failing driver call gives -1), I2C_BY_PASS (1),
    /// I2C_BUS_NUM (4); any other control gives 4.
    int setControl(Control control, int value);
    /// RANGE (2000 when the driver's range control is non-zero, else 4000),
    /// the stored format size, the driver controls, I2C_BY_PASS (0),
    /// I2C_BUS_NUM (the bus); any other control gives 4. value is left
    /// untouched on failure.
    int getControl(Control control, int* value);

    /// Raw driver control access under the same lock; failures give -1.
    int setCtrl(uint32_t id, int value);
    int getCtrl(uint32_t id, int* value);

    uint32_t getWidth() const;
    uint32_t getHeight() const;
    void setFormat(uint32_t width, uint32_t height);
    int getBusNumber() const;
    /// The I2C bus the back-end found for its sensor.
    void setBusNumber(int bus);

private:
    int setCtrlLocked(uint32_t id, int value);
    int getCtrlLocked(uint32_t id, int* value);

    DriverControlIo& io;
    mutable std::mutex mutex;
    uint32_t width = 0;
    uint32_t height = 0;
    int busNumber;
};

}  // namespace Veltor
