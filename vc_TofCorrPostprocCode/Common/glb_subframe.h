// Where each sub-frame and its embedded data lie inside one input buffer.
// All offsets are size_t: 18 sub-frames of 640 x 480 pixels with large
// embedded-data blocks pass 32 bits.
#ifndef CORR_COMMON_GLB_SUBFRAME_H
#define CORR_COMMON_GLB_SUBFRAME_H

#include <cstddef>
#include <cstdint>

#include "oryntcorr_types.h"

namespace NAMESPACE_CORR {

struct GLB_SUBFRAME_OFFSETS {
    size_t szImage;   // image start, bytes from the buffer start
    size_t szEbd;     // embedded-data start (meaningful when bHasEbd)
    BBOOL bHasEbd;    // 1 when the embedded data travels in the same buffer
};

// Bytes of one sub-frame image (16-bit samples).
inline size_t GLB_SubFrameImageBytes(uint16_t usWidth, uint16_t usHeight)
{
    return static_cast<size_t>(usWidth) * static_cast<size_t>(usHeight) * 2u;
}

// Offsets of sub-frame k of a back-to-back buffer (bIsSingleBuffer 1) or of
// its own buffer (bIsSingleBuffer 0, k ignored).
inline GLB_SUBFRAME_OFFSETS GLB_GetSubFrameOffsets(uint32_t k, BBOOL bIsSingleBuffer, uint16_t usWidth,
                                                   uint16_t usHeight, CORR_EBD_TYPE eEbdType,
                                                   uint32_t uiEbdBytes)
{
    const size_t szImg = GLB_SubFrameImageBytes(usWidth, usHeight);
    const size_t szEbd = uiEbdBytes;
    const size_t szIndex = bIsSingleBuffer == 1 ? k : 0u;
    GLB_SUBFRAME_OFFSETS st{0, 0, 0};
    switch (eEbdType) {
    case CORR_EBD_BEFORE_IMG:
        st.szEbd = szIndex * (szEbd + szImg);
        st.szImage = st.szEbd + szEbd;
        st.bHasEbd = 1;
        break;
    case CORR_EBD_AFTER_IMG:
    case CORR_ADDINFO_AFTER_IMG:
        st.szImage = szIndex * (szImg + szEbd);
        st.szEbd = st.szImage + szImg;
        st.bHasEbd = 1;
        break;
    default:
        st.szImage = szIndex * szImg;
        break;
    }
    return st;
}

// Bytes a back-to-back buffer of ucSubFrames sub-frames occupies.
inline size_t GLB_GetInDepthMapBytes(uint32_t uiSubFrames, uint16_t usWidth, uint16_t usHeight,
                                     CORR_EBD_TYPE eEbdType, uint32_t uiEbdBytes)
{
    const size_t szImg = GLB_SubFrameImageBytes(usWidth, usHeight);
    const bool bEbdInline = eEbdType == CORR_EBD_BEFORE_IMG || eEbdType == CORR_EBD_AFTER_IMG ||
                            eEbdType == CORR_ADDINFO_AFTER_IMG;
    return static_cast<size_t>(uiSubFrames) * (szImg + (bEbdInline ? static_cast<size_t>(uiEbdBytes) : 0u));
}

}  // namespace NAMESPACE_CORR

#endif  // CORR_COMMON_GLB_SUBFRAME_H
