#include "evk_sim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace veltor_evk {

namespace {

// Lens of the 240 x 180 module (pixels).
constexpr double kFx = 190.92;
constexpr double kFy = 191.25;
constexpr double kCx = 120.0;
constexpr double kCy = 90.0;

// Radiometry, in ADC counts of one tap: a grey surface (reflectivity 0.5)
// facing the camera at 1.5 m gives an amplitude of 500 counts at 400 us.
constexpr double kSignalAt1m = 500.0 * 2.25 / 0.5;
constexpr double kNominalExposureUs = 400.0;
constexpr double kElectronsPerCount = 2.0;  // shot-noise variance = counts / 2
constexpr double kReadNoise = 2.0;          // counts, on the difference of the taps
constexpr double kFullWell = 2600.0;        // counts per tap
constexpr int kSampleMin = -1024;
constexpr int kSampleMax = 1023;
constexpr double kBaseClockHz = 600e6;
constexpr double kTwoPi = 6.283185307179586;

uint64_t mix(uint64_t a, uint64_t b) {
    uint64_t z = a ^ (b + 0x9E3779B97F4A7C15ull + (a << 6) + (a >> 2));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

struct Hit {
    bool found = false;
    double t = 0.0;        // ray parameter: z of the hit point
    double cosIncidence = 1.0;
};

struct Vec {
    double x, y, z;
};

double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Ray p = t * dir against the plane n . p = n . p0.
Hit hitPlane(const Vec& dir, const Vec& normal, const Vec& p0) {
    Hit h;
    double denom = dot(normal, dir);
    if (std::fabs(denom) < 1e-12) return h;
    double t = dot(normal, p0) / denom;
    if (t <= 0.0) return h;
    h.found = true;
    h.t = t;
    h.cosIncidence = std::fabs(denom) / std::sqrt(dot(dir, dir) * dot(normal, normal));
    return h;
}

Hit hitSphere(const Vec& dir, const Vec& centre, double radius) {
    Hit h;
    double a = dot(dir, dir);
    double b = dot(dir, centre);
    double c = dot(centre, centre) - radius * radius;
    double disc = b * b - a * c;
    if (disc < 0.0) return h;
    double t = (b - std::sqrt(disc)) / a;
    if (t <= 0.0) return h;
    Vec p{t * dir.x - centre.x, t * dir.y - centre.y, t * dir.z - centre.z};
    h.found = true;
    h.t = t;
    h.cosIncidence = std::fabs(dot(p, dir)) / std::sqrt(dot(p, p) * a);
    return h;
}

// Axis-aligned box by the slab method; the normal is that of the entry face.
Hit hitBox(const Vec& dir, const Vec& lo, const Vec& hi) {
    Hit h;
    double tEnter = 0.0, tExit = 1e300;
    int axis = -1;
    const double d[3] = {dir.x, dir.y, dir.z};
    const double l[3] = {lo.x, lo.y, lo.z};
    const double u[3] = {hi.x, hi.y, hi.z};
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) < 1e-12) {
            if (0.0 < l[i] || 0.0 > u[i]) return h;
            continue;
        }
        double t0 = l[i] / d[i], t1 = u[i] / d[i];
        if (t0 > t1) std::swap(t0, t1);
        if (t0 > tEnter) {
            tEnter = t0;
            axis = i;
        }
        tExit = std::min(tExit, t1);
        if (tEnter > tExit) return h;
    }
    if (axis < 0) return h;
    h.found = true;
    h.t = tEnter;
    h.cosIncidence = std::fabs(d[axis]) / std::sqrt(dot(dir, dir));
    return h;
}

Hit nearer(const Hit& a, const Hit& b) {
    if (!a.found) return b;
    if (!b.found) return a;
    return a.t <= b.t ? a : b;
}

double backgroundOf(const SimConfig& cfg) {
    return cfg.backgroundMm < 0.0 ? cfg.distanceMm + 1000.0 : cfg.backgroundMm;
}

Hit traceScene(const SimConfig& cfg, const Vec& dir) {
    const double d = cfg.distanceMm;
    const Vec towards{0.0, 0.0, -1.0};
    Hit wall;
    double bg = backgroundOf(cfg);
    if (bg > 0.0) wall = hitPlane(dir, towards, Vec{0.0, 0.0, bg});
    switch (cfg.type) {
        case SceneType::Plane:
            return hitPlane(dir, towards, Vec{0.0, 0.0, d});
        case SceneType::TiltedPlane: {
            // Turned about the vertical axis: positive tilt moves the right side away.
            double a = cfg.tiltDeg * kTwoPi / 360.0;
            return hitPlane(dir, Vec{std::sin(a), 0.0, -std::cos(a)}, Vec{0.0, 0.0, d});
        }
        case SceneType::Sphere:
            return nearer(hitSphere(dir, Vec{0.0, 0.0, d}, cfg.radiusMm), wall);
        case SceneType::Boxes: {
            // Three boxes, 300 mm deep, placed by fractions of the distance so
            // they stay in view at any distance; image y grows downwards.
            Hit h = wall;
            h = nearer(h, hitBox(dir, Vec{-0.50 * d, -0.05 * d, d}, Vec{-0.15 * d, 0.45 * d, d + 300.0}));
            h = nearer(h, hitBox(dir, Vec{-0.10 * d, -0.30 * d, 1.3 * d}, Vec{0.20 * d, 0.45 * d, 1.3 * d + 300.0}));
            h = nearer(h, hitBox(dir, Vec{0.25 * d, 0.10 * d, 0.7 * d}, Vec{0.55 * d, 0.45 * d, 0.7 * d + 300.0}));
            return h;
        }
    }
    return Hit{};
}

}  // namespace

uint64_t NoiseSource::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double NoiseSource::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double NoiseSource::gaussian() {
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    double u1 = uniform();
    double u2 = uniform();
    if (u1 < 1e-300) u1 = 1e-300;
    double r = std::sqrt(-2.0 * std::log(u1));
    spare_ = r * std::sin(kTwoPi * u2);
    haveSpare_ = true;
    return r * std::cos(kTwoPi * u2);
}

SimCamera::SimCamera(const SimConfig& cfg)
    : cfg_(cfg), exposureUs_(cfg.exposureUs), frameRate_(cfg.frameRate) {}

SimCamera::~SimCamera() { shutdown(); }

double SimCamera::nowMs() const {
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

uint64_t SimCamera::frameBytes() const {
    if (!recordingData_.empty()) return recording_.subFrameBytes();
    return uint64_t{kWidth} * kHeight * (cfg_.bitWidth <= 8 ? 1 : 2);
}

int SimCamera::maxFrameRate() const {
    int m = 1000 / (cfg_.subFrameMs * 3 + 6);
    return std::max(1, std::min(m, recordingData_.empty() ? 50 : 1000));
}

int SimCamera::init(std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!cfg_.playbackFile.empty() && recordingData_.empty()) {
        std::ifstream f(cfg_.playbackFile, std::ios::binary);
        if (!f) {
            error = "cannot open recording \"" + cfg_.playbackFile + "\"";
            return VELTOR_EVK_ERR_IO;
        }
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        RecordingHeader h;
        if (!h.decode(data.data(), data.size(), error)) {
            error = cfg_.playbackFile + ": " + error;
            return VELTOR_EVK_ERR_IO;
        }
        uint64_t want = RecordingHeader::kBytes + h.captureBytes() * h.captures;
        if (data.size() != want) {
            error = cfg_.playbackFile + ": " + std::to_string(data.size()) + " bytes, the header announces " +
                    std::to_string(want);
            return VELTOR_EVK_ERR_IO;
        }
        recording_ = h;
        recordingData_.assign(data.begin() + RecordingHeader::kBytes, data.end());
        frameRate_ = static_cast<int>(h.frameRate);
    }
    if (regs_.empty()) {
        regs_[reg::kCtrlSelect] = 0;
        regs_[reg::kReadout] = 0;
        regs_[reg::kCtrlValue] = 0;
        regs_[reg::kExposure0] = regs_[reg::kExposure1] = regs_[reg::kExposure2] = regs_[reg::kExposure3] = 0;
        setRangeLocked(cfg_.rangeMm == 2000);
        setExposureLocked(exposureUs_);
        setFrameRateLocked(std::min(frameRate_, maxFrameRate()));
    }
    buffers_.assign(kBufferCount, std::vector<uint8_t>(frameBytes()));
    initialised_ = true;
    return VELTOR_EVK_OK;
}

int SimCamera::getConfig(VeltorCameraConfig* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_) return VELTOR_EVK_ERR_STATE;
    std::memset(out, 0, sizeof *out);
    std::snprintf(out->model, sizeof out->model, "%s", "Veltor EVK simulator (hqvga)");
    std::snprintf(out->serial, sizeof out->serial, "SIM-%llu", static_cast<unsigned long long>(cfg_.seed));
    if (!recordingData_.empty()) {
        std::snprintf(out->model, sizeof out->model, "%s", "Veltor EVK playback");
        out->width = recording_.width;
        out->height = recording_.height;
        out->bit_width = static_cast<uint8_t>(recording_.bitWidth);
        out->sub_frames = static_cast<uint8_t>(recording_.subFrames);
    } else {
        out->width = kWidth;
        out->height = kHeight;
        out->bit_width = static_cast<uint8_t>(cfg_.bitWidth);
        out->sub_frames = kPhaseSubFrames;
    }
    out->frame_rate = static_cast<uint16_t>(frameRate_);
    out->mode = cfg_.bypass ? VELTOR_EVK_MODE_BYPASS : VELTOR_EVK_MODE_TUNNEL;
    return VELTOR_EVK_OK;
}

int SimCamera::start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_ || shutdown_) return VELTOR_EVK_ERR_STATE;
    if (started_) return VELTOR_EVK_ERR_STATE;
    started_ = true;
    seq_ = 0;
    position_ = 0;
    captureStartMs_ = std::floor(nowMs());
    faults_ = NoiseSource(cfg_.faultSeed != 0 ? cfg_.faultSeed : mix(cfg_.seed, 0xFA17ull));
    return VELTOR_EVK_OK;
}

int SimCamera::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    started_ = false;
    wake_.notify_all();
    return VELTOR_EVK_OK;
}

void SimCamera::shutdown() {
    std::lock_guard<std::mutex> lock(mutex_);
    started_ = false;
    shutdown_ = true;
    wake_.notify_all();
}

int SimCamera::phaseStepOf(int position) const {
    const bool shortRange = regs_.at(reg::kModDivider) <= 0x08;
    return shortRange ? position : (position + kPhaseSubFrames - 1) % kPhaseSubFrames;
}

int SimCamera::capture(VeltorFrame* frame, uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!started_) return VELTOR_EVK_ERR_STATE;
    const int subFrames = recordingData_.empty() ? kPhaseSubFrames : static_cast<int>(recording_.subFrames);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto stopped = [this] { return !started_ || shutdown_; };
    auto toTimePoint = [](double ms) {
        return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms)));
    };
    int dropsInARow = 0;
    for (;;) {
        int slot = -1;
        for (int i = 0; i < kBufferCount; ++i)
            if (!bufferInUse_[i]) {
                slot = i;
                break;
            }
        if (slot < 0) return VELTOR_EVK_ERR_NO_BUFFER;

        const double periodMs = 1000.0 / frameRate_;
        if (cfg_.realtime && position_ == 0) {
            // A host that fell behind gets the newest capture; older ones are lost.
            double late = nowMs() - captureStartMs_;
            if (late > periodMs) captureStartMs_ += std::floor(late / periodMs) * periodMs;
        }
        const double dueMs = captureStartMs_ + position_ * cfg_.subFrameMs;
        if (cfg_.realtime) {
            Clock::time_point due = toTimePoint(dueMs);
            if (due > deadline) {
                wake_.wait_until(lock, deadline, stopped);
                return stopped() ? VELTOR_EVK_ERR_STATE : VELTOR_EVK_ERR_TIMEOUT;
            }
            if (wake_.wait_until(lock, due, stopped)) return VELTOR_EVK_ERR_STATE;
        }

        const int position = position_;
        const uint64_t seq = seq_++;
        if (++position_ == subFrames) {
            position_ = 0;
            captureStartMs_ += periodMs;
        }

        const double u = faults_.uniform();
        if (u < cfg_.dropRate) {
            // Lost on the way: the next sub-frame comes one slot late.
            if (++dropsInARow >= 64 && !cfg_.realtime) return VELTOR_EVK_ERR_TIMEOUT;
            continue;
        }
        if (u < cfg_.dropRate + cfg_.timeoutRate) {
            if (cfg_.realtime) {
                Clock::time_point until = std::min(deadline, Clock::now() + std::chrono::milliseconds(cfg_.timeoutMs));
                if (wake_.wait_until(lock, until, stopped)) return VELTOR_EVK_ERR_STATE;
            }
            return VELTOR_EVK_ERR_TIMEOUT;
        }
        const bool wrongSize = u < cfg_.dropRate + cfg_.timeoutRate + cfg_.wrongSizeRate;

        std::vector<uint8_t>& buf = buffers_[slot];
        int phaseStep = position;
        if (recordingData_.empty()) {
            phaseStep = phaseStepOf(position);
            renderLocked(phaseStep, seq, buf.data());
        } else {
            uint64_t total = uint64_t{recording_.captures} * recording_.subFrames;
            std::memcpy(buf.data(), recordingData_.data() + (seq % total) * recording_.subFrameBytes(), buf.size());
        }
        bufferInUse_[slot] = true;
        std::memset(frame, 0, sizeof *frame);
        frame->sequence = static_cast<uint32_t>(seq);
        frame->phase = static_cast<uint32_t>(phaseStep);
        frame->timestamp = static_cast<uint64_t>(std::floor(dueMs));
        frame->width = recordingData_.empty() ? kWidth : recording_.width;
        frame->height = recordingData_.empty() ? kHeight : recording_.height;
        frame->bit_width = recordingData_.empty() ? cfg_.bitWidth : recording_.bitWidth;
        // A short transfer: one row missing.
        const uint64_t rowBytes = buf.size() / frame->height;
        frame->data_size = static_cast<uint32_t>(wrongSize ? buf.size() - rowBytes : buf.size());
        frame->data = buf.data();
        frame->buffer_id = static_cast<uint64_t>(slot);
        return VELTOR_EVK_OK;
    }
}

int SimCamera::release(const VeltorFrame& frame) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frame.buffer_id >= static_cast<uint64_t>(kBufferCount)) return VELTOR_EVK_ERR_FRAME;
    const size_t slot = static_cast<size_t>(frame.buffer_id);
    if (slot >= buffers_.size() || !bufferInUse_[slot] || frame.data != buffers_[slot].data())
        return VELTOR_EVK_ERR_FRAME;
    bufferInUse_[slot] = false;
    return VELTOR_EVK_OK;
}

int SimCamera::setExposureLocked(int64_t us) {
    if (us < 1 || us > 65523) return VELTOR_EVK_ERR_PARAM;
    exposureUs_ = static_cast<int>(us);
    const uint32_t low = static_cast<uint32_t>(18 * us) & 0xFFFFu;
    for (uint32_t r : {reg::kExposure0, reg::kExposure1, reg::kExposure2, reg::kExposure3})
        regs_[r] = (regs_[r] & 0xFFFF0000u) | low;
    geometryDirty_ = true;
    return VELTOR_EVK_OK;
}

int SimCamera::setFrameRateLocked(int64_t fps) {
    if (fps < 1 || fps > maxFrameRate()) return VELTOR_EVK_ERR_PARAM;
    frameRate_ = static_cast<int>(fps);
    regs_[reg::kFrameRate] = static_cast<uint32_t>(fps);
    regs_[reg::kFramePeriod] = static_cast<uint32_t>(90000000 / fps);
    return VELTOR_EVK_OK;
}

void SimCamera::setRangeLocked(bool shortRange) {
    regs_[reg::kModDivider] = shortRange ? 0x08 : 0x10;
    regs_[reg::kTiming0] = shortRange ? 0x0A : 0x0E;
    regs_[reg::kTiming1] = shortRange ? 0x0E : 0x16;
    regs_[reg::kTiming2] = shortRange ? 0x12 : 0x1E;
    geometryDirty_ = true;
}

int SimCamera::writeCtrlLocked(uint32_t id, uint32_t value) {
    switch (id) {
        case reg::kCtrlExposure: return setExposureLocked(value);
        case reg::kCtrlFrameRate: return setFrameRateLocked(value);
        case reg::kCtrlHflip:
        case reg::kCtrlVflip: {
            uint32_t bit = id == reg::kCtrlHflip ? reg::kHflipBit : reg::kVflipBit;
            regs_[reg::kReadout] = value != 0 ? (regs_[reg::kReadout] | bit) : (regs_[reg::kReadout] & ~bit);
            geometryDirty_ = true;
            return VELTOR_EVK_OK;
        }
        case reg::kCtrlRange:
            if (value > 1) return VELTOR_EVK_ERR_PARAM;
            setRangeLocked(value == 1);
            return VELTOR_EVK_OK;
        default: return VELTOR_EVK_ERR_PARAM;
    }
}

int SimCamera::readCtrlLocked(uint32_t id, uint32_t* value) {
    switch (id) {
        case reg::kCtrlExposure: *value = static_cast<uint32_t>(exposureUs_); return VELTOR_EVK_OK;
        case reg::kCtrlFrameRate: *value = static_cast<uint32_t>(frameRate_); return VELTOR_EVK_OK;
        case reg::kCtrlHflip: *value = (regs_[reg::kReadout] & reg::kHflipBit) != 0; return VELTOR_EVK_OK;
        case reg::kCtrlVflip: *value = (regs_[reg::kReadout] & reg::kVflipBit) != 0; return VELTOR_EVK_OK;
        case reg::kCtrlRange: *value = regs_[reg::kModDivider] <= 0x08 ? 1 : 0; return VELTOR_EVK_OK;
        default: return VELTOR_EVK_ERR_PARAM;
    }
}

int SimCamera::setCtrl(const std::string& name, int64_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_) return VELTOR_EVK_ERR_STATE;
    if (name == "setExposure") return setExposureLocked(value);
    if (name == "setFramerate") return setFrameRateLocked(value);
    return VELTOR_EVK_ERR_UNKNOWN_CTRL;
}

int SimCamera::readReg(uint32_t address, uint32_t* value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_) return VELTOR_EVK_ERR_STATE;
    auto it = regs_.find(address);
    if (it == regs_.end()) return VELTOR_EVK_ERR_REGISTER;
    if (address == reg::kCtrlValue) return readCtrlLocked(regs_[reg::kCtrlSelect], value);
    *value = it->second;
    return VELTOR_EVK_OK;
}

int SimCamera::writeReg(uint32_t address, uint32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_) return VELTOR_EVK_ERR_STATE;
    auto it = regs_.find(address);
    if (it == regs_.end()) return VELTOR_EVK_ERR_REGISTER;
    switch (address) {
        case reg::kCtrlValue: return writeCtrlLocked(regs_[reg::kCtrlSelect], value);
        case reg::kModDivider:
            if (value < 4 || value > 64) return VELTOR_EVK_ERR_PARAM;
            it->second = value;
            geometryDirty_ = true;
            return VELTOR_EVK_OK;
        case reg::kExposure0: {
            uint32_t us = (value & 0xFFFFu) / 18;
            if (us < 1) return VELTOR_EVK_ERR_PARAM;
            exposureUs_ = static_cast<int>(us);
            geometryDirty_ = true;
            it->second = value;
            return VELTOR_EVK_OK;
        }
        case reg::kFrameRate: return setFrameRateLocked(value);
        case reg::kFramePeriod:
            if (value == 0) return VELTOR_EVK_ERR_PARAM;
            return setFrameRateLocked(90000000 / value);
        case reg::kReadout:
            if ((it->second ^ value) & (reg::kHflipBit | reg::kVflipBit)) geometryDirty_ = true;
            it->second = value;
            return VELTOR_EVK_OK;
        default:
            it->second = value;
            return VELTOR_EVK_OK;
    }
}

double SimCamera::modulationHz() {
    std::lock_guard<std::mutex> lock(mutex_);
    return kBaseClockHz / regs_.at(reg::kModDivider);
}

int SimCamera::exposureUs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return exposureUs_;
}

int SimCamera::frameRate() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frameRate_;
}

void SimCamera::updateGeometryLocked() {
    if (!geometryDirty_) return;
    const size_t n = size_t{kWidth} * kHeight;
    cosPhi_.resize(n);
    sinPhi_.resize(n);
    signal_.resize(n);
    ambient_.resize(n);
    const double f = kBaseClockHz / regs_.at(reg::kModDivider);
    const bool hflip = (regs_[reg::kReadout] & reg::kHflipBit) != 0;
    const bool vflip = (regs_[reg::kReadout] & reg::kVflipBit) != 0;
    const double exposure = exposureUs_ / kNominalExposureUs;
    for (int v = 0; v < kHeight; ++v) {
        for (int u = 0; u < kWidth; ++u) {
            const int su = hflip ? kWidth - 1 - u : u;
            const int sv = vflip ? kHeight - 1 - v : v;
            const Vec dir{(su - kCx) / kFx, (sv - kCy) / kFy, 1.0};
            const Hit hit = traceScene(cfg_, dir);
            const size_t i = size_t(v) * kWidth + u;
            if (!hit.found) {
                cosPhi_[i] = 1.0f;
                sinPhi_[i] = 0.0f;
                signal_[i] = 0.0f;
                ambient_[i] = 0.0f;
                continue;
            }
            const double pathMm = hit.t * std::sqrt(dot(dir, dir));
            const double rangeMm = cfg_.radial ? pathMm : hit.t;
            // Out and back: the phase wraps every c / (2 f) of range.
            const double phi = std::fmod(2.0 * kTwoPi * f * (rangeMm / 1000.0) / kSpeedOfLight, kTwoPi);
            const double pathM = pathMm / 1000.0;
            cosPhi_[i] = static_cast<float>(std::cos(phi));
            sinPhi_[i] = static_cast<float>(std::sin(phi));
            signal_[i] = static_cast<float>(kSignalAt1m * cfg_.reflectivity * hit.cosIncidence * exposure /
                                            (pathM * pathM));
            ambient_[i] = static_cast<float>(cfg_.ambient * cfg_.reflectivity * exposure);
        }
    }
    geometryDirty_ = false;
}

void SimCamera::renderSubFrame(int phaseStep, uint64_t seq, uint8_t* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    renderLocked(phaseStep, seq, out);
}

void SimCamera::renderLocked(int phaseStep, uint64_t seq, uint8_t* out) {
    updateGeometryLocked();
    NoiseSource rng(mix(cfg_.seed, seq));
    const double noise = cfg_.noise;
    const int bits = cfg_.bitWidth;
    const size_t n = size_t{kWidth} * kHeight;
    for (size_t i = 0; i < n; ++i) {
        double c;
        switch (phaseStep & 3) {
            case 0: c = -cosPhi_[i]; break;
            case 1: c = sinPhi_[i]; break;
            case 2: c = cosPhi_[i]; break;
            default: c = -sinPhi_[i]; break;
        }
        const double s = signal_[i];
        double tapA = ambient_[i] + s * (1.0 + c) * 0.5;
        double tapB = ambient_[i] + s * (1.0 - c) * 0.5;
        if (noise > 0.0) {
            const double readVar = kReadNoise * kReadNoise * 0.5;
            tapA += noise * std::sqrt(tapA / kElectronsPerCount + readVar) * rng.gaussian();
            tapB += noise * std::sqrt(tapB / kElectronsPerCount + readVar) * rng.gaussian();
        }
        tapA = std::clamp(tapA, 0.0, kFullWell);
        tapB = std::clamp(tapB, 0.0, kFullWell);
        const int diff = std::clamp(static_cast<int>(std::lround(tapA - tapB)), kSampleMin, kSampleMax);
        const uint32_t code12 = static_cast<uint32_t>(diff) & 0xFFFu;
        switch (bits) {
            case 8: out[i] = static_cast<uint8_t>(code12 >> 4); break;
            case 10: {
                uint16_t v = static_cast<uint16_t>(code12 >> 2);
                std::memcpy(out + 2 * i, &v, 2);
                break;
            }
            case 14: {
                uint16_t v = static_cast<uint16_t>(code12 << 2);
                std::memcpy(out + 2 * i, &v, 2);
                break;
            }
            default: {
                uint16_t v = static_cast<uint16_t>(code12);
                std::memcpy(out + 2 * i, &v, 2);
                break;
            }
        }
    }
}

}  // namespace veltor_evk
