// Settings of the simulated kit, read from a scene file or built in.
#ifndef VELTOR_EVK_CONFIG_H
#define VELTOR_EVK_CONFIG_H

#include <cstdint>
#include <string>

namespace veltor_evk {

class IniFile;

enum class SceneType { Plane, TiltedPlane, Boxes, Sphere };

struct SimConfig {
    // [camera]
    std::string family = "hqvga";
    int frameRate = 30;         // captures per second
    bool bypass = false;        // mode value reported: bypass or tunnel
    int bitWidth = 12;          // 8, 10, 12 or 14 significant bits per sample
    int exposureUs = 400;       // initial exposure, microseconds
    int rangeMm = 4000;         // initial range registers: 2000 or 4000
    int subFrameMs = 4;         // spacing of the sub-frames of one capture
    bool realtime = true;       // pace on the wall clock, else a virtual clock
    bool radial = false;        // encode the path length along each ray, not z

    // [scene]
    SceneType type = SceneType::Boxes;
    double distanceMm = 1500.0;
    double tiltDeg = 30.0;
    double radiusMm = 300.0;
    double backgroundMm = -1.0;  // boxes and sphere: wall distance; <0: distance + 1000; 0: none
    double reflectivity = 0.5;
    double ambient = 100.0;      // counts per tap for a white surface at 400 us
    double noise = 1.0;          // noise scale; 0 turns every noise source off
    uint64_t seed = 1;

    // [playback]
    std::string playbackFile;    // raw recording replayed instead of rendering

    // [faults], probabilities per sub-frame
    double dropRate = 0.0;
    double timeoutRate = 0.0;
    double wrongSizeRate = 0.0;
    int timeoutMs = 100;         // how long a failing capture waits (realtime only)
    uint64_t faultSeed = 0;      // 0: derived from seed
};

// Fills cfg from a parsed scene file. Unknown sections or keys, missing
// required keys and bad values fail with a message naming the line.
// baseDir resolves a relative playback file.
bool configFromIni(const IniFile& ini, const std::string& baseDir, SimConfig& cfg, std::string& error);

// Reads a scene file into cfg.
bool loadSceneFile(const std::string& path, SimConfig& cfg, std::string& error);

const char* sceneTypeName(SceneType t);

}  // namespace veltor_evk

#endif
