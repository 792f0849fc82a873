#pragma once
/// @file VeltorCameraOptions.h
/// What a camera object is built from besides its own state: the factories
/// of sensor back-ends and device models, the root under which board files
/// are read, and the clock of the capture loop. The defaults give the real
/// back-ends and the real file system; tests substitute their own.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "VeltorDevice.h"
#include "VeltorTOFSensor.h"
#include "VeltorTypes.h"

namespace Veltor {

/// Monotonic time source of the capture loop (frame intervals, the
/// frame-rate feedback schedule).
class VeltorClock {
public:
    virtual ~VeltorClock() = default;
    virtual int64_t nowNs() = 0;
};

/// std::chrono::steady_clock.
std::shared_ptr<VeltorClock> steadyClock();

/// Creates the sensor back-ends and device models. An empty function, or one
/// that returns null, means that kind is not available: the camera's open
/// then fails with -1.
struct VeltorBackendFactory {
    /// devicePath is the video node, e.g. "/dev/video0".
    std::function<std::unique_ptr<VeltorTOFSensor>(PlatformKind platform, const char* devicePath)>
        csiSensor;
    /// configPath is "" when opened without a configuration file.
    std::function<std::unique_ptr<VeltorTOFSensor>(const char* configPath, int index)> usbSensor;
    std::function<std::unique_ptr<VeltorDevice>(PlatformKind platform)> hqvgaDevice;
    std::function<std::unique_ptr<VeltorDevice>(PlatformKind platform)> vgaDevice;

    /// The back-ends and models compiled into this library.
    static VeltorBackendFactory builtIn();
};

struct VeltorCameraOptions {
    /// Prefix of the board files read by the camera
    /// ("/sys/firmware/devicetree/base/model" and the Rockchip capture
    /// option); empty for the real root.
    std::string systemRoot;
    VeltorBackendFactory backends = VeltorBackendFactory::builtIn();
    std::shared_ptr<VeltorClock> clock = steadyClock();

    /// Options used by VeltorTOFCamera(): the built-in ones unless replaced.
    static VeltorCameraOptions processDefaults();
    /// Replaces the options of cameras constructed afterwards (test hook of
    /// the Python module, for instance).
    static void setProcessDefaults(const VeltorCameraOptions& options);
    static void resetProcessDefaults();
};

/// Board file paths below a root prefix.
std::string boardModelPath(const std::string& systemRoot);
std::string rockchipOptionPath(const std::string& systemRoot);

}  // namespace Veltor
