// Records raw captures of a streaming camera (CSI or USB, real or
// simulated) into the evaluation kit's raw recording format, which the kit's
// playback replays through the same USB back-end path.
#pragma once

#include <cstdint>
#include <string>

#include "VeltorTOFCamera.h"

namespace Veltor {

struct RawRecordingResult {
    int captures = 0;      // captures written
    std::string error;     // empty on success
};

/// Streams RAW frames from an opened (not started) camera and writes
/// `captures` of them to path; stops the camera at the end. Only the
/// four-phase 240 x 180 family is supported. The recording holds the
/// sensor's 12-bit samples in the order the sensor sent them, so it must be
/// replayed with the range it was recorded with.
RawRecordingResult recordRawCaptures(VeltorTOFCamera& camera, const std::string& path, int captures,
                                     int16_t frameTimeoutMs = 3000);

}  // namespace Veltor
