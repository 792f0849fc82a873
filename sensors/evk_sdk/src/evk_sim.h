// The simulated time-of-flight camera behind the kit interface.
//
// A capture is four phase sub-frames of the 240 x 180 sensor. Each sample is
// the difference of a pixel's two taps, an 11-bit signed count in a 12-bit
// two's-complement container (scaled to the configured bit width). With the
// pixel's phase phi = 4 pi f r / c (r its distance, f the modulation
// frequency) the phase step k in 0..3 carries -cos(phi + k pi / 2) times the
// pixel's amplitude, so I = step2 - step0 and Q = step1 - step3 give phi back.
// In the long-range mode (37.5 MHz) the sensor sends step 3 first, in the
// short-range mode (75 MHz) step 0 first.
#ifndef VELTOR_EVK_SIM_H
#define VELTOR_EVK_SIM_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "evk_config.h"
#include "veltor_evk_recording.h"
#include "veltor_evk_sdk.h"

namespace veltor_evk {

// Sensor registers and tunnelled driver-control identifiers.
namespace reg {
constexpr uint32_t kCtrlSelect = 0x0401;   // driver-control id for 0x0406
constexpr uint32_t kReadout = 0x0402;      // bit 13 mirror, bit 14 flip
constexpr uint32_t kCtrlValue = 0x0406;    // value of the selected control
constexpr uint32_t kFramePeriod = 0x0429;  // 90,000,000 / frames per second
constexpr uint32_t kExposure0 = 0x0480;    // low 16 bits: 18 counts per microsecond
constexpr uint32_t kExposure1 = 0x0484;
constexpr uint32_t kExposure2 = 0x0485;
constexpr uint32_t kExposure3 = 0x0489;
constexpr uint32_t kFrameRate = 0x0633;    // frames per second
constexpr uint32_t kModDivider = 0x216C;   // modulation = 600 MHz / value
constexpr uint32_t kTiming0 = 0x2179;
constexpr uint32_t kTiming1 = 0x217A;
constexpr uint32_t kTiming2 = 0x217B;

constexpr uint32_t kCtrlExposure = 0x00980911;
constexpr uint32_t kCtrlHflip = 0x00980914;
constexpr uint32_t kCtrlVflip = 0x00980915;
constexpr uint32_t kCtrlRange = 0x00981901;  // 1 short range, 0 long range
constexpr uint32_t kCtrlFrameRate = 0x00981906;

constexpr uint32_t kHflipBit = 1u << 13;
constexpr uint32_t kVflipBit = 1u << 14;
}  // namespace reg

constexpr int kWidth = 240;
constexpr int kHeight = 180;
constexpr int kPhaseSubFrames = 4;
constexpr int kBufferCount = 8;
constexpr double kSpeedOfLight = 299792458.0;

// splitmix64 stream with Gaussian draws by Box-Muller: the same numbers on
// every compiler, so a seed reproduces a frame exactly.
class NoiseSource {
public:
    explicit NoiseSource(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double uniform();  // [0, 1)
    double gaussian();

private:
    uint64_t state_;
    bool haveSpare_ = false;
    double spare_ = 0.0;
};

class SimCamera {
public:
    explicit SimCamera(const SimConfig& cfg);
    ~SimCamera();
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // Loads the playback recording (if any) and sets the power-on registers.
    int init(std::string& error);
    int getConfig(VeltorCameraConfig* out);
    int start();
    int stop();
    // Stops and wakes every waiting capture for good (handle closing).
    void shutdown();
    int capture(VeltorFrame* frame, uint32_t timeoutMs);
    int release(const VeltorFrame& frame);
    int setCtrl(const std::string& name, int64_t value);
    int readReg(uint32_t address, uint32_t* value);
    int writeReg(uint32_t address, uint32_t value);

    // Renders one sub-frame of phase step 0..3 into out (width x height
    // samples at the configured bit width) with the noise of sub-frame seq.
    void renderSubFrame(int phaseStep, uint64_t seq, uint8_t* out);
    double modulationHz();
    int exposureUs();
    int frameRate();

private:
    using Clock = std::chrono::steady_clock;

    int setExposureLocked(int64_t us);
    int setFrameRateLocked(int64_t fps);
    int writeCtrlLocked(uint32_t id, uint32_t value);
    int readCtrlLocked(uint32_t id, uint32_t* value);
    void setRangeLocked(bool shortRange);
    void updateGeometryLocked();
    void renderLocked(int phaseStep, uint64_t seq, uint8_t* out);
    double nowMs() const;
    int maxFrameRate() const;
    uint64_t frameBytes() const;
    int phaseStepOf(int position) const;

    SimConfig cfg_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool initialised_ = false;
    bool started_ = false;
    bool shutdown_ = false;

    std::map<uint32_t, uint32_t> regs_;
    int exposureUs_;
    int frameRate_;

    // Schedule of the stream.
    uint64_t seq_ = 0;
    int position_ = 0;        // next sub-frame's place in its capture
    double captureStartMs_ = 0.0;
    NoiseSource faults_{0};

    // Per-pixel scene terms, recomputed when exposure, modulation or flips change.
    bool geometryDirty_ = true;
    std::vector<float> cosPhi_, sinPhi_, signal_, ambient_;

    // Playback.
    RecordingHeader recording_;
    std::vector<uint8_t> recordingData_;

    std::vector<std::vector<uint8_t>> buffers_;
    bool bufferInUse_[kBufferCount] = {};
};

}  // namespace veltor_evk

#endif
