/*
 * libveltor_evk_sdk: C interface of the USB evaluation kit.
 *
 * This build of the library is a simulated time-of-flight camera: it renders
 * raw phase sub-frames of a synthetic scene (or replays a raw recording) so
 * the camera software runs on a machine without hardware. The scene is chosen
 * by the configuration file passed through VeltorOpenParam; without one a
 * built-in default scene is used.
 *
 * Every function returns a status: VELTOR_EVK_OK (0) on success, one of the
 * negative VELTOR_EVK_ERR_* values otherwise. VeltorErrorName() turns a status
 * into its name.
 *
 * Records are laid out for 64-bit targets (pointers of 8 bytes).
 */
#ifndef VELTOR_EVK_SDK_H
#define VELTOR_EVK_SDK_H

#include <stdint.h>

#if defined(__GNUC__)
#define VELTOR_EVK_API __attribute__((visibility("default")))
#else
#define VELTOR_EVK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Status values. */
enum {
    VELTOR_EVK_OK = 0,
    VELTOR_EVK_ERR_PARAM = -1,        /**< null pointer or value out of range */
    VELTOR_EVK_ERR_NO_DEVICE = -2,    /**< no camera behind the handle */
    VELTOR_EVK_ERR_CONFIG = -3,       /**< configuration file unreadable or invalid */
    VELTOR_EVK_ERR_STATE = -4,        /**< call not allowed in the current state */
    VELTOR_EVK_ERR_TIMEOUT = -5,      /**< no frame within the time-out */
    VELTOR_EVK_ERR_NO_BUFFER = -6,    /**< every frame buffer is held by the caller */
    VELTOR_EVK_ERR_UNKNOWN_CTRL = -7, /**< unknown control name */
    VELTOR_EVK_ERR_REGISTER = -8,     /**< register not in the sensor's map */
    VELTOR_EVK_ERR_FRAME = -9,        /**< frame record not issued by this handle */
    VELTOR_EVK_ERR_IO = -10           /**< recording file unreadable */
};

/** Mode value of VeltorCameraConfig: sensor registers reached through the
 *  kit's control tunnel (the host drives exposure and frame rate through
 *  driver controls). */
#define VELTOR_EVK_MODE_TUNNEL 0x18
/** Mode value: the kit owns the sensor's I2C bus ("bypass"); exposure and
 *  frame rate are set through VeltorSetCtrl. */
#define VELTOR_EVK_MODE_BYPASS 0x19

typedef struct VeltorEvkCamera* VeltorCameraHandle;

/** Open parameters, 32 bytes. */
typedef struct VeltorOpenParam {
    const char* config_path; /**<  0: configuration (scene) file, or null */
    uint32_t usb_index;      /**<  8: kit index on the bus (one simulated kit: 0) */
    uint32_t reserved0;      /**< 12 */
    uint8_t config_is_bin;   /**< 16: 1 when config_path is a raw recording (".bin") */
    uint8_t reserved1[15];   /**< 17 */
} VeltorOpenParam;

/** Camera configuration, 80 bytes. */
typedef struct VeltorCameraConfig {
    char model[32];         /**<  0: model name, NUL-terminated */
    char serial[32];        /**< 32: serial text, NUL-terminated */
    uint32_t width;         /**< 64: pixels per row */
    uint32_t height;        /**< 68: rows per sub-frame */
    uint8_t bit_width;      /**< 72: significant bits per sample */
    uint8_t sub_frames;     /**< 73: phase sub-frames per capture */
    uint16_t frame_rate;    /**< 74: captures per second */
    uint16_t reserved;      /**< 76 */
    uint16_t mode;          /**< 78: VELTOR_EVK_MODE_TUNNEL or VELTOR_EVK_MODE_BYPASS */
} VeltorCameraConfig;

/** One sub-frame as delivered by VeltorCaptureImage, 56 bytes. The data stays
 *  valid until the record is given back with VeltorFreeImage. */
typedef struct VeltorFrame {
    uint32_t sequence;    /**<  0: running sub-frame number since start */
    uint32_t phase;       /**<  4: phase step of this sub-frame within its capture */
    uint64_t timestamp;   /**<  8: end of exposure, milliseconds (monotonic clock) */
    uint32_t width;       /**< 16 */
    uint32_t height;      /**< 20 */
    uint32_t data_size;   /**< 24: bytes at data */
    uint32_t bit_width;   /**< 28: significant bits per sample */
    void* data;           /**< 32: samples, little-endian, 1 byte each at 8 bits, else 2 */
    uint64_t buffer_id;   /**< 40: kit-internal buffer number */
    uint64_t reserved;    /**< 48 */
} VeltorFrame;

VELTOR_EVK_API int VeltorDefaultParam(VeltorOpenParam* param);
VELTOR_EVK_API int VeltorOpenCamera(VeltorCameraHandle* handle, const VeltorOpenParam* param);
VELTOR_EVK_API int VeltorInitCamera(VeltorCameraHandle handle);
VELTOR_EVK_API int VeltorGetCameraConfig(VeltorCameraHandle handle, VeltorCameraConfig* config);
VELTOR_EVK_API int VeltorStartCamera(VeltorCameraHandle handle);
VELTOR_EVK_API int VeltorCaptureImage(VeltorCameraHandle handle, VeltorFrame* frame, uint32_t timeout_ms);
VELTOR_EVK_API int VeltorFreeImage(VeltorCameraHandle handle, VeltorFrame frame);
VELTOR_EVK_API int VeltorStopCamera(VeltorCameraHandle handle);
VELTOR_EVK_API int VeltorCloseCamera(VeltorCameraHandle handle);
/** Named kit controls: "setExposure" (microseconds), "setFramerate" (captures per second). */
VELTOR_EVK_API int VeltorSetCtrl(VeltorCameraHandle handle, const char* name, int64_t value);
VELTOR_EVK_API int VeltorReadSensorReg(VeltorCameraHandle handle, uint32_t reg, uint32_t* value);
VELTOR_EVK_API int VeltorWriteSensorReg(VeltorCameraHandle handle, uint32_t reg, uint32_t value);
VELTOR_EVK_API const char* VeltorErrorName(int status);

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(void*) != 8 || sizeof(VeltorOpenParam) == 32, "open parameter record is 32 bytes");
static_assert(sizeof(VeltorCameraConfig) == 80, "camera configuration record is 80 bytes");
static_assert(sizeof(void*) != 8 || sizeof(VeltorFrame) == 56, "frame record is 56 bytes");
#endif

#endif /* VELTOR_EVK_SDK_H */
