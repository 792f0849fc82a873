#pragma once
/// @file VeltorTypes.h
/// Value types shared by the camera, the sensor back-ends and the device
/// models: result codes, connection/device/frame kinds, frame geometry, the
/// camera description, controls and the board classification.

#include <cstdint>

namespace Veltor {

/// Result codes of the camera side, carried as plain int.
enum TofErrorCode : int32_t {
    VeltorSuccess = 0,
    VeltorInvalidParameter = 1,
    VeltorNoCache = 2,
    VeltorUnkownDevice = 3,
    VeltorNotImplemented = 4,
    VeltorNoPermission = 5,
    VeltorSkipFrame = 240,
    VeltorSystemError = -2,
    VeltorUnkownError = -1,
};

/// Constant text of a result code; unknown values give "Unknown error".
const char* to_str(TofErrorCode code);
inline const char* to_str(int code) { return to_str(static_cast<TofErrorCode>(code)); }

/// Sensor back-end reached by `VeltorTOFCamera::open`.
enum Connection : int32_t {
    CSI = 0,
    USB = 1,
};

/// Device model chosen from the sensor resolution.
enum DeviceType : int32_t {
    VGA = 0,
    HQVGA = 1,
};

/// Output kind requested from the camera (only RAW and DEPTH are valid there)
/// and the kind of an individual image inside a frame.
enum FrameType : int32_t {
    RAW = 0,
    CONFIDENCE = 1,
    DEPTH = 2,
    AMPLITUDE = 3,
    CACHE = 4,
};

/// Geometry of one image.
struct FrameFormat {
    uint32_t width = 0;      ///< pixels per row
    uint32_t height = 0;     ///< rows
    FrameType type = RAW;    ///< which image this format describes
    uint64_t timestamp = 0;  ///< capture time in milliseconds, 0 when none
};

/// Description of an opened camera (32 bytes; back-ends copy it whole).
struct CameraInfo {
    uint32_t index = 0;          ///< device index given to open
    Connection connect = CSI;    ///< back-end
    DeviceType device_type = VGA;
    FrameType type = RAW;        ///< output kind requested at start
    uint32_t width = 0;          ///< sensor frame width
    uint32_t height = 0;         ///< sensor frame height
    uint32_t bit_width = 0;      ///< bits per sample reported by the sensor
    uint32_t bpp = 0;            ///< bytes per sample
};
static_assert(sizeof(CameraInfo) == 32, "CameraInfo is copied as 32 bytes");

/// Camera controls (integer-valued, and the text-valued ones from 256 on).
enum Control : int32_t {
    RANGE = 0,
    FMT_WIDTH = 1,
    FMT_HEIGHT = 2,
    MODE = 3,
    FRAME_MODE = 4,
    EXPOSURE = 5,
    FRAME_RATE = 6,
    SKIP_FRAME = 7,
    SKIP_FRAME_LOOP = 8,
    AUTO_FRAME_RATE = 9,
    INTRINSIC_FX = 10,
    INTRINSIC_FY = 11,
    INTRINSIC_CX = 12,
    INTRINSIC_CY = 13,
    DENOISE = 14,
    HFLIP = 15,
    VFLIP = 16,
    CONFIG_DIR_EXT = 256,
    LOAD_CALI_DATA = 257,
    SAVE_CALI_DATA = 258,
    I2C_BY_PASS = 259,
    I2C_BUS_NUM = 260,
};

/// Values of Control MODE; the processing library numbers its work modes the
/// same way. Scoped because several member names recur in TofFrameWorkMode.
enum class TofWorkMode : int32_t {
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

/// Sub-frame sequences (same numbering as the processing library's frame
/// work modes).
enum class TofFrameWorkMode : int32_t {
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
    BG_OUTDOOR = 18,
    GRAY_ONLY = 19,
    CUSTOM = 20,
};

/// Board the camera runs on, from the device-tree model string. Values 1 and
/// 5 are never produced.
enum PlatformKind : uint32_t {
    PLATFORM_UNKNOWN = 0,
    PLATFORM_JETSON_NANO = 2,
    PLATFORM_JETSON = 3,
    PLATFORM_JETSON_ORIN = 4,
    PLATFORM_RASPBERRY_PI = 6,
    PLATFORM_RASPBERRY_PI_5 = 7,
    PLATFORM_ROCKCHIP = 8,
};

/// Classifies a device-tree model string (first line of the model file).
PlatformKind classifyPlatform(const char* model);

}  // namespace Veltor
