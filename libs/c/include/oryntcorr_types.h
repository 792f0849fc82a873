/**
 * @file oryntcorr_types.h
 * @brief Small types and enumerations of the ToF correction library that
 *        cross its C interface (usable from C and C++).
 *
 * Conventions: BBOOL is an unsigned 8-bit boolean where only 1 means TRUE;
 * every enumeration is 32 bits wide; images are row-major without row
 * padding, at most 640 x 480 pixels. The post-processing library reuses
 * BBOOL, FLAG_PIXEL, RECT16S and the output-image enumerations.
 *
 * In C++ every name lives in the namespace NAMESPACE_CORR.
 */
#ifndef ORYNTCORR_TYPES_H
#define ORYNTCORR_TYPES_H

#include <stdint.h>

/* Every enumeration is 32 bits wide. In C++ it gets a fixed underlying type,
 * so that any 32-bit value a caller stores (valid or not) is a value of the
 * type and can be checked. */
#ifndef ORYNTCORR_ENUM_BASE
#ifdef __cplusplus
#define ORYNTCORR_ENUM_BASE : int32_t
#else
#define ORYNTCORR_ENUM_BASE
#endif
#endif

#ifdef __cplusplus
namespace NAMESPACE_CORR {
extern "C" {
#endif

/** Unsigned 8-bit boolean: 1 = TRUE, 0 = FALSE; other values count as FALSE. */
typedef unsigned char BBOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/** Largest image the library accepts. */
#define CORR_MAX_IMG_WIDTH 640
#define CORR_MAX_IMG_HEIGHT 480
#define CORR_MAX_IMG_PIXELS (CORR_MAX_IMG_WIDTH * CORR_MAX_IMG_HEIGHT)
/** Most sub-frames one depth frame can carry. */
#define CORR_MAX_SUBFRAMES 18
/** Frequency slots of one depth frame. */
#define CORR_MAX_MOD_FREQS 4
/** Bytes of one embedded-data record; an add-info line carries it as 116 16-bit words. */
#define CORR_EBD_RECORD_BYTES 116
/** Bytes of the parameter line returned with every frame. */
#define CORR_PARALN_BYTES 116

/** Rectangle, inclusive corners. */
typedef struct Rect_Short16 {
    int16_t sXL; /**< left */
    int16_t sYT; /**< top */
    int16_t sXR; /**< right */
    int16_t sYB; /**< bottom */
} RECT16S;

typedef struct Coordinate2D_Short16 {
    int16_t sX;
    int16_t sY;
} COOR2D16S;

typedef struct Coordinate2D_Float32 {
    float fX;
    float fY;
} COOR2D32F;

/** Per-pixel flag byte; bit 0 is ucIsPhSubLow31. */
typedef union {
    uint8_t ucFlagValue;
    struct {
        uint8_t ucIsPhSubLow31 : 1;
        uint8_t ucIsSaturation : 1;
        uint8_t ucIsMask : 1;
        uint8_t ucIsCorrNegative : 1;
        uint8_t ucIsFusionExpand : 1;
        uint8_t ucIsFusionFail : 1;
        uint8_t ucIsFlyPixel : 1;
        uint8_t ucIsDepthAbnormal : 1;
    } stFlag;
} FLAG_PIXEL;

/** Sub-frame layout of one depth frame (SF/DF/TF/FF: one to four frequencies,
 *  BGPH: background phases per frequency). */
typedef enum ORYNTCORR_ENUM_BASE {
    CORR_USECASE_ID_UNKNOWN = 0,
    CORR_USECASE_ID_GRAY = 1,
    CORR_USECASE_ID_BG = 2,
    CORR_USECASE_ID_GRAY_BG = 3,
    CORR_USECASE_ID_BG_GRAY = 4,
    CORR_USECASE_ID_SF = 5,
    CORR_USECASE_ID_SF_GRAY = 6,
    CORR_USECASE_ID_SF_BG = 7,
    CORR_USECASE_ID_SF_GRAY_BG = 8,
    CORR_USECASE_ID_SF_BG_GRAY = 9,
    CORR_USECASE_ID_BG_GRAY_BG_SF = 10,
    CORR_USECASE_ID_BG_SF_BG_GRAY = 11,
    CORR_USECASE_ID_GRAY_BG_SF_GRAY_BG = 12,
    CORR_USECASE_ID_SF_BGPH = 13,
    CORR_USECASE_ID_SF_BGPH_GRAY = 14,
    CORR_USECASE_ID_DF = 15,
    CORR_USECASE_ID_DF_GRAY = 16,
    CORR_USECASE_ID_DF_BG = 17,
    CORR_USECASE_ID_DF_GRAY_BG = 18,
    CORR_USECASE_ID_DF_BG_GRAY = 19,
    CORR_USECASE_ID_DF_BGPH = 20,
    CORR_USECASE_ID_DF_BGPH_GRAY = 21,
    CORR_USECASE_ID_DF_BGPH_BG_GRAY = 22,
    CORR_USECASE_ID_TF = 23,
    CORR_USECASE_ID_TF_GRAY = 24,
    CORR_USECASE_ID_TF_BG = 25,
    CORR_USECASE_ID_TF_GRAY_BG = 26,
    CORR_USECASE_ID_TF_BG_GRAY = 27,
    CORR_USECASE_ID_FF = 28,
    CORR_USECASE_ID_FF_GRAY = 29,
    CORR_USECASE_ID_FF_BG = 30,
    CORR_USECASE_ID_FF_GRAY_BG = 31,
    CORR_USECASE_ID_FF_BG_GRAY = 32
} CORR_USECASE_ID;

/** Where the embedded data of each sub-frame travels. */
typedef enum ORYNTCORR_ENUM_BASE {
    CORR_NO_EBD = 0,
    CORR_EBD_BEFORE_IMG = 1,
    CORR_EBD_AFTER_IMG = 2,
    CORR_EBD_INDEPENDENT = 3,
    CORR_ADDINFO_AFTER_IMG = 4
} CORR_EBD_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    CORR_PIXEL_BINNING_OFF = 0,
    CORR_PIXEL_BINNING_1x2 = 1,
    CORR_PIXEL_BINNING_2x1 = 2,
    CORR_PIXEL_BINNING_2x2 = 3,
    CORR_PIXEL_BINNING_4x4 = 4
} CORR_PIXEL_BINNING_MODE;

typedef enum ORYNTCORR_ENUM_BASE {
    CORR_PIXEL_MIRROR_OFF = 0,
    CORR_PIXEL_MIRROR_UD = 1,
    CORR_PIXEL_MIRROR_LR = 2,
    CORR_PIXEL_MIRROR_UDLR = 3
} CORR_PIXEL_MIRROR_MODE;

typedef enum ORYNTCORR_ENUM_BASE {
    CORR_PIXEL_PHASE_MODE_OFF = 0,
    CORR_PIXEL_PHASE_MODE_2 = 1,
    CORR_PIXEL_PHASE_MODE_4 = 2,
    CORR_PIXEL_PHASE_MODE_8 = 3,
    CORR_PIXEL_PHASE_MODE_16 = 4
} CORR_PIXEL_PHASE_MODE;

/** Coding of gray and background pixel values around the zero level. */
typedef enum ORYNTCORR_ENUM_BASE {
    CORR_PIXEL_GRAYBG_MODE_NORMAL = 0,
    CORR_PIXEL_GRAYBG_MODE_2048DOWN = 1,
    CORR_PIXEL_GRAYBG_MODE_2048UP = 2
} CORR_PIXEL_GRAYBG_MODE;

typedef enum ORYNTCORR_ENUM_BASE {
    CORR_HDR_OFF = 0,
    CORR_HDR_SF_1FRAME = 1,
    CORR_HDR_DF_1FRAME = 2,
    CORR_HDR_DF_2FRAME = 3
} CORR_HDE_MODE;

/** Who provides an output image's memory. */
typedef enum ORYNTCORR_ENUM_BASE {
    OIMG_BUFFER_NULL = 0,  /**< image not produced */
    OIMG_BUFFER_USER = 1,  /**< caller supplies the memory */
    OIMG_BUFFER_INNER = 2  /**< library supplies the memory */
} OUT_IMAGE_BUFFER_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    OIMG_NAME_POINTCLOUD = 0,
    OIMG_NAME_DEPTH = 1,
    OIMG_NAME_AMP = 2,
    OIMG_NAME_GRAY = 3,
    OIMG_NAME_BG = 4,
    OIMG_NAME_FLAG = 5,
    OIMG_NAME_CONFIDENCE = 6,
    OIMG_NAME_REG_RGB = 7
} OUT_IMAGE_NAME;

/** Pixel data types; the comment gives the bytes per pixel. */
typedef enum ORYNTCORR_ENUM_BASE {
    OIMG_DTYPE_UINT8 = 0,              /**< 1 */
    OIMG_DTYPE_UINT16 = 1,             /**< 2 */
    OIMG_DTYPE_FLOAT32 = 2,            /**< 4 */
    OIMG_DTYPE_DEPTH16 = 3,            /**< 2 */
    OIMG_DTYPE_PC32F = 4,              /**< 12 */
    OIMG_DTYPE_DEPTH_POINT_CLOUD = 5,  /**< 16 */
    OIMG_DTYPE_FLAG = 6,               /**< 1 */
    OIMG_DTYPE_RGB = 7                 /**< 3 */
} OUT_IMAGE_DATA_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    DEPTH_VALUE_XYR = 0, /**< radial distance */
    DEPTH_VALUE_XYZ = 1  /**< Z along the optical axis */
} DEPTH_VALUE_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    DEPTH_TYPE_UINT16 = 0,
    DEPTH_TYPE_DEPTH16 = 1
} DEPTH_DATA_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    PC_TYPE_PC32F = 0,
    PC_TYPE_DEPTH_POINT_CLOUD = 1
} POINTCLOUD_DATA_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    SENSOR_TYPE_UNKNOWN = 0,
    SENSOR_TYPE_5830 = 1
} SENSOR_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    WORK_MODE_UNKNOWN = 0,
    WORK_MODE_GRAY = 1,
    WORK_MODE_BG = 2,
    WORK_MODE_GRAY_BG = 3,
    WORK_MODE_SFREQ = 4,
    WORK_MODE_DFREQ = 5,
    WORK_MODE_TFREQ = 6,
    WORK_MODE_FFREQ = 7
} ARITH_WORK_MODE;

typedef enum ORYNTCORR_ENUM_BASE {
    CALI_PARAS_UNKNOWN = 0,
    CALI_PARAS_V3 = 1,
    CALI_PARAS_V3_1 = 2
} CALI_PARAS_VERSION;

/** Relation of a frame's read-out to the calibration's read-out. */
typedef enum ORYNTCORR_ENUM_BASE {
    CALI_CORR_DISMATCH = 0,
    CALI_CORR_RR_ONLY = 1,
    CALI_CORR_BINNING_ONLY = 2,
    CALI_CORR_FULL_OFF = 3,
    CALI_FULL_OFF_ONLY = 4
} CALI_CORR_PIXEL_MODE;

/** Laser-driver temperature sensor. */
typedef enum ORYNTCORR_ENUM_BASE {
    T_DRIVER_UNKNOWN = 0,
    T_DRIVER_GUANGZI3021 = 1,
    T_DRIVER_JUYOUOPN7011 = 2,
    T_DRIVER_ICHAUSTMP122 = 3
} T_DRIVER_TYPE;

typedef enum ORYNTCORR_ENUM_BASE {
    T_SENSOR_UNKNOWN = 0,
    T_SENSOR_KRX5830 = 1
} T_SENSOR_TYPE;

/** Bytes per pixel of an OUT_IMAGE_DATA_TYPE; 0 for an unknown type. */
static inline unsigned int oryntcorrBytesPerPixel(OUT_IMAGE_DATA_TYPE eType)
{
    switch (eType) {
    case OIMG_DTYPE_UINT8: return 1;
    case OIMG_DTYPE_UINT16: return 2;
    case OIMG_DTYPE_FLOAT32: return 4;
    case OIMG_DTYPE_DEPTH16: return 2;
    case OIMG_DTYPE_PC32F: return 12;
    case OIMG_DTYPE_DEPTH_POINT_CLOUD: return 16;
    case OIMG_DTYPE_FLAG: return 1;
    case OIMG_DTYPE_RGB: return 3;
    }
    return 0;
}

#ifdef __cplusplus
} /* extern "C" */
} /* namespace NAMESPACE_CORR */
#endif

#endif /* ORYNTCORR_TYPES_H */
