// Controls through the camera: the camera's own controls and what reaches
// the device model and sensor; controls from another thread while the
// capture thread runs its frame-rate feedback; frames reclaimed by the
// capture thread are not lost when the capture fails or is skipped.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "camera_fixture.h"

using namespace Veltor;
using namespace Veltor::testing;

namespace {

struct Traffic {
    SensorEvent::Kind kind;
    uint32_t id;
    int64_t value;
};

// Events below the camera: what the model and the sensor were asked.
std::vector<SensorEvent> controlTraffic(const SensorScript& script) {
    std::vector<SensorEvent> out;
    for (const SensorEvent& e : script.events()) {
        switch (e.kind) {
        case SensorEvent::DeviceSetControl:
        case SensorEvent::DeviceGetControl:
        case SensorEvent::SetControl:
        case SensorEvent::GetControl:
        case SensorEvent::SetCtrl:
        case SensorEvent::GetCtrl:
        case SensorEvent::ReadReg:
        case SensorEvent::WriteReg:
            out.push_back(e);
            break;
        default:
            break;
        }
    }
    return out;
}

void expectTraffic(const SensorScript& script, const std::vector<Traffic>& want, const std::string& where) {
    const auto seen = controlTraffic(script);
    ASSERT_EQ(seen.size(), want.size()) << where;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(seen[i].kind, want[i].kind) << where << " #" << i;
        EXPECT_EQ(seen[i].id, want[i].id) << where << " #" << i;
        EXPECT_EQ(seen[i].value, want[i].value) << where << " #" << i;
    }
}

constexpr int kUntouched = -4242;

}  // namespace

using CameraControls = CameraFixture;

// A recording model passes every control on to the sensor; the table shows
// which controls the camera keeps to itself.
TEST_F(CameraControls, CameraLayerKeepsItsOwnAndPassesTheRestDown) {
    constexpr auto DS = SensorEvent::DeviceSetControl;
    constexpr auto DG = SensorEvent::DeviceGetControl;
    constexpr auto SS = SensorEvent::SetControl;
    constexpr auto SG = SensorEvent::GetControl;
    struct Step {
        bool set;
        Control control;
        int value;  // value to set
        int result;
        int got;  // value read back (kUntouched: output left alone)
        std::vector<Traffic> traffic;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } rows[] = {
        {"skip frame is stored, never answered",
         {{true, SKIP_FRAME, 1, 0, 0, {}},
          {false, SKIP_FRAME, 0, 4, kUntouched, {{SG, SKIP_FRAME, 0}, {DG, SKIP_FRAME, 0}}}}},
        {"skip loop is stored, never answered",
         {{true, SKIP_FRAME_LOOP, 7, 0, 0, {}},
          {false, SKIP_FRAME_LOOP, 0, 4, kUntouched, {{SG, SKIP_FRAME_LOOP, 0}, {DG, SKIP_FRAME_LOOP, 0}}}}},
        {"any value is taken", {{true, SKIP_FRAME, -100, 0, 0, {}}, {true, SKIP_FRAME_LOOP, 100000, 0, 0, {}}}},
        {"auto frame rate on by default", {{false, AUTO_FRAME_RATE, 0, 0, 1, {}}}},
        {"auto frame rate off",
         {{true, AUTO_FRAME_RATE, 0, 0, 0, {}}, {false, AUTO_FRAME_RATE, 0, 0, 0, {}}}},
        {"auto frame rate is any non-zero",
         {{true, AUTO_FRAME_RATE, 0, 0, 0, {}},
          {true, AUTO_FRAME_RATE, -3, 0, 0, {}},
          {false, AUTO_FRAME_RATE, 0, 0, 1, {}}}},
        {"exposure goes down",
         {{true, EXPOSURE, 100, 0, 0, {{SS, EXPOSURE, 100}, {DS, EXPOSURE, 100}}},
          {false, EXPOSURE, 0, 0, 100, {{SG, EXPOSURE, 100}, {DG, EXPOSURE, 100}}}}},
        {"range goes down", {{true, RANGE, 2000, 0, 0, {{SS, RANGE, 2000}, {DS, RANGE, 2000}}}}},
        {"unknown to the sensor", {{false, DENOISE, 0, 4, kUntouched, {{SG, DENOISE, 0}, {DG, DENOISE, 0}}}}},
    };
    for (const auto& row : rows) {
        RecordingDeviceConfig recording;
        make({}, &recording);
        for (const Step& step : row.steps) {
            script->clearEvents();
            int value = kUntouched;
            const int r = step.set ? camera->setControl(step.control, step.value)
                                   : camera->getControl(step.control, &value);
            EXPECT_EQ(r, step.result) << row.name;
            if (!step.set) {
                EXPECT_EQ(value, step.got) << row.name;
            }
            expectTraffic(*script, step.traffic, row.name);
        }
    }
}

TEST_F(CameraControls, FourPhaseModelRows) {
    make();  // 240 x 180: the four-phase model over the scripted sensor
    constexpr auto SS = SensorEvent::SetControl;
    constexpr auto SG = SensorEvent::GetControl;
    const struct {
        bool set;
        Control control;
        int value;
        int result;
        int got;
        std::vector<Traffic> traffic;
    } rows[] = {
        {false, RANGE, 0, 0, 4000, {}},
        {true, RANGE, 2000, 0, 0, {{SS, RANGE, 2000}}},
        {false, RANGE, 0, 0, 2000, {}},
        {true, RANGE, 3000, 0, 0, {{SS, RANGE, 3000}}},
        {false, RANGE, 0, 0, 3000, {}},
        {false, INTRINSIC_FX, 0, 0, 19092, {}},
        {false, INTRINSIC_FY, 0, 0, 19125, {}},
        {false, INTRINSIC_CX, 0, 0, 12000, {}},
        {false, INTRINSIC_CY, 0, 0, 9000, {}},
        {true, INTRINSIC_FX, 19000, 1, 0, {}},
        {true, INTRINSIC_CY, 1, 1, 0, {}},
        {true, EXPOSURE, 100, 1, 0, {}},
        {true, FRAME_RATE, 30, 1, 0, {}},
        {true, HFLIP, 1, 1, 0, {}},
        {false, EXPOSURE, 0, 4, kUntouched, {{SG, EXPOSURE, 0}}},
        {false, MODE, 0, 4, kUntouched, {{SG, MODE, 0}}},
    };
    for (const auto& row : rows) {
        script->clearEvents();
        int value = kUntouched;
        const int r = row.set ? camera->setControl(row.control, row.value) : camera->getControl(row.control, &value);
        const std::string where = std::string(row.set ? "set " : "get ") + std::to_string(row.control);
        EXPECT_EQ(r, row.result) << where;
        if (!row.set) {
            EXPECT_EQ(value, row.got) << where;
        }
        expectTraffic(*script, row.traffic, where);
    }
    // Text controls: refused by the model.
    const char* text = "unchanged";
    EXPECT_EQ(camera->setControlExt(CONFIG_DIR_EXT, "/tmp"), 1);
    EXPECT_EQ(camera->getControlExt(CONFIG_DIR_EXT, &text), 1);
    EXPECT_STREQ(text, "unchanged");

    // A range the sensor refuses changes nothing.
    script->setControlResult(RANGE, 1);
    int range = 0;
    EXPECT_EQ(camera->setControl(RANGE, 4000), 1);
    ASSERT_EQ(camera->getControl(RANGE, &range), 0);
    EXPECT_EQ(range, 3000);
}

TEST_F(CameraControls, StartReappliesTheCurrentRange) {
    make();
    ASSERT_EQ(camera->setControl(RANGE, 2000), 0);
    script->clearEvents();
    ASSERT_EQ(camera->start(DEPTH), 0);
    const auto sets = script->events(SensorEvent::SetControl);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].id, uint32_t(RANGE));
    EXPECT_EQ(sets[0].value, 2000);
}

namespace {

// Records control calls that overlap: the camera must never have two of them
// inside the model at once (the application's and the frame-rate feedback's).
class OverlapDevice : public RecordingDevice {
public:
    OverlapDevice(std::shared_ptr<SensorScript> s, std::shared_ptr<std::atomic<int>> overlaps)
        : RecordingDevice(std::move(s), RecordingDeviceConfig{}), overlapCount(std::move(overlaps)) {}
    int setControl(Control control, int value) override {
        Inside in(*this);
        return RecordingDevice::setControl(control, value);
    }
    int getControl(Control control, int* value) override {
        Inside in(*this);
        return RecordingDevice::getControl(control, value);
    }

private:
    struct Inside {
        explicit Inside(OverlapDevice& d) : device(d) {
            if (device.inside.fetch_add(1) != 0) device.overlapCount->fetch_add(1);
            std::this_thread::yield();  // widen the window for a second caller
        }
        ~Inside() { device.inside.fetch_sub(1); }
        OverlapDevice& device;
    };
    std::atomic<int> inside{0};
    std::shared_ptr<std::atomic<int>> overlapCount;
};

}  // namespace

TEST(CameraControlThreads, ControlsFromAnotherThreadWhileStreamingAreSerialised) {
    auto clock = std::make_shared<FakeClock>();
    SensorScriptConfig config;
    config.loop = true;
    config.sequenceTimestamps = true;
    config.clock = clock;
    config.width = 640;
    config.height = 480;
    auto script = std::make_shared<SensorScript>(config);
    // Each capture takes a fake second: the frame-rate feedback (every 3 s)
    // runs every few frames, lowering the rate to 1 whenever it was raised.
    script->push({{}, 0, 0, 1000000000});
    auto overlaps = std::make_shared<std::atomic<int>>(0);
    VeltorCameraOptions options = scriptedOptions(script);
    options.backends.vgaDevice = [script, overlaps](PlatformKind) {
        return std::make_unique<OverlapDevice>(script, overlaps);
    };
    VeltorTOFCamera camera(options);
    ASSERT_EQ(camera.open(CSI, 0), 0);
    ASSERT_EQ(camera.start(RAW), 0);

    std::atomic<bool> done{false};
    std::atomic<int> wrongResults{0};
    std::thread hammer([&] {
        for (int i = 0; i < 3000; ++i) {
            int value = 0;
            if (camera.setControl(FRAME_RATE, 30) != 0) ++wrongResults;
            if (camera.getControl(FRAME_RATE, &value) != 0) ++wrongResults;
            if (camera.setControl(EXPOSURE, 1 + i % 100) != 0) ++wrongResults;
            if (camera.setControl(SKIP_FRAME, i % 2) != 0) ++wrongResults;
            if (camera.setControl(SKIP_FRAME_LOOP, 2 + i % 3) != 0) ++wrongResults;
            if (camera.getControl(AUTO_FRAME_RATE, &value) != 0 || value != 1) ++wrongResults;
        }
        done.store(true);
    });
    // Meanwhile frames are taken and the stream is restarted now and then:
    // stop joins the capture thread while controls wait for the camera.
    size_t delivered = 0;
    int restarts = 0;
    while (!done.load() || restarts < 2) {
        VeltorFrameBuffer* frame = camera.requestFrame(50);
        if (frame != nullptr) {
            ++delivered;
            EXPECT_EQ(camera.releaseFrame(frame), 0);
        }
        if (delivered % 25 == 24) {
            ASSERT_EQ(camera.stop(), 0);
            ASSERT_EQ(camera.start(RAW), 0);
            ++restarts;
            ++delivered;
        }
    }
    hammer.join();
    ASSERT_EQ(camera.stop(), 0);
    EXPECT_EQ(wrongResults.load(), 0);
    EXPECT_EQ(overlaps->load(), 0);
    EXPECT_GT(script->served(), 0u);
    // The feedback did run while the controls came in: it wrote rate 1.
    bool feedbackWrote = false;
    for (const SensorEvent& e : script->events(SensorEvent::SetControl)) {
        if (e.id == uint32_t(FRAME_RATE) && e.value == 1) feedbackWrote = true;
    }
    EXPECT_TRUE(feedbackWrote);
}

// The capture thread overwrites the oldest ready frame only when the free
// list is empty; if that capture then fails or is skipped, the frame was not
// touched and is delivered as it was.
TEST_F(CameraControls, AReclaimedFrameSurvivesAFailedOrSkippedCapture) {
    for (bool skipped : {false, true}) {
        make();
        if (skipped) {
            // Delivered pattern 1, 1, 1, 0: the fourth capture is skipped.
            ASSERT_EQ(camera->setControl(SKIP_FRAME, 1), 0);
            ASSERT_EQ(camera->setControl(SKIP_FRAME_LOOP, 4), 0);
        }
        ASSERT_EQ(camera->start(RAW), 0);
        script->push({hqvgaCapture(1, 0, 0, 0), 1, 0, 0});
        VeltorFrameBuffer* first = camera->requestFrame(kLongWaitMs);
        ASSERT_NE(first, nullptr);
        script->push({hqvgaCapture(2, 0, 0, 0), 2, 0, 0});
        VeltorFrameBuffer* second = camera->requestFrame(kLongWaitMs);
        ASSERT_NE(second, nullptr);
        // Two held, one free: capture 3 fills the last node and is ready.
        // The next capture finds no free node and takes the ready one.
        const size_t before = script->served();
        script->push({hqvgaCapture(3, 0, 0, 0), 3, 0, 0});
        if (skipped) {
            script->push({hqvgaCapture(4, 0, 0, 0), 4, 0, 0});
        } else {
            script->push({{}, 4, VeltorSystemError, 0});
        }
        ASSERT_TRUE(script->waitServed(before + 2, kLongWait));
        VeltorFrameBuffer* third = camera->requestFrame(kLongWaitMs);
        ASSERT_NE(third, nullptr) << (skipped ? "skipped" : "failed");
        EXPECT_EQ(timestampOf(third), 3u);
        EXPECT_EQ(static_cast<const int16_t*>(third->getData(RAW))[0], 16 * 3);
        EXPECT_EQ(camera->releaseFrame(third), 0);
        EXPECT_EQ(camera->releaseFrame(first), 0);
        EXPECT_EQ(camera->releaseFrame(second), 0);
        ASSERT_EQ(camera->stop(), 0);
        camera.reset();
    }
}
