#include "raw_recorder.h"

#include <vector>

#include "VeltorDeviceHQVGA.h"
#include "veltor_evk_recording.h"

namespace Veltor {

RawRecordingResult recordRawCaptures(VeltorTOFCamera& camera, const std::string& path, int captures,
                                     int16_t frameTimeoutMs) {
    RawRecordingResult result;
    const CameraInfo info = camera.getCameraInfo();
    if (info.device_type != HQVGA) {
        result.error = "only the 240 x 180 family can be recorded so far";
        return result;
    }
    constexpr uint32_t W = VeltorDeviceHQVGA::kWidth;
    constexpr uint32_t H = VeltorDeviceHQVGA::kHeight;
    constexpr uint32_t P = VeltorDeviceHQVGA::kSubFrames;

    int fps = 0;
    if (camera.getControl(FRAME_RATE, &fps) != 0 || fps <= 0) fps = 30;

    veltor_evk::RecordingHeader header;
    header.width = W;
    header.height = H;
    header.bitWidth = 12;
    header.subFrames = P;
    header.frameRate = static_cast<uint32_t>(fps);
    veltor_evk::RecordingWriter writer;
    if (!writer.open(path, header, result.error)) return result;

    int rc = camera.start(RAW);
    if (rc != 0) {
        result.error = "start failed: " + std::string(to_str(rc));
        return result;
    }
    std::vector<uint16_t> capture(size_t{W} * H * P);
    while (result.captures < captures) {
        VeltorFrameBuffer* frame = camera.requestFrame(frameTimeoutMs);
        if (frame == nullptr) {
            result.error = "no frame within " + std::to_string(frameTimeoutMs) + " ms";
            break;
        }
        FrameFormat fmt;
        const int16_t* raw = static_cast<const int16_t*>(frame->getData(RAW));
        if (raw == nullptr || frame->getFormat(RAW, fmt) != 0 || fmt.width != W || fmt.height != H * P) {
            camera.releaseFrame(frame);
            result.error = "unexpected raw frame geometry";
            break;
        }
        // RAW row 4r + p is row r of sub-frame p, each sample the signed
        // 11-bit value times 16: back to the sensor's 12-bit container.
        for (uint32_t r = 0; r < H; ++r)
            for (uint32_t p = 0; p < P; ++p)
                for (uint32_t c = 0; c < W; ++c) {
                    const int value = raw[(size_t{P} * r + p) * W + c] / 16;
                    capture[(size_t{p} * H + r) * W + c] = static_cast<uint16_t>(value & 0xFFF);
                }
        camera.releaseFrame(frame);
        if (!writer.append(capture.data(), capture.size() * sizeof(uint16_t))) {
            result.error = "cannot write \"" + path + "\"";
            break;
        }
        ++result.captures;
    }
    camera.stop();
    if (!writer.finish() && result.error.empty()) result.error = "cannot finish \"" + path + "\"";
    return result;
}

}  // namespace Veltor
