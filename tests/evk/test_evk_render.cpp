// The simulated sensor's image formation: phase, amplitude, noise, ambient,
// saturation, wrap-around, flips and sample widths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "evk_sim.h"
#include "evk_test_util.h"

using namespace veltor_evk;
using evktest::phaseOf;
using evktest::signed11;

namespace {

constexpr int kPixels = kWidth * kHeight;

SimConfig quietPlane(double distanceMm) {
    SimConfig cfg;
    cfg.type = SceneType::Plane;
    cfg.distanceMm = distanceMm;
    cfg.noise = 0.0;
    cfg.ambient = 0.0;
    return cfg;
}

// The four phase steps of one capture, as signed sample values.
struct Steps {
    std::vector<int> s[4];
};

Steps renderSteps(SimCamera& cam, uint64_t seq = 0) {
    Steps out;
    std::vector<uint8_t> buf(kPixels * 2);
    for (int k = 0; k < 4; ++k) {
        cam.renderSubFrame(k, seq * 4 + k, buf.data());
        out.s[k].resize(kPixels);
        for (int i = 0; i < kPixels; ++i) {
            uint16_t v;
            std::memcpy(&v, buf.data() + 2 * i, 2);
            out.s[k][i] = signed11(v);
        }
    }
    return out;
}

double phaseAt(const Steps& st, int i) { return phaseOf(st.s[0][i], st.s[1][i], st.s[2][i], st.s[3][i]); }
double amplitudeAt(const Steps& st, int i) {
    double I = st.s[2][i] - st.s[0][i], Q = st.s[1][i] - st.s[3][i];
    return std::sqrt(I * I + Q * Q) / 2.0;
}
double expectedPhase(double rangeMm, double fHz) {
    return std::fmod(4 * M_PI * fHz * rangeMm / 1000.0 / kSpeedOfLight, 2 * M_PI);
}
double angleDiff(double a, double b) {
    double d = std::fabs(a - b);
    return std::min(d, 2 * M_PI - d);
}
int centre() { return 90 * kWidth + 120; }

std::unique_ptr<SimCamera> makeCam(const SimConfig& cfg) {
    auto cam = std::make_unique<SimCamera>(cfg);
    std::string error;
    EXPECT_EQ(cam->init(error), VELTOR_EVK_OK) << error;
    return cam;
}

}  // namespace

// Every pixel of a noise-free plane carries the phase of its distance, at
// both modulation frequencies, including past the unambiguous range.
TEST(EvkRender, NoiseFreePlaneHasThePhaseOfItsDistance) {
    struct Case {
        double distanceMm;
        int rangeMm;
        bool radial;
    };
    const Case cases[] = {{1500, 4000, false}, {1500, 2000, false}, {2500, 2000, false},
                          {3100, 4000, false}, {1200, 4000, true},  {1400, 2000, true}};
    for (const Case& c : cases) {
        SimConfig cfg = quietPlane(c.distanceMm);
        cfg.rangeMm = c.rangeMm;
        cfg.radial = c.radial;
        auto cam = makeCam(cfg);
        const double f = cam->modulationHz();
        EXPECT_DOUBLE_EQ(f, c.rangeMm == 2000 ? 75e6 : 37.5e6);
        Steps st = renderSteps(*cam);
        double worst = 0;
        for (int v = 0; v < kHeight; v += 7)
            for (int u = 0; u < kWidth; u += 7) {
                const int i = v * kWidth + u;
                double dx = (u - 120.0) / 190.92, dy = (v - 90.0) / 191.25;
                double range = c.radial ? c.distanceMm * std::sqrt(1 + dx * dx + dy * dy) : c.distanceMm;
                worst = std::max(worst, angleDiff(phaseAt(st, i), expectedPhase(range, f)));
            }
        // Samples are whole counts of an amplitude of a few hundred.
        EXPECT_LT(worst, 0.01) << "distance " << c.distanceMm << " range " << c.rangeMm;
    }
    // Past the 1998.6 mm unambiguous range of 75 MHz the phase wraps.
    SimConfig cfg = quietPlane(2500);
    cfg.rangeMm = 2000;
    auto cam = makeCam(cfg);
    Steps st = renderSteps(*cam);
    double wrappedMm = phaseAt(st, centre()) * kSpeedOfLight / (4 * M_PI * 75e6) * 1000.0;
    EXPECT_NEAR(wrappedMm, 2500 - kSpeedOfLight / (2 * 75e6) * 1000.0, 3.0);
}

// Amplitude falls with the square of the distance and scales with
// reflectivity and exposure.
TEST(EvkRender, AmplitudeFollowsDistanceReflectivityAndExposure) {
    auto ampAt = [](double distanceMm, double reflectivity, int exposureUs) {
        SimConfig cfg = quietPlane(distanceMm);
        cfg.reflectivity = reflectivity;
        cfg.exposureUs = exposureUs;
        auto cam = makeCam(cfg);
        Steps st = renderSteps(*cam);
        return amplitudeAt(st, centre());
    };
    const double base = ampAt(2800, 0.5, 400);
    EXPECT_NEAR(base, 500.0 * 2.25 / (2.8 * 2.8), 3.0);
    EXPECT_NEAR(ampAt(1400, 0.5, 400) / base, 4.0, 0.05);
    EXPECT_NEAR(ampAt(2800, 0.25, 400) / base, 0.5, 0.02);
    EXPECT_NEAR(ampAt(2800, 0.5, 800) / base, 2.0, 0.03);

    // The kit's exposure control and the exposure register act on a running
    // simulation.
    auto cam = makeCam(quietPlane(2800));
    ASSERT_EQ(cam->setCtrl("setExposure", 1200), VELTOR_EVK_OK);
    EXPECT_NEAR(amplitudeAt(renderSteps(*cam), centre()) / base, 3.0, 0.05);
    ASSERT_EQ(cam->writeReg(reg::kExposure0, 18 * 200), VELTOR_EVK_OK);
    EXPECT_EQ(cam->exposureUs(), 200);
    EXPECT_NEAR(amplitudeAt(renderSteps(*cam), centre()) / base, 0.5, 0.03);
}

// Close objects and strong ambient light saturate: samples clip at the ADC
// limits, and taps filled by ambient light lose the signal.
TEST(EvkRender, SaturationClipsSamplesAndAmbientFloodsTheTaps) {
    auto near = makeCam(quietPlane(150));
    Steps st = renderSteps(*near);
    int clipped = 0;
    for (int k = 0; k < 4; ++k)
        clipped += std::count_if(st.s[k].begin(), st.s[k].end(), [](int s) { return s == 1023 || s == -1024; });
    EXPECT_GT(clipped, kPixels);
    EXPECT_LT(amplitudeAt(st, centre()), 1100.0);

    SimConfig bright = quietPlane(1500);
    bright.ambient = 10000;  // more than a tap holds
    auto flooded = makeCam(bright);
    EXPECT_LT(amplitudeAt(renderSteps(*flooded), centre()), 1.0);

    SimConfig some = quietPlane(1500);
    some.ambient = 1000;
    auto lit = makeCam(some);
    EXPECT_NEAR(amplitudeAt(renderSteps(*lit), centre()), 500.0, 3.0);
}

// The seed fixes the noise of every sub-frame; noise 0 turns it off.
TEST(EvkRender, SeededNoiseIsReproducibleAndPlausible) {
    SimConfig cfg = quietPlane(1500);
    cfg.noise = 1.0;
    cfg.ambient = 100;
    cfg.seed = 42;
    auto a = makeCam(cfg);
    auto b = makeCam(cfg);
    Steps a0 = renderSteps(*a, 0), b0 = renderSteps(*b, 0), a1 = renderSteps(*a, 1);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a0.s[k], b0.s[k]);
        EXPECT_NE(a0.s[k], a1.s[k]);
    }
    cfg.seed = 43;
    auto c = makeCam(cfg);
    EXPECT_NE(renderSteps(*c, 0).s[0], a0.s[0]);

    // Depth spread over the central pixels: a few centimetres at most at 1.5 m.
    const double mmPerRad = kSpeedOfLight / (4 * M_PI * 37.5e6) * 1000.0;
    double sum = 0, sum2 = 0;
    int n = 0;
    for (int v = 60; v < 120; ++v)
        for (int u = 80; u < 160; ++u) {
            double d = phaseAt(a0, v * kWidth + u) * mmPerRad;
            sum += d;
            sum2 += d * d;
            ++n;
        }
    const double mean = sum / n, sd = std::sqrt(sum2 / n - mean * mean);
    EXPECT_NEAR(mean, 1500.0, 5.0);
    EXPECT_GT(sd, 3.0);
    EXPECT_LT(sd, 60.0);

    cfg.noise = 0.0;
    auto quiet = makeCam(cfg);
    EXPECT_EQ(renderSteps(*quiet, 0).s[1], renderSteps(*quiet, 7).s[1]);
}

// Mirror and flip bits of the readout register turn the image; the other
// scenes render something in front of the wall.
TEST(EvkRender, FlipsMirrorTheImageAndScenesHaveShape) {
    SimConfig cfg = quietPlane(1500);
    cfg.type = SceneType::TiltedPlane;
    cfg.tiltDeg = 30;
    auto cam = makeCam(cfg);
    Steps plain = renderSteps(*cam);
    // Positive tilt: the right side is farther, so its amplitude is lower.
    EXPECT_GT(amplitudeAt(plain, 90 * kWidth + 20), amplitudeAt(plain, 90 * kWidth + 220));
    ASSERT_EQ(cam->writeReg(reg::kReadout, reg::kHflipBit | reg::kVflipBit), VELTOR_EVK_OK);
    Steps turned = renderSteps(*cam);
    for (int v = 0; v < kHeight; v += 11)
        for (int u = 0; u < kWidth; u += 13)
            EXPECT_EQ(turned.s[0][v * kWidth + u], plain.s[0][(kHeight - 1 - v) * kWidth + (kWidth - 1 - u)]);

    for (SceneType t : {SceneType::Sphere, SceneType::Boxes}) {
        SimConfig s = quietPlane(1500);
        s.type = t;
        auto scene = makeCam(s);
        Steps st = renderSteps(*scene);
        const double mmPerRad = kSpeedOfLight / (4 * M_PI * 37.5e6) * 1000.0;
        double lo = 1e9, hi = 0;
        for (int i = 0; i < kPixels; i += 5) {
            double d = phaseAt(st, i) * mmPerRad;
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        EXPECT_LT(lo, 1500.0) << sceneTypeName(t);  // something nearer than the default wall at 2500
        EXPECT_NEAR(hi, 2500.0, 10.0) << sceneTypeName(t);
    }
}

// Narrower and wider sample widths carry the 12-bit code shifted.
TEST(EvkRender, SampleWidthsShiftTheTwelveBitCode) {
    SimConfig cfg = quietPlane(1300);
    auto ref = makeCam(cfg);
    std::vector<uint8_t> twelve(kPixels * 2);
    ref->renderSubFrame(1, 0, twelve.data());
    for (int bits : {8, 10, 14}) {
        cfg.bitWidth = bits;
        auto cam = makeCam(cfg);
        std::vector<uint8_t> out(kPixels * 2);
        cam->renderSubFrame(1, 0, out.data());
        for (int i = 0; i < kPixels; i += 17) {
            uint16_t code;
            std::memcpy(&code, twelve.data() + 2 * i, 2);
            uint32_t got;
            if (bits == 8) {
                got = out[i];
                EXPECT_EQ(got, code >> 4u) << i;
            } else {
                uint16_t v;
                std::memcpy(&v, out.data() + 2 * i, 2);
                got = v;
                EXPECT_EQ(got, bits == 10 ? (code >> 2u) : ((code << 2u) & 0xFFFFu)) << i;
            }
        }
    }
}
