// Internal operations of the correction API: parameter validation, handle
// checks, output-image negotiation and the frame stages RunCorrection calls.
#ifndef CORR_MAIN_MAINC_INTERNAL_H
#define CORR_MAIN_MAINC_INTERNAL_H

#include "Common/glb_buffers.h"
#include "Common/glb_debug.h"
#include "Common/glb_log.h"
#include "oryntcorr.h"

namespace NAMESPACE_CORR {

// Smallest uiEbdBytes that holds one embedded-data record for an embedded
// data type: 116 bytes, or 232 for an add-info line of 116 16-bit words.
// 0 for CORR_NO_EBD.
uint32_t MAINC_MinEbdBytes(CORR_EBD_TYPE eIsHasEbd);

// Validates CORR_FIXPARA (writes replaced optional fields back into it) and
// ORs the Init success and abnormal bits.
void MAINC_CheckFixParas(CORR_FIXPARA *pstFixParas, unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag,
                         const GLB_LogFile &log);

// The defaults of CORR_DYNPARA.
CORR_DYNPARA MAINC_DefaultDynParas();
// Validates a copy of the dynamic parameters in place; ORs
// CORR_ARITH_ABNORMAL_INVALID_DYNPARA for each replaced value.
void MAINC_CheckDynParas(CORR_DYNPARA *pstDynParas, unsigned int *puiAbnormalFlag, const GLB_LogFile &log);

// Handle check shared by SetDynamicConfig and RunCorrection: null handle,
// changed self-address, missing core records. Returns the handle or null
// (with the success bits set).
GLB_BUFFERS *MAINC_CheckGlbBuffer(void *pGlbBuffer, unsigned int *puiSuccFlag, const GLB_LogFile &log);

// Frees everything a handle owns and the handle itself (null is ignored).
void MAINC_ReleaseGlbBuffers(GLB_BUFFERS *pstGlbBuffers);

// Loads the calibration blob at Init into the handle's module records and
// fills bLoadCaliParasSuccFlag, eCaliParasVersion and the calibration status.
void MAINC_LoadCaliParasAtInit(GLB_BUFFERS *pstGlbBuffers, const CORR_FIXPARA *pstFixParas,
                               unsigned int *puiInitSuccFlag, unsigned int *puiInitAbnormalFlag,
                               const GLB_LogFile &log);

// Output-image negotiation: prepares every requested output image of the
// frame (point cloud, depth, amplitude, gray, backgrounds, confidence, flag)
// against the Init buffer types, writing name, data type and size and
// zero-filling the memory the image ends with.
void MAINC_InitOutputImages(GLB_BUFFERS *pstGlbBuffers, CORR_OUTDATAS *pstOutDatas, unsigned int *puiSuccFlag,
                            unsigned int *puiAbnormalFlag, const GLB_LogFile &log);
// Missing gray / background output of a gray or background runner: a
// failure where the work mode needs the image, a warning otherwise;
// prepares the other outputs when ucIsHasInitOimg is 0.
void MAINC_AbormalProcOfOutGray(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                                unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag, const GLB_LogFile &log);
void MAINC_AbormalProcOfOutBg(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                              unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag, const GLB_LogFile &log);

// ---------------------------------------------------------------------------
// Frame stages called by RunCorrection: the per-frame preparation (input
// cutting, embedded data, set-up refresh, pre-processing) and the work-mode
// runners.
void PRE_InitEachFrame(GLB_BUFFERS *pstGlbBuffers, GLB_FIXVAR *pstGlbFixVars, CORR_INDATAS *pstInDatas,
                       CORR_OUTDATAS *pstOutDatas, unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag,
                       unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *pstCostTime);
void MAINC_RunGrayWorkMode(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                           unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag, unsigned char ucEnableLogFile,
                           CORR_RUN_COSTTIME *pstCostTime);
void MAINC_RunBgWorkMode(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                         unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag, unsigned char ucEnableLogFile,
                         CORR_RUN_COSTTIME *pstCostTime);
void MAINC_RunGrayBgWorkMode(GLB_BUFFERS *pstGlbBuffers, uint8_t ucIsHasInitOimg, CORR_OUTDATAS *pstOutDatas,
                             unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag,
                             unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *pstCostTime);
void MAINC_RunSingleFreqWorkMode(GLB_BUFFERS *pstGlbBuffers, CORR_OUTDATAS *pstOutDatas, unsigned int *puiSuccFlag,
                                 unsigned int *puiAbnormalFlag, unsigned char ucEnableLogFile,
                                 CORR_RUN_COSTTIME *pstCostTime);
void MAINC_RunMultiFreqsWorkMode(GLB_BUFFERS *pstGlbBuffers, int iFreqsNum, CORR_OUTDATAS *pstOutDatas,
                                 unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag,
                                 unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *pstCostTime);

// RunCorrection step 6: hands the prepared frame to the runner of the
// handle's work mode (multi-frequency modes need as many frequencies in the
// frame layout).
void MAINC_RunWorkMode(GLB_BUFFERS *pstGlbBuffers, CORR_OUTDATAS *pstOutDatas, unsigned int *puiSuccFlag,
                       unsigned int *puiAbnormalFlag, unsigned char ucEnableLogFile, CORR_RUN_COSTTIME *pstCostTime);
// RunCorrection steps 7 to 10 after the runner: abnormal-point region,
// registration, parameter line, last-frame fields.
void MAINC_FinishFrame(GLB_BUFFERS *pstGlbBuffers, CORR_INDATAS *pstInDatas, CORR_OUTDATAS *pstOutDatas,
                       unsigned int *puiSuccFlag, unsigned int *puiAbnormalFlag, const GLB_LogFile &log);

// Success bit the not-yet-built frame stages report: the frame's depth (or
// image) could not be computed.
constexpr unsigned int MAINC_STAGE_NOT_BUILT_FLAG = CORR_ARITH_FAIL_CALC_DEPTH;

}  // namespace NAMESPACE_CORR

#endif  // CORR_MAIN_MAINC_INTERNAL_H
