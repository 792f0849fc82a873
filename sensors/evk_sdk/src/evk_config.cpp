#include "evk_config.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include "evk_ini.h"

namespace veltor_evk {

namespace {

std::string where(const IniItem& item, const std::string& section) {
    return "line " + std::to_string(item.line) + ": [" + section + "] " + item.key;
}

bool parseDouble(const IniItem& item, const std::string& section, double lo, double hi, double& out,
                 std::string& error) {
    const char* s = item.value.c_str();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s, &end);
    if (item.value.empty() || end == s || *end != '\0' || errno == ERANGE || !std::isfinite(v)) {
        error = where(item, section) + ": \"" + item.value + "\" is not a number";
        return false;
    }
    if (v < lo || v > hi) {
        error = where(item, section) + ": " + item.value + " is outside " + std::to_string(lo) + " .. " +
                std::to_string(hi);
        return false;
    }
    out = v;
    return true;
}

bool parseInt(const IniItem& item, const std::string& section, long lo, long hi, long& out, std::string& error) {
    const char* s = item.value.c_str();
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(s, &end, 10);
    if (item.value.empty() || end == s || *end != '\0' || errno == ERANGE) {
        error = where(item, section) + ": \"" + item.value + "\" is not a whole number";
        return false;
    }
    if (v < lo || v > hi) {
        error = where(item, section) + ": " + item.value + " is outside " + std::to_string(lo) + " .. " +
                std::to_string(hi);
        return false;
    }
    out = v;
    return true;
}

bool parseSeed(const IniItem& item, const std::string& section, uint64_t& out, std::string& error) {
    const char* s = item.value.c_str();
    char* end = nullptr;
    errno = 0;
    unsigned long long v = std::strtoull(s, &end, 10);
    if (item.value.empty() || item.value[0] == '-' || end == s || *end != '\0' || errno == ERANGE) {
        error = where(item, section) + ": \"" + item.value + "\" is not a seed (a whole number >= 0)";
        return false;
    }
    out = v;
    return true;
}

using Handler = std::function<bool(const IniItem&, const std::string&, SimConfig&, std::string&)>;

Handler intKey(long lo, long hi, int SimConfig::*field) {
    return [=](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
        long v = 0;
        if (!parseInt(it, sec, lo, hi, v, e)) return false;
        c.*field = static_cast<int>(v);
        return true;
    };
}

Handler boolKey(bool SimConfig::*field) {
    return [=](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
        long v = 0;
        if (!parseInt(it, sec, 0, 1, v, e)) return false;
        c.*field = v != 0;
        return true;
    };
}

Handler doubleKey(double lo, double hi, double SimConfig::*field) {
    return [=](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
        return parseDouble(it, sec, lo, hi, c.*field, e);
    };
}

Handler seedKey(uint64_t SimConfig::*field) {
    return [=](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
        return parseSeed(it, sec, c.*field, e);
    };
}

const std::map<std::string, std::map<std::string, Handler>>& keyTable() {
    static const std::map<std::string, std::map<std::string, Handler>> table = {
        {"camera",
         {
             {"family",
              [](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
                  if (it.value == "hqvga") {
                      c.family = it.value;
                      return true;
                  }
                  if (it.value == "vga")
                      e = where(it, sec) + ": the 640 x 480 family (vga) is not simulated yet; use hqvga";
                  else
                      e = where(it, sec) + ": unknown family \"" + it.value + "\" (expected hqvga)";
                  return false;
              }},
             {"frame_rate", intKey(1, 50, &SimConfig::frameRate)},
             {"bypass", boolKey(&SimConfig::bypass)},
             {"bit_width",
              [](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
                  long v = 0;
                  if (!parseInt(it, sec, 8, 14, v, e)) return false;
                  if (v != 8 && v != 10 && v != 12 && v != 14) {
                      e = where(it, sec) + ": bit width must be 8, 10, 12 or 14";
                      return false;
                  }
                  c.bitWidth = static_cast<int>(v);
                  return true;
              }},
             {"exposure_us", intKey(1, 65523, &SimConfig::exposureUs)},
             {"range_mm",
              [](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
                  long v = 0;
                  if (!parseInt(it, sec, 2000, 4000, v, e)) return false;
                  if (v != 2000 && v != 4000) {
                      e = where(it, sec) + ": range must be 2000 or 4000";
                      return false;
                  }
                  c.rangeMm = static_cast<int>(v);
                  return true;
              }},
             {"sub_frame_ms", intKey(1, 100, &SimConfig::subFrameMs)},
             {"realtime", boolKey(&SimConfig::realtime)},
             {"radial", boolKey(&SimConfig::radial)},
         }},
        {"scene",
         {
             {"type",
              [](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
                  static const std::map<std::string, SceneType> types = {{"plane", SceneType::Plane},
                                                                         {"tilted_plane", SceneType::TiltedPlane},
                                                                         {"boxes", SceneType::Boxes},
                                                                         {"sphere", SceneType::Sphere}};
                  auto found = types.find(it.value);
                  if (found == types.end()) {
                      e = where(it, sec) + ": unknown scene type \"" + it.value +
                          "\" (expected plane, tilted_plane, boxes or sphere)";
                      return false;
                  }
                  c.type = found->second;
                  return true;
              }},
             {"distance_mm", doubleKey(50.0, 20000.0, &SimConfig::distanceMm)},
             {"tilt_deg", doubleKey(-80.0, 80.0, &SimConfig::tiltDeg)},
             {"radius_mm", doubleKey(10.0, 5000.0, &SimConfig::radiusMm)},
             {"background_mm", doubleKey(0.0, 20000.0, &SimConfig::backgroundMm)},
             {"reflectivity", doubleKey(0.0, 1.0, &SimConfig::reflectivity)},
             {"ambient", doubleKey(0.0, 100000.0, &SimConfig::ambient)},
             {"noise", doubleKey(0.0, 100.0, &SimConfig::noise)},
             {"seed", seedKey(&SimConfig::seed)},
         }},
        {"playback",
         {
             {"file",
              [](const IniItem& it, const std::string& sec, SimConfig& c, std::string& e) {
                  if (it.value.empty()) {
                      e = where(it, sec) + ": empty file name";
                      return false;
                  }
                  c.playbackFile = it.value;
                  return true;
              }},
         }},
        {"faults",
         {
             {"drop_rate", doubleKey(0.0, 1.0, &SimConfig::dropRate)},
             {"timeout_rate", doubleKey(0.0, 1.0, &SimConfig::timeoutRate)},
             {"wrong_size_rate", doubleKey(0.0, 1.0, &SimConfig::wrongSizeRate)},
             {"timeout_ms", intKey(0, 10000, &SimConfig::timeoutMs)},
             {"seed", seedKey(&SimConfig::faultSeed)},
         }},
    };
    return table;
}

}  // namespace

const char* sceneTypeName(SceneType t) {
    switch (t) {
        case SceneType::Plane: return "plane";
        case SceneType::TiltedPlane: return "tilted_plane";
        case SceneType::Boxes: return "boxes";
        case SceneType::Sphere: return "sphere";
    }
    return "?";
}

bool configFromIni(const IniFile& ini, const std::string& baseDir, SimConfig& cfg, std::string& error) {
    const auto& table = keyTable();
    for (const auto& section : ini.sections()) {
        if (section.name.empty()) {
            if (!section.items.empty()) {
                error = "line " + std::to_string(section.items.front().line) + ": key \"" +
                        section.items.front().key + "\" before the first [section]";
                return false;
            }
            continue;
        }
        auto keys = table.find(section.name);
        if (keys == table.end()) {
            error = "line " + std::to_string(section.line) + ": unknown section [" + section.name +
                    "] (expected camera, scene, playback or faults)";
            return false;
        }
        std::vector<std::string> seen;
        for (const auto& item : section.items) {
            auto handler = keys->second.find(item.key);
            if (handler == keys->second.end()) {
                error = "line " + std::to_string(item.line) + ": unknown key \"" + item.key + "\" in section [" +
                        section.name + "]";
                return false;
            }
            for (const auto& k : seen)
                if (k == item.key) {
                    error = "line " + std::to_string(item.line) + ": key \"" + item.key + "\" repeated in [" +
                            section.name + "]";
                    return false;
                }
            seen.push_back(item.key);
            if (!handler->second(item, section.name, cfg, error)) return false;
        }
    }

    if (ini.find("camera", "family") == nullptr) {
        error = "missing key \"family\" in section [camera]";
        return false;
    }
    const bool hasPlayback = ini.section("playback") != nullptr;
    if (hasPlayback) {
        if (ini.find("playback", "file") == nullptr) {
            error = "missing key \"file\" in section [playback]";
            return false;
        }
        if (!cfg.playbackFile.empty() && cfg.playbackFile[0] != '/' && !baseDir.empty())
            cfg.playbackFile = baseDir + "/" + cfg.playbackFile;
    } else if (ini.find("scene", "type") == nullptr) {
        error = "missing key \"type\" in section [scene] (or a [playback] file)";
        return false;
    }
    if (cfg.dropRate + cfg.timeoutRate + cfg.wrongSizeRate > 1.0) {
        error = "[faults] drop_rate + timeout_rate + wrong_size_rate exceed 1";
        return false;
    }
    // The last sub-frame of a capture must end at least 6 ms before the next
    // capture starts, so a host can tell captures apart by the gap.
    if (cfg.subFrameMs * 3 + 6 > 1000 / cfg.frameRate) {
        error = "[camera] sub-frames " + std::to_string(cfg.subFrameMs) + " ms apart do not fit in a frame at " +
                std::to_string(cfg.frameRate) + " frames per second";
        return false;
    }
    return true;
}

bool loadSceneFile(const std::string& path, SimConfig& cfg, std::string& error) {
    IniFile ini;
    if (!ini.load(path, error)) return false;
    std::string baseDir;
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) baseDir = path.substr(0, slash == 0 ? 1 : slash);
    if (!configFromIni(ini, baseDir, cfg, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace veltor_evk
