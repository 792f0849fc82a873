#include "algo_config.h"

#include <cstring>
#include <limits>

#include "fileHelper.h"
#include "log_wrapper.h"

namespace OrynSdk {

const char* const kConfigCameraFile = "ConfigCamera.json";
const char* const kConfigAlgorithmFile = "ConfigAlgorithm.json";

namespace {

// Loads <dir>/<name>, else <name> from the working directory.
bool LoadConfigFile(fileHelper* file, const char* configDir, const char* name) {
  const std::string path = std::string(configDir != nullptr ? configDir : "") + "/" + name;
  if (file->Load(path) == 0) {
    ORYN_LOG_INFO("load {} success", path);
    return true;
  }
  ORYN_LOG_INFO("try again {}", path);
  if (file->Load(name) == 0) {
    ORYN_LOG_INFO("load {} success", name);
    return true;
  }
  ORYN_LOG_ERROR("can't load {}", name);
  return false;
}

// A u32 field of the sensor configuration. A value the field cannot hold
// (negative) keeps the default rather than wrapping to a huge number.
void ReadU32(fileHelper* file, const std::string& section, const std::string& key, uint32_t* field,
             uint32_t defaultValue) {
  int v = 0;
  file->GetIntValueOrDefault(section, key, &v, static_cast<int>(defaultValue));
  if (v < 0) {
    ORYN_LOG_WARN("{} / {} = {} is out of range, using {}", section, key, v, defaultValue);
    *field = defaultValue;
    return;
  }
  *field = static_cast<uint32_t>(v);
}

void ReadU8(fileHelper* file, const std::string& section, const std::string& key, uint8_t* field,
            uint8_t defaultValue) {
  int v = 0;
  file->GetIntValueOrDefault(section, key, &v, defaultValue);
  if (v < 0 || v > std::numeric_limits<uint8_t>::max()) {
    ORYN_LOG_WARN("{} / {} = {} is out of range, using {}", section, key, v, defaultValue);
    *field = defaultValue;
    return;
  }
  *field = static_cast<uint8_t>(v);
}

enum class Kind { Bool, Int };

struct AlgoKey {
  const char* section;
  const char* key;
  Kind kind;
  int defaultValue;
};

// One entry per field of AlgoCfgParams, in field order.
const AlgoKey kAlgoKeys[] = {
    {"OutPutParams", "OutPointCloud", Kind::Bool, 0},
    {"OutPutParams", "OutConfidence", Kind::Bool, 1},
    {"OutPutParams", "OutPointCloudType", Kind::Int, 0},
    {"OutPutParams", "OutDepthValueType", Kind::Int, 1},
    {"OutPutParams", "OutDepthDataType", Kind::Int, 0},
    {"CorrParams", "CorrBP", Kind::Bool, 1},
    {"CorrParams", "CorrLens", Kind::Bool, 1},
    {"CorrParams", "CorrTemp", Kind::Bool, 1},
    {"CorrParams", "CorrOffsetAuto", Kind::Bool, 0},
    {"CorrParams", "CorrFPPN", Kind::Bool, 1},
    {"CorrParams", "CorrWig", Kind::Bool, 1},
    {"CorrParams", "CorrFPN", Kind::Bool, 0},
    {"CorrParams", "CorrLUMA", Kind::Bool, 0},
    {"CorrParams", "CorrMask", Kind::Bool, 0},
    {"CorrParams", "DeMotionBlur", Kind::Bool, 0},
    {"CorrParams", "FillInvalidPixels", Kind::Bool, 1},
    {"CorrParams", "CutInvalidPixels", Kind::Bool, 1},
    {"CorrParams", "CorrOffsetManual", Kind::Bool, 0},
    {"CorrParams", "F1CorrOffset", Kind::Int, 0},
    {"CorrParams", "F2CorrOffset", Kind::Int, 0},
    {"CorrParams", "F3CorrOffset", Kind::Int, 0},
    {"CorrParams", "F4CorrOffset", Kind::Int, 0},
    {"FusionParams", "SFDeAliasing", Kind::Bool, 0},
    {"FusionParams", "PresetMaxDist", Kind::Int, 4000},
    {"FusionParams", "DetectWB", Kind::Bool, 0},
    {"FusionParams", "FusErrExpMinTsh", Kind::Int, 30},
    {"OthersParams", "AE", Kind::Bool, 0},
    {"OthersParams", "AntiAliCorr", Kind::Bool, 1},
    {"OthersParams", "Registration", Kind::Bool, 1},
    {"OutPutParamsPP", "OutPointCloud", Kind::Bool, 0},
    {"OutPutParamsPP", "OutConfidence", Kind::Bool, 1},
    {"OutPutParamsPP", "OutFlag", Kind::Bool, 1},
    {"OutPutParamsPP", "OutPointCloudType", Kind::Int, 0},
    {"OutPutParamsPP", "OutDepthValueType", Kind::Int, 1},
    {"OutPutParamsPP", "OutDepthDataType", Kind::Int, 0},
    {"OutPutParamsPP", "OutGrayDataType", Kind::Int, 1},
    {"DenoisingParams", "TDenoiseLevel_Depth", Kind::Int, 3},
    {"DenoisingParams", "SDenoiseLevel_Depth", Kind::Int, 3},
    {"DenoisingParams", "TDenoiseMethod_Depth", Kind::Int, 1},
    {"DenoisingParams", "SDenoiseMethod_Depth", Kind::Int, 1},
    {"DenoisingParams", "TDenoiseLevel_Gray", Kind::Int, 1},
    {"DenoisingParams", "SDenoiseLevel_Gray", Kind::Int, 1},
    {"DenoisingParams", "TDenoiseMethod_Gray", Kind::Int, 1},
    {"DenoisingParams", "SDenoiseMethod_Gray", Kind::Int, 1},
    {"RepairParams", "ERDOLvl", Kind::Int, 3},
    {"RepairParams", "DeFlyPixelStyle", Kind::Bool, 0},
    {"RepairParams", "DeHoles", Kind::Bool, 1},
    {"RepairParams", "ThRepairLowConfidence", Kind::Int, 120},
    {"AntiInterferenceParams", "AntiALI", Kind::Bool, 0},
    {"AntiInterferenceParams", "AntiMCI", Kind::Bool, 0},
    {"ConfidenceParams", "ValidDistMin", Kind::Int, 0},
    {"ConfidenceParams", "ValidDistMax", Kind::Int, 7000},
    {"AlgoOnoff", "useCorrParams", Kind::Int, 1},
    {"AlgoOnoff", "usePostProcParams", Kind::Int, 1},
};
static_assert(sizeof(kAlgoKeys) / sizeof(kAlgoKeys[0]) == sizeof(AlgoCfgParams) / sizeof(uint32_t),
              "one key per field of AlgoCfgParams");

// Field i of the record: the record is 54 consecutive 32-bit fields.
uint32_t GetField(const AlgoCfgParams& p, size_t i) {
  uint32_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&p) + i * sizeof(uint32_t), sizeof v);
  return v;
}

void SetField(AlgoCfgParams* p, size_t i, uint32_t v) {
  std::memcpy(reinterpret_cast<unsigned char*>(p) + i * sizeof(uint32_t), &v, sizeof v);
}

}  // namespace

int AlgoConfig::CheckWorkMode(fileHelper* file, WorkModeConfig mode, std::string* sectionOut) {
  std::vector<std::string> names;
  file->GetSections(names);
  for (const std::string& name : names) {
    int workMode = 0;
    int subWorkMode = 0;
    // Sections without a WorkMode key (the leading unnamed one, EBDType, PLL,
    // VideoInfo) do not describe a work mode and must not match {0, 0}.
    if (file->GetIntValue(name, "WorkMode", &workMode) != 0) continue;
    file->GetIntValue(name, "SubWorkMode", &subWorkMode);
    if (workMode >= 0 && subWorkMode >= 0 && static_cast<uint32_t>(workMode) == mode.workMode &&
        static_cast<uint32_t>(subWorkMode) == mode.subWorkMode) {
      *sectionOut = name;
      ORYN_LOG_INFO("choose section {}", name);
      return 0;
    }
  }
  ORYN_LOG_ERROR("Unable to find corresponding working mode in ConfigCamera.json file");
  return 5;
}

Status AlgoConfig::FillCameraParas(AlgoParamsCfgByUser* user, WorkModeConfig mode, FrameProfile profile) {
  cameraConfigured_ = false;
  fileHelper file;
  if (!LoadConfigFile(&file, user != nullptr ? user->pcConfigDir : nullptr, kConfigCameraFile)) {
    return STATUS_UNAVAILABLE;
  }
  std::string sec;
  if (CheckWorkMode(&file, mode, &sec) != 0) {
    ORYN_LOG_ERROR("Not existed workMode {} and frameMode {} case, please check!",
                   static_cast<uint32_t>(mode.workMode), static_cast<uint32_t>(mode.subWorkMode));
    return STATUS_UNAVAILABLE;
  }

  TofConfig& c = tofConfig;
  const TofConfig d;  // defaults of missing keys
  ReadU32(&file, sec, "WorkMode", &c.workMode, d.workMode);
  ReadU32(&file, sec, "SubWorkMode", &c.subWorkMode, d.subWorkMode);
  for (int i = 0; i < 4; ++i) {
    ReadU32(&file, sec, "SubFrameModes" + std::to_string(i), &c.subFramePhaseMode[i], d.subFramePhaseMode[i]);
  }
  for (int i = 0; i < 4; ++i) {
    ReadU32(&file, sec, "SpecialFrameModes" + std::to_string(i), &c.specFrameMode[i], d.specFrameMode[i]);
  }
  ReadU32(&file, sec, "SpecBgMode", &c.specBgMode, d.specBgMode);
  for (int i = 0; i < 4; ++i) {
    ReadU8(&file, sec, "FrameSeqSchedule" + std::to_string(i), &c.seqSchedule[i], d.seqSchedule[i]);
  }
  static const char* const kSlots[3] = {"1To4", "5To8", "Special"};
  for (int f = 0; f < 4; ++f) {
    for (int s = 0; s < 3; ++s) {
      ReadU32(&file, sec, "Frame" + std::to_string(f) + "_" + kSlots[s] + "IntTime", &c.intTime[f][s],
              d.intTime[f][s]);
    }
  }
  for (int f = 0; f < 4; ++f) {
    for (int s = 0; s < 3; ++s) {
      ReadU32(&file, sec, "Frame" + std::to_string(f) + "_" + kSlots[s] + "PhaseDiv", &c.pllDllDiv[f][s],
              d.pllDllDiv[f][s]);
    }
  }
  for (int i = 0; i < 4; ++i) {
    ReadU32(&file, sec, "NumSubFramePerFrame" + std::to_string(i), &c.numSubFramePerFrame[i],
            d.numSubFramePerFrame[i]);
  }
  ReadU32(&file, sec, "MirrorMode", &c.mirrorMode, d.mirrorMode);
  ReadU32(&file, sec, "PhaseMode", &c.phaseMode, d.phaseMode);
  ReadU32(&file, sec, "EnableLedMod", &c.ledMode, d.ledMode);
  ReadU32(&file, sec, "SeqNumPerDepthMap", &c.seqNumPerDepthMap, d.seqNumPerDepthMap);
  ReadU32(&file, sec, "MIPI_FS_FE_Pos", &c.mipiFsFePos, d.mipiFsFePos);
  ReadU32(&file, sec, "SeqRepeatMode", &c.seqRepeatMode, d.seqRepeatMode);
  ReadU32(&file, sec, "TriggerMode", &c.triggerMode, d.triggerMode);
  ReadU32(&file, sec, "SlaveTrigOnPosLevel", &c.slaveTrigOnPosLevel, d.slaveTrigOnPosLevel);
  ReadU32(&file, sec, "TSensorMode", &c.tSensorMode, d.tSensorMode);
  ReadU32(&file, sec, "performClkChanges", &c.performClkChanges, d.performClkChanges);
  ReadU32(&file, "PLL", "freq0", &c.freq0, d.freq0);
  ReadU32(&file, "PLL", "freq1", &c.freq1, d.freq1);
  ReadU32(&file, "EBDType", "ebdType", &c.ebdType, d.ebdType);

  c.roi = profile.roi;
  c.fps = profile.fps;
  c.binningMode = static_cast<uint32_t>(profile.binningMode);
  cameraConfigured_ = true;
  return STATUS_OK;
}

Status AlgoConfig::FillAlgoParas(AlgoParamsCfgByUser* user) {
  const char* configDir = (user != nullptr && user->pcConfigDir != nullptr) ? user->pcConfigDir : "";
  fileHelper file;
  if (!LoadConfigFile(&file, configDir, kConfigAlgorithmFile)) return STATUS_UNAVAILABLE;

  AlgoCfgParams p;  // every field at its default
  for (size_t i = 0; i < sizeof(kAlgoKeys) / sizeof(kAlgoKeys[0]); ++i) {
    const AlgoKey& k = kAlgoKeys[i];
    if (k.kind == Kind::Bool) {
      // The reader fills one byte; an unrecognised text keeps the default.
      char b = static_cast<char>(GetField(p, i));
      file.GetBoolValueOrDefault(k.section, k.key, &b, k.defaultValue);
      SetField(&p, i, static_cast<unsigned char>(b));
    } else {
      int v = 0;
      file.GetIntValueOrDefault(k.section, k.key, &v, k.defaultValue);
      SetField(&p, i, static_cast<uint32_t>(v));
    }
  }

  if (user != nullptr) {
    p.ae = user->bEnableAE;
    p.tDenoiseLevelDepth = static_cast<int32_t>(user->eTDenoiseLvl_Depth);
    p.sDenoiseLevelDepth = static_cast<int32_t>(user->eSDenoiseLvl_Depth);
    p.tDenoiseLevelGray = static_cast<int32_t>(user->eTDenoiseLvl_Gray);
    p.sDenoiseLevelGray = static_cast<int32_t>(user->eSDenoiseLvl_Gray);
    p.erdoLvl = static_cast<int32_t>(user->eRDOLvl);
    p.deFlyPixelStyle = user->bDeFlyPixelStyle;
    p.deHoles = user->bDeHoles;
    p.validDistMin = static_cast<int32_t>(user->usValidDistMinMM);
    p.validDistMax = static_cast<int32_t>(user->usValidDistMaxMM);
  }
  algoCfgParams = p;

  if (tofConfig.configDirCopy != nullptr) {
    std::strncpy(tofConfig.configDirCopy, configDir, kConfigPathBytes - 1);
    tofConfig.configDirCopy[kConfigPathBytes - 1] = '\0';
  }
  if (user != nullptr) {
    ORYN_LOG_INFO("algoUserCfg->usValidDistMaxMM:{}", user->usValidDistMaxMM);
    ORYN_LOG_INFO("algoUserCfg->eTDenoiseLvl_Depth {}", static_cast<uint32_t>(user->eTDenoiseLvl_Depth));
    ORYN_LOG_INFO("algoUserCfg->eRDOLvl:{}", static_cast<uint32_t>(user->eRDOLvl));
  }
  ORYN_LOG_INFO("read local config *.json File Path :{}", configDir);

  // The stages must not start on a sensor configuration that was never read.
  if (!cameraConfigured_) {
    ORYN_LOG_ERROR("camera configuration not loaded, algorithm configuration not applied");
    return STATUS_UNAVAILABLE;
  }
  for (const ConfigReceiver& receive : receivers_) {
    (void)receive(tofConfig, algoCfgParams);
  }
  return STATUS_OK;
}

void AlgoConfig::AddConfigReceiver(ConfigReceiver receiver) { receivers_.push_back(std::move(receiver)); }

void printSensorCfg(const TofConfig& cfg) {
  ORYN_LOG_DEBUG("/************KRX5830 config parameters*/");
  ORYN_LOG_DEBUG("workMode:{}, subWorkMode:{}", cfg.workMode, cfg.subWorkMode);
  for (int i = 0; i < 4; ++i) {
    ORYN_LOG_DEBUG("//////Frame {}:", i);
    ORYN_LOG_DEBUG("subFramePhaseMode {}", cfg.subFramePhaseMode[i]);
    ORYN_LOG_DEBUG("specFrameMode {}", cfg.specFrameMode[i]);
    ORYN_LOG_DEBUG("phase1To4Time {}", cfg.intTime[i][0]);
    ORYN_LOG_DEBUG("phase5To8Time {}", cfg.intTime[i][1]);
    ORYN_LOG_DEBUG("specialPhaseTime {}", cfg.intTime[i][2]);
    ORYN_LOG_DEBUG("phase1To4PllDllDiv {}", cfg.pllDllDiv[i][0]);
    ORYN_LOG_DEBUG("phase5To8PllDllDiv {}", cfg.pllDllDiv[i][1]);
    ORYN_LOG_DEBUG("specPhasePllDllDiv {}", cfg.pllDllDiv[i][2]);
  }
  ORYN_LOG_DEBUG("seqSchedule:{}, {}, {}, {}", cfg.seqSchedule[0], cfg.seqSchedule[1], cfg.seqSchedule[2],
                 cfg.seqSchedule[3]);
  ORYN_LOG_DEBUG("mirrorMode:{}, phaseMode:{}, ledMode:{}, seqNumPerDepthMap:{}", cfg.mirrorMode, cfg.phaseMode,
                 cfg.ledMode, cfg.seqNumPerDepthMap);
  ORYN_LOG_DEBUG("mipiFsFePos {}", cfg.mipiFsFePos);
  ORYN_LOG_DEBUG("seqRepeatMode {}", cfg.seqRepeatMode);
  ORYN_LOG_DEBUG("triggerMode {}", cfg.triggerMode);
  ORYN_LOG_DEBUG("slaveTrigOnPosLevel {}", cfg.slaveTrigOnPosLevel);
  ORYN_LOG_DEBUG("tSensorMode {}", cfg.tSensorMode);
  ORYN_LOG_DEBUG("//////ROI");
  ORYN_LOG_DEBUG("xSize:{}, ySize:{}, xStart:{},yStart:{}, xStep:{}, yStep:{}", cfg.roi.xSize, cfg.roi.ySize,
                 cfg.roi.xStart, cfg.roi.yStart, cfg.roi.xStep, cfg.roi.yStep);
  ORYN_LOG_DEBUG("fps:{}, binning mode:{}", cfg.fps, cfg.binningMode);
}

}  // namespace OrynSdk
