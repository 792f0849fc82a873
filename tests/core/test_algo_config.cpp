#include "algo_config.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "camera_config_files.h"
#include "fileHelper.h"
#include "log_wrapper.h"

namespace {

using namespace OrynSdk;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr uint32_t kOn = 1000000;

// The handle's settings after initialisation.
AlgoParamsCfgByUser HandleDefaults(const char* dir) {
  AlgoParamsCfgByUser u{};
  u.bEnableAE = 0;
  u.eTDenoiseLvl_Depth = DENOISE_LEVEL_0;
  u.eSDenoiseLvl_Depth = DENOISE_LEVEL_3;
  u.eTDenoiseLvl_Gray = DENOISE_LEVEL_0;
  u.eSDenoiseLvl_Gray = DENOISE_LEVEL_0;
  u.eRDOLvl = DENOISE_LEVEL_3;
  u.bDeFlyPixelStyle = 1;
  u.bDeHoles = 0;
  u.usValidDistMinMM = 0;
  u.usValidDistMaxMM = 4500;
  u.pcConfigDir = dir;
  return u;
}

FrameProfile Profile() {
  FrameProfile p{};
  p.fps = 30;
  p.roi = ROI{640, 480, 0, 0, 1, 1};
  p.binningMode = BINNING_MODE_2X2;
  return p;
}

class AlgoConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = testing::TempDir() + "acfgXXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    ASSERT_NE(getcwd(oldCwd_, sizeof oldCwd_), nullptr);
    Logger::GetInstance()->SetLogLevel("off", true);
  }
  void TearDown() override {
    ASSERT_EQ(chdir(oldCwd_), 0);
    Logger::GetInstance()->SetLogLevel("off", true);
  }

  void Write(const std::string& name, const std::string& text, const std::string& where = "") {
    std::ofstream(where.empty() ? dir_ + "/" + name : where + "/" + name, std::ios::binary) << text;
  }

  // Runs `body` with the logger at `level` and returns what it wrote.
  template <typename F>
  std::string Logged(const char* level, F&& body) {
    Logger::GetInstance()->SetLogLevel(level, true);
    testing::internal::CaptureStdout();
    body();
    std::string out = testing::internal::GetCapturedStdout();
    Logger::GetInstance()->SetLogLevel("off", true);
    return out;
  }

  std::string dir_;
  char oldCwd_[4096];
};

struct ModeExpect {
  WorkModeConfig mode;
  uint32_t sub[4];
  uint32_t spec[4];
  uint32_t intTime[4][3];
  uint32_t div[4][3];
  uint32_t numSub[4];
  uint32_t mipiFsFePos;
};

// The seven work-mode sections of the default "ConfigCamera.json".
const ModeExpect kModes[] = {
    {{SINGLE_FREQ, SINGLE_FREQ_4PHASE}, {0, 0, 0, 0}, {0, 0, 0, 0},
     {{kOn, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{4, 2, 24}, {2, 2, 24}, {2, 2, 24}, {2, 2, 24}},
     {1, 0, 0, 0}, 0},
    {{SINGLE_FREQ, SINGLE_FREQ_4PHASE_GRAY}, {5, 0, 0, 0}, {1, 0, 0, 0},
     {{kOn, 0, kOn}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{4, 2, 24}, {2, 2, 24}, {2, 2, 24}, {2, 2, 24}},
     {1, 0, 0, 0}, 0},
    {{DOUBLE_FREQ, DOUBLE_FREQ_4PHASE}, {0, 0, 0, 0}, {0, 0, 0, 0},
     {{kOn, 0, 0}, {kOn, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{4, 2, 24}, {24, 2, 24}, {2, 2, 24}, {2, 2, 24}},
     {1, 1, 0, 0}, 0},
    {{DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, {5, 5, 0, 0}, {1, 2, 0, 0},
     {{kOn, 0, kOn}, {kOn, 0, kOn}, {0, 0, 0}, {0, 0, 0}}, {{4, 2, 24}, {24, 2, 24}, {2, 2, 24}, {2, 2, 24}},
     {1, 1, 0, 0}, 0},
    {{GRAY_ONLY, FRAME_GRAY_ONLY}, {4, 0, 0, 0}, {1, 0, 0, 0},
     {{0, 0, kOn}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{2, 2, 24}, {2, 2, 24}, {2, 2, 24}, {2, 2, 24}},
     {1, 0, 0, 0}, 0},
    {{BG_OUTDOOR, FRAME_BG_OUTDOOR}, {4, 0, 0, 0}, {2, 0, 0, 0},
     {{0, 0, kOn}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{2, 2, 24}, {2, 2, 24}, {2, 2, 24}, {2, 2, 24}},
     {1, 0, 0, 0}, 0},
    {{SINGLE_FREQ, SINGLE_FREQ_BG_GRAY_BG_4PHASE}, {4, 4, 4, 0}, {2, 1, 2, 0},
     {{0, 0, kOn}, {0, 0, kOn}, {0, 0, kOn}, {kOn, 0, 0}}, {{2, 2, 24}, {2, 2, 24}, {2, 2, 24}, {4, 2, 24}},
     {1, 1, 1, 1}, 3},
};

TEST_F(AlgoConfigTest, DefaultFilesReadBackForEveryWorkMode) {
  ASSERT_EQ(Veltor::writeDefaultConfigFiles(dir_), 0);
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  for (const ModeExpect& m : kModes) {
    AlgoConfig cfg;
    ASSERT_EQ(cfg.FillCameraParas(&user, m.mode, Profile()), STATUS_OK) << m.mode.subWorkMode;
    const TofConfig& t = cfg.tofConfig;
    TofConfig e;  // defaults, then the section's values
    e.workMode = m.mode.workMode;
    e.subWorkMode = m.mode.subWorkMode;
    std::memcpy(e.subFramePhaseMode, m.sub, sizeof m.sub);
    std::memcpy(e.specFrameMode, m.spec, sizeof m.spec);
    std::memcpy(e.intTime, m.intTime, sizeof m.intTime);
    std::memcpy(e.pllDllDiv, m.div, sizeof m.div);
    std::memcpy(e.numSubFramePerFrame, m.numSub, sizeof m.numSub);
    e.mipiFsFePos = m.mipiFsFePos;
    e.roi = ROI{640, 480, 0, 0, 1, 1};
    e.fps = 30;
    e.binningMode = 3;
    e.ebdType = 4;
    EXPECT_EQ(std::memcmp(&t, &e, sizeof t), 0) << "mode " << m.mode.workMode << "/" << m.mode.subWorkMode;
    EXPECT_EQ(t.subWorkMode, static_cast<uint32_t>(m.mode.subWorkMode));
    EXPECT_EQ(t.intTime[3][0], m.intTime[3][0]);
    EXPECT_EQ(t.freq0, 120u);
    EXPECT_EQ(t.freq1, 20u);
    EXPECT_EQ(t.ledMode, 1u);
  }
}

TEST_F(AlgoConfigTest, DefaultAlgorithmFileWithHandleDefaults) {
  ASSERT_EQ(Veltor::writeDefaultConfigFiles(dir_), 0);
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  AlgoConfig cfg;
  std::vector<AlgoCfgParams> received;
  std::vector<TofConfig> receivedTof;
  for (int i = 0; i < 2; ++i) {
    cfg.AddConfigReceiver([&](TofConfig t, AlgoCfgParams p) {
      receivedTof.push_back(t);
      received.push_back(p);
      return STATUS_OK;
    });
  }
  ASSERT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
  ASSERT_EQ(cfg.FillAlgoParas(&user), STATUS_OK);

  AlgoCfgParams e;  // defaults
  e.tDenoiseMethodDepth = 0;  // from the file
  e.tDenoiseMethodGray = 0;
  // The handle's settings win over the file.
  e.ae = 0;
  e.tDenoiseLevelDepth = 0;
  e.sDenoiseLevelDepth = 3;
  e.tDenoiseLevelGray = 0;
  e.sDenoiseLevelGray = 0;
  e.erdoLvl = 3;
  e.deFlyPixelStyle = 1;
  e.deHoles = 0;
  e.validDistMin = 0;
  e.validDistMax = 4500;
  EXPECT_EQ(std::memcmp(&cfg.algoCfgParams, &e, sizeof e), 0);
  ASSERT_EQ(received.size(), 2u);
  for (const AlgoCfgParams& p : received) EXPECT_EQ(std::memcmp(&p, &e, sizeof e), 0);
  EXPECT_EQ(received[0].validDistMax, 4500);
  EXPECT_EQ(std::memcmp(&receivedTof[0], &cfg.tofConfig, sizeof(TofConfig)), 0);
}

TEST(AlgoCfgParamsDefaults, EveryFieldStartsAtItsTableDefault) {
  // Field order and defaults of the 54 keys.
  const uint32_t defaults[54] = {
      0, 1, 0, 1, 0,                                  // OutPutParams
      1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0,  // CorrParams
      0, 4000, 0, 30,                                 // FusionParams
      0, 1, 1,                                        // OthersParams
      0, 1, 1, 0, 1, 0, 1,                            // OutPutParamsPP
      3, 3, 1, 1, 1, 1, 1, 1,                         // DenoisingParams
      3, 0, 1, 120,                                   // RepairParams
      0, 0,                                           // AntiInterferenceParams
      0, 7000,                                        // ConfidenceParams
      1, 1,                                           // AlgoOnoff
  };
  const AlgoCfgParams p;
  EXPECT_EQ(std::memcmp(&p, defaults, sizeof defaults), 0);
  AlgoCfgParams brace{};
  EXPECT_EQ(std::memcmp(&brace, defaults, sizeof defaults), 0);
  AlgoConfig cfg;
  EXPECT_EQ(std::memcmp(&cfg.algoCfgParams, defaults, sizeof defaults), 0);
}

TEST_F(AlgoConfigTest, EveryAlgorithmKeyIsRead) {
  // Each key set to a value its default never has: 0 for bools whose
  // default is 1, else 1; ints get 100 + their index.
  const char* const keys[54][2] = {
      {"OutPutParams", "OutPointCloud"}, {"OutPutParams", "OutConfidence"}, {"OutPutParams", "OutPointCloudType"},
      {"OutPutParams", "OutDepthValueType"}, {"OutPutParams", "OutDepthDataType"}, {"CorrParams", "CorrBP"},
      {"CorrParams", "CorrLens"}, {"CorrParams", "CorrTemp"}, {"CorrParams", "CorrOffsetAuto"},
      {"CorrParams", "CorrFPPN"}, {"CorrParams", "CorrWig"}, {"CorrParams", "CorrFPN"}, {"CorrParams", "CorrLUMA"},
      {"CorrParams", "CorrMask"}, {"CorrParams", "DeMotionBlur"}, {"CorrParams", "FillInvalidPixels"},
      {"CorrParams", "CutInvalidPixels"}, {"CorrParams", "CorrOffsetManual"}, {"CorrParams", "F1CorrOffset"},
      {"CorrParams", "F2CorrOffset"}, {"CorrParams", "F3CorrOffset"}, {"CorrParams", "F4CorrOffset"},
      {"FusionParams", "SFDeAliasing"}, {"FusionParams", "PresetMaxDist"}, {"FusionParams", "DetectWB"},
      {"FusionParams", "FusErrExpMinTsh"}, {"OthersParams", "AE"}, {"OthersParams", "AntiAliCorr"},
      {"OthersParams", "Registration"}, {"OutPutParamsPP", "OutPointCloud"}, {"OutPutParamsPP", "OutConfidence"},
      {"OutPutParamsPP", "OutFlag"}, {"OutPutParamsPP", "OutPointCloudType"},
      {"OutPutParamsPP", "OutDepthValueType"}, {"OutPutParamsPP", "OutDepthDataType"},
      {"OutPutParamsPP", "OutGrayDataType"}, {"DenoisingParams", "TDenoiseLevel_Depth"},
      {"DenoisingParams", "SDenoiseLevel_Depth"}, {"DenoisingParams", "TDenoiseMethod_Depth"},
      {"DenoisingParams", "SDenoiseMethod_Depth"}, {"DenoisingParams", "TDenoiseLevel_Gray"},
      {"DenoisingParams", "SDenoiseLevel_Gray"}, {"DenoisingParams", "TDenoiseMethod_Gray"},
      {"DenoisingParams", "SDenoiseMethod_Gray"}, {"RepairParams", "ERDOLvl"}, {"RepairParams", "DeFlyPixelStyle"},
      {"RepairParams", "DeHoles"}, {"RepairParams", "ThRepairLowConfidence"}, {"AntiInterferenceParams", "AntiALI"},
      {"AntiInterferenceParams", "AntiMCI"}, {"ConfidenceParams", "ValidDistMin"},
      {"ConfidenceParams", "ValidDistMax"}, {"AlgoOnoff", "useCorrParams"}, {"AlgoOnoff", "usePostProcParams"},
  };
  const bool isBool[54] = {1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 1, 0, 1, 0, 1,
                           1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0, 0, 0};
  const AlgoCfgParams defaults;
  uint32_t def[54];
  std::memcpy(def, &defaults, sizeof def);
  uint32_t expected[54];
  std::string text;
  std::string lastSection;
  for (int i = 0; i < 54; ++i) {
    if (lastSection != keys[i][0]) {
      text += std::string("[") + keys[i][0] + "]\n";
      lastSection = keys[i][0];
    }
    expected[i] = isBool[i] ? (def[i] == 1 ? 0u : 1u) : static_cast<uint32_t>(100 + i);
    const std::string value = isBool[i] ? (expected[i] ? "true" : "FALSE") : std::to_string(expected[i]);
    text += std::string(keys[i][1]) + "=" + value + "\n";
  }
  Write("ConfigAlgorithm.json", text);
  Write("ConfigCamera.json", "[M]\nWorkMode=1\nSubWorkMode=11\n");
  // Without a handle record: no directory (the working directory is used)
  // and no overrides, so every key shows.
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  AlgoConfig cfg;
  ASSERT_EQ(cfg.FillCameraParas(nullptr, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
  ASSERT_EQ(cfg.FillAlgoParas(nullptr), STATUS_OK);
  uint32_t got[54];
  std::memcpy(got, &cfg.algoCfgParams, sizeof got);
  for (int i = 0; i < 54; ++i) EXPECT_EQ(got[i], expected[i]) << keys[i][0] << " / " << keys[i][1];
}

TEST_F(AlgoConfigTest, EmptyAlgorithmFileGivesDefaultsAndOverrides) {
  Write("ConfigAlgorithm.json", "");
  Write("ConfigCamera.json", "[M]\nWorkMode=1\nSubWorkMode=11\n");
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  user.usValidDistMinMM = 150;
  user.bDeHoles = 1;
  AlgoConfig cfg;
  cfg.algoCfgParams.corrBP = 0;  // a previous configuration does not leak into the next
  ASSERT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
  ASSERT_EQ(cfg.FillAlgoParas(&user), STATUS_OK);
  AlgoCfgParams e;
  e.tDenoiseLevelDepth = 0;
  e.tDenoiseLevelGray = 0;
  e.sDenoiseLevelGray = 0;
  e.deFlyPixelStyle = 1;
  e.deHoles = 1;
  e.validDistMin = 150;
  e.validDistMax = 4500;
  EXPECT_EQ(std::memcmp(&cfg.algoCfgParams, &e, sizeof e), 0);
}

TEST_F(AlgoConfigTest, UnparsableValuesGiveTheParserResult) {
  Write("ConfigAlgorithm.json",
        "[OutPutParams]\nOutConfidence=yes\nOutPointCloud=maybe\n"
        "[FusionParams]\nPresetMaxDist=abc\nFusErrExpMinTsh=0x20\n"
        "[CorrParams]\nF1CorrOffset=-25\nF2CorrOffset=99999999999\n");
  Write("ConfigCamera.json", "[M]\nWorkMode=1\nSubWorkMode=11\n");
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  AlgoConfig cfg;
  ASSERT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
  ASSERT_EQ(cfg.FillAlgoParas(&user), STATUS_OK);
  EXPECT_EQ(cfg.algoCfgParams.outConfidence, 1u);  // unknown bool text keeps the default
  EXPECT_EQ(cfg.algoCfgParams.outPointCloud, 0u);
  EXPECT_EQ(cfg.algoCfgParams.presetMaxDist, 0);    // not a number
  EXPECT_EQ(cfg.algoCfgParams.fusErrExpMinTsh, 0);  // decimal only
  EXPECT_EQ(cfg.algoCfgParams.f1CorrOffset, -25);
  EXPECT_EQ(cfg.algoCfgParams.f2CorrOffset, 2147483647);
}

TEST_F(AlgoConfigTest, PicksTheSectionOfTheWorkMode) {
  Write("ConfigCamera.json",
        "[PLL]\nfreq0=100\n\n"
        "[Single]\nWorkMode=0\nSubWorkMode=1\nMirrorMode=1\n\n"
        "[Dual]\nWorkMode=1\nSubWorkMode=11\nMirrorMode=2\nFrameSeqSchedule1=7\n\n"
        "[Dual again]\nWorkMode=1\nSubWorkMode=11\nMirrorMode=3\n");
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  AlgoConfig cfg;
  Status st = STATUS_GENERIC_ERROR;
  const std::string log = Logged("info", [&] {
    st = cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile());
  });
  ASSERT_EQ(st, STATUS_OK);
  EXPECT_THAT(log, HasSubstr("] load " + dir_ + "/ConfigCamera.json success\n"));
  EXPECT_THAT(log, HasSubstr("] choose section Dual\n"));
  EXPECT_EQ(cfg.tofConfig.mirrorMode, 2u);
  // Keys missing from the section and the file take their defaults.
  const uint8_t schedule[4] = {0, 7, 2, 3};
  EXPECT_EQ(std::memcmp(cfg.tofConfig.seqSchedule, schedule, 4), 0);
  EXPECT_EQ(cfg.tofConfig.freq0, 100u);
  EXPECT_EQ(cfg.tofConfig.freq1, 20u);
  EXPECT_EQ(cfg.tofConfig.ebdType, 2u);
  EXPECT_EQ(cfg.tofConfig.intTime[0][0], 1000000u);
  EXPECT_EQ(cfg.tofConfig.pllDllDiv[0][0], 4u);
  EXPECT_EQ(cfg.tofConfig.pllDllDiv[3][2], 24u);
  EXPECT_EQ(cfg.tofConfig.numSubFramePerFrame[0], 1u);
  EXPECT_EQ(cfg.tofConfig.tSensorMode, 1u);

  fileHelper file;
  ASSERT_EQ(file.Load(dir_ + "/ConfigCamera.json"), 0);
  std::string name;
  EXPECT_EQ(AlgoConfig::CheckWorkMode(&file, {SINGLE_FREQ, SINGLE_FREQ_4PHASE}, &name), 0);
  EXPECT_EQ(name, "Single");
}

TEST_F(AlgoConfigTest, UnknownWorkModeFails) {
  ASSERT_EQ(Veltor::writeDefaultConfigFiles(dir_), 0);
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  // {0, 0} must not match the sections that carry no work mode at all.
  const WorkModeConfig unknown[] = {{SINGLE_FREQ, SINGLE_FREQ_2PHASE}, {QUAD_FREQ, QUAD_FREQ_4PHASE},
                                    {static_cast<TofWorkMode>(99), static_cast<TofFrameWorkMode>(0xFFFFFFFFu)}};
  for (const WorkModeConfig& m : unknown) {
    AlgoConfig cfg;
    Status st = STATUS_OK;
    const std::string log = Logged("info", [&] { st = cfg.FillCameraParas(&user, m, Profile()); });
    EXPECT_EQ(st, STATUS_UNAVAILABLE);
    EXPECT_THAT(log, HasSubstr("[error] [algo_config.cpp:"));
    EXPECT_THAT(log, HasSubstr("] Unable to find corresponding working mode in ConfigCamera.json file\n"));
    EXPECT_THAT(log, HasSubstr("] Not existed workMode " + std::to_string(static_cast<uint32_t>(m.workMode)) +
                                   " and frameMode " + std::to_string(static_cast<uint32_t>(m.subWorkMode)) +
                                   " case, please check!\n"));
    EXPECT_FALSE(cfg.CameraConfigured());
  }
}

TEST_F(AlgoConfigTest, OutOfRangeSensorValuesKeepDefaults) {
  Write("ConfigCamera.json",
        "[M]\nWorkMode=1\nSubWorkMode=11\nFrameSeqSchedule0=300\nFrameSeqSchedule2=-1\n"
        "Frame0_1To4IntTime=-5\nMirrorMode=abc\nEnableLedMod=99999999999\nFrame1_1To4IntTime=250000\n");
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  AlgoConfig cfg;
  ASSERT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
  EXPECT_EQ(cfg.tofConfig.seqSchedule[0], 0u);
  EXPECT_EQ(cfg.tofConfig.seqSchedule[2], 2u);
  EXPECT_EQ(cfg.tofConfig.intTime[0][0], 1000000u);
  EXPECT_EQ(cfg.tofConfig.mirrorMode, 0u);
  EXPECT_EQ(cfg.tofConfig.ledMode, 2147483647u);
  EXPECT_EQ(cfg.tofConfig.intTime[1][0], 250000u);
}

TEST_F(AlgoConfigTest, FallsBackToTheWorkingDirectory) {
  ASSERT_EQ(Veltor::writeDefaultConfigFiles(dir_), 0);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  const std::string missing = dir_ + "/no-such-dir";
  AlgoParamsCfgByUser user = HandleDefaults(missing.c_str());
  AlgoConfig cfg;
  Status cam = STATUS_GENERIC_ERROR;
  Status algo = STATUS_GENERIC_ERROR;
  const std::string log = Logged("info", [&] {
    cam = cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile());
    algo = cfg.FillAlgoParas(&user);
  });
  EXPECT_EQ(cam, STATUS_OK);
  EXPECT_EQ(algo, STATUS_OK);
  EXPECT_THAT(log, HasSubstr("[info] [algo_config.cpp:"));
  EXPECT_THAT(log, HasSubstr("] try again " + missing + "/ConfigCamera.json\n"));
  EXPECT_THAT(log, HasSubstr("] load ConfigCamera.json success\n"));
  EXPECT_THAT(log, HasSubstr("] try again " + missing + "/ConfigAlgorithm.json\n"));
  EXPECT_THAT(log, HasSubstr("] load ConfigAlgorithm.json success\n"));
  EXPECT_THAT(log, HasSubstr("] algoUserCfg->usValidDistMaxMM:4500\n"));
  EXPECT_THAT(log, HasSubstr("] algoUserCfg->eTDenoiseLvl_Depth 0\n"));
  EXPECT_THAT(log, HasSubstr("] algoUserCfg->eRDOLvl:3\n"));
  EXPECT_THAT(log, HasSubstr("] read local config *.json File Path :" + missing + "\n"));
  EXPECT_EQ(cfg.tofConfig.ebdType, 4u);
  EXPECT_EQ(cfg.algoCfgParams.validDistMax, 4500);
}

TEST_F(AlgoConfigTest, NoFilesAnywhere) {
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  AlgoParamsCfgByUser user = HandleDefaults("");
  AlgoConfig cfg;
  int calls = 0;
  cfg.AddConfigReceiver([&](TofConfig, AlgoCfgParams) {
    ++calls;
    return STATUS_OK;
  });
  Status cam = STATUS_OK;
  Status algo = STATUS_OK;
  const std::string log = Logged("info", [&] {
    cam = cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile());
    algo = cfg.FillAlgoParas(&user);
  });
  EXPECT_EQ(cam, STATUS_UNAVAILABLE);
  EXPECT_EQ(algo, STATUS_UNAVAILABLE);
  EXPECT_THAT(log, HasSubstr("] try again /ConfigAlgorithm.json\n"));
  EXPECT_THAT(log, HasSubstr("[error] [algo_config.cpp:"));
  EXPECT_THAT(log, HasSubstr("] can't load ConfigCamera.json\n"));
  EXPECT_THAT(log, HasSubstr("] can't load ConfigAlgorithm.json\n"));
  EXPECT_EQ(calls, 0);
}

// A missing or unusable camera file must not let the stages be configured
// as if the sensor configuration had been read.
TEST_F(AlgoConfigTest, AlgorithmConfigFailsWhenCameraConfigFailed) {
  Write("ConfigAlgorithm.json", Veltor::defaultAlgorithmConfigText());
  AlgoParamsCfgByUser user = HandleDefaults(dir_.c_str());
  const char* const cameraFiles[] = {nullptr, "", "[EBDType]\nebdType=4\n[EBDType]\n", "[M]\nthis is not a key\n",
                                     "[M]\nWorkMode=5\nSubWorkMode=5\n"};
  for (const char* camera : cameraFiles) {
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    std::remove((dir_ + "/ConfigCamera.json").c_str());
    if (camera != nullptr) Write("ConfigCamera.json", camera);
    AlgoConfig cfg;
    int calls = 0;
    cfg.AddConfigReceiver([&](TofConfig, AlgoCfgParams) {
      ++calls;
      return STATUS_OK;
    });
    EXPECT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()),
              STATUS_UNAVAILABLE);
    EXPECT_EQ(cfg.FillAlgoParas(&user), STATUS_UNAVAILABLE);
    EXPECT_EQ(calls, 0);
    // A later good camera file makes the pair succeed again.
    Write("ConfigCamera.json", "[M]\nWorkMode=1\nSubWorkMode=11\n");
    EXPECT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
    EXPECT_EQ(cfg.FillAlgoParas(&user), STATUS_OK);
    EXPECT_EQ(calls, 1);
  }
}

TEST_F(AlgoConfigTest, ConfigurationDirectoryIsCopiedTruncated) {
  ASSERT_EQ(Veltor::writeDefaultConfigFiles(dir_), 0);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  std::vector<char> copy(kConfigPathBytes, 'z');
  const std::string longDir = "/" + std::string(250, 'd');
  AlgoParamsCfgByUser user = HandleDefaults(longDir.c_str());
  AlgoConfig cfg;
  cfg.tofConfig.configDirCopy = copy.data();
  ASSERT_EQ(cfg.FillCameraParas(&user, {DOUBLE_FREQ, DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, Profile()), STATUS_OK);
  ASSERT_EQ(cfg.FillAlgoParas(&user), STATUS_OK);
  EXPECT_EQ(std::string(copy.data()), longDir.substr(0, 199));
  EXPECT_EQ(cfg.tofConfig.configDirCopy, copy.data());
}

TEST_F(AlgoConfigTest, PrintSensorCfgLogsAtDebug) {
  TofConfig cfg;
  cfg.workMode = 1;
  cfg.subWorkMode = 11;
  cfg.intTime[2][1] = 777;
  cfg.roi = ROI{640, 480, 1, 2, 3, 4};
  cfg.fps = 25;
  cfg.binningMode = 3;
  EXPECT_EQ(Logged("info", [&] { printSensorCfg(cfg); }), "");
  const std::string log = Logged("debug", [&] { printSensorCfg(cfg); });
  std::vector<std::string> texts;
  size_t pos = 0;
  while (pos < log.size()) {
    const size_t end = log.find('\n', pos);
    const std::string line = log.substr(pos, end - pos);
    EXPECT_THAT(line, HasSubstr("[debug] [algo_config.cpp:"));
    texts.push_back(line.substr(line.find("] ", line.find("algo_config.cpp:")) + 2));
    pos = end + 1;
  }
  ASSERT_EQ(texts.size(), 2u + 4u * 9u + 10u);
  EXPECT_EQ(texts[0], "/************KRX5830 config parameters*/");
  EXPECT_EQ(texts[1], "workMode:1, subWorkMode:11");
  EXPECT_EQ(texts[2], "//////Frame 0:");
  EXPECT_EQ(texts[5], "phase1To4Time 1000000");
  EXPECT_EQ(texts[7], "specialPhaseTime 0");
  EXPECT_EQ(texts[2 + 18 + 4], "phase5To8Time 777");
  EXPECT_EQ(texts[2 + 9 + 6], "phase1To4PllDllDiv 2");
  EXPECT_EQ(texts[38], "seqSchedule:0, 1, 2, 3");
  EXPECT_EQ(texts[39], "mirrorMode:0, phaseMode:0, ledMode:1, seqNumPerDepthMap:1");
  EXPECT_EQ(texts[45], "//////ROI");
  EXPECT_EQ(texts[46], "xSize:640, ySize:480, xStart:1,yStart:2, xStep:3, yStep:4");
  EXPECT_EQ(texts[47], "fps:25, binning mode:3");
}

}  // namespace
