// oryntcorrSetDynamicConfig: validation and application of the dynamic
// parameters.
#include <chrono>
#include <cstring>

#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {
namespace {
constexpr const char *kDynExceptionCn = "\xe5\x8a\xa8\xe6\x80\x81\xe5\x8f\x82\xe6\x95\xb0\xe8\xae\xbe\xe7\xbd\xae"
                                        "\xe5\xbc\x82\xe5\xb8\xb8";  // dynamic parameters set exception

// Applies validated values to the handle. The module switches (motion blur,
// phase-difference processing, the corrections' bEnableCorrect, de-aliasing,
// exposure, registration, fusion thresholds) are applied by each module to
// its own record, which reads them from stDynParas; the fixed variables
// carry the ones the frame stages read directly.
void ApplyDynParas(GLB_BUFFERS *pst, const CORR_DYNPARA &stDyn)
{
    GLB_FIXVAR *pstFix = pst->pstGlbFixVars;
    pst->stDynParas = stDyn;
    pst->bHasSetDynParas = 1;
    pstFix->bEnableManualOffsetCorr = stDyn.ucEnableCorrOffset == 1 ? 1 : 0;
    std::memcpy(pstFix->sManualOffsetCorretionMM, stDyn.sOffsetCorretion, sizeof(pstFix->sManualOffsetCorretionMM));
    pstFix->ucEnableSubBgPhase = stDyn.ucEnableDeALI;
}
}  // namespace
}  // namespace NAMESPACE_CORR

using namespace NAMESPACE_CORR;

void NAMESPACE_CORR::oryntcorrSetDynamicConfig(void *pGlbBuffer, CORR_DYNPARA *pstDynParas, unsigned int *puiSuccFlag,
                                               unsigned int *puiAbnormalFlag, unsigned char ucEnableLogFile)
{
    const auto tStart = std::chrono::steady_clock::now();
    const GLB_LogFile log(CORR_LOG_DYNCONFIG, ucEnableLogFile);
    log.Reset("\nTof correction algorithm is setting dynamic parameters ...\n\n");
    if (puiSuccFlag == nullptr || puiAbnormalFlag == nullptr) {
        if (puiSuccFlag == nullptr) log.Write("\nError: the input 'unsigned int* puiSuccFlag' is NULL!\n");
        if (puiAbnormalFlag == nullptr) log.Write("\nError: the input 'unsigned int* puiAbnormalFlag' is NULL!\n");
        log.Write("\n\nDynamic parameters set failure!\n");
        return;
    }
    *puiSuccFlag = CORR_ARITH_SUCCESS;
    *puiAbnormalFlag = CORR_ARITH_NORMAL;

    GLB_BUFFERS *pst = MAINC_CheckGlbBuffer(pGlbBuffer, puiSuccFlag, log);
    if (pst == nullptr) {
        log.Write("\n\nDynamic parameters set failure!\n");
        return;
    }
    if (pst->pstGlbFixVars->bInitSuccFlag != 1) {
        *puiSuccFlag |= CORR_ARITH_FAIL_NOT_INITIALIZED;
        log.Write("\n    CORR_ARITH_FAIL_NOT_INITIALIZED:\n");
        log.Write("    ------ has not been call oryntcorrInit()\n");
        log.Write("           or oryntcorrInit() run failed\n");
        log.Write("\n\nDynamic parameters set failure!\n");
        return;
    }
    DBG_GLB_VARS *pstDbgVars = DBG_Vars(pst->pGlbBuffer_DBG);
    const unsigned char ucCostTime = (pstDbgVars != nullptr && pstDbgVars->bEnableCostTime == 1) ? 1 : 0;
    const GLB_LogFile logCost(CORR_LOG_DYNCONFIG_COSTTIME, ucCostTime);
    logCost.Reset("\nCalculating cost time of oryntcorrSetDynamicConfig() ...\n\n");

    CORR_DYNPARA stDyn;
    if (pstDynParas == nullptr) {
        stDyn = MAINC_DefaultDynParas();
        *puiAbnormalFlag |= CORR_ARITH_ABNORMAL_INVALID_DYNPARA_POINTER;
        log.Write("\n    CORR_ARITH_ABNORMAL_INVALID_DYNPARA_POINTER:\n");
        log.Write("    ------ oryntcorrSetDynamicConfig() -> CORR_DYNPARA* pstDynParas: = NULL\n");
        log.Write("\n\nDynamic parameters has set to default value!\n");
    } else {
        stDyn = *pstDynParas;  // the caller's record is never written
        MAINC_CheckDynParas(&stDyn, puiAbnormalFlag, log);
        if (*puiAbnormalFlag != 0) log.Write("\n\nDynamic parameters set exception! (%s)\n", kDynExceptionCn);
    }

    ApplyDynParas(pst, stDyn);

    log.Write("\nGlobal buffers has already allocated successfully! \n");
    log.Write("------ Fixed GlbBufferBytes:    %d Bytes (%.4f MB)\n", static_cast<int>(pst->uiFixBufferBytes),
              pst->uiFixBufferBytes / 1024.0 / 1024.0);
    log.Write("------ Dynamic GlbBufferBytes:  %d Bytes (%.4f MB)\n", static_cast<int>(pst->uiDynBufferBytes),
              pst->uiDynBufferBytes / 1024.0 / 1024.0);
    log.Write(*puiSuccFlag == 0 ? "\n\nDynamic parameters set successfully!\n" : "\n\nDynamic parameters set failure!\n");
    logCost.Write("oryntcorrSetDynamicConfig: %.3f ms\n", static_cast<double>(DBG_ElapsedMS(tStart)));
}
