// Scene files: accepted keys and values, and a clear message with the
// configuration status for everything else.
#include <gtest/gtest.h>

#include <string>

#include "evk_config.h"
#include "evk_ini.h"
#include "evk_test_util.h"

using namespace veltor_evk;

TEST(EvkScene, ReadsEveryKeyOfTheFormat) {
    IniFile ini;
    std::string error;
    ASSERT_TRUE(ini.parse("// simulated camera\n"
                          "[ camera ]  trailing text\n"
                          "family = hqvga   // the only family so far\n"
                          "frame_rate=20\nbypass = 1\nbit_width = 14\nexposure_us = 900\nrange_mm = 2000\n"
                          "sub_frame_ms = 5\nrealtime = 0\nradial = 1\n\n"
                          "[scene]\ntype = tilted_plane\ndistance_mm = 1234.5\ntilt_deg = -20\nradius_mm = 50\n"
                          "background_mm = 0\nreflectivity = 0.8\nambient = 250\nnoise = 0.5\nseed = 18446744073709551615\n"
                          "[faults]\ndrop_rate = 0.01\ntimeout_rate = 0.02\nwrong_size_rate = 0.03\ntimeout_ms = 7\nseed = 5\n",
                          error))
        << error;
    SimConfig c;
    ASSERT_TRUE(configFromIni(ini, "", c, error)) << error;
    EXPECT_EQ(c.frameRate, 20);
    EXPECT_TRUE(c.bypass);
    EXPECT_EQ(c.bitWidth, 14);
    EXPECT_EQ(c.exposureUs, 900);
    EXPECT_EQ(c.rangeMm, 2000);
    EXPECT_EQ(c.subFrameMs, 5);
    EXPECT_FALSE(c.realtime);
    EXPECT_TRUE(c.radial);
    EXPECT_EQ(c.type, SceneType::TiltedPlane);
    EXPECT_DOUBLE_EQ(c.distanceMm, 1234.5);
    EXPECT_DOUBLE_EQ(c.tiltDeg, -20);
    EXPECT_DOUBLE_EQ(c.radiusMm, 50);
    EXPECT_DOUBLE_EQ(c.backgroundMm, 0);
    EXPECT_DOUBLE_EQ(c.reflectivity, 0.8);
    EXPECT_DOUBLE_EQ(c.ambient, 250);
    EXPECT_DOUBLE_EQ(c.noise, 0.5);
    EXPECT_EQ(c.seed, 18446744073709551615ull);
    EXPECT_DOUBLE_EQ(c.dropRate, 0.01);
    EXPECT_DOUBLE_EQ(c.timeoutRate, 0.02);
    EXPECT_DOUBLE_EQ(c.wrongSizeRate, 0.03);
    EXPECT_EQ(c.timeoutMs, 7);
    EXPECT_EQ(c.faultSeed, 5u);

    // A playback file is found next to the scene file.
    ASSERT_TRUE(ini.parse("[camera]\nfamily = hqvga\n[playback]\nfile = take1.bin\n", error));
    SimConfig p;
    ASSERT_TRUE(configFromIni(ini, "/data/scenes", p, error)) << error;
    EXPECT_EQ(p.playbackFile, "/data/scenes/take1.bin");
}

// Each bad file is refused through the kit's open with the configuration
// status and a message that names the line and the problem.
TEST(EvkScene, BadFilesGiveAClearMessageAndTheConfigStatus) {
    struct Case {
        const char* text;
        const char* message;
    };
    const std::string ok = "[camera]\nfamily = hqvga\n[scene]\ntype = plane\n";
    const Case cases[] = {
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\ndistanse_mm = 10\n",
         "line 5: unknown key \"distanse_mm\" in section [scene]"},
        {"[camera]\nfamily = hqvga\n[lens]\nfx = 1\n", "line 3: unknown section [lens]"},
        {"[scene]\ntype = plane\n", "missing key \"family\" in section [camera]"},
        {"[camera]\nfamily = hqvga\n", "missing key \"type\" in section [scene]"},
        {"[camera]\nfamily = hqvga\n[playback]\n", "missing key \"file\" in section [playback]"},
        {"[camera]\nfamily = vga\n[scene]\ntype = plane\n", "(vga) is not simulated yet"},
        {"[camera]\nfamily = qvga\n", "unknown family \"qvga\""},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = cube\n", "unknown scene type \"cube\""},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\ndistance_mm = far\n",
         "line 5: [scene] distance_mm: \"far\" is not a number"},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\ndistance_mm =\n", "\"\" is not a number"},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\nreflectivity = 1.5\n", "1.5 is outside"},
        {"[camera]\nfamily = hqvga\nframe_rate = 30.5\n[scene]\ntype = plane\n", "is not a whole number"},
        {"[camera]\nfamily = hqvga\nbypass = 2\n[scene]\ntype = plane\n", "2 is outside"},
        {"[camera]\nfamily = hqvga\nbit_width = 9\n[scene]\ntype = plane\n", "must be 8, 10, 12 or 14"},
        {"[camera]\nfamily = hqvga\nrange_mm = 3000\n[scene]\ntype = plane\n", "range must be 2000 or 4000"},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\nseed = -3\n", "is not a seed"},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\nnoise = nan\n", "is not a number"},
        {"[camera]\nfamily = hqvga\nfamily = hqvga\n[scene]\ntype = plane\n", "key \"family\" repeated"},
        {"[camera]\nfamily = hqvga\n[camera]\n", "line 3: section [camera] appears twice"},
        {"[camera\nfamily = hqvga\n", "line 1: no matching ]"},
        {"[]\n", "line 1: empty section name"},
        {"[camera]\nfamily hqvga\n", "line 2: expected key = value"},
        {"family = hqvga\n[camera]\n", "before the first [section]"},
        {"[camera]\nfamily = hqvga\nframe_rate = 50\nsub_frame_ms = 20\n[scene]\ntype = plane\n",
         "do not fit in a frame"},
        {"[camera]\nfamily = hqvga\n[scene]\ntype = plane\n[faults]\ndrop_rate = 0.6\ntimeout_rate = 0.6\n",
         "exceed 1"},
    };
    evktest::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.write("bad.ini", c.text);
        VeltorOpenParam p;
        VeltorDefaultParam(&p);
        p.config_path = path.c_str();
        VeltorCameraHandle h = nullptr;
        testing::internal::CaptureStderr();
        int status = VeltorOpenCamera(&h, &p);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, VELTOR_EVK_ERR_CONFIG) << c.text;
        EXPECT_NE(err.find("veltor_evk: " + path + ": "), std::string::npos) << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << "expected \"" << c.message << "\" in " << err;
    }
    // A missing file, and the good file for contrast.
    VeltorOpenParam p;
    VeltorDefaultParam(&p);
    p.config_path = "/nonexistent/scene.ini";
    VeltorCameraHandle h = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(VeltorOpenCamera(&h, &p), VELTOR_EVK_ERR_CONFIG);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot open \"/nonexistent/scene.ini\""),
              std::string::npos);
    const std::string good = dir.write("good.ini", ok);
    p.config_path = good.c_str();
    ASSERT_EQ(VeltorOpenCamera(&h, &p), VELTOR_EVK_OK);
    EXPECT_EQ(VeltorCloseCamera(h), VELTOR_EVK_OK);
}
