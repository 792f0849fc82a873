#include "Common/glb_buffers.h"
#include "Common/glb_log.h"

namespace NAMESPACE_CORR {

BBOOL GLB_AllocateInnerOutImages(GLB_BUFFERS *pstGlbBuffers, const GLB_LogFile &log)
{
    GLB_FIXVAR *pstFix = pstGlbBuffers->pstGlbFixVars;
    GLB_OUTDATAS *pstOut = pstGlbBuffers->pstGlbOutDatas;
    if (pstFix == nullptr || pstOut == nullptr) return 0;
    uint32_t *puiBytes = &pstGlbBuffers->uiDynBufferBytes;
    const size_t n = static_cast<size_t>(pstFix->usOutWidth) * pstFix->usOutHeight;
    BBOOL bOk = 1;
    auto check = [&](const void *p, const char *pcName) {
        if (p == nullptr) {
            bOk = 0;
            log.Write("    ------ pstGlbBuffers->pstGlbOutDatas->%s allocated failed\n", pcName);
        }
    };

    pstOut->pcOutParasLn = GLB_CallocArray<char>(CORR_PARALN_BYTES, puiBytes);
    check(pstOut->pcOutParasLn, "pcOutParasLn");
    if (pstFix->eOutBufferType_PointCloud == OIMG_BUFFER_INNER) {
        pstOut->pcOutPointCloud =
            GLB_CallocArray<char>(n * GLB_PointCloudPointBytes(pstFix->eOutPointCloudType), puiBytes);
        check(pstOut->pcOutPointCloud, "pcOutPointCloud");
    }
    if (pstFix->eOutBufferType_Depth == OIMG_BUFFER_INNER) {
        pstOut->pusOutDepth = GLB_CallocArray<uint16_t>(n, puiBytes);
        check(pstOut->pusOutDepth, "pusOutDepth");
    }
    if (pstFix->eOutBufferType_Amp == OIMG_BUFFER_INNER) {
        pstOut->pusOutAmp = GLB_CallocArray<uint16_t>(n, puiBytes);
        check(pstOut->pusOutAmp, "pusOutAmp");
    }
    if (pstFix->eOutBufferType_Gray == OIMG_BUFFER_INNER) {
        pstOut->pusOutGray = GLB_CallocArray<uint16_t>(n, puiBytes);
        check(pstOut->pusOutGray, "pusOutGray");
    }
    if (pstFix->eOutBufferType_Bg == OIMG_BUFFER_INNER) {
        // One image per background of the use case, back to back, so that
        // two INNER background outputs never share memory.
        const size_t szBgNum = pstFix->ucBgNum > 1 ? 2u : 1u;
        pstOut->pusOutBg = GLB_CallocArray<uint16_t>(n * szBgNum, puiBytes);
        check(pstOut->pusOutBg, "pusOutBg");
    }
    if (pstFix->eOutBufferType_Confidence == OIMG_BUFFER_INNER) {
        pstOut->pucOutConfidence = GLB_CallocArray<uint8_t>(n, puiBytes);
        check(pstOut->pucOutConfidence, "pucOutConfidence");
    }
    if (pstFix->eOutBufferType_Flag == OIMG_BUFFER_INNER) {
        pstOut->pucOutFlag = GLB_CallocArray<FLAG_PIXEL>(n, puiBytes);
        check(pstOut->pucOutFlag, "pucOutFlag");
    }
    if (pstFix->eOutBufferType_RegRgb == OIMG_BUFFER_INNER) {
        pstOut->pucOutRegRgb = GLB_CallocArray<uint8_t>(n * 3u, puiBytes);
        check(pstOut->pucOutRegRgb, "pucOutRegRgb");
    }
    return bOk;
}

void GLB_ReleaseInnerOutImages(GLB_OUTDATAS *pstOut)
{
    if (pstOut == nullptr) return;
    // Sizes are not needed here: the handle's totals are cleared at release.
    GLB_FreeArray(&pstOut->pcOutParasLn, 0, nullptr);
    GLB_FreeArray(&pstOut->pcOutPointCloud, 0, nullptr);
    GLB_FreeArray(&pstOut->pusOutDepth, 0, nullptr);
    GLB_FreeArray(&pstOut->pusOutAmp, 0, nullptr);
    GLB_FreeArray(&pstOut->pusOutGray, 0, nullptr);
    GLB_FreeArray(&pstOut->pusOutBg, 0, nullptr);
    GLB_FreeArray(&pstOut->pucOutConfidence, 0, nullptr);
    GLB_FreeArray(&pstOut->pucOutFlag, 0, nullptr);
    GLB_FreeArray(&pstOut->pucOutRegRgb, 0, nullptr);
}

BBOOL GLB_AllocateDynBuffers(GLB_BUFFERS *pstGlbBuffers, const GLB_LogFile &log)
{
    GLB_FIXVAR *pstFix = pstGlbBuffers->pstGlbFixVars;
    GLB_OUTDATAS *pstOut = pstGlbBuffers->pstGlbOutDatas;
    if (pstFix == nullptr || pstOut == nullptr) return 0;
    uint32_t *puiBytes = &pstGlbBuffers->uiDynBufferBytes;
    BBOOL bOk = 1;

    if (pstGlbBuffers->pstGlbDynBuffers == nullptr) {
        pstGlbBuffers->pstGlbDynBuffers = GLB_CallocArray<GLB_DYN_BUFFERS>(1, puiBytes);
        if (pstGlbBuffers->pstGlbDynBuffers == nullptr) {
            log.Write("    ------ pstGlbBuffers->pstDynBuffers allocated failed\n");
            return 0;
        }
    }
    GLB_DYN_BUFFERS *pstDyn = pstGlbBuffers->pstGlbDynBuffers;
    const size_t n = static_cast<size_t>(pstFix->usOutWidth) * pstFix->usOutHeight;
    const int iFreqs = pstFix->ucModFreqsNum > CORR_MAX_MOD_FREQS ? CORR_MAX_MOD_FREQS : pstFix->ucModFreqsNum;
    const bool bCali = pstFix->bLoadCaliParasSuccFlag == 1 && pstFix->stCaliSensorStatus.usCaliWidth > 0 &&
                       pstFix->stCaliSensorStatus.usCaliHeight > 0;
    const size_t szCaliW = bCali ? pstFix->stCaliSensorStatus.usCaliWidth : 0u;
    const size_t szCaliH = bCali ? pstFix->stCaliSensorStatus.usCaliHeight : 0u;

    auto check = [&](const void *p, const char *pcName, int iIndex) {
        if (p != nullptr) return;
        bOk = 0;
        if (iIndex >= 0) {
            log.Write("    ------ pstGlbBuffers->pstDynBuffers->%s[%d] allocated failed\n", pcName, iIndex);
        } else {
            log.Write("    ------ pstGlbBuffers->pstDynBuffers->%s allocated failed\n", pcName);
        }
    };

    for (int f = 0; f < iFreqs; ++f) {
        pstDyn->piDepths[f] = GLB_CallocArray<int32_t>(n, puiBytes);
        check(pstDyn->piDepths[f], "piDepths", f);
    }
    if (iFreqs >= 2) {
        pstDyn->piDepthFusion = GLB_CallocArray<int32_t>(n, puiBytes);
        check(pstDyn->piDepthFusion, "piDepthFusion", -1);
    }
    for (int f = 0; f < iFreqs; ++f) {
        pstDyn->pusAmps[f] = GLB_CallocArray<uint16_t>(n, puiBytes);
        check(pstDyn->pusAmps[f], "pusAmps", f);
    }
    if (pstOut->pusOutAmp == nullptr) {
        pstDyn->pusAmpTemp = GLB_CallocArray<uint16_t>(n, puiBytes);
        check(pstDyn->pusAmpTemp, "pusAmpTemp", -1);
    }
    for (int f = 0; f < iFreqs; ++f) {
        pstDyn->pucFlags[f] = GLB_CallocArray<FLAG_PIXEL>(n, puiBytes);
        check(pstDyn->pucFlags[f], "pucFlags", f);
    }
    if (pstOut->pucOutFlag == nullptr) {
        pstDyn->pucFlagTemp = GLB_CallocArray<FLAG_PIXEL>(n, puiBytes);
        check(pstDyn->pucFlagTemp, "pucFlagTemp", -1);
    }
    if (pstOut->pucOutConfidence == nullptr) {
        pstDyn->pucConfidenceTemp = GLB_CallocArray<uint8_t>(n, puiBytes);
        check(pstDyn->pucConfidenceTemp, "pucConfidenceTemp", -1);
    }
    if (pstOut->pcOutPointCloud == nullptr && pstFix->ucEnableCalcPointCloud == 1) {
        pstDyn->pcPointCloudTemp =
            GLB_CallocArray<char>(n * GLB_PointCloudPointBytes(pstFix->eOutPointCloudType), puiBytes);
        check(pstDyn->pcPointCloudTemp, "pcPointCloudTemp", -1);
    }
    if (bCali) {
        pstDyn->piXMapLUTOfCaliWidth = GLB_CallocArray<int>(szCaliW, puiBytes);
        check(pstDyn->piXMapLUTOfCaliWidth, "piXMapLUTOfCaliWidth", -1);
        pstDyn->piXMapLUTTempOfCaliWidth = GLB_CallocArray<int>(szCaliW, puiBytes);
        check(pstDyn->piXMapLUTTempOfCaliWidth, "piXMapLUTTempOfCaliWidth", -1);
        pstDyn->piYMapLUTOfCaliHeight = GLB_CallocArray<int>(szCaliH, puiBytes);
        check(pstDyn->piYMapLUTOfCaliHeight, "piYMapLUTOfCaliHeight", -1);
        pstDyn->piYMapLUTTempOfCaliHeight = GLB_CallocArray<int>(szCaliH, puiBytes);
        check(pstDyn->piYMapLUTTempOfCaliHeight, "piYMapLUTTempOfCaliHeight", -1);
    }

    // Lens working image: borrow the first working image of n x 2 bytes or
    // more; only without one is it allocated (and then freed with the record).
    pstDyn->bAllocate_LENTempImg = 0;
    if (pstDyn->pcPointCloudTemp != nullptr) {
        pstDyn->pusLENTempImg = reinterpret_cast<uint16_t *>(pstDyn->pcPointCloudTemp);
    } else if (pstDyn->pusAmps[0] != nullptr) {
        pstDyn->pusLENTempImg = pstDyn->pusAmps[0];
    } else if (pstDyn->piDepths[0] != nullptr) {
        pstDyn->pusLENTempImg = reinterpret_cast<uint16_t *>(pstDyn->piDepths[0]);
    } else {
        pstDyn->pusLENTempImg = GLB_CallocArray<uint16_t>(n, puiBytes);
        check(pstDyn->pusLENTempImg, "pusLENTempImg", -1);
        pstDyn->bAllocate_LENTempImg = pstDyn->pusLENTempImg != nullptr ? 1 : 0;
    }
    if (bCali) {
        for (int i = 0; i < 2; ++i) {
            pstDyn->pfLENTempArrayOfCaliWidth[i] = GLB_CallocArray<float>(szCaliW, puiBytes);
            check(pstDyn->pfLENTempArrayOfCaliWidth[i], "pfLENTempArrayOfCaliWidth", i);
            pstDyn->pfLENTempArrayOfCaliHeight[i] = GLB_CallocArray<float>(szCaliH, puiBytes);
            check(pstDyn->pfLENTempArrayOfCaliHeight[i], "pfLENTempArrayOfCaliHeight", i);
        }
    }
    const size_t szFppnW = bCali ? szCaliW : static_cast<size_t>(CORR_MAX_IMG_WIDTH);
    const size_t szFppnH = bCali ? szCaliH : static_cast<size_t>(CORR_MAX_IMG_HEIGHT);
    for (int f = 0; f < iFreqs; ++f) {
        pstDyn->piFPPNX2LUTOfCaliWidth[f] = GLB_CallocArray<int>(szFppnW, puiBytes);
        check(pstDyn->piFPPNX2LUTOfCaliWidth[f], "piFPPNX2LUTOfCaliWidth", f);
        pstDyn->piFPPNX3LUTOfCaliWidth[f] = GLB_CallocArray<int>(szFppnW, puiBytes);
        check(pstDyn->piFPPNX3LUTOfCaliWidth[f], "piFPPNX3LUTOfCaliWidth", f);
        pstDyn->piFPPNY2LUTOfCaliHeight[f] = GLB_CallocArray<int>(szFppnH, puiBytes);
        check(pstDyn->piFPPNY2LUTOfCaliHeight[f], "piFPPNY2LUTOfCaliHeight", f);
        pstDyn->piFPPNY3LUTOfCaliHeight[f] = GLB_CallocArray<int>(szFppnH, puiBytes);
        check(pstDyn->piFPPNY3LUTOfCaliHeight[f], "piFPPNY3LUTOfCaliHeight", f);
    }
    pstDyn->piOut2PhaseCoorMap = GLB_CallocArray<int>(n, puiBytes);
    check(pstDyn->piOut2PhaseCoorMap, "piOut2PhaseCoorMap", -1);
    pstDyn->piZeroImg = GLB_CallocArray<int>(n, puiBytes);
    check(pstDyn->piZeroImg, "piZeroImg", -1);
    pstDyn->piZeroWigLUT = GLB_CallocArray<int>(10, puiBytes);
    check(pstDyn->piZeroWigLUT, "piZeroWigLUT", -1);
    return bOk;
}

void GLB_ReleaseDynBuffers(GLB_DYN_BUFFERS **ppstDyn)
{
    if (ppstDyn == nullptr || *ppstDyn == nullptr) return;
    GLB_DYN_BUFFERS *pstDyn = *ppstDyn;
    for (int f = 0; f < CORR_MAX_MOD_FREQS; ++f) {
        GLB_FreeArray(&pstDyn->piDepths[f], 0, nullptr);
        GLB_FreeArray(&pstDyn->pusAmps[f], 0, nullptr);
        GLB_FreeArray(&pstDyn->pucFlags[f], 0, nullptr);
        GLB_FreeArray(&pstDyn->piFPPNX2LUTOfCaliWidth[f], 0, nullptr);
        GLB_FreeArray(&pstDyn->piFPPNX3LUTOfCaliWidth[f], 0, nullptr);
        GLB_FreeArray(&pstDyn->piFPPNY2LUTOfCaliHeight[f], 0, nullptr);
        GLB_FreeArray(&pstDyn->piFPPNY3LUTOfCaliHeight[f], 0, nullptr);
    }
    GLB_FreeArray(&pstDyn->piDepthFusion, 0, nullptr);
    GLB_FreeArray(&pstDyn->pusAmpTemp, 0, nullptr);
    GLB_FreeArray(&pstDyn->pucFlagTemp, 0, nullptr);
    GLB_FreeArray(&pstDyn->pucConfidenceTemp, 0, nullptr);
    GLB_FreeArray(&pstDyn->pcPointCloudTemp, 0, nullptr);
    GLB_FreeArray(&pstDyn->piXMapLUTOfCaliWidth, 0, nullptr);
    GLB_FreeArray(&pstDyn->piXMapLUTTempOfCaliWidth, 0, nullptr);
    GLB_FreeArray(&pstDyn->piYMapLUTOfCaliHeight, 0, nullptr);
    GLB_FreeArray(&pstDyn->piYMapLUTTempOfCaliHeight, 0, nullptr);
    if (pstDyn->bAllocate_LENTempImg == 1) {
        GLB_FreeArray(&pstDyn->pusLENTempImg, 0, nullptr);
    }
    pstDyn->pusLENTempImg = nullptr;
    for (int i = 0; i < 2; ++i) {
        GLB_FreeArray(&pstDyn->pfLENTempArrayOfCaliWidth[i], 0, nullptr);
        GLB_FreeArray(&pstDyn->pfLENTempArrayOfCaliHeight[i], 0, nullptr);
    }
    GLB_FreeArray(&pstDyn->piOut2PhaseCoorMap, 0, nullptr);
    GLB_FreeArray(&pstDyn->piZeroImg, 0, nullptr);
    GLB_FreeArray(&pstDyn->piZeroWigLUT, 0, nullptr);
    GLB_FreeArray(ppstDyn, 1, nullptr);
}

}  // namespace NAMESPACE_CORR
