// Raw captures recorded from a camera replay through the USB back-end: the
// same RAW frames and the same depth come back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "VeltorTOFCamera.h"
#include "evk/evk_test_util.h"
#include "raw_recorder.h"
#include "veltor_evk_recording.h"

using namespace Veltor;
using evktest::TempDir;

namespace {

constexpr size_t kRawSamples = 240 * 720;

std::vector<int16_t> firstRawFrame(VeltorTOFCamera& cam) {
    std::vector<int16_t> out;
    if (cam.start(RAW) != 0) return out;
    VeltorFrameBuffer* f = cam.requestFrame(3000);
    if (f != nullptr) {
        const int16_t* raw = static_cast<const int16_t*>(f->getData(RAW));
        out.assign(raw, raw + kRawSamples);
        cam.releaseFrame(f);
    }
    cam.stop();
    return out;
}

}  // namespace

TEST(UsbRecording, RecordedCapturesReplayAsTheyWereSeen) {
    TempDir dir;
    const std::string source = dir.write(
        "plane.ini", "[camera]\nfamily = hqvga\n[scene]\ntype = tilted_plane\ndistance_mm = 1700\nnoise = 0\n");
    const std::string rec = dir.file("take.bin");

    VeltorTOFCamera recorder;
    ASSERT_EQ(recorder.openWithFile(source.c_str(), 0), 0);
    RawRecordingResult r = recordRawCaptures(recorder, rec, 3);
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.captures, 3);
    EXPECT_FALSE(recorder.isStreaming());

    VeltorTOFCamera live;
    ASSERT_EQ(live.openWithFile(source.c_str(), 0), 0);
    const std::vector<int16_t> want = firstRawFrame(live);
    ASSERT_EQ(want.size(), kRawSamples);

    // Replayed from a scene file's [playback] section and as a ".bin" path.
    const std::string scene = dir.write("replay.ini", "[camera]\nfamily = hqvga\n[playback]\nfile = take.bin\n");
    for (const std::string& path : {scene, rec}) {
        VeltorTOFCamera replay;
        ASSERT_EQ(replay.openWithFile(path.c_str(), 0), 0) << path;
        EXPECT_EQ(replay.getCameraInfo().device_type, HQVGA);
        EXPECT_EQ(firstRawFrame(replay), want) << path;

        ASSERT_EQ(replay.start(DEPTH), 0);
        VeltorFrameBuffer* f = replay.requestFrame(3000);
        ASSERT_NE(f, nullptr);
        const float* d = static_cast<const float*>(f->getData(DEPTH));
        // Centre of the tilted plane: its distance on the optical axis.
        EXPECT_NEAR(d[90 * 240 + 120], 1700.0, 10.0);
        replay.releaseFrame(f);
        replay.stop();
    }

    // The file is a kit recording of three 4 x 240 x 180 captures.
    std::ifstream in(rec, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    veltor_evk::RecordingHeader h;
    std::string error;
    ASSERT_TRUE(h.decode(bytes.data(), bytes.size(), error)) << error;
    EXPECT_EQ(h.captures, 3u);
    EXPECT_EQ(h.subFrames, 4u);
    EXPECT_EQ(h.frameRate, 30u);
    EXPECT_EQ(bytes.size(), veltor_evk::RecordingHeader::kBytes + 3 * h.captureBytes());
}
