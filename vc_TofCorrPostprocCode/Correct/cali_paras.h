// Calibration parameter blob: the two layouts (V3, header "CALI0300"; V3_1,
// header "CALI0301" or "CALI0300 V"), their common headers, the module
// directory indices, and the parameter records the loader fills for the
// correction modules.
//
// Blob encoding: little-endian, packed without alignment. Header offsets
// count from the blob's first byte, record offsets from the record's first
// byte. F = number of calibration frequencies, M = directory entries.
#ifndef CORR_CORRECT_CALI_PARAS_H
#define CORR_CORRECT_CALI_PARAS_H

#include <cstdint>

#include "Common/glb_buffers.h"
#include "Common/glb_log.h"
#include "Correct/cali_load_flags.h"

namespace NAMESPACE_CORR {

// Limits of the in-memory records.
constexpr int CALI_MAX_FREQS = 4;
constexpr int CALI_MAX_MODULES = 20;
constexpr int CALI_MAX_OFS_BLOCKS = 640;
constexpr int CALI_MAX_WIG_FIT_PARAS = 100;
constexpr int CALI_MAX_BP_POINTS = 4096;
constexpr int CALI_MAX_BP_ROWS = 240;
constexpr int CALI_MAX_BP_COLS = 320;

// Result bits of the header readers (the V3 names carry the same values).
typedef enum {
    CPD3P1_SUCCESS = 0,
    CPD3P1_FAIL_INVALID_CALIPARA_POINTER = 1,
    CPD3P1_FAIL_INVALID_CALI_FILELEN = 8,    // total length 0, larger than the bytes given, or header cut
    CPD3P1_FAIL_INVALID_CALI_FREQNUM = 16,   // F outside 1 to 4
    CPD3P1_FAIL_INVALID_CALI_MODULENUM = 32, // M outside 1 to 20
    CPD3P1_FAIL_INVALID_CALI_GEOMETRY = 64   // calibration size, raw size or window start
} CPD3P1_LOAD_FLAG;
typedef enum {
    CPD3_SUCCESS = 0,
    CPD3_FAIL_INVALID_CALIPARA_POINTER = 1,
    CPD3_FAIL_INVALID_CALI_FILELEN = 8,
    CPD3_FAIL_INVALID_CALI_FREQNUM = 16,
    CPD3_FAIL_INVALID_CALI_MODULENUM = 32,
    CPD3_FAIL_INVALID_CALI_GEOMETRY = 64
} CPD3_LOAD_FLAG;

// Directory indices, per version and number of calibration frequencies.
typedef enum {
    CPD3P1_CALIPARAS_TYPE_1F_BP = 0,
    CPD3P1_CALIPARAS_TYPE_1F_MASK = 1,
    CPD3P1_CALIPARAS_TYPE_1F_FPN = 2,
    CPD3P1_CALIPARAS_TYPE_1F_LEN = 3,
    CPD3P1_CALIPARAS_TYPE_1F_T_F1 = 4,
    CPD3P1_CALIPARAS_TYPE_1F_OFS_F1 = 5,
    CPD3P1_CALIPARAS_TYPE_1F_FPPN = 6,
    CPD3P1_CALIPARAS_TYPE_1F_WIG_F1 = 7,
    CPD3P1_CALIPARAS_TYPE_1F_REG = 8,
    CPD3P1_CALIPARAS_TYPE_1F_LUMA = 9,
    CPD3P1_CALIPARAS_TYPE_1F_PHASE_FPPN = 10,
    CPD3P1_CALIPARAS_TYPE_1F_END = 11,
} CPD3P1_CALIPARAS_TYPE_1FREQ;

typedef enum {
    CPD3P1_CALIPARAS_TYPE_2F_BP = 0,
    CPD3P1_CALIPARAS_TYPE_2F_MASK = 1,
    CPD3P1_CALIPARAS_TYPE_2F_FPN = 2,
    CPD3P1_CALIPARAS_TYPE_2F_LEN = 3,
    CPD3P1_CALIPARAS_TYPE_2F_T_F1 = 4,
    CPD3P1_CALIPARAS_TYPE_2F_T_F2 = 5,
    CPD3P1_CALIPARAS_TYPE_2F_OFS_F1 = 6,
    CPD3P1_CALIPARAS_TYPE_2F_OFS_F2 = 7,
    CPD3P1_CALIPARAS_TYPE_2F_FPPN = 8,
    CPD3P1_CALIPARAS_TYPE_2F_WIG_F1 = 9,
    CPD3P1_CALIPARAS_TYPE_2F_WIG_F2 = 10,
    CPD3P1_CALIPARAS_TYPE_2F_REG = 11,
    CPD3P1_CALIPARAS_TYPE_2F_LUMA = 12,
    CPD3P1_CALIPARAS_TYPE_2F_PHASE_FPPN = 13,
    CPD3P1_CALIPARAS_TYPE_2F_END = 14,
} CPD3P1_CALIPARAS_TYPE_2FREQ;

typedef enum {
    CPD3P1_CALIPARAS_TYPE_3F_BP = 0,
    CPD3P1_CALIPARAS_TYPE_3F_MASK = 1,
    CPD3P1_CALIPARAS_TYPE_3F_FPN = 2,
    CPD3P1_CALIPARAS_TYPE_3F_LEN = 3,
    CPD3P1_CALIPARAS_TYPE_3F_T_F1 = 4,
    CPD3P1_CALIPARAS_TYPE_3F_T_F2 = 5,
    CPD3P1_CALIPARAS_TYPE_3F_T_F3 = 6,
    CPD3P1_CALIPARAS_TYPE_3F_OFS_F1 = 7,
    CPD3P1_CALIPARAS_TYPE_3F_OFS_F2 = 8,
    CPD3P1_CALIPARAS_TYPE_3F_OFS_F3 = 9,
    CPD3P1_CALIPARAS_TYPE_3F_FPPN = 10,
    CPD3P1_CALIPARAS_TYPE_3F_WIG_F1 = 11,
    CPD3P1_CALIPARAS_TYPE_3F_WIG_F2 = 12,
    CPD3P1_CALIPARAS_TYPE_3F_WIG_F3 = 13,
    CPD3P1_CALIPARAS_TYPE_3F_REG = 14,
    CPD3P1_CALIPARAS_TYPE_3F_LUMA = 15,
    CPD3P1_CALIPARAS_TYPE_3F_PHASE_FPPN = 16,
    CPD3P1_CALIPARAS_TYPE_3F_END = 17,
} CPD3P1_CALIPARAS_TYPE_3FREQ;

typedef enum {
    CPD3P1_CALIPARAS_TYPE_4F_BP = 0,
    CPD3P1_CALIPARAS_TYPE_4F_MASK = 1,
    CPD3P1_CALIPARAS_TYPE_4F_FPN = 2,
    CPD3P1_CALIPARAS_TYPE_4F_LEN = 3,
    CPD3P1_CALIPARAS_TYPE_4F_T_F1 = 4,
    CPD3P1_CALIPARAS_TYPE_4F_T_F2 = 5,
    CPD3P1_CALIPARAS_TYPE_4F_T_F3 = 6,
    CPD3P1_CALIPARAS_TYPE_4F_T_F4 = 7,
    CPD3P1_CALIPARAS_TYPE_4F_OFS_F1 = 8,
    CPD3P1_CALIPARAS_TYPE_4F_OFS_F2 = 9,
    CPD3P1_CALIPARAS_TYPE_4F_OFS_F3 = 10,
    CPD3P1_CALIPARAS_TYPE_4F_OFS_F4 = 11,
    CPD3P1_CALIPARAS_TYPE_4F_FPPN = 12,
    CPD3P1_CALIPARAS_TYPE_4F_WIG_F1 = 13,
    CPD3P1_CALIPARAS_TYPE_4F_WIG_F2 = 14,
    CPD3P1_CALIPARAS_TYPE_4F_WIG_F3 = 15,
    CPD3P1_CALIPARAS_TYPE_4F_WIG_F4 = 16,
    CPD3P1_CALIPARAS_TYPE_4F_REG = 17,
    CPD3P1_CALIPARAS_TYPE_4F_LUMA = 18,
    CPD3P1_CALIPARAS_TYPE_4F_PHASE_FPPN = 19,
    CPD3P1_CALIPARAS_TYPE_4F_END = 20,
} CPD3P1_CALIPARAS_TYPE_4FREQ;

typedef enum {
    CPD3_CALIPARAS_TYPE_1F_BP = 0,
    CPD3_CALIPARAS_TYPE_1F_LEN = 1,
    CPD3_CALIPARAS_TYPE_1F_T_F1 = 2,
    CPD3_CALIPARAS_TYPE_1F_OFS_F1 = 3,
    CPD3_CALIPARAS_TYPE_1F_FPPN = 4,
    CPD3_CALIPARAS_TYPE_1F_WIG_F1 = 5,
    CPD3_CALIPARAS_TYPE_1F_FPN = 6,
    CPD3_CALIPARAS_TYPE_1F_AE = 7,
    CPD3_CALIPARAS_TYPE_1F_REG = 8,
    CPD3_CALIPARAS_TYPE_1F_END = 9,
} CPD3_CALIPARAS_TYPE_1FREQ;

typedef enum {
    CPD3_CALIPARAS_TYPE_2F_BP = 0,
    CPD3_CALIPARAS_TYPE_2F_LEN = 1,
    CPD3_CALIPARAS_TYPE_2F_T_F1 = 2,
    CPD3_CALIPARAS_TYPE_2F_T_F2 = 3,
    CPD3_CALIPARAS_TYPE_2F_OFS_F1 = 4,
    CPD3_CALIPARAS_TYPE_2F_OFS_F2 = 5,
    CPD3_CALIPARAS_TYPE_2F_FPPN = 6,
    CPD3_CALIPARAS_TYPE_2F_WIG_F1 = 7,
    CPD3_CALIPARAS_TYPE_2F_WIG_F2 = 8,
    CPD3_CALIPARAS_TYPE_2F_FPN = 9,
    CPD3_CALIPARAS_TYPE_2F_AE = 10,
    CPD3_CALIPARAS_TYPE_2F_REG = 11,
    CPD3_CALIPARAS_TYPE_2F_END = 12,
} CPD3_CALIPARAS_TYPE_2FREQ;

typedef enum {
    CPD3_CALIPARAS_TYPE_3F_BP = 0,
    CPD3_CALIPARAS_TYPE_3F_LEN = 1,
    CPD3_CALIPARAS_TYPE_3F_T_F1 = 2,
    CPD3_CALIPARAS_TYPE_3F_T_F2 = 3,
    CPD3_CALIPARAS_TYPE_3F_T_F3 = 4,
    CPD3_CALIPARAS_TYPE_3F_OFS_F1 = 5,
    CPD3_CALIPARAS_TYPE_3F_OFS_F2 = 6,
    CPD3_CALIPARAS_TYPE_3F_OFS_F3 = 7,
    CPD3_CALIPARAS_TYPE_3F_FPPN = 8,
    CPD3_CALIPARAS_TYPE_3F_WIG_F1 = 9,
    CPD3_CALIPARAS_TYPE_3F_WIG_F2 = 10,
    CPD3_CALIPARAS_TYPE_3F_WIG_F3 = 11,
    CPD3_CALIPARAS_TYPE_3F_FPN = 12,
    CPD3_CALIPARAS_TYPE_3F_AE = 13,
    CPD3_CALIPARAS_TYPE_3F_REG = 14,
    CPD3_CALIPARAS_TYPE_3F_END = 15,
} CPD3_CALIPARAS_TYPE_3FREQ;

typedef enum {
    CPD3_CALIPARAS_TYPE_4F_BP = 0,
    CPD3_CALIPARAS_TYPE_4F_LEN = 1,
    CPD3_CALIPARAS_TYPE_4F_T_F1 = 2,
    CPD3_CALIPARAS_TYPE_4F_T_F2 = 3,
    CPD3_CALIPARAS_TYPE_4F_T_F3 = 4,
    CPD3_CALIPARAS_TYPE_4F_T_F4 = 5,
    CPD3_CALIPARAS_TYPE_4F_OFS_F1 = 6,
    CPD3_CALIPARAS_TYPE_4F_OFS_F2 = 7,
    CPD3_CALIPARAS_TYPE_4F_OFS_F3 = 8,
    CPD3_CALIPARAS_TYPE_4F_OFS_F4 = 9,
    CPD3_CALIPARAS_TYPE_4F_FPPN = 10,
    CPD3_CALIPARAS_TYPE_4F_WIG_F1 = 11,
    CPD3_CALIPARAS_TYPE_4F_WIG_F2 = 12,
    CPD3_CALIPARAS_TYPE_4F_WIG_F3 = 13,
    CPD3_CALIPARAS_TYPE_4F_WIG_F4 = 14,
    CPD3_CALIPARAS_TYPE_4F_FPN = 15,
    CPD3_CALIPARAS_TYPE_4F_AE = 16,
    CPD3_CALIPARAS_TYPE_4F_REG = 17,
    CPD3_CALIPARAS_TYPE_4F_END = 18,
} CPD3_CALIPARAS_TYPE_4FREQ;

// V3_1 common header in memory.
typedef struct CaliParasData3P1_CommonParas {
    uint32_t uiTotalBytesLen;
    char cVersion[9];
    char cCaliArithVersion[16];
    char cSensorID[24];
    uint8_t ucCaliModFreqsNum;                       // F
    uint8_t ucParasModulesNum;                       // M
    uint32_t uiParasFirstByteId[CALI_MAX_MODULES];   // record offsets from the blob start
    uint8_t ucParasValidFlag[CALI_MAX_MODULES];      // 0 = record absent
    uint16_t usCaliModFreqMHZ[CALI_MAX_FREQS];
    uint16_t usCaliExpoTimeUS[CALI_MAX_FREQS];
    uint16_t usCaliWidth;
    uint16_t usCaliHeight;
    uint16_t usPixelRawResoWidth;
    uint16_t usPixelRawResoHeight;
    uint16_t usPixelOutStartRawX;
    uint16_t usPixelOutStartRawY;
    uint8_t ucCaliFlipMode;
    uint8_t ucCaliBinningType;
    uint8_t ucPixelPhaseMode;
    float fErrPrecisionMM;     // mm per stored unit of the T, FPPN and WIG error tables
    float fMaxFreqMHz;         // optional (0 when absent)
    uint8_t ucCaliWigType;     // optional
    uint8_t ucIsPluseMode;     // optional
    uint8_t ucIs2PhaseMode;    // optional
    uint32_t uiHeaderBytes;    // bytes the header occupies in the blob
} CPD3P1_COMPARA;

// V3 common header in memory.
typedef struct CaliParasData3_CommonParas {
    uint32_t uiTotalBytesLen;
    char cVersion[9];
    char cSensorID[24];
    uint8_t ucCaliModFreqsNum;
    uint8_t ucParasModulesNum;
    uint32_t uiParasFirstByteId[CALI_MAX_MODULES];
    uint8_t ucParasValidFlag[CALI_MAX_MODULES];
    uint8_t ucIsLenCaliFirst;   // order flags of the calibration tool; unused
    uint8_t ucIsTCaliFirst;
    uint8_t ucOrderOfsWigFppn;
    uint16_t usCaliModFreqMHZ[CALI_MAX_FREQS];
    uint16_t usCaliExpoTimeUS[CALI_MAX_FREQS];
    uint16_t usCaliWidth;
    uint16_t usCaliHeight;
    uint16_t usPixelRawResoWidth;
    uint16_t usPixelRawResoHeight;
    uint16_t usPixelOutStartRawX;
    uint16_t usPixelOutStartRawY;
    uint8_t ucCaliFlipMode;
    uint8_t ucCaliBinningType;
    uint32_t uiHeaderBytes;
} CPD3_COMPARA;

typedef enum {
    MASK_CALI_FILE_TYPE_NONE = 0,
    MASK_CALI_FILE_TYPE_ROWS = 1,
    MASK_CALI_FILE_TYPE_IMG = 2
} MASK_CALI_FILE_TYPE;

typedef enum {
    FPN_CALI_ERR_TYPE_NONE = 0,
    FPN_CALI_ERR_TYPE_COLS = 1,
    FPN_CALI_ERR_TYPE_IMG = 2
} FPN_CALI_ERR_TYPE;

typedef enum {
    FPPN_CALI_ERR_IMG_TYPE_CHAR = 0,
    FPPN_CALI_ERR_IMG_TYPE_SHORT = 1,
    FPPN_CALI_ERR_IMG_TYPE_FLOAT = 2
} FPPN_CALI_ERR_IMG_TYPE;

typedef enum {
    LUMA_CALI_ERR_TYPE_NONE = 0,
    LUMA_CALI_ERR_TYPE_BLOCK = 1
} LUMA_CALI_ERR_TYPE;

// Parameter records filled by the loader. pstCaliSensorStatus always points
// to stCaliSensorStatus of the handle's GLB_FIXVAR.
typedef struct BPCaliParas_V3 {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    COOR2D16S *pcoor2sBPList;   // bad pixels (sX column, sY row)
    uint32_t uiValidBPCnt;
    int16_t *psBPRowsList;      // whole bad rows
    uint32_t uiValidBPRowsCnt;
    int16_t *psBPColsList;      // whole bad columns
    uint32_t uiValidBPColsCnt;
} CALIPARAS_BP_V3;

typedef struct MaskCaliParas {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    MASK_CALI_FILE_TYPE eMaskCaliFileType;
    uint16_t *pusMaskValidCoorXMinList;  // rows type: first valid column of each calibration row
    uint16_t *pusMaskValidCoorXMaxList;  // rows type: last valid column
    uint8_t *pucCaliMaskImg;             // image type: W x H, 0 where the bit is set, 128 where clear
} CALIPARAS_MASK;

typedef struct CaliParas_GrayFPN {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    uint8_t ucCaliFileType;   // FPN_CALI_ERR_TYPE; 0 when unusable
    int16_t *psCaliFPNErr;    // W column errors or W x H pixel errors
} CALIPARAS_FPN;

typedef struct CaliParas_LenV3 {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    float fLenParas[9];       // fx, fy, cx, cy (principal point counted from 0), k1..k5
    float fZoomCoef;
    float fSkew;
    float fLenParasOut[9];    // as stored (principal point counted from 1)
    float fZoomCoefOut;
} CALIPARAS_LEN_V3;

typedef struct CaliParas_TemperatureV3 {
    uint16_t usCaliModFreqMHZ;
    T_SENSOR_TYPE eTSensorType;
    T_DRIVER_TYPE eTDriverType;
    float fTSensor;           // °C at calibration
    float fTDriver;
    float fErrPrecisionMM;
    uint8_t ucFitMode;
    float fTempFitParas[10];
} CALIPARAS_T_V3;

typedef struct CaliParas_OFS {
    uint16_t usCaliModFreqMHZ;
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    float fOffsetGlobalMM;
    uint8_t ucBlockOffsetLen;
    float fOffsetBlocksMM[CALI_MAX_OFS_BLOCKS];
} CALIPARAS_OFS;

typedef struct CaliParas_FPPN_V3 {
    uint16_t usCaliModFreqMHZ;
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    uint8_t ucCaliFileType;   // 1 image, 2 fit, 3 both (after the load decision)
    float fErrPrecisionMM;
    uint8_t ucFitMode;
    float fFPPNFitParas[10];
    uint8_t ucIntZoomMultiple;
    FPPN_CALI_ERR_IMG_TYPE eFPPNErrImgType;
    void *pFPPNErrImgMM;        // shared W x H error image (owned by the FPPN module)
    void *pFPPNErrImgMMFilter;  // its 3 x 3 mean (V3_1 only)
} CALIPARAS_FPPN_V3;

typedef struct CaliParas_Wiggling_V3 {
    uint16_t usCaliModFreqMHZ;
    uint8_t ucCaliFileType;   // 1 look-up table, 2 fit
    float fErrPrecisionMM;
    uint16_t usLUTLen;
    uint8_t ucDistIntZoomMultiple;
    uint8_t ucErrIntZoomMultiple;
    uint16_t usLUT_StartDistMM;
    uint8_t ucLUT_StepDistMM;
    int16_t *psLUT_ErrMM;     // usLUTLen entries
    uint8_t ucFitMode;
    uint8_t ucFitParasLen;
    float fWigFitParas[CALI_MAX_WIG_FIT_PARAS];
} CALIPARAS_WIG_V3;

typedef struct CaliParas_Registration {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    float fTofIntrinsicMatrix[9];
    float fRgbIntrinsicMatrix[9];
    float fRotationMatrix[9];
    float fTranslationMatrix[3];
    uint8_t bIsRgbCameraLeft;
} CALIPARAS_REG;

typedef struct CaliParas_GrayLuma {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    uint8_t ucCaliFileType;
    uint8_t ucBlockXpixel;
    uint8_t ucBlockYpixel;
    float *fLumaFitParas;     // (W / ucBlockXpixel) x (H / ucBlockYpixel) gains, one per block
} CALIPARAS_LUMA;

typedef struct CaliParas_PhaseFPPN {
    GLB_CALI_SENSOR_STATUS *pstCaliSensorStatus;
    uint8_t ucIs2PhaseMode;
    uint16_t *usPhaseFPPNParas;  // W x H
} CALIPARAS_PHASE_FPPN;

// Where a module reader leaves its result: the module's parameter record
// (allocated by the reader), the load flag and the load-result word of the
// module's variables, and the byte total its allocations count into. A
// target whose ppstCaliParas is null stands for a module the handle does not
// have: the reader then does nothing.
template <typename Record>
struct CALI_LOAD_TARGET {
    Record **ppstCaliParas = nullptr;
    BBOOL *pbCaliParaLoadSucc = nullptr;
    uint32_t *puiCaliParaLoadSuccFlag = nullptr;
    uint32_t *puiBufferBytes = nullptr;
};

// One target per module and frequency slot of the handle. The FPPN error
// image and its filtered copy are shared by all slots and owned by the FPPN
// module (ppFPPNErrImgMM, ppFPPNErrImgMMFilter; sized in uiFPPNErrImgBytes).
struct CALI_LOAD_TARGETS {
    CALI_LOAD_TARGET<CALIPARAS_BP_V3> stBP;
    CALI_LOAD_TARGET<CALIPARAS_MASK> stMASK;
    CALI_LOAD_TARGET<CALIPARAS_LEN_V3> stLEN;
    CALI_LOAD_TARGET<CALIPARAS_T_V3> stT[CALI_MAX_FREQS];
    CALI_LOAD_TARGET<CALIPARAS_OFS> stOFS[CALI_MAX_FREQS];
    CALI_LOAD_TARGET<CALIPARAS_FPPN_V3> stFPPN[CALI_MAX_FREQS];
    CALI_LOAD_TARGET<CALIPARAS_WIG_V3> stWIG[CALI_MAX_FREQS];
    CALI_LOAD_TARGET<CALIPARAS_FPN> stFPN;
    CALI_LOAD_TARGET<CALIPARAS_LUMA> stLUMA;
    CALI_LOAD_TARGET<CALIPARAS_PHASE_FPPN> stPhaseFPPN;
    CALI_LOAD_TARGET<CALIPARAS_REG> stREG;
    void **ppFPPNErrImgMM = nullptr;
    void **ppFPPNErrImgMMFilter = nullptr;
    uint32_t *puiFPPNErrImgBytes = nullptr;  // receives the byte size of each shared image
};

// The blob as given: its first byte and the number of bytes that may be
// read (0 when the caller does not know; then the blob's own total length is
// trusted).
struct CALI_BLOB {
    const char *pcData = nullptr;
    uint32_t uiBytes = 0;
};

// Version from the text at byte 4: "CALI0300 V" or "CALI0301" -> V3_1,
// "CALI0300" -> V3, anything else (or fewer bytes than needed) unknown.
CALI_PARAS_VERSION CALI_GetCaliParasVersion(const CALI_BLOB &stBlob);

// Header readers: fill the header record, return the CPD3P1_LOAD_FLAG /
// CPD3_LOAD_FLAG bits (0 = usable) and log the reason.
uint32_t CPD3P1_LoadCaliParasFromIn_Common(const CALI_BLOB &stBlob, CPD3P1_COMPARA *pstCom, const GLB_LogFile *pLog);
uint32_t CPD3_LoadCaliParasFromIn_Common(const CALI_BLOB &stBlob, CPD3_COMPARA *pstCom, const GLB_LogFile *pLog);

// Binning derived from the calibration and raw sizes, replacing a stored
// value that differs (logged).
CORR_PIXEL_BINNING_MODE GLB_CheckAndCorrectCaliBinningType(uint16_t usRawWidth, uint16_t usRawHeight,
                                                           uint16_t usCaliWidth, uint16_t usCaliHeight,
                                                           uint8_t ucStoredType, const GLB_LogFile *pLog);

// Whole-blob loaders: 1 when the header and the calibration geometry are
// usable (module failures do not change it), 0 otherwise. They read the
// handle's slot frequencies from pstFixVar and fill its calibration fields
// (sensor status, maximum frequency, driver type).
BBOOL CPD3P1_LoadCaliParasFromIn(const CALI_BLOB &stBlob, const char *pcInCaliParasFPPN,
                                 const char *pcInCaliParasFPN, CALI_LOAD_TARGETS *pstTargets,
                                 GLB_FIXVAR *pstFixVar, const GLB_LogFile *pLog);
BBOOL CPD3_LoadCaliParasFromIn(const CALI_BLOB &stBlob, CALI_LOAD_TARGETS *pstTargets, GLB_FIXVAR *pstFixVar,
                               const GLB_LogFile *pLog);

// Recognises the version and loads the blob into the targets; sets
// eCaliParasVersion and bLoadCaliParasSuccFlag of pstFixVar. When there is
// no usable blob, every calibrated module is marked as uncalibrated with its
// "invalid input calibration parameters" reason. Returns
// bLoadCaliParasSuccFlag.
BBOOL CALI_LoadCaliParas(const CALI_BLOB &stBlob, const char *pcInCaliParasFPPN, const char *pcInCaliParasFPN,
                         CALI_LOAD_TARGETS *pstTargets, GLB_FIXVAR *pstFixVar, const GLB_LogFile *pLog);

// Marks every module of the targets as having no calibration (load flag 0,
// its "invalid input calibration parameters" reason in the load word).
void CALI_MarkAllUncalibrated(CALI_LOAD_TARGETS *pstTargets);

// Free a parameter record with its tables and null the pointer. The shared
// FPPN images are freed by CALI_ReleaseFPPNErrImages.
void CALI_ReleaseCaliParas(CALIPARAS_BP_V3 **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_MASK **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_LEN_V3 **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_T_V3 **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_OFS **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_FPPN_V3 **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_WIG_V3 **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_FPN **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_LUMA **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_PHASE_FPPN **ppst);
void CALI_ReleaseCaliParas(CALIPARAS_REG **ppst);
void CALI_ReleaseFPPNErrImages(void **ppImg, void **ppImgFilter);
// Everything the loader allocated into the targets.
void CALI_ReleaseAll(CALI_LOAD_TARGETS *pstTargets);

}  // namespace NAMESPACE_CORR

#endif  // CORR_CORRECT_CALI_PARAS_H
