// Global records of one correction handle: the handle GLB_BUFFERS, its
// fixed variables GLB_FIXVAR, read-out and calibration status, the
// output-to-calibration map, the inner output images and the per-frame
// working buffers, plus the buffer-record pattern every processing module
// follows. Private to the library.
#ifndef CORR_COMMON_GLB_BUFFERS_H
#define CORR_COMMON_GLB_BUFFERS_H

#include <cstddef>
#include <cstdint>

#include "oryntcorr.h"

namespace NAMESPACE_CORR {

// Read-out status of the sensor for one frame.
typedef struct Global_WorkSensorStatus {
    uint16_t usPixelRawResoWidth;   // sensor array size, 640 x 480 at Init
    uint16_t usPixelRawResoHeight;
    uint16_t usPixelRoiStartX;
    uint16_t usPixelRoiStartY;
    uint8_t ucPixelLowResoStepX;
    uint8_t ucPixelLowResoStepY;
    CORR_PIXEL_BINNING_MODE ePixelBinningMode;
    CORR_PIXEL_MIRROR_MODE ePixelMirrorMode;
    CORR_PIXEL_PHASE_MODE ePixelPhaseMode;
} GLB_WORK_SENSOR_STATUS;

// Read-out status at calibration time, filled by the calibration loader.
typedef struct Global_CaliSensorStatus {
    uint16_t usCaliWidth;
    uint16_t usCaliHeight;
    uint16_t usCaliMaxFreq;
    uint16_t usCaliPixelRawResoWidth;
    uint16_t usCaliPixelRawResoHeight;
    uint16_t usCaliPixelRoiStartX;
    uint16_t usCaliPixelRoiStartY;
    uint8_t ucCaliFlipMode;
    CORR_PIXEL_BINNING_MODE eCaliBinningMode;
    uint8_t ucCaliPixelLowResoStepX;
    uint8_t ucCaliPixelLowResoStepY;
    CORR_PIXEL_PHASE_MODE eCaliPhaseMode;
} GLB_CALI_SENSOR_STATUS;

// Output-to-calibration coordinate map: iRoiXMapTimes blocks of
// iRoiXMapUnitLen column entries (rows likewise).
typedef struct CoordinateMap_Out2Cali {
    int iRoiXMapUnitLen;
    int iRoiYMapUnitLen;
    int iRoiXMapTimes;
    int iRoiYMapTimes;
    int iRoiXMapLUT[CORR_MAX_IMG_WIDTH];
    int iRoiYMapLUT[CORR_MAX_IMG_HEIGHT];
} COOR_MAP;

// Size of the achievable-frequency table.
constexpr int GLB_MOD_FREQS_TABLE_LEN = 30;

// Fixed variables of a handle. Comments name who sets a field: Init, the
// per-frame preparation (frame) or SetDynamicConfig (dyn).
typedef struct Global_Variables_Fixed {
    BBOOL bInitSuccFlag;                 // Init: 1 once the fixed variables are set
    char cSensorID[32];                  // Init
    SENSOR_TYPE eSensorType;             // Init
    CORR_USECASE_ID eUsecaseID;          // Init
    uint32_t uiFrameID;                  // frame: from embedded data; 0 at Init

    // Frame layout of the use case (Init).
    uint8_t ucInSubFrmsNum;
    uint8_t ucModFreqsNum;
    uint8_t ucDepthPhaseNum;
    uint8_t ucIsHasBgPhase;
    uint8_t ucIsHasGray;
    uint8_t ucBgNum;
    int8_t cIn1stPhaseId[4];             // -1 when absent
    int8_t cIn1stBgPhaseId[4];           // -1 when absent
    int8_t cInGrayId;                    // -1 when absent
    int8_t cInBgId[2];                   // -1 when absent
    uint8_t ucValidBgId;                 // frame: background matching the gray time

    uint16_t *pusInImgs[CORR_MAX_SUBFRAMES]; // frame: start of each sub-frame image
    char *pcInEbds[CORR_MAX_SUBFRAMES];      // frame: start of each embedded-data block

    uint16_t usInWidth;                  // Init
    uint16_t usInHeight;
    uint16_t usOutWidth;
    uint16_t usOutHeight;
    CORR_EBD_TYPE eIsHasEbd;             // Init
    uint32_t uiEbdBytes;                 // Init

    float fModFreqsMHZ[4];               // Init / frame: nominal frequency per slot
    GLB_WORK_SENSOR_STATUS stWorkSensorStatus; // Init / frame

    CORR_PIXEL_GRAYBG_MODE ePixelGrayBgMode; // Init
    uint16_t usPixelGrayBgZeroValue;     // Init
    BBOOL bHasSetFixParasAtInit;         // Init: 1 when ucEnableFixFrmPara was 1

    CALI_PARAS_VERSION eCaliParasVersion; // Init
    char cCaliArithVersion[16];          // reserved; left empty
    GLB_CALI_SENSOR_STATUS stCaliSensorStatus; // Init (calibration loader)
    T_DRIVER_TYPE eTDriverType;          // Init (calibration loader)

    CORR_HDE_MODE eHDRMode;              // Init, after validation
    uint8_t ucEnableDataSwapHighLowBits;
    uint8_t ucDataRightShiftBits;

    uint8_t ucEnableSubBgPhase;          // dyn: copy of ucEnableDeALI; 0 at Init

    uint16_t usPhIntTimeUS[4];           // frame, µs
    uint16_t usBgIntTimeUS[2];           // frame, µs
    uint16_t usGrayIntTimeUS;            // frame, µs
    float fTSensorDEG[4];                // frame, °C
    float fTDriverDEG[4];                // frame, °C

    BBOOL bEnableManualOffsetCorr;       // dyn: copy of ucEnableCorrOffset
    int16_t sManualOffsetCorretionMM[4]; // dyn: copy of sOffsetCorretion

    // Init: copies of the eleven output settings of CORR_FIXPARA.
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

    ARITH_WORK_MODE eArithWorkMode;      // Init: from the use case
    uint8_t ucEnableCalcPointCloud;      // Init
    uint32_t uiArithFrmCnt;              // frame: frames begun since Init

    float fThisUnitOfDepthMM[4];         // Init / frame: mm per depth LSB of each slot
    float fUnitOfOutDepth;               // frame: mm per LSB of the output depth

    CORR_PIXEL_GRAYBG_MODE eOutGrayValueMode; // Init
    CORR_PIXEL_GRAYBG_MODE eOutBgValueMode;   // Init

    uint16_t usOutWidthLastFrame;        // Init / end of frame
    uint16_t usOutHeightLastFrame;
    GLB_WORK_SENSOR_STATUS stWorkSensorStatusLastFrame;
    BBOOL bThisWorkStatusChanged;        // frame
    BBOOL bThisWorkStatusChangedOnlyRRXY; // frame

    BBOOL bMaxFreqLoadFromCaliParas;     // Init / frame
    int iMaxFreqFromCali;                // MHz
    int iMaxFreqFromEBD;                 // MHz
    int iModFreqsRealCnt;
    int iModFreqsDivNum[GLB_MOD_FREQS_TABLE_LEN];
    float fModFreqsRealDivMHZ[GLB_MOD_FREQS_TABLE_LEN];
    float fModFreqsRealMHZ[4];
    float fSortedModFreqsRealMHz[4];
    int iSortedModFreqsIDArray[4];
    uint8_t ucFusionBaseFreqID;
    uint8_t ucEBD2CaliFreqID[4];
    uint16_t usCaliModFreqsMHZ[4];       // Init: nominal frequencies rounded up to MHz

    BBOOL bLoadCaliParasSuccFlag;        // Init: 1 when the calibration blob loaded
    uint8_t bWBDetectSuccFlag;           // frame: abnormal-point region result
    RECT16S rsWBRegionRect;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode; // Init / frame
} GLB_FIXVAR;

// Inner output images, allocated at Init for each image whose Init buffer
// type is INNER (n = usOutWidth x usOutHeight).
typedef struct Global_Varables_OutDatas {
    char *pcOutParasLn;        // 116 bytes, always
    char *pcOutPointCloud;     // n x 12 (PC32F) or n x 16 (depth point cloud)
    uint16_t *pusOutDepth;     // n x 2 bytes
    uint16_t *pusOutAmp;
    uint16_t *pusOutGray;
    uint16_t *pusOutBg;        // n x 2 bytes per background image (ucBgNum, at least 1)
    uint8_t *pucOutConfidence; // n bytes
    FLAG_PIXEL *pucOutFlag;    // n bytes
    uint8_t *pucOutRegRgb;     // n x 3 bytes
} GLB_OUTDATAS;

// Per-frame working buffers, allocated at Init after the calibration is
// loaded (F = ucModFreqsNum, W x H = calibration size).
typedef struct Global_Dynamic_Buffer_Pointer {
    int32_t *piDepths[4];              // n per slot < F, depth in LSB
    int32_t *piDepthFusion;            // n, only when F >= 2
    uint16_t *pusAmps[4];              // n per slot
    uint16_t *pusAmpTemp;              // n, only without an inner amplitude output
    FLAG_PIXEL *pucFlags[4];           // n per slot
    FLAG_PIXEL *pucFlagTemp;           // n, only without an inner flag output
    uint8_t *pucConfidenceTemp;        // n, only without an inner confidence output
    char *pcPointCloudTemp;            // only without an inner point cloud, when computed
    int *piXMapLUTOfCaliWidth;         // W, only with calibration
    int *piXMapLUTTempOfCaliWidth;     // W
    int *piYMapLUTOfCaliHeight;        // H
    int *piYMapLUTTempOfCaliHeight;    // H
    BBOOL bAllocate_LENTempImg;        // 1 only when pusLENTempImg is its own allocation
    uint16_t *pusLENTempImg;           // reuses another working image where one exists
    float *pfLENTempArrayOfCaliWidth[2];  // W each, only with calibration
    float *pfLENTempArrayOfCaliHeight[2]; // H each
    int *piFPPNX2LUTOfCaliWidth[4];    // W per slot (640 without calibration)
    int *piFPPNX3LUTOfCaliWidth[4];
    int *piFPPNY2LUTOfCaliHeight[4];   // H per slot (480 without calibration)
    int *piFPPNY3LUTOfCaliHeight[4];
    int *piOut2PhaseCoorMap;           // n
    int *piZeroImg;                    // n, zero-filled
    int *piZeroWigLUT;                 // 10, zero-filled
} GLB_DYN_BUFFERS;

// The handle. Module records (void*) are defined by their modules and follow
// the buffer-record pattern below.
typedef struct Global_Buffer_Pointer {
    void *pGlbBufferAddress;           // own address; a mismatch marks a copied handle
    uint32_t uiFixBufferBytes;         // running totals for the log
    uint32_t uiDynBufferBytes;
    GLB_FIXVAR *pstGlbFixVars;
    GLB_OUTDATAS *pstGlbOutDatas;
    void *pGlbBuffer_DMB;       // motion-blur removal
    void *pGlbBuffer_PDP;       // phase-difference processing
    void *pGlbBuffer_CD;        // depth calculation
    void *pGlbBuffer_BP;        // bad pixels
    void *pGlbBuffer_MASK;      // mask
    void *pGlbBuffer_LEN;       // lens
    void *pGlbBuffer_T;         // temperature
    void *pGlbBuffer_FPPN;      // FPPN
    void *pGlbBuffer_WIG;       // wiggling
    void *pGlbBuffer_FPN;       // gray FPN
    void *pGlbBuffer_LUMA;      // luminance
    void *pGlbBuffer_PhaseFPPN; // phase FPPN
    void *pGlbBuffer_OFS;       // offset
    void *pGlbBuffer_MFF;       // multi-frequency fusion
    void *pGlbBuffer_SDA;       // single-frequency de-aliasing
    void *pGlbBuffer_CC;        // confidence
    void *pGlbBuffer_CPC;       // point cloud
    void *pGlbBuffer_DBG;       // diagnostics
    void *pGlbBuffer_WB;        // abnormal points
    void *pGlbBuffer_AE;        // auto exposure
    void *pGlbBuffer_REG;       // registration
    int16_t *psPhaseDiff[8];    // two per slot (2f, 2f+1), 640 x 480 each, zero-filled
    COOR_MAP *pstThis2CalicCoorMap;
    GLB_DYN_BUFFERS *pstGlbDynBuffers;
    // The dynamic parameters last applied by SetDynamicConfig (validated);
    // all defaults until it runs. Modules read their switches from here too.
    CORR_DYNPARA stDynParas;
    BBOOL bHasSetDynParas;      // 1 once SetDynamicConfig applied a record
} GLB_BUFFERS;

// ---------------------------------------------------------------------------
// Module buffer-record pattern.
//
// Every processing module XX owns a buffer record that starts with
// GLB_MODULE_BUFFERS_HEAD and a variables record that starts with
// GLB_MODULE_VARS_HEAD, and offers, under its prefix:
//   XX_AllocateFixGlbBuffers(...)      -> new record or null (T_, FPPN_, WIG_,
//                                          OFS_ take the number of frequencies)
//   XX_InitGlbVars(record)             defaults of the variables
//   XX_AllocateDynGlbBuffers(record, image length or size)
//   XX_InitOnce(record, ...), XX_PreCalculate(record, ...)
//   XX_ReleaseGlbBuffers(void** record) frees everything and nulls *record
//   XX_ReleaseDynBuffers(record)       where the module can be switched off
// GLB_AllocateModuleRecord / GLB_ReleaseModuleRecord below do the common part.

typedef struct Global_ModuleBuffersHead {
    uint32_t uiFixBufferBytes;
    uint32_t uiDynBufferBytes;
    void *pstGlbVars;
} GLB_MODULE_BUFFERS_HEAD;

typedef struct Global_ModuleVarsHead {
    BBOOL bEnableInitOnce;
    BBOOL bEnableCorrect;            // correction modules
    BBOOL bCaliParaLoadSucc;         // correction modules
    uint32_t uiCaliParaLoadSuccFlag; // correction modules: load-result word
} GLB_MODULE_VARS_HEAD;

// ---------------------------------------------------------------------------
// Allocation. Every buffer of a handle is zero-filled and counted into one
// of the handle's byte totals.

// Zero-filled allocation of count x size bytes, counted into *puiTotalBytes
// (may be null). Null on overflow or failure.
void *GLB_CallocCounted(size_t count, size_t size, uint32_t *puiTotalBytes);
// Frees *pp (count x size bytes were allocated) and nulls it, counting the
// bytes out of *puiTotalBytes (may be null).
void GLB_FreeCounted(void **pp, size_t count, size_t size, uint32_t *puiTotalBytes);

template <typename T>
inline T *GLB_CallocArray(size_t count, uint32_t *puiTotalBytes)
{
    return static_cast<T *>(GLB_CallocCounted(count, sizeof(T), puiTotalBytes));
}
template <typename T>
inline void GLB_FreeArray(T **pp, size_t count, uint32_t *puiTotalBytes)
{
    void *p = *pp;
    GLB_FreeCounted(&p, count, sizeof(T), puiTotalBytes);
    *pp = nullptr;
}

// A module record of type Buffers (starting with GLB_MODULE_BUFFERS_HEAD)
// with its variables record of type Vars (starting with
// GLB_MODULE_VARS_HEAD), both zero-filled; the record's uiFixBufferBytes
// holds both sizes. Null when either allocation fails.
template <typename Buffers, typename Vars>
inline Buffers *GLB_AllocateModuleRecord()
{
    uint32_t uiBytes = 0;
    Buffers *pst = GLB_CallocArray<Buffers>(1, &uiBytes);
    if (pst == nullptr) return nullptr;
    Vars *pstVars = GLB_CallocArray<Vars>(1, &uiBytes);
    if (pstVars == nullptr) {
        GLB_FreeArray(&pst, 1, nullptr);
        return nullptr;
    }
    auto *pstHead = reinterpret_cast<GLB_MODULE_BUFFERS_HEAD *>(pst);
    pstHead->pstGlbVars = pstVars;
    pstHead->uiFixBufferBytes = uiBytes;
    return pst;
}

// Frees the variables record and the record itself and nulls *ppRecord;
// the module frees its own tables first.
template <typename Buffers, typename Vars>
inline void GLB_ReleaseModuleRecord(void **ppRecord)
{
    if (ppRecord == nullptr || *ppRecord == nullptr) return;
    auto *pstHead = static_cast<GLB_MODULE_BUFFERS_HEAD *>(*ppRecord);
    Vars *pstVars = static_cast<Vars *>(pstHead->pstGlbVars);
    GLB_FreeArray(&pstVars, 1, nullptr);
    Buffers *pst = static_cast<Buffers *>(*ppRecord);
    GLB_FreeArray(&pst, 1, nullptr);
    *ppRecord = nullptr;
}

// Test seam: the next n counted allocations succeed, the one after fails
// (once); a negative n switches injection off.
void GLB_SetAllocationFailureCountdown(int n);

class GLB_LogFile;

// Inner output images of every output whose Init buffer type is INNER, plus
// the 116-byte parameter line; counted as dynamic bytes. Logs each failure
// and returns 1 only when every allocation succeeded.
BBOOL GLB_AllocateInnerOutImages(GLB_BUFFERS *pstGlbBuffers, const GLB_LogFile &log);
// Frees the images of an inner output record (not the record itself).
void GLB_ReleaseInnerOutImages(GLB_OUTDATAS *pstOutDatas);

// The per-frame working-buffer record and its buffers, sized by the frame
// layout, the output size and (when loaded) the calibration size. Logs each
// failure and returns 1 only when every allocation succeeded.
BBOOL GLB_AllocateDynBuffers(GLB_BUFFERS *pstGlbBuffers, const GLB_LogFile &log);
// Frees the working buffers and their record and nulls *ppstDynBuffers.
void GLB_ReleaseDynBuffers(GLB_DYN_BUFFERS **ppstDynBuffers);

// Bytes per pixel of one point of the point-cloud type.
inline size_t GLB_PointCloudPointBytes(POINTCLOUD_DATA_TYPE eType)
{
    return eType == PC_TYPE_DEPTH_POINT_CLOUD ? 16u : 12u;
}

}  // namespace NAMESPACE_CORR

#endif  // CORR_COMMON_GLB_BUFFERS_H
