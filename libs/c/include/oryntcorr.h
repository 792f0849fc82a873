/**
 * @file oryntcorr.h
 * @brief C interface of the ToF correction library in liboryn4c.
 *
 * The correction library turns the raw phase sub-frames of one depth frame
 * (and their embedded-data lines) into corrected depth, amplitude, gray,
 * background, confidence, flag and point-cloud images.
 *
 * Calling order: oryntcorrInit once per stream set-up; then
 * oryntcorrSetDynamicConfig (right after Init and whenever a switch
 * changes); then oryntcorrRunCorrection once per depth frame; and
 * oryntcorrRelease at the end. A handle is used by one thread at a time.
 *
 * Every call that takes a success word and an abnormal word clears both and
 * ORs bits into them (oryntcorr_flags.h). A non-zero success word means the
 * call failed. Log switches enable their text log file (in the working
 * directory) only when they equal 1.
 *
 * Usable from C and C++; in C++ the types live in namespace NAMESPACE_CORR
 * and the functions keep their unmangled C names.
 */
#ifndef ORYNTCORR_H
#define ORYNTCORR_H

#include "oryntcorr_flags.h"
#include "oryntcorr_types.h"

#if defined(__GNUC__)
#define ORYNTCORR_API __attribute__((visibility("default")))
#else
#define ORYNTCORR_API
#endif

#ifdef __cplusplus
namespace NAMESPACE_CORR {
extern "C" {
#endif

/** Version text prefix; the build date follows as YYMMDD. */
#define ORYNTCORR_VERSION_PREFIX "orynalib_TofCorrection_V2.0.7.2_"
/** Room a caller provides for oryntcorrGetVersion (text and terminating zero). */
#define ORYNTCORR_VERSION_BYTES 64

/** Frame parameters fixed at Init instead of read from embedded data. */
typedef struct Correction_FixedFrameParameters {
    float fModFreqMHZ[4];          /**< modulation frequency per slot, MHz */
    uint16_t usPixelRoiStartX;     /**< first raw sensor column of the window */
    uint16_t usPixelRoiStartY;     /**< first raw sensor row of the window */
    uint8_t ucPixelLowResoStepX;   /**< sub-sampling step in X (0 reads as 32) */
    uint8_t ucPixelLowResoStepY;   /**< sub-sampling step in Y (0 reads as 32) */
    CORR_PIXEL_MIRROR_MODE ePixelMirrorMode;
    CORR_PIXEL_PHASE_MODE ePixelPhaseMode;
} CORR_FRMPARA_FIX;

/** Fixed control parameters given to Init. Init corrects invalid optional
 *  fields in place. */
typedef struct Correction_FixedControlParameters {
    char cSensorID[32];            /**< must begin with "KRX5830" */
    CORR_USECASE_ID eUsecaseID;    /**< sub-frame layout of one depth frame */
    uint16_t usInImgWidth;         /**< 1 to 640 */
    uint16_t usInImgHeight;        /**< 1 to 480 */
    CORR_EBD_TYPE eIsHasEbd;
    /** Bytes of embedded data per sub-frame: at least one record (116 bytes,
     *  or 232 for CORR_ADDINFO_AFTER_IMG) where embedded data travels with
     *  the images. */
    uint32_t uiEbdBytes;
    uint8_t ucEnableFixFrmPara;    /**< 1: frame parameters from pstFixFrmPara */
    CORR_FRMPARA_FIX *pstFixFrmPara;
    CORR_PIXEL_BINNING_MODE ePixelBinningMode;
    uint8_t ucDepthPhaseNum;       /**< phase images per frequency: 2 or 4 */
    CORR_PIXEL_GRAYBG_MODE ePixelGrayBgMode;
    uint16_t usPixelGrayBgZeroValue; /**< 0 to 4096 */
    CORR_HDE_MODE eHDRMode;
    uint8_t ucEnableDataSwapHighLowBits; /**< 1: swap the bytes of every input pixel */
    uint8_t ucDataRightShiftBits;  /**< 0 to 16 */
    uint16_t usOutImgWidth;        /**< usInImgWidth, or half of it with 1x2 / 2x2 binning */
    uint16_t usOutImgHeight;       /**< usInImgHeight */
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_PointCloud;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_Depth;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_Amp;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_Gray;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_Bg;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_Confidence;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_Flag;
    OUT_IMAGE_BUFFER_TYPE eOutBufferType_RegRgb;
    DEPTH_VALUE_TYPE eOutDepthValueType;
    DEPTH_DATA_TYPE eOutDepthType;
    POINTCLOUD_DATA_TYPE eOutPointCloudType;
    char *pcInCaliParas;           /**< calibration blob; null runs without calibration */
    char *pcInCaliParasFPPN;       /**< optional separate FPPN data of a V3_1 blob */
    char *pcInCaliParasFPN;        /**< optional separate FPN data of a V3_1 blob */
    char *pcInCaliGroundTrue;      /**< reserved; not read */
    /** Bytes readable at pcInCaliParas; 0 when the caller does not know. The
     *  calibration loader never reads past a non-zero size. */
    uint32_t uiInCaliParasBytes;
} CORR_FIXPARA;

/** Dynamic control parameters; the library validates a private copy and
 *  never writes the caller's record. Defaults in brackets. */
typedef struct Correction_DynamicControlParameters {
    uint8_t ucEnableCorrBP;        /**< bad pixels [1] */
    uint8_t ucEnableCorrLen;       /**< lens undistortion [1] */
    uint8_t ucEnableCorrT;         /**< temperature [1] */
    uint8_t ucEnableCorrOFS;       /**< calibrated offset [1] */
    uint8_t ucEnableCorrFPPN;      /**< FPPN [1] */
    uint8_t ucEnableCorrWig;       /**< wiggling [1] */
    uint8_t ucEnableCorrFPN;       /**< gray FPN [1] */
    uint8_t ucEnableCorrLUMA;      /**< gray luminance [0] */
    uint8_t ucEnableCorrMask;      /**< mask [0] */
    uint8_t ucEnableLenFillInvalidPixels; /**< [1] */
    uint8_t ucEnableLenCutInalidPixels;   /**< [1] */
    uint8_t ucEnableCorrOffset;    /**< manual offset per frequency [0] */
    int16_t sOffsetCorretion[4];   /**< manual offset per slot, mm [0] */
    uint8_t ucEnableCorrSingleDepth; /**< single-frequency de-aliasing [1] */
    uint8_t ucEnableAE;            /**< auto exposure [0] */
    uint16_t usAERoiXMin;          /**< [0] */
    uint16_t usAERoiYMin;          /**< [0] */
    uint16_t usAERoiXMax;          /**< [639] */
    uint16_t usAERoiYMax;          /**< [479] */
    uint16_t usAEOverExposureThres; /**< 0 to 2055 [240] */
    uint16_t usAEOptAmpThres;      /**< 10 to 4095 [200] */
    uint16_t usAEContrast;         /**< 10 to 2055 [100] */
    uint8_t ucEnableDeALI;         /**< background-phase subtraction [0] */
    uint16_t usPresetMaxDist;      /**< fusion preset maximum distance, mm [4000] */
    float fFusionErrorExpandMinTsh; /**< 1e-6 to 0.501 [0.3] */
    uint8_t ucEnableDeMotionBlur;  /**< [0] */
    uint8_t ucEnableRegistration;  /**< [0] */
} CORR_DYNPARA;

/** Extra description of a depth image. */
typedef struct {
    DEPTH_VALUE_TYPE eOutDepthValueType;
    float fUnitOfDepth;            /**< mm per depth unit */
    float fModFreqMHZ[4];          /**< frequencies actually used */
    float fLensParas[5];           /**< fx, fy, cx, cy, zoom */
} CORR_DEPTH_INFO;

/** One output image, owned by the caller. */
typedef struct Correction_OutputImages {
    OUT_IMAGE_BUFFER_TYPE eBufferType; /**< set by the caller; the library may rewrite it */
    char *pcBuffer;                /**< caller's memory (USER) or the library's (INNER) */
    OUT_IMAGE_NAME eName;          /**< written by the library */
    OUT_IMAGE_DATA_TYPE eDataType; /**< written by the library */
    uint16_t usWidth;              /**< written by the library */
    uint16_t usHeight;             /**< written by the library */
    union {
        CORR_DEPTH_INFO stDepthInfo;
        float fConfidenceInt2Float; /**< 1/255 */
        char cBytes[44];
    } stInfo;
} CORR_OIMG;

/** Input of one depth frame, owned by the caller. */
typedef struct Correction_InputDatas {
    /** 1: all sub-frames (with their embedded data) lie back to back in
     *  pcInDepthMapBuffer; otherwise one buffer per sub-frame. */
    uint8_t ucIsInDatasUsed;
    char *pcInDepthMapBuffer;
    char *pcInSubframes[18];
    char *pcInEbds[18];            /**< with CORR_EBD_INDEPENDENT */
    uint8_t ucInImagesNum;         /**< filled by the driver; not read */
    uint8_t *pucInYuvImg;          /**< optional colour image for registration */
} CORR_INDATAS;

/** Output of one depth frame, owned by the caller; a null image pointer
 *  means the image is not wanted. */
typedef struct Correction_OutputDatas {
    CORR_OIMG *pstOutPointCloud;
    CORR_OIMG *pstOutDepth;
    CORR_OIMG *pstOutAmp;
    CORR_OIMG *pstOutGray;
    CORR_OIMG *pstOutBg[2];
    CORR_OIMG *pstOutConfidence;
    CORR_OIMG *pstOutFlag;
    CORR_OIMG *pstOutRegRgb;
    char *pcOutParasLn;            /**< written: the library's parameter line */
    uint16_t usOutParasLnBytes;    /**< written: 116 */
    uint8_t ucSetAEIntTimeFlag;    /**< written: 1 when new integration times are proposed */
    /** written: phase slots 0-3, gray, background 0, background 1, µs */
    uint16_t usAEIntTimeUS[7];
    uint8_t ucRegRgbSuccFlag;      /**< written: 1 when the registered RGB image is valid */
} CORR_OUTDATAS;

/** Layout the per-frame parameter line is declared with (header
 *  "CORROPL_V0100"). The line returned is 116 bytes long and carries the
 *  leading part of this layout. */
typedef struct Correction_OutputParasLine {
    char cHeaderVersion[16];
    uint32_t uiFrameID;
    char cSensorID[32];
    uint8_t ucSensorType;
    uint16_t usWidth, usHeight;
    uint8_t ucModFreqsNum;
    float fModFreqMHZ[4];
    uint16_t usPhIntTimeUS[4];
    uint8_t ucIsHasBgPhase, ucIsHasGray;
    uint16_t usGrayIntTimeUS;
    uint8_t ucBgNum;
    uint16_t usBgIntTimeUS[2];
    uint16_t usPixelRawResoWidth, usPixelRawResoHeight, usPixelRoiStartX, usPixelRoiStartY;
    uint8_t ucPixelLowResoStepX, ucPixelLowResoStepY, ucPixelBinningStepX, ucPixelBinningStepY;
    uint8_t ucEnableSWBinning, ucSWBinningXStep, ucSWBinningYStep, ucPixelPhaseMode;
    float fLensParas[5];
    uint8_t ucDepthType, ucDepthValueType;
    float fUnitOfDepth;
    uint8_t ucPointCloudType, ucEnableCorrBP, ucEnableCorrLen, ucEnableCorrT, ucEnableCorrFPPN;
    uint8_t ucEnableCorrWig, ucEnableCorrFPN, ucEnableLenFillInvalidPixels;
    uint8_t ucEnableLenCutInalidPixels, ucEnableSDA, ucEnableAE, ucEnableDeALI;
    uint32_t uiArithFrmCnt;
    uint8_t ucIsSuccCorrBP, ucIsSuccCorrLEN, ucIsSuccCorrT, ucIsSuccCorrOFS;
    uint8_t ucIsSuccCorrFPPN, ucIsSuccCorrWIG, ucIsSuccCorrFPN, ucIsSuccSDA;
} CORROPL_PARALN_OUT;

/**
 * Validates the fixed parameters, allocates and fills a handle.
 * @return the handle, or null when validation or the fixed allocations
 *         failed or a flag pointer is null. A handle returned with a
 *         non-zero success word must not be run; release it.
 */
ORYNTCORR_API void *oryntcorrInit(CORR_FIXPARA *pstFixParas, unsigned int *puiInitSuccFlag,
                                  unsigned int *puiInitAbnormalFlag, unsigned char ucEnableLogFile,
                                  unsigned char ucEnableCostTimeLogFile);

/** Validates and applies the dynamic parameters (null: all defaults). */
ORYNTCORR_API void oryntcorrSetDynamicConfig(void *pGlbBuffer, CORR_DYNPARA *pstDynParas,
                                             unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag,
                                             unsigned char ucEnableLogFile);

/** Corrects one depth frame into the output images. */
ORYNTCORR_API void oryntcorrRunCorrection(void *pGlbBuffer, CORR_INDATAS *pstInDatas,
                                          CORR_OUTDATAS *pstOutDatas, unsigned int *puiSuccFlag,
                                          unsigned int *puiAbnormalFlag, unsigned char ucEnableLogFile);

/** Frees a handle and sets *pGlbBuffer to null; a null or already released
 *  handle is logged and ignored. */
ORYNTCORR_API void oryntcorrRelease(void **pGlbBuffer, unsigned char ucEnableLogFile);

/** Writes the version text into pcDllVersion (ORYNTCORR_VERSION_BYTES of
 *  room), or with a null pointer into "orynalib_tofcorrection_version.txt". */
ORYNTCORR_API void oryntcorrGetVersion(char *pcDllVersion);

/** Sub-frames per depth frame of a use case; 0 for an unknown one. */
ORYNTCORR_API unsigned char oryntcorrGetUsecaseImagesCnt(unsigned char ucUsecaseID,
                                                         unsigned char ucDepthPhaseNum);
/** Frequencies of a use case; 0 for an unknown one. */
ORYNTCORR_API unsigned char oryntcorrGetUsecaseModFreqsCnt(unsigned char ucUsecaseID);
/** First phase sub-frame of slot iIndex (0 to 3), or -1. */
ORYNTCORR_API signed char oryntcorrGetUsecaseThisFreq1stPhIdx(unsigned char ucUsecaseID,
                                                              unsigned char ucDepthPhaseNum, int iIndex);
/** First background-phase sub-frame of slot iIndex (0 to 3), or -1. */
ORYNTCORR_API signed char oryntcorrGetUsecaseThisFreq1stBgPhIdx(unsigned char ucUsecaseID,
                                                                unsigned char ucDepthPhaseNum, int iIndex);
/** Gray sub-frame, or -1. */
ORYNTCORR_API signed char oryntcorrGetUsecaseGrayIdx(unsigned char ucUsecaseID,
                                                     unsigned char m_ucDepthPhaseNum);
/** Background image iIndex (0 or 1), or -1. */
ORYNTCORR_API signed char oryntcorrGetUsecaseBackgroundIdx(unsigned char ucUsecaseID,
                                                           unsigned char m_ucDepthPhaseNum, int iIndex);

#ifdef __cplusplus
} /* extern "C" */
} /* namespace NAMESPACE_CORR */
#endif

#endif /* ORYNTCORR_H */
