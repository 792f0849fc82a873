// Helpers shared by the kit tests: scene files in a private temp directory
// and a small RAII wrapper of an opened kit handle.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "veltor_evk_sdk.h"

namespace evktest {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/veltor_evk_test_XXXXXX";
        const char* made = mkdtemp(tmpl);
        path_ = made ? made : "/tmp";
    }
    ~TempDir() {
        for (const auto& f : files_) ::unlink(f.c_str());
        ::rmdir(path_.c_str());
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string p = path_ + "/" + name;
        std::ofstream(p, std::ios::binary) << text;
        files_.push_back(p);
        return p;
    }
    std::string file(const std::string& name) {
        std::string p = path_ + "/" + name;
        files_.push_back(p);
        return p;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

// Opens, initialises and (optionally) starts a kit on a scene file.
struct Kit {
    VeltorCameraHandle h = nullptr;
    int status = VELTOR_EVK_ERR_STATE;

    explicit Kit(const std::string& scenePath, bool startIt = true, bool isBin = false) {
        VeltorOpenParam p;
        VeltorDefaultParam(&p);
        p.config_path = scenePath.empty() ? nullptr : scenePath.c_str();
        p.config_is_bin = isBin ? 1 : 0;
        status = VeltorOpenCamera(&h, &p);
        if (status == VELTOR_EVK_OK) status = VeltorInitCamera(h);
        if (status == VELTOR_EVK_OK && startIt) status = VeltorStartCamera(h);
    }
    ~Kit() {
        if (h != nullptr) {
            VeltorStopCamera(h);
            VeltorCloseCamera(h);
        }
    }
    VeltorCameraConfig config() const {
        VeltorCameraConfig c;
        std::memset(&c, 0, sizeof c);
        EXPECT_EQ(VeltorGetCameraConfig(h, &c), VELTOR_EVK_OK);
        return c;
    }
};

// Four-phase decoding of one pixel from the sub-frames of phase steps 0..3
// given as signed sample values.
inline double phaseOf(int s0, int s1, int s2, int s3) {
    double phi = std::atan2(double(s1 - s3), double(s2 - s0));
    return phi < 0 ? phi + 2 * M_PI : phi;
}

// 12-bit container to signed 11-bit value.
inline int signed11(uint16_t s) {
    int t = s & 0x7FF;
    return t >= 1024 ? t - 2048 : t;
}

}  // namespace evktest
