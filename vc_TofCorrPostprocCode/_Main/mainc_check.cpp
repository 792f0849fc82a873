// Validation of the fixed (Init) and dynamic (SetDynamicConfig) parameters.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Common/glb_usecase.h"
#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {

namespace {

constexpr const char *kFixPrefix = "    ------ oryntcorrInit() -> CORR_FIXPARA* pstFixParas -> ";
constexpr const char *kFrmPrefix =
    "    ------ oryntcorrInit() -> CORR_FIXPARA* pstFixParas -> CORR_FRMPARA_FIX* pstFixFrmPara -> ";

// Highest frequency a fixed slot may carry (960/3 MHz, with a margin).
constexpr float kMaxFixModFreqMHZ = 321.0f;
constexpr float kMinFixModFreqMHZ = 1e-6f;
constexpr const char *kInvalidDynParaCn = "\xe6\x97\xa0\xe6\x95\x88\xe7\x9a\x84\xe5\x8a\xa8\xe6\x80\x81"
                                          "\xe9\x85\x8d\xe7\xbd\xae\xe5\x8f\x82\xe6\x95\xb0";  // invalid dynamic parameter

void LogFlagName(const GLB_LogFile &log, const char *pcFlag) { log.Write("\n    %s:\n", pcFlag); }

void LogFixInt(const GLB_LogFile &log, const char *pcFlag, const char *pcField, long long llValue,
               const char *pcRange = nullptr, long long llA = 0, long long llB = 0)
{
    if (!log.IsOn()) return;
    LogFlagName(log, pcFlag);
    log.Write("%s%s: = %lld\n", kFixPrefix, pcField, llValue);
    if (pcRange != nullptr) log.Write(pcRange, llA, llB);
}

// Replaces an output buffer type above INNER by INNER.
void CheckOutBufferType(OUT_IMAGE_BUFFER_TYPE *pe, const char *pcField, unsigned int uiBit, const char *pcFlag,
                        unsigned int *puiAbnormalFlag, const GLB_LogFile &log)
{
    if (static_cast<uint32_t>(*pe) <= OIMG_BUFFER_INNER) return;
    *puiAbnormalFlag |= uiBit;
    LogFixInt(log, pcFlag, pcField, static_cast<uint32_t>(*pe));
    log.Write("           %s's valid range is [0, 2]\n", pcField);
    log.Write("           %s has been set to default value: OIMG_BUFFER_INNER (2)\n", pcField);
    *pe = OIMG_BUFFER_INNER;
}

}  // namespace

uint32_t MAINC_MinEbdBytes(CORR_EBD_TYPE eIsHasEbd)
{
    switch (eIsHasEbd) {
    case CORR_EBD_BEFORE_IMG:
    case CORR_EBD_AFTER_IMG:
    case CORR_EBD_INDEPENDENT: return CORR_EBD_RECORD_BYTES;
    case CORR_ADDINFO_AFTER_IMG: return CORR_EBD_RECORD_BYTES * 2u;
    default: return 0;
    }
}

void MAINC_CheckFixParas(CORR_FIXPARA *pstFix, unsigned int *puiSucc, unsigned int *puiAbn, const GLB_LogFile &log)
{
    // 1. Null record.
    if (pstFix == nullptr) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_FIXPARA_POINTER;
        log.Write("\n    CORR_INIT_FAIL_INVALID_FIXPARA_POINTER:\n");
        log.Write("      ------ oryntcorrInit() -> CORR_FIXPARA* pstFixParas: = NULL\n");
        return;
    }

    // 2. Sensor identification text (need not be zero-terminated).
    const bool bKnownSensor = pstFix->cSensorID[0] != '\0' && std::strncmp(pstFix->cSensorID, "KRX5830", 7) == 0;
    if (!bKnownSensor) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_SENSORID;
        if (log.IsOn()) {
            char cText[33];
            std::memcpy(cText, pstFix->cSensorID, 32);
            cText[32] = '\0';
            LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_SENSORID");
            log.Write("%scSensorID: = %s\n", kFixPrefix, cText);
            log.Write("           cSensorID must begin with KRX5830\n");
        }
    }

    // 3. Use case, as the whole 32-bit value.
    const uint32_t uiUsecase = static_cast<uint32_t>(pstFix->eUsecaseID);
    const bool bUsecaseInRange = uiUsecase >= 1 && uiUsecase <= 32;
    if (!bUsecaseInRange) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_USECASEID;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_USECASEID", "eUsecaseID", uiUsecase,
                  "           eUsecaseID's valid range is [%lld, %lld]\n", 1, 32);
    } else if (pstFix->ucDepthPhaseNum == 2 || pstFix->ucDepthPhaseNum == 4) {
        // A layout whose indices lie beyond its own sub-frame count (use
        // cases laid out for four phases given two) cannot be cut.
        GLB_USECASE_FRAME_MODE stMode;
        GLB_GetThisUsecaseFrameMode(uiUsecase, pstFix->ucDepthPhaseNum, &stMode);
        const int iCount = stMode.ucInSubFrmsNum;
        bool bFits = stMode.cInGrayId < iCount && stMode.cInBgId[0] < iCount && stMode.cInBgId[1] < iCount;
        for (int i = 0; i < 4; ++i) {
            if (stMode.cIn1stPhaseId[i] >= 0 && stMode.cIn1stPhaseId[i] + stMode.ucDepthPhaseNum > iCount) bFits = false;
            if (stMode.cIn1stBgPhaseId[i] >= 0 && stMode.cIn1stBgPhaseId[i] + stMode.ucDepthPhaseNum > iCount) bFits = false;
        }
        if (!bFits || iCount > CORR_MAX_SUBFRAMES) {
            *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_USECASEID;
            LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_USECASEID", "eUsecaseID", uiUsecase);
            log.Write("           the layout of this use case needs four phases, but ucDepthPhaseNum = %d\n",
                      pstFix->ucDepthPhaseNum);
        }
    }
    const int iFreqs = bUsecaseInRange ? GLB_GetThisUsecaseModFreqsNum(uiUsecase) : 0;

    // 4. Input size.
    if (pstFix->usInImgWidth < 1 || pstFix->usInImgWidth > CORR_MAX_IMG_WIDTH) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_IN_IMG_WIDTH;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_IN_IMG_WIDTH", "usInImgWidth", pstFix->usInImgWidth,
                  "           usInImgWidth's valid range is [%lld, %lld]\n", 1, CORR_MAX_IMG_WIDTH);
    }
    if (pstFix->usInImgHeight < 1 || pstFix->usInImgHeight > CORR_MAX_IMG_HEIGHT) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_IN_IMG_HEIGHT;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_IN_IMG_HEIGHT", "usInImgHeight", pstFix->usInImgHeight,
                  "           usInImgHeight's valid range is [%lld, %lld]\n", 1, CORR_MAX_IMG_HEIGHT);
    }

    // 5. Embedded-data type.
    const uint32_t uiEbdType = static_cast<uint32_t>(pstFix->eIsHasEbd);
    if (uiEbdType > CORR_ADDINFO_AFTER_IMG) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_IS_HAS_EBD;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_IS_HAS_EBD", "eIsHasEbd", uiEbdType,
                  "           eIsHasEbd's valid range is [%lld, %lld]\n", 0, 4);
    }

    // 6. Embedded-data size: at least one record where embedded data is read
    // from the image buffers (or, when given, from independent buffers), so
    // the reader never runs past a block or past the input.
    if (uiEbdType <= CORR_ADDINFO_AFTER_IMG && uiEbdType != CORR_NO_EBD) {
        const uint32_t uiMin = MAINC_MinEbdBytes(pstFix->eIsHasEbd);
        const bool bInline = uiEbdType != CORR_EBD_INDEPENDENT;
        const bool bBad = bInline ? pstFix->uiEbdBytes < uiMin
                                  : (pstFix->uiEbdBytes != 0 && pstFix->uiEbdBytes < uiMin);
        if (bBad) {
            *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES;
            LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES", "uiEbdBytes", pstFix->uiEbdBytes,
                      "           uiEbdBytes must be at least %lld with eIsHasEbd = %lld\n", uiMin, uiEbdType);
        }
    }

    // 7. Fixed frame parameters.
    if (pstFix->ucEnableFixFrmPara == 1) {
        const CORR_FRMPARA_FIX *pstFrm = pstFix->pstFixFrmPara;
        if (pstFrm == nullptr) {
            *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_FIX_FRM_PARA;
            if (log.IsOn()) {
                LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_FIX_FRM_PARA");
                log.Write("%spstFixFrmPara: = NULL\n", kFixPrefix);
                log.Write("           but ucEnableFixFrmPara = 1\n");
            }
        } else {
            for (int i = 0; i < iFreqs; ++i) {
                const float f = pstFrm->fModFreqMHZ[i];
                // Written so that NaN fails as well.
                const bool bOk = bKnownSensor ? (f >= kMinFixModFreqMHZ && f <= kMaxFixModFreqMHZ) : !(f > 0.0f) && !std::isnan(f);
                if (!bOk) {
                    *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ;
                    if (log.IsOn()) {
                        LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ");
                        log.Write("%sfModFreqMHZ[%d]: = %f\n", kFrmPrefix, i, static_cast<double>(f));
                        log.Write("           fModFreqMHZ's valid range is [%f, %f] MHz\n", 960.0 / 32, 960.0 / 3);
                    }
                }
            }
            if (pstFrm->usPixelRoiStartX > CORR_MAX_IMG_WIDTH - 1 || pstFrm->usPixelRoiStartY > CORR_MAX_IMG_HEIGHT - 1) {
                *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_PIXEL_ROI_START_XY;
                if (log.IsOn()) {
                    LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_PIXEL_ROI_START_XY");
                    log.Write("%susPixelRoiStartX: = %d, usPixelRoiStartY: = %d\n", kFrmPrefix,
                              pstFrm->usPixelRoiStartX, pstFrm->usPixelRoiStartY);
                    log.Write("           valid range is [0, %d] and [0, %d]\n", CORR_MAX_IMG_WIDTH - 1,
                              CORR_MAX_IMG_HEIGHT - 1);
                }
            }
            if (static_cast<uint32_t>(pstFrm->ePixelMirrorMode) > CORR_PIXEL_MIRROR_UDLR) {
                *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_PIXEL_MIRROR_MODE;
                if (log.IsOn()) {
                    LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_PIXEL_MIRROR_MODE");
                    log.Write("%sePixelMirrorMode: = %u\n", kFrmPrefix, static_cast<uint32_t>(pstFrm->ePixelMirrorMode));
                    log.Write("           ePixelMirrorMode's valid range is [0, 3]\n");
                }
            }
            // Compared unsigned: a negative value is out of range too.
            if (static_cast<uint32_t>(pstFrm->ePixelPhaseMode) > CORR_PIXEL_PHASE_MODE_16) {
                *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_PIXEL_PHASE_MODE;
                if (log.IsOn()) {
                    LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_PIXEL_PHASE_MODE");
                    log.Write("%sePixelPhaseMode: = %u\n", kFrmPrefix, static_cast<uint32_t>(pstFrm->ePixelPhaseMode));
                    log.Write("           ePixelPhaseMode's valid range is [0, 4]\n");
                }
            }
        }
    } else {
        // 8. Frame parameters come from embedded data, so there must be some.
        if (pstFix->eIsHasEbd == CORR_NO_EBD || pstFix->uiEbdBytes == 0) {
            *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_ENABLE_FIX_FRM_PARA;
            if (log.IsOn()) {
                LogFlagName(log, "CORR_INIT_FAIL_INVALID_PARA_ENABLE_FIX_FRM_PARA");
                log.Write("%sucEnableFixFrmPara: = %d\n", kFixPrefix, pstFix->ucEnableFixFrmPara);
                log.Write("           but No Valid EBD: uiEbdBytes = %d, ucIsHasEbd = %d\n",
                          static_cast<int>(pstFix->uiEbdBytes), static_cast<int>(uiEbdType));
            }
        }
    }

    // 9. Binning and phases per frequency share one bit.
    const uint32_t uiBinning = static_cast<uint32_t>(pstFix->ePixelBinningMode);
    if (uiBinning > CORR_PIXEL_BINNING_4x4) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_PIXEL_BINNING_MODE;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_PIXEL_BINNING_MODE", "ePixelBinningMode", uiBinning,
                  "           ePixelBinningMode's valid range is [%lld, %lld]\n", 0, 4);
    }
    if (pstFix->ucDepthPhaseNum != 2 && pstFix->ucDepthPhaseNum != 4) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_DEPTH_PHASE_NUM;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_DEPTH_PHASE_NUM", "ucDepthPhaseNum", pstFix->ucDepthPhaseNum,
                  "           ucDepthPhaseNum must be %lld or %lld\n", 2, 4);
    }

    // 10. Gray / background coding.
    if (static_cast<uint32_t>(pstFix->ePixelGrayBgMode) > CORR_PIXEL_GRAYBG_MODE_2048UP) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE", "ePixelGrayBgMode",
                  static_cast<uint32_t>(pstFix->ePixelGrayBgMode),
                  "           ePixelGrayBgMode's valid range is [%lld, %lld]\n", 0, 2);
    }
    if (pstFix->usPixelGrayBgZeroValue > 4096) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE", "usPixelGrayBgZeroValue",
                  pstFix->usPixelGrayBgZeroValue, "           usPixelGrayBgZeroValue's valid range is [%lld, %lld]\n",
                  0, 4096);
    }

    // 11. HDR.
    if (static_cast<uint32_t>(pstFix->eHDRMode) > CORR_HDR_DF_2FRAME) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_HDR_MODE;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_HDR_MODE", "eHDRMode", static_cast<uint32_t>(pstFix->eHDRMode),
                  "           eHDRMode's valid range is [%lld, %lld]\n", 0, 3);
    }

    // 12. Swap and shift are replaced, not refused.
    if (pstFix->ucEnableDataSwapHighLowBits > 1) {
        *puiAbn |= CORR_INIT_ABNORMAL_INVALID_PARA_ENABLE_DATA_SWAP_BITS;
        LogFixInt(log, "CORR_INIT_ABNORMAL_INVALID_PARA_ENABLE_DATA_SWAP_BITS", "ucEnableDataSwapHighLowBits",
                  pstFix->ucEnableDataSwapHighLowBits,
                  "           ucEnableDataSwapHighLowBits's valid range is [%lld, %lld]\n", 0, 1);
        log.Write("           ucEnableDataSwapHighLowBits has been set to default value: 0\n");
        pstFix->ucEnableDataSwapHighLowBits = 0;
    }
    if (pstFix->ucDataRightShiftBits > 16) {
        *puiAbn |= CORR_INIT_ABNORMAL_INVALID_PARA_DATA_RIGHT_SHIFT_BITS;
        LogFixInt(log, "CORR_INIT_ABNORMAL_INVALID_PARA_DATA_RIGHT_SHIFT_BITS", "ucDataRightShiftBits",
                  pstFix->ucDataRightShiftBits, "           ucDataRightShiftBits's valid range is [%lld, %lld]\n", 0,
                  16);
        log.Write("           ucDataRightShiftBits has been set to default value: 0\n");
        pstFix->ucDataRightShiftBits = 0;
    }

    // 13. Output size: the input size, or half its width when the binning
    // mode bins columns in pairs (the runners de-bin only those).
    const bool bColumnBinning =
        pstFix->ePixelBinningMode == CORR_PIXEL_BINNING_1x2 || pstFix->ePixelBinningMode == CORR_PIXEL_BINNING_2x2;
    const bool bWidthOk = pstFix->usOutImgWidth >= 1 &&
                          (pstFix->usOutImgWidth == pstFix->usInImgWidth ||
                           (bColumnBinning && pstFix->usOutImgWidth == pstFix->usInImgWidth / 2));
    if (!bWidthOk) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH", "usOutImgWidth", pstFix->usOutImgWidth,
                  "           usOutImgWidth must be usInImgWidth (%lld), or %lld with 1x2 or 2x2 binning\n",
                  pstFix->usInImgWidth, pstFix->usInImgWidth / 2);
    }
    if (pstFix->usOutImgHeight != pstFix->usInImgHeight) {
        *puiSucc |= CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_HEIGHT;
        LogFixInt(log, "CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_HEIGHT", "usOutImgHeight", pstFix->usOutImgHeight,
                  "           usOutImgHeight must be usInImgHeight (%lld), got %lld\n", pstFix->usInImgHeight,
                  pstFix->usOutImgHeight);
    }

    // 14. Output buffer types (the registered RGB type is not checked).
    CheckOutBufferType(&pstFix->eOutBufferType_PointCloud, "eOutBufferType_PointCloud",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_PC,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_PC", puiAbn, log);
    CheckOutBufferType(&pstFix->eOutBufferType_Depth, "eOutBufferType_Depth",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_DEPTH,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_DEPTH", puiAbn, log);
    CheckOutBufferType(&pstFix->eOutBufferType_Amp, "eOutBufferType_Amp",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_AMP,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_AMP", puiAbn, log);
    CheckOutBufferType(&pstFix->eOutBufferType_Gray, "eOutBufferType_Gray",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_GRAY,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_GRAY", puiAbn, log);
    CheckOutBufferType(&pstFix->eOutBufferType_Bg, "eOutBufferType_Bg",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_BG,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_BG", puiAbn, log);
    CheckOutBufferType(&pstFix->eOutBufferType_Confidence, "eOutBufferType_Confidence",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_CONFI,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_CONFI", puiAbn, log);
    CheckOutBufferType(&pstFix->eOutBufferType_Flag, "eOutBufferType_Flag",
                       CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_FLAG,
                       "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_FLAG", puiAbn, log);

    // 15. Output value types.
    if (static_cast<uint32_t>(pstFix->eOutDepthValueType) > DEPTH_VALUE_XYZ) {
        *puiAbn |= CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_VALUE_TYPE;
        LogFixInt(log, "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_VALUE_TYPE", "eOutDepthValueType",
                  static_cast<uint32_t>(pstFix->eOutDepthValueType));
        log.Write("           eOutDepthValueType has been set to default value: DEPTH_VALUE_XYZ (1)\n");
        pstFix->eOutDepthValueType = DEPTH_VALUE_XYZ;
    }
    if (static_cast<uint32_t>(pstFix->eOutDepthType) > DEPTH_TYPE_DEPTH16) {
        *puiAbn |= CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_TYPE;
        LogFixInt(log, "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_TYPE", "eOutDepthType",
                  static_cast<uint32_t>(pstFix->eOutDepthType));
        log.Write("           eOutDepthType has been set to default value: DEPTH_TYPE_UINT16 (0)\n");
        pstFix->eOutDepthType = DEPTH_TYPE_UINT16;
    }
    if (static_cast<uint32_t>(pstFix->eOutPointCloudType) > PC_TYPE_DEPTH_POINT_CLOUD) {
        *puiAbn |= CORR_INIT_ABNORMAL_INVALID_PARA_OUT_POINT_CLOUE_TYPE;
        LogFixInt(log, "CORR_INIT_ABNORMAL_INVALID_PARA_OUT_POINT_CLOUE_TYPE", "eOutPointCloudType",
                  static_cast<uint32_t>(pstFix->eOutPointCloudType));
        log.Write("           eOutPointCloudType has been set to default value: PC_TYPE_PC32F (0)\n");
        pstFix->eOutPointCloudType = PC_TYPE_PC32F;
    }

    // 16. Calibration blob; Init goes on without one.
    if (pstFix->pcInCaliParas == nullptr) {
        *puiAbn |= CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER;
        if (log.IsOn()) {
            LogFlagName(log, "CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER");
            log.Write("%spcInCaliParas: = NULL\n", kFixPrefix);
            log.Write("           the correction runs without calibration parameters\n");
        }
    }
}

CORR_DYNPARA MAINC_DefaultDynParas()
{
    CORR_DYNPARA st;
    std::memset(&st, 0, sizeof(st));
    st.ucEnableCorrBP = 1;
    st.ucEnableCorrLen = 1;
    st.ucEnableCorrT = 1;
    st.ucEnableCorrOFS = 1;
    st.ucEnableCorrFPPN = 1;
    st.ucEnableCorrWig = 1;
    st.ucEnableCorrFPN = 1;
    st.ucEnableCorrLUMA = 0;
    st.ucEnableCorrMask = 0;
    st.ucEnableLenFillInvalidPixels = 1;
    st.ucEnableLenCutInalidPixels = 1;
    st.ucEnableCorrOffset = 0;
    st.ucEnableCorrSingleDepth = 1;
    st.ucEnableAE = 0;
    st.usAERoiXMin = 0;
    st.usAERoiYMin = 0;
    st.usAERoiXMax = CORR_MAX_IMG_WIDTH - 1;
    st.usAERoiYMax = CORR_MAX_IMG_HEIGHT - 1;
    st.usAEOverExposureThres = 240;
    st.usAEOptAmpThres = 200;
    st.usAEContrast = 100;
    st.ucEnableDeALI = 0;
    st.usPresetMaxDist = 4000;
    st.fFusionErrorExpandMinTsh = 0.3f;
    st.ucEnableDeMotionBlur = 0;
    st.ucEnableRegistration = 0;
    return st;
}

namespace {

void ReplaceDyn(const GLB_LogFile &log, unsigned int *puiAbn, const char *pcField, long long llValue,
                const char *pcLimit, long long llDefault)
{
    *puiAbn |= CORR_ARITH_ABNORMAL_INVALID_DYNPARA;
    log.Write("\n    CORR_ARITH_ABNORMAL_INVALID_DYNPARA: %s - %s = %lld (%s)\n", kInvalidDynParaCn, pcField, llValue,
              pcLimit);
    log.Write("    ------ %s has been set to default value: %lld\n", pcField, llDefault);
}

void CheckSwitch(uint8_t *puc, uint8_t ucDefault, const char *pcField, unsigned int *puiAbn, const GLB_LogFile &log)
{
    if (*puc <= 1) return;
    ReplaceDyn(log, puiAbn, pcField, *puc, "valid: 0 or 1", ucDefault);
    *puc = ucDefault;
}

void CheckRange(uint16_t *pus, uint16_t usMin, uint16_t usMax, uint16_t usDefault, const char *pcField,
                unsigned int *puiAbn, const GLB_LogFile &log)
{
    if (*pus >= usMin && *pus <= usMax) return;
    char cLimit[48];
    std::snprintf(cLimit, sizeof(cLimit), "valid range [%u, %u]", usMin, usMax);
    ReplaceDyn(log, puiAbn, pcField, *pus, cLimit, usDefault);
    *pus = usDefault;
}

}  // namespace

void MAINC_CheckDynParas(CORR_DYNPARA *pst, unsigned int *puiAbn, const GLB_LogFile &log)
{
    CheckSwitch(&pst->ucEnableCorrBP, 1, "ucEnableCorrBP", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrLen, 1, "ucEnableCorrLen", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrT, 1, "ucEnableCorrT", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrOFS, 1, "ucEnableCorrOFS", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrFPPN, 1, "ucEnableCorrFPPN", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrWig, 1, "ucEnableCorrWig", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrFPN, 1, "ucEnableCorrFPN", puiAbn, log);
    CheckSwitch(&pst->ucEnableLenFillInvalidPixels, 1, "ucEnableLenFillInvalidPixels", puiAbn, log);
    CheckSwitch(&pst->ucEnableLenCutInalidPixels, 1, "ucEnableLenCutInalidPixels", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrSingleDepth, 1, "ucEnableCorrSingleDepth", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrLUMA, 0, "ucEnableCorrLUMA", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrMask, 0, "ucEnableCorrMask", puiAbn, log);
    CheckSwitch(&pst->ucEnableCorrOffset, 0, "ucEnableCorrOffset", puiAbn, log);
    CheckSwitch(&pst->ucEnableAE, 0, "ucEnableAE", puiAbn, log);
    CheckSwitch(&pst->ucEnableDeMotionBlur, 0, "ucEnableDeMotionBlur", puiAbn, log);
    CheckSwitch(&pst->ucEnableRegistration, 0, "ucEnableRegistration", puiAbn, log);
    CheckSwitch(&pst->ucEnableDeALI, 0, "ucEnableDeALI", puiAbn, log);
    CheckRange(&pst->usAEOverExposureThres, 0, 2055, 240, "usAEOverExposureThres", puiAbn, log);
    CheckRange(&pst->usAEOptAmpThres, 10, 4095, 200, "usAEOptAmpThres", puiAbn, log);
    CheckRange(&pst->usAEContrast, 10, 2055, 100, "usAEContrast", puiAbn, log);
    // Written so that NaN is replaced as well.
    const float f = pst->fFusionErrorExpandMinTsh;
    if (!(f >= 1e-6f && (f - 0.501f) <= 1e-6f)) {
        *puiAbn |= CORR_ARITH_ABNORMAL_INVALID_DYNPARA;
        log.Write("\n    CORR_ARITH_ABNORMAL_INVALID_DYNPARA: %s - fFusionErrorExpandMinTsh = %f (valid range [%f, %f])\n",
                  kInvalidDynParaCn, static_cast<double>(f), 1e-6, 0.501);
        log.Write("    ------ fFusionErrorExpandMinTsh has been set to default value: %f\n", 0.3);
        pst->fFusionErrorExpandMinTsh = 0.3f;
    }
}

}  // namespace NAMESPACE_CORR
