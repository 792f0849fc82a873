#pragma once
// A camera on a scripted sensor with a fake clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "ScriptedSensor.h"
#include "VeltorTOFCamera.h"

namespace Veltor {
namespace testing {

// Upper bound for waits that only end this late when the code is broken.
constexpr std::chrono::milliseconds kLongWait{10000};
constexpr int16_t kLongWaitMs = 10000;

// One 240 x 180 capture whose four sub-frames hold one sample each.
inline std::vector<uint8_t> hqvgaCapture(uint16_t s0, uint16_t s1, uint16_t s2, uint16_t s3) {
    const size_t pixels = 240 * 180;
    std::vector<uint8_t> bytes(4 * pixels * 2);
    const uint16_t samples[4] = {s0, s1, s2, s3};
    for (size_t p = 0; p < 4; ++p) {
        for (size_t i = 0; i < pixels; ++i) std::memcpy(&bytes[(p * pixels + i) * 2], &samples[p], 2);
    }
    return bytes;
}

inline uint64_t timestampOf(VeltorFrameBuffer* frame) {
    FrameFormat f;
    if (frame->getFormat(DEPTH, f) == 0 || frame->getFormat(RAW, f) == 0) return f.timestamp;
    return UINT64_MAX;
}

class CameraFixture : public ::testing::Test {
protected:
    void make(SensorScriptConfig config = {}, const RecordingDeviceConfig* recording = nullptr) {
        config.clock = clock;
        script = std::make_shared<SensorScript>(config);
        camera = std::make_unique<VeltorTOFCamera>(scriptedOptions(script, recording));
        ASSERT_EQ(camera->open(CSI, 0), 0);
    }

    // Hands one capture to the camera, followed by a failing probe: once the
    // probe is served, the capture before it has been delivered or dropped.
    // Returns what the application then gets (null: dropped).
    VeltorFrameBuffer* step(ScriptedCapture capture) {
        const size_t before = script->served();
        script->push(std::move(capture));
        script->push(ScriptedCapture{{}, 0, VeltorSystemError, 0});
        EXPECT_TRUE(script->waitServed(before + 2, kLongWait));
        return camera->requestFrame(0);
    }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<SensorScript> script;
    std::unique_ptr<VeltorTOFCamera> camera;
};

}  // namespace testing
}  // namespace Veltor
