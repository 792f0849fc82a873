// oryntcorrInit and oryntcorrRelease: validation, allocation and filling of
// a handle, and its release.
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "Common/glb_usecase.h"
#include "Correct/cali_modules.h"
#include "_Main/mainc_handle.h"
#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {

namespace {

// Eight 16-bit lanes per vector in the pixel kernels.
constexpr int kSimdUint16Step = 8;

constexpr const char *kInitExceptionCn = "\xe5\x88\x9d\xe5\xa7\x8b\xe5\x8c\x96\xe5\xbc\x82\xe5\xb8\xb8";  // initialization exception

int ThreadCount()
{
    const unsigned int n = std::thread::hardware_concurrency() >> 1;
    return n == 0 ? 1 : static_cast<int>(n);
}

uint8_t StepOrDefault(uint8_t ucStep, uint8_t ucZeroMeans) { return ucStep == 0 ? ucZeroMeans : ucStep; }

// Fills the fixed variables from the validated parameters.
void InitGlbFixVars(GLB_FIXVAR *pstFix, const CORR_FIXPARA *pstPara, unsigned int *puiSucc, const GLB_LogFile &log)
{
    pstFix->bInitSuccFlag = 1;
    std::memcpy(pstFix->cSensorID, pstPara->cSensorID, sizeof(pstFix->cSensorID));
    pstFix->cSensorID[sizeof(pstFix->cSensorID) - 1] = '\0';
    pstFix->eSensorType = std::strncmp(pstPara->cSensorID, "KRX5830", 7) == 0 ? SENSOR_TYPE_5830 : SENSOR_TYPE_UNKNOWN;
    pstFix->eUsecaseID = pstPara->eUsecaseID;
    pstFix->uiFrameID = 0;

    GLB_USECASE_FRAME_MODE stMode;
    GLB_GetThisUsecaseFrameMode(static_cast<uint32_t>(pstPara->eUsecaseID), pstPara->ucDepthPhaseNum, &stMode);
    pstFix->ucInSubFrmsNum = stMode.ucInSubFrmsNum;
    pstFix->ucModFreqsNum = stMode.ucModFreqsNum;
    pstFix->ucDepthPhaseNum = stMode.ucDepthPhaseNum;
    pstFix->ucIsHasBgPhase = stMode.ucIsHasBgPhase;
    pstFix->ucBgNum = stMode.ucBgNum;
    std::memcpy(pstFix->cIn1stPhaseId, stMode.cIn1stPhaseId, sizeof(pstFix->cIn1stPhaseId));
    std::memcpy(pstFix->cIn1stBgPhaseId, stMode.cIn1stBgPhaseId, sizeof(pstFix->cIn1stBgPhaseId));
    pstFix->cInGrayId = stMode.cInGrayId;
    pstFix->cInBgId[0] = stMode.cInBgId[0];
    pstFix->cInBgId[1] = stMode.cInBgId[1];
    pstFix->ucIsHasGray = stMode.cInGrayId >= 0 ? 1 : 0;
    pstFix->ucValidBgId = 0;

    pstFix->usInWidth = pstPara->usInImgWidth;
    pstFix->usInHeight = pstPara->usInImgHeight;
    pstFix->usOutWidth = pstPara->usOutImgWidth;
    pstFix->usOutHeight = pstPara->usOutImgHeight;
    pstFix->eIsHasEbd = pstPara->eIsHasEbd;
    pstFix->uiEbdBytes = pstPara->uiEbdBytes;

    GLB_WORK_SENSOR_STATUS &stWork = pstFix->stWorkSensorStatus;
    const bool bFixed = pstPara->ucEnableFixFrmPara == 1 && pstPara->pstFixFrmPara != nullptr;
    uint8_t ucStepX = 1;
    uint8_t ucStepY = 1;
    if (bFixed) {
        const CORR_FRMPARA_FIX *pstFrm = pstPara->pstFixFrmPara;
        for (int i = 0; i < CORR_MAX_MOD_FREQS; ++i) pstFix->fModFreqsMHZ[i] = pstFrm->fModFreqMHZ[i];
        stWork.usPixelRoiStartX = pstFrm->usPixelRoiStartX;
        stWork.usPixelRoiStartY = pstFrm->usPixelRoiStartY;
        ucStepX = pstFrm->ucPixelLowResoStepX;
        ucStepY = pstFrm->ucPixelLowResoStepY;
        stWork.ePixelMirrorMode = pstFrm->ePixelMirrorMode;
        stWork.ePixelPhaseMode = pstFrm->ePixelPhaseMode;
    } else {
        for (int i = 0; i < CORR_MAX_MOD_FREQS; ++i) pstFix->fModFreqsMHZ[i] = 0.0f;
        stWork.usPixelRoiStartX = 0;
        stWork.usPixelRoiStartY = 0;
        stWork.ePixelMirrorMode = CORR_PIXEL_MIRROR_OFF;
        stWork.ePixelPhaseMode = CORR_PIXEL_PHASE_MODE_OFF;
    }
    stWork.usPixelRawResoWidth = CORR_MAX_IMG_WIDTH;
    stWork.usPixelRawResoHeight = CORR_MAX_IMG_HEIGHT;
    stWork.ePixelBinningMode = pstPara->ePixelBinningMode;
    // A step of 0 reads as 32; rows binned by the sensor read a Y step of 0 as 16.
    const bool bRowBinning = pstPara->ePixelBinningMode == CORR_PIXEL_BINNING_2x1 ||
                             pstPara->ePixelBinningMode == CORR_PIXEL_BINNING_2x2 ||
                             pstPara->ePixelBinningMode == CORR_PIXEL_BINNING_4x4;
    stWork.ucPixelLowResoStepX = StepOrDefault(ucStepX, 32);
    stWork.ucPixelLowResoStepY = StepOrDefault(ucStepY, bRowBinning ? 16 : 32);

    pstFix->ePixelGrayBgMode = pstPara->ePixelGrayBgMode;
    pstFix->usPixelGrayBgZeroValue = pstPara->usPixelGrayBgZeroValue;
    pstFix->bHasSetFixParasAtInit = pstPara->ucEnableFixFrmPara == 1 ? 1 : 0;
    pstFix->eHDRMode = pstPara->eHDRMode;
    pstFix->ucEnableDataSwapHighLowBits = pstPara->ucEnableDataSwapHighLowBits;
    pstFix->ucDataRightShiftBits = pstPara->ucDataRightShiftBits;
    pstFix->ucEnableSubBgPhase = 0;
    pstFix->bEnableManualOffsetCorr = 0;
    std::memset(pstFix->sManualOffsetCorretionMM, 0, sizeof(pstFix->sManualOffsetCorretionMM));

    pstFix->eOutBufferType_PointCloud = pstPara->eOutBufferType_PointCloud;
    pstFix->eOutBufferType_Depth = pstPara->eOutBufferType_Depth;
    pstFix->eOutBufferType_Amp = pstPara->eOutBufferType_Amp;
    pstFix->eOutBufferType_Gray = pstPara->eOutBufferType_Gray;
    pstFix->eOutBufferType_Bg = pstPara->eOutBufferType_Bg;
    pstFix->eOutBufferType_Confidence = pstPara->eOutBufferType_Confidence;
    pstFix->eOutBufferType_Flag = pstPara->eOutBufferType_Flag;
    pstFix->eOutBufferType_RegRgb = pstPara->eOutBufferType_RegRgb;
    pstFix->eOutDepthValueType = pstPara->eOutDepthValueType;
    pstFix->eOutDepthType = pstPara->eOutDepthType;
    pstFix->eOutPointCloudType = pstPara->eOutPointCloudType;

    pstFix->eArithWorkMode = GLB_SetArithWorkMode(pstFix->ucModFreqsNum, pstFix->ucIsHasGray, pstFix->ucBgNum);
    if (pstFix->eArithWorkMode == WORK_MODE_UNKNOWN) {
        *puiSucc |= CORR_INTI_FAIL_INVALID_WORKMODE;
        log.Write("\n    CORR_INTI_FAIL_INVALID_WORKMODE:\n");
        log.Write("    ------ ArithWorkMode: WORK_MODE_UNKNOWN (%d)\n", static_cast<int>(WORK_MODE_UNKNOWN));
    }
    pstFix->ucEnableCalcPointCloud =
        (pstFix->eOutBufferType_PointCloud != OIMG_BUFFER_NULL ||
         (pstFix->eOutBufferType_Depth != OIMG_BUFFER_NULL && pstFix->eOutDepthValueType == DEPTH_VALUE_XYZ))
            ? 1
            : 0;
    pstFix->bLoadCaliParasSuccFlag = 0;
    pstFix->eCaliParasVersion = CALI_PARAS_UNKNOWN;
    pstFix->bWBDetectSuccFlag = 0;
    std::memset(&pstFix->rsWBRegionRect, 0, sizeof(pstFix->rsWBRegionRect));
    pstFix->usOutWidthLastFrame = pstFix->usOutWidth;
    pstFix->usOutHeightLastFrame = pstFix->usOutHeight;
    pstFix->stWorkSensorStatusLastFrame = pstFix->stWorkSensorStatus;
}

// The frame-independent part of the frequency set-up after calibration:
// counters, units, value modes, last-frame fields and the slots'
// calibration frequencies.
void InitFrameIndependentFields(GLB_FIXVAR *pstFix, const GLB_LogFile &log)
{
    pstFix->uiArithFrmCnt = 0;
    // The depth unit of a slot needs the maximum frequency; until the frame
    // or the calibration supplies it the units stay 0.
    if (!(pstFix->bMaxFreqLoadFromCaliParas == 1 && pstFix->iMaxFreqFromCali > 0)) {
        for (int i = 0; i < CORR_MAX_MOD_FREQS; ++i) pstFix->fThisUnitOfDepthMM[i] = 0.0f;
    }
    pstFix->fUnitOfOutDepth = 0.0f;
    pstFix->eOutGrayValueMode = pstFix->ePixelGrayBgMode;
    pstFix->eOutBgValueMode = pstFix->ePixelGrayBgMode;
    pstFix->usOutWidthLastFrame = pstFix->usOutWidth;
    pstFix->usOutHeightLastFrame = pstFix->usOutHeight;
    pstFix->stWorkSensorStatusLastFrame = pstFix->stWorkSensorStatus;

    // The frequencies the per-slot calibration records are loaded for, and
    // for each slot the first slot with the same frequency.
    for (int i = 0; i < CORR_MAX_MOD_FREQS; ++i) {
        const float f = pstFix->fModFreqsMHZ[i];
        pstFix->usCaliModFreqsMHZ[i] = (f > 0.0f && f <= 65535.0f) ? static_cast<uint16_t>(std::ceil(f)) : 0;
    }
    for (int i = 0; i < CORR_MAX_MOD_FREQS; ++i) {
        uint8_t ucId = 255;
        for (int j = 0; j < CORR_MAX_MOD_FREQS; ++j) {
            if (pstFix->usCaliModFreqsMHZ[j] == pstFix->usCaliModFreqsMHZ[i]) {
                ucId = static_cast<uint8_t>(j);
                break;
            }
        }
        if (ucId == 255) {
            ucId = static_cast<uint8_t>(i);
            log.Write("\nInitEachFrame: ucEBD2CaliFreqID calculate failure! Check iMaxFreqFromCali!\n");
        }
        pstFix->ucEBD2CaliFreqID[i] = ucId;
    }
}

// Fixed buffers: inner output record, module records, phase-difference
// images and the coordinate map. 1 when every needed buffer exists.
BBOOL AllocateFixGlbBuffers(GLB_BUFFERS *pst, const GLB_LogFile &log)
{
    GLB_FIXVAR *pstFix = pst->pstGlbFixVars;
    uint32_t *puiBytes = &pst->uiFixBufferBytes;
    pst->pstGlbOutDatas = GLB_CallocArray<GLB_OUTDATAS>(1, puiBytes);

    // Module records, in the order CD, BP, MASK, LEN, T, FPPN, WIG, FPN,
    // LUMA, OFS, PhaseFPPN, MFF, SDA, CC, CPC, AE, REG, DMB, WB, DBG, PDP.
    // Each processing module allocates its record here with its own
    // XX_AllocateFixGlbBuffers; of these the diagnostics record exists today.
    pst->pGlbBuffer_DBG = DBG_AllocateFixGlbBuffers();
    if (pst->pGlbBuffer_DBG != nullptr) {
        *puiBytes += static_cast<DBG_GLB_BUFFERS *>(pst->pGlbBuffer_DBG)->stHead.uiFixBufferBytes;
    }
    // The calibrated correction modules (their records hold the calibration).
    const BBOOL bCaliModulesOk = CALI_AllocateCaliModules(pst);

    const int iFreqs = pstFix->ucModFreqsNum > CORR_MAX_MOD_FREQS ? CORR_MAX_MOD_FREQS : pstFix->ucModFreqsNum;
    BBOOL bPhaseDiffOk = 1;
    for (int i = 0; i < 2 * iFreqs; ++i) {
        pst->psPhaseDiff[i] = GLB_CallocArray<int16_t>(CORR_MAX_IMG_PIXELS, puiBytes);
        if (pst->psPhaseDiff[i] == nullptr) bPhaseDiffOk = 0;
    }
    pst->pstThis2CalicCoorMap = GLB_CallocArray<COOR_MAP>(1, puiBytes);

    const bool bOk = pst->pstGlbOutDatas != nullptr && pst->pGlbBuffer_DBG != nullptr && bPhaseDiffOk == 1 &&
                     pst->pstThis2CalicCoorMap != nullptr && bCaliModulesOk == 1;
    if (!bOk && log.IsOn()) {
        log.Write("\n    CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE:\n");
        log.Write("    ------ pstGlbBuffers->pstGlbOutDatas  = %p\n", static_cast<void *>(pst->pstGlbOutDatas));
        log.Write("    ------ pstGlbBuffers->pGlbBuffer_DBG  = %p\n", pst->pGlbBuffer_DBG);
        for (int i = 0; i < 2 * iFreqs; ++i) {
            log.Write("    ------ pstGlbBuffers->psPhaseDiff[%d]  = %p\n", i, static_cast<void *>(pst->psPhaseDiff[i]));
        }
        log.Write("    ------ pstGlbBuffers->pstThis2CalicCoorMap  = %p\n",
                  static_cast<void *>(pst->pstThis2CalicCoorMap));
    }
    return bOk ? 1 : 0;
}

// Default variables of every module that exists.
void InitModulesGlbVars(GLB_BUFFERS *pst)
{
    DBG_InitGlbVars(static_cast<DBG_GLB_BUFFERS *>(pst->pGlbBuffer_DBG));
    CALI_InitCaliModulesGlbVars(pst);
}

// One-time initialisation and pre-calculation of the modules with maximum
// frequency iMaxFreq. Each processing module runs its XX_InitOnce /
// XX_PreCalculate here (depth calculation first; wiggling, offset, FPPN per
// slot; then bad pixels, lens, mask, FPN, luminance, phase FPPN, point
// cloud). Returns 0 when a step that stops the sequence failed.
BBOOL InitOnceAndPreCalcModules(GLB_BUFFERS *pst, int iMaxFreq)
{
    (void)iMaxFreq;
    return pst != nullptr ? 1 : 0;
}

}  // namespace

void MAINC_LoadCaliParasAtInit(GLB_BUFFERS *pstGlbBuffers, const CORR_FIXPARA *pstFixParas,
                               unsigned int *puiInitSuccFlag, unsigned int *puiInitAbnormalFlag,
                               const GLB_LogFile &log)
{
    (void)puiInitSuccFlag;  // calibration problems never fail Init
    CALI_LoadCaliParasAtInit(pstGlbBuffers, pstFixParas, puiInitAbnormalFlag, log);
}

void MAINC_ReleaseGlbBuffers(GLB_BUFFERS *pst)
{
    if (pst == nullptr) return;
    MAINC_UnregisterHandle(pst);
    pst->pGlbBufferAddress = nullptr;
    pst->uiFixBufferBytes = 0;
    pst->uiDynBufferBytes = 0;
    for (auto &ps : pst->psPhaseDiff) GLB_FreeArray(&ps, 0, nullptr);
    GLB_FreeArray(&pst->pstGlbFixVars, 0, nullptr);
    GLB_ReleaseInnerOutImages(pst->pstGlbOutDatas);
    GLB_FreeArray(&pst->pstGlbOutDatas, 0, nullptr);
    // Each module frees its own record and tables.
    DBG_ReleaseGlbBuffers(&pst->pGlbBuffer_DBG);
    CALI_ReleaseCaliModules(pst);
    GLB_FreeArray(&pst->pstThis2CalicCoorMap, 0, nullptr);
    GLB_ReleaseDynBuffers(&pst->pstGlbDynBuffers);
    GLB_FreeArray(&pst, 1, nullptr);
}

}  // namespace NAMESPACE_CORR

using namespace NAMESPACE_CORR;

void *NAMESPACE_CORR::oryntcorrInit(CORR_FIXPARA *pstFixParas, unsigned int *puiInitSuccFlag,
                                                             unsigned int *puiInitAbnormalFlag,
                                                             unsigned char ucEnableLogFile,
                                                             unsigned char ucEnableCostTimeLogFile)
{
    const auto tStart = std::chrono::steady_clock::now();
    const GLB_LogFile log(CORR_LOG_INIT, ucEnableLogFile);
    const GLB_LogFile logCost(CORR_LOG_INIT_COSTTIME, ucEnableCostTimeLogFile);
    const GLB_LogFile logRunCost(CORR_LOG_RUN_COSTTIME, ucEnableCostTimeLogFile);

    // 1-2. Log and flag words.
    log.Reset("\nTof correction algorithm is initializing ...\n\n");
    if (puiInitSuccFlag == nullptr || puiInitAbnormalFlag == nullptr) {
        if (puiInitSuccFlag == nullptr) log.Write("\nError: the input 'unsigned int* puiSuccFlag' is NULL!\n");
        if (puiInitAbnormalFlag == nullptr) log.Write("\nError: the input 'unsigned int* puiAbnormalFlag' is NULL!\n");
        log.Write("\n\nInitialization failure!\n");
        return nullptr;
    }
    unsigned int &uiSucc = *puiInitSuccFlag;
    unsigned int &uiAbn = *puiInitAbnormalFlag;
    uiSucc = CORR_INIT_SUCCESS;
    uiAbn = CORR_INIT_NORMAL;
    logCost.Reset("\nCalculating cost time of oryntcorrInit() ...\n\n");
    logRunCost.Reset("\nThis file has been reset in oryntcorrInit() !\n");

    // 4. Validation.
    MAINC_CheckFixParas(pstFixParas, &uiSucc, &uiAbn, log);
    if (uiAbn != 0) log.Write("\n\nInitialization exception! (%s)\n", kInitExceptionCn);
    if (uiSucc != 0) {
        log.Write("\n\nInitialization failure!\n");
        return nullptr;
    }

    // 5. The handle.
    uint32_t uiHandleBytes = 0;
    GLB_BUFFERS *pst = GLB_CallocArray<GLB_BUFFERS>(1, &uiHandleBytes);
    if (pst == nullptr) {
        uiSucc |= CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE;
        log.Write("\n    CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE:\n");
        log.Write("    ------ CORR_GLBBUFFER* pstOuterGlbBuffers malloc failed\n");
        log.Write("\n\nInitialization failure!\n");
        return nullptr;
    }
    pst->pGlbBufferAddress = pst;
    pst->uiFixBufferBytes = uiHandleBytes;
    pst->stDynParas = MAINC_DefaultDynParas();
    MAINC_RegisterHandle(pst);

    // 6.
    log.Write("\nCurrent platform support SIMD, SIMD_UINT16_STEP is %d \n", kSimdUint16Step);
    log.Write("\nCurrent thread count is %d \n", ThreadCount());

    // 7. Fixed variables.
    pst->pstGlbFixVars = GLB_CallocArray<GLB_FIXVAR>(1, &pst->uiFixBufferBytes);
    if (pst->pstGlbFixVars == nullptr) {
        uiSucc |= CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE;
        log.Write("\n    CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE:\n");
        log.Write("    ------ pstGlbBuffers->pstGlbFixVars  = %p\n", static_cast<void *>(pst->pstGlbFixVars));
    } else {
        InitGlbFixVars(pst->pstGlbFixVars, pstFixParas, &uiSucc, log);
        // 8. Fixed buffers.
        if (uiSucc == 0 && AllocateFixGlbBuffers(pst, log) == 0) uiSucc |= CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE;
    }
    // 9.
    if (uiSucc != 0) {
        MAINC_ReleaseGlbBuffers(pst);
        log.Write("\n\nInitialization failure!\n");
        return nullptr;
    }
    GLB_FIXVAR *pstFix = pst->pstGlbFixVars;

    // 10. Module defaults.
    InitModulesGlbVars(pst);

    // 11. Calibration blob.
    MAINC_LoadCaliParasAtInit(pst, pstFixParas, &uiSucc, &uiAbn, log);

    // 12-13. Frequency set-up that does not depend on a frame. The table of
    // achievable frequencies and the depth units from a calibrated maximum
    // frequency are built by the frame-preparation functions, which join
    // here with them.
    InitFrameIndependentFields(pstFix, log);

    // 14. Dynamic buffers: a failure here is reported, the handle returned.
    if (GLB_AllocateInnerOutImages(pst, log) == 0) uiSucc |= CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE;
    if (GLB_AllocateDynBuffers(pst, log) == 0) uiSucc |= CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE;
    auto *pstDbg = static_cast<DBG_GLB_BUFFERS *>(pst->pGlbBuffer_DBG);
    if (ucEnableCostTimeLogFile == 1) {
        const uint32_t uiBefore = pstDbg->stHead.uiDynBufferBytes;
        if (DBG_AllocateDynGlbBuffers(pstDbg) == 0) {
            uiSucc |= CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE;
            log.Write("    ------ pstGlbBuffers->pGlbBuffer_DBG->pstRunCostTime allocated failed\n");
        }
        pst->uiDynBufferBytes += pstDbg->stHead.uiDynBufferBytes - uiBefore;
    }

    // 15. With fixed frame parameters the set-up is complete now and the
    // modules initialise once; otherwise this happens on the first frame.
    // The calibration pixel mode and the two coordinate maps of this step
    // are computed by the frame-preparation functions, which join here.
    if (pstFix->bHasSetFixParasAtInit == 1 && InitOnceAndPreCalcModules(pst, pstFix->iMaxFreqFromCali) == 0) {
        uiAbn |= CORR_INIT_FAIL_MODULE_INIT_PRECALC;
        log.Write("\n    CORR_INIT_FAIL_MODULE_INIT_PRECALC: module initialisation failed\n");
    }

    // 16.
    DBG_Vars(pstDbg)->bEnableCostTime = ucEnableCostTimeLogFile == 1 ? 1 : 0;

    // A handle whose buffers are incomplete is returned for release only:
    // SetDynamicConfig and RunCorrection refuse it as not initialised.
    if (uiSucc != 0) pstFix->bInitSuccFlag = 0;

    // 17.
    log.Write("\nGlobal buffers has already allocated successfully! \n");
    log.Write("------ Fixed GlbBufferBytes:    %d Bytes (%.4f MB)\n", static_cast<int>(pst->uiFixBufferBytes),
              pst->uiFixBufferBytes / 1024.0 / 1024.0);
    log.Write("------ Dynamic GlbBufferBytes:  %d Bytes (%.4f MB)\n", static_cast<int>(pst->uiDynBufferBytes),
              pst->uiDynBufferBytes / 1024.0 / 1024.0);
    log.Write(uiSucc == 0 ? "\n\nInitialization successfully!\n" : "\n\nInitialization failure!\n");
    logCost.Write("oryntcorrInit: %.3f ms\n", static_cast<double>(DBG_ElapsedMS(tStart)));
    return pst;
}

void NAMESPACE_CORR::oryntcorrRelease(void **pGlbBuffer, unsigned char ucEnableLogFile)
{
    const GLB_LogFile log(CORR_LOG_RELEASE, ucEnableLogFile);
    log.Reset("\nTof correction algorithm is releasing ...\n\n");
    if (pGlbBuffer == nullptr || *pGlbBuffer == nullptr || !MAINC_IsLiveHandle(*pGlbBuffer)) {
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTER_BUFFER:\n");
        log.Write("    ------ Error: the input pGlbBuffer == NULL\n");
        log.Write("\n\nTof correction algorithm release failure!\n");
        return;
    }
    MAINC_ReleaseGlbBuffers(static_cast<GLB_BUFFERS *>(*pGlbBuffer));
    *pGlbBuffer = nullptr;
    log.Write("\nThe global buffers has been successfully freed!\n");
}
