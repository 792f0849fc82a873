// The capture loop end to end through the camera's public operations.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <thread>

#include "camera_fixture.h"

using namespace Veltor;
using namespace Veltor::testing;

using CaptureLoop = CameraFixture;

TEST_F(CaptureLoop, DeliversEveryCaptureWithTheDefaults) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    const CameraInfo info = camera->getCameraInfo();
    EXPECT_EQ(info.type, DEPTH);
    EXPECT_EQ(info.width, 240u);
    EXPECT_EQ(info.height, 180u);
    EXPECT_EQ(info.bit_width, 12u);
    EXPECT_EQ(info.bpp, 2u);
    for (uint64_t ts = 101; ts <= 108; ++ts) {
        VeltorFrameBuffer* frame = step({{}, ts, 0, 0});
        ASSERT_NE(frame, nullptr) << ts;
        EXPECT_NE(dynamic_cast<DepthData*>(frame), nullptr);
        EXPECT_EQ(timestampOf(frame), ts);
        EXPECT_EQ(camera->releaseFrame(frame), 0);
    }
    EXPECT_EQ(camera->stop(), 0);
}

TEST_F(CaptureLoop, RawOutputIsTheDeinterleavedCapture) {
    make();
    ASSERT_EQ(camera->start(RAW), 0);
    // Sub-frame p holds the sample p + 1: output rows cycle 16, 32, 48, 64.
    VeltorFrameBuffer* frame = step({hqvgaCapture(1, 2, 3, 4), 5, 0, 0});
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(dynamic_cast<RawData*>(frame), nullptr);
    FrameFormat f;
    ASSERT_EQ(frame->getFormat(RAW, f), 0);
    EXPECT_EQ(f.width, 240u);
    EXPECT_EQ(f.height, 720u);
    EXPECT_EQ(f.timestamp, 5u);
    const auto* raw = static_cast<const int16_t*>(frame->getData(RAW));
    for (uint32_t row : {0u, 1u, 2u, 3u, 717u, 718u, 719u}) {
        EXPECT_EQ(raw[row * 240], int16_t(16 * (row % 4 + 1))) << row;
        EXPECT_EQ(raw[row * 240 + 239], int16_t(16 * (row % 4 + 1))) << row;
    }
    EXPECT_EQ(camera->releaseFrame(frame), 0);
}

TEST_F(CaptureLoop, SkipOneOfFourDeliversThreeOfEveryFour) {
    make();
    ASSERT_EQ(camera->setControl(SKIP_FRAME, 1), 0);
    ASSERT_EQ(camera->setControl(SKIP_FRAME_LOOP, 4), 0);
    ASSERT_EQ(camera->start(DEPTH), 0);
    // The counter runs 1, 2, 3, 0, ...: the fourth of each loop is dropped.
    const bool delivered[] = {true, true, true, false, true, true, true, false, true};
    for (size_t k = 0; k < sizeof delivered; ++k) {
        VeltorFrameBuffer* frame = step({{}, 1000 + k, 0, 0});
        EXPECT_EQ(frame != nullptr, delivered[k]) << k;
        if (frame != nullptr) {
            EXPECT_EQ(timestampOf(frame), 1000 + k);
            EXPECT_EQ(camera->releaseFrame(frame), 0);
        }
    }
}

TEST_F(CaptureLoop, LoopOfZeroOrAMultipleOf256NeverDelivers) {
    for (int loop : {0, 256, 512}) {
        make();
        ASSERT_EQ(camera->setControl(SKIP_FRAME_LOOP, loop), 0);
        ASSERT_EQ(camera->start(DEPTH), 0);
        for (int k = 0; k < 5; ++k) EXPECT_EQ(step({{}, uint64_t(k), 0, 0}), nullptr) << loop;
        EXPECT_EQ(camera->requestFrame(20), nullptr);
        camera.reset();
    }
}

TEST_F(CaptureLoop, SensorErrorsAndRefusedConversionsAreDropped) {
    RecordingDeviceConfig refuse;
    refuse.phaseResult = false;
    make({}, &refuse);  // recording devices for every size
    ASSERT_EQ(camera->start(DEPTH), 0);
    EXPECT_EQ(step({{}, 1, 0, 0}), nullptr);  // the model refuses every conversion
    camera.reset();

    make({}, nullptr);
    ASSERT_EQ(camera->start(DEPTH), 0);
    EXPECT_EQ(step({{}, 1, VeltorSystemError, 0}), nullptr);
    EXPECT_EQ(step({{}, 2, VeltorInvalidParameter, 0}), nullptr);
    VeltorFrameBuffer* frame = step({{}, 3, 0, 0});
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(timestampOf(frame), 3u);
}

TEST_F(CaptureLoop, RequestFramePollsTimesOutAndWaits) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    EXPECT_EQ(camera->requestFrame(0), nullptr);

    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(camera->requestFrame(30), nullptr);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(30));

    auto waiter = std::async(std::launch::async, [&] { return camera->requestFrame(-1); });
    script->push({{}, 77, 0, 0});
    ASSERT_EQ(waiter.wait_for(kLongWait), std::future_status::ready);
    VeltorFrameBuffer* frame = waiter.get();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(timestampOf(frame), 77u);
}

// Captures are scripted one by one rather than streamed endlessly, so that
// no wait depends on how the threads are scheduled: a ready frame the capture
// thread reclaims while the script is empty comes back to the ready queue
// when that capture fails.
TEST_F(CaptureLoop, HoldingAllThreeFramesPausesCapture) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    script->pushRepeated(3, 1);

    std::set<VeltorFrameBuffer*> held;
    uint64_t newest = 0;
    for (int k = 0; k < 3; ++k) {
        VeltorFrameBuffer* frame = camera->requestFrame(kLongWaitMs);
        ASSERT_NE(frame, nullptr);
        newest = std::max(newest, timestampOf(frame));
        held.insert(frame);
    }
    EXPECT_EQ(held.size(), 3u);
    EXPECT_EQ(newest, 3u);  // the three captures, none lost
    // No node is free: nothing can be captured, let alone delivered.
    const size_t served = script->served();
    EXPECT_EQ(camera->requestFrame(50), nullptr);
    EXPECT_EQ(script->served(), served);

    ASSERT_EQ(camera->releaseFrame(*held.begin()), 0);
    held.erase(held.begin());
    script->push({{}, newest + 1, 0, 0});
    VeltorFrameBuffer* resumed = camera->requestFrame(kLongWaitMs);
    ASSERT_NE(resumed, nullptr);
    EXPECT_GT(timestampOf(resumed), newest);
    EXPECT_EQ(held.count(resumed), 0u);
}

TEST_F(CaptureLoop, AFrameOfARebuiltPoolIsRefused) {
    SensorScriptConfig config;
    config.loop = true;
    make(config);
    script->push({});
    ASSERT_EQ(camera->start(DEPTH), 0);
    VeltorFrameBuffer* old = camera->requestFrame(kLongWaitMs);
    ASSERT_NE(old, nullptr);
    ASSERT_EQ(camera->stop(), 0);
    ASSERT_EQ(camera->start(DEPTH), 0);
    EXPECT_EQ(camera->releaseFrame(old), -1);
    VeltorFrameBuffer* fresh = camera->requestFrame(kLongWaitMs);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(camera->releaseFrame(fresh), 0);
}

TEST_F(CaptureLoop, ReleasingTwiceIsRefusedAndThePoolStaysIntact) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    script->push({{}, 1, 0, 0});

    DepthData stranger(240, 180);
    EXPECT_EQ(camera->releaseFrame(nullptr), -1);
    EXPECT_EQ(camera->releaseFrame(&stranger), -1);

    VeltorFrameBuffer* frame = camera->requestFrame(kLongWaitMs);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(camera->releaseFrame(frame), 0);
    EXPECT_EQ(camera->releaseFrame(frame), -1);

    // A node linked into the free list twice would be handed out twice.
    script->pushRepeated(3, 2);
    std::set<VeltorFrameBuffer*> held;
    for (int k = 0; k < 3; ++k) {
        VeltorFrameBuffer* f = camera->requestFrame(kLongWaitMs);
        ASSERT_NE(f, nullptr);
        held.insert(f);
    }
    EXPECT_EQ(held.size(), 3u);
    EXPECT_EQ(camera->requestFrame(50), nullptr);
    for (VeltorFrameBuffer* f : held) EXPECT_EQ(camera->releaseFrame(f), 0);
}

TEST_F(CaptureLoop, ModelChoiceByResolution) {
    make();  // 240 x 180
    CameraInfo info = camera->getCameraInfo();
    EXPECT_EQ(info.device_type, HQVGA);
    int fx = 0;
    EXPECT_EQ(camera->getControl(INTRINSIC_FX, &fx), 0);
    EXPECT_EQ(fx, 19092);
    EXPECT_STREQ(camera->getCameraID(), "");
    ASSERT_EQ(camera->start(RAW), 0);
    // Four sub-frames per capture: 240 x 720 samples of 2 bytes.
    VeltorFrameBuffer* frame = step({{}, 1, 0, 0});
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(script->lastCapacity(), 240u * 720u * 2u);
    camera.reset();

    for (auto size : {std::pair<uint32_t, uint32_t>{640, 480}, {320, 240}, {240, 181}, {180, 240}}) {
        SensorScriptConfig config;
        config.width = size.first;
        config.height = size.second;
        make(config);
        info = camera->getCameraInfo();
        EXPECT_EQ(info.device_type, VGA) << size.first << "x" << size.second;
        EXPECT_STREQ(camera->getCameraID(), "recording-device");
        ASSERT_EQ(camera->start(RAW), 0);
        frame = step({{}, 1, 0, 0});
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(script->lastCapacity(), size_t(size.first) * size.second * 2);  // one sub-frame
        camera.reset();
    }
}

TEST_F(CaptureLoop, FpsSmoothingFirstStepThenOneThirtieth) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    EXPECT_EQ(camera->getFps(), 0.0f);
    // The first interval sets the average; the next step mixes in 0.1 of the
    // new interval, every later one 1/30.
    auto deliver = [&](uint64_t ts, int64_t takesNs) {
        VeltorFrameBuffer* frame = step({{}, ts, 0, takesNs});
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(camera->releaseFrame(frame), 0);
    };
    deliver(1, 100000000);
    EXPECT_FLOAT_EQ(camera->getFps(), 10.0f);
    deliver(2, 50000000);
    EXPECT_FLOAT_EQ(camera->getFps(), 1000.0f / 95.0f);
    deliver(3, 50000000);
    EXPECT_NEAR(camera->getFps(), 1000.0f / (50.0f / 30.0f + 95.0f * 29.0f / 30.0f), 1e-3);
    // Intervals are counted in whole milliseconds.
    deliver(4, 999999);
    EXPECT_NEAR(camera->getFps(), 1000.0f / ((0.0f + 93.5f * 29.0f) / 30.0f), 1e-3);
}

TEST_F(CaptureLoop, FpsConvergesToTwentyWithFramesEvery50ms) {
    make();
    // One slow frame first, then 399 at 50 ms.
    script->push({{}, 0, 0, 400000000});
    script->pushRepeated(399, 1, 50000000);
    ASSERT_EQ(camera->start(DEPTH), 0);
    ASSERT_TRUE(script->waitServed(400, kLongWait));
    ASSERT_EQ(camera->stop(), 0);
    EXPECT_NEAR(camera->getFps(), 20.0f, 0.01f);
}

// The feedback loop: the sensor is paced by its own FRAME_RATE control.
struct FeedbackCase {
    const char* name;
    int sensorRate;    // FRAME_RATE before start
    int64_t fixedNs;   // extra time per capture besides the pacing
    bool paced;
    int skip, loop;
    bool autoRate;
    int expectFinal;   // FRAME_RATE after 40 s of fake time
    bool expectWrites;
};

void PrintTo(const FeedbackCase& c, std::ostream* os) { *os << c.name; }

class FrameRateFeedback : public CameraFixture, public ::testing::WithParamInterface<FeedbackCase> {};

TEST_P(FrameRateFeedback, SetsTheSensorRate) {
    const FeedbackCase& c = GetParam();
    SensorScriptConfig config;
    config.loop = true;
    config.pacedByFrameRate = c.paced;
    config.width = 640;  // a recording device passes FRAME_RATE to the sensor
    config.height = 480;
    make(config);
    script->setControlValue(FRAME_RATE, c.sensorRate);
    script->push({{}, 0, 0, c.fixedNs});
    ASSERT_EQ(camera->setControl(SKIP_FRAME, c.skip), 0);
    ASSERT_EQ(camera->setControl(SKIP_FRAME_LOOP, c.loop), 0);
    ASSERT_EQ(camera->setControl(AUTO_FRAME_RATE, c.autoRate ? 1 : 0), 0);
    ASSERT_EQ(camera->start(RAW), 0);
    const int64_t start = clock->nowNs();
    while (clock->nowNs() - start < 40000000000LL) {
        ASSERT_TRUE(script->waitServed(script->served() + 1, kLongWait));
    }
    ASSERT_EQ(camera->stop(), 0);
    int rate = 0;
    ASSERT_TRUE(script->controlValue(FRAME_RATE, &rate));
    EXPECT_EQ(rate, c.expectFinal);
    bool wrote = false;
    for (const SensorEvent& e : script->events(SensorEvent::SetControl)) {
        if (e.id == FRAME_RATE) wrote = true;
    }
    EXPECT_EQ(wrote, c.expectWrites);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameRateFeedback,
    ::testing::Values(
        // Sensor set to 30 but frames come every 50 ms: corrected to 20.
        FeedbackCase{"slowSensor", 30, 50000000, false, 0, 1, true, 20, true},
        // Within a tenth of the setting: left alone.
        FeedbackCase{"withinTolerance", 21, 50000000, false, 0, 1, true, 21, false},
        // Feedback off.
        FeedbackCase{"autoOff", 30, 50000000, false, 0, 1, false, 30, false},
        // Sensor runs at its setting; one of four frames skipped: the sensor
        // rate (not the delivered 15) is compared, so it stays at 20.
        FeedbackCase{"skippingKeepsRate", 20, 0, true, 1, 4, true, 20, false},
        // Every frame skipped: nothing is measured, nothing is changed.
        FeedbackCase{"allSkipped", 20, 0, true, 0, 0, true, 20, false}),
    [](const ::testing::TestParamInfo<FeedbackCase>& info) { return std::string(info.param.name); });

TEST_F(CaptureLoop, HqvgaDepthAndAmplitudeOfWorkedValues) {
    make();
    // Range 4000 (the default, 37.5 MHz): P0..P3 are sub-frames 1, 2, 3, 0.
    // Sub-frames 0 and 2 equal (Q = 0), sub-frame 3 below sub-frame 1
    // (I < 0): phi = pi, 2000 mm; amplitude |I| / 2.
    ASSERT_EQ(camera->start(DEPTH), 0);
    const uint16_t minus1 = 0x7FF;  // -1 in 11 bits: -16
    VeltorFrameBuffer* frame = step({hqvgaCapture(5, 1, 5, minus1), 1, 0, 0});
    ASSERT_NE(frame, nullptr);
    const auto* depth = static_cast<const float*>(frame->getData(DEPTH));
    const auto* amplitude = static_cast<const float*>(frame->getData(AMPLITUDE));
    const auto* confidence = static_cast<const float*>(frame->getData(CONFIDENCE));
    for (size_t i : {size_t(0), size_t(240 * 180 - 1)}) {
        EXPECT_NEAR(depth[i], 2000.0f, 0.01f);
        EXPECT_FLOAT_EQ(amplitude[i], 16.0f);  // I = -16 - 16 = -32
        EXPECT_FLOAT_EQ(confidence[i], 16.0f);
    }
    ASSERT_EQ(camera->releaseFrame(frame), 0);
    ASSERT_EQ(camera->stop(), 0);

    // Range 2000 (75 MHz): sub-frames in order; phi = pi gives 1000 mm.
    ASSERT_EQ(camera->setControl(RANGE, 2000), 0);
    ASSERT_EQ(camera->start(DEPTH), 0);
    frame = step({hqvgaCapture(1, 5, minus1, 5), 2, 0, 0});
    ASSERT_NE(frame, nullptr);
    depth = static_cast<const float*>(frame->getData(DEPTH));
    EXPECT_NEAR(depth[0], 1000.0f, 0.01f);
    ASSERT_EQ(camera->releaseFrame(frame), 0);

    // All four sub-frames equal: atan2(0, 0) = 0, depth 0, amplitude 0.
    frame = step({hqvgaCapture(9, 9, 9, 9), 3, 0, 0});
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(static_cast<const float*>(frame->getData(DEPTH))[100], 0.0f);
    EXPECT_EQ(static_cast<const float*>(frame->getData(AMPLITUDE))[100], 0.0f);
}
