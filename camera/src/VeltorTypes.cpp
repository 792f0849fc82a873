#include "VeltorTypes.h"

#include <cstring>

namespace Veltor {

const char* to_str(TofErrorCode code) {
    switch (code) {
    case VeltorSuccess:
        return "Success";
    case VeltorInvalidParameter:
        return "Invalid parameter";
    case VeltorNoCache:
        return "No cache";
    case VeltorUnkownDevice:
        return "Unkown device";
    case VeltorNotImplemented:
        return "Not implemented";
    case VeltorSkipFrame:
        return "Skip frame";
    case VeltorSystemError:
        return "System error";
    case VeltorNoPermission:
    case VeltorUnkownError:
        break;
    }
    return "Unknown error";
}

PlatformKind classifyPlatform(const char* model) {
    if (model == nullptr) return PLATFORM_UNKNOWN;
    auto has = [model](const char* text) { return std::strstr(model, text) != nullptr; };
    if (has("Jetson")) {
        if (has("Xavier")) return PLATFORM_JETSON;
        if (has("TX1") || has("Nano")) return PLATFORM_JETSON_NANO;
        if (has("Orin")) return PLATFORM_JETSON_ORIN;
        return PLATFORM_JETSON;
    }
    if (has(" Orin")) return PLATFORM_JETSON;
    if (has("Raspberry")) {
        if (has("Pi 5") || has("Pi Compute Module 5")) return PLATFORM_RASPBERRY_PI_5;
        return PLATFORM_RASPBERRY_PI;
    }
    if (has("Radxa ROCK") || has("rv1126b")) return PLATFORM_ROCKCHIP;
    return PLATFORM_UNKNOWN;
}

}  // namespace Veltor
