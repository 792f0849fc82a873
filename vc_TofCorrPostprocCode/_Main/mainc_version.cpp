// oryntcorrGetVersion and the use-case queries.
#include <cstdio>
#include <cstring>

#include "Common/glb_log.h"
#include "Common/glb_usecase.h"
#include "oryntcorr.h"

namespace NAMESPACE_CORR {
namespace {

// Build date as YYMMDD from __DATE__ ("Mmm dd yyyy"; a blank day digit reads as 0).
void BuildDateYYMMDD(char cOut[7])
{
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char *pcDate = __DATE__;
    int iMonth = 1;
    for (int i = 0; i < 12; ++i) {
        if (std::strncmp(pcDate, kMonths + 3 * i, 3) == 0) iMonth = i + 1;
    }
    cOut[0] = pcDate[9];
    cOut[1] = pcDate[10];
    cOut[2] = static_cast<char>('0' + iMonth / 10);
    cOut[3] = static_cast<char>('0' + iMonth % 10);
    cOut[4] = pcDate[4] == ' ' ? '0' : pcDate[4];
    cOut[5] = pcDate[5];
    cOut[6] = '\0';
}

}  // namespace
}  // namespace NAMESPACE_CORR

using namespace NAMESPACE_CORR;

void NAMESPACE_CORR::oryntcorrGetVersion(char *pcDllVersion)
{
    char cDate[7];
    BuildDateYYMMDD(cDate);
    if (pcDllVersion != nullptr) {
        std::snprintf(pcDllVersion, ORYNTCORR_VERSION_BYTES, "orynalib_TofCorrection_V2.0.7.2_%s", cDate);
        return;
    }
    const GLB_LogFile log(CORR_LOG_VERSION, 1);
    log.Reset("\nCurrent dll_TofCorrection.dll/lib/so/a Version is:\n");
    log.Write("\norynalib_TofCorrection_V2.0.7.2_%s\n", cDate);
}

unsigned char NAMESPACE_CORR::oryntcorrGetUsecaseImagesCnt(unsigned char ucUsecaseID, unsigned char ucDepthPhaseNum)
{
    return GLB_GetThisUsecaseImagesNum(ucUsecaseID, ucDepthPhaseNum);
}

unsigned char NAMESPACE_CORR::oryntcorrGetUsecaseModFreqsCnt(unsigned char ucUsecaseID)
{
    return GLB_GetThisUsecaseModFreqsNum(ucUsecaseID);
}

signed char NAMESPACE_CORR::oryntcorrGetUsecaseThisFreq1stPhIdx(unsigned char ucUsecaseID,
                                                                unsigned char ucDepthPhaseNum, int iIndex)
{
    if (iIndex < 0 || iIndex > 3) return -1;
    GLB_USECASE_FRAME_MODE st;
    GLB_GetThisUsecaseFrameMode(ucUsecaseID, ucDepthPhaseNum, &st);
    return st.cIn1stPhaseId[iIndex];
}

signed char NAMESPACE_CORR::oryntcorrGetUsecaseThisFreq1stBgPhIdx(unsigned char ucUsecaseID,
                                                                  unsigned char ucDepthPhaseNum, int iIndex)
{
    if (iIndex < 0 || iIndex > 3) return -1;
    GLB_USECASE_FRAME_MODE st;
    GLB_GetThisUsecaseFrameMode(ucUsecaseID, ucDepthPhaseNum, &st);
    return st.cIn1stBgPhaseId[iIndex];
}

signed char NAMESPACE_CORR::oryntcorrGetUsecaseGrayIdx(unsigned char ucUsecaseID, unsigned char m_ucDepthPhaseNum)
{
    GLB_USECASE_FRAME_MODE st;
    GLB_GetThisUsecaseFrameMode(ucUsecaseID, m_ucDepthPhaseNum, &st);
    return st.cInGrayId;
}

signed char NAMESPACE_CORR::oryntcorrGetUsecaseBackgroundIdx(unsigned char ucUsecaseID,
                                                             unsigned char m_ucDepthPhaseNum, int iIndex)
{
    if (iIndex < 0 || iIndex > 1) return -1;
    GLB_USECASE_FRAME_MODE st;
    GLB_GetThisUsecaseFrameMode(ucUsecaseID, m_ucDepthPhaseNum, &st);
    return st.cInBgId[iIndex];
}
