// Scene-file text and raw-recording headers from outside: parsing must
// never crash, and an accepted configuration must hold values in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "evk_config.h"
#include "evk_ini.h"
#include "veltor_evk_recording.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    veltor_evk::IniFile ini;
    std::string error;
    if (ini.parse(text, error)) {
        veltor_evk::SimConfig cfg;
        if (veltor_evk::configFromIni(ini, "/base", cfg, error)) {
            if (cfg.frameRate < 1 || cfg.frameRate > 50 || cfg.reflectivity < 0 || cfg.reflectivity > 1 ||
                cfg.dropRate + cfg.timeoutRate + cfg.wrongSizeRate > 1.0 || cfg.subFrameMs < 1)
                std::abort();
        } else if (error.empty()) {
            std::abort();  // every refusal says why
        }
    } else if (error.empty()) {
        std::abort();
    }
    veltor_evk::RecordingHeader header;
    if (header.decode(data, size, error) && header.captureBytes() == 0) std::abort();
    return 0;
}
