#include "VeltorCameraOptions.h"

#include <chrono>
#include <mutex>

#include "VeltorDeviceHQVGA.h"
#include "VeltorTOFUSBSensor.h"

namespace Veltor {

namespace {

class SteadyClock : public VeltorClock {
public:
    int64_t nowNs() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
};

std::mutex& defaultsMutex() {
    static std::mutex mutex;
    return mutex;
}

// Null until replaced: processDefaults() then builds the built-in options.
std::unique_ptr<VeltorCameraOptions>& replacedDefaults() {
    static std::unique_ptr<VeltorCameraOptions> options;
    return options;
}

}  // namespace

std::shared_ptr<VeltorClock> steadyClock() {
    static const std::shared_ptr<VeltorClock> clock = std::make_shared<SteadyClock>();
    return clock;
}

VeltorBackendFactory VeltorBackendFactory::builtIn() {
    VeltorBackendFactory factory;
    factory.hqvgaDevice = [](PlatformKind platform) -> std::unique_ptr<VeltorDevice> {
        return std::make_unique<VeltorDeviceHQVGA>(platform);
    };
    factory.usbSensor = [](const char* configPath, int index) -> std::unique_ptr<VeltorTOFSensor> {
        return std::make_unique<VeltorTOFUSBSensor>(configPath != nullptr ? configPath : "", index);
    };
    // The CSI back-end and the VGA model join here as they are built into the
    // library; until then open() of that kind reports -1.
    return factory;
}

VeltorCameraOptions VeltorCameraOptions::processDefaults() {
    std::lock_guard<std::mutex> lock(defaultsMutex());
    if (replacedDefaults()) return *replacedDefaults();
    return VeltorCameraOptions{};
}

void VeltorCameraOptions::setProcessDefaults(const VeltorCameraOptions& options) {
    std::lock_guard<std::mutex> lock(defaultsMutex());
    replacedDefaults() = std::make_unique<VeltorCameraOptions>(options);
}

void VeltorCameraOptions::resetProcessDefaults() {
    std::lock_guard<std::mutex> lock(defaultsMutex());
    replacedDefaults().reset();
}

std::string boardModelPath(const std::string& systemRoot) {
    return systemRoot + "/sys/firmware/devicetree/base/model";
}

std::string rockchipOptionPath(const std::string& systemRoot) {
    return systemRoot + "/sys/devices/platform/rkcif-mipi-lvds2/compact_test";
}

}  // namespace Veltor
