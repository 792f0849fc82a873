// oryntcorrRunCorrection: checks, per-frame preparation, work-mode dispatch
// and the end-of-frame steps.
#include <chrono>
#include <cstring>

#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {

void MAINC_RunWorkMode(GLB_BUFFERS *pst, CORR_OUTDATAS *pstOut, unsigned int *puiSucc, unsigned int *puiAbn,
                       unsigned char ucLog, CORR_RUN_COSTTIME *pstCost)
{
    const GLB_FIXVAR *pstFix = pst->pstGlbFixVars;
    const GLB_LogFile log(CORR_LOG_RUN, ucLog);
    int iNeeded = 0;
    switch (pstFix->eArithWorkMode) {
    case WORK_MODE_GRAY: MAINC_RunGrayWorkMode(pst, 0, pstOut, puiSucc, puiAbn, ucLog, pstCost); return;
    case WORK_MODE_BG: MAINC_RunBgWorkMode(pst, 0, pstOut, puiSucc, puiAbn, ucLog, pstCost); return;
    case WORK_MODE_GRAY_BG: MAINC_RunGrayBgWorkMode(pst, 0, pstOut, puiSucc, puiAbn, ucLog, pstCost); return;
    case WORK_MODE_SFREQ: MAINC_RunSingleFreqWorkMode(pst, pstOut, puiSucc, puiAbn, ucLog, pstCost); return;
    case WORK_MODE_DFREQ: iNeeded = 2; break;
    case WORK_MODE_TFREQ: iNeeded = 3; break;
    case WORK_MODE_FFREQ: iNeeded = 4; break;
    default: return;  // Init admits no other work mode
    }
    if (pstFix->ucModFreqsNum < iNeeded) {
        *puiSucc |= CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM;
        log.Write("\n    CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM: work mode %d needs %d frequencies, the "
                  "frame has %d\n",
                  static_cast<int>(pstFix->eArithWorkMode), iNeeded, pstFix->ucModFreqsNum);
        return;
    }
    MAINC_RunMultiFreqsWorkMode(pst, iNeeded, pstOut, puiSucc, puiAbn, ucLog, pstCost);
}

void MAINC_FinishFrame(GLB_BUFFERS *pst, CORR_INDATAS *pstIn, CORR_OUTDATAS *pstOut, unsigned int *puiSucc,
                       unsigned int *puiAbn, const GLB_LogFile &log)
{
    (void)pstIn;
    (void)puiSucc;
    (void)puiAbn;
    (void)log;
    GLB_FIXVAR *pstFix = pst->pstGlbFixVars;
    // 7. The abnormal-point region runs only where its module record exists
    //    and is enabled (pGlbBuffer_WB); 8. registration only where its
    //    module record exists (pGlbBuffer_REG). Neither module is part of
    //    this build, so the region result stays cleared and no registered
    //    image is reported valid.
    pstFix->bWBDetectSuccFlag = 0;
    pstOut->ucRegRgbSuccFlag = 0;

    // 9. The parameter line.
    GLB_OUTDATAS *pstInner = pst->pstGlbOutDatas;
    if (pstInner != nullptr && pstInner->pcOutParasLn != nullptr) {
        pstOut->pcOutParasLn = pstInner->pcOutParasLn;
        pstOut->usOutParasLnBytes = CORR_PARALN_BYTES;
    } else {
        pstOut->pcOutParasLn = nullptr;
        pstOut->usOutParasLnBytes = 0;
    }

    // 10. What the next frame compares its read-out against.
    pstFix->usOutWidthLastFrame = pstFix->usOutWidth;
    pstFix->usOutHeightLastFrame = pstFix->usOutHeight;
    pstFix->stWorkSensorStatusLastFrame = pstFix->stWorkSensorStatus;
}

}  // namespace NAMESPACE_CORR

using namespace NAMESPACE_CORR;

void NAMESPACE_CORR::oryntcorrRunCorrection(void *pGlbBuffer, CORR_INDATAS *pstInDatas, CORR_OUTDATAS *pstOutDatas,
                                            unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag,
                                            unsigned char ucEnableLogFile)
{
    const auto tStart = std::chrono::steady_clock::now();
    const GLB_LogFile log(CORR_LOG_RUN, ucEnableLogFile);
    log.Reset("\nTof correction algorithm is running ...\n\n");
    if (puiSuccFlag == nullptr || puiAbnormalFlag == nullptr) {
        if (puiSuccFlag == nullptr) log.Write("\nError: the input 'unsigned int* puiSuccFlag' is NULL!\n");
        if (puiAbnormalFlag == nullptr) log.Write("\nError: the input 'unsigned int* puiAbnormalFlag' is NULL!\n");
        log.Write("\n\nTof correction algorithm run failure!\n");
        return;
    }
    *puiSuccFlag = CORR_ARITH_SUCCESS;
    *puiAbnormalFlag = CORR_ARITH_NORMAL;

    // 2. The handle.
    GLB_BUFFERS *pst = MAINC_CheckGlbBuffer(pGlbBuffer, puiSuccFlag, log);
    if (pst == nullptr) {
        log.Write("\n\nTof correction algorithm run failure!\n");
        return;
    }
    GLB_FIXVAR *pstFix = pst->pstGlbFixVars;

    // 3. Initialised handle and the two records.
    if (pstFix->bInitSuccFlag != 1) {
        *puiSuccFlag |= CORR_ARITH_FAIL_NOT_INITIALIZED;
        log.Write("\n    CORR_ARITH_FAIL_NOT_INITIALIZED:\n");
        log.Write("    ------ has not been call oryntcorrInit()\n");
        log.Write("\n\nTof correction algorithm run failure!\n");
        return;
    }
    if (pstInDatas == nullptr) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_INDATAS_POINTER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_INDATAS_POINTER:\n");
        log.Write("    ------ oryntcorrRunCorrection() -> CORR_INDATAS* pstInDatas: = NULL\n");
        log.Write("\n\nTof correction algorithm run failure!\n");
        return;
    }
    if (pstOutDatas == nullptr) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_OUTDATAS_POINTER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTDATAS_POINTER:\n");
        log.Write("    ------ Error: the inner output images buffer 'CORR_OUTDATAS* pstOutDatas' = NULL\n");
        log.Write("\n\nTof correction algorithm run failure!\n");
        return;
    }

    // 4. Cost times.
    auto *pstDbg = static_cast<DBG_GLB_BUFFERS *>(pst->pGlbBuffer_DBG);
    const DBG_GLB_VARS *pstDbgVars = DBG_Vars(pstDbg);
    CORR_RUN_COSTTIME *pstCost = nullptr;
    if (pstDbgVars != nullptr && pstDbgVars->bEnableCostTime == 1 && pstDbg->pstRunCostTime != nullptr) {
        pstCost = pstDbg->pstRunCostTime;
        std::memset(pstCost, 0, sizeof(*pstCost));
    }
    const GLB_LogFile logCost(CORR_LOG_RUN_COSTTIME, pstCost != nullptr ? 1 : 0);

    // 5. Per-frame preparation.
    auto tStep = std::chrono::steady_clock::now();
    PRE_InitEachFrame(pst, pstFix, pstInDatas, pstOutDatas, puiSuccFlag, puiAbnormalFlag, ucEnableLogFile, pstCost);
    if (pstCost != nullptr) pstCost->fCostTimeMS_InitEachFrame = DBG_ElapsedMS(tStep);
    if (*puiSuccFlag != 0) {
        log.Write("\nInitialization of each frame failure!\n");
        log.Write("\n\nTof correction algorithm run failure!\n");
        return;
    }

    // 6. The work mode.
    tStep = std::chrono::steady_clock::now();
    MAINC_RunWorkMode(pst, pstOutDatas, puiSuccFlag, puiAbnormalFlag, ucEnableLogFile, pstCost);
    if (pstCost != nullptr) pstCost->fCostTimeMS_WorkMode = DBG_ElapsedMS(tStep);

    // 7-10.
    MAINC_FinishFrame(pst, pstInDatas, pstOutDatas, puiSuccFlag, puiAbnormalFlag, log);
    log.Write(*puiSuccFlag == 0 ? "\n\nTof correction algorithm run successfully!\n"
                                : "\n\nTof correction algorithm run failure!\n");
    if (pstCost != nullptr) {
        pstCost->fCostTimeMS_Total = DBG_ElapsedMS(tStart);
        logCost.Write("frame %u: init %.3f ms, work mode %.3f ms, total %.3f ms\n", pstFix->uiArithFrmCnt,
                      static_cast<double>(pstCost->fCostTimeMS_InitEachFrame),
                      static_cast<double>(pstCost->fCostTimeMS_WorkMode), static_cast<double>(pstCost->fCostTimeMS_Total));
    }
}
