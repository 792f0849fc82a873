// open / start / stop / close, and the guards around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

#include "camera_fixture.h"

using namespace Veltor;
using namespace Veltor::testing;

using Lifecycle = CameraFixture;

namespace {

size_t indexOf(const std::vector<SensorEvent>& events, SensorEvent::Kind kind, size_t from = 0) {
    for (size_t i = from; i < events.size(); ++i) {
        if (events[i].kind == kind) return i;
    }
    return SIZE_MAX;
}

std::vector<SensorEvent::Kind> kinds(const std::vector<SensorEvent>& events) {
    std::vector<SensorEvent::Kind> out;
    for (const SensorEvent& e : events) out.push_back(e.kind);
    return out;
}

}  // namespace

TEST_F(Lifecycle, OpenCreatesTheBackEndForTheConnection) {
    make();
    EXPECT_EQ(camera->open(CSI, 3), 0);
    EXPECT_EQ(camera->open(USB, 2), 0);
    EXPECT_EQ(camera->openWithFile("scene.ini", 5), 0);
    const std::vector<std::string> created = script->createdWith();
    ASSERT_EQ(created.size(), 4u);
    EXPECT_EQ(created[0], "/dev/video0");
    EXPECT_EQ(created[1], "/dev/video3");
    EXPECT_EQ(created[2], "usb::2");
    EXPECT_EQ(created[3], "usb:scene.ini:5");
    const CameraInfo info = camera->getCameraInfo();
    EXPECT_EQ(info.index, 5u);
    EXPECT_EQ(info.connect, USB);

    EXPECT_EQ(camera->openWithFile(nullptr, 0), -1);
    EXPECT_EQ(camera->open(static_cast<Connection>(7), 0), -1);
    EXPECT_EQ(script->createdWith().size(), 4u);
}

TEST_F(Lifecycle, StartRunsItsStepsInOrder) {
    RecordingDeviceConfig recording;
    make({}, &recording);
    script->clearEvents();
    ASSERT_EQ(camera->start(DEPTH), 0);
    ASSERT_EQ(camera->stop(), 0);
    ASSERT_EQ(camera->close(), 0);
    const std::vector<SensorEvent> events = script->events();
    const std::vector<SensorEvent::Kind> expected = {
        SensorEvent::GetControl,       // RANGE read through the model...
        SensorEvent::DeviceGetControl,
        SensorEvent::SetControl,       // ...and written back
        SensorEvent::DeviceSetControl,
        SensorEvent::DevicePrepare, SensorEvent::Start, SensorEvent::DeviceStart,
        SensorEvent::DeviceStop,    SensorEvent::Stop,  SensorEvent::DeviceClose, SensorEvent::Close,
    };
    std::vector<SensorEvent::Kind> got = kinds(events);
    // Frame capture may add nothing else: the script is empty.
    EXPECT_EQ(got, expected);
    EXPECT_EQ(events[0].id, uint32_t(RANGE));
}

TEST_F(Lifecycle, StartWhileStreamingIsRefusedAndChangesNothing) {
    SensorScriptConfig config;
    config.loop = true;
    make(config);
    script->push({});
    ASSERT_EQ(camera->start(DEPTH), 0);
    const size_t starts = script->events(SensorEvent::Start).size();
    EXPECT_EQ(camera->start(RAW), -1);
    EXPECT_EQ(camera->setOutputType(RAW), -1);
    EXPECT_EQ(script->events(SensorEvent::Start).size(), starts);
    EXPECT_EQ(camera->getCameraInfo().type, DEPTH);
    VeltorFrameBuffer* frame = camera->requestFrame(kLongWaitMs);
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(dynamic_cast<DepthData*>(frame), nullptr);
    EXPECT_EQ(camera->releaseFrame(frame), 0);
}

TEST_F(Lifecycle, DestroyingAStreamingCameraStopsIt) {
    SensorScriptConfig config;
    config.loop = true;
    make(config);
    script->push({});
    ASSERT_EQ(camera->start(DEPTH), 0);
    ASSERT_TRUE(script->waitServed(3, kLongWait));
    camera.reset();  // would abort the process with the worker still joinable
    const std::vector<SensorEvent> events = script->events();
    EXPECT_NE(indexOf(events, SensorEvent::Stop), SIZE_MAX);
    EXPECT_NE(indexOf(events, SensorEvent::Destroyed), SIZE_MAX);
}

TEST_F(Lifecycle, StopIsHarmlessWhenNotStreaming) {
    make();
    EXPECT_EQ(camera->stop(), 0);  // before any start
    ASSERT_EQ(camera->start(DEPTH), 0);
    EXPECT_EQ(camera->stop(), 0);
    EXPECT_EQ(camera->stop(), 0);  // twice
    EXPECT_EQ(script->events(SensorEvent::Stop).size(), 1u);
    EXPECT_EQ(camera->start(DEPTH), 0);  // and streaming again works
    EXPECT_EQ(camera->close(), 0);
    EXPECT_FALSE(camera->isStreaming());

    VeltorTOFCamera unopened(scriptedOptions(script));
    EXPECT_EQ(unopened.stop(), 0);
}

TEST_F(Lifecycle, OperationsWithoutSensorModelOrCacheFailCleanly) {
    // Never opened.
    VeltorTOFCamera camera0(VeltorCameraOptions{});
    int value = 0;
    const char* text = nullptr;
    EXPECT_EQ(camera0.requestFrame(0), nullptr);
    EXPECT_EQ(camera0.requestFrame(-1), nullptr);
    EXPECT_EQ(camera0.releaseFrame(nullptr), -1);
    EXPECT_EQ(camera0.start(DEPTH), -1);
    EXPECT_EQ(camera0.setOutputType(RAW), -1);
    EXPECT_EQ(camera0.setControl(RANGE, 2000), -1);
    EXPECT_EQ(camera0.getControl(RANGE, &value), -1);
    EXPECT_EQ(camera0.setControlExt(CONFIG_DIR_EXT, "x"), -1);
    EXPECT_EQ(camera0.getControlExt(CONFIG_DIR_EXT, &text), -1);
    EXPECT_STREQ(camera0.getCameraID(), "");
    EXPECT_EQ(camera0.close(), -1);
    EXPECT_EQ(camera0.openPostHandle(), -1);
    EXPECT_FALSE(camera0.getPhaseImage(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(camera0.getRawImages(nullptr, nullptr), -1);
    // The camera-level controls need nothing below.
    EXPECT_EQ(camera0.setControl(SKIP_FRAME, 1), 0);
    EXPECT_EQ(camera0.getControl(AUTO_FRAME_RATE, &value), 0);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(camera0.getControl(AUTO_FRAME_RATE, nullptr), -1);

    // Opened, but the sensor's open failed: no model.
    SensorScriptConfig failing;
    failing.openResult = VeltorSystemError;
    script = std::make_shared<SensorScript>(failing);
    VeltorTOFCamera camera1(scriptedOptions(script));
    EXPECT_EQ(camera1.open(CSI, 0), VeltorSystemError);
    EXPECT_EQ(camera1.start(DEPTH), -1);
    EXPECT_EQ(camera1.setControl(RANGE, 4000), -1);
    EXPECT_EQ(camera1.getControl(FRAME_RATE, &value), -1);
    EXPECT_STREQ(camera1.getCameraID(), "");
    EXPECT_EQ(camera1.requestFrame(0), nullptr);

    // No back-end of that kind in this build.
    VeltorCameraOptions bare;
    bare.backends = VeltorBackendFactory{};
    VeltorTOFCamera camera2(bare);
    EXPECT_EQ(camera2.open(CSI, 0), -1);
    EXPECT_EQ(camera2.open(USB, 0), -1);
    EXPECT_EQ(camera2.start(RAW), -1);

    // A model kind missing: open fails, nothing dangles.
    SensorScriptConfig vgaSize;
    vgaSize.width = 640;
    vgaSize.height = 480;
    VeltorCameraOptions noVga = scriptedOptions(std::make_shared<SensorScript>(vgaSize));
    noVga.backends.vgaDevice = nullptr;
    VeltorTOFCamera camera3(noVga);
    EXPECT_EQ(camera3.open(CSI, 0), -1);
    EXPECT_EQ(camera3.getCameraInfo().device_type, VGA);
    EXPECT_EQ(camera3.start(RAW), -1);
    EXPECT_STREQ(camera3.getCameraID(), "");
}

TEST(LifecycleFactories, AThrowingFactoryIsAnError) {
    auto script = std::make_shared<SensorScript>();
    VeltorCameraOptions options = scriptedOptions(script);
    options.backends.csiSensor = [](PlatformKind, const char*) -> std::unique_ptr<VeltorTOFSensor> {
        throw std::runtime_error("no device");
    };
    options.backends.hqvgaDevice = [](PlatformKind) -> std::unique_ptr<VeltorDevice> {
        throw std::bad_alloc();
    };
    VeltorTOFCamera camera(options);
    EXPECT_EQ(camera.open(CSI, 0), VeltorSystemError);
    EXPECT_EQ(camera.open(USB, 0), VeltorSystemError);  // sensor fine, model throws
    EXPECT_EQ(camera.start(DEPTH), -1);
    EXPECT_STREQ(camera.getCameraID(), "");
}

TEST_F(Lifecycle, OpenWhileStreamingIsRefused) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    const size_t created = script->createdWith().size();
    EXPECT_EQ(camera->open(CSI, 1), -1);
    EXPECT_EQ(camera->openWithFile("x", 1), -1);
    EXPECT_EQ(camera->openPostHandle(), -1);
    EXPECT_EQ(script->createdWith().size(), created);
    EXPECT_EQ(camera->getCameraInfo().index, 0u);
    EXPECT_TRUE(camera->isStreaming());
}

TEST_F(Lifecycle, ReopenReplacesTheModelBeforeItsSensor) {
    RecordingDeviceConfig recording;
    make({}, &recording);
    script->clearEvents();
    ASSERT_EQ(camera->open(USB, 1), 0);
    const std::vector<SensorEvent> events = script->events();
    const size_t deviceGone = indexOf(events, SensorEvent::DeviceDestroyed);
    const size_t sensorGone = indexOf(events, SensorEvent::Destroyed);
    ASSERT_NE(deviceGone, SIZE_MAX);
    ASSERT_NE(sensorGone, SIZE_MAX);
    EXPECT_LT(deviceGone, sensorGone);
    EXPECT_LT(sensorGone, indexOf(events, SensorEvent::DeviceCreated));

    // A re-open whose sensor fails leaves no model borrowing the old sensor.
    SensorScriptConfig failing;
    failing.openResult = -1;
    auto failingScript = std::make_shared<SensorScript>(failing);
    VeltorTOFCamera second(scriptedOptions(failingScript, &recording));
    EXPECT_EQ(second.open(CSI, 0), -1);
    EXPECT_EQ(indexOf(failingScript->events(), SensorEvent::DeviceCreated), SIZE_MAX);
    int value = 0;
    EXPECT_EQ(second.getControl(RANGE, &value), -1);
}

TEST_F(Lifecycle, AFailedStartStopsWhatItStarted) {
    RecordingDeviceConfig recording;
    recording.startResult = VeltorSystemError;
    recording.failingStarts = 1;
    make({}, &recording);

    // The type is checked before anything is touched.
    script->clearEvents();
    EXPECT_EQ(camera->start(AMPLITUDE), -1);
    EXPECT_EQ(camera->start(CACHE), -1);
    EXPECT_EQ(camera->start(CONFIDENCE), -1);
    EXPECT_TRUE(script->events().empty());

    EXPECT_EQ(camera->start(DEPTH), VeltorSystemError);
    std::vector<SensorEvent> events = script->events();
    const size_t failed = indexOf(events, SensorEvent::DeviceStart);
    ASSERT_NE(failed, SIZE_MAX);
    EXPECT_LT(indexOf(events, SensorEvent::Start), failed);
    EXPECT_NE(indexOf(events, SensorEvent::DeviceStop, failed), SIZE_MAX);
    EXPECT_NE(indexOf(events, SensorEvent::Stop, failed), SIZE_MAX);
    EXPECT_FALSE(camera->isStreaming());

    // The next start succeeds and streams.
    EXPECT_EQ(camera->start(DEPTH), 0);
    VeltorFrameBuffer* frame = step({{}, 9, 0, 0});
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(timestampOf(frame), 9u);

    // A failing prepare or sensor start is returned as is, nothing started.
    for (int which = 0; which < 2; ++which) {
        RecordingDeviceConfig prep;
        SensorScriptConfig sensorConfig;
        if (which == 0) prep.prepareResult = 3;
        else sensorConfig.startResult = 3;
        auto s = std::make_shared<SensorScript>(sensorConfig);
        VeltorTOFCamera c(scriptedOptions(s, &prep));
        ASSERT_EQ(c.open(CSI, 0), 0);
        EXPECT_EQ(c.start(RAW), 3);
        EXPECT_FALSE(c.isStreaming());
        EXPECT_EQ(indexOf(s->events(), SensorEvent::DeviceStart), SIZE_MAX);
    }
}

TEST_F(Lifecycle, SetOutputTypeOnlyForRawOrDepthWhileStopped) {
    make();
    EXPECT_EQ(camera->setOutputType(AMPLITUDE), -1);
    EXPECT_EQ(camera->setOutputType(CONFIDENCE), -1);
    EXPECT_EQ(camera->setOutputType(RAW), 0);
    EXPECT_EQ(camera->setOutputType(DEPTH), 0);
}

TEST_F(Lifecycle, StopWakesAWaitingRequest) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    auto waiter = std::async(std::launch::async, [&] { return camera->requestFrame(-1); });
    ASSERT_EQ(camera->stop(), 0);
    ASSERT_EQ(waiter.wait_for(kLongWait), std::future_status::ready);
    EXPECT_EQ(waiter.get(), nullptr);
    // Stopped and nothing ready: no wait at all.
    EXPECT_EQ(camera->requestFrame(-1), nullptr);
    EXPECT_EQ(camera->requestFrame(kLongWaitMs), nullptr);
}

// A request that picked up the pool of a stream being restarted must end
// with that stream: nothing signals the old pool again, so a wait on it that
// looked only at whether the camera streams would never end.
TEST_F(Lifecycle, ARequestRacingARestartEndsWithItsStream) {
    SensorScriptConfig config;
    config.idleWait = std::chrono::milliseconds(0);  // stop joins the worker at once
    make(config);
    ASSERT_EQ(camera->start(DEPTH), 0);
    // Requesters spin through requestFrame while the camera is stopped, so
    // that restarts often land between a request picking up the pool and
    // its first look at the stream.
    std::atomic<bool> done{false};
    std::vector<std::thread> requesters;
    for (int t = 0; t < 3; ++t) {
        requesters.emplace_back([&] {
            while (!done.load()) {
                if (VeltorFrameBuffer* frame = camera->requestFrame(-1)) camera->releaseFrame(frame);
            }
        });
    }
    auto ended = std::async(std::launch::async, [&] {
        for (std::thread& t : requesters) t.join();
    });
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(camera->stop(), 0);
        ASSERT_EQ(camera->start(DEPTH), 0);
    }
    done.store(true);
    ASSERT_EQ(camera->stop(), 0);
    if (ended.wait_for(kLongWait) != std::future_status::ready) {
        // A requester sleeps on a pool nobody signals: it can neither be
        // joined nor left running into the camera's destruction.
        ADD_FAILURE() << "a requestFrame(-1) still waits after the stream stopped";
        std::_Exit(1);
    }
}

TEST_F(Lifecycle, ReadyFramesOutliveStop) {
    make();
    ASSERT_EQ(camera->start(DEPTH), 0);
    script->push({{}, 42, 0, 0});
    script->push({{}, 0, VeltorSystemError, 0});
    ASSERT_TRUE(script->waitServed(2, kLongWait));
    ASSERT_EQ(camera->stop(), 0);
    VeltorFrameBuffer* frame = camera->requestFrame(-1);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(timestampOf(frame), 42u);
    EXPECT_EQ(camera->releaseFrame(frame), 0);
}

TEST(TwoCameras, EachStreamsItsOwnCaptures) {
    // phi = pi at range 4000 (2000 mm) for one, all equal (0 mm) for the other.
    const uint16_t minus1 = 0x7FF;
    auto scriptA = std::make_shared<SensorScript>(SensorScriptConfig{});
    auto scriptB = std::make_shared<SensorScript>(SensorScriptConfig{});
    VeltorTOFCamera a(scriptedOptions(scriptA));
    VeltorTOFCamera b(scriptedOptions(scriptB));
    ASSERT_EQ(a.open(CSI, 0), 0);
    ASSERT_EQ(b.open(CSI, 1), 0);
    ASSERT_EQ(a.start(DEPTH), 0);
    ASSERT_EQ(b.start(DEPTH), 0);
    for (int k = 0; k < 10; ++k) {
        scriptA->push({hqvgaCapture(5, 1, 5, minus1), uint64_t(k), 0, 0});
        scriptB->push({hqvgaCapture(3, 3, 3, 3), uint64_t(k), 0, 0});
        VeltorFrameBuffer* fa = a.requestFrame(kLongWaitMs);
        VeltorFrameBuffer* fb = b.requestFrame(kLongWaitMs);
        ASSERT_NE(fa, nullptr);
        ASSERT_NE(fb, nullptr);
        const auto* da = static_cast<const float*>(fa->getData(DEPTH));
        const auto* db = static_cast<const float*>(fb->getData(DEPTH));
        for (size_t i : {size_t(0), size_t(20000), size_t(43199)}) {
            EXPECT_NEAR(da[i], 2000.0f, 0.01f);
            EXPECT_EQ(db[i], 0.0f);
        }
        EXPECT_EQ(a.releaseFrame(fa), 0);
        EXPECT_EQ(b.releaseFrame(fb), 0);
        EXPECT_EQ(a.releaseFrame(fb), -1);  // not a's frame
    }
}
