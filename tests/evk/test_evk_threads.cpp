// The kit called from two threads, as the camera does: captures on one,
// controls, registers and stop on another.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

#include "evk_test_util.h"

using evktest::Kit;
using evktest::TempDir;

TEST(EvkThreads, StopWakesAWaitingCapture) {
    TempDir dir;
    Kit slow(dir.write("slow.ini", "[camera]\nfamily = hqvga\nframe_rate = 1\n[scene]\ntype = plane\n"));
    ASSERT_EQ(slow.status, VELTOR_EVK_OK);
    VeltorFrame f;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(VeltorCaptureImage(slow.h, &f, 2000), VELTOR_EVK_OK);
        VeltorFreeImage(slow.h, f);
    }
    // The next capture is due a second later; stop must not wait for it.
    std::promise<void> entered;
    auto waiting = std::async(std::launch::async, [&] {
        entered.set_value();
        VeltorFrame g;
        return VeltorCaptureImage(slow.h, &g, 10000);
    });
    entered.get_future().wait();
    VeltorStopCamera(slow.h);
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(waiting.get(), VELTOR_EVK_ERR_STATE);
    EXPECT_EQ(VeltorCaptureImage(slow.h, &f, 100), VELTOR_EVK_ERR_STATE);
}

TEST(EvkThreads, ControlsWhileCapturing) {
    TempDir dir;
    Kit k(dir.write("k.ini", "[camera]\nfamily = hqvga\nrealtime = 0\n[scene]\ntype = sphere\n"));
    ASSERT_EQ(k.status, VELTOR_EVK_OK);
    std::atomic<bool> done{false};
    std::thread controls([&] {
        for (uint32_t i = 0; !done.load(); ++i) {
            VeltorSetCtrl(k.h, "setExposure", 100 + i % 500);
            VeltorWriteSensorReg(k.h, 0x0402, (i & 1) ? 0x2000 : 0);
            VeltorWriteSensorReg(k.h, 0x216C, (i & 2) ? 0x08 : 0x10);
            uint32_t v;
            VeltorReadSensorReg(k.h, 0x0480, &v);
        }
    });
    for (int i = 0; i < 40; ++i) {
        VeltorFrame f;
        ASSERT_EQ(VeltorCaptureImage(k.h, &f, 2000), VELTOR_EVK_OK);
        ASSERT_EQ(f.data_size, 240u * 180u * 2u);
        EXPECT_EQ(VeltorFreeImage(k.h, f), VELTOR_EVK_OK);
    }
    done = true;
    controls.join();
}
