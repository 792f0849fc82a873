#pragma once
// Stand-ins for camera hardware in tests and examples: a sensor back-end
// that delivers scripted captures, a device model that records what the
// camera asks of it, and a clock that only moves when told.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VeltorCameraOptions.h"
#include "VeltorDevice.h"
#include "VeltorTOFSensor.h"
#include "VeltorTypes.h"

namespace Veltor {
namespace testing {

// Clock of the capture loop under test control.
class FakeClock : public VeltorClock {
public:
    int64_t nowNs() override { return now.load(std::memory_order_acquire); }
    void advanceNs(int64_t ns) { now.fetch_add(ns, std::memory_order_acq_rel); }
    void advanceMs(int64_t ms) { advanceNs(ms * 1000000); }

private:
    std::atomic<int64_t> now{1000000000};
};

// One capture delivered by getFrame.
struct ScriptedCapture {
    std::vector<uint8_t> bytes;  // all sub-frames back to back; empty: zeros
    uint64_t timestamp = 0;      // milliseconds
    int result = 0;              // non-zero: getFrame fails with it
    int64_t takesNs = 0;         // fake-clock time that passes during getFrame
};

// What the sensor (or the recording device) was asked, in order.
struct SensorEvent {
    enum Kind {
        Created,
        Destroyed,
        Open,
        Close,
        Start,
        Stop,
        SetControl,
        GetControl,
        SetCtrl,
        GetCtrl,
        ReadReg,
        WriteReg,
        DeviceCreated,
        DeviceDestroyed,
        DeviceInit,
        DevicePrepare,
        DeviceStart,
        DeviceStop,
        DeviceClose,
        DeviceSetControl,
        DeviceGetControl,
    };
    Kind kind;
    uint32_t id = 0;    // control, driver control id or register address
    int64_t value = 0;  // value written or read
    int result = 0;
};

struct SensorScriptConfig {
    uint32_t width = 240;
    uint32_t height = 180;
    uint32_t bitWidth = 12;
    uint32_t bpp = 2;
    int openResult = 0;
    int startResult = 0;
    int stopResult = 0;
    int closeResult = 0;
    // Replay the script endlessly instead of consuming it.
    bool loop = false;
    // Timestamp of each delivered capture := its 1-based sequence number.
    bool sequenceTimestamps = false;
    // How long getFrame waits for a capture when the script is empty before
    // failing with -2 (bounds the capture thread's blocking step).
    std::chrono::milliseconds idleWait{2};
    std::shared_ptr<FakeClock> clock;  // advanced by ScriptedCapture::takesNs
    // Each capture also takes 1 / FRAME_RATE seconds of fake-clock time (the
    // control's current value), like a sensor running at its set rate.
    bool pacedByFrameRate = false;
    // Real time each getFrame takes (a stand-in streaming at a given rate).
    std::chrono::microseconds realInterval{0};
};

// Shared state behind ScriptedSensor objects: the script, the controls, the
// register and driver-control maps, and the event log. Tests keep it after
// the camera has destroyed the sensor.
class SensorScript {
public:
    explicit SensorScript(SensorScriptConfig config = {});

    const SensorScriptConfig& config() const { return cfg; }

    void push(ScriptedCapture capture);
    // n captures of zeros (or of bytes) with timestamps first, first+1, ...
    void pushRepeated(size_t n, uint64_t firstTimestamp, int64_t takesNs = 0,
                      const std::vector<uint8_t>& bytes = {});
    size_t pending() const;

    // Captures handed out by getFrame (successful or failing).
    size_t served() const;
    // Waits (real time) until served() >= n; false on timeout.
    bool waitServed(size_t n, std::chrono::milliseconds timeout) const;

    // Result of setControl for a control (default 0, value then stored).
    void setControlResult(Control control, int result);
    // Current value of a control (set by the test or through setControl).
    void setControlValue(Control control, int value);
    bool controlValue(Control control, int* value) const;
    // Result of setCtrl/getCtrl for a driver control id, and of readReg/
    // writeReg for a register (default 0; a failing call changes nothing).
    void setDriverCtrlResult(uint32_t id, int result);
    void setRegisterResult(uint32_t address, int result);
    // Current driver control / register value (0 when never written).
    int driverCtrl(uint32_t id) const;
    uint32_t registerValue(uint32_t address) const;
    void setRegisterValue(uint32_t address, uint32_t value);

    std::vector<SensorEvent> events() const;
    std::vector<SensorEvent> events(SensorEvent::Kind kind) const;
    void record(SensorEvent event);
    void clearEvents();

    // Paths/indices the factories were asked for.
    std::vector<std::string> createdWith() const;
    // Buffer size passed to the last getFrame.
    size_t lastCapacity() const;

    // --- used by ScriptedSensor ---
    int getFrame(uint32_t subFrames, uint8_t* out, size_t capacity, uint64_t* timestamp);
    int setControl(Control control, int value);
    int getControl(Control control, int* value);
    int readReg(uint32_t address, uint32_t* value);
    int writeReg(uint32_t address, uint32_t value);
    int setCtrl(uint32_t id, int value);
    int getCtrl(uint32_t id, int* value);
    void noteCreated(const std::string& with);

private:
    SensorScriptConfig cfg;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<ScriptedCapture> script;
    size_t loopPosition = 0;
    size_t servedCount = 0;
    size_t capacitySeen = 0;
    std::map<int, int> controlValues;
    std::map<int, int> controlResults;
    std::map<uint32_t, uint32_t> registers;
    std::map<uint32_t, int> driverCtrls;
    std::map<uint32_t, int> driverCtrlResults;
    std::map<uint32_t, int> registerResults;
    std::vector<SensorEvent> log;
    std::vector<std::string> created;
};

class ScriptedSensor : public VeltorTOFSensor {
public:
    explicit ScriptedSensor(std::shared_ptr<SensorScript> script);
    ~ScriptedSensor() override;

    int open(CameraInfo& cameraInfo) override;
    int close() override;
    int start() override;
    int stop() override;
    CameraInfo getCameraInfo() override;
    int getFrame(uint8_t* out, size_t capacity, uint64_t* timestamp) override;
    int setControl(Control control, int value) override;
    int getControl(Control control, int* value) override;
    int readReg(uint32_t address, uint32_t* value) override;
    int writeReg(uint32_t address, uint32_t value) override;
    int setCtrl(uint32_t id, int value) override;
    int getCtrl(uint32_t id, int* value) override;

private:
    std::shared_ptr<SensorScript> script;
    CameraInfo info;
};

struct RecordingDeviceConfig {
    int initResult = 0;
    int prepareResult = 0;
    int startResult = 0;    // result of the first failingStarts starts
    int failingStarts = 0;  // later starts succeed
    bool phaseResult = true;
};

// Device model for any sensor size: raw = the capture's samples as they are
// (width x height*subFrames), depth = first sub-frame's samples as float,
// amplitude = 1, confidence = 2. Controls go to the sensor. Every call is
// logged in the script.
class RecordingDevice : public VeltorDevice {
public:
    RecordingDevice(std::shared_ptr<SensorScript> script, RecordingDeviceConfig config);
    ~RecordingDevice() override;

    int getDeviceType() override { return VGA; }
    const char* getCameraID() override { return "recording-device"; }
    void getFormats(FrameFormat* raw, FrameFormat* depth) override;
    int init(VeltorTOFSensor* sensor) override;
    int close() override;
    int prepareSensor() override;
    int start() override;
    int stop() override;
    int setControl(Control control, int value) override;
    int setControlExt(Control, const char*) override { return 1; }
    int getControl(Control control, int* value) override;
    int getControlExt(Control, const char**) override { return 1; }
    int getRawImages(const uint8_t* raw, int16_t* out) override;
    bool getPhaseImage(const uint8_t* raw, float* depth, float* amplitude, float* confidence) override;

private:
    std::shared_ptr<SensorScript> script;
    RecordingDeviceConfig cfg;
    int startsSeen = 0;
    VeltorTOFSensor* sensor = nullptr;
};

// Camera options whose CSI and USB back-ends are ScriptedSensors over script
// and whose clock is the script's fake clock (when it has one). With a
// recording device config, both device kinds are RecordingDevices; otherwise
// 240 x 180 gets the real four-phase model and other sizes a RecordingDevice.
VeltorCameraOptions scriptedOptions(const std::shared_ptr<SensorScript>& script,
                                    const RecordingDeviceConfig* recording = nullptr,
                                    const std::string& systemRoot = "");

}  // namespace testing
}  // namespace Veltor
