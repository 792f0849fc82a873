#include "ScriptedSensor.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace Veltor {
namespace testing {

SensorScript::SensorScript(SensorScriptConfig config) : cfg(std::move(config)) {}

void SensorScript::push(ScriptedCapture capture) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        script.push_back(std::move(capture));
    }
    changed.notify_all();
}

void SensorScript::pushRepeated(size_t n, uint64_t firstTimestamp, int64_t takesNs,
                                const std::vector<uint8_t>& bytes) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t k = 0; k < n; ++k) script.push_back({bytes, firstTimestamp + k, 0, takesNs});
    }
    changed.notify_all();
}

size_t SensorScript::lastCapacity() const {
    std::lock_guard<std::mutex> lock(mutex);
    return capacitySeen;
}

size_t SensorScript::pending() const {
    std::lock_guard<std::mutex> lock(mutex);
    return script.size();
}

size_t SensorScript::served() const {
    std::lock_guard<std::mutex> lock(mutex);
    return servedCount;
}

bool SensorScript::waitServed(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return servedCount >= n; });
}

void SensorScript::setControlResult(Control control, int result) {
    std::lock_guard<std::mutex> lock(mutex);
    controlResults[control] = result;
}

void SensorScript::setControlValue(Control control, int value) {
    std::lock_guard<std::mutex> lock(mutex);
    controlValues[control] = value;
}

bool SensorScript::controlValue(Control control, int* value) const {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = controlValues.find(control);
    if (it == controlValues.end()) return false;
    *value = it->second;
    return true;
}

void SensorScript::setDriverCtrlResult(uint32_t id, int result) {
    std::lock_guard<std::mutex> lock(mutex);
    driverCtrlResults[id] = result;
}

void SensorScript::setRegisterResult(uint32_t address, int result) {
    std::lock_guard<std::mutex> lock(mutex);
    registerResults[address] = result;
}

int SensorScript::driverCtrl(uint32_t id) const {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = driverCtrls.find(id);
    return it == driverCtrls.end() ? 0 : it->second;
}

uint32_t SensorScript::registerValue(uint32_t address) const {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = registers.find(address);
    return it == registers.end() ? 0 : it->second;
}

void SensorScript::setRegisterValue(uint32_t address, uint32_t value) {
    std::lock_guard<std::mutex> lock(mutex);
    registers[address] = value;
}

std::vector<SensorEvent> SensorScript::events() const {
    std::lock_guard<std::mutex> lock(mutex);
    return log;
}

std::vector<SensorEvent> SensorScript::events(SensorEvent::Kind kind) const {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<SensorEvent> out;
    std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                 [kind](const SensorEvent& e) { return e.kind == kind; });
    return out;
}

void SensorScript::record(SensorEvent event) {
    std::lock_guard<std::mutex> lock(mutex);
    log.push_back(event);
}

void SensorScript::clearEvents() {
    std::lock_guard<std::mutex> lock(mutex);
    log.clear();
}

std::vector<std::string> SensorScript::createdWith() const {
    std::lock_guard<std::mutex> lock(mutex);
    return created;
}

void SensorScript::noteCreated(const std::string& with) {
    std::lock_guard<std::mutex> lock(mutex);
    created.push_back(with);
    log.push_back({SensorEvent::Created, 0, 0, 0});
}

int SensorScript::getFrame(uint32_t subFrames, uint8_t* out, size_t capacity, uint64_t* timestamp) {
    if (cfg.realInterval.count() > 0) std::this_thread::sleep_for(cfg.realInterval);
    ScriptedCapture capture;
    size_t sequence = 0;
    int64_t pacingNs = 0;
    {
        std::unique_lock<std::mutex> lock(mutex);
        capacitySeen = capacity;
        if (!changed.wait_for(lock, cfg.idleWait, [&] { return !script.empty(); })) {
            return VeltorSystemError;
        }
        if (cfg.loop) {
            capture = script[loopPosition % script.size()];
            ++loopPosition;
        } else {
            capture = std::move(script.front());
            script.pop_front();
        }
        sequence = ++servedCount;
        if (cfg.pacedByFrameRate) {
            auto rate = controlValues.find(FRAME_RATE);
            if (rate != controlValues.end() && rate->second > 0) pacingNs = 1000000000LL / rate->second;
        }
    }
    changed.notify_all();
    if (cfg.clock && capture.takesNs + pacingNs != 0) cfg.clock->advanceNs(capture.takesNs + pacingNs);
    if (capture.result != 0) return capture.result;

    const size_t needed = size_t(subFrames) * cfg.width * cfg.height * cfg.bpp;
    if (needed > capacity || out == nullptr) return VeltorUnkownError;
    if (capture.bytes.empty()) {
        std::memset(out, 0, needed);
    } else {
        if (capture.bytes.size() != needed) return VeltorUnkownError;
        std::memcpy(out, capture.bytes.data(), needed);
    }
    if (timestamp != nullptr) *timestamp = cfg.sequenceTimestamps ? sequence : capture.timestamp;
    return VeltorSuccess;
}

int SensorScript::setControl(Control control, int value) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = controlResults.find(control);
    const int result = it == controlResults.end() ? 0 : it->second;
    if (result == 0) controlValues[control] = value;
    log.push_back({SensorEvent::SetControl, uint32_t(control), value, result});
    return result;
}

int SensorScript::getControl(Control control, int* value) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = controlValues.find(control);
    const int result = it == controlValues.end() ? int(VeltorNotImplemented) : 0;
    if (result == 0 && value != nullptr) *value = it->second;
    log.push_back({SensorEvent::GetControl, uint32_t(control), result == 0 ? it->second : 0, result});
    return result;
}

int SensorScript::readReg(uint32_t address, uint32_t* value) {
    std::lock_guard<std::mutex> lock(mutex);
    const int r = registerResults.count(address) ? registerResults[address] : 0;
    const uint32_t v = registers.count(address) ? registers[address] : 0;
    if (r == 0 && value != nullptr) *value = v;
    log.push_back({SensorEvent::ReadReg, address, r == 0 ? v : 0, r});
    return r;
}

int SensorScript::writeReg(uint32_t address, uint32_t value) {
    std::lock_guard<std::mutex> lock(mutex);
    const int r = registerResults.count(address) ? registerResults[address] : 0;
    if (r == 0) registers[address] = value;
    log.push_back({SensorEvent::WriteReg, address, value, r});
    return r;
}

int SensorScript::setCtrl(uint32_t id, int value) {
    std::lock_guard<std::mutex> lock(mutex);
    const int r = driverCtrlResults.count(id) ? driverCtrlResults[id] : 0;
    if (r == 0) driverCtrls[id] = value;
    log.push_back({SensorEvent::SetCtrl, id, value, r});
    return r;
}

int SensorScript::getCtrl(uint32_t id, int* value) {
    std::lock_guard<std::mutex> lock(mutex);
    const int r = driverCtrlResults.count(id) ? driverCtrlResults[id] : 0;
    const int v = driverCtrls.count(id) ? driverCtrls[id] : 0;
    if (r == 0 && value != nullptr) *value = v;
    log.push_back({SensorEvent::GetCtrl, id, r == 0 ? v : 0, r});
    return r;
}

ScriptedSensor::ScriptedSensor(std::shared_ptr<SensorScript> s) : script(std::move(s)) {}

ScriptedSensor::~ScriptedSensor() { script->record({SensorEvent::Destroyed, 0, 0, 0}); }

int ScriptedSensor::open(CameraInfo& cameraInfo) {
    const SensorScriptConfig& cfg = script->config();
    const int r = cfg.openResult;
    script->record({SensorEvent::Open, 0, 0, r});
    if (r != 0) return r;
    cameraInfo.width = cfg.width;
    cameraInfo.height = cfg.height;
    cameraInfo.bit_width = cfg.bitWidth;
    cameraInfo.bpp = cfg.bpp;
    info = cameraInfo;
    return 0;
}

int ScriptedSensor::close() {
    const int r = script->config().closeResult;
    script->record({SensorEvent::Close, 0, 0, r});
    return r;
}

int ScriptedSensor::start() {
    const int r = script->config().startResult;
    script->record({SensorEvent::Start, 0, 0, r});
    return r;
}

int ScriptedSensor::stop() {
    const int r = script->config().stopResult;
    script->record({SensorEvent::Stop, 0, 0, r});
    return r;
}

CameraInfo ScriptedSensor::getCameraInfo() { return info; }

int ScriptedSensor::getFrame(uint8_t* out, size_t capacity, uint64_t* timestamp) {
    return script->getFrame(subFrameCount, out, capacity, timestamp);
}

int ScriptedSensor::setControl(Control control, int value) { return script->setControl(control, value); }
int ScriptedSensor::getControl(Control control, int* value) { return script->getControl(control, value); }
int ScriptedSensor::readReg(uint32_t address, uint32_t* value) { return script->readReg(address, value); }
int ScriptedSensor::writeReg(uint32_t address, uint32_t value) { return script->writeReg(address, value); }
int ScriptedSensor::setCtrl(uint32_t id, int value) { return script->setCtrl(id, value); }
int ScriptedSensor::getCtrl(uint32_t id, int* value) { return script->getCtrl(id, value); }

RecordingDevice::RecordingDevice(std::shared_ptr<SensorScript> s, RecordingDeviceConfig config)
    : script(std::move(s)), cfg(config) {
    script->record({SensorEvent::DeviceCreated, 0, 0, 0});
}

RecordingDevice::~RecordingDevice() { script->record({SensorEvent::DeviceDestroyed, 0, 0, 0}); }

void RecordingDevice::getFormats(FrameFormat* raw, FrameFormat* depth) {
    const SensorScriptConfig& c = script->config();
    const uint32_t subFrames = sensor != nullptr ? sensor->getSubFrameCount() : 1;
    if (raw != nullptr) *raw = FrameFormat{c.width, c.height * subFrames, RAW, 0};
    if (depth != nullptr) *depth = FrameFormat{c.width, c.height, DEPTH, 0};
}

int RecordingDevice::init(VeltorTOFSensor* s) {
    sensor = s;
    script->record({SensorEvent::DeviceInit, 0, 0, cfg.initResult});
    return cfg.initResult;
}

int RecordingDevice::close() {
    script->record({SensorEvent::DeviceClose, 0, 0, 0});
    return 0;
}

int RecordingDevice::prepareSensor() {
    script->record({SensorEvent::DevicePrepare, 0, 0, cfg.prepareResult});
    return cfg.prepareResult;
}

int RecordingDevice::start() {
    const int r = startsSeen++ < cfg.failingStarts ? cfg.startResult : 0;
    script->record({SensorEvent::DeviceStart, 0, 0, r});
    return r;
}

int RecordingDevice::stop() {
    script->record({SensorEvent::DeviceStop, 0, 0, 0});
    return 0;
}

int RecordingDevice::setControl(Control control, int value) {
    const int r = sensor != nullptr ? sensor->setControl(control, value) : -1;
    script->record({SensorEvent::DeviceSetControl, uint32_t(control), value, r});
    return r;
}

int RecordingDevice::getControl(Control control, int* value) {
    const int r = sensor != nullptr ? sensor->getControl(control, value) : -1;
    script->record({SensorEvent::DeviceGetControl, uint32_t(control), r == 0 && value ? *value : 0, r});
    return r;
}

int RecordingDevice::getRawImages(const uint8_t* raw, int16_t* out) {
    const SensorScriptConfig& c = script->config();
    const uint32_t subFrames = sensor != nullptr ? sensor->getSubFrameCount() : 1;
    std::memcpy(out, raw, size_t(c.width) * c.height * subFrames * sizeof(int16_t));
    return 0;
}

bool RecordingDevice::getPhaseImage(const uint8_t* raw, float* depth, float* amplitude,
                                    float* confidence) {
    if (!cfg.phaseResult) return false;
    const SensorScriptConfig& c = script->config();
    const size_t n = size_t(c.width) * c.height;
    for (size_t i = 0; i < n; ++i) {
        uint16_t s;
        std::memcpy(&s, raw + 2 * i, sizeof s);
        depth[i] = float(s);
        amplitude[i] = 1.0f;
        confidence[i] = 2.0f;
    }
    return true;
}

VeltorCameraOptions scriptedOptions(const std::shared_ptr<SensorScript>& script,
                                    const RecordingDeviceConfig* recording,
                                    const std::string& systemRoot) {
    VeltorCameraOptions options;
    options.systemRoot = systemRoot;
    options.backends.csiSensor = [script](PlatformKind, const char* devicePath) {
        script->noteCreated(devicePath);
        return std::make_unique<ScriptedSensor>(script);
    };
    options.backends.usbSensor = [script](const char* configPath, int index) {
        script->noteCreated(std::string("usb:") + configPath + ":" + std::to_string(index));
        return std::make_unique<ScriptedSensor>(script);
    };
    const RecordingDeviceConfig vgaConfig = recording != nullptr ? *recording : RecordingDeviceConfig{};
    options.backends.vgaDevice = [script, vgaConfig](PlatformKind) {
        return std::make_unique<RecordingDevice>(script, vgaConfig);
    };
    if (recording != nullptr) {
        options.backends.hqvgaDevice = [script, vgaConfig](PlatformKind) {
            return std::make_unique<RecordingDevice>(script, vgaConfig);
        };
    }
    if (script->config().clock) options.clock = script->config().clock;
    return options;
}

}  // namespace testing
}  // namespace Veltor
