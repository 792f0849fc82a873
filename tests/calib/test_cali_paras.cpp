// Calibration blob loader: blobs written by the independent writer are
// parsed back into the parameter records (both layouts), and malformed,
// truncated or corrupt blobs are rejected with the loader's reasons without
// reading past the bytes given.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "cali_load_fixture.h"
#include "cali_writer.h"

namespace calib_test {
namespace {

namespace cw = cali_writer;

// Log file of one test in the temporary directory.
class TempLog {
public:
    TempLog()
        : path_(std::filesystem::temp_directory_path() /
                ("cali_load_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".txt")),
          log_(path_.c_str(), 1)
    {
        log_.Reset("start\n");
    }
    ~TempLog() { std::filesystem::remove(path_); }
    const GLB_LogFile *get() const { return &log_; }
    std::string text() const
    {
        std::ifstream in(path_);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    std::string path_;
    GLB_LogFile log_;
};

// Small blob contents with distinct values in every module (calibrated at
// 100 and 80 MHz, 8 x 6 pixels).
cw::Contents richContents(cw::Version v)
{
    cw::Contents c = cw::neutralContents(v, {100, 80}, 8, 6);
    c.header.sensorId = "KRX5830_M01";
    c.header.errPrecisionMM = 0.25f;
    c.header.maxFreqMHz = 960.7f;
    c.header.twoPhaseMode = 1;
    c.bp = std::vector<cw::BadPixelEntry>{{3, 2}, {-2, 4}, {-3, 7}, {0, 5}};
    c.len->paras = {500.0f, 501.0f, 4.5f, 3.5f, 0.1f, -0.2f, 0.01f, 0.02f, 0.003f};
    c.len->zoom = 1.25f;
    c.len->skew = 0.5f;
    for (int k = 0; k < 2; ++k) {
        c.t[k]->sensorType = 1;
        c.t[k]->driverType = static_cast<uint8_t>(v == cw::Version::V3_1 ? 2 + k : 1);
        c.t[k]->tSensor = 40.0f + k;
        c.t[k]->tDriver = 45.0f + k;
        c.t[k]->errPrecisionMM = 0.5f + k;
        c.t[k]->fitMode = static_cast<uint8_t>(2 + k);
        for (int i = 0; i < 10; ++i) c.t[k]->fit[i] = static_cast<float>(k * 10 + i);
        c.ofs[k]->globalMM = 12.5f + k;
        c.ofs[k]->blocksMM.assign(v == cw::Version::V3_1 ? 3 + k : 16, 0.0f);
        for (size_t i = 0; i < c.ofs[k]->blocksMM.size(); ++i) c.ofs[k]->blocksMM[i] = static_cast<float>(k + i) / 4;
        c.wig[k]->errPrecisionMM = 0.125f;
        c.wig[k]->lut = {static_cast<int16_t>(-5 - k), 7, static_cast<int16_t>(300 + k)};
        c.wig[k]->distZoom = 2;
        c.wig[k]->errZoom = 3;
        c.wig[k]->lutStartMM = static_cast<uint16_t>(100 + k);
        c.wig[k]->lutStepMM = 20;
    }
    c.fppn->errPrecisionMM = 0.75f;
    c.fppn->fits = {cw::FppnFit{2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}}, cw::FppnFit{3, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20}}};
    std::vector<int8_t> img(48);
    for (int i = 0; i < 48; ++i) img[i] = static_cast<int8_t>(i - 20);
    c.fppn->image = cw::fppnImage(img);
    c.fppn->zoom = 4;
    c.fpn->errors = {-3, -2, -1, 0, 1, 2, 3, 4};
    c.reg->translation = {10.0f, -2.0f, 0.5f};
    c.reg->rgbCameraLeft = 1;
    if (v == cw::Version::V3_1) {
        c.mask->firstCol = {0, 1, 2, 1, 0, 0};
        c.mask->lastCol = {7, 6, 6, 7, 5, 7};
        c.luma->blockX = 4;
        c.luma->blockY = 3;
        c.luma->gains = {1.0f, 1.5f, 0.5f, 2.0f};
        c.phaseFppn = std::vector<uint16_t>(48);
        for (int i = 0; i < 48; ++i) (*c.phaseFppn)[i] = static_cast<uint16_t>(1000 + i);
    }
    return c;
}

TEST(CaliParasLoad, V31RoundTripFillsEveryRecord)
{
    const cw::Contents c = richContents(cw::Version::V3_1);
    LoadedCali L({80.0f, 100.0f});  // slot 0 is calibration frequency 1, slot 1 frequency 0
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(L.fix.eCaliParasVersion, CALI_PARAS_V3_1);
    EXPECT_EQ(L.fix.bLoadCaliParasSuccFlag, TRUE);
    EXPECT_EQ(L.fix.bMaxFreqLoadFromCaliParas, TRUE);
    EXPECT_EQ(L.fix.iMaxFreqFromCali, 960);
    EXPECT_EQ(L.fix.eTDriverType, T_DRIVER_ICHAUSTMP122);  // slot 0 uses calibration index 1: driver 3

    const GLB_CALI_SENSOR_STATUS &s = L.fix.stCaliSensorStatus;
    EXPECT_EQ(s.usCaliWidth, 8);
    EXPECT_EQ(s.usCaliHeight, 6);
    EXPECT_EQ(s.usCaliMaxFreq, 960);
    EXPECT_EQ(s.usCaliPixelRawResoWidth, 8);
    EXPECT_EQ(s.ucCaliPixelLowResoStepX, 1);

    ASSERT_EQ(L.rBP.ok, TRUE);
    ASSERT_EQ(L.bp->uiValidBPCnt, 2u);
    EXPECT_EQ(L.bp->pcoor2sBPList[0].sX, 3);
    EXPECT_EQ(L.bp->pcoor2sBPList[0].sY, 2);
    EXPECT_EQ(L.bp->pcoor2sBPList[1].sY, 5);
    ASSERT_EQ(L.bp->uiValidBPRowsCnt, 1u);
    EXPECT_EQ(L.bp->psBPRowsList[0], 4);
    ASSERT_EQ(L.bp->uiValidBPColsCnt, 1u);
    EXPECT_EQ(L.bp->psBPColsList[0], 7);
    EXPECT_EQ(L.bp->pstCaliSensorStatus, &L.fix.stCaliSensorStatus);

    ASSERT_EQ(L.rMask.ok, TRUE);
    EXPECT_EQ(L.mask->eMaskCaliFileType, MASK_CALI_FILE_TYPE_ROWS);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(L.mask->pusMaskValidCoorXMinList[y], c.mask->firstCol[y]) << y;
        EXPECT_EQ(L.mask->pusMaskValidCoorXMaxList[y], c.mask->lastCol[y]) << y;
    }

    ASSERT_EQ(L.rLEN.ok, TRUE);
    EXPECT_FLOAT_EQ(L.len->fLenParasOut[2], 4.5f);
    EXPECT_FLOAT_EQ(L.len->fLenParas[2], 3.5f);
    EXPECT_FLOAT_EQ(L.len->fLenParas[3], 2.5f);
    EXPECT_FLOAT_EQ(L.len->fLenParas[8], 0.003f);
    EXPECT_FLOAT_EQ(L.len->fZoomCoef, 1.25f);
    EXPECT_FLOAT_EQ(L.len->fZoomCoefOut, 1.25f);
    EXPECT_FLOAT_EQ(L.len->fSkew, 0.5f);

    for (int slot = 0; slot < 2; ++slot) {
        const int k = 1 - slot;
        SCOPED_TRACE(slot);
        ASSERT_EQ(L.rT[slot].ok, TRUE);
        EXPECT_EQ(L.t[slot]->usCaliModFreqMHZ, c.header.freqsMHz[k]);
        EXPECT_EQ(L.t[slot]->eTDriverType, static_cast<T_DRIVER_TYPE>(2 + k));
        EXPECT_FLOAT_EQ(L.t[slot]->fTSensor, 40.0f + k);
        EXPECT_FLOAT_EQ(L.t[slot]->fTDriver, 45.0f + k);
        EXPECT_FLOAT_EQ(L.t[slot]->fErrPrecisionMM, 0.25f);  // common precision in V3_1
        EXPECT_EQ(L.t[slot]->ucFitMode, 2 + k);
        EXPECT_FLOAT_EQ(L.t[slot]->fTempFitParas[9], static_cast<float>(k * 10 + 9));

        ASSERT_EQ(L.rOFS[slot].ok, TRUE);
        EXPECT_FLOAT_EQ(L.ofs[slot]->fOffsetGlobalMM, 12.5f + k);
        ASSERT_EQ(L.ofs[slot]->ucBlockOffsetLen, 3 + k);
        EXPECT_FLOAT_EQ(L.ofs[slot]->fOffsetBlocksMM[2], (k + 2) / 4.0f);

        ASSERT_EQ(L.rFPPN[slot].ok, TRUE);
        EXPECT_EQ(L.fppn[slot]->ucCaliFileType, 3);
        EXPECT_EQ(L.fppn[slot]->ucFitMode, c.fppn->fits[k].fitMode);
        EXPECT_FLOAT_EQ(L.fppn[slot]->fFPPNFitParas[0], c.fppn->fits[k].paras[0]);
        EXPECT_EQ(L.fppn[slot]->ucIntZoomMultiple, 4);
        EXPECT_EQ(L.fppn[slot]->eFPPNErrImgType, FPPN_CALI_ERR_IMG_TYPE_CHAR);
        EXPECT_EQ(L.fppn[slot]->pFPPNErrImgMM, L.fppnImg);  // one image shared by the slots
        EXPECT_EQ(L.fppn[slot]->pFPPNErrImgMMFilter, L.fppnImgFilter);

        ASSERT_EQ(L.rWIG[slot].ok, TRUE);
        EXPECT_EQ(L.wig[slot]->ucCaliFileType, 1);
        ASSERT_EQ(L.wig[slot]->usLUTLen, 3);
        EXPECT_EQ(L.wig[slot]->psLUT_ErrMM[0], -5 - k);
        EXPECT_EQ(L.wig[slot]->psLUT_ErrMM[2], 300 + k);
        EXPECT_EQ(L.wig[slot]->ucDistIntZoomMultiple, 2);
        EXPECT_EQ(L.wig[slot]->ucErrIntZoomMultiple, 3);
        EXPECT_EQ(L.wig[slot]->usLUT_StartDistMM, 100 + k);
        EXPECT_EQ(L.wig[slot]->ucLUT_StepDistMM, 20);
    }
    ASSERT_NE(L.fppnImg, nullptr);
    EXPECT_EQ(L.fppnImgBytes, 48u);
    EXPECT_EQ(static_cast<int8_t *>(L.fppnImg)[47], 27);

    ASSERT_EQ(L.rFPN.ok, TRUE);
    EXPECT_EQ(L.fpn->ucCaliFileType, FPN_CALI_ERR_TYPE_COLS);
    EXPECT_EQ(L.fpn->psCaliFPNErr[0], -3);
    EXPECT_EQ(L.fpn->psCaliFPNErr[7], 4);

    ASSERT_EQ(L.rLUMA.ok, TRUE);
    EXPECT_EQ(L.luma->ucBlockXpixel, 4);
    EXPECT_EQ(L.luma->ucBlockYpixel, 3);
    EXPECT_FLOAT_EQ(L.luma->fLumaFitParas[3], 2.0f);

    ASSERT_EQ(L.rPhase.ok, TRUE);
    EXPECT_EQ(L.phase->ucIs2PhaseMode, 1);
    EXPECT_EQ(L.phase->usPhaseFPPNParas[47], 1047);

    ASSERT_EQ(L.rREG.ok, TRUE);
    EXPECT_FLOAT_EQ(L.reg->fRotationMatrix[4], 1.0f);
    EXPECT_FLOAT_EQ(L.reg->fTranslationMatrix[0], 10.0f);
    EXPECT_EQ(L.reg->bIsRgbCameraLeft, 1);
    EXPECT_FLOAT_EQ(L.reg->fTofIntrinsicMatrix[0], c.reg->tofIntrinsic[0]);
}

TEST(CaliParasLoad, V3RoundTripUsesRecordPrecisionAndFirstFrequencyOnly)
{
    const cw::Contents c = richContents(cw::Version::V3);
    LoadedCali L({80.0f, 100.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(L.fix.eCaliParasVersion, CALI_PARAS_V3);
    EXPECT_EQ(L.fix.bMaxFreqLoadFromCaliParas, FALSE);
    EXPECT_EQ(L.fix.stCaliSensorStatus.usCaliMaxFreq, 0);

    // Only the slot at the first calibration frequency (100 MHz: slot 1) is calibrated.
    EXPECT_EQ(L.rT[0].ok, FALSE);
    EXPECT_EQ(L.rT[0].flag, static_cast<uint32_t>(T_FAIL_INVALID_CALI_FREQID));
    EXPECT_EQ(L.rOFS[0].flag, static_cast<uint32_t>(OFS_FAIL_INVALID_CALI_FREQID));
    EXPECT_EQ(L.rFPPN[0].flag, static_cast<uint32_t>(FPPN_FAIL_INVALID_CALI_FREQID));
    EXPECT_EQ(L.rWIG[0].flag, static_cast<uint32_t>(WIG_FAIL_INVALID_CALI_FREQID));
    ASSERT_EQ(L.rT[1].ok, TRUE);
    EXPECT_FLOAT_EQ(L.t[1]->fErrPrecisionMM, 0.5f);  // from the record
    EXPECT_EQ(L.t[1]->eTSensorType, T_SENSOR_KRX5830);
    EXPECT_EQ(L.t[1]->eTDriverType, T_DRIVER_GUANGZI3021);
    EXPECT_EQ(L.t[1]->ucFitMode, 2);
    EXPECT_EQ(L.fix.eTDriverType, T_DRIVER_UNKNOWN);  // slot 0 has no temperature record
    ASSERT_EQ(L.rOFS[1].ok, TRUE);
    EXPECT_EQ(L.ofs[1]->ucBlockOffsetLen, 16);
    EXPECT_FLOAT_EQ(L.ofs[1]->fOffsetBlocksMM[15], 15 / 4.0f);
    ASSERT_EQ(L.rFPPN[1].ok, TRUE);
    EXPECT_FLOAT_EQ(L.fppn[1]->fErrPrecisionMM, 0.75f);
    EXPECT_EQ(L.fppn[1]->ucFitMode, 2);
    EXPECT_EQ(L.fppn[1]->pFPPNErrImgMMFilter, nullptr);  // no filtered copy in V3
    EXPECT_EQ(static_cast<int8_t *>(L.fppn[1]->pFPPNErrImgMM)[0], -20);
    ASSERT_EQ(L.rWIG[1].ok, TRUE);
    EXPECT_FLOAT_EQ(L.wig[1]->fErrPrecisionMM, 0.125f);
    EXPECT_EQ(L.wig[1]->psLUT_ErrMM[2], 300);
    ASSERT_EQ(L.rLEN.ok, TRUE);
    EXPECT_FLOAT_EQ(L.len->fSkew, 0.5f);
    ASSERT_EQ(L.rFPN.ok, TRUE);
    EXPECT_EQ(L.fpn->ucCaliFileType, 1);
    EXPECT_EQ(L.fpn->psCaliFPNErr[1], -2);
    ASSERT_EQ(L.rREG.ok, TRUE);
    EXPECT_EQ(L.reg->bIsRgbCameraLeft, 1);
    // V3 has no mask, luminance or phase-FPPN records: their targets stay untouched.
    EXPECT_EQ(L.mask, nullptr);
    EXPECT_EQ(L.luma, nullptr);
    EXPECT_EQ(L.phase, nullptr);
}

TEST(CaliParasLoad, V3LensWithoutSkewReadsZero)
{
    cw::Contents c = richContents(cw::Version::V3);
    c.len->writeSkew = false;  // 40-byte record: the skew is absent
    LoadedCali L({100.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    ASSERT_EQ(L.rLEN.ok, TRUE);
    EXPECT_FLOAT_EQ(L.len->fSkew, 0.0f);
    EXPECT_FLOAT_EQ(L.len->fZoomCoef, 1.25f);
}

TEST(CaliParasLoad, VersionRecognition)
{
    struct Case {
        const char *text;
        CALI_PARAS_VERSION expected;
    } cases[] = {{"CALI0301", CALI_PARAS_V3_1}, {"CALI0300 V", CALI_PARAS_V3_1}, {"CALI0300", CALI_PARAS_V3},
                 {"CALI0300X", CALI_PARAS_V3},   {"CALI0302", CALI_PARAS_UNKNOWN},  {"cali0301", CALI_PARAS_UNKNOWN}};
    for (const Case &tc : cases) {
        SCOPED_TRACE(tc.text);
        std::vector<char> blob(64, 0);
        std::memcpy(blob.data() + 4, tc.text, std::strlen(tc.text));
        CALI_BLOB b{blob.data(), static_cast<uint32_t>(blob.size())};
        EXPECT_EQ(CALI_GetCaliParasVersion(b), tc.expected);
    }
    // Too few bytes to hold the text.
    std::vector<char> shortBlob = {0, 0, 0, 0, 'C', 'A', 'L', 'I'};
    EXPECT_EQ(CALI_GetCaliParasVersion(CALI_BLOB{shortBlob.data(), 8}), CALI_PARAS_UNKNOWN);

    // An unknown version is not loaded and every module is marked uncalibrated.
    cw::Contents c = richContents(cw::Version::V3_1);
    c.header.versionText = "CALI0302";
    LoadedCali L;
    EXPECT_EQ(L.load(cw::buildBlob(c)), FALSE);
    EXPECT_EQ(L.fix.eCaliParasVersion, CALI_PARAS_UNKNOWN);
    EXPECT_EQ(L.rBP.flag, static_cast<uint32_t>(BP_FAIL_INVALID_INCALIPARA));
    EXPECT_EQ(L.bp, nullptr);
}

TEST(CaliParasLoad, LongVersionTextLoadsAsV31)
{
    cw::Contents c = richContents(cw::Version::V3_1);
    c.header.versionText = "CALI0300 V";
    LoadedCali L;
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(L.fix.eCaliParasVersion, CALI_PARAS_V3_1);
    EXPECT_EQ(L.rREG.ok, TRUE);
}

TEST(CaliParasLoad, OptionalHeaderFieldsEndAtModuleZero)
{
    for (int fields = 0; fields <= 4; ++fields) {
        SCOPED_TRACE(fields);
        cw::Contents c = richContents(cw::Version::V3_1);
        c.header.optionalFields = fields;
        LoadedCali L;
        ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
        EXPECT_EQ(L.fix.bMaxFreqLoadFromCaliParas, fields >= 1 ? TRUE : FALSE);
        EXPECT_EQ(L.fix.iMaxFreqFromCali, fields >= 1 ? 960 : 0);
        // The two-phase flag is the fourth optional field.
        EXPECT_EQ(L.phase->ucIs2PhaseMode, fields >= 4 ? 1 : 0);
        EXPECT_EQ(L.rBP.ok, TRUE);
    }
}

TEST(CaliParasLoad, BinningIsDerivedFromTheSizes)
{
    cw::Contents c = cw::neutralContents(cw::Version::V3_1, {100}, 320, 240);
    c.header.rawWidth = 640;
    c.header.rawHeight = 480;
    c.header.binningType = 0;
    TempLog log;
    LoadedCali L({100.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c), log.get()), TRUE);
    EXPECT_EQ(L.fix.stCaliSensorStatus.eCaliBinningMode, CORR_PIXEL_BINNING_2x2);
    EXPECT_NE(log.text().find("------ Notice: eCaliBinningMode has been corrected as 3\n"), std::string::npos);

    struct Case {
        uint16_t raw[2], cali[2];
        CORR_PIXEL_BINNING_MODE expected;
    } cases[] = {{{640, 480}, {320, 480}, CORR_PIXEL_BINNING_1x2}, {{640, 480}, {640, 240}, CORR_PIXEL_BINNING_2x1},
                 {{640, 480}, {160, 120}, CORR_PIXEL_BINNING_4x4}, {{640, 480}, {213, 160}, CORR_PIXEL_BINNING_OFF},
                 {{640, 480}, {0, 0}, CORR_PIXEL_BINNING_OFF}};
    for (const Case &tc : cases)
        EXPECT_EQ(GLB_CheckAndCorrectCaliBinningType(tc.raw[0], tc.raw[1], tc.cali[0], tc.cali[1], 0, nullptr),
                  tc.expected);
}

TEST(CaliParasLoad, BadPixelWalkStopsAtTheFirstBrokenRule)
{
    struct Case {
        std::vector<cw::BadPixelEntry> list;
        uint32_t points, rows, cols;
    } cases[] = {
        {{{1, 1}, {2, 2}, {-5, 3}, {4, 4}}, 2, 0, 0},       // unknown negative x
        {{{1, 1}, {8, 2}, {4, 4}}, 1, 0, 0},                // x not below the width
        {{{1, 1}, {2, 6}}, 1, 0, 0},                        // row of the point not below the height
        {{{1, 1}, {2, 0x8001}}, 1, 0, 0},                   // value bit 15 set
        {{{-2, 5}, {-2, 6}, {-3, 7}}, 0, 1, 0},             // bad row outside the image
        {{{-3, 7}, {-3, 8}, {-2, 0}}, 0, 0, 1},             // bad column outside the image
        {{}, 0, 0, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        cw::Contents c = richContents(cw::Version::V3_1);
        c.bp = cases[i].list;
        LoadedCali L;
        ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
        EXPECT_EQ(L.rBP.ok, TRUE);
        EXPECT_EQ(L.bp->uiValidBPCnt, cases[i].points);
        EXPECT_EQ(L.bp->uiValidBPRowsCnt, cases[i].rows);
        EXPECT_EQ(L.bp->uiValidBPColsCnt, cases[i].cols);
    }
}

TEST(CaliParasLoad, BadPixelListsAreCapped)
{
    // 300 bad rows and 400 bad columns on a 640 x 480 calibration: 240 rows
    // are taken, then the walk stops at the first row beyond the cap.
    cw::Contents c = cw::neutralContents(cw::Version::V3_1, {100}, 640, 480);
    c.bp = std::vector<cw::BadPixelEntry>{};
    for (uint16_t y = 0; y < 300; ++y) c.bp->push_back({-2, y});
    LoadedCali L({100.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(L.bp->uiValidBPRowsCnt, 240u);

    c.bp->clear();
    for (uint16_t x = 0; x < 400; ++x) c.bp->push_back({-3, x});
    LoadedCali L2({100.0f});
    ASSERT_EQ(L2.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(L2.bp->uiValidBPColsCnt, 320u);

    c.bp->clear();
    for (int i = 0; i < 5000; ++i) c.bp->push_back({static_cast<int16_t>(i % 640), static_cast<uint16_t>(i / 640)});
    LoadedCali L3({100.0f});
    ASSERT_EQ(L3.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(L3.bp->uiValidBPCnt, 4096u);
}

TEST(CaliParasLoad, MaskImageUnpacksBitsLeastSignificantFirst)
{
    cw::Contents c = richContents(cw::Version::V3_1);
    c.mask = cw::Mask{};
    c.mask->type = 2;
    c.mask->pixelSet.assign(48, 0);
    c.mask->pixelSet[0] = 1;
    c.mask->pixelSet[9] = 1;
    c.mask->pixelSet[47] = 1;
    LoadedCali L;
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    ASSERT_EQ(L.rMask.ok, TRUE);
    EXPECT_EQ(L.mask->eMaskCaliFileType, MASK_CALI_FILE_TYPE_IMG);
    EXPECT_EQ(L.mask->pucCaliMaskImg[0], 0);
    EXPECT_EQ(L.mask->pucCaliMaskImg[1], 128);
    EXPECT_EQ(L.mask->pucCaliMaskImg[9], 0);
    EXPECT_EQ(L.mask->pucCaliMaskImg[47], 0);
    EXPECT_EQ(L.mask->pucCaliMaskImg[46], 128);
}

TEST(CaliParasLoad, LensPrincipalPointCountsFromZero)
{
    cw::Contents c = cw::neutralContents(cw::Version::V3_1, {100}, 640, 480);
    c.len->paras = {520.0f, 520.0f, 320.5f, 240.5f, 0, 0, 0, 0, 0};
    LoadedCali L({100.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    EXPECT_FLOAT_EQ(L.len->fLenParas[2], 319.5f);
    EXPECT_FLOAT_EQ(L.len->fLenParas[3], 239.5f);
    EXPECT_FLOAT_EQ(L.len->fLenParasOut[2], 320.5f);
    EXPECT_FLOAT_EQ(L.len->fLenParasOut[3], 240.5f);
}

// A record whose content is rejected: the module keeps load flag 0 with its
// reason, and every other module still loads.
struct ContentCase {
    const char *name;
    cw::Version version;
    void (*edit)(cw::Contents &);
    int slot;  // -1: module result, else the frequency slot
    enum Module { BP, MASK, LEN, T, OFS, FPPN, WIG, FPN, LUMA, PHASE, REG } module;
    uint32_t expected;
};

uint32_t flagOf(const LoadedCali &L, ContentCase::Module m, int slot, BBOOL *ok)
{
    const LoadedCali::Result *r = nullptr;
    switch (m) {
        case ContentCase::BP: r = &L.rBP; break;
        case ContentCase::MASK: r = &L.rMask; break;
        case ContentCase::LEN: r = &L.rLEN; break;
        case ContentCase::T: r = &L.rT[slot]; break;
        case ContentCase::OFS: r = &L.rOFS[slot]; break;
        case ContentCase::FPPN: r = &L.rFPPN[slot]; break;
        case ContentCase::WIG: r = &L.rWIG[slot]; break;
        case ContentCase::FPN: r = &L.rFPN; break;
        case ContentCase::LUMA: r = &L.rLUMA; break;
        case ContentCase::PHASE: r = &L.rPhase; break;
        case ContentCase::REG: r = &L.rREG; break;
    }
    *ok = r->ok;
    return r->flag;
}

class CaliParasContent : public ::testing::TestWithParam<ContentCase> {};

TEST_P(CaliParasContent, RejectsTheModuleOnly)
{
    const ContentCase &tc = GetParam();
    cw::Contents c = richContents(tc.version);
    tc.edit(c);
    TempLog log;
    LoadedCali L({100.0f, 80.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c), log.get()), TRUE);
    BBOOL ok = 2;
    EXPECT_EQ(flagOf(L, tc.module, tc.slot < 0 ? 0 : tc.slot, &ok), tc.expected);
    EXPECT_EQ(ok, FALSE);
    static const char *const kNames[] = {"BP", "MASK", "LEN", "T", "OFS", "FPPN", "WIG", "FPN", "LUMA", "PHASE_FPPN", "REG"};
    const std::string message = std::string("\nCalibration file load failed of ") + kNames[tc.module] +
                                ": uiCaliParaLoadSuccFlag |= " + std::to_string(tc.expected) + "\n";
    EXPECT_NE(log.text().find(message), std::string::npos) << log.text();
    // The other modules load.
    for (auto m : {ContentCase::BP, ContentCase::LEN, ContentCase::FPN, ContentCase::REG}) {
        if (m == tc.module) continue;
        BBOOL other = 0;
        EXPECT_EQ(flagOf(L, m, 0, &other), 0u);
        EXPECT_EQ(other, TRUE);
    }
}

// Edits that break one record.
void wigLutLenZero(cw::Contents &c) { c.wig[0]->lut.clear(); }
void wigFit101(cw::Contents &c)
{
    c.wig[0]->type = 2;
    c.wig[0]->fitMode = 1;
    c.wig[0]->fit.assign(101, 0.5f);
}
void wigFitMode3(cw::Contents &c)
{
    c.wig[1]->type = 2;
    c.wig[1]->fitMode = 3;
    c.wig[1]->fit.assign(4, 0.5f);
}
void wigType3(cw::Contents &c) { c.wig[0]->type = 3; }
void wigDistZoom0(cw::Contents &c) { c.wig[0]->distZoom = 0; }
void wigErrZoom0(cw::Contents &c) { c.wig[0]->errZoom = 0; }
void wigStep0(cw::Contents &c) { c.wig[0]->lutStepMM = 0; }
void wigLutPastEnd(cw::Contents &c) { c.wig[1]->lutLenOverride = 60000; }
void wigPrecisionNan(cw::Contents &c)
{
    for (auto &w : c.wig) w->errPrecisionMM = std::numeric_limits<float>::quiet_NaN();
}
void commonPrecisionZero(cw::Contents &c) { c.header.errPrecisionMM = 0.0f; }
void tTypeOutOfRange(cw::Contents &c) { c.t[0]->driverType = 4; }
void tFitMode4(cw::Contents &c) { c.t[1]->fitMode = 4; }
void tPrecisionInf(cw::Contents &c) { c.t[0]->errPrecisionMM = std::numeric_limits<float>::infinity(); }
void ofsNoBlocks(cw::Contents &c) { c.ofs[0]->blocksMM.clear(); }
void lenFocalZero(cw::Contents &c) { c.len->paras[1] = 0.0f; }
void lenNan(cw::Contents &c) { c.len->paras[5] = std::numeric_limits<float>::quiet_NaN(); }
void lenCentreZero(cw::Contents &c) { c.len->paras[2] = 0.0f; }
void fpnType3(cw::Contents &c) { c.fpn->type = 3; }
void fpnType9(cw::Contents &c) { c.fpn->type = 9; }
void fpnType0(cw::Contents &c) { c.fpn->type = 0; }
void maskType7(cw::Contents &c) { c.mask->type = 7; }
void maskColumnPastWidth(cw::Contents &c) { c.mask->lastCol[3] = 8; }
void lumaType2(cw::Contents &c) { c.luma->type = 2; }
void lumaType4(cw::Contents &c) { c.luma->type = 4; }
void lumaBlockX0(cw::Contents &c) { c.luma->blockX = 0; }
void lumaBlockY0(cw::Contents &c) { c.luma->blockY = 0; }
void lumaOneBlockRow(cw::Contents &c)
{
    c.luma->blockY = 6;  // 2 x 1 blocks: no grid to interpolate
    c.luma->gains.assign(2, 1.0f);
}
void lumaGainsPastEnd(cw::Contents &c)
{
    c.luma->blockX = 1;  // 8 x 2 blocks need 64 bytes; the record ends the blob early
    c.luma->blockY = 3;
    c.luma->gains.assign(4, 1.0f);
    c.phaseFppn.reset();
}
void fppnType0(cw::Contents &c) { c.fppn->type = 0; }
void fppnNeitherUsable(cw::Contents &c)
{
    c.fppn->type = 2;
    c.fppn->fits[0].fitMode = 1;
}
void fppnV3FitInvalid(cw::Contents &c)
{
    c.fppn->type = 3;
    c.fppn->fits[0].fitMode = 4;
}
void fppnV3Zoom0(cw::Contents &c) { c.fppn->zoom = 0; }
void fppnV3PrecisionZero(cw::Contents &c) { c.fppn->errPrecisionMM = 0.0f; }
void phaseFppnShort(cw::Contents &c) { c.phaseFppn->resize(47); }

const ContentCase kContentCases[] = {
    {"WigLutLenZero", cw::Version::V3_1, wigLutLenZero, 0, ContentCase::WIG, WIG_FAIL_INVALID_CALI_LUT_LEN},
    {"WigFit101", cw::Version::V3_1, wigFit101, 0, ContentCase::WIG, WIG_FAIL_INVALID_CALI_FITPARAS_LEN},
    {"WigFitMode3", cw::Version::V3_1, wigFitMode3, 1, ContentCase::WIG, WIG_FAIL_INVALID_CALI_FITMODE},
    {"WigType3", cw::Version::V3_1, wigType3, 0, ContentCase::WIG, WIG_FAIL_INVALID_CALI_FILETYPE},
    {"WigDistZoom0", cw::Version::V3_1, wigDistZoom0, 0, ContentCase::WIG, WIG_FAIL_INVALID_CALI_DIST_ZOOM},
    {"WigErrZoom0", cw::Version::V3_1, wigErrZoom0, 0, ContentCase::WIG, WIG_FAIL_INVALID_CALI_ERR_ZOOM},
    {"WigStep0", cw::Version::V3_1, wigStep0, 0, ContentCase::WIG, WIG_FAIL_INVALID_CALI_LUT_STEP},
    {"WigLutPastEnd", cw::Version::V3_1, wigLutPastEnd, 1, ContentCase::WIG,
     WIG_FAIL_INVALID_CALI_FIRSTBYTEID},
    {"V3WigPrecisionNan", cw::Version::V3, wigPrecisionNan, 0, ContentCase::WIG,
     WIG_FAIL_INVALID_CALI_PRECISION},
    {"CommonPrecisionZeroT", cw::Version::V3_1, commonPrecisionZero, 0, ContentCase::T,
     T_FAIL_INVALID_CALI_PRECISION},
    {"CommonPrecisionZeroFppn", cw::Version::V3_1, commonPrecisionZero, 1, ContentCase::FPPN,
     FPPN_FAIL_INVALID_CALI_PRECISION},
    {"TDriverType4", cw::Version::V3_1, tTypeOutOfRange, 0, ContentCase::T, T_FAIL_INVALID_CALI_TYPE},
    {"TFitMode4", cw::Version::V3_1, tFitMode4, 1, ContentCase::T, T_FAIL_INVALID_CALI_FITMODE},
    {"V3TPrecisionInf", cw::Version::V3, tPrecisionInf, 0, ContentCase::T, T_FAIL_INVALID_CALI_PRECISION},
    {"OfsNoBlocks", cw::Version::V3_1, ofsNoBlocks, 0, ContentCase::OFS, OFS_FAIL_INVALID_CALI_BLOCK_NUM},
    {"LenFocalZero", cw::Version::V3_1, lenFocalZero, -1, ContentCase::LEN, LEN_FAIL_INVALID_CALIPARA},
    {"LenNan", cw::Version::V3_1, lenNan, -1, ContentCase::LEN, LEN_FAIL_INVALID_CALIPARA},
    {"V3LenCentreZero", cw::Version::V3, lenCentreZero, -1, ContentCase::LEN, LEN_FAIL_INVALID_CALIPARA},
    {"FpnType3", cw::Version::V3_1, fpnType3, -1, ContentCase::FPN, FPN_FAIL_INVALID_CALI_ERR},
    {"FpnType0", cw::Version::V3_1, fpnType0, -1, ContentCase::FPN, FPN_FAIL_INVALID_CALI_ERR},
    {"FpnType9", cw::Version::V3_1, fpnType9, -1, ContentCase::FPN, FPN_FAIL_INVALID_CALI_FILETYPE},
    {"MaskType7", cw::Version::V3_1, maskType7, -1, ContentCase::MASK, MASK_FAIL_INVALID_CALI_FILETYPE},
    {"MaskColumnPastWidth", cw::Version::V3_1, maskColumnPastWidth, -1, ContentCase::MASK,
     MASK_FAIL_INVALID_CALI_COOR_LIST},
    {"LumaType2", cw::Version::V3_1, lumaType2, -1, ContentCase::LUMA, LUMA_FAIL_INVALID_CALI_LUMA_PARAS},
    {"LumaType4", cw::Version::V3_1, lumaType4, -1, ContentCase::LUMA, LUMA_FAIL_INVALID_CALI_FILETYPE},
    {"LumaBlockX0", cw::Version::V3_1, lumaBlockX0, -1, ContentCase::LUMA, LUMA_FAIL_INVALID_CALI_BLOCK_X},
    {"LumaBlockY0", cw::Version::V3_1, lumaBlockY0, -1, ContentCase::LUMA, LUMA_FAIL_INVALID_CALI_BLOCK_Y},
    {"LumaOneBlockRow", cw::Version::V3_1, lumaOneBlockRow, -1, ContentCase::LUMA,
     LUMA_FAIL_INVALID_CALI_LUMA_PARAS},
    {"LumaGainsPastEnd", cw::Version::V3_1, lumaGainsPastEnd, -1, ContentCase::LUMA,
     LUMA_FAIL_INVALID_CALI_FIRSTBYTEID},
    {"FppnType0", cw::Version::V3_1, fppnType0, 0, ContentCase::FPPN, FPPN_FAIL_INVALID_CALI_FILETYPE},
    {"FppnNeitherUsable", cw::Version::V3_1, fppnNeitherUsable, 0, ContentCase::FPPN,
     FPPN_FAIL_INVALID_CALI_ERRIMG | FPPN_FAIL_INVALID_CALI_FITPARAS},
    {"V3FppnFitInvalid", cw::Version::V3, fppnV3FitInvalid, 0, ContentCase::FPPN,
     FPPN_FAIL_INVALID_CALI_FITPARAS},
    {"V3FppnZoom0", cw::Version::V3, fppnV3Zoom0, 0, ContentCase::FPPN, FPPN_FAIL_INVALID_CALI_ERRIMG},
    {"V3FppnPrecisionZero", cw::Version::V3, fppnV3PrecisionZero, 0, ContentCase::FPPN,
     FPPN_FAIL_INVALID_CALI_PRECISION},
    {"PhaseFppnShort", cw::Version::V3_1, phaseFppnShort, -1, ContentCase::PHASE,
     PHASE_FPPN_FAIL_INVALID_CALI_FIRSTBYTEID},
};

INSTANTIATE_TEST_SUITE_P(Records, CaliParasContent, ::testing::ValuesIn(kContentCases),
                         [](const ::testing::TestParamInfo<ContentCase> &info) { return info.param.name; });

TEST(CaliParasLoad, FppnFallsBackToWhatIsUsable)
{
    // Type 3 whose fit mode for the slot is 1: image only, type becomes 1.
    {
        cw::Contents c = richContents(cw::Version::V3_1);
        c.fppn->fits[0].fitMode = 1;
        TempLog log;
        LoadedCali L({100.0f, 80.0f});
        ASSERT_EQ(L.load(cw::buildBlob(c), log.get()), TRUE);
        ASSERT_EQ(L.rFPPN[0].ok, TRUE);
        EXPECT_EQ(L.fppn[0]->ucCaliFileType, 1);
        EXPECT_EQ(L.fppn[1]->ucCaliFileType, 3);  // the other slot keeps both
        EXPECT_NE(log.text().find("       but FitParas load failed!\n"), std::string::npos);
    }
    // Type 3 with an unknown element type: the fit alone, type becomes 2.
    {
        cw::Contents c = richContents(cw::Version::V3_1);
        c.fppn->imageType = 5;
        TempLog log;
        LoadedCali L({100.0f, 80.0f});
        ASSERT_EQ(L.load(cw::buildBlob(c), log.get()), TRUE);
        ASSERT_EQ(L.rFPPN[0].ok, TRUE);
        EXPECT_EQ(L.fppn[0]->ucCaliFileType, 2);
        EXPECT_EQ(L.fppnImg, nullptr);
        EXPECT_NE(log.text().find("       invalid ucImgBitWidth = 5\n"), std::string::npos);
    }
    // Image zoom 0: the image is unusable, the fit remains.
    {
        cw::Contents c = richContents(cw::Version::V3_1);
        c.fppn->zoom = 0;
        LoadedCali L({100.0f, 80.0f});
        ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
        EXPECT_EQ(L.rFPPN[1].ok, TRUE);
        EXPECT_EQ(L.fppn[1]->ucCaliFileType, 2);
        EXPECT_EQ(L.fppn[1]->pFPPNErrImgMM, nullptr);
    }
    // Image in a separate buffer (placement 1): not loaded, logged.
    {
        cw::Contents c = richContents(cw::Version::V3_1);
        c.fppn->placement = 1;
        TempLog log;
        LoadedCali L({100.0f, 80.0f});
        ASSERT_EQ(L.load(cw::buildBlob(c), log.get()), TRUE);
        EXPECT_EQ(L.fppn[0]->ucCaliFileType, 2);
        EXPECT_NE(log.text().find("------ FPPN_ucFPPNErrImgType = 1, but pcInCaliParasFPPN = NULL\n"),
                  std::string::npos);
    }
}

TEST(CaliParasLoad, FppnFilteredImageIsTheClippedThreeByThreeMean)
{
    // 3 x 2 int16 image; each output is the mean of the window cut to the image.
    const std::vector<int16_t> px = {1, 2, 3, 4, 5, -7};
    const int16_t expected[6] = {static_cast<int16_t>((1 + 2 + 4 + 5) / 4.0f), static_cast<int16_t>(8 / 6.0f),
                                 static_cast<int16_t>(3 / 4.0f), static_cast<int16_t>(12 / 4.0f),
                                 static_cast<int16_t>(8 / 6.0f), static_cast<int16_t>(3 / 4.0f)};
    cw::Contents c = cw::neutralContents(cw::Version::V3_1, {100}, 3, 2);
    c.luma.reset();  // a 3 x 2 image has no 2 x 2 luminance grid
    c.fppn->imageType = 1;
    c.fppn->image = cw::fppnImage(px);
    LoadedCali L({100.0f});
    ASSERT_EQ(L.load(cw::buildBlob(c)), TRUE);
    ASSERT_EQ(L.rFPPN[0].ok, TRUE);
    const auto *img = static_cast<int16_t *>(L.fppnImg);
    const auto *flt = static_cast<int16_t *>(L.fppnImgFilter);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(img[i], px[i]) << i;
        EXPECT_EQ(flt[i], expected[i]) << i;
    }

    // Float image: integer running row sums, float mean.
    const std::vector<float> fpx = {1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f};
    c.fppn->imageType = 2;
    c.fppn->image = cw::fppnImage(fpx);
    LoadedCali F({100.0f});
    ASSERT_EQ(F.load(cw::buildBlob(c)), TRUE);
    const auto *ff = static_cast<float *>(F.fppnImgFilter);
    // Truncated row sums: row 0: 1, 3, 6; row 1: 4, 9, 15. The integral over
    // the 2 x 2 window of pixel 0 is 3 + 9 = 12, so its mean is 12 / 4.
    EXPECT_FLOAT_EQ(ff[0], 3.0f);
    EXPECT_FLOAT_EQ(static_cast<float *>(F.fppnImg)[5], 6.5f);

    // A non-finite float error makes the image unusable (the fit remains).
    std::vector<float> bad = fpx;
    bad[3] = std::numeric_limits<float>::infinity();
    c.fppn->image = cw::fppnImage(bad);
    LoadedCali B({100.0f});
    ASSERT_EQ(B.load(cw::buildBlob(c)), TRUE);
    EXPECT_EQ(B.fppnImg, nullptr);
    EXPECT_EQ(B.fppn[0]->ucCaliFileType, 2);
}

// Header-level rejections: the whole blob is refused with the loader's
// message, and every module is marked as having no usable calibration.
struct HeaderCase {
    const char *name;
    cw::Version version;
    void (*edit)(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &given);
    const char *message;
};

void declaredTooLong(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &given)
{
    given = static_cast<uint32_t>(blob.size()) - 1;  // the blob claims one byte more than given
}
void totalZero(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &)
{
    blob[0] = blob[1] = blob[2] = blob[3] = 0;
}
void freqsZero(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &) { blob[53] = 0; }
void freqsFive(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &) { blob[53] = 5; }
void modulesZero(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &) { blob[54] = 0; }
void modulesTooMany(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &) { blob[54] = 21; }
void v3ModulesTooMany(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &) { blob[38] = 200; }
void headerCut(cw::Contents &, std::vector<uint8_t> &blob, uint32_t &given)
{
    blob.resize(60);
    blob[0] = 60;
    blob[1] = blob[2] = blob[3] = 0;
    given = 60;
}
void widthZero(cw::Contents &c, std::vector<uint8_t> &blob, uint32_t &)
{
    c.header.caliWidth = 0;
    blob = cw::buildBlob(c);
}
void width641(cw::Contents &c, std::vector<uint8_t> &blob, uint32_t &)
{
    c.header.caliWidth = 641;
    c.header.rawWidth = 641;
    blob = cw::buildBlob(c);
}
void rawHeight481(cw::Contents &c, std::vector<uint8_t> &blob, uint32_t &)
{
    c.header.rawHeight = 481;
    blob = cw::buildBlob(c);
}
void windowPastRaw(cw::Contents &c, std::vector<uint8_t> &blob, uint32_t &)
{
    c.header.startX = 1;  // 1 + 8 columns on an 8-column array
    blob = cw::buildBlob(c);
}
void startBeyondRaw(cw::Contents &c, std::vector<uint8_t> &blob, uint32_t &)
{
    c.header.startY = 6;
    blob = cw::buildBlob(c);
}

const HeaderCase kHeaderCases[] = {
    {"DeclaredLengthBeyondBytesGiven", cw::Version::V3_1, declaredTooLong,
     "uiTotalBytesLen = %u, but only %u bytes given"},
    {"TotalZero", cw::Version::V3_1, totalZero, "\nCalibration file load failed: uiTotalBytesLen = 0\n"},
    {"FreqsZero", cw::Version::V3_1, freqsZero, "\nCalibration file load failed: ucCaliModFreqsNum = 0\n"},
    {"FreqsFive", cw::Version::V3_1, freqsFive, "ucCaliModFreqsNum = 5 (at most 4)"},
    {"ModulesZero", cw::Version::V3_1, modulesZero, "\nCalibration file load failed: ucParasModulesNum = 0\n"},
    {"ModulesTooMany", cw::Version::V3_1, modulesTooMany, "ucParasModulesNum = 21 (at most 20)"},
    {"V3ModulesTooMany", cw::Version::V3, v3ModulesTooMany, "ucParasModulesNum = 200 (at most 20)"},
    {"HeaderCut", cw::Version::V3_1, headerCut, "header exceeds uiTotalBytesLen = 60"},
    {"WidthZero", cw::Version::V3_1, widthZero, "\nCalibration file load failed: usCaliWidth or usCaliHeight invalid\n"},
    {"Width641", cw::Version::V3, width641, "\nCalibration file load failed: usCaliWidth or usCaliHeight invalid\n"},
    {"RawHeight481", cw::Version::V3_1, rawHeight481,
     "\nCalibration file load failed: usCaliPixelRawResoWidth or usCaliPixelRawResoHeight invalid\n"},
    {"WindowPastRaw", cw::Version::V3_1, windowPastRaw,
     "\nCalibration file load failed: usCaliPixelRoiStartX or usCaliPixelRoiStartY invalid\n"},
    {"StartBeyondRaw", cw::Version::V3, startBeyondRaw,
     "\nCalibration file load failed: usCaliPixelRoiStartX or usCaliPixelRoiStartY invalid\n"},
};

class CaliParasHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(CaliParasHeader, RejectsTheWholeBlob)
{
    const HeaderCase &tc = GetParam();
    cw::Contents c = richContents(tc.version);
    std::vector<uint8_t> blob = cw::buildBlob(c);
    uint32_t given = static_cast<uint32_t>(blob.size());
    tc.edit(c, blob, given);
    TempLog log;
    LoadedCali L({100.0f, 80.0f});
    EXPECT_EQ(L.load(blob, given, log.get()), FALSE);
    EXPECT_EQ(L.fix.bLoadCaliParasSuccFlag, FALSE);
    std::string message = tc.message;
    if (message.find("%u") != std::string::npos) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "uiTotalBytesLen = %u, but only %u bytes given", given + 1, given);
        message = buf;
    }
    EXPECT_NE(log.text().find(message), std::string::npos) << log.text();
    // Every calibrated module: no calibration, with its own reason.
    EXPECT_EQ(L.rBP.flag, static_cast<uint32_t>(BP_FAIL_INVALID_INCALIPARA));
    EXPECT_EQ(L.rLEN.flag, static_cast<uint32_t>(LEN_FAIL_INVALID_INCALIPARA));
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(L.rT[s].flag, static_cast<uint32_t>(T_FAIL_INVALID_INCALIPARA));
        EXPECT_EQ(L.rOFS[s].flag, static_cast<uint32_t>(OFS_FAIL_INVALID_INCALIPARA));
        EXPECT_EQ(L.rFPPN[s].flag, static_cast<uint32_t>(FPPN_FAIL_INVALID_INCALIPARA));
        EXPECT_EQ(L.rWIG[s].flag, static_cast<uint32_t>(WIG_FAIL_INVALID_INCALIPARA));
    }
    EXPECT_EQ(L.rFPN.flag, static_cast<uint32_t>(FPN_FAIL_INVALID_INCALIPARA));
    EXPECT_EQ(L.rLUMA.flag, static_cast<uint32_t>(LUMA_FAIL_INVALID_INCALIPARA));
    EXPECT_EQ(L.rREG.flag, static_cast<uint32_t>(REG_FAIL_INVALID_INCALIPARA));
    EXPECT_EQ(L.rMask.ok, FALSE);
    EXPECT_EQ(L.bp, nullptr);
    EXPECT_EQ(L.reg, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Header, CaliParasHeader, ::testing::ValuesIn(kHeaderCases),
                         [](const ::testing::TestParamInfo<HeaderCase> &info) { return info.param.name; });

TEST(CaliParasLoad, DirectoryChecksRejectSingleModules)
{
    const cw::Version v = cw::Version::V3_1;
    cw::Contents base = richContents(v);
    const int f = 2;
    const int iREG = cw::moduleIndex(v, f, cw::Module::REG);
    const int iT1 = cw::moduleIndex(v, f, cw::Module::T, 1);

    // REG offset beyond the blob, BP valid flag 0, T of frequency 1 inside the header.
    std::vector<cw::ModuleEntry> dir = cw::directory(base);
    dir[iREG].offset = 0x7fffffff;
    dir[0].validFlag = 0;
    dir[iT1].offset = 20;
    LoadedCali L({100.0f, 80.0f});
    ASSERT_EQ(L.load(cw::writeBlob(base.header, dir)), TRUE);
    EXPECT_EQ(L.rREG.flag, static_cast<uint32_t>(REG_FAIL_INVALID_CALI_FIRSTBYTEID));
    EXPECT_EQ(L.rBP.flag, static_cast<uint32_t>(BP_FAIL_INVALID_CALI_VALIDFLAG));
    EXPECT_EQ(L.rT[1].flag, static_cast<uint32_t>(T_FAIL_INVALID_CALI_FIRSTBYTEID));
    EXPECT_EQ(L.rT[0].ok, TRUE);
    EXPECT_EQ(L.rLEN.ok, TRUE);
    EXPECT_EQ(L.rWIG[1].ok, TRUE);

    // A directory cut after the FPPN entry: the later modules' indices are not below M.
    std::vector<cw::ModuleEntry> shortDir = cw::directory(base);
    shortDir.resize(cw::moduleIndex(v, f, cw::Module::FPPN) + 1);
    LoadedCali S({100.0f, 80.0f});
    ASSERT_EQ(S.load(cw::writeBlob(base.header, shortDir)), TRUE);
    EXPECT_EQ(S.rWIG[0].flag, static_cast<uint32_t>(WIG_FAIL_INVALID_CALI_MODID));
    EXPECT_EQ(S.rREG.flag, static_cast<uint32_t>(REG_FAIL_INVALID_CALI_MODID));
    EXPECT_EQ(S.rLUMA.flag, static_cast<uint32_t>(LUMA_FAIL_INVALID_CALI_MODID));
    EXPECT_EQ(S.rFPPN[0].ok, TRUE);

    // A slot whose frequency is not calibrated (0 at Init) and one beyond F.
    LoadedCali N({0.0f, 90.0f});
    ASSERT_EQ(N.load(cw::buildBlob(base)), TRUE);
    EXPECT_EQ(N.rT[0].flag, static_cast<uint32_t>(T_FAIL_INVALID_CALI_FREQID));
    EXPECT_EQ(N.rWIG[1].flag, static_cast<uint32_t>(WIG_FAIL_INVALID_CALI_FREQID));
    EXPECT_EQ(N.rBP.ok, TRUE);
}

TEST(CaliParasLoad, NullBlobAndNullTargets)
{
    LoadedCali L;
    CALI_BLOB none;
    EXPECT_EQ(CALI_LoadCaliParas(none, nullptr, nullptr, &L.targets, &L.fix, nullptr), FALSE);
    EXPECT_EQ(L.rBP.flag, static_cast<uint32_t>(BP_FAIL_INVALID_INCALIPARA));
    // Modules the handle does not have (null targets) are skipped.
    const std::vector<uint8_t> blob = cw::buildBlob(richContents(cw::Version::V3_1));
    CALI_LOAD_TARGETS empty;
    GLB_FIXVAR fix{};
    fix.ucModFreqsNum = 2;
    fix.fModFreqsMHZ[0] = 100.0f;
    CALI_BLOB b{reinterpret_cast<const char *>(blob.data()), static_cast<uint32_t>(blob.size())};
    EXPECT_EQ(CALI_LoadCaliParas(b, nullptr, nullptr, &empty, &fix, nullptr), TRUE);
    EXPECT_EQ(fix.stCaliSensorStatus.usCaliWidth, 8);
}

// Every prefix of a valid blob, presented as a blob of exactly that many
// bytes whose total length says so: the loader must stay inside it (the
// address sanitizer checks), and the records it takes are complete.
TEST(CaliParasLoad, EveryTruncationStaysInsideTheBytesGiven)
{
    for (cw::Version v : {cw::Version::V3_1, cw::Version::V3}) {
        const std::vector<uint8_t> full = cw::buildBlob(richContents(v));
        for (size_t n = 1; n <= full.size(); ++n) {  // a size of 0 means "unknown"
            std::vector<uint8_t> cut(full.begin(), full.begin() + n);
            if (n >= 4) {
                for (int i = 0; i < 4; ++i) cut[i] = static_cast<uint8_t>(n >> (8 * i));
            }
            LoadedCali L({100.0f, 80.0f});
            const BBOOL ok = L.load(cut, static_cast<uint32_t>(n), nullptr);
            // The last record (phase FPPN in V3_1, registration in V3) is
            // complete only in the full blob.
            const BBOOL lastOk = v == cw::Version::V3_1 ? L.rPhase.ok : L.rREG.ok;
            EXPECT_EQ(lastOk, n == full.size() ? TRUE : FALSE) << n;
            if (n == full.size()) {
                EXPECT_EQ(ok, TRUE);
            }
        }
    }
}

// The mended case: a blob shorter than its header claims is refused instead
// of being read past its end.
TEST(CaliParasLoad, ShortBlobClaimingMoreIsRefused)
{
    const std::vector<uint8_t> full = cw::buildBlob(richContents(cw::Version::V3_1));
    for (size_t n : {size_t{4}, size_t{60}, full.size() / 2, full.size() - 1}) {
        LoadedCali L;
        EXPECT_EQ(L.load(full, static_cast<uint32_t>(n), nullptr), FALSE) << n;
        EXPECT_EQ(L.bp, nullptr);
    }
}

}  // namespace
}  // namespace calib_test

namespace calib_test {
namespace {

// The seed blobs of the fuzz corpus come from the cali_writer tool: each
// is a valid blob whose every module loads for a handle at its frequencies.
TEST(CaliParasLoad, WriterToolSeedsLoadCompletely)
{
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(CALI_CORPUS_DIR)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> blob((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ++files;
        // Slots at the blob's own calibration frequencies.
        CALI_BLOB b{reinterpret_cast<const char *>(blob.data()), static_cast<uint32_t>(blob.size())};
        const bool v31 = CALI_GetCaliParasVersion(b) == CALI_PARAS_V3_1;
        const size_t fAt = v31 ? 53 : 37;
        const int f = blob[fAt];
        const int m = blob[fAt + 1];
        const size_t freqAt = v31 ? 55 + 5 * m : 42 + 5 * m;
        std::vector<float> slots;
        for (int k = 0; k < (v31 ? f : 1); ++k) slots.push_back(blob[freqAt + 2 * k] | (blob[freqAt + 2 * k + 1] << 8));
        LoadedCali L(slots, false);
        ASSERT_EQ(L.load(blob), TRUE);
        EXPECT_EQ(L.rBP.ok, TRUE);
        EXPECT_EQ(L.rLEN.ok, TRUE);
        EXPECT_EQ(L.rFPN.ok, TRUE);
        EXPECT_EQ(L.rREG.ok, TRUE);
        for (size_t s = 0; s < slots.size(); ++s) {
            EXPECT_EQ(L.rT[s].ok, TRUE) << s;
            EXPECT_EQ(L.rOFS[s].ok, TRUE) << s;
            EXPECT_EQ(L.rFPPN[s].ok, TRUE) << s;
            EXPECT_EQ(L.rWIG[s].ok, TRUE) << s;
        }
        if (v31) {
            EXPECT_EQ(L.rMask.ok, TRUE);
            EXPECT_EQ(L.rLUMA.ok, TRUE);
        }
    }
    EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace calib_test
