// Board classification from the device-tree model and the Rockchip capture
// option, read below a redirected root.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "VeltorTOFCamera.h"

using namespace Veltor;
namespace fs = std::filesystem;

TEST(ClassifyPlatform, ModelStrings) {
    const struct {
        const char* model;
        PlatformKind kind;
    } cases[] = {
        {"NVIDIA Jetson Xavier NX Developer Kit", PLATFORM_JETSON},
        {"NVIDIA Jetson Nano Developer Kit", PLATFORM_JETSON_NANO},
        {"NVIDIA Jetson TX1", PLATFORM_JETSON_NANO},
        {"NVIDIA Jetson AGX Orin", PLATFORM_JETSON_ORIN},
        {"NVIDIA Jetson Orin Nano", PLATFORM_JETSON_NANO},  // "Nano" is tested before "Orin"
        {"NVIDIA Jetson TX2", PLATFORM_JETSON},
        {"NVIDIA Orin Developer Kit", PLATFORM_JETSON},  // " Orin" without "Jetson"
        {"Orin", PLATFORM_UNKNOWN},                      // needs the leading blank
        {"Raspberry Pi 5 Model B Rev 1.0", PLATFORM_RASPBERRY_PI_5},
        {"Raspberry Pi Compute Module 5 Rev 1.0", PLATFORM_RASPBERRY_PI_5},
        {"Raspberry Pi 4 Model B Rev 1.4", PLATFORM_RASPBERRY_PI},
        {"Radxa ROCK 5B", PLATFORM_ROCKCHIP},
        {"Rockchip rv1126b EVB", PLATFORM_ROCKCHIP},
        {"Generic x86 board", PLATFORM_UNKNOWN},
        {"", PLATFORM_UNKNOWN},
    };
    for (const auto& c : cases) EXPECT_EQ(classifyPlatform(c.model), c.kind) << c.model;
    EXPECT_EQ(classifyPlatform(nullptr), PLATFORM_UNKNOWN);
}

class BoardRoot : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("veltor-board-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    void write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    PlatformKind cameraPlatform() {
        VeltorCameraOptions options;
        options.systemRoot = root.string();
        VeltorTOFCamera camera(options);
        return camera.getPlatform();
    }

    fs::path root;
};

TEST_F(BoardRoot, ReadsTheModelFileBelowTheRoot) {
    EXPECT_EQ(boardModelPath(root.string()), root.string() + "/sys/firmware/devicetree/base/model");
    EXPECT_EQ(cameraPlatform(), PLATFORM_UNKNOWN);  // no file
    // Device-tree strings end with a NUL byte.
    write(boardModelPath(root.string()), std::string("Raspberry Pi 5 Model B Rev 1.0\0", 31));
    EXPECT_EQ(cameraPlatform(), PLATFORM_RASPBERRY_PI_5);
    // Only the first line, and at most 99 characters of it, count.
    write(boardModelPath(root.string()), "Generic board\nNVIDIA Jetson Xavier\n");
    EXPECT_EQ(cameraPlatform(), PLATFORM_UNKNOWN);
    write(boardModelPath(root.string()), std::string(99, 'x') + "Jetson");
    EXPECT_EQ(cameraPlatform(), PLATFORM_UNKNOWN);
    write(boardModelPath(root.string()), std::string(93, 'x') + "Jetson");
    EXPECT_EQ(cameraPlatform(), PLATFORM_JETSON);
}

TEST_F(BoardRoot, RockchipCompactModeIsTurnedOff) {
    const std::string option = rockchipOptionPath(root.string());
    EXPECT_EQ(option, root.string() + "/sys/devices/platform/rkcif-mipi-lvds2/compact_test");
    write(boardModelPath(root.string()), "Radxa ROCK 3A");

    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"1 0", "0 0 0 0"},
        {"0 1", "0 0 0 0"},
        {"1 1\n", "0 0 0 0"},
        {"0 0\n", "0 0\n"},
        {"2 3", "2 3"},
        {"junk", "junk"},
    };
    for (const auto& c : cases) {
        write(option, c.before);
        EXPECT_EQ(cameraPlatform(), PLATFORM_ROCKCHIP);
        EXPECT_EQ(read(option), c.after) << c.before;
    }

    // Other boards leave the file alone; a missing file is no error.
    write(boardModelPath(root.string()), "Raspberry Pi 4 Model B");
    write(option, "1 1");
    EXPECT_EQ(cameraPlatform(), PLATFORM_RASPBERRY_PI);
    EXPECT_EQ(read(option), "1 1");
    fs::remove(option);
    write(boardModelPath(root.string()), "Radxa ROCK 5B");
    EXPECT_EQ(cameraPlatform(), PLATFORM_ROCKCHIP);
    EXPECT_FALSE(fs::exists(option));
}
