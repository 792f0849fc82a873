// Frame stages whose processing is not part of this build yet: the
// per-frame preparation (input cutting, embedded data, set-up refresh and
// pre-processing of the sub-frames) and the work-mode runners. Until their
// bodies replace these, each reports MAINC_STAGE_NOT_BUILT_FLAG
// (CORR_ARITH_FAIL_CALC_DEPTH: the frame's images could not be computed) in
// the success word, so every frame run through the API fails visibly and
// produces no output; nothing here pretends a frame was corrected.
#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {

namespace {
void ReportNotBuilt(const char *pcStage, unsigned int *puiSuccFlag, unsigned char ucEnableLogFile)
{
    *puiSuccFlag |= MAINC_STAGE_NOT_BUILT_FLAG;
    const GLB_LogFile log(CORR_LOG_RUN, ucEnableLogFile);
    log.Write("\n    CORR_ARITH_FAIL_CALC_DEPTH: %s is not part of this build\n", pcStage);
}
}  // namespace

void PRE_InitEachFrame(GLB_BUFFERS *, GLB_FIXVAR *, CORR_INDATAS *, CORR_OUTDATAS *, unsigned int *puiSuccFlag,
                       unsigned int *, unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *)
{
    ReportNotBuilt("the per-frame preparation", puiSuccFlag, ucEnableLogFile);
}

void MAINC_RunGrayWorkMode(GLB_BUFFERS *, uint8_t, CORR_OUTDATAS *, unsigned int *puiSuccFlag, unsigned int *,
                           unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *)
{
    ReportNotBuilt("the gray work mode", puiSuccFlag, ucEnableLogFile);
}

void MAINC_RunBgWorkMode(GLB_BUFFERS *, uint8_t, CORR_OUTDATAS *, unsigned int *puiSuccFlag, unsigned int *,
                         unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *)
{
    ReportNotBuilt("the background work mode", puiSuccFlag, ucEnableLogFile);
}

void MAINC_RunGrayBgWorkMode(GLB_BUFFERS *, uint8_t, CORR_OUTDATAS *, unsigned int *puiSuccFlag, unsigned int *,
                             unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *)
{
    ReportNotBuilt("the gray and background work mode", puiSuccFlag, ucEnableLogFile);
}

void MAINC_RunSingleFreqWorkMode(GLB_BUFFERS *, CORR_OUTDATAS *, unsigned int *puiSuccFlag, unsigned int *,
                                 unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *)
{
    ReportNotBuilt("the single-frequency work mode", puiSuccFlag, ucEnableLogFile);
}

void MAINC_RunMultiFreqsWorkMode(GLB_BUFFERS *, int iFreqsNum, CORR_OUTDATAS *, unsigned int *puiSuccFlag,
                                 unsigned int *, unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *)
{
    if (iFreqsNum < 2 || iFreqsNum > 4) {
        *puiSuccFlag |= CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM;
        const GLB_LogFile log(CORR_LOG_RUN, ucEnableLogFile);
        log.Write("\n    CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM: %d frequencies\n", iFreqsNum);
        return;
    }
    ReportNotBuilt("the multi-frequency work mode", puiSuccFlag, ucEnableLogFile);
}

}  // namespace NAMESPACE_CORR
