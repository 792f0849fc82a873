#include "VeltorTOFCamera.h"

#include <chrono>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <exception>
#include <new>
#include <system_error>
#include <utility>

#include "FrameCache.h"
#include "VeltorDeviceHQVGA.h"

namespace Veltor {

namespace {

constexpr int64_t kNsPerMs = 1000000;
constexpr int64_t kAdjustPeriodNs = 3000000000LL;  // frame-rate feedback every 3 s
constexpr auto kReadyWaitRound = std::chrono::milliseconds(20);
constexpr auto kPoolFullSleep = std::chrono::milliseconds(1);

PlatformKind readPlatform(const std::string& modelPath) {
    std::FILE* file = std::fopen(modelPath.c_str(), "r");
    if (file == nullptr) return PLATFORM_UNKNOWN;
    char model[100] = {0};  // first line, at most 99 characters
    const bool ok = std::fgets(model, sizeof model, file) != nullptr;
    std::fclose(file);
    return ok ? classifyPlatform(model) : PLATFORM_UNKNOWN;
}

// On Rockchip boards the capture driver's compact mode must be off for the
// raw sensor data; "0 0 0 0" turns it off.
void resetRockchipCompactMode(const std::string& optionPath) {
    std::FILE* file = std::fopen(optionPath.c_str(), "r");
    if (file == nullptr) return;
    int first = 0, second = 0;
    const int read = std::fscanf(file, "%d %d", &first, &second);
    std::fclose(file);
    if (read < 1) return;
    if (first != 1 && !(read == 2 && second == 1)) return;
    file = std::fopen(optionPath.c_str(), "w");
    if (file == nullptr) return;
    std::fputs("0 0 0 0", file);
    std::fclose(file);
}

bool isOutputType(FrameType type) { return type == RAW || type == DEPTH; }

}  // namespace

VeltorTOFCamera::VeltorTOFCamera() : VeltorTOFCamera(VeltorCameraOptions::processDefaults()) {}

VeltorTOFCamera::VeltorTOFCamera(const VeltorCameraOptions& cameraOptions) : options(cameraOptions) {
    if (!options.clock) options.clock = steadyClock();
    platform = readPlatform(boardModelPath(options.systemRoot));
    if (platform == PLATFORM_ROCKCHIP) resetRockchipCompactMode(rockchipOptionPath(options.systemRoot));
}

VeltorTOFCamera::~VeltorTOFCamera() {
    // A running worker left unjoined would abort the process.
    if (isStreaming()) stop();
    {
        std::lock_guard<std::mutex> lock(cacheMutex);
        frameCache.reset();
    }
    device.reset();
    sensor.reset();
}

int VeltorTOFCamera::open(Connection connect, int index) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    if (isStreaming()) return VeltorUnkownError;
    info.index = static_cast<uint32_t>(index);
    info.connect = connect;
    if (connect != CSI && connect != USB) return VeltorUnkownError;
    std::unique_ptr<VeltorTOFSensor> created;
    // Back-ends come from outside this file; nothing they throw may cross
    // the camera's interface.
    try {
        if (connect == CSI) {
            char devicePath[80];
            std::snprintf(devicePath, sizeof devicePath, "/dev/video%d", index);
            if (options.backends.csiSensor) created = options.backends.csiSensor(platform, devicePath);
        } else if (options.backends.usbSensor) {
            created = options.backends.usbSensor("", index);
        }
    } catch (const std::exception&) {
        return VeltorSystemError;
    }
    if (!created) {
        std::fprintf(stderr, "%s sensor back-end is not available\n", connect == CSI ? "CSI" : "USB");
        return VeltorUnkownError;
    }
    return openSensor(std::move(created));
}

int VeltorTOFCamera::openWithFile(const char* path, int index) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    if (path == nullptr || isStreaming()) return VeltorUnkownError;
    info.index = static_cast<uint32_t>(index);
    info.connect = USB;
    std::unique_ptr<VeltorTOFSensor> created;
    try {
        if (options.backends.usbSensor) created = options.backends.usbSensor(path, index);
    } catch (const std::exception&) {
        return VeltorSystemError;
    }
    if (!created) {
        std::fprintf(stderr, "USB sensor back-end is not available\n");
        return VeltorUnkownError;
    }
    return openSensor(std::move(created));
}

int VeltorTOFCamera::openSensor(std::unique_ptr<VeltorTOFSensor> newSensor) {
    // The device model borrows the sensor: it goes first.
    device.reset();
    sensor = std::move(newSensor);
    int r = VeltorSystemError;
    try {
        r = sensor->open(info);
    } catch (const std::exception&) {
        return VeltorSystemError;
    }
    if (r != VeltorSuccess) return r;
    return openPostHandleLocked();
}

int VeltorTOFCamera::openPostHandle() {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    if (isStreaming()) return VeltorUnkownError;
    return openPostHandleLocked();
}

int VeltorTOFCamera::openPostHandleLocked() {
    if (!sensor) return VeltorUnkownError;
    device.reset();
    const bool hqvga = info.width == VeltorDeviceHQVGA::kWidth && info.height == VeltorDeviceHQVGA::kHeight;
    info.device_type = hqvga ? HQVGA : VGA;
    if (hqvga) sensor->setSubFrameCount(VeltorDeviceHQVGA::kSubFrames);
    try {
        if (hqvga && options.backends.hqvgaDevice) device = options.backends.hqvgaDevice(platform);
        if (!hqvga && options.backends.vgaDevice) device = options.backends.vgaDevice(platform);
    } catch (const std::exception&) {
        return VeltorSystemError;
    }
    if (!device) {
        std::fprintf(stderr, "%s device model is not available\n", info.device_type == HQVGA ? "HQVGA" : "VGA");
        return VeltorUnkownError;
    }
    try {
        return device->init(sensor.get());
    } catch (const std::exception&) {
        device.reset();
        return VeltorSystemError;
    }
}

int VeltorTOFCamera::start(FrameType type) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    if (isStreaming()) return VeltorUnkownError;
    if (!isOutputType(type)) return VeltorUnkownError;
    if (!sensor || !device) return VeltorUnkownError;

    {
        std::lock_guard<std::mutex> controlLock(controlMutex);
        int range = 0;
        getControlLocked(RANGE, &range);
        setControlLocked(RANGE, range);
    }

    int r = device->prepareSensor();
    if (r != VeltorSuccess) return r;
    r = sensor->start();
    if (r != VeltorSuccess) return r;
    // From here on a failure stops what was started, so that a later start
    // finds device and sensor stopped.
    auto undo = [this](int code) {
        device->stop();
        sensor->stop();
        return code;
    };
    r = device->start();
    if (r != VeltorSuccess) return undo(r);

    const CameraInfo sensorInfo = sensor->getCameraInfo();
    info.type = type;
    info.width = sensorInfo.width;
    info.height = sensorInfo.height;
    info.bit_width = sensorInfo.bit_width;
    info.bpp = sensorInfo.bpp;

    r = setOutputTypeLocked(type);
    if (r != VeltorSuccess) return undo(r);

    skipCounter = 0;
    stopped.store(false, std::memory_order_release);
    try {
        worker = std::thread(&VeltorTOFCamera::captureThread, this);
    } catch (const std::system_error&) {
        stopped.store(true, std::memory_order_release);
        return undo(VeltorSystemError);
    }
    return VeltorSuccess;
}

void VeltorTOFCamera::stopAndJoinWorker() {
    stopped.store(true, std::memory_order_release);
    // Wake callers waiting in requestFrame (and the worker's ready wait).
    if (auto cache = currentCache()) cache->endStream();
    if (worker.joinable()) worker.join();
}

int VeltorTOFCamera::stop() {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    return stopLocked();
}

int VeltorTOFCamera::stopLocked() {
    // Not streaming (never started, or stopped already): nothing to stop.
    if (!isStreaming() && !worker.joinable()) return VeltorSuccess;
    stopAndJoinWorker();
    if (device) device->stop();
    return sensor ? sensor->stop() : VeltorUnkownError;
}

int VeltorTOFCamera::close() {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    if (isStreaming()) stopLocked();
    if (device) device->close();
    return sensor ? sensor->close() : VeltorUnkownError;
}

int VeltorTOFCamera::setOutputType(FrameType type) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    return setOutputTypeLocked(type);
}

int VeltorTOFCamera::setOutputTypeLocked(FrameType type) {
    if (isStreaming()) return VeltorUnkownError;
    if (!sensor || !device) return VeltorUnkownError;
    info.type = type;
    device->getFormats(&rawFormat, &depthFormat);
    if (!isOutputType(type)) return VeltorUnkownError;
    const FrameFormat& F = type == RAW ? rawFormat : depthFormat;

    const uint64_t width = info.width;
    const uint64_t height = uint64_t(info.height) * sensor->getSubFrameCount();
    if (width > UINT32_MAX || height > UINT32_MAX / 2) return VeltorUnkownError;
    const uint64_t needed = width * height * 2;
    try {
        if (stagingBuffer.size() < needed) {
            std::vector<uint8_t>().swap(stagingBuffer);  // free the old one first
            stagingBuffer.resize(static_cast<size_t>(needed));
        }
        auto cache = std::make_shared<FrameCache>(type, F, stagingBuffer.data(), stagingBuffer.size(),
                                                  static_cast<uint32_t>(width),
                                                  static_cast<uint32_t>(height));
        std::shared_ptr<FrameCache> replaced;
        {
            std::lock_guard<std::mutex> lock(cacheMutex);
            replaced = std::exchange(frameCache, std::move(cache));
            poolGeneration.fetch_add(1, std::memory_order_acq_rel);
        }
        // A request that picked up the old pool must not wait on it.
        if (replaced) replaced->endStream();
    } catch (const std::bad_alloc&) {
        return VeltorSystemError;
    } catch (const std::length_error&) {
        return VeltorSystemError;
    }
    return VeltorSuccess;
}

std::shared_ptr<FrameCache> VeltorTOFCamera::currentCache() {
    std::lock_guard<std::mutex> lock(cacheMutex);
    return frameCache;
}

VeltorFrameBuffer* VeltorTOFCamera::requestFrame(int16_t timeoutMs) {
    const std::shared_ptr<FrameCache> cache = currentCache();
    if (!cache) return nullptr;
    std::unique_lock<std::mutex> lock(cache->mutex);
    // A stopped camera delivers what is ready and then nothing more, so no
    // wait outlasts the stream. The pool's own end counts, not only the
    // camera's state: a restart right after a stop streams into a new pool,
    // and this one is never signalled again.
    auto ready = [&] { return cache->readyCount > 0 || cache->streamEnded || !isStreaming(); };
    if (timeoutMs < 0) {
        cache->readyCond.wait(lock, ready);
    } else if (timeoutMs > 0) {
        cache->readyCond.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    }
    if (cache->readyCount <= 0) return nullptr;
    --cache->readyCount;
    lock.unlock();
    LinkNode* node = cache->pool.popReady(NodeOwner::Application);
    return node != nullptr ? node->frame.get() : nullptr;
}

int VeltorTOFCamera::releaseFrame(VeltorFrameBuffer* frame) {
    if (frame == nullptr) return VeltorUnkownError;
    const std::shared_ptr<FrameCache> cache = currentCache();
    if (!cache) return VeltorUnkownError;
    return cache->pool.release(frame);
}

CameraInfo VeltorTOFCamera::getCameraInfo() {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    return info;
}

const char* VeltorTOFCamera::getCameraID() {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    if (!device) return "";
    const char* id = device->getCameraID();
    return id != nullptr ? id : "";
}

int VeltorTOFCamera::setControl(Control control, int value) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    std::lock_guard<std::mutex> controlLock(controlMutex);
    return setControlLocked(control, value);
}

int VeltorTOFCamera::getControl(Control control, int* value) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    std::lock_guard<std::mutex> controlLock(controlMutex);
    return getControlLocked(control, value);
}

int VeltorTOFCamera::setControlLocked(Control control, int value) {
    switch (control) {
    case SKIP_FRAME:
        skipFrame.store(value, std::memory_order_relaxed);
        return VeltorSuccess;
    case SKIP_FRAME_LOOP:
        skipFrameLoop.store(value, std::memory_order_relaxed);
        return VeltorSuccess;
    case AUTO_FRAME_RATE:
        autoFrameRate.store(value != 0, std::memory_order_relaxed);
        return VeltorSuccess;
    default:
        return device ? device->setControl(control, value) : VeltorUnkownError;
    }
}

int VeltorTOFCamera::getControlLocked(Control control, int* value) {
    if (value == nullptr) return VeltorUnkownError;
    if (control == AUTO_FRAME_RATE) {
        *value = autoFrameRate.load(std::memory_order_relaxed) ? 1 : 0;
        return VeltorSuccess;
    }
    return device ? device->getControl(control, value) : VeltorUnkownError;
}

int VeltorTOFCamera::setControlExt(Control control, const char* value) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    std::lock_guard<std::mutex> controlLock(controlMutex);
    return device ? device->setControlExt(control, value) : VeltorUnkownError;
}

int VeltorTOFCamera::getControlExt(Control control, const char** value) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    std::lock_guard<std::mutex> controlLock(controlMutex);
    if (value == nullptr) return VeltorUnkownError;
    return device ? device->getControlExt(control, value) : VeltorUnkownError;
}

bool VeltorTOFCamera::getPhaseImage(uint8_t* raw, float* depth, float* amplitude, float* confidence) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    return device ? device->getPhaseImage(raw, depth, amplitude, confidence) : false;
}

int VeltorTOFCamera::getRawImages(uint8_t* raw, int16_t* out) {
    std::lock_guard<std::recursive_mutex> lock(apiMutex);
    return device ? device->getRawImages(raw, out) : VeltorUnkownError;
}

// ---- capture loop (worker thread) ----

int VeltorTOFCamera::analysisFrame(uint8_t* raw, size_t rawCapacity, LinkNode* node, bool* overwritten) {
    *overwritten = false;
    uint64_t timestamp = 0;
    const int r = sensor->getFrame(raw, rawCapacity, &timestamp);
    if (r != VeltorSuccess) return r;
    VeltorFrameBuffer* frame = node->frame.get();

    // Keep k of every n frames, spread evenly (8-bit arithmetic; n = 0 skips
    // every frame).
    const int32_t loop = skipFrameLoop.load(std::memory_order_relaxed);
    const int32_t skip = skipFrame.load(std::memory_order_relaxed);
    if (loop != 0) {
        skipCounter = static_cast<uint32_t>(static_cast<int64_t>(skipCounter + 1) % loop);
    } else {
        ++skipCounter;  // unsigned: wraps instead of overflowing
    }
    const unsigned n = static_cast<uint8_t>(loop);
    const unsigned k = static_cast<uint8_t>(static_cast<int64_t>(loop) - skip);
    const unsigned c = static_cast<uint8_t>(skipCounter);
    const unsigned before = n == 0 ? 0 : (c * k) / n;
    const unsigned after = n == 0 ? 0 : (c * k + k) / n;
    if (before == after) return VeltorSkipFrame;

    // From here on the node's contents are replaced.
    *overwritten = true;
    frame->setTimestamp(timestamp);
    if (info.type == RAW) {
        device->getRawImages(raw, static_cast<int16_t*>(frame->getData(RAW)));
        return VeltorSuccess;
    }
    if (info.type == DEPTH) {
        const bool ok = device->getPhaseImage(raw, static_cast<float*>(frame->getData(DEPTH)),
                                              static_cast<float*>(frame->getData(AMPLITUDE)),
                                              static_cast<float*>(frame->getData(CONFIDENCE)));
        return ok ? VeltorSuccess : VeltorUnkownError;
    }
    return VeltorUnkownError;
}

void VeltorTOFCamera::updateFps() {
    const int64_t now = options.clock->nowNs();
    const int64_t dt = (now - lastFrameTime) / kNsPerMs;  // whole milliseconds
    lastFrameTime = now;
    if (fpsSamples == 0) {
        avgFrameIntervalMs = static_cast<float>(dt);
    } else {
        const float s = static_cast<float>(dt) * fpsAlpha + avgFrameIntervalMs * (1.0f - fpsAlpha);
        if (std::isfinite(s)) {
            avgFrameIntervalMs = s;
            fpsAlpha = 0.033333335f;  // 1/30 after the first smoothing step
        }
    }
    fps = 1000.0f / avgFrameIntervalMs;
    fpsSamples += 1;
    fpsPublished.store(fps, std::memory_order_relaxed);
}

void VeltorTOFCamera::adjustFrameRate() {
    // fps counts delivered frames; with k of every n kept the sensor runs at
    // fps * n / k. Comparing the delivered rate with the sensor's setting
    // would lower the sensor rate at every adjustment.
    const unsigned n = static_cast<uint8_t>(skipFrameLoop.load(std::memory_order_relaxed));
    unsigned k = static_cast<uint8_t>(static_cast<int64_t>(skipFrameLoop.load(std::memory_order_relaxed)) -
                                      skipFrame.load(std::memory_order_relaxed));
    if (n == 0 || k == 0) return;  // every frame skipped: nothing measured
    if (k > n) k = n;              // more kept than the loop long: all are kept
    const double sensorFps = static_cast<double>(fps) * n / k;
    if (!std::isfinite(sensorFps)) return;
    const double floored = std::floor(sensorFps);
    int target = floored >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(floored);
    if (target <= 0) target = 1;

    // The same path as the application's controls, which may run now.
    std::lock_guard<std::mutex> controlLock(controlMutex);
    int current = 0;
    getControlLocked(FRAME_RATE, &current);
    int tolerance = current / 10;
    if (tolerance <= 0) tolerance = 1;
    if (std::llabs(static_cast<long long>(target) - current) > tolerance) {
        setControlLocked(FRAME_RATE, target);
    }
}

void VeltorTOFCamera::captureThread() {
    const std::shared_ptr<FrameCache> cache = currentCache();
    uint8_t* staging = static_cast<uint8_t*>(cache->staging->getData(CACHE));
    const size_t stagingCapacity = cache->stagingBytes;
    lastFrameTime = options.clock->nowNs();
    int64_t nextAdjust = lastFrameTime + kAdjustPeriodNs;

    while (!stopped.load(std::memory_order_acquire)) {
        const int64_t now = options.clock->nowNs();
        if (autoFrameRate.load(std::memory_order_relaxed) && now > nextAdjust + kAdjustPeriodNs) {
            adjustFrameRate();
            nextAdjust = now;
        }

        LinkNode* node = cache->pool.popFree(NodeOwner::Capture);
        bool reclaimed = false;  // taken from the ready queue
        if (node == nullptr) {
            // Every frame is out: overwrite the oldest undelivered one, or,
            // when the application holds them all, wait for one to come back.
            std::unique_lock<std::mutex> lock(cache->mutex);
            const bool claimed = cache->readyCond.wait_for(lock, kReadyWaitRound, [&] {
                return cache->readyCount > 0 || stopped.load(std::memory_order_acquire);
            });
            if (!claimed || cache->readyCount <= 0) {
                lock.unlock();
                std::this_thread::sleep_for(kPoolFullSleep);
                continue;
            }
            --cache->readyCount;
            lock.unlock();
            node = cache->pool.popReady(NodeOwner::Capture);
            if (node == nullptr) continue;
            reclaimed = true;
        }

        bool overwritten = false;
        const int r = analysisFrame(staging, stagingCapacity, node, &overwritten);
        if (r != VeltorSuccess) {
            if (reclaimed && !overwritten) {
                // The application's undelivered frame is still intact and
                // nothing newer replaces it: it stays the oldest ready one.
                cache->pool.pushReadyFront(node);
                std::lock_guard<std::mutex> lock(cache->mutex);
                ++cache->readyCount;
                cache->readyCond.notify_all();
            } else {
                cache->pool.pushFree(node);
            }
            continue;
        }
        updateFps();
        cache->pool.appendReady(node);
        {
            std::lock_guard<std::mutex> lock(cache->mutex);
            if (cache->readyCount <= cache->maxReady) {
                ++cache->readyCount;
                cache->readyCond.notify_all();
            }
        }
    }
}

}  // namespace Veltor
