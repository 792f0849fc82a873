// Sensor and algorithm configuration of the pipeline: the records filled
// from "ConfigCamera.json" and "ConfigAlgorithm.json" (section / key=value
// texts read with fileHelper) and the readers that fill them.
//
// Every record here is a plain structure copied by value. TofConfig and
// AlgoCfgParams are compared byte for byte, so neither has hidden padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace OrynSdk {

class fileHelper;

/// Result of the SDK layer's internal operations.
enum Status : uint32_t {
  STATUS_OK = 0,
  STATUS_BUSY = 1,
  STATUS_UNREACHABLE = 2,
  STATUS_INVALID_ARGUMENT = 3,
  STATUS_UNAVAILABLE = 4,
  STATUS_GENERIC_ERROR = 5,
  STATUS_IOCTL_ERROR = 6,
  STATUS_DATA_IGNORE = 7,
};

/// Work modes (number of modulation frequencies and special sequences).
enum TofWorkMode : uint32_t {
  SINGLE_FREQ = 0,
  DOUBLE_FREQ = 1,
  TRIPLE_FREQ = 2,
  QUAD_FREQ = 3,
  DISTANCE = 4,
  HDR = 5,
  AE = 6,
  BG_OUTDOOR = 7,
  GRAY_ONLY = 8,
  CUSTOM1 = 9,
  CUSTOM2 = 10,
  CUSTOM3 = 11,
};

/// Sub-frame sequences of one depth map (sub-work modes).
enum TofFrameWorkMode : uint32_t {
  SINGLE_FREQ_2PHASE = 0,
  SINGLE_FREQ_4PHASE = 1,
  SINGLE_FREQ_4PHASE_GRAY = 2,
  SINGLE_FREQ_4PHASE_BG = 3,
  SINGLE_FREQ_4PHASE_4BG = 4,
  SINGLE_FREQ_4PHASE_GRAY_5BG = 5,
  SINGLE_FREQ_GRAY_BG_4PHASE_GRAY_BG = 6,
  SINGLE_FREQ_GRAY_BG_4PHASE_BG = 7,
  SINGLE_FREQ_BG_GRAY_BG_4PHASE = 8,
  SINGLE_FREQ_BG_4PHASE_BG_GRAY = 9,
  DOUBLE_FREQ_4PHASE = 10,
  DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG = 11,
  DOUBLE_FREQ_4PHASE_4BG = 12,
  DOUBLE_FREQ_4PHASE_GRAY_5BG = 13,
  TRIPLE_FREQ_4PHASE = 14,
  TRIPLE_FREQ_4PHASE_GRAY_4PHASE_GRAY_4PHASE_BG = 15,
  QUAD_FREQ_4PHASE = 16,
  QUAD_FREQ_4PHASE_GRAY_4PHASE_BG_4PHASE_GRAY_4PHASE_BG = 17,
  FRAME_BG_OUTDOOR = 18,
  FRAME_GRAY_ONLY = 19,
  FRAME_CUSTOM = 20,
};

/// Read-out binning of the sensor (0 = none).
enum BinningMode : uint32_t {
  BINNING_MODE_OFF = 0,
  BINNING_MODE_2X1 = 1,  // rows binned in pairs: half height
  BINNING_MODE_1X2 = 2,  // columns binned in pairs: half width
  BINNING_MODE_2X2 = 3,
  BINNING_MODE_4X4 = 4,
};

/// Denoising / outlier-removal level, 0 (off) to 5.
enum DENOISE_LEVEL : uint32_t {
  DENOISE_LEVEL_0 = 0,
  DENOISE_LEVEL_1 = 1,
  DENOISE_LEVEL_2 = 2,
  DENOISE_LEVEL_3 = 3,
  DENOISE_LEVEL_4 = 4,
  DENOISE_LEVEL_5 = 5,
};

struct ROI {
  uint16_t xSize;
  uint16_t ySize;
  uint16_t xStart;
  uint16_t yStart;
  uint16_t xStep;
  uint16_t yStep;
};

struct FrameProfile {
  uint16_t fps;
  ROI roi;
  BinningMode binningMode;
};

struct WorkModeConfig {
  TofWorkMode workMode;
  TofFrameWorkMode subWorkMode;
};

/// Settings of the handle that win over "ConfigAlgorithm.json".
struct AlgoParamsCfgByUser {
  uint32_t bEnableAE;                 // OthersParams / AE
  DENOISE_LEVEL eTDenoiseLvl_Depth;   // DenoisingParams / TDenoiseLevel_Depth
  DENOISE_LEVEL eSDenoiseLvl_Depth;   // DenoisingParams / SDenoiseLevel_Depth
  DENOISE_LEVEL eTDenoiseLvl_Gray;    // DenoisingParams / TDenoiseLevel_Gray
  DENOISE_LEVEL eSDenoiseLvl_Gray;    // DenoisingParams / SDenoiseLevel_Gray
  DENOISE_LEVEL eRDOLvl;              // RepairParams / ERDOLvl
  uint32_t bDeFlyPixelStyle;          // RepairParams / DeFlyPixelStyle
  uint8_t bDeHoles;                   // RepairParams / DeHoles
  uint32_t usValidDistMinMM;          // ConfidenceParams / ValidDistMin
  uint32_t usValidDistMaxMM;          // ConfidenceParams / ValidDistMax
  const char* pcConfigDir;            // directory of both files; null or "" = none
};

/// Algorithm settings, one 32-bit field per key of "ConfigAlgorithm.json",
/// each starting at the value used when its key is missing. Bool keys hold
/// 0 or 1. The first 29 fields (116 bytes) concern the correction stage,
/// the 23 from ppOutPointCloud to validDistMax (92 bytes) post-processing.
struct AlgoCfgParams {
  // OutPutParams
  uint32_t outPointCloud = 0;
  uint32_t outConfidence = 1;
  int32_t outPointCloudType = 0;
  int32_t outDepthValueType = 1;
  int32_t outDepthDataType = 0;
  // CorrParams
  uint32_t corrBP = 1;
  uint32_t corrLens = 1;
  uint32_t corrTemp = 1;
  uint32_t corrOffsetAuto = 0;
  uint32_t corrFPPN = 1;
  uint32_t corrWig = 1;
  uint32_t corrFPN = 0;
  uint32_t corrLUMA = 0;
  uint32_t corrMask = 0;
  uint32_t deMotionBlur = 0;
  uint32_t fillInvalidPixels = 1;
  uint32_t cutInvalidPixels = 1;
  uint32_t corrOffsetManual = 0;
  int32_t f1CorrOffset = 0;
  int32_t f2CorrOffset = 0;
  int32_t f3CorrOffset = 0;
  int32_t f4CorrOffset = 0;
  // FusionParams
  uint32_t sfDeAliasing = 0;
  int32_t presetMaxDist = 4000;
  uint32_t detectWB = 0;
  int32_t fusErrExpMinTsh = 30;
  // OthersParams
  uint32_t ae = 0;
  uint32_t antiAliCorr = 1;
  uint32_t registration = 1;
  // OutPutParamsPP
  uint32_t ppOutPointCloud = 0;
  uint32_t ppOutConfidence = 1;
  uint32_t ppOutFlag = 1;
  int32_t ppOutPointCloudType = 0;
  int32_t ppOutDepthValueType = 1;
  int32_t ppOutDepthDataType = 0;
  int32_t ppOutGrayDataType = 1;
  // DenoisingParams
  int32_t tDenoiseLevelDepth = 3;
  int32_t sDenoiseLevelDepth = 3;
  int32_t tDenoiseMethodDepth = 1;
  int32_t sDenoiseMethodDepth = 1;
  int32_t tDenoiseLevelGray = 1;
  int32_t sDenoiseLevelGray = 1;
  int32_t tDenoiseMethodGray = 1;
  int32_t sDenoiseMethodGray = 1;
  // RepairParams
  int32_t erdoLvl = 3;
  uint32_t deFlyPixelStyle = 0;
  uint32_t deHoles = 1;
  int32_t thRepairLowConfidence = 120;
  // AntiInterferenceParams
  uint32_t antiALI = 0;
  uint32_t antiMCI = 0;
  // ConfidenceParams
  int32_t validDistMin = 0;
  int32_t validDistMax = 7000;
  // AlgoOnoff
  int32_t useCorrParams = 1;
  int32_t usePostProcParams = 1;
};
static_assert(sizeof(AlgoCfgParams) == 54 * 4, "AlgoCfgParams is 54 consecutive 32-bit fields");

/// Sensor configuration of the current work mode, from "ConfigCamera.json".
/// Each field starts at the value used when its key is missing.
struct TofConfig {
  uint32_t workMode = 0;
  uint32_t subWorkMode = 0;
  uint32_t subFramePhaseMode[4] = {0, 0, 0, 0};
  uint32_t specFrameMode[4] = {0, 0, 0, 0};
  uint32_t specBgMode = 0;
  uint8_t seqSchedule[4] = {0, 1, 2, 3};
  // [frame][0 = phases 1 to 4, 1 = phases 5 to 8, 2 = special phase]
  uint32_t intTime[4][3] = {{1000000, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}};
  uint32_t pllDllDiv[4][3] = {{4, 2, 24}, {2, 2, 24}, {2, 2, 24}, {2, 2, 24}};
  uint32_t numSubFramePerFrame[4] = {1, 0, 0, 0};
  uint32_t mirrorMode = 0;
  uint32_t phaseMode = 0;
  uint32_t ledMode = 1;
  uint32_t seqNumPerDepthMap = 1;
  uint32_t mipiFsFePos = 0;
  uint32_t seqRepeatMode = 1;
  uint32_t triggerMode = 1;
  uint32_t slaveTrigOnPosLevel = 0;
  uint32_t tSensorMode = 1;
  uint32_t performClkChanges = 0;
  ROI roi = {0, 0, 0, 0, 0, 0};
  uint32_t fps = 0;
  uint32_t binningMode = 0;
  uint32_t reserved0 = 0;  // keeps the pointers aligned without hidden padding
  // 200-byte buffers owned by the pipeline: the EEPROM device path and the
  // copy of the configuration directory. Null until the pipeline sets them.
  char* eepromPath = nullptr;
  char* configDirCopy = nullptr;
  uint32_t freq0 = 120;   // PLL / freq0, MHz
  uint32_t freq1 = 20;    // PLL / freq1, MHz
  uint32_t ebdType = 2;   // EBDType / ebdType: 2 embedded data, 4 add-info line
  uint32_t reserved1 = 0;
};

static_assert(std::has_unique_object_representations_v<TofConfig>, "TofConfig has no hidden padding");
static_assert(std::has_unique_object_representations_v<AlgoCfgParams>, "AlgoCfgParams has no hidden padding");

/// Bytes of the buffers that TofConfig's eepromPath and configDirCopy point at.
constexpr size_t kConfigPathBytes = 200;

/// File names looked up in the configuration directory, then in the working
/// directory.
extern const char* const kConfigCameraFile;     // "ConfigCamera.json"
extern const char* const kConfigAlgorithmFile;  // "ConfigAlgorithm.json"

/// Fills the two records from the configuration files and hands copies to
/// the stage drivers that registered as receivers.
class AlgoConfig {
 public:
  /// Called by FillAlgoParas with copies of both records; the result is
  /// ignored.
  using ConfigReceiver = std::function<Status(TofConfig, AlgoCfgParams)>;

  /// Loads "ConfigCamera.json", picks the section of `mode` and fills
  /// tofConfig (roi, fps and binning from `profile`). STATUS_OK or
  /// STATUS_UNAVAILABLE (no file, no section for the mode).
  Status FillCameraParas(AlgoParamsCfgByUser* user, WorkModeConfig mode, FrameProfile profile);

  /// Name of the first section whose WorkMode and SubWorkMode equal `mode`
  /// (SubWorkMode missing reads 0; a section without WorkMode is not a
  /// work-mode section). 0, or 5 when none matches.
  static int CheckWorkMode(fileHelper* file, WorkModeConfig mode, std::string* sectionOut);

  /// Loads "ConfigAlgorithm.json" into algoCfgParams, applies the user's
  /// overrides and hands both records to the receivers. STATUS_UNAVAILABLE
  /// when the file cannot be loaded or the last FillCameraParas failed.
  Status FillAlgoParas(AlgoParamsCfgByUser* user);

  void AddConfigReceiver(ConfigReceiver receiver);

  /// True after a successful FillCameraParas.
  bool CameraConfigured() const { return cameraConfigured_; }

  TofConfig tofConfig;
  AlgoCfgParams algoCfgParams;

 private:
  bool cameraConfigured_ = false;
  std::vector<ConfigReceiver> receivers_;
};

/// Dumps a sensor configuration to the log at debug level.
void printSensorCfg(const TofConfig& cfg);

}  // namespace OrynSdk
