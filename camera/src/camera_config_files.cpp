#include "camera_config_files.h"

#include <cstdio>
#include <string>

namespace Veltor {

const char* const kConfigAlgorithmFileName = "ConfigAlgorithm.json";
const char* const kConfigCameraFileName = "ConfigCamera.json";
const char* const kRegisterFileName = "register.json";

namespace {

constexpr int kModeCount = 7;

const char* const kModeSectionNames[kModeCount] = {
    "Signle-4PHASE", "Signle-4PHASE_GRAY", "Double-4PHASE_4PHASE", "Double-4PHASE_GRAY_4PHASE_BG",
    "Gray-Only",     "BGOUTDOOR",          "Signal-BG-GRAY-BG-4PHASE"};

struct ModeKey {
  const char* key;
  unsigned values[kModeCount];
};

constexpr unsigned kOn = 1000000;  // integration time of an active group, us

// The 53 keys of every work-mode section, in file order, one value per mode.
const ModeKey kModeKeys[] = {
    {"WorkMode", {0, 0, 1, 1, 8, 7, 0}},
    {"SubWorkMode", {1, 2, 10, 11, 19, 18, 8}},
    {"SubFrameModes0", {0, 5, 0, 5, 4, 4, 4}},
    {"SubFrameModes1", {0, 0, 0, 5, 0, 0, 4}},
    {"SubFrameModes2", {0, 0, 0, 0, 0, 0, 4}},
    {"SubFrameModes3", {0, 0, 0, 0, 0, 0, 0}},
    {"SpecialFrameModes0", {0, 1, 0, 1, 1, 2, 2}},
    {"SpecialFrameModes1", {0, 0, 0, 2, 0, 0, 1}},
    {"SpecialFrameModes2", {0, 0, 0, 0, 0, 0, 2}},
    {"SpecialFrameModes3", {0, 0, 0, 0, 0, 0, 0}},
    {"SpecBgMode", {0, 0, 0, 0, 0, 0, 0}},
    {"FrameSeqSchedule0", {0, 0, 0, 0, 0, 0, 0}},
    {"FrameSeqSchedule1", {1, 1, 1, 1, 1, 1, 1}},
    {"FrameSeqSchedule2", {2, 2, 2, 2, 2, 2, 2}},
    {"FrameSeqSchedule3", {3, 3, 3, 3, 3, 3, 3}},
    {"Frame0_1To4IntTime", {kOn, kOn, kOn, kOn, 0, 0, 0}},
    {"Frame0_5To8IntTime", {0, 0, 0, 0, 0, 0, 0}},
    {"Frame0_SpecialIntTime", {0, kOn, 0, kOn, kOn, kOn, kOn}},
    {"Frame1_1To4IntTime", {0, 0, kOn, kOn, 0, 0, 0}},
    {"Frame1_5To8IntTime", {0, 0, 0, 0, 0, 0, 0}},
    {"Frame1_SpecialIntTime", {0, 0, 0, kOn, 0, 0, kOn}},
    {"Frame2_1To4IntTime", {0, 0, 0, 0, 0, 0, 0}},
    {"Frame2_5To8IntTime", {0, 0, 0, 0, 0, 0, 0}},
    {"Frame2_SpecialIntTime", {0, 0, 0, 0, 0, 0, kOn}},
    {"Frame3_1To4IntTime", {0, 0, 0, 0, 0, 0, kOn}},
    {"Frame3_5To8IntTime", {0, 0, 0, 0, 0, 0, 0}},
    {"Frame3_SpecialIntTime", {0, 0, 0, 0, 0, 0, 0}},
    {"Frame0_1To4PhaseDiv", {4, 4, 4, 4, 2, 2, 2}},
    {"Frame0_5To8PhaseDiv", {2, 2, 2, 2, 2, 2, 2}},
    {"Frame0_SpecialPhaseDiv", {24, 24, 24, 24, 24, 24, 24}},
    {"Frame1_1To4PhaseDiv", {2, 2, 24, 24, 2, 2, 2}},
    {"Frame1_5To8PhaseDiv", {2, 2, 2, 2, 2, 2, 2}},
    {"Frame1_SpecialPhaseDiv", {24, 24, 24, 24, 24, 24, 24}},
    {"Frame2_1To4PhaseDiv", {2, 2, 2, 2, 2, 2, 2}},
    {"Frame2_5To8PhaseDiv", {2, 2, 2, 2, 2, 2, 2}},
    {"Frame2_SpecialPhaseDiv", {24, 24, 24, 24, 24, 24, 24}},
    {"Frame3_1To4PhaseDiv", {2, 2, 2, 2, 2, 2, 4}},
    {"Frame3_5To8PhaseDiv", {2, 2, 2, 2, 2, 2, 2}},
    {"Frame3_SpecialPhaseDiv", {24, 24, 24, 24, 24, 24, 24}},
    {"NumSubFramePerFrame0", {1, 1, 1, 1, 1, 1, 1}},
    {"NumSubFramePerFrame1", {0, 0, 1, 1, 0, 0, 1}},
    {"NumSubFramePerFrame2", {0, 0, 0, 0, 0, 0, 1}},
    {"NumSubFramePerFrame3", {0, 0, 0, 0, 0, 0, 1}},
    {"MirrorMode", {0, 0, 0, 0, 0, 0, 0}},
    {"PhaseMode", {0, 0, 0, 0, 0, 0, 0}},
    {"EnableLedMod", {1, 1, 1, 1, 1, 1, 1}},
    {"SeqNumPerDepthMap", {1, 1, 1, 1, 1, 1, 1}},
    {"MIPI_FS_FE_Pos", {0, 0, 0, 0, 0, 0, 3}},
    {"SeqRepeatMode", {1, 1, 1, 1, 1, 1, 1}},
    {"TriggerMode", {1, 1, 1, 1, 1, 1, 1}},
    {"SlaveTrigOnPosLevel", {0, 0, 0, 0, 0, 0, 0}},
    {"TSensorMode", {1, 1, 1, 1, 1, 1, 1}},
    {"performClkChanges", {0, 0, 0, 0, 0, 0, 0}},
};

constexpr int kKeyCount = static_cast<int>(sizeof(kModeKeys) / sizeof(kModeKeys[0]));
static_assert(kKeyCount == 53, "every work-mode section has 53 keys");

// Index of the first key of each commented group.
enum : int {
  kSubFrameModes = 2,
  kSpecialFrameModes = 6,
  kFrameSeqSchedule = 11,
  kIntTimes = 15,
  kPhaseDivs = 27,
  kNumSubFrame = 39,
};

// Comments that the shipped files carry as they stand instead of restating
// the section's values.
struct CommentOverride {
  int mode;
  int firstKey;
  const char* text;
};
const CommentOverride kCommentOverrides[] = {
    {2, kPhaseDivs, "//PLLDLLDivs={{5,2,24},{2,2,24},{2,2,24},{2,2,24}}"},
    {4, kSpecialFrameModes, "//SpecialFrameModes={0,0,0,0}"},
    {5, kSpecialFrameModes, "//SpecialFrameModes={0,0,0,0}"},
    {6, kSpecialFrameModes, "//SpecialFrameModes={0,0,0,0}"},
    {6, kPhaseDivs, "//PLLDLLDivs={{2,2,24},{2,2,24},{2,2,24},{2,2,24}}"},
    {6, kNumSubFrame, "//NumSubFramePerFrame={1,0,0,0}"},
};

std::string flatGroup(int mode, int first) {
  std::string s = "{";
  for (int k = 0; k < 4; ++k) {
    if (k > 0) s += ",";
    s += std::to_string(kModeKeys[first + k].values[mode]);
  }
  return s + "}";
}

// Four frames of three values (1To4, 5To8, Special).
std::string frameGroups(int mode, int first) {
  std::string s = "{";
  for (int frame = 0; frame < 4; ++frame) {
    if (frame > 0) s += ",";
    s += "{";
    for (int k = 0; k < 3; ++k) {
      if (k > 0) s += ",";
      s += std::to_string(kModeKeys[first + frame * 3 + k].values[mode]);
    }
    s += "}";
  }
  return s + "}";
}

std::string groupComment(int mode, int key) {
  for (const CommentOverride& o : kCommentOverrides) {
    if (o.mode == mode && o.firstKey == key) return o.text;
  }
  switch (key) {
    case kSubFrameModes:
      return "//SubFrameModes0=" + flatGroup(mode, key);
    case kSpecialFrameModes:
      return "//SpecialFrameModes=" + flatGroup(mode, key);
    case kFrameSeqSchedule:
      return "//FrameSeqSchedule=" + flatGroup(mode, key);
    case kIntTimes:
      return "//IntegrationTimes=" + frameGroups(mode, key);
    case kPhaseDivs:
      return "//PLLDLLDivs=" + frameGroups(mode, key);
    case kNumSubFrame:
      return "//NumSubFramePerFrame=" + flatGroup(mode, key);
    default:
      return "";
  }
}

std::string modeSection(int mode) {
  std::string s = std::string("[") + kModeSectionNames[mode] + "]\n";
  for (int key = 0; key < kKeyCount; ++key) {
    const std::string comment = groupComment(mode, key);
    if (!comment.empty()) s += comment + "\n";
    s += std::string(kModeKeys[key].key) + "=" + std::to_string(kModeKeys[key].values[mode]) + "\n";
  }
  return s;
}

const char* const kSensorRegisters[] = {
    "0x0C28=0x00000000", "0x0C02=0x00011410", "0x0224=0x00000001", "0x0C07=0x0800108A",
    "0x0C20=0x14000000", "0x0432=0x0d6649A6", "0x0721=0x0000000F", "0x072B=0x13271313",
    "0x0C01=0x00000053", "0x0C04=0x00000002", "0x0437=0x04285602", "0x0408=0x80000255",
    "0x0AB4=0x00000303", "0x0435=0x0000007f", "0x0C06=0x00641203", "0x0482=0x08384100",
    "0x0487=0x08384100", "0x048C=0x08384100", "0x0491=0x08384100", "0x0402=0x01600A00",
    "0x0475=0x00000064", "0x0476=0x000003E8", "0x0434=0x11190720", "0x0429=0x00989680",
};
const char* const kSensorRegistersSecond[] = {
    "0x0722=0x00072020", "0x0725=0x00202003", "0x0708=0x10130002", "0x0709=0x01940201",
    "0x070a=0x01019201", "0x070b=0x9a0101a4", "0x070c=0x019b0101", "0x070D=0x00009c01",
};
const char* const kDriverRegisters[] = {
    "0x00=0x10", "0x01=0x7a", "0x02=0xca", "0x03=0x22", "0x04=0x14", "0x05=0x42", "0x06=0x9a",
    "0x07=0x42", "0x08=0xca", "0x09=0x07", "0x0a=0x06", "0x0b=0xd5", "0x0c=0x28", "0x0d=0x90",
    "0x0e=0xd0", "0x0F=0xd3", "0x10=0x0c", "0x11=0x00", "0x12=0x01", "0x13=0x11", "0x23=0x04",
    "0x24=0xE0", "0x25=0x00", "0x26=0x0a", "0x27=0x01", "0x28=0x00", "0x29=0x05", "0x2b=0xf1",
    "0x2c=0xc8", "0x2d=0x03", "0x2e=0x01", "0x2f=0xe0", "0x30=0xff", "0x31=0x00", "0x32=0x00",
};

// Creates or truncates `name` in `dir` and writes `text` in one piece.
bool writeWhole(const std::string& dir, const char* name, const std::string& text) {
  const std::string path = (dir.empty() || dir == ".") ? std::string(name) : dir + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return true;
}

}  // namespace

std::string defaultAlgorithmConfigText() {
  return "[DenoisingParams]\n"
         "TDenoiseLevel_Depth=3\n"
         "SDenoiseLevel_Depth=3\n"
         "TDenoiseMethod_Depth=0\n"
         "SDenoiseMethod_Depth=1\n"
         "TDenoiseLevel_Gray=1\n"
         "SDenoiseLevel_Gray=1\n"
         "TDenoiseMethod_Gray=0\n"
         "SDenoiseMethod_Gray=1\n"
         "\n"
         "[OutPutParamsPP]\n"
         "OutPointCloud=false\n"
         "\n"
         "[RepairParams]\n"
         "ERDOLvl=3\n"
         "\n"
         "[ConfidenceParams]\n"
         "ValidDistMin=0\n"
         "ValidDistMax=7000\n";
}

std::string defaultCameraConfigText() {
  std::string s =
      "[EBDType]\n"
      "//2:CORR_EBD_AFTER_IMG; 4:CORR_ADDINFO_AFTER_IMG\n"
      "ebdType=4\n"
      "\n"
      "[PLL]\n"
      "freq0=120\n"
      "freq1=20\n"
      "\n"
      "[VideoInfo]\n"
      "sensorType=TOF\n"
      "sensorPath=/dev/v4l-subdev2\n"
      "ispPath=/dev/video11\n"
      "subIspPath=/dev/v4l-subdev3\n";
  for (int mode = 0; mode < kModeCount; ++mode) {
    s += "\n" + modeSection(mode);
  }
  s.pop_back();  // the file ends without a line feed
  return s;
}

std::string defaultRegisterText() {
  std::string s = "[SENSOR]\n";
  for (const char* line : kSensorRegisters) s += std::string(line) + "\n";
  s += "\n";
  for (const char* line : kSensorRegistersSecond) s += std::string(line) + "\n";
  s += "\n[VDRIVER]\n";
  bool first = true;
  for (const char* line : kDriverRegisters) {
    if (!first) s += "\n";
    s += line;
    first = false;
  }
  return s;
}

int writeDefaultConfigFiles(const std::string& dir) {
  if (!writeWhole(dir, kConfigAlgorithmFileName, defaultAlgorithmConfigText())) return -1;
  if (!writeWhole(dir, kConfigCameraFileName, defaultCameraConfigText())) return -1;
  if (!writeWhole(dir, kRegisterFileName, defaultRegisterText())) return -1;
  return 0;
}

}  // namespace Veltor
