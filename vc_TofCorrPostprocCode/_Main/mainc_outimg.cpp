// Output-image negotiation: who provides the memory of each output image of
// a frame, decided from the caller's run-time buffer type and the Init type.
#include <cstring>

#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {

namespace {

struct OutImageSlot {
    CORR_OIMG *pstImg;
    OUT_IMAGE_BUFFER_TYPE eInitType;
    char *pcInner;  // the inner buffer of this image, or null
    OUT_IMAGE_NAME eName;
    OUT_IMAGE_DATA_TYPE eDataType;
    bool bMandatory;
    const char *pcName;
};

bool IsPhaseWorkMode(ARITH_WORK_MODE e) { return e >= WORK_MODE_SFREQ && e <= WORK_MODE_FFREQ; }
bool IsGrayMandatory(ARITH_WORK_MODE e) { return e == WORK_MODE_GRAY || e == WORK_MODE_GRAY_BG; }
bool IsBgMandatory(ARITH_WORK_MODE e) { return e == WORK_MODE_BG || e == WORK_MODE_GRAY_BG; }

void FailOrWarn(bool bMandatory, unsigned int uiAbnBit, unsigned int *puiSucc, unsigned int *puiAbn)
{
    if (bMandatory) {
        *puiSucc |= CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER;
    } else {
        *puiAbn |= uiAbnBit;
    }
}

void NegotiateImage(const OutImageSlot &s, uint16_t usWidth, uint16_t usHeight, unsigned int *puiSucc,
                    unsigned int *puiAbn, const GLB_LogFile &log)
{
    CORR_OIMG *pst = s.pstImg;
    const uint32_t uiRun = static_cast<uint32_t>(pst->eBufferType);
    const uint32_t uiInit = static_cast<uint32_t>(s.eInitType);
    bool bHasMemory = false;

    if (uiRun > OIMG_BUFFER_INNER) {
        if (uiRun != uiInit) *puiAbn |= CORR_ARITH_ABNORMAL_DIFFERENT_BUFFER_TYPE_SET;
        *puiAbn |= CORR_ARITH_ABNORMAL_BUFFER_TYPE_NULL_SET_UNKNOWN;
        log.Write("\n    %s: unknown eBufferType %u, set as OIMG_BUFFER_NULL (0)\n", s.pcName, uiRun);
        pst->eBufferType = OIMG_BUFFER_NULL;
    } else if (uiRun == uiInit && uiRun == OIMG_BUFFER_USER) {
        if (pst->pcBuffer != nullptr) {
            bHasMemory = true;
        } else {
            FailOrWarn(s.bMandatory, CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE, puiSucc, puiAbn);
            log.Write("\n    %s: eBufferType is OIMG_BUFFER_USER (1), but 'pcBuffer' = NULL\n", s.pcName);
        }
    } else if (uiRun == uiInit && uiRun == OIMG_BUFFER_INNER) {
        if (s.pcInner != nullptr) {
            pst->pcBuffer = s.pcInner;
            bHasMemory = true;
        } else {
            pst->eBufferType = OIMG_BUFFER_NULL;
            FailOrWarn(s.bMandatory, CORR_ARITH_ABNORMAL_BUFFER_TYPE_INNER_BUT_NO_ALLOCATE, puiSucc, puiAbn);
            log.Write("\n    %s: eBufferType is OIMG_BUFFER_INNER (2), but the inner buffer is missing\n", s.pcName);
        }
    } else if (uiRun == uiInit) {  // both NULL
        if (pst->pcBuffer != nullptr) {
            log.Write("\n    %s:\n", s.pcName);
            log.Write("       Notice: the outer 'pcBuffer' in CORR_OUTDATAS is unused!\n");
        }
    } else if (uiRun == OIMG_BUFFER_USER) {
        *puiAbn |= CORR_ARITH_ABNORMAL_DIFFERENT_BUFFER_TYPE_SET;
        log.Write("\n    %s: eBufferType OIMG_BUFFER_USER (1) differs from the Init type %u\n", s.pcName, uiInit);
        if (pst->pcBuffer != nullptr) {
            bHasMemory = true;
        } else {
            *puiAbn |= CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE;
            if (uiInit == OIMG_BUFFER_INNER) {
                if (s.pcInner != nullptr) {
                    pst->eBufferType = OIMG_BUFFER_INNER;
                    pst->pcBuffer = s.pcInner;
                    bHasMemory = true;
                    log.Write("       Has modified: 'eBufferType' set as OIMG_BUFFER_INNER (2), 'pcBuffer' use inner "
                              "buffer\n");
                } else {
                    pst->eBufferType = OIMG_BUFFER_NULL;
                    FailOrWarn(s.bMandatory, CORR_ARITH_ABNORMAL_INVALID_INNER_IMG_BUFFER, puiSucc, puiAbn);
                }
            } else if (s.bMandatory) {  // Init type NULL
                *puiSucc |= CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER;
            }
        }
    } else if (uiRun == OIMG_BUFFER_INNER) {  // Init type USER or NULL: no inner buffer exists
        *puiAbn |= CORR_ARITH_ABNORMAL_DIFFERENT_BUFFER_TYPE_SET;
        log.Write("\n    %s: eBufferType OIMG_BUFFER_INNER (2), but Init asked for type %u\n", s.pcName, uiInit);
        if (s.bMandatory) {
            *puiSucc |= CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER;
            pst->eBufferType = OIMG_BUFFER_NULL;
        } else {
            *puiAbn |= CORR_ARITH_ABNORMAL_BUFFER_TYPE_INIT_NOT_INNER;
        }
        // No library memory stands behind this image; whatever the caller
        // left in pcBuffer is not written to.
        pst->pcBuffer = nullptr;
    } else {  // run NULL, Init USER or INNER
        *puiAbn |= CORR_ARITH_ABNORMAL_DIFFERENT_BUFFER_TYPE_SET | CORR_ARITH_ABNORMAL_BUFFER_TYPE_NULL_BUT_NO_INFIXPARA;
        log.Write("\n    %s: eBufferType OIMG_BUFFER_NULL (0), but Init asked for type %u\n", s.pcName, uiInit);
    }

    pst->eName = s.eName;
    pst->eDataType = s.eDataType;
    pst->usWidth = usWidth;
    pst->usHeight = usHeight;
    if (bHasMemory && pst->pcBuffer != nullptr && s.eDataType != OIMG_DTYPE_RGB) {
        std::memset(pst->pcBuffer, 0,
                    static_cast<size_t>(usWidth) * usHeight * oryntcorrBytesPerPixel(s.eDataType));
    }
}

}  // namespace

void MAINC_InitOutputImages(GLB_BUFFERS *pstGlbBuffers, CORR_OUTDATAS *pstOutDatas, unsigned int *puiSucc,
                            unsigned int *puiAbn, const GLB_LogFile &log)
{
    if (pstGlbBuffers == nullptr || pstGlbBuffers->pstGlbFixVars == nullptr || pstOutDatas == nullptr) return;
    const GLB_FIXVAR *pstFix = pstGlbBuffers->pstGlbFixVars;
    GLB_OUTDATAS *pstInner = pstGlbBuffers->pstGlbOutDatas;
    if (pstInner == nullptr) {
        *puiSucc |= CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER;
        log.Write("    ------ Error: the inner output images buffer 'GLB_OUTDATAS* pstOutDatasGlbBuffers' = NULL\n");
        return;
    }
    const ARITH_WORK_MODE eMode = pstFix->eArithWorkMode;
    const size_t n = static_cast<size_t>(pstFix->usOutWidth) * pstFix->usOutHeight;
    const OUT_IMAGE_DATA_TYPE ePcType =
        pstFix->eOutPointCloudType == PC_TYPE_DEPTH_POINT_CLOUD ? OIMG_DTYPE_DEPTH_POINT_CLOUD : OIMG_DTYPE_PC32F;
    const OUT_IMAGE_DATA_TYPE eDepthType =
        pstFix->eOutDepthType == DEPTH_TYPE_DEPTH16 ? OIMG_DTYPE_DEPTH16 : OIMG_DTYPE_UINT16;

    OutImageSlot slots[8];
    int iSlots = 0;
    slots[iSlots++] = {pstOutDatas->pstOutPointCloud, pstFix->eOutBufferType_PointCloud, pstInner->pcOutPointCloud,
                       OIMG_NAME_POINTCLOUD, ePcType, false, "pstOutPointCloud"};
    slots[iSlots++] = {pstOutDatas->pstOutDepth, pstFix->eOutBufferType_Depth,
                       reinterpret_cast<char *>(pstInner->pusOutDepth), OIMG_NAME_DEPTH, eDepthType,
                       IsPhaseWorkMode(eMode), "pstOutDepth"};
    slots[iSlots++] = {pstOutDatas->pstOutAmp, pstFix->eOutBufferType_Amp, reinterpret_cast<char *>(pstInner->pusOutAmp),
                       OIMG_NAME_AMP, OIMG_DTYPE_UINT16, false, "pstOutAmp"};
    slots[iSlots++] = {pstOutDatas->pstOutGray, pstFix->eOutBufferType_Gray,
                       reinterpret_cast<char *>(pstInner->pusOutGray), OIMG_NAME_GRAY, OIMG_DTYPE_UINT16,
                       IsGrayMandatory(eMode), "pstOutGray"};
    const int iBgNum = pstFix->ucBgNum > 2 ? 2 : pstFix->ucBgNum;
    for (int k = 0; k < iBgNum; ++k) {
        char *pcBg = pstInner->pusOutBg != nullptr ? reinterpret_cast<char *>(pstInner->pusOutBg + k * n) : nullptr;
        slots[iSlots++] = {pstOutDatas->pstOutBg[k], pstFix->eOutBufferType_Bg, pcBg, OIMG_NAME_BG, OIMG_DTYPE_UINT16,
                           IsBgMandatory(eMode), k == 0 ? "pstOutBg[0]" : "pstOutBg[1]"};
    }
    slots[iSlots++] = {pstOutDatas->pstOutConfidence, pstFix->eOutBufferType_Confidence,
                       reinterpret_cast<char *>(pstInner->pucOutConfidence), OIMG_NAME_CONFIDENCE, OIMG_DTYPE_UINT8,
                       false, "pstOutConfidence"};
    slots[iSlots++] = {pstOutDatas->pstOutFlag, pstFix->eOutBufferType_Flag,
                       reinterpret_cast<char *>(pstInner->pucOutFlag), OIMG_NAME_FLAG, OIMG_DTYPE_UINT8, false,
                       "pstOutFlag"};
    for (int i = 0; i < iSlots; ++i) {
        if (slots[i].pstImg == nullptr) continue;
        NegotiateImage(slots[i], pstFix->usOutWidth, pstFix->usOutHeight, puiSucc, puiAbn, log);
    }
}

void MAINC_AbormalProcOfOutGray(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                                unsigned int *puiSucc, unsigned int *puiAbn, const GLB_LogFile &log)
{
    if (pstGlbBuffers == nullptr || pstGlbBuffers->pstGlbFixVars == nullptr) return;
    if (ucIsHasInitOimg == 0) MAINC_InitOutputImages(pstGlbBuffers, pstOutDatas, puiSucc, puiAbn, log);
    if (IsGrayMandatory(pstGlbBuffers->pstGlbFixVars->eArithWorkMode)) {
        *puiSucc |= CORR_ARITH_FAIL_INVALID_OUT_GRAY_POINTER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUT_GRAY_POINTER: the gray output image is missing\n");
    } else {
        *puiAbn |= CORR_ARITH_ABNORMAL_INVALID_OUT_GRAY_POINTER;
        log.Write("\n    CORR_ARITH_ABNORMAL_INVALID_OUT_GRAY_POINTER: the gray output image is missing\n");
    }
}

void MAINC_AbormalProcOfOutBg(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                              unsigned int *puiSucc, unsigned int *puiAbn, const GLB_LogFile &log)
{
    if (pstGlbBuffers == nullptr || pstGlbBuffers->pstGlbFixVars == nullptr) return;
    if (ucIsHasInitOimg == 0) MAINC_InitOutputImages(pstGlbBuffers, pstOutDatas, puiSucc, puiAbn, log);
    if (IsBgMandatory(pstGlbBuffers->pstGlbFixVars->eArithWorkMode)) {
        *puiSucc |= CORR_ARITH_FAIL_INVALID_OUT_BG_POINTER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUT_BG_POINTER: a background output image is missing\n");
    } else {
        *puiAbn |= CORR_ARITH_ABNORMAL_INVALID_OUT_BG_POINTER;
        log.Write("\n    CORR_ARITH_ABNORMAL_INVALID_OUT_BG_POINTER: a background output image is missing\n");
    }
}

}  // namespace NAMESPACE_CORR
