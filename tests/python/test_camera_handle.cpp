// Camera handle and frame records behind the Python classes: a record stops
// giving access to its frame once the frame is released, its pool replaced
// by a later start, or its camera destroyed, and a reader holding a record
// never sees freed or refilled frame memory while other threads release,
// restart or request frames.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ScriptedSensor.h"
#include "camera_handle.h"

namespace Veltor {
namespace binding {
namespace {

using testing::RecordingDeviceConfig;
using testing::ScriptedCapture;
using testing::SensorScript;
using testing::SensorScriptConfig;
using State = FrameRecord::State;

constexpr uint32_t kW = 8;
constexpr uint32_t kH = 6;
constexpr int16_t kWaitMs = 10000;

std::vector<uint16_t> samples(uint32_t seed) {
    std::vector<uint16_t> s(kW * kH);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint16_t>((seed * 977 + 31 * i) % 4096);
    return s;
}

std::vector<uint8_t> captureBytes(uint32_t seed) {
    const std::vector<uint16_t> s = samples(seed);
    std::vector<uint8_t> bytes(s.size() * 2);
    std::memcpy(bytes.data(), s.data(), bytes.size());
    return bytes;
}

// Depth image the recording device makes of captureBytes(seed).
std::vector<float> expectedDepth(uint32_t seed) {
    const std::vector<uint16_t> s = samples(seed);
    return std::vector<float>(s.begin(), s.end());
}

std::vector<float> copyDepth(VeltorFrameBuffer& frame) {
    std::vector<float> out(kW * kH);
    std::memcpy(out.data(), frame.getData(DEPTH), out.size() * sizeof(float));
    return out;
}

class CameraHandleTest : public ::testing::Test {
protected:
    std::unique_ptr<CameraHandle> makeHandle(std::shared_ptr<SensorScript>& script,
                                             bool loop = false) {
        SensorScriptConfig config;
        config.width = kW;
        config.height = kH;
        config.loop = loop;
        script = std::make_shared<SensorScript>(config);
        RecordingDeviceConfig recording;
        auto handle = std::make_unique<CameraHandle>(
            std::make_unique<VeltorTOFCamera>(testing::scriptedOptions(script, &recording)));
        EXPECT_EQ(handle->camera().open(CSI, 0), 0);
        EXPECT_EQ(handle->start(DEPTH), 0);
        return handle;
    }

    std::shared_ptr<FrameRecord> frameOf(CameraHandle& handle, SensorScript& script,
                                         uint32_t seed) {
        script.push(ScriptedCapture{captureBytes(seed), seed, 0, 0});
        auto record = handle.requestFrame(kWaitMs);
        EXPECT_NE(record, nullptr);
        return record;
    }
};

TEST_F(CameraHandleTest, RecordShapeAndContent) {
    std::shared_ptr<SensorScript> script;
    auto handle = makeHandle(script);
    auto record = frameOf(*handle, *script, 3);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->shape().depth);
    EXPECT_EQ(record->shape().depthFormat.width, kW);
    EXPECT_EQ(record->shape().depthFormat.height, kH);
    EXPECT_EQ(record->shape().depthFormat.timestamp, 3u);
    EXPECT_EQ(record->shape().confidence.type, CONFIDENCE);
    std::vector<float> depth;
    EXPECT_EQ(record->withFrame([&](VeltorFrameBuffer& f) { depth = copyDepth(f); }), State::Valid);
    EXPECT_EQ(depth, expectedDepth(3));
    EXPECT_EQ(handle->releaseFrame(record.get()), 0);
    handle->stop();
}

TEST_F(CameraHandleTest, ReleaseRestartAndOwnership) {
    std::shared_ptr<SensorScript> script;
    auto handle = makeHandle(script);
    std::shared_ptr<SensorScript> otherScript;
    auto other = makeHandle(otherScript);

    auto released = frameOf(*handle, *script, 1);
    auto held = frameOf(*handle, *script, 2);
    ASSERT_NE(released, nullptr);
    ASSERT_NE(held, nullptr);

    EXPECT_EQ(handle->releaseFrame(nullptr), VeltorUnkownError);
    EXPECT_EQ(other->releaseFrame(held.get()), VeltorUnkownError);
    EXPECT_EQ(held->state(), State::Valid);

    EXPECT_EQ(handle->releaseFrame(released.get()), 0);
    EXPECT_EQ(released->state(), State::Released);
    EXPECT_EQ(handle->releaseFrame(released.get()), VeltorUnkownError);
    bool ran = false;
    EXPECT_EQ(released->withFrame([&](VeltorFrameBuffer&) { ran = true; }), State::Released);
    EXPECT_FALSE(ran);

    // A failed start keeps the pool, and the held frame with it.
    EXPECT_EQ(handle->start(RAW), VeltorUnkownError);
    EXPECT_EQ(held->state(), State::Valid);

    EXPECT_EQ(handle->stop(), 0);
    EXPECT_EQ(handle->start(RAW), 0);
    EXPECT_EQ(held->state(), State::Stale);
    EXPECT_EQ(released->state(), State::Stale);
    EXPECT_EQ(handle->releaseFrame(held.get()), VeltorUnkownError);

    auto fresh = frameOf(*handle, *script, 4);
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->shape().depth);
    EXPECT_EQ(fresh->shape().raw.type, RAW);
    EXPECT_EQ(handle->releaseFrame(fresh.get()), 0);
    handle->stop();
    other->stop();
}

TEST_F(CameraHandleTest, DestroyedCameraLeavesRecordsGone) {
    std::shared_ptr<SensorScript> script;
    auto handle = makeHandle(script);
    auto record = frameOf(*handle, *script, 1);
    ASSERT_NE(record, nullptr);
    handle.reset();  // joins the capture thread and frees the pool
    bool ran = false;
    EXPECT_EQ(record->withFrame([&](VeltorFrameBuffer&) { ran = true; }), State::CameraGone);
    EXPECT_FALSE(ran);
}

// Reads the record's frame until it stops being valid or the test is done;
// counts copies that differ from the frame's own content.
struct Reader {
    std::shared_ptr<FrameRecord> record;
    std::vector<float> expected;
    std::promise<void> firstRead;
    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};

    void run() {
        bool signalled = false;
        while (!done.load()) {
            std::vector<float> copy;
            const State s = record->withFrame([&](VeltorFrameBuffer& f) { copy = copyDepth(f); });
            if (s == State::Valid && copy != expected) ++mismatches;
            if (!signalled) {
                firstRead.set_value();
                signalled = true;
            }
            if (s != State::Valid) break;
        }
        if (!signalled) firstRead.set_value();
    }
};

TEST_F(CameraHandleTest, ReaderStopsCleanlyWhenAnotherThreadRestarts) {
    std::shared_ptr<SensorScript> script;
    auto handle = makeHandle(script);
    Reader reader;
    reader.record = frameOf(*handle, *script, 7);
    ASSERT_NE(reader.record, nullptr);
    reader.expected = expectedDepth(7);
    std::thread t(&Reader::run, &reader);
    reader.firstRead.get_future().wait();
    for (uint32_t seed = 8; seed < 12; ++seed) script->push(ScriptedCapture{captureBytes(seed), seed, 0, 0});
    EXPECT_EQ(handle->stop(), 0);
    EXPECT_EQ(handle->start(DEPTH), 0);  // frees the pool the reader is reading
    reader.done = true;
    t.join();
    EXPECT_EQ(reader.record->state(), State::Stale);
    EXPECT_EQ(reader.mismatches.load(), 0);
    handle->stop();
}

TEST_F(CameraHandleTest, ReaderNeverSeesTheRefilledFrameAfterRelease) {
    std::shared_ptr<SensorScript> script;
    auto handle = makeHandle(script);
    Reader reader;
    reader.record = frameOf(*handle, *script, 20);
    ASSERT_NE(reader.record, nullptr);
    reader.expected = expectedDepth(20);
    std::thread t(&Reader::run, &reader);
    reader.firstRead.get_future().wait();
    EXPECT_EQ(handle->releaseFrame(reader.record.get()), 0);
    // The released node goes back into circulation and is refilled.
    for (uint32_t seed = 21; seed < 27; ++seed) {
        auto r = frameOf(*handle, *script, seed);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(handle->releaseFrame(r.get()), 0);
    }
    reader.done = true;
    t.join();
    EXPECT_EQ(reader.record->state(), State::Released);
    EXPECT_EQ(reader.mismatches.load(), 0);
    handle->stop();
}

TEST_F(CameraHandleTest, RequestsRacingRestartsOnlyReadCurrentFrames) {
    std::shared_ptr<SensorScript> script;
    auto handle = makeHandle(script, /*loop=*/true);
    script->push(ScriptedCapture{captureBytes(5), 5, 0, 0});  // replayed endlessly
    std::atomic<bool> done{false};
    std::atomic<int> read{0};
    std::atomic<int> mismatches{0};
    std::thread requester([&] {
        const std::vector<float> expected = expectedDepth(5);
        while (!done.load()) {
            auto record = handle->requestFrame(5);
            if (!record) continue;
            std::vector<float> copy;
            if (record->withFrame([&](VeltorFrameBuffer& f) { copy = copyDepth(f); }) ==
                State::Valid) {
                ++read;
                if (copy != expected) ++mismatches;
            }
            handle->releaseFrame(record.get());
        }
    });
    for (int round = 0; round < 20; ++round) {
        EXPECT_EQ(handle->stop(), 0);
        EXPECT_EQ(handle->start(DEPTH), 0);
    }
    // Let at least one frame of the last pool through before finishing.
    const int before = read.load();
    while (read.load() == before) std::this_thread::yield();
    done = true;
    requester.join();
    EXPECT_EQ(mismatches.load(), 0);
    handle->stop();
}

}  // namespace
}  // namespace binding
}  // namespace Veltor
