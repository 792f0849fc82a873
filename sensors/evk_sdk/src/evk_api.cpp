// The kit's C interface over the simulated camera. Handles are checked
// against a registry, so a stale or foreign handle gets an error status, and
// a camera stays alive until the last call that uses it returns.
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "evk_config.h"
#include "evk_sim.h"
#include "veltor_evk_sdk.h"

struct VeltorEvkCamera {
    explicit VeltorEvkCamera(const veltor_evk::SimConfig& cfg) : sim(cfg) {}
    veltor_evk::SimCamera sim;
};

namespace {

std::mutex registryMutex;
std::map<VeltorEvkCamera*, std::shared_ptr<VeltorEvkCamera>>& registry() {
    static std::map<VeltorEvkCamera*, std::shared_ptr<VeltorEvkCamera>> r;
    return r;
}

std::shared_ptr<VeltorEvkCamera> lookup(VeltorCameraHandle handle) {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto it = registry().find(handle);
    return it == registry().end() ? nullptr : it->second;
}

void report(const std::string& message) { std::fprintf(stderr, "veltor_evk: %s\n", message.c_str()); }

}  // namespace

extern "C" {

int VeltorDefaultParam(VeltorOpenParam* param) {
    if (param == nullptr) return VELTOR_EVK_ERR_PARAM;
    std::memset(param, 0, sizeof *param);
    return VELTOR_EVK_OK;
}

int VeltorOpenCamera(VeltorCameraHandle* handle, const VeltorOpenParam* param) {
    if (handle == nullptr || param == nullptr) return VELTOR_EVK_ERR_PARAM;
    veltor_evk::SimConfig cfg;
    if (param->config_path != nullptr) {
        std::string path = param->config_path;
        if (param->config_is_bin) {
            // A ".bin" file is a raw recording, replayed with default settings.
            cfg.playbackFile = path;
        } else {
            std::string error;
            if (!veltor_evk::loadSceneFile(path, cfg, error)) {
                report(error);
                return VELTOR_EVK_ERR_CONFIG;
            }
        }
    }
    auto cam = std::make_shared<VeltorEvkCamera>(cfg);
    std::lock_guard<std::mutex> lock(registryMutex);
    registry()[cam.get()] = cam;
    *handle = cam.get();
    return VELTOR_EVK_OK;
}

int VeltorInitCamera(VeltorCameraHandle handle) {
    auto cam = lookup(handle);
    if (!cam) return VELTOR_EVK_ERR_NO_DEVICE;
    std::string error;
    int status = cam->sim.init(error);
    if (status != VELTOR_EVK_OK) report(error);
    return status;
}

int VeltorGetCameraConfig(VeltorCameraHandle handle, VeltorCameraConfig* config) {
    if (config == nullptr) return VELTOR_EVK_ERR_PARAM;
    auto cam = lookup(handle);
    return cam ? cam->sim.getConfig(config) : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorStartCamera(VeltorCameraHandle handle) {
    auto cam = lookup(handle);
    return cam ? cam->sim.start() : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorCaptureImage(VeltorCameraHandle handle, VeltorFrame* frame, uint32_t timeout_ms) {
    if (frame == nullptr) return VELTOR_EVK_ERR_PARAM;
    auto cam = lookup(handle);
    return cam ? cam->sim.capture(frame, timeout_ms) : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorFreeImage(VeltorCameraHandle handle, VeltorFrame frame) {
    auto cam = lookup(handle);
    return cam ? cam->sim.release(frame) : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorStopCamera(VeltorCameraHandle handle) {
    auto cam = lookup(handle);
    return cam ? cam->sim.stop() : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorCloseCamera(VeltorCameraHandle handle) {
    std::shared_ptr<VeltorEvkCamera> cam;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        auto it = registry().find(handle);
        if (it == registry().end()) return VELTOR_EVK_ERR_NO_DEVICE;
        cam = it->second;
        registry().erase(it);
    }
    cam->sim.shutdown();
    return VELTOR_EVK_OK;
}

int VeltorSetCtrl(VeltorCameraHandle handle, const char* name, int64_t value) {
    if (name == nullptr) return VELTOR_EVK_ERR_PARAM;
    auto cam = lookup(handle);
    return cam ? cam->sim.setCtrl(name, value) : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorReadSensorReg(VeltorCameraHandle handle, uint32_t reg, uint32_t* value) {
    if (value == nullptr) return VELTOR_EVK_ERR_PARAM;
    auto cam = lookup(handle);
    return cam ? cam->sim.readReg(reg, value) : VELTOR_EVK_ERR_NO_DEVICE;
}

int VeltorWriteSensorReg(VeltorCameraHandle handle, uint32_t reg, uint32_t value) {
    auto cam = lookup(handle);
    return cam ? cam->sim.writeReg(reg, value) : VELTOR_EVK_ERR_NO_DEVICE;
}

const char* VeltorErrorName(int status) {
    switch (status) {
        case VELTOR_EVK_OK: return "VELTOR_EVK_OK";
        case VELTOR_EVK_ERR_PARAM: return "VELTOR_EVK_ERR_PARAM";
        case VELTOR_EVK_ERR_NO_DEVICE: return "VELTOR_EVK_ERR_NO_DEVICE";
        case VELTOR_EVK_ERR_CONFIG: return "VELTOR_EVK_ERR_CONFIG";
        case VELTOR_EVK_ERR_STATE: return "VELTOR_EVK_ERR_STATE";
        case VELTOR_EVK_ERR_TIMEOUT: return "VELTOR_EVK_ERR_TIMEOUT";
        case VELTOR_EVK_ERR_NO_BUFFER: return "VELTOR_EVK_ERR_NO_BUFFER";
        case VELTOR_EVK_ERR_UNKNOWN_CTRL: return "VELTOR_EVK_ERR_UNKNOWN_CTRL";
        case VELTOR_EVK_ERR_REGISTER: return "VELTOR_EVK_ERR_REGISTER";
        case VELTOR_EVK_ERR_FRAME: return "VELTOR_EVK_ERR_FRAME";
        case VELTOR_EVK_ERR_IO: return "VELTOR_EVK_ERR_IO";
        default: return "VELTOR_EVK_ERR_UNKNOWN";
    }
}

}  // extern "C"
