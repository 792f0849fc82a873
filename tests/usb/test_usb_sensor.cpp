// The USB back-end on the simulated kit: open with and without a file,
// sample conversions, sub-frame restarts, frames to drop, the register
// tunnel and the USB rows of the controls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "VeltorDeviceHQVGA.h"
#include "VeltorTOFUSBSensor.h"
#include "evk/evk_test_util.h"
#include "veltor_evk_recording.h"

using namespace Veltor;
using evktest::TempDir;

namespace {

constexpr size_t kSubFrameBytes = 240 * 180 * 2;
constexpr size_t kCaptureBytes = 4 * kSubFrameBytes;

std::string scene(const std::string& cameraKeys, const std::string& extra = "") {
    return "[camera]\nfamily = hqvga\nrealtime = 0\n" + cameraKeys +
           "[scene]\ntype = tilted_plane\ndistance_mm = 1500\nnoise = 0\n" + extra;
}

struct Opened {
    VeltorTOFUSBSensor sensor;
    CameraInfo info;
    int rc;
    Opened(const std::string& path, uint32_t subFrames = 4) : sensor(path, 3) {
        sensor.setSubFrameCount(subFrames);
        rc = sensor.open(info);
    }
};

std::vector<uint8_t> capture(VeltorTOFUSBSensor& s, int* rc, uint64_t* ts = nullptr) {
    std::vector<uint8_t> out(kCaptureBytes, 0xAB);
    uint64_t t = 0;
    *rc = s.getFrame(out.data(), out.size(), &t);
    if (ts) *ts = t;
    return out;
}

uint16_t sampleAt(const std::vector<uint8_t>& buf, size_t i) {
    uint16_t v;
    std::memcpy(&v, buf.data() + 2 * i, 2);
    return v;
}

}  // namespace

TEST(UsbSensor, OpensTheBuiltInSceneAndReportsItsGeometry) {
    Opened o("");
    ASSERT_EQ(o.rc, 0);
    EXPECT_EQ(o.info.width, 240u);
    EXPECT_EQ(o.info.height, 180u);
    EXPECT_EQ(o.info.bit_width, 12u);
    EXPECT_EQ(o.info.bpp, 2u);
    EXPECT_EQ(o.sensor.getCameraInfo().width, 240u);
    EXPECT_FALSE(o.sensor.isBypass());
    EXPECT_EQ(o.sensor.getIndex(), 3);
    int v = 0;
    EXPECT_EQ(o.sensor.getControl(FMT_HEIGHT, &v), 0);
    EXPECT_EQ(v, 180);
    ASSERT_EQ(o.sensor.start(), 0);
    EXPECT_EQ(o.sensor.start(), -1);  // already streaming
    int rc;
    uint64_t ts = 0;
    capture(o.sensor, &rc, &ts);
    EXPECT_EQ(rc, 0);
    EXPECT_GT(ts, 0u);
    EXPECT_EQ(o.sensor.stop(), 0);
    EXPECT_EQ(o.sensor.close(), 0);
    EXPECT_EQ(o.sensor.close(), 0);
}

TEST(UsbSensor, OpenFailuresPrintTheKitsErrorAndReturnMinusOne) {
    TempDir dir;
    struct Case {
        std::string path;
        const char* printed;
    };
    const Case cases[] = {
        {dir.write("bad.ini", "[camera]\nfamily = hqvga\n[scene]\ntype = cone\n"),
         "Error opening camera, rtn_val = VELTOR_EVK_ERR_CONFIG\n"},
        {"ab", "Error opening camera, rtn_val = VELTOR_EVK_ERR_CONFIG\n"},  // shorter than ".bin": no exception
        {dir.write("norec.ini", "[camera]\nfamily = hqvga\n[playback]\nfile = missing.bin\n"),
         "Error initializing camera, rtn_val = VELTOR_EVK_ERR_IO\n"},
        {dir.path() + "/absent.bin", "Error initializing camera, rtn_val = VELTOR_EVK_ERR_IO\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int rc = -100;
        EXPECT_NO_THROW({
            Opened o(c.path);
            rc = o.rc;
        });
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(rc, -1) << c.path;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.path;
    }
}

TEST(UsbSensor, BinSuffixDecidesTheRecordingFlag) {
    const std::pair<const char*, bool> cases[] = {{"take.bin", true}, {".bin", true},   {"/a/b.bin", true},
                                                  {"take.BIN", false}, {"takebin", false}, {"x.ini", false},
                                                  {"bin", false},     {"b", false},      {"", false}};
    for (const auto& c : cases) EXPECT_EQ(VeltorTOFUSBSensor::hasBinSuffix(c.first), c.second) << c.first;

    // A ".bin" path is replayed as a recording.
    TempDir dir;
    veltor_evk::RecordingHeader h;
    h.width = 240;
    h.height = 180;
    h.subFrames = 4;
    const std::string rec = dir.file("take.bin");
    veltor_evk::RecordingWriter w;
    std::string error;
    ASSERT_TRUE(w.open(rec, h, error)) << error;
    std::vector<uint16_t> samples(4 * 240 * 180);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(i & 0x7FF);
    ASSERT_TRUE(w.append(samples.data(), samples.size() * 2));
    ASSERT_TRUE(w.finish());
    Opened o(rec);
    ASSERT_EQ(o.rc, 0);
    ASSERT_EQ(o.sensor.start(), 0);
    int rc;
    std::vector<uint8_t> out = capture(o.sensor, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(std::memcmp(out.data(), samples.data(), kCaptureBytes), 0);
}

// Every bit width comes out as 12 significant bits; 8-bit samples widen to
// 16 bits and each sub-frame follows the previous one's written bytes.
TEST(UsbSensor, SamplesAreConvertedToTwelveBitsForEveryWidth) {
    TempDir dir;
    Opened ref(dir.write("12.ini", scene("")));
    ASSERT_EQ(ref.rc, 0);
    ASSERT_EQ(ref.sensor.start(), 0);
    int rc;
    std::vector<uint8_t> want = capture(ref.sensor, &rc);
    ASSERT_EQ(rc, 0);
    for (int bits : {8, 10, 14}) {
        Opened o(dir.write("w.ini", scene("bit_width = " + std::to_string(bits) + "\n")));
        ASSERT_EQ(o.rc, 0);
        EXPECT_EQ(o.info.bpp, bits > 8 ? 2u : 1u);
        ASSERT_EQ(o.sensor.start(), 0);
        std::vector<uint8_t> got = capture(o.sensor, &rc);
        ASSERT_EQ(rc, 0) << bits;
        const uint16_t mask = bits == 8 ? 0xFFF0 : bits == 10 ? 0xFFFC : 0xFFFF;
        size_t mismatches = 0;
        for (size_t i = 0; i < kCaptureBytes / 2; ++i)
            if (sampleAt(got, i) != (sampleAt(want, i) & mask)) ++mismatches;
        EXPECT_EQ(mismatches, 0u) << "bit width " << bits;
    }
}

TEST(UsbSensor, StartAfterAFailedKitStartSucceeds) {
    VeltorTOFUSBSensor s("", 0);
    EXPECT_EQ(s.start(), -1);  // never opened: the kit refuses
    EXPECT_FALSE(s.isStreaming());
    CameraInfo info;
    ASSERT_EQ(s.open(info), 0);
    EXPECT_EQ(s.start(), 0);
    EXPECT_TRUE(s.isStreaming());
}

// A capture in which sub-frames arrive 6 ms or more apart starts over; when
// that never stops the call fails with -2 instead of looping.
TEST(UsbSensor, LateSubFramesRestartTheCaptureAndAreCapped) {
    TempDir dir;
    Opened late(dir.write("late.ini", scene("frame_rate = 10\nsub_frame_ms = 10\n")));
    ASSERT_EQ(late.rc, 0);
    ASSERT_EQ(late.sensor.start(), 0);
    int rc;
    capture(late.sensor, &rc);
    EXPECT_EQ(rc, -2);

    // Lost sub-frames misalign the sequence; restarts realign it, so every
    // delivered capture equals the fault-free one.
    Opened ref(dir.write("ref.ini", scene("")));
    ASSERT_EQ(ref.sensor.start(), 0);
    std::vector<uint8_t> want = capture(ref.sensor, &rc);
    ASSERT_EQ(rc, 0);
    Opened lossy(dir.write("lossy.ini", scene("", "[faults]\ndrop_rate = 0.15\nwrong_size_rate = 0.05\n")));
    ASSERT_EQ(lossy.rc, 0);
    ASSERT_EQ(lossy.sensor.start(), 0);
    int delivered = 0, wrongSize = 0;
    for (int i = 0; i < 60; ++i) {
        std::vector<uint8_t> got = capture(lossy.sensor, &rc);
        if (rc == -1) {
            ++wrongSize;
            continue;
        }
        ASSERT_EQ(rc, 0);
        ++delivered;
        EXPECT_EQ(got, want) << "capture " << i;
    }
    EXPECT_GT(delivered, 20);
    EXPECT_GT(wrongSize, 0);

    // Timed-out captures are -2.
    Opened dead(dir.write("dead.ini", scene("", "[faults]\ntimeout_rate = 1\n")));
    ASSERT_EQ(dead.sensor.start(), 0);
    capture(dead.sensor, &rc);
    EXPECT_EQ(rc, -2);
}

TEST(UsbSensor, FramesToDropAreDiscardedFirst) {
    TempDir dir;
    Opened ref(dir.write("ref.ini", scene("")));
    ASSERT_EQ(ref.sensor.start(), 0);
    int rc;
    std::vector<uint8_t> want = capture(ref.sensor, &rc);
    ASSERT_EQ(rc, 0);
    Opened o(dir.write("drop.ini", scene("")));
    o.sensor.setFramesToDrop(2);
    ASSERT_EQ(o.sensor.start(), 0);
    uint64_t t1 = 0, t2 = 0;
    std::vector<uint8_t> got = capture(o.sensor, &rc, &t1);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(o.sensor.getFramesToDrop(), 0);
    EXPECT_EQ(got, want);
    // Timestamps are milliseconds: the next capture is one frame period on.
    capture(o.sensor, &rc, &t2);
    ASSERT_EQ(rc, 0);
    EXPECT_NEAR(double(t2 - t1), 1000.0 / 30, 1.0);
}

TEST(UsbSensor, CaptureNeverWritesPastTheBuffer) {
    Opened o("");
    ASSERT_EQ(o.sensor.start(), 0);
    std::vector<uint8_t> small(kCaptureBytes - 1, 0x5A);
    uint64_t ts = 7;
    EXPECT_EQ(o.sensor.getFrame(small.data(), small.size(), &ts), -1);
    EXPECT_EQ(ts, 7u);
    for (uint8_t b : small) ASSERT_EQ(b, 0x5A);
    // Not streaming: 0 and nothing written.
    o.sensor.stop();
    EXPECT_EQ(o.sensor.getFrame(small.data(), small.size(), &ts), 0);
    EXPECT_EQ(small[0], 0x5A);
}

// The USB rows of the controls, through the tunnel to the kit's register map.
TEST(UsbSensor, ControlsReachTheKitThroughTheTunnelOrTheLibrary) {
    TempDir dir;
    Opened o(dir.write("c.ini", scene("")));
    ASSERT_EQ(o.rc, 0);
    VeltorTOFUSBSensor& s = o.sensor;
    int v = 0;
    uint32_t r = 0;

    EXPECT_EQ(s.setControl(EXPOSURE, 500), 0);
    EXPECT_EQ(s.getControl(EXPOSURE, &v), 0);
    EXPECT_EQ(v, 500);
    EXPECT_EQ(s.readReg(0x0480, &r), 0);
    EXPECT_EQ(r & 0xFFFF, 9000u);
    v = -5;
    EXPECT_EQ(s.setControl(EXPOSURE, 0), 1);
    EXPECT_EQ(s.setControl(EXPOSURE, 65524), 1);
    EXPECT_EQ(s.setControl(FRAME_RATE, 20), 0);
    EXPECT_EQ(s.getControl(FRAME_RATE, &v), 0);
    EXPECT_EQ(v, 20);
    EXPECT_EQ(s.setControl(FRAME_RATE, 500), -2);  // the kit refuses
    EXPECT_EQ(s.setCtrl(0x00980911, 321), 0);
    EXPECT_EQ(s.getCtrl(0x00980911, &v), 0);
    EXPECT_EQ(v, 321);
    EXPECT_EQ(s.setCtrl(0x12345678, 1), -2);
    EXPECT_EQ(s.readReg(0x7777, &r), -2);
    EXPECT_EQ(s.writeReg(0x7777, 1), -2);

    for (int range : {2000, 4000, 3000}) {
        EXPECT_EQ(s.setControl(RANGE, range), 0);
        const uint32_t want[4] = {range == 2000 ? 0x08u : 0x10u, range == 2000 ? 0x0Au : 0x0Eu,
                                  range == 2000 ? 0x0Eu : 0x16u, range == 2000 ? 0x12u : 0x1Eu};
        const uint32_t regs[4] = {0x216C, 0x2179, 0x217A, 0x217B};
        for (int i = 0; i < 4; ++i) {
            ASSERT_EQ(s.readReg(regs[i], &r), 0);
            EXPECT_EQ(r, want[i]) << range << " reg " << std::hex << regs[i];
        }
    }
    v = 77;
    EXPECT_EQ(s.getControl(RANGE, &v), 4);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(s.setControl(FMT_WIDTH, 240), 4);
    EXPECT_EQ(s.setControl(DENOISE, 1), 4);
    EXPECT_EQ(s.getControl(DENOISE, &v), 4);

    EXPECT_EQ(s.setControl(HFLIP, 1), 0);
    ASSERT_EQ(s.readReg(0x0402, &r), 0);
    EXPECT_EQ(r & 0x6000, 0x2000u);
    EXPECT_EQ(s.getControl(HFLIP, &v), 0);
    EXPECT_EQ(v, 1);

    // Bypass: exposure and frame rate through the kit's named controls.
    EXPECT_EQ(s.setControl(I2C_BY_PASS, 1), 0);
    EXPECT_EQ(s.getControl(I2C_BY_PASS, &v), 0);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(s.setControl(EXPOSURE, 640), 0);
    EXPECT_EQ(s.getControl(EXPOSURE, &v), 4);
    EXPECT_EQ(s.getCtrl(0x00980911, &v), 0);
    EXPECT_EQ(v, 640);
    EXPECT_EQ(s.setControl(FRAME_RATE, 12), 0);
    EXPECT_EQ(s.getCtrl(0x00981906, &v), 0);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(s.setControl(FRAME_RATE, 0), -2);
    EXPECT_EQ(s.setControl(VFLIP, 1), 4);  // remembered only
    EXPECT_EQ(s.setControl(HFLIP, 0), 4);
    EXPECT_EQ(s.getControl(VFLIP, &v), 4);

    // Back to the tunnel: start applies the remembered flips.
    EXPECT_EQ(s.setControl(I2C_BY_PASS, 0), 0);
    ASSERT_EQ(s.start(), 0);
    ASSERT_EQ(s.readReg(0x0402, &r), 0);
    EXPECT_EQ(r & 0x6000, 0x4000u);

    // A kit in bypass mode is reported as such.
    Opened b(dir.write("b.ini", scene("bypass = 1\n")));
    ASSERT_EQ(b.rc, 0);
    EXPECT_TRUE(b.sensor.isBypass());
}

// The range registers decide the sensor's modulation frequency, and the
// four-phase model switches its frequency only when the range control
// succeeds: a range whose register writes fail must not report success.
TEST(UsbSensor, ARangeTheKitDidNotTakeIsAFailure) {
    TempDir dir;
    Opened o(dir.write("range.ini", scene("")));
    ASSERT_EQ(o.rc, 0);
    VeltorDeviceHQVGA model(PLATFORM_UNKNOWN);
    ASSERT_EQ(model.init(&o.sensor), 0);
    ASSERT_EQ(model.setControl(RANGE, 4000), 0);
    ASSERT_EQ(o.sensor.close(), 0);  // every register access fails from here on
    for (int range : {2000, 4000}) EXPECT_EQ(o.sensor.setControl(RANGE, range), -2) << range;
    EXPECT_NE(model.setControl(RANGE, 2000), 0);
    EXPECT_EQ(model.getRangeMm(), 4000u);
    EXPECT_FLOAT_EQ(model.getModulationHz(), 37500000.0f);
}
