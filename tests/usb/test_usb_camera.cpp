// The camera streaming from the simulated kit through the USB back-end and
// the four-phase model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "VeltorTOFCamera.h"
#include "evk/evk_test_util.h"

using namespace Veltor;
using evktest::TempDir;

namespace {

constexpr int kPixels = 240 * 180;

const char* kQuietPlane =
    "[camera]\nfamily = hqvga\nframe_rate = 30\n"
    "[scene]\ntype = plane\ndistance_mm = 1500\nnoise = 0\n";

double median(std::vector<float> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Depth of the n-th delivered frame (earlier ones released unread).
std::vector<float> depthOfFrame(VeltorTOFCamera& cam, int n, std::vector<float>* amplitude = nullptr) {
    std::vector<float> depth;
    for (int i = 0; i < n; ++i) {
        VeltorFrameBuffer* f = cam.requestFrame(3000);
        if (f == nullptr) {
            ADD_FAILURE() << "no frame " << i;
            return depth;
        }
        if (i == n - 1) {
            const float* d = static_cast<const float*>(f->getData(DEPTH));
            depth.assign(d, d + kPixels);
            if (amplitude) {
                const float* a = static_cast<const float*>(f->getData(AMPLITUDE));
                amplitude->assign(a, a + kPixels);
            }
        }
        EXPECT_EQ(cam.releaseFrame(f), 0);
    }
    return depth;
}

}  // namespace

// A noise-free plane at 1500 mm reads 1500 mm (within 0.5 %) at both ranges.
TEST(UsbCamera, PlaneDepthMedianMatchesItsDistanceAtBothRanges) {
    TempDir dir;
    const std::string path = dir.write("plane.ini", kQuietPlane);
    for (int range : {4000, 2000}) {
        VeltorTOFCamera cam;
        ASSERT_EQ(cam.openWithFile(path.c_str(), 0), 0);
        CameraInfo info = cam.getCameraInfo();
        EXPECT_EQ(info.connect, USB);
        EXPECT_EQ(info.device_type, HQVGA);
        ASSERT_EQ(cam.setControl(RANGE, range), 0);
        ASSERT_EQ(cam.start(DEPTH), 0);
        std::vector<float> amplitude;
        std::vector<float> depth = depthOfFrame(cam, 3, &amplitude);
        ASSERT_EQ(depth.size(), size_t(kPixels));
        EXPECT_NEAR(median(depth), 1500.0, 7.5) << "range " << range;
        // Amplitude 500 counts at the centre, 16 per count in the model's units.
        EXPECT_NEAR(amplitude[90 * 240 + 120], 500.0 * 16, 100.0);
        EXPECT_EQ(cam.stop(), 0);
        EXPECT_EQ(cam.close(), 0);
    }
}

// Without a file the built-in scene streams; RAW frames carry the kit's
// samples, sub-frame p in rows 4r + p.
TEST(UsbCamera, RawFramesCarryTheKitsSamples) {
    TempDir dir;
    const std::string path = dir.write("plane.ini", kQuietPlane);

    evktest::Kit kit(path);
    ASSERT_EQ(kit.status, VELTOR_EVK_OK);
    std::vector<uint16_t> sub[4];
    for (int p = 0; p < 4; ++p) {
        VeltorFrame f;
        ASSERT_EQ(VeltorCaptureImage(kit.h, &f, 2000), VELTOR_EVK_OK);
        sub[p].resize(kPixels);
        std::memcpy(sub[p].data(), f.data, kPixels * 2);
        VeltorFreeImage(kit.h, f);
    }

    VeltorTOFCamera cam;
    ASSERT_EQ(cam.openWithFile(path.c_str(), 0), 0);
    ASSERT_EQ(cam.start(RAW), 0);
    VeltorFrameBuffer* f = cam.requestFrame(3000);
    ASSERT_NE(f, nullptr);
    FrameFormat fmt;
    ASSERT_EQ(f->getFormat(RAW, fmt), 0);
    EXPECT_EQ(fmt.width, 240u);
    EXPECT_EQ(fmt.height, 720u);
    EXPECT_GT(fmt.timestamp, 0u);
    const int16_t* raw = static_cast<const int16_t*>(f->getData(RAW));
    size_t mismatches = 0;
    for (int r = 0; r < 180; ++r)
        for (int p = 0; p < 4; ++p)
            for (int c = 0; c < 240; ++c)
                if (raw[(4 * r + p) * 240 + c] != evktest::signed11(sub[p][r * 240 + c]) * 16) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(cam.releaseFrame(f), 0);
    EXPECT_EQ(cam.stop(), 0);

    VeltorTOFCamera builtIn;
    ASSERT_EQ(builtIn.open(USB, 0), 0);
    EXPECT_EQ(builtIn.getCameraInfo().device_type, HQVGA);
    ASSERT_EQ(builtIn.start(DEPTH), 0);
    std::vector<float> depth = depthOfFrame(builtIn, 2);
    ASSERT_EQ(depth.size(), size_t(kPixels));
    // Boxes in front of a wall at 2500 mm (with noise: percentiles).
    std::sort(depth.begin(), depth.end());
    EXPECT_NEAR(depth[depth.size() * 9 / 10], 2500.0, 40.0);
    EXPECT_LT(depth[depth.size() / 20], 1500.0);
    EXPECT_EQ(builtIn.stop(), 0);
}

// Dropped sub-frames, time-outs and short frames are survived: frames keep
// coming and stop returns.
TEST(UsbCamera, InjectedFaultsAreSurvived) {
    TempDir dir;
    const std::string path = dir.write(
        "faults.ini", std::string(kQuietPlane) +
                          "[faults]\ndrop_rate = 0.05\ntimeout_rate = 0.03\nwrong_size_rate = 0.05\ntimeout_ms = 50\n");
    VeltorTOFCamera cam;
    ASSERT_EQ(cam.openWithFile(path.c_str(), 0), 0);
    ASSERT_EQ(cam.start(DEPTH), 0);
    int good = 0;
    for (int i = 0; i < 12; ++i) {
        VeltorFrameBuffer* f = cam.requestFrame(5000);
        ASSERT_NE(f, nullptr) << "frame " << i;
        std::vector<float> d(static_cast<const float*>(f->getData(DEPTH)),
                             static_cast<const float*>(f->getData(DEPTH)) + kPixels);
        if (std::fabs(median(d) - 1500.0) < 7.5) ++good;
        ASSERT_EQ(cam.releaseFrame(f), 0);
    }
    // Every delivered frame is a whole, aligned capture.
    EXPECT_EQ(good, 12);
    EXPECT_EQ(cam.stop(), 0);
    EXPECT_EQ(cam.close(), 0);
}
