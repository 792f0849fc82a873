// Default configuration files that the camera writes for the processing
// library before its first start: "ConfigAlgorithm.json", "ConfigCamera.json"
// and "register.json". All three are section / key=value texts (the ".json"
// extension is historical), lines ending with a single line feed.
#pragma once

#include <string>

namespace Veltor {

extern const char* const kConfigAlgorithmFileName;  // "ConfigAlgorithm.json"
extern const char* const kConfigCameraFileName;     // "ConfigCamera.json"
extern const char* const kRegisterFileName;         // "register.json"

/// Text of "ConfigAlgorithm.json" (311 bytes, final line feed).
std::string defaultAlgorithmConfigText();
/// Text of "ConfigCamera.json" (9,572 bytes, no final line feed): EBDType,
/// PLL, VideoInfo and the seven work-mode sections.
std::string defaultCameraConfigText();
/// Text of "register.json" (946 bytes, no final line feed).
std::string defaultRegisterText();

/// Creates or truncates the three files in `dir` ("" or "." for the working
/// directory), in the order algorithm, camera, register, each written in one
/// piece. Returns 0, or -1 as soon as a file cannot be opened for writing
/// (the files before it stay written). Write and close errors are not
/// reported.
int writeDefaultConfigFiles(const std::string& dir = "");

}  // namespace Veltor
