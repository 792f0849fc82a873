// Fuzz target of the configuration reader: arbitrary bytes are loaded as a
// configuration file, every section and key is looked up through each typed
// getter, and the same bytes go through the camera and algorithm readers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "algo_config.h"
#include "fileHelper.h"
#include "log_wrapper.h"

namespace {

// A private directory for the two files, removed at exit.
std::string g_workDir;

void RemoveWorkDir() {
  std::remove((g_workDir + "/ConfigCamera.json").c_str());
  std::remove((g_workDir + "/ConfigAlgorithm.json").c_str());
  ::rmdir(g_workDir.c_str());
}

const std::string& WorkDir() {
  if (g_workDir.empty()) {
    std::string tmpl = "/tmp/fuzz_config_reader_XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    g_workDir = tmpl;
    std::atexit(RemoveWorkDir);
  }
  return g_workDir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    Logger::GetInstance()->SetLogLevel("off", true);
    return true;
  }();
  (void)quiet;

  const std::string& dir = WorkDir();
  WriteFile(dir + "/ConfigCamera.json", data, size);
  WriteFile(dir + "/ConfigAlgorithm.json", data, size);

  OrynSdk::fileHelper reader;
  reader.Load(dir + "/ConfigCamera.json");
  std::vector<std::string> names;
  reader.GetSections(names);
  for (const std::string& name : names) {
    const OrynSdk::fileSection* section = reader.getSection(name);
    if (section == nullptr) __builtin_trap();
    for (const OrynSdk::fileItem& item : section->items) {
      std::string s;
      int i = 0;
      double d = 0;
      char b = 0;
      if (reader.GetStringValue(name, item.key, &s) != 0) __builtin_trap();
      reader.GetIntValueOrDefault(name, item.key, &i, 1);
      reader.GetDoubleValueOrDefault(name, item.key, &d, 1.0);
      reader.GetBoolValueOrDefault(name, item.key, &b, 1);
    }
  }

  OrynSdk::AlgoParamsCfgByUser user{};
  user.pcConfigDir = dir.c_str();
  OrynSdk::AlgoConfig cfg;
  OrynSdk::FrameProfile profile{};
  profile.roi = OrynSdk::ROI{640, 480, 0, 0, 1, 1};
  cfg.FillCameraParas(&user, {OrynSdk::DOUBLE_FREQ, OrynSdk::DOUBLE_FREQ_4PHASE_GRAY_4PHASE_BG}, profile);
  cfg.FillAlgoParas(&user);
  OrynSdk::printSensorCfg(cfg.tofConfig);
  return 0;
}
