// The CSI sensor's control layer on scripted driver controls: every control
// with its values, results and driver traffic; the V4L2 calls underneath;
// the four-phase model and the camera over it; register updates.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

#include "ScriptedSensor.h"
#include "VeltorCSIControls.h"
#include "VeltorDeviceHQVGA.h"
#include "VeltorTOFCamera.h"

using namespace Veltor;
using namespace Veltor::testing;

namespace {

// Driver controls of the scripted sensor (recorded as SetCtrl / GetCtrl).
class ScriptDriverIo : public DriverControlIo {
public:
    explicit ScriptDriverIo(std::shared_ptr<SensorScript> s) : script(std::move(s)) {}
    int getCtrl(uint32_t id, int* value) override { return script->getCtrl(id, value); }
    int setCtrl(uint32_t id, int value) override { return script->setCtrl(id, value); }

private:
    std::shared_ptr<SensorScript> script;
};

// A scripted sensor whose controls are those of the CSI back-end.
class CsiScriptedSensor : public ScriptedSensor {
public:
    explicit CsiScriptedSensor(const std::shared_ptr<SensorScript>& s)
        : ScriptedSensor(s), io(s), controls(io, 5) {}
    int setControl(Control c, int v) override { return controls.setControl(c, v); }
    int getControl(Control c, int* v) override { return controls.getControl(c, v); }
    int setCtrl(uint32_t id, int v) override { return controls.setCtrl(id, v); }
    int getCtrl(uint32_t id, int* v) override { return controls.getCtrl(id, v); }

private:
    ScriptDriverIo io;
    VeltorCSIControls controls;
};

struct Traffic {
    SensorEvent::Kind kind;
    uint32_t id;
    int64_t value;
};

void expectTraffic(const std::vector<SensorEvent>& seen, const std::vector<Traffic>& want,
                   const std::string& where) {
    ASSERT_EQ(seen.size(), want.size()) << where;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(seen[i].kind, want[i].kind) << where << " #" << i;
        EXPECT_EQ(seen[i].id, want[i].id) << where << " #" << i;
        EXPECT_EQ(seen[i].value, want[i].value) << where << " #" << i;
    }
}

constexpr auto S = SensorEvent::SetCtrl;
constexpr auto G = SensorEvent::GetCtrl;

}  // namespace

TEST(CsiControls, SetRowsGiveTheirResultsAndDriverWrites) {
    const struct {
        Control control;
        int value;
        uint32_t failingCtrl;  // driver control scripted to fail (0: none)
        int result;
        std::vector<Traffic> traffic;
    } rows[] = {
        {RANGE, 2000, 0, 0, {{S, kDriverCtrlRange, 1}}},
        {RANGE, 4000, 0, 0, {{S, kDriverCtrlRange, 0}}},
        {RANGE, 3000, 0, 1, {}},
        {RANGE, 0, 0, 1, {}},
        {RANGE, 2000, kDriverCtrlRange, -1, {{S, kDriverCtrlRange, 1}}},
        {FMT_WIDTH, 320, 0, 0, {}},
        {FMT_HEIGHT, 240, 0, 0, {}},
        {EXPOSURE, 1, 0, 0, {{S, kDriverCtrlExposure, 1}}},
        {EXPOSURE, 65523, 0, 0, {{S, kDriverCtrlExposure, 65523}}},
        {EXPOSURE, 0, 0, 1, {}},
        {EXPOSURE, 65524, 0, 1, {}},
        {EXPOSURE, -7, 0, 1, {}},
        {EXPOSURE, 900, kDriverCtrlExposure, -1, {{S, kDriverCtrlExposure, 900}}},
        {FRAME_RATE, 30, 0, 0, {{S, kDriverCtrlFrameRate, 30}}},
        {FRAME_RATE, 30, kDriverCtrlFrameRate, -1, {{S, kDriverCtrlFrameRate, 30}}},
        {HFLIP, 1, 0, 0, {{S, kDriverCtrlHFlip, 1}}},
        {VFLIP, 1, 0, 0, {{S, kDriverCtrlVFlip, 1}}},
        {VFLIP, 0, kDriverCtrlVFlip, -1, {{S, kDriverCtrlVFlip, 0}}},
        {I2C_BY_PASS, 1, 0, 1, {}},
        {I2C_BUS_NUM, 3, 0, 4, {}},
        {MODE, 1, 0, 4, {}},
        {DENOISE, 1, 0, 4, {}},
        {INTRINSIC_FX, 1, 0, 4, {}},
        {SKIP_FRAME, 1, 0, 4, {}},
        {LOAD_CALI_DATA, 1, 0, 4, {}},
        {CONFIG_DIR_EXT, 1, 0, 4, {}},
    };
    for (const auto& row : rows) {
        auto script = std::make_shared<SensorScript>();
        // A failing driver call is reported as -1 whatever the driver said.
        if (row.failingCtrl != 0) script->setDriverCtrlResult(row.failingCtrl, VeltorSystemError);
        ScriptDriverIo io(script);
        VeltorCSIControls controls(io);
        const std::string where = std::to_string(row.control) + " := " + std::to_string(row.value);
        EXPECT_EQ(controls.setControl(row.control, row.value), row.result) << where;
        expectTraffic(script->events(), row.traffic, where);
    }
}

TEST(CsiControls, GetRowsReadTheDriverOrTheSensorsSettings) {
    constexpr int kUntouched = -12345;
    const struct {
        Control control;
        uint32_t presetCtrl;  // driver control given presetValue first (0: none)
        int presetValue;
        bool failing;  // presetCtrl's reads fail
        int result;
        int value;
        std::vector<Traffic> traffic;
    } rows[] = {
        {RANGE, kDriverCtrlRange, 1, false, 0, 2000, {{G, kDriverCtrlRange, 1}}},
        {RANGE, kDriverCtrlRange, 0, false, 0, 4000, {{G, kDriverCtrlRange, 0}}},
        {RANGE, kDriverCtrlRange, 7, false, 0, 2000, {{G, kDriverCtrlRange, 7}}},
        {RANGE, kDriverCtrlRange, 1, true, -1, kUntouched, {{G, kDriverCtrlRange, 0}}},
        {EXPOSURE, kDriverCtrlExposure, 1234, false, 0, 1234, {{G, kDriverCtrlExposure, 1234}}},
        {EXPOSURE, kDriverCtrlExposure, 1234, true, -1, kUntouched, {{G, kDriverCtrlExposure, 0}}},
        {FRAME_RATE, kDriverCtrlFrameRate, 25, false, 0, 25, {{G, kDriverCtrlFrameRate, 25}}},
        {HFLIP, kDriverCtrlHFlip, 1, false, 0, 1, {{G, kDriverCtrlHFlip, 1}}},
        {VFLIP, kDriverCtrlVFlip, 0, false, 0, 0, {{G, kDriverCtrlVFlip, 0}}},
        {VFLIP, kDriverCtrlVFlip, 1, true, -1, kUntouched, {{G, kDriverCtrlVFlip, 0}}},
        {I2C_BY_PASS, 0, 0, false, 0, 0, {}},
        {I2C_BUS_NUM, 0, 0, false, 0, 7, {}},
        {FMT_WIDTH, 0, 0, false, 0, 0, {}},
        {MODE, 0, 0, false, 4, kUntouched, {}},
        {AUTO_FRAME_RATE, 0, 0, false, 4, kUntouched, {}},
        {SKIP_FRAME, 0, 0, false, 4, kUntouched, {}},
        {INTRINSIC_CY, 0, 0, false, 4, kUntouched, {}},
    };
    for (const auto& row : rows) {
        auto script = std::make_shared<SensorScript>();
        if (row.presetCtrl != 0) {
            script->setCtrl(row.presetCtrl, row.presetValue);
            if (row.failing) script->setDriverCtrlResult(row.presetCtrl, VeltorSystemError);
            script->clearEvents();
        }
        ScriptDriverIo io(script);
        VeltorCSIControls controls(io, 7);
        int value = kUntouched;
        const std::string where = "get " + std::to_string(row.control);
        EXPECT_EQ(controls.getControl(row.control, &value), row.result) << where;
        EXPECT_EQ(value, row.value) << where;
        expectTraffic(script->events(), row.traffic, where);
    }
    auto script = std::make_shared<SensorScript>();
    ScriptDriverIo io(script);
    VeltorCSIControls controls(io);
    EXPECT_EQ(controls.getControl(EXPOSURE, nullptr), -1);
    EXPECT_TRUE(script->events().empty());
    // The bus is the back-end's finding; the control cannot change it.
    controls.setBusNumber(2);
    EXPECT_EQ(controls.setControl(I2C_BUS_NUM, 9), 4);
    int bus = 0;
    ASSERT_EQ(controls.getControl(I2C_BUS_NUM, &bus), 0);
    EXPECT_EQ(bus, 2);
}

TEST(CsiControls, FormatSizeIsStoredForTheNextFormatSetting) {
    auto script = std::make_shared<SensorScript>();
    ScriptDriverIo io(script);
    VeltorCSIControls controls(io);
    controls.setFormat(640, 480);
    int w = 0, h = 0;
    ASSERT_EQ(controls.getControl(FMT_WIDTH, &w), 0);
    ASSERT_EQ(controls.getControl(FMT_HEIGHT, &h), 0);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    ASSERT_EQ(controls.setControl(FMT_WIDTH, 320), 0);
    ASSERT_EQ(controls.setControl(FMT_HEIGHT, 240), 0);
    EXPECT_EQ(controls.getWidth(), 320u);
    EXPECT_EQ(controls.getHeight(), 240u);
    ASSERT_EQ(controls.getControl(FMT_WIDTH, &w), 0);
    EXPECT_EQ(w, 320);
    EXPECT_TRUE(script->events().empty());
}

namespace {

// Scripted ioctl: records each call, fails with the scripted errno values
// first, then behaves like a driver holding one control value.
struct IoctlScript {
    std::vector<unsigned long> requests;
    std::vector<v4l2_control> controls;
    std::vector<int> errnos;  // consumed front to back
    int stored = 0;
};
IoctlScript* ioctlScript = nullptr;

int scriptedIoctl(int, unsigned long request, void* arg) {
    IoctlScript& s = *ioctlScript;
    auto* ctrl = static_cast<v4l2_control*>(arg);
    s.requests.push_back(request);
    s.controls.push_back(*ctrl);
    if (!s.errnos.empty()) {
        errno = s.errnos.front();
        s.errnos.erase(s.errnos.begin());
        return -1;
    }
    if (request == VIDIOC_S_CTRL) s.stored = ctrl->value;
    if (request == VIDIOC_G_CTRL) ctrl->value = s.stored;
    return 0;
}

}  // namespace

TEST(V4l2DriverControlIo, UsesGetAndSetCtrlAndRetriesInterruptedCalls) {
    IoctlScript s;
    ioctlScript = &s;
    V4l2DriverControlIo io(9, scriptedIoctl);

    ASSERT_EQ(io.setCtrl(kDriverCtrlExposure, 777), 0);
    ASSERT_EQ(s.requests.size(), 1u);
    EXPECT_EQ(s.requests[0], static_cast<unsigned long>(VIDIOC_S_CTRL));
    EXPECT_EQ(s.controls[0].id, kDriverCtrlExposure);
    EXPECT_EQ(s.controls[0].value, 777);

    s.errnos = {EINTR, EINTR};
    int value = 0;
    ASSERT_EQ(io.getCtrl(kDriverCtrlExposure, &value), 0);
    EXPECT_EQ(value, 777);
    ASSERT_EQ(s.requests.size(), 4u);
    EXPECT_EQ(s.requests[3], static_cast<unsigned long>(VIDIOC_G_CTRL));
    EXPECT_EQ(s.controls[3].id, kDriverCtrlExposure);

    // A real failure: -1, output untouched.
    s.errnos = {EINVAL};
    value = 5;
    EXPECT_EQ(io.getCtrl(kDriverCtrlRange, &value), -1);
    EXPECT_EQ(value, 5);
    s.errnos = {EIO};
    EXPECT_EQ(io.setCtrl(kDriverCtrlRange, 1), -1);
    EXPECT_EQ(s.requests.size(), 6u);

    // No sub-device: fails without a call.
    V4l2DriverControlIo closed(-1, scriptedIoctl);
    EXPECT_EQ(closed.setCtrl(kDriverCtrlRange, 1), -1);
    EXPECT_EQ(closed.getCtrl(kDriverCtrlRange, &value), -1);
    EXPECT_EQ(s.requests.size(), 6u);
    ioctlScript = nullptr;
}

TEST(CsiControls, FourPhaseModelKeepsItsRangeWhenTheSensorRefusesOne) {
    auto script = std::make_shared<SensorScript>();
    CsiScriptedSensor sensor(script);
    VeltorDeviceHQVGA device(PLATFORM_UNKNOWN);
    ASSERT_EQ(device.init(&sensor), 0);
    int value = 0;

    EXPECT_EQ(device.setControl(RANGE, 3000), 1);
    EXPECT_TRUE(script->events().empty());
    EXPECT_EQ(device.getModulationHz(), 37500000.0f);
    ASSERT_EQ(device.getControl(RANGE, &value), 0);
    EXPECT_EQ(value, 4000);

    ASSERT_EQ(device.setControl(RANGE, 2000), 0);
    expectTraffic(script->events(), {{S, kDriverCtrlRange, 1}}, "range 2000");
    EXPECT_EQ(device.getModulationHz(), 75000000.0f);
    EXPECT_EQ(device.setControl(RANGE, 3000), 1);
    EXPECT_EQ(device.getModulationHz(), 75000000.0f);
    ASSERT_EQ(device.getControl(RANGE, &value), 0);
    EXPECT_EQ(value, 2000);

    // A range the driver cannot take: its failure, nothing changes.
    script->setDriverCtrlResult(kDriverCtrlRange, VeltorSystemError);
    EXPECT_EQ(device.setControl(RANGE, 4000), -1);
    EXPECT_EQ(device.getModulationHz(), 75000000.0f);
    EXPECT_EQ(device.getRangeMm(), 2000u);

    // Other controls are answered by the sensor.
    script->clearEvents();
    script->setCtrl(kDriverCtrlFrameRate, 30);
    ASSERT_EQ(device.getControl(FRAME_RATE, &value), 0);
    EXPECT_EQ(value, 30);
    ASSERT_EQ(device.getControl(I2C_BUS_NUM, &value), 0);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(device.setControl(EXPOSURE, 100), 1);
}

TEST(CsiControls, CameraOverTheCsiSensorAnswersEachLayer) {
    auto script = std::make_shared<SensorScript>();
    VeltorCameraOptions options = scriptedOptions(script);
    options.backends.csiSensor = [script](PlatformKind, const char*) {
        return std::make_unique<CsiScriptedSensor>(script);
    };
    VeltorTOFCamera camera(options);
    ASSERT_EQ(camera.open(CSI, 0), 0);
    int value = -3;
    // Camera layer first: stored, never asked of the sensor.
    EXPECT_EQ(camera.setControl(SKIP_FRAME, 1), 0);
    EXPECT_EQ(camera.getControl(SKIP_FRAME, &value), 4);
    EXPECT_EQ(value, -3);
    EXPECT_EQ(camera.getControl(AUTO_FRAME_RATE, &value), 0);
    EXPECT_EQ(value, 1);
    // Model layer: fixed intrinsics.
    EXPECT_EQ(camera.getControl(INTRINSIC_FX, &value), 0);
    EXPECT_EQ(value, 19092);
    EXPECT_EQ(camera.setControl(RANGE, 3000), 1);
    EXPECT_EQ(camera.getControl(RANGE, &value), 0);
    EXPECT_EQ(value, 4000);
    // Sensor layer: the driver's exposure.
    script->setCtrl(kDriverCtrlExposure, 321);
    EXPECT_EQ(camera.getControl(EXPOSURE, &value), 0);
    EXPECT_EQ(value, 321);
    EXPECT_EQ(camera.getControl(I2C_BY_PASS, &value), 0);
    EXPECT_EQ(value, 0);
}

TEST(SensorRegisterUpdate, KeepsTheOtherBitsAndStopsAtTheFirstFailure) {
    auto script = std::make_shared<SensorScript>();
    ScriptedSensor sensor(script);
    script->setRegisterValue(0x0402, 0x8001);
    ASSERT_EQ(sensor.updateReg(0x0402, 0x2000, 0x2000), 0);
    EXPECT_EQ(script->registerValue(0x0402), 0xA001u);
    ASSERT_EQ(sensor.updateReg(0x0402, 0x2000, 0), 0);
    EXPECT_EQ(script->registerValue(0x0402), 0x8001u);
    // Bits outside the mask are not taken from bits.
    ASSERT_EQ(sensor.updateReg(0x0402, 0x4000, 0xFFFF), 0);
    EXPECT_EQ(script->registerValue(0x0402), 0xC001u);

    script->clearEvents();
    script->setRegisterResult(0x0480, VeltorSystemError);
    EXPECT_EQ(sensor.updateReg(0x0480, 0xFFFF, 1800), VeltorSystemError);
    const auto events = script->events();
    ASSERT_EQ(events.size(), 1u);  // the failed read, no write
    EXPECT_EQ(events[0].kind, SensorEvent::ReadReg);
}

TEST(SensorRegisterUpdate, ConcurrentUpdatesOfOneRegisterLoseNoBit) {
    auto script = std::make_shared<SensorScript>();
    ScriptedSensor sensor(script);
    constexpr int kRounds = 500;
    // Two threads each flip their own bit on and off; every update must keep
    // the other thread's bit, so at the end both are set.
    auto flip = [&](uint32_t bit) {
        for (int i = 0; i < kRounds; ++i) {
            sensor.updateReg(0x0402, bit, 0);
            sensor.updateReg(0x0402, bit, bit);
        }
    };
    std::thread a(flip, 0x2000u);
    std::thread b(flip, 0x4000u);
    a.join();
    b.join();
    EXPECT_EQ(script->registerValue(0x0402), 0x6000u);
}
