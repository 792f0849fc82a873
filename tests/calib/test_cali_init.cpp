// Calibration through the correction API: Init loads a written blob into the
// calibrated modules' records and the handle's calibration fields; blobs that
// are truncated, corrupt or of an unknown version leave the handle without
// calibration, each module with its reason, and Init's abnormal word tells.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Common/glb_buffers.h"
#include "Correct/cali_modules.h"
#include "cali_writer.h"
#include "oryntcorr.h"

namespace {

using namespace NAMESPACE_CORR;
namespace cw = cali_writer;

CORR_FRMPARA_FIX g_frm;

// Dual frequency at 100 / 80 MHz fixed at Init, two-phase data so the
// phase-FPPN module exists.
CORR_FIXPARA FixParas(const std::vector<uint8_t> *blob, uint32_t bytes)
{
    CORR_FIXPARA st;
    std::memset(&st, 0, sizeof st);
    std::strcpy(st.cSensorID, "KRX5830_cali");
    st.eUsecaseID = CORR_USECASE_ID_DF;
    st.usInImgWidth = 640;
    st.usInImgHeight = 480;
    st.eIsHasEbd = CORR_ADDINFO_AFTER_IMG;
    st.uiEbdBytes = 640 * 2;
    std::memset(&g_frm, 0, sizeof g_frm);
    g_frm.fModFreqMHZ[0] = 100.0f;
    g_frm.fModFreqMHZ[1] = 80.0f;
    g_frm.ucPixelLowResoStepX = 1;
    g_frm.ucPixelLowResoStepY = 1;
    st.ucEnableFixFrmPara = 1;
    st.pstFixFrmPara = &g_frm;
    st.ucDepthPhaseNum = 2;
    st.usPixelGrayBgZeroValue = 2048;
    st.usOutImgWidth = 640;
    st.usOutImgHeight = 480;
    st.eOutBufferType_Depth = OIMG_BUFFER_INNER;
    st.eOutBufferType_Amp = OIMG_BUFFER_INNER;
    st.eOutBufferType_Confidence = OIMG_BUFFER_INNER;
    st.eOutBufferType_Flag = OIMG_BUFFER_INNER;
    if (blob != nullptr) {
        st.pcInCaliParas = reinterpret_cast<char *>(const_cast<uint8_t *>(blob->data()));
        st.uiInCaliParasBytes = bytes;
    }
    return st;
}

struct Handle {
    void *p = nullptr;
    unsigned int succ = 0, abn = 0;
    explicit Handle(CORR_FIXPARA st) { p = oryntcorrInit(&st, &succ, &abn, 0, 0); }
    ~Handle() { oryntcorrRelease(&p, 0); }
    GLB_BUFFERS *glb() const { return static_cast<GLB_BUFFERS *>(p); }
    template <typename Buffers, typename Vars>
    Vars *vars(void *record) const
    {
        return static_cast<Vars *>(static_cast<Buffers *>(record)->stHead.pstGlbVars);
    }
};

cw::Contents Contents640()
{
    cw::Contents c = cw::neutralContents(cw::Version::V3_1, {100, 80}, 640, 480);
    c.len->paras[2] = 320.5f;
    c.len->paras[3] = 240.5f;
    c.header.twoPhaseMode = 1;
    c.phaseFppn = std::vector<uint16_t>(640 * 480, 7);
    return c;
}

TEST(CaliInit, ValidBlobLoadsIntoTheModules)
{
    const std::vector<uint8_t> blob = cw::buildBlob(Contents640());
    Handle h(FixParas(&blob, static_cast<uint32_t>(blob.size())));
    ASSERT_NE(h.p, nullptr);
    EXPECT_EQ(h.succ, 0u);
    EXPECT_EQ(h.abn, 0u);
    const GLB_FIXVAR *fix = h.glb()->pstGlbFixVars;
    EXPECT_EQ(fix->bLoadCaliParasSuccFlag, 1);
    EXPECT_EQ(fix->eCaliParasVersion, CALI_PARAS_V3_1);
    EXPECT_EQ(fix->stCaliSensorStatus.usCaliWidth, 640);
    EXPECT_EQ(fix->iMaxFreqFromCali, 960);
    EXPECT_EQ(fix->eTDriverType, T_DRIVER_GUANGZI3021);

    auto *len = static_cast<LEN_GLB_BUFFERS *>(h.glb()->pGlbBuffer_LEN);
    ASSERT_NE(len, nullptr);
    ASSERT_NE(len->pstCaliParas, nullptr);
    EXPECT_FLOAT_EQ(len->pstCaliParas->fLenParas[2], 319.5f);
    EXPECT_FLOAT_EQ(len->pstCaliParas->fLenParasOut[2], 320.5f);
    EXPECT_EQ((h.vars<LEN_GLB_BUFFERS, LEN_GLBVAR>(len)->bCaliParaLoadSucc), 1);
    EXPECT_EQ((h.vars<LEN_GLB_BUFFERS, LEN_GLBVAR>(len)->ucIntBilinearCoefLeftShift), 7);

    auto *wig = static_cast<WIG_GLB_BUFFERS *>(h.glb()->pGlbBuffer_WIG);
    auto *wigVars = h.vars<WIG_GLB_BUFFERS, WIG_GLBVAR>(wig);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(wigVars->bCaliParaLoadSucc[s], 1) << s;
        ASSERT_NE(wig->pstCaliParas[s], nullptr);
        EXPECT_EQ(wig->pstCaliParas[s]->usCaliModFreqMHZ, s == 0 ? 100 : 80);
    }
    auto *fppn = static_cast<FPPN_GLB_BUFFERS *>(h.glb()->pGlbBuffer_FPPN);
    ASSERT_NE(fppn->pCaliErrImageMM, nullptr);
    EXPECT_EQ(fppn->pstCaliParas[1]->pFPPNErrImgMMFilter, fppn->pCaliErrImageMMFilter);
    auto *phase = static_cast<PHASE_FPPN_GLB_BUFFERS *>(h.glb()->pGlbBuffer_PhaseFPPN);
    ASSERT_NE(phase, nullptr);
    EXPECT_EQ(phase->pstCaliParas->usPhaseFPPNParas[640 * 480 - 1], 7);
    EXPECT_EQ(phase->pstCaliParas->ucIs2PhaseMode, 1);
    EXPECT_EQ((h.vars<BP_GLB_BUFFERS, BP_GLBVAR>(h.glb()->pGlbBuffer_BP)->bCaliParaLoadSucc), 1);
    EXPECT_EQ((h.vars<FPN_GLB_BUFFERS, FPN_GLBVAR>(h.glb()->pGlbBuffer_FPN)->bCaliParaLoadSucc), 1);
    EXPECT_EQ((h.vars<LUMA_GLB_BUFFERS, LUMA_GLBVAR>(h.glb()->pGlbBuffer_LUMA)->bCaliParaLoadSucc), 1);
    EXPECT_EQ((h.vars<T_GLB_BUFFERS, T_GLBVAR>(h.glb()->pGlbBuffer_T)->bCaliParaLoadSucc[1]), 1);
    EXPECT_EQ((h.vars<OFS_GLB_BUFFERS, OFS_GLBVAR>(h.glb()->pGlbBuffer_OFS)->bCaliParaLoadSucc[0]), 1);
    EXPECT_EQ((h.vars<MASK_GLB_BUFFERS, MASK_GLBVAR>(h.glb()->pGlbBuffer_MASK)->bCaliParaLoadSucc), 1);
}

TEST(CaliInit, UnusableBlobsRunWithoutCalibration)
{
    const std::vector<uint8_t> good = cw::buildBlob(Contents640());
    std::vector<uint8_t> corrupt = good;
    corrupt[53] = 9;  // nine calibration frequencies
    std::vector<uint8_t> unknown = good;
    unknown[11] = '9';  // "CALI0309"
    struct Case {
        const char *name;
        const std::vector<uint8_t> *blob;
        uint32_t bytes;
    } cases[] = {
        {"truncated", &good, static_cast<uint32_t>(good.size() / 3)},  // header claims more than given
        {"corrupt header", &corrupt, static_cast<uint32_t>(corrupt.size())},
        {"unknown version", &unknown, static_cast<uint32_t>(unknown.size())},
    };
    for (const Case &tc : cases) {
        SCOPED_TRACE(tc.name);
        Handle h(FixParas(tc.blob, tc.bytes));
        ASSERT_NE(h.p, nullptr);
        EXPECT_EQ(h.succ, 0u);  // calibration never fails Init
        EXPECT_EQ(h.abn, static_cast<unsigned int>(CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER));
        const GLB_FIXVAR *fix = h.glb()->pstGlbFixVars;
        EXPECT_EQ(fix->bLoadCaliParasSuccFlag, 0);
        EXPECT_EQ((h.vars<BP_GLB_BUFFERS, BP_GLBVAR>(h.glb()->pGlbBuffer_BP)->uiCaliParaLoadSuccFlag),
                  static_cast<uint32_t>(BP_FAIL_INVALID_INCALIPARA));
        EXPECT_EQ((h.vars<OFS_GLB_BUFFERS, OFS_GLBVAR>(h.glb()->pGlbBuffer_OFS)->uiCaliParaLoadSuccFlag[1]),
                  static_cast<uint32_t>(OFS_FAIL_INVALID_INCALIPARA));
        EXPECT_EQ((h.vars<FPN_GLB_BUFFERS, FPN_GLBVAR>(h.glb()->pGlbBuffer_FPN)->uiCaliParaLoadSuccFlag),
                  static_cast<uint32_t>(FPN_FAIL_INVALID_INCALIPARA));
        EXPECT_EQ(static_cast<LEN_GLB_BUFFERS *>(h.glb()->pGlbBuffer_LEN)->pstCaliParas, nullptr);
    }
}

TEST(CaliInit, NoBlobMarksModulesUncalibrated)
{
    Handle h(FixParas(nullptr, 0));
    ASSERT_NE(h.p, nullptr);
    EXPECT_EQ(h.abn, static_cast<unsigned int>(CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER));
    EXPECT_EQ((h.vars<WIG_GLB_BUFFERS, WIG_GLBVAR>(h.glb()->pGlbBuffer_WIG)->uiCaliParaLoadSuccFlag[0]),
              static_cast<uint32_t>(WIG_FAIL_INVALID_INCALIPARA));
    EXPECT_EQ(h.glb()->pstGlbFixVars->eCaliParasVersion, CALI_PARAS_UNKNOWN);
}

TEST(CaliInit, ModuleFailureKeepsTheRestAndInitNormal)
{
    cw::Contents c = Contents640();
    c.wig[1]->lut.clear();  // LUT length 0 for 80 MHz
    const std::vector<uint8_t> blob = cw::buildBlob(c);
    Handle h(FixParas(&blob, static_cast<uint32_t>(blob.size())));
    ASSERT_NE(h.p, nullptr);
    EXPECT_EQ(h.abn, 0u);
    EXPECT_EQ(h.glb()->pstGlbFixVars->bLoadCaliParasSuccFlag, 1);
    auto *wigVars = h.vars<WIG_GLB_BUFFERS, WIG_GLBVAR>(h.glb()->pGlbBuffer_WIG);
    EXPECT_EQ(wigVars->bCaliParaLoadSucc[0], 1);
    EXPECT_EQ(wigVars->bCaliParaLoadSucc[1], 0);
    EXPECT_EQ(wigVars->uiCaliParaLoadSuccFlag[1], static_cast<uint32_t>(WIG_FAIL_INVALID_CALI_LUT_LEN));
}

}  // namespace
