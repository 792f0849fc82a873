// The four-phase device model: sample conversion, raw de-interleaving,
// depth of worked values, its controls; the sensor base's driver-control
// mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "ScriptedSensor.h"
#include "VeltorDeviceHQVGA.h"
#include "hqvga_depth.h"

using namespace Veltor;
using namespace Veltor::testing;

namespace {

constexpr size_t kPixels = 240 * 180;

std::vector<uint8_t> capture(uint16_t s0, uint16_t s1, uint16_t s2, uint16_t s3) {
    std::vector<uint8_t> bytes(4 * kPixels * 2);
    const uint16_t s[4] = {s0, s1, s2, s3};
    for (size_t p = 0; p < 4; ++p)
        for (size_t i = 0; i < kPixels; ++i) std::memcpy(&bytes[(p * kPixels + i) * 2], &s[p], 2);
    return bytes;
}

struct Images {
    std::vector<float> depth = std::vector<float>(kPixels, -1.0f);
    std::vector<float> amplitude = std::vector<float>(kPixels, -1.0f);
    std::vector<float> confidence = std::vector<float>(kPixels, -1.0f);
};

}  // namespace

TEST(HqvgaSample, ConvertsSigned11BitTimes16) {
    const struct {
        uint16_t sample;
        unsigned shift;
        int32_t value;
    } cases[] = {
        {0x0400, 0, -16384}, {0x03FF, 0, 16368}, {0x0000, 0, 0},      {0x07FF, 0, -16},
        {0x0001, 0, 16},     {0xF400, 0, -16384}, {0xFBFF, 0, 16368}, // bits above 11 ignored
        {0x4000, 4, -16384}, {0x3FF0, 4, 16368}, {0x3FFF, 4, 16368}, {0x000F, 4, 0},
        {0xFFFF, 4, -16},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hqvga::convertSample(c.sample, c.shift), c.value) << std::hex << c.sample << " >> " << c.shift;
    }
}

TEST(HqvgaDevice, FixedAnswers) {
    VeltorDeviceHQVGA device(PLATFORM_UNKNOWN);
    EXPECT_EQ(device.getDeviceType(), 1);
    EXPECT_STREQ(device.getCameraID(), "");
    FrameFormat raw, depth;
    device.getFormats(&raw, &depth);
    EXPECT_EQ(raw.width, 240u);
    EXPECT_EQ(raw.height, 720u);
    EXPECT_EQ(depth.width, 240u);
    EXPECT_EQ(depth.height, 180u);
    EXPECT_EQ(device.close(), 0);
    EXPECT_EQ(device.prepareSensor(), 0);
    EXPECT_EQ(device.start(), 0);
    EXPECT_EQ(device.stop(), 0);
    EXPECT_EQ(device.getModulationHz(), 37500000.0f);
    EXPECT_EQ(device.getRangeMm(), 4000u);

    // Only Jetson boards left-align the 12-bit samples.
    const struct {
        PlatformKind platform;
        uint8_t shift;
    } shifts[] = {{PLATFORM_JETSON, 4},         {PLATFORM_JETSON_NANO, 0}, {PLATFORM_JETSON_ORIN, 0},
                  {PLATFORM_RASPBERRY_PI_5, 0}, {PLATFORM_ROCKCHIP, 0},    {PLATFORM_UNKNOWN, 0}};
    for (const auto& s : shifts) EXPECT_EQ(VeltorDeviceHQVGA(s.platform).getSampleShift(), s.shift);
}

TEST(HqvgaDevice, RawImageInterleavesTheFourSubFrames) {
    for (PlatformKind platform : {PLATFORM_UNKNOWN, PLATFORM_JETSON}) {
        VeltorDeviceHQVGA device(platform);
        const unsigned shift = device.getSampleShift();
        std::vector<uint8_t> raw(4 * kPixels * 2);
        auto sampleAt = [&](size_t p, size_t r, size_t x) {
            const uint16_t t = uint16_t((p * 331 + r * 17 + x * 7) & 0x7FF);
            return uint16_t((t << shift) | (shift ? 0x000A : 0xA000));  // noise outside the 11 bits
        };
        for (size_t p = 0; p < 4; ++p)
            for (size_t r = 0; r < 180; ++r)
                for (size_t x = 0; x < 240; ++x) {
                    const uint16_t s = sampleAt(p, r, x);
                    std::memcpy(&raw[(p * kPixels + r * 240 + x) * 2], &s, 2);
                }
        std::vector<int16_t> out(240 * 720, 0x5555);
        EXPECT_EQ(device.getRawImages(raw.data(), out.data()), 1);
        size_t mismatches = 0;
        for (size_t p = 0; p < 4; ++p)
            for (size_t r = 0; r < 180; ++r)
                for (size_t x = 0; x < 240; ++x) {
                    const int16_t want = int16_t(hqvga::convertSample(sampleAt(p, r, x), shift));
                    if (out[(4 * r + p) * 240 + x] != want) ++mismatches;
                }
        EXPECT_EQ(mismatches, 0u) << platform;
    }
}

TEST(HqvgaDevice, DepthOfWorkedValues) {
    auto script = std::make_shared<SensorScript>();
    ScriptedSensor sensor(script);
    VeltorDeviceHQVGA device(PLATFORM_UNKNOWN);
    ASSERT_EQ(device.init(&sensor), 0);
    const uint16_t minus1 = 0x7FF;
    Images images;

    // Range 4000 (37.5 MHz): P0..P3 = sub-frames 1, 2, 3, 0; phi = pi -> 2000 mm.
    auto raw = capture(5, 1, 5, minus1);
    EXPECT_TRUE(device.getPhaseImage(raw.data(), images.depth.data(), images.amplitude.data(),
                                     images.confidence.data()));
    EXPECT_NEAR(images.depth[0], 2000.0f, 0.01f);
    EXPECT_NEAR(images.depth[kPixels - 1], 2000.0f, 0.01f);
    EXPECT_EQ(images.amplitude[kPixels - 1], 16.0f);
    EXPECT_EQ(images.confidence[kPixels - 1], 16.0f);

    // Range 2000 (75 MHz): sub-frames in order; phi = pi -> 1000 mm.
    ASSERT_EQ(device.setControl(RANGE, 2000), 0);
    raw = capture(1, 5, minus1, 5);
    EXPECT_TRUE(device.getPhaseImage(raw.data(), images.depth.data(), images.amplitude.data(),
                                     images.confidence.data()));
    EXPECT_NEAR(images.depth[0], 1000.0f, 0.01f);

    // All equal: atan2(0, 0) = 0.
    raw = capture(7, 7, 7, 7);
    EXPECT_TRUE(device.getPhaseImage(raw.data(), images.depth.data(), images.amplitude.data(),
                                     images.confidence.data()));
    EXPECT_EQ(images.depth[0], 0.0f);
    EXPECT_EQ(images.amplitude[0], 0.0f);

    // Quarter phases: phi = pi/2 (Q > 0, I = 0) and 3 pi/2 (Q < 0, wrapped
    // by + 2 pi): 500 and 1500 mm at 75 MHz; amplitude sqrt(Q^2) / 2.
    raw = capture(0, 3, 0, 1);  // Q = 48 - 16 = 32
    EXPECT_TRUE(device.getPhaseImage(raw.data(), images.depth.data(), images.amplitude.data(),
                                     images.confidence.data()));
    EXPECT_NEAR(images.depth[5], 500.0f, 0.01f);
    EXPECT_EQ(images.amplitude[5], 16.0f);
    raw = capture(0, 1, 0, 3);  // Q = -32
    EXPECT_TRUE(device.getPhaseImage(raw.data(), images.depth.data(), images.amplitude.data(),
                                     images.confidence.data()));
    EXPECT_NEAR(images.depth[5], 1500.0f, 0.01f);
}

TEST(HqvgaDevice, RangeControlFollowsTheSensor) {
    auto script = std::make_shared<SensorScript>();
    ScriptedSensor sensor(script);
    VeltorDeviceHQVGA device(PLATFORM_UNKNOWN);
    ASSERT_EQ(device.init(&sensor), 0);
    int value = 0;

    ASSERT_EQ(device.setControl(RANGE, 2000), 0);
    EXPECT_EQ(device.getModulationHz(), 75000000.0f);
    ASSERT_TRUE(script->controlValue(RANGE, &value));
    EXPECT_EQ(value, 2000);
    ASSERT_EQ(device.setControl(RANGE, 4000), 0);
    EXPECT_EQ(device.getModulationHz(), 37500000.0f);
    // Accepted by the sensor: kept as the range, modulation unchanged.
    ASSERT_EQ(device.setControl(RANGE, 3000), 0);
    EXPECT_EQ(device.getModulationHz(), 37500000.0f);
    ASSERT_EQ(device.getControl(RANGE, &value), 0);
    EXPECT_EQ(value, 3000);
    // Refused by the sensor: its result, nothing changes.
    script->setControlResult(RANGE, 1);
    EXPECT_EQ(device.setControl(RANGE, 2000), 1);
    EXPECT_EQ(device.getModulationHz(), 37500000.0f);
    ASSERT_EQ(device.getControl(RANGE, &value), 0);
    EXPECT_EQ(value, 3000);

    const struct {
        Control control;
        int value;
    } intrinsics[] = {{INTRINSIC_FX, 19092}, {INTRINSIC_FY, 19125}, {INTRINSIC_CX, 12000}, {INTRINSIC_CY, 9000}};
    for (const auto& c : intrinsics) {
        EXPECT_EQ(device.getControl(c.control, &value), 0);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(device.setControl(c.control, 1), 1);
    }
    // Anything else: set refused, get asked of the sensor.
    EXPECT_EQ(device.setControl(FRAME_RATE, 30), 1);
    EXPECT_EQ(device.getControl(FRAME_RATE, &value), 4);  // the script knows no rate yet
    script->setControlValue(FRAME_RATE, 25);
    EXPECT_EQ(device.getControl(FRAME_RATE, &value), 0);
    EXPECT_EQ(value, 25);
    const char* text = nullptr;
    EXPECT_EQ(device.setControlExt(CONFIG_DIR_EXT, "x"), 1);
    EXPECT_EQ(device.getControlExt(CONFIG_DIR_EXT, &text), 1);
}

TEST(SensorBase, StandardControlsMapOntoDriverControls) {
    auto script = std::make_shared<SensorScript>();
    ScriptedSensor sensor(script);
    const struct {
        Control control;
        int value;
        int result;
        uint32_t driverId;  // 0: no driver access
    } cases[] = {
        {EXPOSURE, 1, 0, 0x00980911},     {EXPOSURE, 65523, 0, 0x00980911}, {EXPOSURE, 0, 1, 0},
        {EXPOSURE, 65524, 1, 0},          {EXPOSURE, -5, 1, 0},             {FRAME_RATE, 15, 0, 0x00981906},
        {HFLIP, 1, 0, 0x00980914},        {VFLIP, 0, 0, 0x00980915},        {RANGE, 2000, 4, 0},
        {AUTO_FRAME_RATE, 1, 4, 0},
    };
    for (const auto& c : cases) {
        script->clearEvents();
        EXPECT_EQ(sensor.setStdControl(c.control, c.value), c.result) << c.control << " " << c.value;
        const auto writes = script->events(SensorEvent::SetCtrl);
        if (c.driverId == 0) {
            EXPECT_TRUE(writes.empty());
        } else {
            ASSERT_EQ(writes.size(), 1u);
            EXPECT_EQ(writes[0].id, c.driverId);
            EXPECT_EQ(writes[0].value, c.value);
        }
    }
}
