// Sub-frame layout of each use case and the work mode derived from it.
#ifndef CORR_COMMON_GLB_USECASE_H
#define CORR_COMMON_GLB_USECASE_H

#include <cstdint>

#include "oryntcorr_types.h"

namespace NAMESPACE_CORR {

// Layout of one depth frame; indices are 0-based sub-frame positions, -1
// where absent.
struct GLB_USECASE_FRAME_MODE {
    uint8_t ucInSubFrmsNum;
    uint8_t ucModFreqsNum;
    uint8_t ucDepthPhaseNum;
    uint8_t ucIsHasBgPhase;
    uint8_t ucBgNum;
    int8_t cIn1stPhaseId[4];
    int8_t cIn1stBgPhaseId[4];
    int8_t cInGrayId;
    int8_t cInBgId[2];
};

// Evaluates the use-case table for use case uiUsecaseID with N =
// ucDepthPhaseNum phases per frequency. The table is defined for N of 1 to
// 4 (2 and 4 in use); an unknown use case or another N gives 0 counts and
// -1 indices (ucDepthPhaseNum is still reported). Returns 1 for a known
// layout, 0 otherwise.
BBOOL GLB_GetThisUsecaseFrameMode(uint32_t uiUsecaseID, uint8_t ucDepthPhaseNum,
                                  GLB_USECASE_FRAME_MODE *pstMode);

uint8_t GLB_GetThisUsecaseImagesNum(uint32_t uiUsecaseID, uint8_t ucDepthPhaseNum);
uint8_t GLB_GetThisUsecaseModFreqsNum(uint32_t uiUsecaseID);

// Work mode of a layout: no frequency gives GRAY_BG / GRAY / BG / UNKNOWN by
// the gray and background images present; 1 to 4 frequencies give SFREQ to
// FFREQ.
ARITH_WORK_MODE GLB_SetArithWorkMode(uint8_t ucModFreqsNum, uint8_t ucIsHasGray, uint8_t ucBgNum);

}  // namespace NAMESPACE_CORR

#endif  // CORR_COMMON_GLB_USECASE_H
