// Shared types, result words, the use-case table and sub-frame offsets.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <type_traits>

#include "Common/glb_buffers.h"
#include "Common/glb_subframe.h"
#include "Common/glb_usecase.h"
#include "oryntcorr.h"

namespace {

using namespace NAMESPACE_CORR;

TEST(CorrTypes, LayoutsOfTheSharedRecords)
{
    static_assert(sizeof(BBOOL) == 1, "BBOOL is one byte");
    EXPECT_EQ(sizeof(CORR_USECASE_ID), 4u);
    EXPECT_EQ(sizeof(OUT_IMAGE_BUFFER_TYPE), 4u);
    EXPECT_EQ(sizeof(CORR_ARITH_ABNORMAL_FLAG), 4u);
    EXPECT_EQ(sizeof(RECT16S), 8u);
    EXPECT_EQ(sizeof(COOR2D16S), 4u);
    EXPECT_EQ(sizeof(COOR2D32F), 8u);
    EXPECT_EQ(sizeof(FLAG_PIXEL), 1u);
    EXPECT_EQ(sizeof(CORR_DEPTH_INFO), 44u);
    EXPECT_EQ(sizeof(static_cast<CORR_OIMG *>(nullptr)->stInfo), 44u);
    EXPECT_EQ(sizeof(COOR_MAP), (4u + 640u + 480u) * sizeof(int));
    EXPECT_EQ(offsetof(GLB_BUFFERS, pGlbBufferAddress), 0u);
    EXPECT_EQ(sizeof(static_cast<GLB_FIXVAR *>(nullptr)->pusInImgs) / sizeof(uint16_t *), 18u);
    EXPECT_EQ(sizeof(static_cast<GLB_BUFFERS *>(nullptr)->psPhaseDiff) / sizeof(int16_t *), 8u);
}

TEST(CorrTypes, FlagPixelBitsFromBitZeroUp)
{
    struct Case {
        int bit;
        void (*set)(FLAG_PIXEL &);
    };
    const Case cases[] = {
        {0, [](FLAG_PIXEL &f) { f.stFlag.ucIsPhSubLow31 = 1; }},
        {1, [](FLAG_PIXEL &f) { f.stFlag.ucIsSaturation = 1; }},
        {2, [](FLAG_PIXEL &f) { f.stFlag.ucIsMask = 1; }},
        {3, [](FLAG_PIXEL &f) { f.stFlag.ucIsCorrNegative = 1; }},
        {4, [](FLAG_PIXEL &f) { f.stFlag.ucIsFusionExpand = 1; }},
        {5, [](FLAG_PIXEL &f) { f.stFlag.ucIsFusionFail = 1; }},
        {6, [](FLAG_PIXEL &f) { f.stFlag.ucIsFlyPixel = 1; }},
        {7, [](FLAG_PIXEL &f) { f.stFlag.ucIsDepthAbnormal = 1; }},
    };
    for (const Case &c : cases) {
        FLAG_PIXEL f;
        f.ucFlagValue = 0;
        c.set(f);
        EXPECT_EQ(f.ucFlagValue, 1u << c.bit) << "bit " << c.bit;
    }
}

TEST(CorrTypes, BytesPerPixelOfEveryDataType)
{
    const unsigned int expected[] = {1, 2, 4, 2, 12, 16, 1, 3};
    for (int t = 0; t <= OIMG_DTYPE_RGB; ++t) {
        EXPECT_EQ(oryntcorrBytesPerPixel(static_cast<OUT_IMAGE_DATA_TYPE>(t)), expected[t]) << t;
    }
    EXPECT_EQ(oryntcorrBytesPerPixel(static_cast<OUT_IMAGE_DATA_TYPE>(8)), 0u);
}

// Every named bit of the four words is a single bit, and names that are
// meant to share a value do.
TEST(CorrFlags, EveryNamedBitIsOnePowerOfTwoInItsWord)
{
    const unsigned int initSucc[] = {
        CORR_INIT_FAIL_GLB_BUFFER_SIZE_CALC_ERROR, CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE,
        CORR_INIT_FAIL_INVALID_FIXPARA_POINTER, CORR_INIT_FAIL_INVALID_PARA_SENSORID,
        CORR_INIT_FAIL_INVALID_PARA_USECASEID, CORR_INIT_FAIL_INVALID_PARA_IN_IMG_WIDTH,
        CORR_INIT_FAIL_INVALID_PARA_IN_IMG_HEIGHT, CORR_INIT_FAIL_INVALID_PARA_IS_HAS_EBD,
        CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES, CORR_INIT_FAIL_INVALID_PARA_ENABLE_FIX_FRM_PARA,
        CORR_INIT_FAIL_INVALID_PARA_FIX_FRM_PARA, CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ,
        CORR_INIT_FAIL_INVALID_PARA_PIXEL_ROI_START_XY, CORR_INIT_FAIL_INVALID_PARA_PIXEL_LOW_RESO_STEP_XY,
        CORR_INIT_FAIL_INVALID_PARA_PIXEL_MIRROR_MODE, CORR_INIT_FAIL_INVALID_PARA_PIXEL_PHASE_MODE,
        CORR_INIT_FAIL_INVALID_PARA_PIXEL_BINNING_MODE, CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE,
        CORR_INIT_FAIL_INVALID_PARA_HDR_MODE, CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH,
        CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_HEIGHT, CORR_INTI_FAIL_INVALID_WORKMODE,
        CORR_INIT_FAIL_MODULE_INIT_PRECALC};
    const unsigned int initAbn[] = {
        CORR_INIT_ABNORMAL_INVALID_PARA_ENABLE_DATA_SWAP_BITS, CORR_INIT_ABNORMAL_INVALID_PARA_DATA_RIGHT_SHIFT_BITS,
        CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_PC, CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_DEPTH,
        CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_AMP, CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_GRAY,
        CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_BG, CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_CONFI,
        CORR_INIT_ABNORMAL_INVALID_PARA_OUT_BUFFER_TYPE_FLAG, CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_VALUE_TYPE,
        CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_TYPE, CORR_INIT_ABNORMAL_INVALID_PARA_ENABLE_OUT_POINT_CLOUE,
        CORR_INIT_ABNORMAL_INVALID_PARA_OUT_POINT_CLOUE_TYPE, CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER,
        CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_FPPN_POINTER, CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_FPN_POINTER,
        CORR_INIT_ABNORMAL_INVALID_COOR_MAP};
    const unsigned int arithSucc[] = {
        CORR_ARITH_FAIL_INVALID_OUTER_BUFFER, CORR_ARITH_FAIL_OUTER_BUFFER_CHANGED, CORR_ARITH_FAIL_NOT_INITIALIZED,
        CORR_ARITH_FAIL_INVALID_INDATAS_POINTER, CORR_ARITH_FAIL_INVALID_IN_DEPTHMAP,
        CORR_ARITH_FAIL_INVALID_IN_SUBFRAMES, CORR_ARITH_FAIL_INVALID_IN_EBDS, CORR_ARITH_FAIL_INVALID_OUTDATAS_POINTER,
        CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER, CORR_ARITH_FAIL_INVALID_OUT_POINTCLOUD_POINTER,
        CORR_ARITH_FAIL_INVALID_OUT_DEPTH_POINTER, CORR_ARITH_FAIL_INVALID_OUT_AMP_POINTER,
        CORR_ARITH_FAIL_INVALID_OUT_GRAY_POINTER, CORR_ARITH_FAIL_INVALID_OUT_BG_POINTER,
        CORR_ARITH_FAIL_INVALID_OUT_FLAG_POINTER, CORR_ARITH_FAIL_INVALID_OUT_CONFIDENCE_POINTER,
        CORR_ARITH_FAIL_INVALID_PHASE_POINTER, CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM,
        CORR_ARITH_FAIL_ALLOCATE, CORR_ARITH_FAIL_CALC_DEPTH, CORR_ARITH_FAIL_MULTI_FREQ_FUSION,
        CORR_ARITH_FAIL_CALC_CONFIDENCE, CORR_ARITH_FAIL_CALC_POINTCLOUD, CORR_ARITH_FAIL_CORR_SINGLE_DEPTH,
        CORR_ARITH_FAIL_CALI_CORR_PIXEL_MODE_DISMATCH, CORR_ARITH_FAIL_MODULE_INIT_PRECALC,
        CORR_ARITH_FAIL_INVALID_PHASE_DIFF, CORR_ARITH_FAIL_INVALID_DEMOTION_BLUR};
    const unsigned int arithAbn[] = {
        CORR_ARITH_ABNORMAL_INVALID_DYNPARA_POINTER, CORR_ARITH_ABNORMAL_INVALID_DYNPARA,
        CORR_ARITH_ABNORMAL_DIFFERENT_BUFFER_TYPE_SET, CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE,
        CORR_ARITH_ABNORMAL_BUFFER_TYPE_INNER_BUT_NO_ALLOCATE, CORR_ARITH_ABNORMAL_BUFFER_TYPE_INIT_NOT_INNER,
        CORR_ARITH_ABNORMAL_BUFFER_TYPE_NULL_BUT_NO_INFIXPARA, CORR_ARITH_ABNORMAL_BUFFER_TYPE_NULL_SET_UNKNOWN,
        CORR_ARITH_ABNORMAL_INVALID_INNER_IMG_BUFFER, CORR_ARITH_ABNORMAL_INVALID_OUT_GRAY_POINTER,
        CORR_ARITH_ABNORMAL_INVALID_OUT_BG_POINTER, CORR_ARITH_ABNORMAL_CALC_POINTCLOUD,
        CORR_ARITH_ABNORMAL_CORRECT_BP_FAIL, CORR_ARITH_ABNORMAL_CORRECT_LEN_FAIL, CORR_ARITH_ABNORMAL_CORRECT_T_FAIL,
        CORR_ARITH_ABNORMAL_CORRECT_FPPN_FAIL, CORR_ARITH_ABNORMAL_CORRECT_OFS_FAIL,
        CORR_ARITH_ABNORMAL_CORRECT_WIG_FAIL, CORR_ARITH_ABNORMAL_CORRECT_FPN_FAIL,
        CORR_ARITH_ABNORMAL_CORRECT_LUMA_FAIL, CORR_ARITH_ABNORMAL_INVALID_COOR_MAP,
        CORR_ARITH_ABNORMAL_DIFFERENT_EBD_AND_CALI_MAX_FREQ};
    // In each word the n-th name is bit n (the words list their bits in order).
    auto expectConsecutiveBits = [](const unsigned int *p, size_t n, const char *pcWord) {
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(p[i], 1u << i) << pcWord << " entry " << i;
    };
    expectConsecutiveBits(initAbn, sizeof(initAbn) / sizeof(initAbn[0]), "init abnormal");
    expectConsecutiveBits(arithSucc, sizeof(arithSucc) / sizeof(arithSucc[0]), "arith success");
    expectConsecutiveBits(arithAbn, sizeof(arithAbn) / sizeof(arithAbn[0]), "arith abnormal");
    // The Init success word has 65536 twice (binning and phase count).
    expectConsecutiveBits(initSucc, sizeof(initSucc) / sizeof(initSucc[0]), "init success");
    EXPECT_EQ(CORR_INIT_FAIL_INVALID_PARA_DEPTH_PHASE_NUM, CORR_INIT_FAIL_INVALID_PARA_PIXEL_BINNING_MODE);
    EXPECT_EQ(CORR_INIT_FAIL_MODULE_INIT_PRECALC, 4194304u);
    EXPECT_EQ(CORR_ARITH_FAIL_INVALID_DEMOTION_BLUR, 134217728u);
    EXPECT_EQ(CORR_ARITH_ABNORMAL_DIFFERENT_EBD_AND_CALI_MAX_FREQ, 2097152u);
    EXPECT_EQ(CORR_INIT_SUCCESS | CORR_INIT_NORMAL | CORR_ARITH_SUCCESS | CORR_ARITH_NORMAL, 0u);
}

// The module buffer-record pattern: header first, variables attached, both
// counted, release nulls the caller's pointer; allocation failure leaves
// nothing behind.
struct TestModuleVars {
    GLB_MODULE_VARS_HEAD stHead;
    int iTable[100];
};
struct TestModuleBuffers {
    GLB_MODULE_BUFFERS_HEAD stHead;
    char cOwn[40];
};

TEST(ModuleRecordPattern, AllocateCountsBothRecordsAndReleaseNullsThePointer)
{
    TestModuleBuffers *pst = GLB_AllocateModuleRecord<TestModuleBuffers, TestModuleVars>();
    ASSERT_NE(pst, nullptr);
    EXPECT_EQ(pst->stHead.uiFixBufferBytes, sizeof(TestModuleBuffers) + sizeof(TestModuleVars));
    EXPECT_EQ(pst->stHead.uiDynBufferBytes, 0u);
    auto *pstVars = static_cast<TestModuleVars *>(pst->stHead.pstGlbVars);
    ASSERT_NE(pstVars, nullptr);
    EXPECT_EQ(pstVars->stHead.bEnableInitOnce, 0);
    EXPECT_EQ(pstVars->iTable[99], 0);
    void *p = pst;
    GLB_ReleaseModuleRecord<TestModuleBuffers, TestModuleVars>(&p);
    EXPECT_EQ(p, nullptr);
    GLB_ReleaseModuleRecord<TestModuleBuffers, TestModuleVars>(&p);  // again: nothing

    for (int k = 0; k < 2; ++k) {
        GLB_SetAllocationFailureCountdown(k);
        EXPECT_EQ((GLB_AllocateModuleRecord<TestModuleBuffers, TestModuleVars>()), nullptr) << k;
    }
    GLB_SetAllocationFailureCountdown(-1);
}

TEST(ModuleRecordPattern, CountedAllocationRefusesOverflowAndZero)
{
    uint32_t uiBytes = 0;
    EXPECT_EQ(GLB_CallocCounted(SIZE_MAX / 2, 4, &uiBytes), nullptr);
    EXPECT_EQ(GLB_CallocCounted(0, 4, &uiBytes), nullptr);
    EXPECT_EQ(uiBytes, 0u);
    int *pi = GLB_CallocArray<int>(10, &uiBytes);
    ASSERT_NE(pi, nullptr);
    EXPECT_EQ(uiBytes, 40u);
    GLB_FreeArray(&pi, 10, &uiBytes);
    EXPECT_EQ(pi, nullptr);
    EXPECT_EQ(uiBytes, 0u);
}

// ---------------------------------------------------------------------------
// Use-case table.

struct LayoutCase {
    unsigned char ucUsecase;
    unsigned char ucN;
    int iCount;
    int iFreqs;
    int iPhase[4];
    int iBgPhase[4];
    int iGray;
    int iBg[2];
};

class UsecaseLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(UsecaseLayout, QueriesReturnTheTableRow)
{
    const LayoutCase &c = GetParam();
    EXPECT_EQ(oryntcorrGetUsecaseImagesCnt(c.ucUsecase, c.ucN), c.iCount);
    EXPECT_EQ(oryntcorrGetUsecaseModFreqsCnt(c.ucUsecase), c.iFreqs);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(oryntcorrGetUsecaseThisFreq1stPhIdx(c.ucUsecase, c.ucN, i), c.iPhase[i]) << "slot " << i;
        EXPECT_EQ(oryntcorrGetUsecaseThisFreq1stBgPhIdx(c.ucUsecase, c.ucN, i), c.iBgPhase[i]) << "slot " << i;
    }
    EXPECT_EQ(oryntcorrGetUsecaseGrayIdx(c.ucUsecase, c.ucN), c.iGray);
    EXPECT_EQ(oryntcorrGetUsecaseBackgroundIdx(c.ucUsecase, c.ucN, 0), c.iBg[0]);
    EXPECT_EQ(oryntcorrGetUsecaseBackgroundIdx(c.ucUsecase, c.ucN, 1), c.iBg[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UsecaseLayout,
    ::testing::Values(
        LayoutCase{CORR_USECASE_ID_GRAY, 4, 1, 0, {-1, -1, -1, -1}, {-1, -1, -1, -1}, 0, {-1, -1}},
        LayoutCase{CORR_USECASE_ID_BG_GRAY, 4, 2, 0, {-1, -1, -1, -1}, {-1, -1, -1, -1}, 1, {0, -1}},
        LayoutCase{CORR_USECASE_ID_SF_BG_GRAY, 2, 4, 1, {0, -1, -1, -1}, {-1, -1, -1, -1}, 3, {2, -1}},
        LayoutCase{CORR_USECASE_ID_BG_SF_BG_GRAY, 4, 7, 1, {1, -1, -1, -1}, {-1, -1, -1, -1}, 6, {0, 5}},
        LayoutCase{CORR_USECASE_ID_GRAY_BG_SF_GRAY_BG, 4, 8, 1, {2, -1, -1, -1}, {-1, -1, -1, -1}, 0, {1, 7}},
        LayoutCase{CORR_USECASE_ID_DF, 4, 8, 2, {0, 4, -1, -1}, {-1, -1, -1, -1}, -1, {-1, -1}},
        LayoutCase{CORR_USECASE_ID_DF_GRAY_BG, 4, 10, 2, {0, 5, -1, -1}, {-1, -1, -1, -1}, 4, {9, -1}},
        LayoutCase{CORR_USECASE_ID_DF_BGPH_GRAY, 2, 9, 2, {0, 4, -1, -1}, {2, 7, -1, -1}, 6, {-1, -1}},
        LayoutCase{CORR_USECASE_ID_DF_BGPH_BG_GRAY, 4, 18, 2, {0, 9, -1, -1}, {5, 14, -1, -1}, 4, {13, -1}},
        LayoutCase{CORR_USECASE_ID_TF_BG, 4, 13, 3, {0, 4, 8, -1}, {-1, -1, -1, -1}, -1, {12, -1}},
        LayoutCase{CORR_USECASE_ID_FF_BG_GRAY, 2, 10, 4, {0, 2, 4, 7}, {-1, -1, -1, -1}, 9, {6, -1}},
        // Outside the table: 0 counts, -1 indices.
        LayoutCase{0, 4, 0, 0, {-1, -1, -1, -1}, {-1, -1, -1, -1}, -1, {-1, -1}},
        LayoutCase{33, 4, 0, 0, {-1, -1, -1, -1}, {-1, -1, -1, -1}, -1, {-1, -1}},
        LayoutCase{255, 2, 0, 0, {-1, -1, -1, -1}, {-1, -1, -1, -1}, -1, {-1, -1}},
        // More phases than the 18 sub-frame slots can hold.
        LayoutCase{CORR_USECASE_ID_FF, 9, 0, 4, {-1, -1, -1, -1}, {-1, -1, -1, -1}, -1, {-1, -1}}));

TEST(UsecaseTable, IndexArgumentsOutsideTheirRangeGiveMinusOne)
{
    EXPECT_EQ(oryntcorrGetUsecaseThisFreq1stPhIdx(CORR_USECASE_ID_FF, 4, 4), -1);
    EXPECT_EQ(oryntcorrGetUsecaseThisFreq1stPhIdx(CORR_USECASE_ID_FF, 4, -1), -1);
    EXPECT_EQ(oryntcorrGetUsecaseThisFreq1stBgPhIdx(CORR_USECASE_ID_DF_BGPH, 4, 4), -1);
    EXPECT_EQ(oryntcorrGetUsecaseBackgroundIdx(CORR_USECASE_ID_BG_GRAY_BG_SF, 4, 2), -1);
    EXPECT_EQ(oryntcorrGetUsecaseBackgroundIdx(CORR_USECASE_ID_BG_GRAY_BG_SF, 4, -1), -1);
}

// Structure of every row: the count follows the rule, phases of a slot are
// consecutive, and no two images share a sub-frame (use cases 11 and 12 are
// laid out for four phases only).
TEST(UsecaseTable, EveryRowPartitionsItsSubFrames)
{
    for (uint32_t id = 1; id <= 32; ++id) {
        for (uint8_t n : {2, 4}) {
            if ((id == 11 || id == 12) && n == 2) continue;
            GLB_USECASE_FRAME_MODE st;
            ASSERT_EQ(GLB_GetThisUsecaseFrameMode(id, n, &st), 1);
            const int iBgPh = st.ucIsHasBgPhase ? 2 : 1;
            int iExpected = n * st.ucModFreqsNum * iBgPh + (st.cInGrayId >= 0 ? 1 : 0) + (st.cInBgId[0] >= 0 ? 1 : 0);
            if (id == 10 || id == 11) iExpected += 1;
            if (id == 12) iExpected += 2;
            EXPECT_EQ(st.ucInSubFrmsNum, iExpected) << "use case " << id << " N " << int(n);
            std::set<int> used;
            auto take = [&](int first, int len) {
                for (int k = first; k < first + len; ++k) {
                    EXPECT_TRUE(used.insert(k).second) << "use case " << id << " sub-frame " << k << " twice";
                    EXPECT_LT(k, st.ucInSubFrmsNum) << "use case " << id;
                }
            };
            for (int f = 0; f < 4; ++f) {
                EXPECT_EQ(st.cIn1stPhaseId[f] >= 0, f < st.ucModFreqsNum) << "use case " << id;
                if (st.cIn1stPhaseId[f] >= 0) take(st.cIn1stPhaseId[f], n);
                if (st.cIn1stBgPhaseId[f] >= 0) take(st.cIn1stBgPhaseId[f], n);
            }
            if (st.cInGrayId >= 0) take(st.cInGrayId, 1);
            for (int b = 0; b < 2; ++b) {
                EXPECT_EQ(st.cInBgId[b] >= 0, b < st.ucBgNum) << "use case " << id;
                if (st.cInBgId[b] >= 0) take(st.cInBgId[b], 1);
            }
        }
    }
}

TEST(UsecaseTable, WorkModeFromTheLayout)
{
    EXPECT_EQ(GLB_SetArithWorkMode(0, 1, 1), WORK_MODE_GRAY_BG);
    EXPECT_EQ(GLB_SetArithWorkMode(0, 1, 0), WORK_MODE_GRAY);
    EXPECT_EQ(GLB_SetArithWorkMode(0, 0, 2), WORK_MODE_BG);
    EXPECT_EQ(GLB_SetArithWorkMode(0, 0, 0), WORK_MODE_UNKNOWN);
    EXPECT_EQ(GLB_SetArithWorkMode(0, 2, 0), WORK_MODE_UNKNOWN);  // only 1 means TRUE
    EXPECT_EQ(GLB_SetArithWorkMode(1, 1, 1), WORK_MODE_SFREQ);
    EXPECT_EQ(GLB_SetArithWorkMode(2, 0, 0), WORK_MODE_DFREQ);
    EXPECT_EQ(GLB_SetArithWorkMode(3, 0, 0), WORK_MODE_TFREQ);
    EXPECT_EQ(GLB_SetArithWorkMode(4, 0, 0), WORK_MODE_FFREQ);
    EXPECT_EQ(GLB_SetArithWorkMode(5, 0, 0), WORK_MODE_UNKNOWN);
}

// ---------------------------------------------------------------------------
// Sub-frame offsets stay exact past 32 bits.

TEST(SubFrameOffsets, LayoutsOfOneBufferInSizeT)
{
    const size_t B = 640u * 480u * 2u;
    const uint32_t E = 0xFFFFFFF0u;
    GLB_SUBFRAME_OFFSETS st = GLB_GetSubFrameOffsets(17, 1, 640, 480, CORR_EBD_AFTER_IMG, E);
    EXPECT_EQ(st.szImage, 17u * (B + E));
    EXPECT_EQ(st.szEbd, 17u * (B + E) + B);
    EXPECT_EQ(st.bHasEbd, 1);
    st = GLB_GetSubFrameOffsets(17, 1, 640, 480, CORR_EBD_BEFORE_IMG, E);
    EXPECT_EQ(st.szEbd, 17u * (static_cast<size_t>(E) + B));
    EXPECT_EQ(st.szImage, 17u * (static_cast<size_t>(E) + B) + E);
    st = GLB_GetSubFrameOffsets(5, 1, 640, 480, CORR_EBD_INDEPENDENT, E);
    EXPECT_EQ(st.szImage, 5u * B);
    EXPECT_EQ(st.bHasEbd, 0);
    // Own buffer per sub-frame: the index does not move anything.
    st = GLB_GetSubFrameOffsets(9, 0, 640, 480, CORR_ADDINFO_AFTER_IMG, 1280);
    EXPECT_EQ(st.szImage, 0u);
    EXPECT_EQ(st.szEbd, B);
    EXPECT_EQ(GLB_GetInDepthMapBytes(18, 640, 480, CORR_EBD_AFTER_IMG, E), 18u * (B + E));
    EXPECT_EQ(GLB_GetInDepthMapBytes(10, 640, 481, CORR_NO_EBD, 1280), 10u * 640u * 481u * 2u);
}

}  // namespace
