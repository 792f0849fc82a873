// SetDynamicConfig, RunCorrection, output-image negotiation, the frame
// stages, log files and the version text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Common/glb_buffers.h"
#include "_Main/mainc_internal.h"
#include "corr/corr_test_util.h"

namespace {

using namespace NAMESPACE_CORR;
using corrtest::BaselineFixParas;

// A handle from the baseline set-up (optionally changed), released at the end.
class Handle {
public:
    explicit Handle(const std::function<void(CORR_FIXPARA &)> &change = nullptr)
    {
        CORR_FIXPARA stFix = BaselineFixParas();
        if (change) change(stFix);
        unsigned int uiSucc = 0;
        unsigned int uiAbn = 0;
        m_p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 0, 0);
        EXPECT_EQ(uiSucc, 0u);
    }
    ~Handle()
    {
        if (m_p != nullptr) oryntcorrRelease(&m_p, 0);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    void *get() const { return m_p; }
    GLB_BUFFERS *glb() const { return static_cast<GLB_BUFFERS *>(m_p); }

private:
    void *m_p = nullptr;
};

// ---------------------------------------------------------------------------
// SetDynamicConfig

TEST(CorrDynConfig, NullRecordAppliesAllDefaultsWithOnlyThePointerBit)
{
    Handle h;
    ASSERT_NE(h.get(), nullptr);
    h.glb()->stDynParas.fFusionErrorExpandMinTsh = 0.1f;  // something else first
    unsigned int uiSucc = 9;
    unsigned int uiAbn = 9;
    oryntcorrSetDynamicConfig(h.get(), nullptr, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 0u);
    EXPECT_EQ(uiAbn, static_cast<unsigned int>(CORR_ARITH_ABNORMAL_INVALID_DYNPARA_POINTER));
    const CORR_DYNPARA &st = h.glb()->stDynParas;
    EXPECT_FLOAT_EQ(st.fFusionErrorExpandMinTsh, 0.3f);
    EXPECT_EQ(st.ucEnableCorrBP, 1);
    EXPECT_EQ(st.ucEnableCorrLUMA, 0);
    EXPECT_EQ(st.usAERoiXMax, 639);
    EXPECT_EQ(st.usAERoiYMax, 479);
    EXPECT_EQ(st.usAEOverExposureThres, 240);
    EXPECT_EQ(st.usPresetMaxDist, 4000);
    EXPECT_EQ(h.glb()->bHasSetDynParas, 1);
}

struct DynCase {
    const char *pcName;
    std::function<void(CORR_DYNPARA &)> change;
    std::function<bool(const CORR_DYNPARA &)> applied;  // checks the handle's copy
    bool bReplaced;
};

class CorrDynValidation : public ::testing::TestWithParam<DynCase> {};

TEST_P(CorrDynValidation, ReplacesOutOfRangeValuesAndNeverWritesTheCaller)
{
    const DynCase &c = GetParam();
    Handle h;
    ASSERT_NE(h.get(), nullptr);
    CORR_DYNPARA stDyn = MAINC_DefaultDynParas();
    c.change(stDyn);
    const CORR_DYNPARA stCallerCopy = stDyn;
    unsigned int uiSucc = 9;
    unsigned int uiAbn = 9;
    oryntcorrSetDynamicConfig(h.get(), &stDyn, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 0u) << c.pcName;
    EXPECT_EQ(uiAbn, c.bReplaced ? static_cast<unsigned int>(CORR_ARITH_ABNORMAL_INVALID_DYNPARA) : 0u) << c.pcName;
    EXPECT_TRUE(c.applied(h.glb()->stDynParas)) << c.pcName;
    EXPECT_EQ(std::memcmp(&stDyn, &stCallerCopy, sizeof(stDyn)), 0) << c.pcName;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CorrDynValidation,
    ::testing::Values(
        DynCase{"threshold 0.5 kept", [](CORR_DYNPARA &d) { d.fFusionErrorExpandMinTsh = 0.5f; },
                [](const CORR_DYNPARA &d) { return d.fFusionErrorExpandMinTsh == 0.5f; }, false},
        DynCase{"threshold 0.6 replaced", [](CORR_DYNPARA &d) { d.fFusionErrorExpandMinTsh = 0.6f; },
                [](const CORR_DYNPARA &d) { return d.fFusionErrorExpandMinTsh == 0.3f; }, true},
        DynCase{"threshold 0 replaced", [](CORR_DYNPARA &d) { d.fFusionErrorExpandMinTsh = 0.0f; },
                [](const CORR_DYNPARA &d) { return d.fFusionErrorExpandMinTsh == 0.3f; }, true},
        DynCase{"threshold NaN replaced",
                [](CORR_DYNPARA &d) { d.fFusionErrorExpandMinTsh = std::numeric_limits<float>::quiet_NaN(); },
                [](const CORR_DYNPARA &d) { return d.fFusionErrorExpandMinTsh == 0.3f; }, true},
        DynCase{"switch 2 defaulting to 1", [](CORR_DYNPARA &d) { d.ucEnableCorrWig = 2; },
                [](const CORR_DYNPARA &d) { return d.ucEnableCorrWig == 1; }, true},
        DynCase{"switch 0 kept", [](CORR_DYNPARA &d) { d.ucEnableCorrWig = 0; },
                [](const CORR_DYNPARA &d) { return d.ucEnableCorrWig == 0; }, false},
        DynCase{"switch 7 defaulting to 0", [](CORR_DYNPARA &d) { d.ucEnableRegistration = 7; },
                [](const CORR_DYNPARA &d) { return d.ucEnableRegistration == 0; }, true},
        DynCase{"over-exposure 2056", [](CORR_DYNPARA &d) { d.usAEOverExposureThres = 2056; },
                [](const CORR_DYNPARA &d) { return d.usAEOverExposureThres == 240; }, true},
        DynCase{"optimal amplitude 9", [](CORR_DYNPARA &d) { d.usAEOptAmpThres = 9; },
                [](const CORR_DYNPARA &d) { return d.usAEOptAmpThres == 200; }, true},
        DynCase{"optimal amplitude 4095 kept", [](CORR_DYNPARA &d) { d.usAEOptAmpThres = 4095; },
                [](const CORR_DYNPARA &d) { return d.usAEOptAmpThres == 4095; }, false},
        DynCase{"contrast 2056", [](CORR_DYNPARA &d) { d.usAEContrast = 2056; },
                [](const CORR_DYNPARA &d) { return d.usAEContrast == 100; }, true},
        DynCase{"region and distance unchecked",
                [](CORR_DYNPARA &d) {
                    d.usAERoiXMax = 9999;
                    d.usPresetMaxDist = 65535;
                },
                [](const CORR_DYNPARA &d) { return d.usAERoiXMax == 9999 && d.usPresetMaxDist == 65535; }, false},
        DynCase{"several at once",
                [](CORR_DYNPARA &d) {
                    d.ucEnableCorrBP = 3;
                    d.ucEnableDeALI = 3;
                    d.usAEContrast = 1;
                },
                [](const CORR_DYNPARA &d) { return d.ucEnableCorrBP == 1 && d.ucEnableDeALI == 0 && d.usAEContrast == 100; },
                true}),
    [](const ::testing::TestParamInfo<DynCase> &info) {
        std::string s = info.param.pcName;
        for (char &ch : s) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return s;
    });

TEST(CorrDynConfig, CopiesOffsetAndBackgroundSwitchIntoTheFixedVariables)
{
    Handle h;
    ASSERT_NE(h.get(), nullptr);
    CORR_DYNPARA stDyn = MAINC_DefaultDynParas();
    stDyn.ucEnableCorrOffset = 1;
    stDyn.sOffsetCorretion[0] = -12;
    stDyn.sOffsetCorretion[3] = 40;
    stDyn.ucEnableDeALI = 1;
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    oryntcorrSetDynamicConfig(h.get(), &stDyn, &uiSucc, &uiAbn, 0);
    ASSERT_EQ(uiSucc, 0u);
    const GLB_FIXVAR *pstFix = h.glb()->pstGlbFixVars;
    EXPECT_EQ(pstFix->bEnableManualOffsetCorr, 1);
    EXPECT_EQ(pstFix->sManualOffsetCorretionMM[0], -12);
    EXPECT_EQ(pstFix->sManualOffsetCorretionMM[3], 40);
    EXPECT_EQ(pstFix->ucEnableSubBgPhase, 1);
}

TEST(CorrDynConfig, BadHandlesAndFlagPointers)
{
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    oryntcorrSetDynamicConfig(nullptr, nullptr, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_OUTER_BUFFER));
    EXPECT_EQ(uiAbn, 0u);

    Handle h;
    ASSERT_NE(h.get(), nullptr);
    std::vector<unsigned char> copy(sizeof(GLB_BUFFERS));
    std::memcpy(copy.data(), h.get(), copy.size());
    oryntcorrSetDynamicConfig(copy.data(), nullptr, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 3u);

    h.glb()->pstGlbFixVars->bInitSuccFlag = 2;  // only 1 counts
    oryntcorrSetDynamicConfig(h.get(), nullptr, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_NOT_INITIALIZED));
    h.glb()->pstGlbFixVars->bInitSuccFlag = 1;

    uiSucc = 55;
    oryntcorrSetDynamicConfig(h.get(), nullptr, &uiSucc, nullptr, 0);
    oryntcorrSetDynamicConfig(h.get(), nullptr, nullptr, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 55u);
}

// ---------------------------------------------------------------------------
// RunCorrection

TEST(CorrRun, RefusesBadHandlesAndRecords)
{
    CORR_INDATAS stIn{};
    CORR_OUTDATAS stOut{};
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;

    oryntcorrRunCorrection(nullptr, &stIn, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_OUTER_BUFFER));

    Handle h;
    ASSERT_NE(h.get(), nullptr);
    std::vector<unsigned char> copy(sizeof(GLB_BUFFERS));
    std::memcpy(copy.data(), h.get(), copy.size());
    oryntcorrRunCorrection(copy.data(), &stIn, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 3u);

    oryntcorrRunCorrection(h.get(), nullptr, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_INDATAS_POINTER));
    oryntcorrRunCorrection(h.get(), &stIn, nullptr, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_OUTDATAS_POINTER));

    h.glb()->pstGlbFixVars->bInitSuccFlag = 0;
    oryntcorrRunCorrection(h.get(), &stIn, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_NOT_INITIALIZED));
    h.glb()->pstGlbFixVars->bInitSuccFlag = 1;

    GLB_DYN_BUFFERS *pstDyn = h.glb()->pstGlbDynBuffers;
    h.glb()->pstGlbDynBuffers = nullptr;
    oryntcorrRunCorrection(h.get(), &stIn, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_OUTER_BUFFER));
    h.glb()->pstGlbDynBuffers = pstDyn;

    uiSucc = 55;
    oryntcorrRunCorrection(h.get(), &stIn, &stOut, &uiSucc, nullptr, 0);
    EXPECT_EQ(uiSucc, 55u);
}

TEST(CorrRun, ReleasedHandleIsRefusedWithoutReadingIt)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    void *p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 0, 0);
    ASSERT_NE(p, nullptr);
    void *pStale = p;
    oryntcorrRelease(&p, 0);
    CORR_INDATAS stIn{};
    CORR_OUTDATAS stOut{};
    // Under AddressSanitizer a read through pStale would be reported.
    oryntcorrRunCorrection(pStale, &stIn, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 3u);
    oryntcorrSetDynamicConfig(pStale, nullptr, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, 3u);
}

// The frame preparation is not built yet: a well-formed frame fails with
// the not-built bit and produces nothing.
TEST(CorrRun, FrameReportsTheNotYetBuiltPreparation)
{
    Handle h;
    ASSERT_NE(h.get(), nullptr);
    CORR_INDATAS stIn{};
    stIn.ucIsInDatasUsed = 1;
    std::vector<char> frame(8u * (640u * 480u * 2u + 1280u));
    stIn.pcInDepthMapBuffer = frame.data();
    CORR_OIMG stDepth{};
    stDepth.eBufferType = OIMG_BUFFER_INNER;
    CORR_OUTDATAS stOut{};
    stOut.pstOutDepth = &stDepth;
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    oryntcorrRunCorrection(h.get(), &stIn, &stOut, &uiSucc, &uiAbn, 0);
    EXPECT_EQ(uiSucc, MAINC_STAGE_NOT_BUILT_FLAG);
    EXPECT_EQ(stDepth.pcBuffer, nullptr);
    EXPECT_EQ(stOut.pcOutParasLn, nullptr);
}

TEST(CorrRun, WorkModeDispatchAndRunnersReportTheirBits)
{
    const unsigned char ucLog = 0;
    CORR_OUTDATAS stOut{};
    struct Case {
        CORR_USECASE_ID eUsecase;
        int iFreqsOverride;  // -1: as the layout says
        unsigned int uiExpected;
    };
    const Case cases[] = {
        {CORR_USECASE_ID_GRAY, -1, MAINC_STAGE_NOT_BUILT_FLAG},
        {CORR_USECASE_ID_BG, -1, MAINC_STAGE_NOT_BUILT_FLAG},
        {CORR_USECASE_ID_GRAY_BG, -1, MAINC_STAGE_NOT_BUILT_FLAG},
        {CORR_USECASE_ID_SF, -1, MAINC_STAGE_NOT_BUILT_FLAG},
        {CORR_USECASE_ID_DF, -1, MAINC_STAGE_NOT_BUILT_FLAG},
        {CORR_USECASE_ID_FF, -1, MAINC_STAGE_NOT_BUILT_FLAG},
        // A multi-frequency mode whose layout has too few frequencies.
        {CORR_USECASE_ID_TF, 2, CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM},
    };
    for (const Case &c : cases) {
        Handle h([&](CORR_FIXPARA &f) { f.eUsecaseID = c.eUsecase; });
        ASSERT_NE(h.get(), nullptr);
        if (c.iFreqsOverride >= 0) h.glb()->pstGlbFixVars->ucModFreqsNum = static_cast<uint8_t>(c.iFreqsOverride);
        unsigned int uiSucc = 0;
        unsigned int uiAbn = 0;
        MAINC_RunWorkMode(h.glb(), &stOut, &uiSucc, &uiAbn, ucLog, nullptr);
        EXPECT_EQ(uiSucc, c.uiExpected) << "use case " << c.eUsecase;
        EXPECT_EQ(uiAbn, 0u);
    }
    Handle h;
    for (int iFreqs : {1, 5}) {
        unsigned int uiSucc = 0;
        unsigned int uiAbn = 0;
        MAINC_RunMultiFreqsWorkMode(h.glb(), iFreqs, &stOut, &uiSucc, &uiAbn, ucLog, nullptr);
        EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_MULTI_FREQS_INVALID_INPUT_FREQS_NUM));
    }
}

TEST(CorrRun, EndOfFrameReturnsTheParameterLineAndKeepsTheReadOut)
{
    Handle h;
    ASSERT_NE(h.get(), nullptr);
    CORR_INDATAS stIn{};
    CORR_OUTDATAS stOut{};
    stOut.ucRegRgbSuccFlag = 1;
    GLB_FIXVAR *pstFix = h.glb()->pstGlbFixVars;
    pstFix->stWorkSensorStatus.usPixelRoiStartX = 17;
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    const GLB_LogFile log(CORR_LOG_RUN, 0);
    MAINC_FinishFrame(h.glb(), &stIn, &stOut, &uiSucc, &uiAbn, log);
    EXPECT_EQ(stOut.pcOutParasLn, h.glb()->pstGlbOutDatas->pcOutParasLn);
    EXPECT_NE(stOut.pcOutParasLn, nullptr);
    EXPECT_EQ(stOut.usOutParasLnBytes, 116);
    EXPECT_EQ(stOut.ucRegRgbSuccFlag, 0);
    EXPECT_EQ(pstFix->stWorkSensorStatusLastFrame.usPixelRoiStartX, 17);
}

// ---------------------------------------------------------------------------
// Output-image negotiation

struct OutCase {
    const char *pcName;
    OUT_IMAGE_BUFFER_TYPE eInit;
    uint32_t uiRun;
    bool bUserBuffer;
    unsigned int uiSucc;
    unsigned int uiAbn;
    int iExpectBuffer;  // 0 none, 1 caller's, 2 inner
    uint32_t uiTypeAfter;
};

class CorrOutImageDepth : public ::testing::TestWithParam<OutCase> {};

// The depth image of a dual-frequency frame (mandatory there).
TEST_P(CorrOutImageDepth, NegotiatesTheBuffer)
{
    const OutCase &c = GetParam();
    Handle h([&](CORR_FIXPARA &f) { f.eOutBufferType_Depth = c.eInit; });
    ASSERT_NE(h.get(), nullptr);
    const size_t n = 640u * 480u;
    std::vector<uint16_t> user(n + 8, 0xABCD);
    CORR_OIMG stDepth{};
    stDepth.eBufferType = static_cast<OUT_IMAGE_BUFFER_TYPE>(c.uiRun);
    stDepth.pcBuffer = c.bUserBuffer ? reinterpret_cast<char *>(user.data()) : nullptr;
    CORR_OUTDATAS stOut{};
    stOut.pstOutDepth = &stDepth;
    char *pcInner = reinterpret_cast<char *>(h.glb()->pstGlbOutDatas->pusOutDepth);
    if (pcInner != nullptr) std::memset(pcInner, 0x11, n * 2);
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    MAINC_InitOutputImages(h.glb(), &stOut, &uiSucc, &uiAbn, GLB_LogFile(CORR_LOG_RUN, 0));
    EXPECT_EQ(uiSucc, c.uiSucc) << c.pcName;
    EXPECT_EQ(uiAbn, c.uiAbn) << c.pcName;
    EXPECT_EQ(static_cast<uint32_t>(stDepth.eBufferType), c.uiTypeAfter) << c.pcName;
    EXPECT_EQ(stDepth.eName, OIMG_NAME_DEPTH);
    EXPECT_EQ(stDepth.eDataType, OIMG_DTYPE_UINT16);
    EXPECT_EQ(stDepth.usWidth, 640);
    EXPECT_EQ(stDepth.usHeight, 480);
    if (c.iExpectBuffer == 1) {
        EXPECT_EQ(stDepth.pcBuffer, reinterpret_cast<char *>(user.data())) << c.pcName;
        EXPECT_EQ(user[0], 0) << c.pcName;
        EXPECT_EQ(user[n - 1], 0) << c.pcName;
        EXPECT_EQ(user[n], 0xABCD) << c.pcName << ": cleared past the image";
    } else if (c.iExpectBuffer == 2) {
        EXPECT_EQ(stDepth.pcBuffer, pcInner) << c.pcName;
        EXPECT_EQ(pcInner[0], 0);
        EXPECT_EQ(pcInner[n * 2 - 1], 0);
    } else {
        EXPECT_TRUE(stDepth.pcBuffer == nullptr || stDepth.pcBuffer == reinterpret_cast<char *>(user.data()))
            << c.pcName;
        EXPECT_EQ(user[0], 0xABCD) << c.pcName << ": an image without memory is not written";
        if (pcInner != nullptr) {
            EXPECT_EQ(pcInner[0], 0x11) << c.pcName;
        }
    }
}

constexpr unsigned int kDiff = CORR_ARITH_ABNORMAL_DIFFERENT_BUFFER_TYPE_SET;

INSTANTIATE_TEST_SUITE_P(
    Table, CorrOutImageDepth,
    ::testing::Values(
        OutCase{"user_user", OIMG_BUFFER_USER, OIMG_BUFFER_USER, true, 0, 0, 1, OIMG_BUFFER_USER},
        OutCase{"user_user_no_memory", OIMG_BUFFER_USER, OIMG_BUFFER_USER, false,
                CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER, 0, 0, OIMG_BUFFER_USER},
        OutCase{"inner_inner", OIMG_BUFFER_INNER, OIMG_BUFFER_INNER, false, 0, 0, 2, OIMG_BUFFER_INNER},
        OutCase{"null_null", OIMG_BUFFER_NULL, OIMG_BUFFER_NULL, true, 0, 0, 0, OIMG_BUFFER_NULL},
        OutCase{"inner_user", OIMG_BUFFER_INNER, OIMG_BUFFER_USER, true, 0, kDiff, 1, OIMG_BUFFER_USER},
        OutCase{"inner_user_no_memory_switches_to_inner", OIMG_BUFFER_INNER, OIMG_BUFFER_USER, false, 0,
                kDiff | CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE, 2, OIMG_BUFFER_INNER},
        OutCase{"null_user_no_memory", OIMG_BUFFER_NULL, OIMG_BUFFER_USER, false, CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER,
                kDiff | CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE, 0, OIMG_BUFFER_USER},
        OutCase{"user_inner", OIMG_BUFFER_USER, OIMG_BUFFER_INNER, true, CORR_ARITH_FAIL_INVALID_OUT_IMG_BUFFER, kDiff, 0,
                OIMG_BUFFER_NULL},
        OutCase{"inner_null", OIMG_BUFFER_INNER, OIMG_BUFFER_NULL, true, 0,
                kDiff | CORR_ARITH_ABNORMAL_BUFFER_TYPE_NULL_BUT_NO_INFIXPARA, 0, OIMG_BUFFER_NULL},
        OutCase{"inner_unknown", OIMG_BUFFER_INNER, 7, true, 0, kDiff | CORR_ARITH_ABNORMAL_BUFFER_TYPE_NULL_SET_UNKNOWN,
                0, OIMG_BUFFER_NULL}),
    [](const ::testing::TestParamInfo<OutCase> &info) { return std::string(info.param.pcName); });

TEST(CorrOutImage, OptionalImagesWarnInsteadOfFailing)
{
    // Amplitude is never mandatory.
    Handle h([](CORR_FIXPARA &f) { f.eOutBufferType_Amp = OIMG_BUFFER_USER; });
    ASSERT_NE(h.get(), nullptr);
    CORR_OIMG stAmp{};
    stAmp.eBufferType = OIMG_BUFFER_USER;
    CORR_OIMG stFlag{};
    stFlag.eBufferType = OIMG_BUFFER_INNER;  // Init type INNER
    CORR_OIMG stConf{};
    stConf.eBufferType = OIMG_BUFFER_USER;
    CORR_OUTDATAS stOut{};
    stOut.pstOutAmp = &stAmp;
    stOut.pstOutFlag = &stFlag;
    stOut.pstOutConfidence = &stConf;
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    MAINC_InitOutputImages(h.glb(), &stOut, &uiSucc, &uiAbn, GLB_LogFile(CORR_LOG_RUN, 0));
    EXPECT_EQ(uiSucc, 0u);
    EXPECT_EQ(uiAbn, CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE | kDiff);
    EXPECT_EQ(stFlag.pcBuffer, reinterpret_cast<char *>(h.glb()->pstGlbOutDatas->pucOutFlag));
    EXPECT_EQ(stFlag.eDataType, OIMG_DTYPE_UINT8);
    EXPECT_EQ(stConf.eBufferType, OIMG_BUFFER_INNER);  // switched to the inner buffer
    EXPECT_EQ(stAmp.eName, OIMG_NAME_AMP);

    // INNER asked at run time for an image whose Init type was USER.
    CORR_OIMG stAmp2{};
    stAmp2.eBufferType = OIMG_BUFFER_INNER;
    char cStale = 0x7F;
    stAmp2.pcBuffer = &cStale;
    CORR_OUTDATAS stOut2{};
    stOut2.pstOutAmp = &stAmp2;
    MAINC_InitOutputImages(h.glb(), &stOut2, &uiSucc, &uiAbn, GLB_LogFile(CORR_LOG_RUN, 0));
    EXPECT_EQ(uiSucc, 0u);
    EXPECT_EQ(uiAbn, CORR_ARITH_ABNORMAL_BUFFER_TYPE_USER_BUT_NO_ALLOCATE | kDiff |
                         CORR_ARITH_ABNORMAL_BUFFER_TYPE_INIT_NOT_INNER);
    EXPECT_EQ(stAmp2.pcBuffer, nullptr);
    EXPECT_EQ(cStale, 0x7F);
}

TEST(CorrOutImage, TwoInnerBackgroundsGetTheirOwnMemoryAndDataTypesFollowInit)
{
    Handle h([](CORR_FIXPARA &f) {
        f.eUsecaseID = CORR_USECASE_ID_BG_GRAY_BG_SF;
        f.eOutBufferType_Bg = OIMG_BUFFER_INNER;
        f.eOutBufferType_PointCloud = OIMG_BUFFER_INNER;
        f.eOutPointCloudType = PC_TYPE_DEPTH_POINT_CLOUD;
        f.eOutDepthType = DEPTH_TYPE_DEPTH16;
    });
    ASSERT_NE(h.get(), nullptr);
    CORR_OIMG stBg0{}, stBg1{}, stPc{}, stDepth{};
    stBg0.eBufferType = stBg1.eBufferType = stPc.eBufferType = stDepth.eBufferType = OIMG_BUFFER_INNER;
    CORR_OUTDATAS stOut{};
    stOut.pstOutBg[0] = &stBg0;
    stOut.pstOutBg[1] = &stBg1;
    stOut.pstOutPointCloud = &stPc;
    stOut.pstOutDepth = &stDepth;
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    MAINC_InitOutputImages(h.glb(), &stOut, &uiSucc, &uiAbn, GLB_LogFile(CORR_LOG_RUN, 0));
    EXPECT_EQ(uiSucc, 0u);
    EXPECT_EQ(uiAbn, 0u);
    ASSERT_NE(stBg0.pcBuffer, nullptr);
    ASSERT_NE(stBg1.pcBuffer, nullptr);
    EXPECT_EQ(stBg1.pcBuffer - stBg0.pcBuffer, static_cast<std::ptrdiff_t>(640 * 480 * 2));
    std::memset(stBg1.pcBuffer, 1, 640 * 480 * 2);  // writable over the full image
    EXPECT_EQ(stPc.eDataType, OIMG_DTYPE_DEPTH_POINT_CLOUD);
    EXPECT_EQ(stDepth.eDataType, OIMG_DTYPE_DEPTH16);
    EXPECT_EQ(stBg1.eName, OIMG_NAME_BG);
}

TEST(CorrOutImage, MissingGrayOrBackgroundFailsOnlyWhereTheModeNeedsIt)
{
    CORR_OUTDATAS stOut{};
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    const GLB_LogFile log(CORR_LOG_RUN, 0);
    Handle hGray([](CORR_FIXPARA &f) { f.eUsecaseID = CORR_USECASE_ID_GRAY_BG; });
    MAINC_AbormalProcOfOutGray(hGray.glb(), 0, &stOut, &uiSucc, &uiAbn, log);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_OUT_GRAY_POINTER));
    uiSucc = uiAbn = 0;
    MAINC_AbormalProcOfOutBg(hGray.glb(), 1, &stOut, &uiSucc, &uiAbn, log);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_INVALID_OUT_BG_POINTER));

    Handle hSf([](CORR_FIXPARA &f) { f.eUsecaseID = CORR_USECASE_ID_SF_GRAY_BG; });
    uiSucc = uiAbn = 0;
    MAINC_AbormalProcOfOutGray(hSf.glb(), 1, &stOut, &uiSucc, &uiAbn, log);
    EXPECT_EQ(uiSucc, 0u);
    EXPECT_EQ(uiAbn, static_cast<unsigned int>(CORR_ARITH_ABNORMAL_INVALID_OUT_GRAY_POINTER));
    uiSucc = uiAbn = 0;
    MAINC_AbormalProcOfOutBg(hSf.glb(), 1, &stOut, &uiSucc, &uiAbn, log);
    EXPECT_EQ(uiAbn, static_cast<unsigned int>(CORR_ARITH_ABNORMAL_INVALID_OUT_BG_POINTER));
}

// ---------------------------------------------------------------------------
// Log files and version

class CorrLogs : public corrtest::InTempDir {};

TEST_F(CorrLogs, WrittenOnlyWhenTheSwitchIsOne)
{
    for (unsigned char ucSwitch : {0, 2, 255}) {
        CORR_FIXPARA stFix = BaselineFixParas();
        unsigned int uiSucc = 0;
        unsigned int uiAbn = 0;
        void *p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, ucSwitch, ucSwitch);
        ASSERT_NE(p, nullptr);
        oryntcorrSetDynamicConfig(p, nullptr, &uiSucc, &uiAbn, ucSwitch);
        CORR_INDATAS stIn{};
        CORR_OUTDATAS stOut{};
        oryntcorrRunCorrection(p, &stIn, &stOut, &uiSucc, &uiAbn, ucSwitch);
        oryntcorrRelease(&p, ucSwitch);
    }
    for (const char *pc : {CORR_LOG_INIT, CORR_LOG_INIT_COSTTIME, CORR_LOG_DYNCONFIG, CORR_LOG_DYNCONFIG_COSTTIME,
                           CORR_LOG_RUN, CORR_LOG_RUN_COSTTIME, CORR_LOG_RELEASE}) {
        EXPECT_FALSE(Exists(pc)) << pc;
    }
}

TEST_F(CorrLogs, EachCallWritesItsOwnFileWithItsMessages)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    void *p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 1, 1);
    ASSERT_NE(p, nullptr);
    std::string s = ReadFile(CORR_LOG_INIT);
    EXPECT_EQ(s.rfind("\nTof correction algorithm is initializing ...\n\n", 0), 0u);
    EXPECT_NE(s.find("CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER:"), std::string::npos);
    EXPECT_NE(s.find("SIMD_UINT16_STEP is 8"), std::string::npos);
    EXPECT_NE(s.find("------ Fixed GlbBufferBytes:"), std::string::npos);
    EXPECT_NE(s.find("Initialization successfully!"), std::string::npos);
    EXPECT_TRUE(Exists(CORR_LOG_INIT_COSTTIME));
    EXPECT_EQ(ReadFile(CORR_LOG_RUN_COSTTIME), "\nThis file has been reset in oryntcorrInit() !\n");

    CORR_DYNPARA stDyn = MAINC_DefaultDynParas();
    stDyn.usAEContrast = 5;
    oryntcorrSetDynamicConfig(p, &stDyn, &uiSucc, &uiAbn, 1);
    s = ReadFile(CORR_LOG_DYNCONFIG);
    EXPECT_NE(s.find("usAEContrast has been set to default value: 100\n"), std::string::npos);
    EXPECT_NE(s.find("Dynamic parameters set exception!"), std::string::npos);
    EXPECT_NE(s.find("Dynamic parameters set successfully!"), std::string::npos);
    EXPECT_TRUE(Exists(CORR_LOG_DYNCONFIG_COSTTIME));  // cost times were asked at Init

    CORR_INDATAS stIn{};
    CORR_OUTDATAS stOut{};
    oryntcorrRunCorrection(p, &stIn, nullptr, &uiSucc, &uiAbn, 1);
    s = ReadFile(CORR_LOG_RUN);
    EXPECT_NE(s.find("'CORR_OUTDATAS* pstOutDatas' = NULL"), std::string::npos);
    oryntcorrRunCorrection(p, &stIn, &stOut, &uiSucc, &uiAbn, 1);
    s = ReadFile(CORR_LOG_RUN);  // truncated by the second run
    EXPECT_EQ(s.find("'CORR_OUTDATAS* pstOutDatas' = NULL"), std::string::npos);
    EXPECT_NE(s.find("Initialization of each frame failure!"), std::string::npos);
    EXPECT_NE(s.find("Tof correction algorithm run failure!"), std::string::npos);

    oryntcorrRelease(&p, 1);
    EXPECT_NE(ReadFile(CORR_LOG_RELEASE).find("The global buffers has been successfully freed!"), std::string::npos);
    oryntcorrRelease(&p, 1);
    s = ReadFile(CORR_LOG_RELEASE);
    EXPECT_NE(s.find("Error: the input pGlbBuffer == NULL"), std::string::npos);
    EXPECT_NE(s.find("release failure!"), std::string::npos);
}

TEST_F(CorrLogs, InitFailureLogsTheFieldAndItsRange)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    stFix.usInImgWidth = 700;
    stFix.usOutImgWidth = 700;
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    EXPECT_EQ(oryntcorrInit(&stFix, &uiSucc, &uiAbn, 1, 0), nullptr);
    const std::string s = ReadFile(CORR_LOG_INIT);
    EXPECT_NE(s.find("\n    CORR_INIT_FAIL_INVALID_PARA_IN_IMG_WIDTH:\n"
                     "    ------ oryntcorrInit() -> CORR_FIXPARA* pstFixParas -> usInImgWidth: = 700\n"
                     "           usInImgWidth's valid range is [1, 640]\n"),
              std::string::npos);
    EXPECT_NE(s.find("Initialization failure!"), std::string::npos);

    EXPECT_EQ(oryntcorrInit(nullptr, &uiSucc, &uiAbn, 1, 0), nullptr);
    EXPECT_NE(ReadFile(CORR_LOG_INIT).find("CORR_FIXPARA* pstFixParas: = NULL\n"), std::string::npos);
    EXPECT_EQ(oryntcorrInit(&stFix, nullptr, &uiAbn, 1, 0), nullptr);
    EXPECT_NE(ReadFile(CORR_LOG_INIT).find("'unsigned int* puiSuccFlag' is NULL!"), std::string::npos);
}

// Bad input: each case gives its words and its log entry.
TEST_F(CorrLogs, BadInputGivesItsFlagsAndLogText)
{
    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    CORR_INDATAS stIn{};
    CORR_OUTDATAS stOut{};

    oryntcorrRunCorrection(nullptr, &stIn, &stOut, &uiSucc, &uiAbn, 1);
    EXPECT_EQ(uiSucc, 1u);
    EXPECT_NE(ReadFile(CORR_LOG_RUN).find("    ------ Error: the input pGlbBuffer == NULL\n"), std::string::npos);

    Handle h;
    ASSERT_NE(h.get(), nullptr);
    std::vector<unsigned char> copy(sizeof(GLB_BUFFERS));
    std::memcpy(copy.data(), h.get(), copy.size());
    oryntcorrRunCorrection(copy.data(), &stIn, &stOut, &uiSucc, &uiAbn, 1);
    EXPECT_EQ(uiSucc, 3u);
    EXPECT_NE(ReadFile(CORR_LOG_RUN).find("    ------ Error: the input pGlbBuffer has been changed\n"), std::string::npos);

    oryntcorrRunCorrection(h.get(), nullptr, &stOut, &uiSucc, &uiAbn, 1);
    EXPECT_NE(ReadFile(CORR_LOG_RUN).find("    ------ oryntcorrRunCorrection() -> CORR_INDATAS* pstInDatas: = NULL\n"),
              std::string::npos);

    oryntcorrRunCorrection(h.get(), &stIn, &stOut, nullptr, &uiAbn, 1);
    const std::string sRun = ReadFile(CORR_LOG_RUN);
    EXPECT_NE(sRun.find("'unsigned int* puiSuccFlag' is NULL!"), std::string::npos);
    EXPECT_NE(sRun.find("Tof correction algorithm run failure!"), std::string::npos);

    h.glb()->pstGlbFixVars->bInitSuccFlag = 0;
    oryntcorrSetDynamicConfig(h.get(), nullptr, &uiSucc, &uiAbn, 1);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_ARITH_FAIL_NOT_INITIALIZED));
    EXPECT_NE(ReadFile(CORR_LOG_DYNCONFIG).find("    ------ has not been call oryntcorrInit()\n"), std::string::npos);
    h.glb()->pstGlbFixVars->bInitSuccFlag = 1;

    oryntcorrSetDynamicConfig(h.get(), nullptr, &uiSucc, &uiAbn, 1);
    const std::string sDyn = ReadFile(CORR_LOG_DYNCONFIG);
    EXPECT_NE(sDyn.find("CORR_DYNPARA* pstDynParas: = NULL\n"), std::string::npos);
    EXPECT_NE(sDyn.find("Dynamic parameters has set to default value!"), std::string::npos);

    CORR_FIXPARA stFix = BaselineFixParas();
    stFix.eUsecaseID = static_cast<CORR_USECASE_ID>(40);
    std::strcpy(stFix.cSensorID, "OTHER");
    EXPECT_EQ(oryntcorrInit(&stFix, &uiSucc, &uiAbn, 1, 0), nullptr);
    EXPECT_EQ(uiSucc, CORR_INIT_FAIL_INVALID_PARA_SENSORID | CORR_INIT_FAIL_INVALID_PARA_USECASEID);
    const std::string sInit = ReadFile(CORR_LOG_INIT);
    EXPECT_NE(sInit.find("CORR_INIT_FAIL_INVALID_PARA_SENSORID:\n"), std::string::npos);
    EXPECT_NE(sInit.find("cSensorID: = OTHER\n"), std::string::npos);
    EXPECT_NE(sInit.find("eUsecaseID: = 40\n           eUsecaseID's valid range is [1, 32]\n"), std::string::npos);
}

TEST_F(CorrLogs, VersionTextIntoABufferOrAFile)
{
    char cVersion[ORYNTCORR_VERSION_BYTES];
    std::memset(cVersion, 'x', sizeof(cVersion));
    oryntcorrGetVersion(cVersion);
    const std::string sPrefix = "orynalib_TofCorrection_V2.0.7.2_";
    const std::string sVersion(cVersion);
    ASSERT_EQ(sVersion.size(), sPrefix.size() + 6) << sVersion;
    EXPECT_EQ(sVersion.compare(0, sPrefix.size(), sPrefix), 0) << sVersion;
    for (size_t i = sPrefix.size(); i < sVersion.size(); ++i) {
        EXPECT_TRUE(sVersion[i] >= '0' && sVersion[i] <= '9') << sVersion;
    }
    EXPECT_FALSE(Exists(CORR_LOG_VERSION));
    oryntcorrGetVersion(nullptr);
    const std::string s = ReadFile(CORR_LOG_VERSION);
    EXPECT_EQ(s, "\nCurrent dll_TofCorrection.dll/lib/so/a Version is:\n\n" + std::string(cVersion) + "\n");
}

}  // namespace
