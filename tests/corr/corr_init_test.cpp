// oryntcorrInit: validation of the fixed parameters, the filled handle,
// allocation failures, and Release.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Common/glb_buffers.h"
#include "Common/glb_debug.h"
#include "corr/corr_test_util.h"

namespace {

using namespace NAMESPACE_CORR;
using corrtest::BaselineFixParas;
using corrtest::BaselineFrmParas;

struct InitResult {
    void *pHandle = nullptr;
    unsigned int uiSucc = 0xDEADBEEF;
    unsigned int uiAbn = 0xDEADBEEF;
};

InitResult RunInit(CORR_FIXPARA *pst, unsigned char ucLog = 0, unsigned char ucCost = 0)
{
    InitResult r;
    r.pHandle = oryntcorrInit(pst, &r.uiSucc, &r.uiAbn, ucLog, ucCost);
    return r;
}

void ReleaseIfAny(InitResult &r)
{
    if (r.pHandle != nullptr) oryntcorrRelease(&r.pHandle, 0);
}

TEST(CorrInit, BaselineSucceedsWithoutCalibrationAndFillsTheHandle)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    InitResult r = RunInit(&stFix);
    ASSERT_NE(r.pHandle, nullptr);
    EXPECT_EQ(r.uiSucc, 0u);
    EXPECT_EQ(r.uiAbn, static_cast<unsigned int>(CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER));

    auto *pst = static_cast<GLB_BUFFERS *>(r.pHandle);
    EXPECT_EQ(pst->pGlbBufferAddress, r.pHandle);
    const GLB_FIXVAR *pstFix = pst->pstGlbFixVars;
    ASSERT_NE(pstFix, nullptr);
    EXPECT_EQ(pstFix->bInitSuccFlag, 1);
    EXPECT_STREQ(pstFix->cSensorID, "KRX5830_module_0001");
    EXPECT_EQ(pstFix->eSensorType, SENSOR_TYPE_5830);
    EXPECT_EQ(pstFix->ucInSubFrmsNum, 8);
    EXPECT_EQ(pstFix->ucModFreqsNum, 2);
    EXPECT_EQ(pstFix->cIn1stPhaseId[1], 4);
    EXPECT_EQ(pstFix->cInGrayId, -1);
    EXPECT_EQ(pstFix->ucIsHasGray, 0);
    EXPECT_EQ(pstFix->eArithWorkMode, WORK_MODE_DFREQ);
    EXPECT_EQ(pstFix->stWorkSensorStatus.usPixelRawResoWidth, 640);
    EXPECT_EQ(pstFix->stWorkSensorStatus.usPixelRawResoHeight, 480);
    EXPECT_EQ(pstFix->stWorkSensorStatus.ucPixelLowResoStepX, 1);  // no fixed frame parameters: steps 1
    EXPECT_EQ(pstFix->stWorkSensorStatus.ePixelMirrorMode, CORR_PIXEL_MIRROR_OFF);
    EXPECT_EQ(pstFix->bHasSetFixParasAtInit, 0);
    EXPECT_EQ(pstFix->ucEnableCalcPointCloud, 0);  // no point cloud, depth radial
    EXPECT_EQ(pstFix->bLoadCaliParasSuccFlag, 0);
    EXPECT_EQ(pstFix->uiArithFrmCnt, 0u);
    EXPECT_EQ(pstFix->ucEnableDataSwapHighLowBits, 1);
    EXPECT_EQ(pstFix->ucDataRightShiftBits, 4);

    // Phase-difference images: two per frequency, zero-filled, full size.
    for (int i = 0; i < 8; ++i) EXPECT_EQ(pst->psPhaseDiff[i] != nullptr, i < 4) << i;
    EXPECT_EQ(pst->psPhaseDiff[3][640 * 480 - 1], 0);

    // Inner outputs as asked; temporary images only where no inner one exists.
    const GLB_OUTDATAS *pstOut = pst->pstGlbOutDatas;
    ASSERT_NE(pstOut, nullptr);
    EXPECT_NE(pstOut->pcOutParasLn, nullptr);
    EXPECT_NE(pstOut->pusOutDepth, nullptr);
    EXPECT_NE(pstOut->pusOutAmp, nullptr);
    EXPECT_EQ(pstOut->pusOutGray, nullptr);
    EXPECT_EQ(pstOut->pcOutPointCloud, nullptr);
    const GLB_DYN_BUFFERS *pstDyn = pst->pstGlbDynBuffers;
    ASSERT_NE(pstDyn, nullptr);
    EXPECT_NE(pstDyn->piDepths[1], nullptr);
    EXPECT_EQ(pstDyn->piDepths[2], nullptr);
    EXPECT_NE(pstDyn->piDepthFusion, nullptr);
    EXPECT_EQ(pstDyn->pusAmpTemp, nullptr);
    EXPECT_EQ(pstDyn->pucFlagTemp, nullptr);
    EXPECT_EQ(pstDyn->pcPointCloudTemp, nullptr);
    EXPECT_EQ(pstDyn->pusLENTempImg, pstDyn->pusAmps[0]);
    EXPECT_EQ(pstDyn->bAllocate_LENTempImg, 0);
    EXPECT_NE(pstDyn->piFPPNX2LUTOfCaliWidth[0], nullptr);
    EXPECT_NE(pstDyn->piZeroWigLUT, nullptr);
    EXPECT_GT(pst->uiFixBufferBytes, 4u * 640u * 480u * 2u);
    EXPECT_GT(pst->uiDynBufferBytes, 6u * 640u * 480u);

    oryntcorrRelease(&r.pHandle, 0);
    EXPECT_EQ(r.pHandle, nullptr);
}

TEST(CorrInit, FixedFrameParametersAndDerivedFields)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    CORR_FRMPARA_FIX stFrm = BaselineFrmParas();
    stFrm.ucPixelLowResoStepX = 0;
    stFrm.ucPixelLowResoStepY = 0;
    stFrm.fModFreqMHZ[0] = 99.5f;
    stFix.ucEnableFixFrmPara = 1;
    stFix.pstFixFrmPara = &stFrm;
    stFix.ePixelBinningMode = CORR_PIXEL_BINNING_2x2;
    stFix.usOutImgWidth = 320;
    stFix.eOutBufferType_PointCloud = OIMG_BUFFER_INNER;
    stFix.eOutPointCloudType = PC_TYPE_DEPTH_POINT_CLOUD;
    stFix.eOutBufferType_Amp = OIMG_BUFFER_NULL;
    InitResult r = RunInit(&stFix);
    ASSERT_NE(r.pHandle, nullptr);
    EXPECT_EQ(r.uiSucc, 0u);
    auto *pst = static_cast<GLB_BUFFERS *>(r.pHandle);
    const GLB_FIXVAR *pstFix = pst->pstGlbFixVars;
    EXPECT_EQ(pstFix->bHasSetFixParasAtInit, 1);
    EXPECT_FLOAT_EQ(pstFix->fModFreqsMHZ[0], 99.5f);
    EXPECT_EQ(pstFix->usCaliModFreqsMHZ[0], 100);  // rounded up
    EXPECT_EQ(pstFix->usCaliModFreqsMHZ[1], 80);
    EXPECT_EQ(pstFix->ucEBD2CaliFreqID[0], 0);
    EXPECT_EQ(pstFix->ucEBD2CaliFreqID[1], 1);
    EXPECT_EQ(pstFix->stWorkSensorStatus.ucPixelLowResoStepX, 32);
    EXPECT_EQ(pstFix->stWorkSensorStatus.ucPixelLowResoStepY, 16);  // rows binned
    EXPECT_EQ(pstFix->stWorkSensorStatus.ePixelMirrorMode, CORR_PIXEL_MIRROR_UD);
    EXPECT_EQ(pstFix->ucEnableCalcPointCloud, 1);
    const size_t n = 320u * 480u;
    EXPECT_NE(pst->pstGlbOutDatas->pcOutPointCloud, nullptr);
    EXPECT_EQ(pst->pstGlbOutDatas->pusOutAmp, nullptr);
    EXPECT_NE(pst->pstGlbDynBuffers->pusAmpTemp, nullptr);
    // 16 bytes a point, written up to the last one without overrun.
    std::memset(pst->pstGlbOutDatas->pcOutPointCloud, 0x5A, n * 16);
    ReleaseIfAny(r);
}

// One field changed from the baseline; expected words.
struct FixCase {
    const char *pcName;
    std::function<void(CORR_FIXPARA &, CORR_FRMPARA_FIX &)> change;
    unsigned int uiSucc;
    unsigned int uiAbnExtra;  // on top of the no-calibration bit
};

class CorrInitValidation : public ::testing::TestWithParam<FixCase> {};

TEST_P(CorrInitValidation, ReportsTheFieldsBits)
{
    const FixCase &c = GetParam();
    CORR_FIXPARA stFix = BaselineFixParas();
    CORR_FRMPARA_FIX stFrm = BaselineFrmParas();
    c.change(stFix, stFrm);
    InitResult r = RunInit(&stFix);
    EXPECT_EQ(r.uiSucc, c.uiSucc) << c.pcName;
    EXPECT_EQ(r.uiAbn & ~static_cast<unsigned int>(CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER), c.uiAbnExtra)
        << c.pcName;
    EXPECT_EQ(r.pHandle == nullptr, c.uiSucc != 0) << c.pcName;
    ReleaseIfAny(r);
}

void Fixed(CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm)
{
    f.ucEnableFixFrmPara = 1;
    f.pstFixFrmPara = &frm;
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Fields, CorrInitValidation,
    ::testing::Values(
        FixCase{"baseline", [](CORR_FIXPARA &, CORR_FRMPARA_FIX &) {}, 0, 0},
        FixCase{"sensor prefix short", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { std::strcpy(f.cSensorID, "KRX583"); },
                CORR_INIT_FAIL_INVALID_PARA_SENSORID, 0},
        FixCase{"sensor empty", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.cSensorID[0] = '\0'; },
                CORR_INIT_FAIL_INVALID_PARA_SENSORID, 0},
        FixCase{"sensor unterminated",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { std::memset(f.cSensorID, 'K', sizeof(f.cSensorID)); },
                CORR_INIT_FAIL_INVALID_PARA_SENSORID, 0},
        FixCase{"use case 0", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.eUsecaseID = CORR_USECASE_ID_UNKNOWN; },
                CORR_INIT_FAIL_INVALID_PARA_USECASEID, 0},
        FixCase{"use case 33", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.eUsecaseID = static_cast<CORR_USECASE_ID>(33); },
                CORR_INIT_FAIL_INVALID_PARA_USECASEID, 0},
        // The whole 32-bit value is tested, not its low byte (271 = 0x10F).
        FixCase{"use case 271", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.eUsecaseID = static_cast<CORR_USECASE_ID>(271); },
                CORR_INIT_FAIL_INVALID_PARA_USECASEID, 0},
        FixCase{"use case negative", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.eUsecaseID = static_cast<CORR_USECASE_ID>(-1); },
                CORR_INIT_FAIL_INVALID_PARA_USECASEID, 0},
        FixCase{"four-phase layout with two phases",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eUsecaseID = CORR_USECASE_ID_BG_SF_BG_GRAY;
                    f.ucDepthPhaseNum = 2;
                },
                CORR_INIT_FAIL_INVALID_PARA_USECASEID, 0},
        FixCase{"in width 641", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.usInImgWidth = f.usOutImgWidth = 641; },
                CORR_INIT_FAIL_INVALID_PARA_IN_IMG_WIDTH, 0},
        FixCase{"in height 0", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.usInImgHeight = f.usOutImgHeight = 0; },
                CORR_INIT_FAIL_INVALID_PARA_IN_IMG_HEIGHT, 0},
        FixCase{"ebd type 5", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.eIsHasEbd = static_cast<CORR_EBD_TYPE>(5); },
                CORR_INIT_FAIL_INVALID_PARA_IS_HAS_EBD, 0},
        FixCase{"ebd after image, 0 bytes",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eIsHasEbd = CORR_EBD_AFTER_IMG;
                    f.uiEbdBytes = 0;
                },
                CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES | CORR_INIT_FAIL_INVALID_PARA_ENABLE_FIX_FRM_PARA, 0},
        // A block smaller than one 116-byte record would make the reader run past it.
        FixCase{"ebd after image, 115 bytes",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eIsHasEbd = CORR_EBD_AFTER_IMG;
                    f.uiEbdBytes = 115;
                },
                CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES, 0},
        FixCase{"ebd before image, 116 bytes",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eIsHasEbd = CORR_EBD_BEFORE_IMG;
                    f.uiEbdBytes = 116;
                },
                0, 0},
        FixCase{"add-info line, 231 bytes", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.uiEbdBytes = 231; },
                CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES, 0},
        FixCase{"add-info line, 232 bytes", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.uiEbdBytes = 232; }, 0, 0},
        FixCase{"independent ebd, 100 bytes",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eIsHasEbd = CORR_EBD_INDEPENDENT;
                    f.uiEbdBytes = 100;
                },
                CORR_INIT_FAIL_INVALID_PARA_EBD_BYTES, 0},
        FixCase{"independent ebd, 0 bytes, frame parameters from ebd",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eIsHasEbd = CORR_EBD_INDEPENDENT;
                    f.uiEbdBytes = 0;
                },
                CORR_INIT_FAIL_INVALID_PARA_ENABLE_FIX_FRM_PARA, 0},
        FixCase{"no ebd, frame parameters from ebd",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eIsHasEbd = CORR_NO_EBD;
                    f.uiEbdBytes = 0;
                },
                CORR_INIT_FAIL_INVALID_PARA_ENABLE_FIX_FRM_PARA, 0},
        FixCase{"no ebd, fixed frame parameters",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    f.eIsHasEbd = CORR_NO_EBD;
                    f.uiEbdBytes = 0;
                    Fixed(f, frm);
                },
                0, 0},
        FixCase{"fixed, null record",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.ucEnableFixFrmPara = 1; },
                CORR_INIT_FAIL_INVALID_PARA_FIX_FRM_PARA, 0},
        FixCase{"fixed 321 MHz",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.fModFreqMHZ[1] = 321.0f;
                },
                0, 0},
        FixCase{"fixed 321.01 MHz",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.fModFreqMHZ[1] = 321.01f;
                },
                CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ, 0},
        FixCase{"fixed 0 MHz",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.fModFreqMHZ[0] = 0.0f;
                },
                CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ, 0},
        FixCase{"fixed NaN MHz",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.fModFreqMHZ[1] = kNaN;
                },
                CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ, 0},
        FixCase{"fixed NaN in an unused slot",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.fModFreqMHZ[2] = kNaN;
                },
                0, 0},
        FixCase{"unknown sensor fails a positive frequency",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    std::strcpy(f.cSensorID, "ABC");
                },
                CORR_INIT_FAIL_INVALID_PARA_SENSORID | CORR_INIT_FAIL_INVALID_PARA_MOD_FREQ, 0},
        FixCase{"fixed window start x 640",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.usPixelRoiStartX = 640;
                },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_ROI_START_XY, 0},
        FixCase{"fixed window start y 479",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.usPixelRoiStartY = 479;
                },
                0, 0},
        FixCase{"fixed mirror 4",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.ePixelMirrorMode = static_cast<CORR_PIXEL_MIRROR_MODE>(4);
                },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_MIRROR_MODE, 0},
        FixCase{"fixed phase mode 5",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.ePixelPhaseMode = static_cast<CORR_PIXEL_PHASE_MODE>(5);
                },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_PHASE_MODE, 0},
        // Compared unsigned: a negative phase mode is out of range.
        FixCase{"fixed phase mode -1",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &frm) {
                    Fixed(f, frm);
                    frm.ePixelPhaseMode = static_cast<CORR_PIXEL_PHASE_MODE>(-1);
                },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_PHASE_MODE, 0},
        FixCase{"binning 5",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.ePixelBinningMode = static_cast<CORR_PIXEL_BINNING_MODE>(5); },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_BINNING_MODE, 0},
        FixCase{"three phases", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.ucDepthPhaseNum = 3; },
                CORR_INIT_FAIL_INVALID_PARA_DEPTH_PHASE_NUM, 0},
        FixCase{"three phases and binning 5",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.ucDepthPhaseNum = 3;
                    f.ePixelBinningMode = static_cast<CORR_PIXEL_BINNING_MODE>(5);
                },
                65536u, 0},
        FixCase{"gray/bg mode 3",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.ePixelGrayBgMode = static_cast<CORR_PIXEL_GRAYBG_MODE>(3); },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE, 0},
        FixCase{"gray/bg zero 4097", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.usPixelGrayBgZeroValue = 4097; },
                CORR_INIT_FAIL_INVALID_PARA_PIXEL_GRAYBG_MODE, 0},
        FixCase{"HDR 4", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.eHDRMode = static_cast<CORR_HDE_MODE>(4); },
                CORR_INIT_FAIL_INVALID_PARA_HDR_MODE, 0},
        FixCase{"halved width, 1x2 binning",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.usOutImgWidth = 320;
                    f.ePixelBinningMode = CORR_PIXEL_BINNING_1x2;
                },
                0, 0},
        FixCase{"odd width halved, 2x2 binning",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.usInImgWidth = 639;
                    f.usOutImgWidth = 319;
                    f.ePixelBinningMode = CORR_PIXEL_BINNING_2x2;
                },
                0, 0},
        FixCase{"width 321 of 640",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.usOutImgWidth = 321;
                    f.ePixelBinningMode = CORR_PIXEL_BINNING_2x2;
                },
                CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH, 0},
        // Only column binning is de-binned to half the width.
        FixCase{"halved width, no binning", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.usOutImgWidth = 320; },
                CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH, 0},
        FixCase{"halved width, 2x1 binning",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.usOutImgWidth = 320;
                    f.ePixelBinningMode = CORR_PIXEL_BINNING_2x1;
                },
                CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH, 0},
        FixCase{"width 1 halved to 0",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.usInImgWidth = 1;
                    f.usOutImgWidth = 0;
                    f.ePixelBinningMode = CORR_PIXEL_BINNING_1x2;
                },
                CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH, 0},
        FixCase{"out height 240", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.usOutImgHeight = 240; },
                CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_HEIGHT, 0},
        FixCase{"swap 5 and shift 20",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.ucEnableDataSwapHighLowBits = 5;
                    f.ucDataRightShiftBits = 20;
                },
                0,
                CORR_INIT_ABNORMAL_INVALID_PARA_ENABLE_DATA_SWAP_BITS |
                    CORR_INIT_ABNORMAL_INVALID_PARA_DATA_RIGHT_SHIFT_BITS},
        FixCase{"shift 17", [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) { f.ucDataRightShiftBits = 17; }, 0,
                CORR_INIT_ABNORMAL_INVALID_PARA_DATA_RIGHT_SHIFT_BITS},
        FixCase{"seven buffer types 3, RGB type unchecked",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    const auto e = static_cast<OUT_IMAGE_BUFFER_TYPE>(3);
                    f.eOutBufferType_PointCloud = f.eOutBufferType_Depth = f.eOutBufferType_Amp = e;
                    f.eOutBufferType_Gray = f.eOutBufferType_Bg = f.eOutBufferType_Confidence = e;
                    f.eOutBufferType_Flag = f.eOutBufferType_RegRgb = e;
                },
                0, 4u | 8u | 16u | 32u | 64u | 128u | 256u},
        FixCase{"value types out of range",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.eOutDepthValueType = static_cast<DEPTH_VALUE_TYPE>(2);
                    f.eOutDepthType = static_cast<DEPTH_DATA_TYPE>(7);
                    f.eOutPointCloudType = static_cast<POINTCLOUD_DATA_TYPE>(-1);
                },
                0,
                CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_VALUE_TYPE | CORR_INIT_ABNORMAL_INVALID_PARA_OUT_DEPTH_TYPE |
                    CORR_INIT_ABNORMAL_INVALID_PARA_OUT_POINT_CLOUE_TYPE},
        FixCase{"every failure at once",
                [](CORR_FIXPARA &f, CORR_FRMPARA_FIX &) {
                    f.cSensorID[0] = 'X';
                    f.usInImgWidth = 0;
                    f.eHDRMode = static_cast<CORR_HDE_MODE>(9);
                    f.ucEnableDataSwapHighLowBits = 2;
                },
                CORR_INIT_FAIL_INVALID_PARA_SENSORID | CORR_INIT_FAIL_INVALID_PARA_IN_IMG_WIDTH |
                    CORR_INIT_FAIL_INVALID_PARA_HDR_MODE | CORR_INIT_FAIL_INVALID_PARA_OUT_IMG_WIDTH,
                CORR_INIT_ABNORMAL_INVALID_PARA_ENABLE_DATA_SWAP_BITS}),
    [](const ::testing::TestParamInfo<FixCase> &info) {
        std::string s = info.param.pcName;
        for (char &ch : s) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return s;
    });

TEST(CorrInit, ReplacedValuesAreWrittenBackIntoTheCallersRecord)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    stFix.ucEnableDataSwapHighLowBits = 5;
    stFix.ucDataRightShiftBits = 20;
    stFix.eOutBufferType_Depth = static_cast<OUT_IMAGE_BUFFER_TYPE>(9);
    stFix.eOutBufferType_RegRgb = static_cast<OUT_IMAGE_BUFFER_TYPE>(9);
    stFix.eOutDepthValueType = static_cast<DEPTH_VALUE_TYPE>(2);
    stFix.eOutDepthType = static_cast<DEPTH_DATA_TYPE>(2);
    stFix.eOutPointCloudType = static_cast<POINTCLOUD_DATA_TYPE>(2);
    InitResult r = RunInit(&stFix);
    ASSERT_NE(r.pHandle, nullptr);
    EXPECT_EQ(stFix.ucEnableDataSwapHighLowBits, 0);
    EXPECT_EQ(stFix.ucDataRightShiftBits, 0);
    EXPECT_EQ(stFix.eOutBufferType_Depth, OIMG_BUFFER_INNER);
    EXPECT_EQ(static_cast<int>(stFix.eOutBufferType_RegRgb), 9);
    EXPECT_EQ(stFix.eOutDepthValueType, DEPTH_VALUE_XYZ);
    EXPECT_EQ(stFix.eOutDepthType, DEPTH_TYPE_UINT16);
    EXPECT_EQ(stFix.eOutPointCloudType, PC_TYPE_PC32F);
    // The handle carries the replaced values; XYZ depth asks for the point cloud.
    const GLB_FIXVAR *pstFix = static_cast<GLB_BUFFERS *>(r.pHandle)->pstGlbFixVars;
    EXPECT_EQ(pstFix->ucEnableDataSwapHighLowBits, 0);
    EXPECT_EQ(pstFix->eOutDepthValueType, DEPTH_VALUE_XYZ);
    EXPECT_EQ(pstFix->ucEnableCalcPointCloud, 1);
    EXPECT_NE(static_cast<GLB_BUFFERS *>(r.pHandle)->pstGlbDynBuffers->pcPointCloudTemp, nullptr);
    ReleaseIfAny(r);
}

TEST(CorrInit, GrayOnlyUseCaseHasNoPerFrequencyBuffers)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    stFix.eUsecaseID = CORR_USECASE_ID_GRAY_BG;
    stFix.eOutBufferType_Gray = OIMG_BUFFER_INNER;
    stFix.eOutBufferType_Bg = OIMG_BUFFER_INNER;
    InitResult r = RunInit(&stFix);
    ASSERT_NE(r.pHandle, nullptr);
    EXPECT_EQ(r.uiSucc, 0u);
    auto *pst = static_cast<GLB_BUFFERS *>(r.pHandle);
    EXPECT_EQ(pst->pstGlbFixVars->eArithWorkMode, WORK_MODE_GRAY_BG);
    EXPECT_EQ(pst->psPhaseDiff[0], nullptr);
    EXPECT_EQ(pst->pstGlbDynBuffers->piDepths[0], nullptr);
    EXPECT_EQ(pst->pstGlbDynBuffers->piDepthFusion, nullptr);
    // Without any per-frequency image the lens image is its own allocation.
    EXPECT_EQ(pst->pstGlbDynBuffers->bAllocate_LENTempImg, 1);
    EXPECT_NE(pst->pstGlbDynBuffers->pusLENTempImg, nullptr);
    EXPECT_NE(pst->pstGlbOutDatas->pusOutGray, nullptr);
    ReleaseIfAny(r);
}

TEST(CorrInit, NullArgumentsNeverCrash)
{
    CORR_FIXPARA stFix = BaselineFixParas();
    unsigned int uiSucc = 77;
    unsigned int uiAbn = 77;
    EXPECT_EQ(oryntcorrInit(&stFix, nullptr, &uiAbn, 0, 0), nullptr);
    EXPECT_EQ(oryntcorrInit(&stFix, &uiSucc, nullptr, 0, 0), nullptr);
    EXPECT_EQ(uiSucc, 77u);  // untouched: Init returned at once
    EXPECT_EQ(oryntcorrInit(nullptr, &uiSucc, &uiAbn, 0, 0), nullptr);
    EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_INIT_FAIL_INVALID_FIXPARA_POINTER));
    EXPECT_EQ(uiAbn, 0u);
}

// Every allocation of Init fails once in turn: Init either returns null
// with the allocation bit, or a handle whose success word carries it, and
// nothing leaks (checked under AddressSanitizer).
TEST(CorrInit, EachAllocationFailureIsReportedAndCleanedUp)
{
    int iFailedRuns = 0;
    for (int k = 0; k < 200; ++k) {
        CORR_FIXPARA stFix = BaselineFixParas();
        stFix.eOutBufferType_PointCloud = OIMG_BUFFER_INNER;
        unsigned int uiSucc = 0;
        unsigned int uiAbn = 0;
        GLB_SetAllocationFailureCountdown(k);
        void *p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 0, 1);
        GLB_SetAllocationFailureCountdown(-1);
        if (uiSucc == 0) {
            // The countdown outlived Init: every allocation was made.
            ASSERT_NE(p, nullptr);
            oryntcorrRelease(&p, 0);
            break;
        }
        ++iFailedRuns;
        EXPECT_EQ(uiSucc, static_cast<unsigned int>(CORR_INIT_FAIL_GLB_BUFFER_ALLOCATE)) << "allocation " << k;
        if (p != nullptr) {
            // Returned after the fixed allocations: must be refused by the run.
            unsigned int uiRunSucc = 0;
            unsigned int uiRunAbn = 0;
            CORR_INDATAS stIn{};
            CORR_OUTDATAS stOut{};
            oryntcorrRunCorrection(p, &stIn, &stOut, &uiRunSucc, &uiRunAbn, 0);
            EXPECT_TRUE(uiRunSucc == CORR_ARITH_FAIL_NOT_INITIALIZED || uiRunSucc == CORR_ARITH_FAIL_INVALID_OUTER_BUFFER)
                << "allocation " << k << ": " << uiRunSucc;
            oryntcorrRelease(&p, 0);
        }
    }
    EXPECT_GT(iFailedRuns, 20);
}

TEST(CorrRelease, NullAndRepeatedReleaseChangeNothing)
{
    oryntcorrRelease(nullptr, 0);
    void *p = nullptr;
    oryntcorrRelease(&p, 0);
    EXPECT_EQ(p, nullptr);

    CORR_FIXPARA stFix = BaselineFixParas();
    InitResult r = RunInit(&stFix);
    ASSERT_NE(r.pHandle, nullptr);
    void *pCopy = r.pHandle;
    oryntcorrRelease(&r.pHandle, 0);
    EXPECT_EQ(r.pHandle, nullptr);
    oryntcorrRelease(&r.pHandle, 0);
    // A stale copy of the released handle is refused, not freed twice.
    oryntcorrRelease(&pCopy, 0);
    EXPECT_NE(pCopy, nullptr);
}

}  // namespace
