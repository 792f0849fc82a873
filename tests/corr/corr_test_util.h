// Shared fixtures of the correction-library tests.
#ifndef TESTS_CORR_CORR_TEST_UTIL_H
#define TESTS_CORR_CORR_TEST_UTIL_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "oryntcorr.h"

namespace corrtest {

using namespace NAMESPACE_CORR;

// A valid dual-frequency, four-phase set-up with add-info lines, frame
// parameters from embedded data, no calibration, inner depth, amplitude,
// confidence and flag outputs.
inline CORR_FIXPARA BaselineFixParas()
{
    CORR_FIXPARA st;
    std::memset(&st, 0, sizeof(st));
    std::strcpy(st.cSensorID, "KRX5830_module_0001");
    st.eUsecaseID = CORR_USECASE_ID_DF;
    st.usInImgWidth = 640;
    st.usInImgHeight = 480;
    st.eIsHasEbd = CORR_ADDINFO_AFTER_IMG;
    st.uiEbdBytes = 640 * 2;
    st.ucEnableFixFrmPara = 0;
    st.pstFixFrmPara = nullptr;
    st.ePixelBinningMode = CORR_PIXEL_BINNING_OFF;
    st.ucDepthPhaseNum = 4;
    st.ePixelGrayBgMode = CORR_PIXEL_GRAYBG_MODE_NORMAL;
    st.usPixelGrayBgZeroValue = 2048;
    st.eHDRMode = CORR_HDR_OFF;
    st.ucEnableDataSwapHighLowBits = 1;
    st.ucDataRightShiftBits = 4;
    st.usOutImgWidth = 640;
    st.usOutImgHeight = 480;
    st.eOutBufferType_PointCloud = OIMG_BUFFER_NULL;
    st.eOutBufferType_Depth = OIMG_BUFFER_INNER;
    st.eOutBufferType_Amp = OIMG_BUFFER_INNER;
    st.eOutBufferType_Gray = OIMG_BUFFER_NULL;
    st.eOutBufferType_Bg = OIMG_BUFFER_NULL;
    st.eOutBufferType_Confidence = OIMG_BUFFER_INNER;
    st.eOutBufferType_Flag = OIMG_BUFFER_INNER;
    st.eOutBufferType_RegRgb = OIMG_BUFFER_NULL;
    st.eOutDepthValueType = DEPTH_VALUE_XYR;
    st.eOutDepthType = DEPTH_TYPE_UINT16;
    st.eOutPointCloudType = PC_TYPE_PC32F;
    return st;
}

inline CORR_FRMPARA_FIX BaselineFrmParas()
{
    CORR_FRMPARA_FIX st;
    std::memset(&st, 0, sizeof(st));
    st.fModFreqMHZ[0] = 100.0f;
    st.fModFreqMHZ[1] = 80.0f;
    st.ucPixelLowResoStepX = 1;
    st.ucPixelLowResoStepY = 1;
    st.ePixelMirrorMode = CORR_PIXEL_MIRROR_UD;
    st.ePixelPhaseMode = CORR_PIXEL_PHASE_MODE_OFF;
    return st;
}

// Runs the test body in a fresh temporary working directory, so the
// library's log files land there.
class InTempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        char cOld[PATH_MAX];
        ASSERT_NE(getcwd(cOld, sizeof(cOld)), nullptr);
        m_oldDir = cOld;
        char cTemplate[] = "/tmp/corr_test_XXXXXX";
        ASSERT_NE(mkdtemp(cTemplate), nullptr);
        m_dir = cTemplate;
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(m_oldDir.c_str()), 0);
        std::string cmd = "rm -rf '" + m_dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    static bool Exists(const char *pcName) { return access(pcName, F_OK) == 0; }
    static std::string ReadFile(const char *pcName)
    {
        std::ifstream in(pcName, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string m_oldDir;
    std::string m_dir;
};

}  // namespace corrtest

#endif  // TESTS_CORR_CORR_TEST_UTIL_H
