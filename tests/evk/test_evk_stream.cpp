// The kit interface over the simulation: records, capture order, pacing,
// faults, registers and the control tunnel, playback, buffers and handles.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "evk_test_util.h"
#include "veltor_evk_recording.h"

using evktest::Kit;
using evktest::TempDir;

namespace {

const char* kVirtualPlane =
    "[camera]\nfamily = hqvga\nrealtime = 0\n[scene]\ntype = plane\ndistance_mm = 1500\nnoise = 0\n";

struct Captured {
    int status;
    VeltorFrame frame;
};

Captured grab(VeltorCameraHandle h, uint32_t timeout = 2000) {
    Captured c;
    std::memset(&c.frame, 0, sizeof c.frame);
    c.status = VeltorCaptureImage(h, &c.frame, timeout);
    return c;
}

}  // namespace

TEST(EvkStream, RecordsCarryTheGeometryAtTheAgreedOffsets) {
    static_assert(offsetof(VeltorOpenParam, config_is_bin) == 16, "");
    static_assert(offsetof(VeltorCameraConfig, width) == 64 && offsetof(VeltorCameraConfig, height) == 68, "");
    static_assert(offsetof(VeltorCameraConfig, bit_width) == 72 && offsetof(VeltorCameraConfig, mode) == 78, "");
    static_assert(offsetof(VeltorFrame, timestamp) == 8 && offsetof(VeltorFrame, data_size) == 24, "");
    static_assert(offsetof(VeltorFrame, data) == 32, "");

    TempDir dir;
    for (int bypass : {0, 1}) {
        std::string text = "[camera]\nfamily = hqvga\nbit_width = 10\nbypass = " + std::to_string(bypass) +
                           "\n[scene]\ntype = sphere\n";
        Kit k(dir.write("b.ini", text), false);
        ASSERT_EQ(k.status, VELTOR_EVK_OK);
        VeltorCameraConfig c = k.config();
        EXPECT_EQ(c.width, 240u);
        EXPECT_EQ(c.height, 180u);
        EXPECT_EQ(c.bit_width, 10);
        EXPECT_EQ(c.sub_frames, 4);
        EXPECT_EQ(c.mode, bypass ? VELTOR_EVK_MODE_BYPASS : VELTOR_EVK_MODE_TUNNEL);
    }
    // No configuration file: the built-in scene of the 240 x 180 family.
    Kit def("", true);
    ASSERT_EQ(def.status, VELTOR_EVK_OK);
    EXPECT_EQ(def.config().width, 240u);
    EXPECT_EQ(def.config().bit_width, 12);
    Captured f = grab(def.h);
    ASSERT_EQ(f.status, VELTOR_EVK_OK);
    EXPECT_EQ(f.frame.data_size, 240u * 180u * 2u);
    EXPECT_EQ(VeltorFreeImage(def.h, f.frame), VELTOR_EVK_OK);
}

// Long range sends phase step 3 first, short range step 0 first; sub-frames
// are 4 ms apart and captures one frame period apart.
TEST(EvkStream, SubFrameOrderAndTimestampsFollowRangeAndFrameRate) {
    TempDir dir;
    Kit k(dir.write("p.ini", kVirtualPlane), true);
    ASSERT_EQ(k.status, VELTOR_EVK_OK);
    std::vector<uint64_t> ts;
    std::vector<uint32_t> phases;
    for (int i = 0; i < 8; ++i) {
        Captured c = grab(k.h);
        ASSERT_EQ(c.status, VELTOR_EVK_OK);
        ts.push_back(c.frame.timestamp);
        phases.push_back(c.frame.phase);
        VeltorFreeImage(k.h, c.frame);
    }
    EXPECT_EQ(phases, (std::vector<uint32_t>{3, 0, 1, 2, 3, 0, 1, 2}));
    EXPECT_EQ(ts[1] - ts[0], 4u);
    EXPECT_EQ(ts[3] - ts[2], 4u);
    EXPECT_NEAR(double(ts[4] - ts[0]), 1000.0 / 30, 1.0);

    // Short-range registers, as the host writes them for a 2 m range.
    ASSERT_EQ(VeltorWriteSensorReg(k.h, 0x216C, 0x08), VELTOR_EVK_OK);
    ASSERT_EQ(VeltorSetCtrl(k.h, "setFramerate", 10), VELTOR_EVK_OK);
    phases.clear();
    ts.clear();
    for (int i = 0; i < 8; ++i) {
        Captured c = grab(k.h);
        ASSERT_EQ(c.status, VELTOR_EVK_OK);
        phases.push_back(c.frame.phase);
        ts.push_back(c.frame.timestamp);
        VeltorFreeImage(k.h, c.frame);
    }
    EXPECT_EQ(phases, (std::vector<uint32_t>{0, 1, 2, 3, 0, 1, 2, 3}));
    EXPECT_EQ(ts[4] - ts[0], 100u);
}

// Realtime pacing: captures wait for the frame clock.
TEST(EvkStream, RealtimeCapturesArePacedAtTheFrameRate) {
    TempDir dir;
    Kit k(dir.write("rt.ini", "[camera]\nfamily = hqvga\nframe_rate = 25\n[scene]\ntype = plane\nnoise = 0\n"));
    ASSERT_EQ(k.status, VELTOR_EVK_OK);
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 12; ++i) {  // three captures
        Captured c = grab(k.h);
        ASSERT_EQ(c.status, VELTOR_EVK_OK);
        VeltorFreeImage(k.h, c.frame);
    }
    // The third capture's last sub-frame is due 2 periods + 12 ms after start.
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2 * 40 + 12 - 1));
}

// Each fault happens at its requested rate (per sub-frame, from the seeded
// fault generator).
TEST(EvkStream, FaultsHappenAtTheRequestedRate) {
    TempDir dir;
    Kit k(dir.write("f.ini", std::string(kVirtualPlane) +
                                 "[faults]\ndrop_rate = 0.1\ntimeout_rate = 0.05\nwrong_size_rate = 0.2\nseed = 9\n"));
    ASSERT_EQ(k.status, VELTOR_EVK_OK);
    const int calls = 3000;
    int timeouts = 0, wrong = 0, good = 0;
    uint32_t lastSeq = 0;
    uint64_t produced = 0;
    for (int i = 0; i < calls; ++i) {
        Captured c = grab(k.h);
        if (c.status == VELTOR_EVK_ERR_TIMEOUT) {
            ++timeouts;
            continue;
        }
        ASSERT_EQ(c.status, VELTOR_EVK_OK);
        lastSeq = c.frame.sequence;
        if (c.frame.data_size != 240u * 180u * 2u) {
            EXPECT_EQ(c.frame.data_size, 240u * 179u * 2u);
            ++wrong;
        } else {
            ++good;
        }
        VeltorFreeImage(k.h, c.frame);
    }
    produced = lastSeq + 1;
    const double dropped = double(produced) - timeouts - wrong - good;
    // Binomial counts, checked within about five standard deviations.
    EXPECT_NEAR(dropped / produced, 0.10, 0.03);
    EXPECT_NEAR(double(timeouts) / produced, 0.05, 0.02);
    EXPECT_NEAR(double(wrong) / produced, 0.20, 0.04);
}

// Register map: the driver-control tunnel round-trips and acts on the
// simulation; unknown registers and controls are refused.
TEST(EvkStream, RegistersAndControlTunnelRoundTrip) {
    TempDir dir;
    Kit k(dir.write("r.ini", kVirtualPlane), false);
    ASSERT_EQ(k.status, VELTOR_EVK_OK);
    auto tunnelWrite = [&](uint32_t id, uint32_t v) {
        int s = VeltorWriteSensorReg(k.h, 0x0401, id);
        return s != VELTOR_EVK_OK ? s : VeltorWriteSensorReg(k.h, 0x0406, v);
    };
    auto tunnelRead = [&](uint32_t id) {
        uint32_t v = 0xDEAD;
        EXPECT_EQ(VeltorWriteSensorReg(k.h, 0x0401, id), VELTOR_EVK_OK);
        EXPECT_EQ(VeltorReadSensorReg(k.h, 0x0406, &v), VELTOR_EVK_OK);
        return v;
    };
    EXPECT_EQ(tunnelRead(0x00980911), 400u);  // exposure, microseconds
    ASSERT_EQ(tunnelWrite(0x00980911, 800), VELTOR_EVK_OK);
    EXPECT_EQ(tunnelRead(0x00980911), 800u);
    uint32_t v = 0;
    ASSERT_EQ(VeltorReadSensorReg(k.h, 0x0480, &v), VELTOR_EVK_OK);
    EXPECT_EQ(v & 0xFFFF, 18u * 800u);
    EXPECT_EQ(tunnelWrite(0x00980911, 0), VELTOR_EVK_ERR_PARAM);

    ASSERT_EQ(tunnelWrite(0x00981906, 20), VELTOR_EVK_OK);
    EXPECT_EQ(tunnelRead(0x00981906), 20u);
    ASSERT_EQ(VeltorSetCtrl(k.h, "setFramerate", 15), VELTOR_EVK_OK);
    EXPECT_EQ(tunnelRead(0x00981906), 15u);
    ASSERT_EQ(VeltorReadSensorReg(k.h, 0x0429, &v), VELTOR_EVK_OK);
    EXPECT_EQ(v, 6000000u);
    EXPECT_EQ(VeltorSetCtrl(k.h, "setFramerate", 0), VELTOR_EVK_ERR_PARAM);
    ASSERT_EQ(VeltorSetCtrl(k.h, "setExposure", 250), VELTOR_EVK_OK);
    EXPECT_EQ(tunnelRead(0x00980911), 250u);
    EXPECT_EQ(VeltorSetCtrl(k.h, "setGain", 1), VELTOR_EVK_ERR_UNKNOWN_CTRL);

    ASSERT_EQ(tunnelWrite(0x00980914, 1), VELTOR_EVK_OK);
    ASSERT_EQ(VeltorReadSensorReg(k.h, 0x0402, &v), VELTOR_EVK_OK);
    EXPECT_EQ(v, 0x2000u);
    ASSERT_EQ(VeltorWriteSensorReg(k.h, 0x0402, 0x4000), VELTOR_EVK_OK);
    EXPECT_EQ(tunnelRead(0x00980914), 0u);
    EXPECT_EQ(tunnelRead(0x00980915), 1u);

    EXPECT_EQ(tunnelWrite(0x00981234, 1), VELTOR_EVK_ERR_PARAM);
    EXPECT_EQ(VeltorReadSensorReg(k.h, 0x7777, &v), VELTOR_EVK_ERR_REGISTER);
    EXPECT_EQ(VeltorWriteSensorReg(k.h, 0x7777, 1), VELTOR_EVK_ERR_REGISTER);
    // Range registers pick the modulation; the tunnel's range control reads them.
    ASSERT_EQ(VeltorWriteSensorReg(k.h, 0x216C, 0x08), VELTOR_EVK_OK);
    EXPECT_EQ(tunnelRead(0x00981901), 1u);
}

// A recording replays sub-frame by sub-frame in a loop, from a scene file's
// [playback] section or given directly as a ".bin" path.
TEST(EvkStream, PlaybackReplaysARecordingInALoop) {
    TempDir dir;
    veltor_evk::RecordingHeader h;
    h.width = 6;
    h.height = 2;
    h.bitWidth = 12;
    h.subFrames = 2;
    h.frameRate = 20;
    const std::string rec = dir.file("rec.bin");
    {
        veltor_evk::RecordingWriter w;
        std::string error;
        ASSERT_TRUE(w.open(rec, h, error)) << error;
        for (uint16_t cap = 0; cap < 3; ++cap) {
            std::vector<uint16_t> samples(24);
            for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint16_t(cap * 100 + i);
            ASSERT_TRUE(w.append(samples.data(), samples.size() * 2));
        }
        EXPECT_EQ(w.captures(), 3u);
        ASSERT_TRUE(w.finish());
    }
    const std::string scene = dir.write("play.ini",
                                        "[camera]\nfamily = hqvga\nrealtime = 0\n[playback]\nfile = rec.bin\n");
    for (bool direct : {false, true}) {
        Kit k(direct ? rec : scene, true, direct);
        ASSERT_EQ(k.status, VELTOR_EVK_OK);
        VeltorCameraConfig c = k.config();
        EXPECT_EQ(c.width, 6u);
        EXPECT_EQ(c.height, 2u);
        EXPECT_EQ(c.sub_frames, 2);
        for (int i = 0; i < (direct ? 2 : 8); ++i) {
            Captured f = grab(k.h);
            ASSERT_EQ(f.status, VELTOR_EVK_OK);
            ASSERT_EQ(f.frame.data_size, 24u);
            uint16_t first;
            std::memcpy(&first, f.frame.data, 2);
            const int sub = i % 6;  // 3 captures x 2 sub-frames, then again
            EXPECT_EQ(first, uint16_t((sub / 2) * 100 + (sub % 2) * 12)) << i;
            VeltorFreeImage(k.h, f.frame);
        }
    }
    // A truncated recording is refused at init with the I/O status.
    std::string bytes;
    {
        std::ifstream in(rec, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string cut = dir.write("cut.bin", bytes.substr(0, bytes.size() - 1));
    Kit bad(cut, false, true);
    EXPECT_EQ(bad.status, VELTOR_EVK_ERR_IO);
}

// Buffers, handles and the blocking capture.
TEST(EvkStream, BuffersHandlesAndStopAreSafe) {
    TempDir dir;
    Kit k(dir.write("b.ini", kVirtualPlane));
    ASSERT_EQ(k.status, VELTOR_EVK_OK);
    std::vector<VeltorFrame> held;
    for (int i = 0; i < 8; ++i) {
        Captured c = grab(k.h);
        ASSERT_EQ(c.status, VELTOR_EVK_OK);
        held.push_back(c.frame);
    }
    EXPECT_EQ(grab(k.h).status, VELTOR_EVK_ERR_NO_BUFFER);
    EXPECT_EQ(VeltorFreeImage(k.h, held[0]), VELTOR_EVK_OK);
    EXPECT_EQ(VeltorFreeImage(k.h, held[0]), VELTOR_EVK_ERR_FRAME);
    VeltorFrame forged = held[1];
    forged.data = nullptr;
    EXPECT_EQ(VeltorFreeImage(k.h, forged), VELTOR_EVK_ERR_FRAME);
    for (size_t i = 1; i < held.size(); ++i) EXPECT_EQ(VeltorFreeImage(k.h, held[i]), VELTOR_EVK_OK);
    EXPECT_EQ(VeltorStartCamera(k.h), VELTOR_EVK_ERR_STATE);  // already streaming

    // Stale and null handles are refused.
    VeltorCameraHandle stale = nullptr;
    {
        Kit gone(dir.write("g.ini", kVirtualPlane), false);
        stale = gone.h;
    }
    uint32_t v;
    EXPECT_EQ(VeltorReadSensorReg(stale, 0x0402, &v), VELTOR_EVK_ERR_NO_DEVICE);
    EXPECT_EQ(VeltorStartCamera(nullptr), VELTOR_EVK_ERR_NO_DEVICE);
    EXPECT_EQ(VeltorOpenCamera(nullptr, nullptr), VELTOR_EVK_ERR_PARAM);
    EXPECT_STREQ(VeltorErrorName(VELTOR_EVK_ERR_TIMEOUT), "VELTOR_EVK_ERR_TIMEOUT");
    EXPECT_STREQ(VeltorErrorName(12345), "VELTOR_EVK_ERR_UNKNOWN");
}
