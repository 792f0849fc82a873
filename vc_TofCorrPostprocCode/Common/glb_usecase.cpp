#include "Common/glb_usecase.h"

#include <cstring>

namespace NAMESPACE_CORR {

namespace {

// One index or count of the table as a x N + b; a < 0 means "none".
struct LinN {
    int8_t a;
    int8_t b;
};
constexpr LinN NONE = {-1, 0};

struct UsecaseRow {
    uint8_t ucFreqs;
    uint8_t ucIsHasBgPhase;
    uint8_t ucBgNum;
    LinN stCount;
    LinN stPhase[4];
    LinN stBgPhase[4];
    LinN stGray;
    LinN stBg[2];
};

// Rows 1 to 32, in use-case order. The indices of use cases 11 and 12 are
// fixed numbers laid out for four-phase data.
constexpr UsecaseRow kUsecaseTable[32] = {
    /* 1 GRAY */ {0, 0, 0, {0, 1}, {NONE, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {0, 0}, {NONE, NONE}},
    /* 2 BG */ {0, 0, 1, {0, 1}, {NONE, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, NONE, {{0, 0}, NONE}},
    /* 3 GRAY_BG */ {0, 0, 1, {0, 2}, {NONE, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {0, 0}, {{0, 1}, NONE}},
    /* 4 BG_GRAY */ {0, 0, 1, {0, 2}, {NONE, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {0, 1}, {{0, 0}, NONE}},
    /* 5 SF */ {1, 0, 0, {1, 0}, {{0, 0}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, NONE, {NONE, NONE}},
    /* 6 SF_GRAY */ {1, 0, 0, {1, 1}, {{0, 0}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {1, 0}, {NONE, NONE}},
    /* 7 SF_BG */ {1, 0, 1, {1, 1}, {{0, 0}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, NONE, {{1, 0}, NONE}},
    /* 8 SF_GRAY_BG */ {1, 0, 1, {1, 2}, {{0, 0}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {1, 0}, {{1, 1}, NONE}},
    /* 9 SF_BG_GRAY */ {1, 0, 1, {1, 2}, {{0, 0}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {1, 1}, {{1, 0}, NONE}},
    /* 10 BG_GRAY_BG_SF */ {1, 0, 2, {1, 3}, {{0, 3}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {0, 1}, {{0, 0}, {0, 2}}},
    /* 11 BG_SF_BG_GRAY */ {1, 0, 2, {1, 3}, {{0, 1}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {0, 6}, {{0, 0}, {0, 5}}},
    /* 12 GRAY_BG_SF_GRAY_BG */ {1, 0, 2, {1, 4}, {{0, 2}, NONE, NONE, NONE}, {NONE, NONE, NONE, NONE}, {0, 0}, {{0, 1}, {0, 7}}},
    /* 13 SF_BGPH */ {1, 1, 0, {2, 0}, {{0, 0}, NONE, NONE, NONE}, {{1, 0}, NONE, NONE, NONE}, NONE, {NONE, NONE}},
    /* 14 SF_BGPH_GRAY */ {1, 1, 0, {2, 1}, {{0, 0}, NONE, NONE, NONE}, {{1, 0}, NONE, NONE, NONE}, {2, 0}, {NONE, NONE}},
    /* 15 DF */ {2, 0, 0, {2, 0}, {{0, 0}, {1, 0}, NONE, NONE}, {NONE, NONE, NONE, NONE}, NONE, {NONE, NONE}},
    /* 16 DF_GRAY */ {2, 0, 0, {2, 1}, {{0, 0}, {1, 0}, NONE, NONE}, {NONE, NONE, NONE, NONE}, {2, 0}, {NONE, NONE}},
    /* 17 DF_BG */ {2, 0, 1, {2, 1}, {{0, 0}, {1, 0}, NONE, NONE}, {NONE, NONE, NONE, NONE}, NONE, {{2, 0}, NONE}},
    /* 18 DF_GRAY_BG */ {2, 0, 1, {2, 2}, {{0, 0}, {1, 1}, NONE, NONE}, {NONE, NONE, NONE, NONE}, {1, 0}, {{2, 1}, NONE}},
    /* 19 DF_BG_GRAY */ {2, 0, 1, {2, 2}, {{0, 0}, {1, 1}, NONE, NONE}, {NONE, NONE, NONE, NONE}, {2, 1}, {{1, 0}, NONE}},
    /* 20 DF_BGPH */ {2, 1, 0, {4, 0}, {{0, 0}, {2, 0}, NONE, NONE}, {{1, 0}, {3, 0}, NONE, NONE}, NONE, {NONE, NONE}},
    /* 21 DF_BGPH_GRAY */ {2, 1, 0, {4, 1}, {{0, 0}, {2, 0}, NONE, NONE}, {{1, 0}, {3, 1}, NONE, NONE}, {3, 0}, {NONE, NONE}},
    /* 22 DF_BGPH_BG_GRAY */ {2, 1, 1, {4, 2}, {{0, 0}, {2, 1}, NONE, NONE}, {{1, 1}, {3, 2}, NONE, NONE}, {1, 0}, {{3, 1}, NONE}},
    /* 23 TF */ {3, 0, 0, {3, 0}, {{0, 0}, {1, 0}, {2, 0}, NONE}, {NONE, NONE, NONE, NONE}, NONE, {NONE, NONE}},
    /* 24 TF_GRAY */ {3, 0, 0, {3, 1}, {{0, 0}, {1, 0}, {2, 0}, NONE}, {NONE, NONE, NONE, NONE}, {3, 0}, {NONE, NONE}},
    /* 25 TF_BG */ {3, 0, 1, {3, 1}, {{0, 0}, {1, 0}, {2, 0}, NONE}, {NONE, NONE, NONE, NONE}, NONE, {{3, 0}, NONE}},
    /* 26 TF_GRAY_BG */ {3, 0, 1, {3, 2}, {{0, 0}, {1, 0}, {2, 1}, NONE}, {NONE, NONE, NONE, NONE}, {2, 0}, {{3, 1}, NONE}},
    /* 27 TF_BG_GRAY */ {3, 0, 1, {3, 2}, {{0, 0}, {1, 0}, {2, 1}, NONE}, {NONE, NONE, NONE, NONE}, {3, 1}, {{2, 0}, NONE}},
    /* 28 FF */ {4, 0, 0, {4, 0}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {NONE, NONE, NONE, NONE}, NONE, {NONE, NONE}},
    /* 29 FF_GRAY */ {4, 0, 0, {4, 1}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {NONE, NONE, NONE, NONE}, {4, 0}, {NONE, NONE}},
    /* 30 FF_BG */ {4, 0, 1, {4, 1}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {NONE, NONE, NONE, NONE}, NONE, {{4, 0}, NONE}},
    /* 31 FF_GRAY_BG */ {4, 0, 1, {4, 2}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, {NONE, NONE, NONE, NONE}, {3, 0}, {{4, 1}, NONE}},
    /* 32 FF_BG_GRAY */ {4, 0, 1, {4, 2}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}, {NONE, NONE, NONE, NONE}, {4, 1}, {{3, 0}, NONE}},
};

int8_t Eval(LinN st, int n)
{
    if (st.a < 0) return -1;
    return static_cast<int8_t>(st.a * n + st.b);
}

void SetUnknown(GLB_USECASE_FRAME_MODE *pstMode, uint8_t ucDepthPhaseNum)
{
    std::memset(pstMode, 0, sizeof(*pstMode));
    pstMode->ucDepthPhaseNum = ucDepthPhaseNum;
    std::memset(pstMode->cIn1stPhaseId, -1, sizeof(pstMode->cIn1stPhaseId));
    std::memset(pstMode->cIn1stBgPhaseId, -1, sizeof(pstMode->cIn1stBgPhaseId));
    pstMode->cInGrayId = -1;
    pstMode->cInBgId[0] = -1;
    pstMode->cInBgId[1] = -1;
}

}  // namespace

BBOOL GLB_GetThisUsecaseFrameMode(uint32_t uiUsecaseID, uint8_t ucDepthPhaseNum,
                                  GLB_USECASE_FRAME_MODE *pstMode)
{
    if (pstMode == nullptr) return 0;
    SetUnknown(pstMode, ucDepthPhaseNum);
    // With more than four phases the layouts exceed the 18 sub-frame slots.
    if (uiUsecaseID < 1 || uiUsecaseID > 32 || ucDepthPhaseNum < 1 || ucDepthPhaseNum > 4) return 0;
    const UsecaseRow &row = kUsecaseTable[uiUsecaseID - 1];
    const int n = ucDepthPhaseNum;
    pstMode->ucInSubFrmsNum = static_cast<uint8_t>(Eval(row.stCount, n));
    pstMode->ucModFreqsNum = row.ucFreqs;
    pstMode->ucIsHasBgPhase = row.ucIsHasBgPhase;
    pstMode->ucBgNum = row.ucBgNum;
    for (int i = 0; i < 4; ++i) {
        pstMode->cIn1stPhaseId[i] = Eval(row.stPhase[i], n);
        pstMode->cIn1stBgPhaseId[i] = Eval(row.stBgPhase[i], n);
    }
    pstMode->cInGrayId = Eval(row.stGray, n);
    pstMode->cInBgId[0] = Eval(row.stBg[0], n);
    pstMode->cInBgId[1] = Eval(row.stBg[1], n);
    return 1;
}

uint8_t GLB_GetThisUsecaseImagesNum(uint32_t uiUsecaseID, uint8_t ucDepthPhaseNum)
{
    GLB_USECASE_FRAME_MODE st;
    GLB_GetThisUsecaseFrameMode(uiUsecaseID, ucDepthPhaseNum, &st);
    return st.ucInSubFrmsNum;
}

uint8_t GLB_GetThisUsecaseModFreqsNum(uint32_t uiUsecaseID)
{
    if (uiUsecaseID < 1 || uiUsecaseID > 32) return 0;
    return kUsecaseTable[uiUsecaseID - 1].ucFreqs;
}

ARITH_WORK_MODE GLB_SetArithWorkMode(uint8_t ucModFreqsNum, uint8_t ucIsHasGray, uint8_t ucBgNum)
{
    switch (ucModFreqsNum) {
    case 0:
        if (ucBgNum > 0 && ucIsHasGray == 1) return WORK_MODE_GRAY_BG;
        if (ucIsHasGray == 1) return WORK_MODE_GRAY;
        if (ucBgNum > 0) return WORK_MODE_BG;
        return WORK_MODE_UNKNOWN;
    case 1: return WORK_MODE_SFREQ;
    case 2: return WORK_MODE_DFREQ;
    case 3: return WORK_MODE_TFREQ;
    case 4: return WORK_MODE_FFREQ;
    default: return WORK_MODE_UNKNOWN;
    }
}

}  // namespace NAMESPACE_CORR
