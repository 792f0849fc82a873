// Fuzzes the correction API with arbitrary fixed and dynamic parameters and
// run-time output buffer types: no input may crash, leak or read out of
// bounds. The input is XORed over a valid set-up, so an all-zero input is
// the valid set-up itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "_Main/mainc_internal.h"
#include "corr/corr_test_util.h"

using namespace NAMESPACE_CORR;

namespace {

// Consumes bytes of the input by XOR over an object.
class XorReader {
public:
    XorReader(const uint8_t *p, size_t n) : m_p(p), m_n(n) {}
    template <typename T>
    void Apply(T *pObj)
    {
        auto *pc = reinterpret_cast<unsigned char *>(pObj);
        for (size_t i = 0; i < sizeof(T) && m_pos < m_n; ++i) pc[i] ^= m_p[m_pos++];
    }
    uint8_t Byte() { return m_pos < m_n ? m_p[m_pos++] : 0; }

private:
    const uint8_t *m_p;
    size_t m_n;
    size_t m_pos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XorReader in(data, size);
    CORR_FIXPARA stFix = corrtest::BaselineFixParas();
    CORR_FRMPARA_FIX stFrm = corrtest::BaselineFrmParas();
    in.Apply(&stFix);
    in.Apply(&stFrm);
    // Pointers are never taken from the input.
    const uint8_t ucPointers = in.Byte();
    stFix.pstFixFrmPara = (ucPointers & 1) ? nullptr : &stFrm;
    stFix.pcInCaliParas = nullptr;
    stFix.pcInCaliParasFPPN = nullptr;
    stFix.pcInCaliParasFPN = nullptr;
    stFix.pcInCaliGroundTrue = nullptr;

    unsigned int uiSucc = 0;
    unsigned int uiAbn = 0;
    void *p = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 0, ucPointers & 2 ? 0 : 3);
    if (p == nullptr) return 0;

    CORR_DYNPARA stDyn = MAINC_DefaultDynParas();
    in.Apply(&stDyn);
    oryntcorrSetDynamicConfig(p, (ucPointers & 4) ? nullptr : &stDyn, &uiSucc, &uiAbn, 0);

    // Output images with arbitrary run-time buffer types; USER images get
    // memory for the largest pixel type.
    auto *pst = static_cast<GLB_BUFFERS *>(p);
    const size_t n = static_cast<size_t>(pst->pstGlbFixVars->usOutWidth) * pst->pstGlbFixVars->usOutHeight;
    static std::vector<char> userMemory;
    userMemory.resize(n * 16 * 8);
    CORR_OIMG stImgs[8];
    std::memset(stImgs, 0, sizeof(stImgs));
    CORR_OIMG *apImg[8];
    const uint8_t ucWanted = in.Byte();
    for (int i = 0; i < 8; ++i) {
        stImgs[i].eBufferType = static_cast<OUT_IMAGE_BUFFER_TYPE>(in.Byte() % 5);
        stImgs[i].pcBuffer = (in.Byte() & 1) ? userMemory.data() + i * n * 16 : nullptr;
        apImg[i] = (ucWanted >> i) & 1 ? &stImgs[i] : nullptr;
    }
    CORR_OUTDATAS stOut;
    std::memset(&stOut, 0, sizeof(stOut));
    stOut.pstOutPointCloud = apImg[0];
    stOut.pstOutDepth = apImg[1];
    stOut.pstOutAmp = apImg[2];
    stOut.pstOutGray = apImg[3];
    stOut.pstOutBg[0] = apImg[4];
    stOut.pstOutBg[1] = apImg[5];
    stOut.pstOutConfidence = apImg[6];
    stOut.pstOutFlag = apImg[7];
    const GLB_LogFile log(CORR_LOG_RUN, 0);
    MAINC_InitOutputImages(pst, &stOut, &uiSucc, &uiAbn, log);

    CORR_INDATAS stIn;
    std::memset(&stIn, 0, sizeof(stIn));
    oryntcorrRunCorrection(p, &stIn, &stOut, &uiSucc, &uiAbn, 0);
    oryntcorrRelease(&p, 0);
    return 0;
}
