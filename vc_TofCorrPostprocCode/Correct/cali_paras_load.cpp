// Calibration blob loader for both layouts. The blob comes from an EEPROM or
// a file and is untrusted: every size, offset, count and index read from it
// is checked against the blob's length and the record limits before use, so
// a truncated or corrupt blob is rejected (whole, or one module at a time)
// and never read past its end.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "Correct/cali_paras.h"

namespace NAMESPACE_CORR {
namespace {

void CaliLog(const GLB_LogFile *pLog, const char *pcFmt, ...) __attribute__((format(printf, 2, 3)));
void CaliLog(const GLB_LogFile *pLog, const char *pcFmt, ...)
{
    if (pLog == nullptr || !pLog->IsOn()) return;
    char acText[256];
    va_list args;
    va_start(args, pcFmt);
    std::vsnprintf(acText, sizeof acText, pcFmt, args);
    va_end(args);
    pLog->Write("%s", acText);
}

// Bounded little-endian view of the usable part of the blob.
class BlobView {
public:
    BlobView(const char *pc, uint32_t uiLimit) : pu_(reinterpret_cast<const uint8_t *>(pc)), uiLimit_(uiLimit) {}
    uint32_t Limit() const { return uiLimit_; }
    bool Has(uint64_t ulOffset, uint64_t ulBytes) const
    {
        return ulOffset <= uiLimit_ && ulBytes <= uiLimit_ - ulOffset;
    }
    // Readers: the caller has checked Has() for the field.
    uint8_t U8(uint64_t o) const { return pu_[o]; }
    int8_t I8(uint64_t o) const { return static_cast<int8_t>(pu_[o]); }
    uint16_t U16(uint64_t o) const { return static_cast<uint16_t>(pu_[o] | (pu_[o + 1] << 8)); }
    int16_t I16(uint64_t o) const { return static_cast<int16_t>(U16(o)); }
    uint32_t U32(uint64_t o) const
    {
        return static_cast<uint32_t>(pu_[o]) | (static_cast<uint32_t>(pu_[o + 1]) << 8) |
               (static_cast<uint32_t>(pu_[o + 2]) << 16) | (static_cast<uint32_t>(pu_[o + 3]) << 24);
    }
    float F32(uint64_t o) const
    {
        const uint32_t u = U32(o);
        float f;
        std::memcpy(&f, &u, sizeof f);
        return f;
    }
    const uint8_t *At(uint64_t o) const { return pu_ + o; }

private:
    const uint8_t *pu_;
    uint32_t uiLimit_;
};

// A float read from the blob that is used as a divisor: finite and not zero.
bool IsUsableDivisor(float f) { return std::isfinite(f) && std::fabs(f) >= 1e-6f; }

void CopyText(char *pcDst, size_t n, const BlobView &v, uint64_t o)
{
    std::memcpy(pcDst, v.At(o), n);
}

// Everything a module reader needs besides its target.
struct LoadContext {
    BlobView view{nullptr, 0};
    bool bHeaderOk = false;
    CALI_PARAS_VERSION eVersion = CALI_PARAS_UNKNOWN;
    uint8_t ucFreqs = 0;
    uint8_t ucModules = 0;
    const uint32_t *puiFirstByteId = nullptr;
    const uint8_t *pucValidFlag = nullptr;
    const uint16_t *pusFreqs = nullptr;
    uint32_t uiHeaderBytes = 0;
    float fErrPrecisionMM = 0.0f;  // V3_1 common precision
    uint8_t ucIs2PhaseMode = 0;
    GLB_CALI_SENSOR_STATUS *pstSensor = nullptr;
    const char *pcInCaliParasFPPN = nullptr;
    const GLB_LogFile *pLog = nullptr;
    // The shared FPPN error image, once a slot has loaded it.
    bool bFPPNImgLoaded = false;
};

// Reason bits of one module for the common checks.
struct CommonBits {
    uint32_t uiNoBlob;
    uint32_t uiIndex;
    uint32_t uiOffset;
    uint32_t uiValid;
    uint32_t uiNoFreq;
};

const CommonBits kBitsBP{BP_FAIL_INVALID_INCALIPARA, BP_FAIL_INVALID_CALI_MODID, BP_FAIL_INVALID_CALI_FIRSTBYTEID,
                         BP_FAIL_INVALID_CALI_VALIDFLAG, 0};
const CommonBits kBitsMASK{MASK_FAIL_INVALID_INCALIPARA, MASK_FAIL_INVALID_CALI_MODID,
                           MASK_FAIL_INVALID_CALI_FIRSTBYTEID, MASK_FAIL_INVALID_CALI_VALIDFLAG, 0};
const CommonBits kBitsFPN{FPN_FAIL_INVALID_INCALIPARA, FPN_FAIL_INVALID_CALI_MODID,
                          FPN_FAIL_INVALID_CALI_FIRSTBYTEID, FPN_FAIL_INVALID_CALI_VALIDFLAG, 0};
const CommonBits kBitsLEN{LEN_FAIL_INVALID_INCALIPARA, LEN_FAIL_INVALID_CALI_MODID,
                          LEN_FAIL_INVALID_CALI_FIRSTBYTEID, LEN_FAIL_INVALID_CALI_VALIDFLAG, 0};
const CommonBits kBitsT{T_FAIL_INVALID_INCALIPARA, T_FAIL_INVALID_CALI_MODID, T_FAIL_INVALID_CALI_FIRSTBYTEID,
                        T_FAIL_INVALID_CALI_VALIDFLAG, T_FAIL_INVALID_CALI_FREQID};
const CommonBits kBitsOFS{OFS_FAIL_INVALID_INCALIPARA, OFS_FAIL_INVALID_CALI_MODID,
                          OFS_FAIL_INVALID_CALI_FIRSTBYTEID, OFS_FAIL_INVALID_CALI_VALIDFLAG,
                          OFS_FAIL_INVALID_CALI_FREQID};
const CommonBits kBitsFPPN{FPPN_FAIL_INVALID_INCALIPARA, FPPN_FAIL_INVALID_CALI_MODID,
                           FPPN_FAIL_INVALID_CALI_FIRSTBYTEID, FPPN_FAIL_INVALID_CALI_VALIDFLAG,
                           FPPN_FAIL_INVALID_CALI_FREQID};
const CommonBits kBitsWIG{WIG_FAIL_INVALID_INCALIPARA, WIG_FAIL_INVALID_CALI_MODID,
                          WIG_FAIL_INVALID_CALI_FIRSTBYTEID, WIG_FAIL_INVALID_CALI_VALIDFLAG,
                          WIG_FAIL_INVALID_CALI_FREQID};
const CommonBits kBitsLUMA{LUMA_FAIL_INVALID_INCALIPARA, LUMA_FAIL_INVALID_CALI_MODID,
                           LUMA_FAIL_INVALID_CALI_FIRSTBYTEID, LUMA_FAIL_INVALID_CALI_VALIDFLAG, 0};
const CommonBits kBitsPhaseFPPN{PHASE_FPPN_FAIL_INVALID_INCALIPARA, PHASE_FPPN_FAIL_INVALID_CALI_MODID,
                                PHASE_FPPN_FAIL_INVALID_CALI_FIRSTBYTEID, PHASE_FPPN_FAIL_INVALID_CALI_VALIDFLAG, 0};
const CommonBits kBitsREG{REG_FAIL_INVALID_INCALIPARA, REG_FAIL_INVALID_CALI_MODID,
                          REG_FAIL_INVALID_CALI_FIRSTBYTEID, REG_FAIL_INVALID_CALI_VALIDFLAG, 0};

// Checks common to every module reader. iCaliIdx is the calibration
// frequency index of the slot (frequency modules), or 0. Returns the reason
// bits (0: the record may be read) and stores the record offset.
uint32_t CheckModule(const LoadContext &c, int iIndex, const CommonBits &b, bool bFreqModule, int iCaliIdx,
                     uint32_t *puiOffset)
{
    if (bFreqModule && iCaliIdx < 0) return b.uiNoFreq;
    if (!c.bHeaderOk || c.view.Limit() == 0 || c.ucFreqs == 0 || c.ucModules == 0) return b.uiNoBlob;
    if (c.ucFreqs > CALI_MAX_FREQS || iIndex < 0 || iIndex >= c.ucModules) return b.uiIndex;
    if (bFreqModule && iCaliIdx >= c.ucFreqs) return b.uiIndex;
    const uint32_t uiOffset = c.puiFirstByteId[iIndex];
    // A record must lie after the header and start inside the blob.
    if (uiOffset >= c.view.Limit() || uiOffset < c.uiHeaderBytes) return b.uiOffset;
    if (c.pucValidFlag[iIndex] == 0) return b.uiValid;
    *puiOffset = uiOffset;
    return 0;
}

template <typename Record>
bool BeginModule(const CALI_LOAD_TARGET<Record> &t)
{
    if (t.ppstCaliParas == nullptr) return false;
    if (t.pbCaliParaLoadSucc != nullptr) *t.pbCaliParaLoadSucc = FALSE;
    return true;
}

template <typename Record>
void MarkFailed(const CALI_LOAD_TARGET<Record> &t, uint32_t uiBits)
{
    if (t.pbCaliParaLoadSucc != nullptr) *t.pbCaliParaLoadSucc = FALSE;
    if (t.puiCaliParaLoadSuccFlag != nullptr) *t.puiCaliParaLoadSuccFlag |= uiBits;
}

// Module names for the log.
template <typename Record> const char *ModuleName();
template <> const char *ModuleName<CALIPARAS_BP_V3>() { return "BP"; }
template <> const char *ModuleName<CALIPARAS_MASK>() { return "MASK"; }
template <> const char *ModuleName<CALIPARAS_LEN_V3>() { return "LEN"; }
template <> const char *ModuleName<CALIPARAS_T_V3>() { return "T"; }
template <> const char *ModuleName<CALIPARAS_OFS>() { return "OFS"; }
template <> const char *ModuleName<CALIPARAS_FPPN_V3>() { return "FPPN"; }
template <> const char *ModuleName<CALIPARAS_WIG_V3>() { return "WIG"; }
template <> const char *ModuleName<CALIPARAS_FPN>() { return "FPN"; }
template <> const char *ModuleName<CALIPARAS_LUMA>() { return "LUMA"; }
template <> const char *ModuleName<CALIPARAS_PHASE_FPPN>() { return "PHASE_FPPN"; }
template <> const char *ModuleName<CALIPARAS_REG>() { return "REG"; }

// A module the loader rejects: load flag 0, the reason in its word, and a
// log entry naming both.
template <typename Record>
void Fail(const LoadContext &c, const CALI_LOAD_TARGET<Record> &t, uint32_t uiBits)
{
    MarkFailed(t, uiBits);
    CaliLog(c.pLog, "\nCalibration file load failed of %s: uiCaliParaLoadSuccFlag |= %u\n", ModuleName<Record>(),
            uiBits);
}

template <typename Record>
void Succeed(const CALI_LOAD_TARGET<Record> &t)
{
    if (t.pbCaliParaLoadSucc != nullptr) *t.pbCaliParaLoadSucc = TRUE;
}

// The module's parameter record, zero-filled (an earlier one is freed).
template <typename Record>
Record *AllocateRecord(const CALI_LOAD_TARGET<Record> &t)
{
    CALI_ReleaseCaliParas(t.ppstCaliParas);
    *t.ppstCaliParas = GLB_CallocArray<Record>(1, t.puiBufferBytes);
    return *t.ppstCaliParas;
}

int ModuleIndex(const LoadContext &c, int iV31, int iV3)
{
    return c.eVersion == CALI_PARAS_V3_1 ? iV31 : iV3;
}

// ---------------------------------------------------------------------------
// Module readers.

void LoadBP(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_BP_V3> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const uint32_t uiBits = CheckModule(c, 0, kBitsBP, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    if (!c.view.Has(o, 2)) return Fail(c, t, BP_FAIL_INVALID_CALI_FIRSTBYTEID);
    const uint32_t uiLen = c.view.U16(o);
    if (!c.view.Has(o + 2, 4ull * uiLen)) return Fail(c, t, BP_FAIL_INVALID_CALI_FIRSTBYTEID);

    CALIPARAS_BP_V3 *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, BP_FAIL_INVALID_CALI_BUFFER);
    p->pstCaliSensorStatus = c.pstSensor;
    if (uiLen > 0) {
        p->pcoor2sBPList = GLB_CallocArray<COOR2D16S>(std::min<uint32_t>(uiLen, CALI_MAX_BP_POINTS), t.puiBufferBytes);
        p->psBPRowsList = GLB_CallocArray<int16_t>(std::min<uint32_t>(uiLen, CALI_MAX_BP_ROWS), t.puiBufferBytes);
        p->psBPColsList = GLB_CallocArray<int16_t>(std::min<uint32_t>(uiLen, CALI_MAX_BP_COLS), t.puiBufferBytes);
        if (p->pcoor2sBPList == nullptr || p->psBPRowsList == nullptr || p->psBPColsList == nullptr)
            return Fail(c, t, BP_FAIL_INVALID_CALI_BUFFER);
    }
    const uint16_t usW = c.pstSensor->usCaliWidth;
    const uint16_t usH = c.pstSensor->usCaliHeight;
    // The walk stops at the first entry that breaks a rule; what was taken
    // until then stays.
    for (uint32_t i = 0; i < uiLen; ++i) {
        const int16_t sX = c.view.I16(o + 2 + 4ull * i);
        const uint16_t usValue = c.view.U16(o + 4 + 4ull * i);
        if (usValue & 0x8000u) break;
        if (sX >= 0) {
            if (sX >= usW || usValue >= usH || p->uiValidBPCnt >= static_cast<uint32_t>(CALI_MAX_BP_POINTS)) break;
            p->pcoor2sBPList[p->uiValidBPCnt].sX = sX;
            p->pcoor2sBPList[p->uiValidBPCnt].sY = static_cast<int16_t>(usValue);
            ++p->uiValidBPCnt;
        } else if (sX == -2) {
            if (usValue >= usH || p->uiValidBPRowsCnt >= static_cast<uint32_t>(CALI_MAX_BP_ROWS)) break;
            p->psBPRowsList[p->uiValidBPRowsCnt++] = static_cast<int16_t>(usValue);
        } else if (sX == -3) {
            if (usValue >= usW || p->uiValidBPColsCnt >= static_cast<uint32_t>(CALI_MAX_BP_COLS)) break;
            p->psBPColsList[p->uiValidBPColsCnt++] = static_cast<int16_t>(usValue);
        } else {
            break;
        }
    }
    Succeed(t);
}

void LoadMask(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_MASK> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const uint32_t uiBits = CheckModule(c, 1, kBitsMASK, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    if (!c.view.Has(o, 1)) return Fail(c, t, MASK_FAIL_INVALID_CALI_FIRSTBYTEID);
    const uint8_t ucType = c.view.U8(o);
    const uint32_t uiW = c.pstSensor->usCaliWidth;
    const uint32_t uiH = c.pstSensor->usCaliHeight;
    if (ucType != MASK_CALI_FILE_TYPE_ROWS && ucType != MASK_CALI_FILE_TYPE_IMG)
        return Fail(c, t, MASK_FAIL_INVALID_CALI_FILETYPE);

    if (ucType == MASK_CALI_FILE_TYPE_ROWS) {
        // First column of row 0, H-1 signed steps, last column of row 0, H-1 steps.
        if (!c.view.Has(o + 1, 2ull * (2 + (uiH - 1)))) return Fail(c, t, MASK_FAIL_INVALID_CALI_FIRSTBYTEID);
        CALIPARAS_MASK *p = AllocateRecord(t);
        if (p == nullptr) return Fail(c, t, MASK_FAIL_INVALID_CALI_BUFFER);
        p->pstCaliSensorStatus = c.pstSensor;
        p->eMaskCaliFileType = MASK_CALI_FILE_TYPE_ROWS;
        p->pusMaskValidCoorXMinList = GLB_CallocArray<uint16_t>(uiH, t.puiBufferBytes);
        p->pusMaskValidCoorXMaxList = GLB_CallocArray<uint16_t>(uiH, t.puiBufferBytes);
        if (p->pusMaskValidCoorXMinList == nullptr || p->pusMaskValidCoorXMaxList == nullptr)
            return Fail(c, t, MASK_FAIL_INVALID_CALI_BUFFER);
        uint64_t at = o + 1;
        for (uint16_t *pusList : {p->pusMaskValidCoorXMinList, p->pusMaskValidCoorXMaxList}) {
            uint16_t usX = c.view.U16(at);
            at += 2;
            pusList[0] = usX;
            for (uint32_t y = 1; y < uiH; ++y) {
                usX = static_cast<uint16_t>(usX + c.view.I8(at++));
                pusList[y] = usX;
            }
        }
        // The lists index calibration columns.
        for (uint32_t y = 0; y < uiH; ++y) {
            if (p->pusMaskValidCoorXMinList[y] >= uiW || p->pusMaskValidCoorXMaxList[y] >= uiW) {
                CaliLog(c.pLog, "\nCalibration file load abnormal of MASK: row %u column out of range\n", y);
                return Fail(c, t, MASK_FAIL_INVALID_CALI_COOR_LIST);
            }
        }
    } else {
        const uint64_t ulPixels = static_cast<uint64_t>(uiW) * uiH;
        const uint64_t ulBytes = ulPixels / 8;
        if (!c.view.Has(o + 1, ulBytes)) return Fail(c, t, MASK_FAIL_INVALID_CALI_FIRSTBYTEID);
        CALIPARAS_MASK *p = AllocateRecord(t);
        if (p == nullptr) return Fail(c, t, MASK_FAIL_INVALID_CALI_BUFFER);
        p->pstCaliSensorStatus = c.pstSensor;
        p->eMaskCaliFileType = MASK_CALI_FILE_TYPE_IMG;
        p->pucCaliMaskImg = GLB_CallocArray<uint8_t>(ulPixels, t.puiBufferBytes);
        if (p->pucCaliMaskImg == nullptr) return Fail(c, t, MASK_FAIL_INVALID_CALI_BUFFER);
        const uint8_t *pucBits = c.view.At(o + 1);
        for (uint64_t i = 0; i < ulBytes * 8; ++i)
            p->pucCaliMaskImg[i] = ((pucBits[i / 8] >> (i % 8)) & 1u) ? 0 : 128;
    }
    Succeed(t);
}

void LoadFPN(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_FPN> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const uint32_t uiBits = CheckModule(c, ModuleIndex(c, 2, 3 + 3 * c.ucFreqs), kBitsFPN, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const uint64_t ulW = c.pstSensor->usCaliWidth;
    const uint64_t ulH = c.pstSensor->usCaliHeight;
    uint8_t ucType = FPN_CALI_ERR_TYPE_COLS;
    uint64_t ulData = o;
    if (c.eVersion == CALI_PARAS_V3_1) {
        if (!c.view.Has(o, 1)) return Fail(c, t, FPN_FAIL_INVALID_CALI_FIRSTBYTEID);
        ucType = c.view.U8(o);
        ulData = o + 1;
    }
    CALIPARAS_FPN *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, FPN_FAIL_INVALID_CALI_BUFFER);
    p->pstCaliSensorStatus = c.pstSensor;
    p->ucCaliFileType = FPN_CALI_ERR_TYPE_NONE;
    if (ucType > 3) return Fail(c, t, FPN_FAIL_INVALID_CALI_FILETYPE);
    const uint64_t ulCount = ucType == FPN_CALI_ERR_TYPE_COLS ? ulW : ucType == FPN_CALI_ERR_TYPE_IMG ? ulW * ulH : 0;
    if (ulCount == 0) return Fail(c, t, FPN_FAIL_INVALID_CALI_ERR);
    if (!c.view.Has(ulData, 2 * ulCount)) return Fail(c, t, FPN_FAIL_INVALID_CALI_FIRSTBYTEID);
    p->psCaliFPNErr = GLB_CallocArray<int16_t>(ulCount, t.puiBufferBytes);
    if (p->psCaliFPNErr == nullptr) return Fail(c, t, FPN_FAIL_INVALID_CALI_BUFFER);
    for (uint64_t i = 0; i < ulCount; ++i) p->psCaliFPNErr[i] = c.view.I16(ulData + 2 * i);
    p->ucCaliFileType = ucType;
    Succeed(t);
}

void LoadLEN(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_LEN_V3> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const int iIndex = ModuleIndex(c, 3, 1);
    const uint32_t uiBits = CheckModule(c, iIndex, kBitsLEN, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    if (!c.view.Has(o, 40)) return Fail(c, t, LEN_FAIL_INVALID_CALI_FIRSTBYTEID);
    bool bHasSkew = true;
    if (c.eVersion == CALI_PARAS_V3) {
        // The skew is optional in V3: present when the record (up to the next
        // module) is longer than 43 bytes.
        uint32_t uiRecordLen = 0;
        if (c.ucModules > 2 && c.puiFirstByteId[iIndex + 1] >= o) uiRecordLen = c.puiFirstByteId[iIndex + 1] - o;
        bHasSkew = uiRecordLen > 43;
    }
    if (bHasSkew && !c.view.Has(o, 44)) return Fail(c, t, LEN_FAIL_INVALID_CALI_FIRSTBYTEID);

    CALIPARAS_LEN_V3 *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, LEN_FAIL_INVALID_CALIPARA_POINTER);
    p->pstCaliSensorStatus = c.pstSensor;
    for (int i = 0; i < 9; ++i) p->fLenParasOut[i] = c.view.F32(o + 4ull * i);
    p->fZoomCoefOut = c.view.F32(o + 36);
    p->fSkew = bHasSkew ? c.view.F32(o + 40) : 0.0f;
    p->fZoomCoef = p->fZoomCoefOut;
    std::memcpy(p->fLenParas, p->fLenParasOut, sizeof p->fLenParas);
    // Stored principal point counts from 1; the working one from 0.
    p->fLenParas[2] -= 1.0f;
    p->fLenParas[3] -= 1.0f;

    bool bValid = std::isfinite(p->fZoomCoefOut) && std::isfinite(p->fSkew);
    for (int i = 0; i < 9; ++i) bValid = bValid && std::isfinite(p->fLenParasOut[i]);
    for (int i = 0; i < 4; ++i) bValid = bValid && std::fabs(p->fLenParasOut[i]) >= 1e-6f;
    if (!bValid) return Fail(c, t, LEN_FAIL_INVALID_CALIPARA);
    Succeed(t);
}

void LoadT(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_T_V3> &t, int iCaliIdx)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const int k = iCaliIdx;
    const uint32_t uiBits = CheckModule(c, ModuleIndex(c, 4 + k, 2 + k), kBitsT, true, k, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const bool bV31 = c.eVersion == CALI_PARAS_V3_1;
    if (!c.view.Has(o, bV31 ? 51 : 58)) return Fail(c, t, T_FAIL_INVALID_CALI_FIRSTBYTEID);

    CALIPARAS_T_V3 *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, T_FAIL_INVALID_CALIPARA_POINTER);
    p->usCaliModFreqMHZ = c.pusFreqs[k];
    uint32_t uiSensor, uiDriver;
    uint64_t ulFit;
    if (bV31) {
        uiSensor = c.view.U8(o);
        uiDriver = c.view.U8(o + 1);
        p->fTSensor = c.view.F32(o + 2);
        p->fTDriver = c.view.F32(o + 6);
        p->ucFitMode = c.view.U8(o + 10);
        p->fErrPrecisionMM = c.fErrPrecisionMM;
        ulFit = o + 11;
    } else {
        const uint8_t ucTypes = c.view.U8(o);
        uiSensor = ucTypes & 1u;
        uiDriver = (ucTypes >> 1) & 1u;
        p->fTSensor = c.view.F32(o + 1);
        p->fTDriver = c.view.F32(o + 5);
        p->fErrPrecisionMM = c.view.F32(o + 13);
        p->ucFitMode = c.view.U8(o + 17);
        ulFit = o + 18;
    }
    for (int i = 0; i < 10; ++i) p->fTempFitParas[i] = c.view.F32(ulFit + 4ull * i);
    if (uiSensor > T_SENSOR_KRX5830 || uiDriver > T_DRIVER_ICHAUSTMP122) return Fail(c, t, T_FAIL_INVALID_CALI_TYPE);
    p->eTSensorType = static_cast<T_SENSOR_TYPE>(uiSensor);
    p->eTDriverType = static_cast<T_DRIVER_TYPE>(uiDriver);
    if (!IsUsableDivisor(p->fErrPrecisionMM)) return Fail(c, t, T_FAIL_INVALID_CALI_PRECISION);
    if (p->ucFitMode >= 4) return Fail(c, t, T_FAIL_INVALID_CALI_FITMODE);
    Succeed(t);
}

void LoadOFS(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_OFS> &t, int iCaliIdx)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const int k = iCaliIdx;
    const int f = c.ucFreqs;
    const uint32_t uiBits = CheckModule(c, ModuleIndex(c, 4 + f + k, 2 + f + k), kBitsOFS, true, k, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const bool bV31 = c.eVersion == CALI_PARAS_V3_1;
    if (!c.view.Has(o, bV31 ? 5 : 4)) return Fail(c, t, OFS_FAIL_INVALID_CALI_FIRSTBYTEID);
    const uint32_t uiBlocks = bV31 ? c.view.U8(o + 4) : 16u;
    const uint64_t ulBlocksAt = bV31 ? o + 5 : o + 4;
    // The correction divides the row into this many blocks.
    if (uiBlocks == 0) return Fail(c, t, OFS_FAIL_INVALID_CALI_BLOCK_NUM);
    if (!c.view.Has(ulBlocksAt, 4ull * uiBlocks)) return Fail(c, t, OFS_FAIL_INVALID_CALI_FIRSTBYTEID);

    CALIPARAS_OFS *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, OFS_FAIL_INVALID_CALIPARA_POINTER);
    p->usCaliModFreqMHZ = c.pusFreqs[k];
    p->pstCaliSensorStatus = c.pstSensor;
    p->fOffsetGlobalMM = c.view.F32(o);
    p->ucBlockOffsetLen = static_cast<uint8_t>(uiBlocks);
    for (uint32_t i = 0; i < uiBlocks; ++i) p->fOffsetBlocksMM[i] = c.view.F32(ulBlocksAt + 4ull * i);
    Succeed(t);
}

// 3 x 3 mean of an error image through an integral image with a leading row
// and column of zeros; the window is cut at the border and the mean taken
// over the pixels inside it. Integer images truncate the mean toward zero.
template <typename T>
void MeanFilter3x3(const T *pSrc, T *pDst, int iW, int iH, int64_t *plIntegral)
{
    const int iStride = iW + 1;
    for (int x = 0; x <= iW; ++x) plIntegral[x] = 0;
    for (int y = 0; y < iH; ++y) {
        int64_t *plRow = plIntegral + static_cast<int64_t>(y + 1) * iStride;
        const int64_t *plAbove = plRow - iStride;
        plRow[0] = 0;
        int64_t lRowSum = 0;
        for (int x = 0; x < iW; ++x) {
            const T v = pSrc[static_cast<int64_t>(y) * iW + x];
            if constexpr (std::is_floating_point<T>::value) {
                // Float images keep integer row sums, truncated after each pixel.
                lRowSum = static_cast<int64_t>(static_cast<float>(lRowSum) + v);
            } else {
                lRowSum += v;
            }
            plRow[x + 1] = plAbove[x + 1] + lRowSum;
        }
    }
    for (int y = 0; y < iH; ++y) {
        const int y0 = y > 0 ? y - 1 : 0;
        const int y1 = y + 1 < iH ? y + 1 : iH - 1;
        for (int x = 0; x < iW; ++x) {
            const int x0 = x > 0 ? x - 1 : 0;
            const int x1 = x + 1 < iW ? x + 1 : iW - 1;
            const int64_t lSum = plIntegral[static_cast<int64_t>(y1 + 1) * iStride + x1 + 1] -
                                 plIntegral[static_cast<int64_t>(y0) * iStride + x1 + 1] -
                                 plIntegral[static_cast<int64_t>(y1 + 1) * iStride + x0] +
                                 plIntegral[static_cast<int64_t>(y0) * iStride + x0];
            const int iCount = (x1 - x0 + 1) * (y1 - y0 + 1);
            const float fMean = static_cast<float>(lSum) * (1.0f / static_cast<float>(iCount));
            pDst[static_cast<int64_t>(y) * iW + x] =
                std::is_floating_point<T>::value ? static_cast<T>(fMean) : static_cast<T>(static_cast<int>(fMean));
        }
    }
}

size_t FPPNElementBytes(uint8_t ucType)
{
    return ucType == FPPN_CALI_ERR_IMG_TYPE_CHAR ? 1 : ucType == FPPN_CALI_ERR_IMG_TYPE_SHORT ? 2 : 4;
}

// Reads the shared V3_1 error image (element type ucType) into both buffers
// of the targets and filters the second. False when it cannot be used.
bool LoadFPPNErrImageV31(LoadContext &c, const CALI_LOAD_TARGETS &tg, uint64_t ulAt, uint8_t ucType)
{
    if (tg.ppFPPNErrImgMM == nullptr || tg.ppFPPNErrImgMMFilter == nullptr) return false;
    const int iW = c.pstSensor->usCaliWidth;
    const int iH = c.pstSensor->usCaliHeight;
    const uint64_t ulPixels = static_cast<uint64_t>(iW) * iH;
    const size_t uiElem = FPPNElementBytes(ucType);
    if (!c.view.Has(ulAt, ulPixels * uiElem)) {
        CaliLog(c.pLog, "------ pcFPPNErrImg exceeds the calibration data\n");
        return false;
    }
    if (ucType == FPPN_CALI_ERR_IMG_TYPE_FLOAT) {
        // Float errors go through integer sums: they must be finite and bounded.
        for (uint64_t i = 0; i < ulPixels; ++i) {
            const float v = c.view.F32(ulAt + 4 * i);
            if (!std::isfinite(v) || std::fabs(v) > 1e6f) {
                CaliLog(c.pLog, "------ pcFPPNErrImg holds a value out of range\n");
                return false;
            }
        }
    }
    CALI_ReleaseFPPNErrImages(tg.ppFPPNErrImgMM, tg.ppFPPNErrImgMMFilter);
    uint32_t *puiBytes = tg.stFPPN[0].puiBufferBytes;
    void *pImg = GLB_CallocCounted(ulPixels, uiElem, puiBytes);
    void *pFilter = GLB_CallocCounted(ulPixels, uiElem, puiBytes);
    int64_t *plIntegral = static_cast<int64_t *>(
        std::calloc(static_cast<size_t>(iW + 1) * static_cast<size_t>(iH + 1), sizeof(int64_t)));
    if (pImg == nullptr || pFilter == nullptr || plIntegral == nullptr) {
        std::free(pImg);
        std::free(pFilter);
        std::free(plIntegral);
        return false;
    }
    // Element bytes are little-endian like every field of the blob.
    for (uint64_t i = 0; i < ulPixels; ++i) {
        if (ucType == FPPN_CALI_ERR_IMG_TYPE_CHAR)
            static_cast<int8_t *>(pImg)[i] = c.view.I8(ulAt + i);
        else if (ucType == FPPN_CALI_ERR_IMG_TYPE_SHORT)
            static_cast<int16_t *>(pImg)[i] = c.view.I16(ulAt + 2 * i);
        else
            static_cast<float *>(pImg)[i] = c.view.F32(ulAt + 4 * i);
    }
    if (ucType == FPPN_CALI_ERR_IMG_TYPE_CHAR)
        MeanFilter3x3(static_cast<int8_t *>(pImg), static_cast<int8_t *>(pFilter), iW, iH, plIntegral);
    else if (ucType == FPPN_CALI_ERR_IMG_TYPE_SHORT)
        MeanFilter3x3(static_cast<int16_t *>(pImg), static_cast<int16_t *>(pFilter), iW, iH, plIntegral);
    else
        MeanFilter3x3(static_cast<float *>(pImg), static_cast<float *>(pFilter), iW, iH, plIntegral);
    std::free(plIntegral);
    *tg.ppFPPNErrImgMM = pImg;
    *tg.ppFPPNErrImgMMFilter = pFilter;
    if (tg.puiFPPNErrImgBytes != nullptr) *tg.puiFPPNErrImgBytes = static_cast<uint32_t>(ulPixels * uiElem);
    c.bFPPNImgLoaded = true;
    return true;
}

void LoadFPPNV31(LoadContext &c, const CALI_LOAD_TARGETS &tg, int iSlot, int iCaliIdx)
{
    const CALI_LOAD_TARGET<CALIPARAS_FPPN_V3> &t = tg.stFPPN[iSlot];
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const int k = iCaliIdx;
    const int f = c.ucFreqs;
    const uint32_t uiBits = CheckModule(c, 4 + 2 * f, kBitsFPPN, true, k, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const uint64_t ulQ = o + 2 + 41ull * f;
    if (!c.view.Has(o, ulQ - o)) return Fail(c, t, FPPN_FAIL_INVALID_CALI_FIRSTBYTEID);
    const uint8_t ucType = c.view.U8(o);
    const uint8_t ucPlacement = c.view.U8(o + 1);

    CALIPARAS_FPPN_V3 *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, FPPN_FAIL_INVALID_CALI_ERRIMG_POINTER_8C);
    p->usCaliModFreqMHZ = c.pusFreqs[k];
    p->pstCaliSensorStatus = c.pstSensor;
    p->ucCaliFileType = ucType;
    p->fErrPrecisionMM = c.fErrPrecisionMM;
    if (ucType == 0 || ucType > 3) return Fail(c, t, FPPN_FAIL_INVALID_CALI_FILETYPE);
    if (ucPlacement > 1) {
        CaliLog(c.pLog, "\nCalibration file load abnormal of FPPN:\n");
        CaliLog(c.pLog, "------ ucFPPNErrImgType = %d(>1)\n", ucPlacement);
    }
    if (!IsUsableDivisor(c.fErrPrecisionMM)) return Fail(c, t, FPPN_FAIL_INVALID_CALI_PRECISION);

    const uint64_t ulBlock = o + 2 + 41ull * k;
    p->ucFitMode = c.view.U8(ulBlock);
    for (int i = 0; i < 10; ++i) p->fFPPNFitParas[i] = c.view.F32(ulBlock + 1 + 4ull * i);
    const bool bFitUsable = p->ucFitMode == 2 || p->ucFitMode == 3;

    bool bImgLoaded = false;
    bool bBadBitWidth = false;
    const bool bWantsImg = ucType == 1 || ucType == 3;
    if (bWantsImg && ucPlacement == 0) {
        if (c.view.Has(ulQ, 2)) {
            p->ucIntZoomMultiple = c.view.U8(ulQ);
            const uint8_t ucImgType = c.view.U8(ulQ + 1);
            if (ucImgType > FPPN_CALI_ERR_IMG_TYPE_FLOAT) {
                bBadBitWidth = true;
            } else {
                p->eFPPNErrImgType = static_cast<FPPN_CALI_ERR_IMG_TYPE>(ucImgType);
                if (p->ucIntZoomMultiple == 0) {
                    // The zoom divides every error of the image.
                    CaliLog(c.pLog, "------ ucIntZoomMultiple = 0\n");
                } else {
                    bImgLoaded = c.bFPPNImgLoaded || LoadFPPNErrImageV31(c, tg, ulQ + 2, ucImgType);
                }
            }
        }
        if (bImgLoaded) {
            p->pFPPNErrImgMM = *tg.ppFPPNErrImgMM;
            p->pFPPNErrImgMMFilter = *tg.ppFPPNErrImgMMFilter;
        }
    } else if (bWantsImg && ucPlacement == 1) {
        CaliLog(c.pLog, c.pcInCaliParasFPPN != nullptr
                            ? "------ pcInCaliParasFPPN != NULL, but have not load ErrImage!\n"
                            : "------ FPPN_ucFPPNErrImgType = 1, but pcInCaliParasFPPN = NULL\n");
    }

    if (bImgLoaded && bFitUsable) {
        return Succeed(t);
    }
    if (bImgLoaded) {
        if (ucType != 1) {
            CaliLog(c.pLog, "------ ucCaliFileType = %d\n", ucType);
            CaliLog(c.pLog, "       but FitParas load failed!\n");
        }
        p->ucCaliFileType = 1;
        return Succeed(t);
    }
    if (bFitUsable) {
        if (ucType != 2) {
            CaliLog(c.pLog, "------ ucCaliFileType = %d\n", ucType);
            CaliLog(c.pLog, "       but pcFPPNErrImg load failed!\n");
            if (bBadBitWidth) CaliLog(c.pLog, "       invalid ucImgBitWidth = %d\n", c.view.U8(ulQ + 1));
        }
        p->ucCaliFileType = 2;
        return Succeed(t);
    }
    CaliLog(c.pLog, "------ both pcFPPNErrImg & FitParas load failed!\n");
    Fail(c, t, FPPN_FAIL_INVALID_CALI_ERRIMG | FPPN_FAIL_INVALID_CALI_FITPARAS);
}

void LoadFPPNV3(LoadContext &c, const CALI_LOAD_TARGETS &tg, int iSlot, int iCaliIdx)
{
    const CALI_LOAD_TARGET<CALIPARAS_FPPN_V3> &t = tg.stFPPN[iSlot];
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const int k = iCaliIdx;
    const int f = c.ucFreqs;
    const uint32_t uiBits = CheckModule(c, 2 + 2 * f, kBitsFPPN, true, k, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const uint64_t ulQ = o + 5 + 41ull * f;
    if (!c.view.Has(o, ulQ - o)) return Fail(c, t, FPPN_FAIL_INVALID_CALI_FIRSTBYTEID);
    const uint8_t ucType = c.view.U8(o);

    CALIPARAS_FPPN_V3 *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, FPPN_FAIL_INVALID_CALI_ERRIMG_POINTER_8C);
    p->usCaliModFreqMHZ = c.pusFreqs[k];
    p->pstCaliSensorStatus = c.pstSensor;
    p->ucCaliFileType = ucType;
    p->fErrPrecisionMM = c.view.F32(o + 1);
    p->eFPPNErrImgType = FPPN_CALI_ERR_IMG_TYPE_CHAR;
    if (ucType == 0 || ucType > 3) return Fail(c, t, FPPN_FAIL_INVALID_CALI_FILETYPE);
    if (!IsUsableDivisor(p->fErrPrecisionMM)) return Fail(c, t, FPPN_FAIL_INVALID_CALI_PRECISION);
    const uint64_t ulBlock = o + 5 + 41ull * k;
    p->ucFitMode = c.view.U8(ulBlock);
    for (int i = 0; i < 10; ++i) p->fFPPNFitParas[i] = c.view.F32(ulBlock + 1 + 4ull * i);
    if (ucType != 1 && p->ucFitMode != 2 && p->ucFitMode != 3) return Fail(c, t, FPPN_FAIL_INVALID_CALI_FITPARAS);

    if (ucType == 1 || ucType == 3) {
        const uint64_t ulPixels = static_cast<uint64_t>(c.pstSensor->usCaliWidth) * c.pstSensor->usCaliHeight;
        if (!c.view.Has(ulQ, 1) || c.view.U8(ulQ) == 0 || !c.view.Has(ulQ + 1, ulPixels))
            return Fail(c, t, FPPN_FAIL_INVALID_CALI_ERRIMG);
        p->ucIntZoomMultiple = c.view.U8(ulQ);
        if (!c.bFPPNImgLoaded) {
            if (tg.ppFPPNErrImgMM == nullptr) return Fail(c, t, FPPN_FAIL_INVALID_CALI_ERRIMG);
            CALI_ReleaseFPPNErrImages(tg.ppFPPNErrImgMM, tg.ppFPPNErrImgMMFilter);
            void *pImg = GLB_CallocCounted(ulPixels, 1, t.puiBufferBytes);
            if (pImg == nullptr) return Fail(c, t, FPPN_FAIL_INVALID_CALI_ERRIMG_POINTER_8C);
            std::memcpy(pImg, c.view.At(ulQ + 1), ulPixels);
            *tg.ppFPPNErrImgMM = pImg;
            if (tg.puiFPPNErrImgBytes != nullptr) *tg.puiFPPNErrImgBytes = static_cast<uint32_t>(ulPixels);
            c.bFPPNImgLoaded = true;
        }
        p->pFPPNErrImgMM = *tg.ppFPPNErrImgMM;
        p->pFPPNErrImgMMFilter = nullptr;
    }
    Succeed(t);
}

void LoadWIG(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_WIG_V3> &t, int iCaliIdx)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const int k = iCaliIdx;
    const int f = c.ucFreqs;
    const uint32_t uiBits = CheckModule(c, ModuleIndex(c, 5 + 2 * f + k, 3 + 2 * f + k), kBitsWIG, true, k, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const bool bV31 = c.eVersion == CALI_PARAS_V3_1;
    const uint64_t b = bV31 ? o + 1 : o + 5;  // first field after type (and V3 precision)
    if (!c.view.Has(o, b - o)) return Fail(c, t, WIG_FAIL_INVALID_CALI_FIRSTBYTEID);

    CALIPARAS_WIG_V3 *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, WIG_FAIL_INVALID_CALIPARA_POINTER);
    p->usCaliModFreqMHZ = c.pusFreqs[k];
    p->ucCaliFileType = c.view.U8(o);
    p->fErrPrecisionMM = bV31 ? c.fErrPrecisionMM : c.view.F32(o + 1);
    if (p->ucCaliFileType == 0 || p->ucCaliFileType > 2) return Fail(c, t, WIG_FAIL_INVALID_CALI_FILETYPE);
    if (!IsUsableDivisor(p->fErrPrecisionMM)) return Fail(c, t, WIG_FAIL_INVALID_CALI_PRECISION);
    if (p->ucCaliFileType == 1) {
        if (!c.view.Has(b, 7)) return Fail(c, t, WIG_FAIL_INVALID_CALI_FIRSTBYTEID);
        p->usLUTLen = c.view.U16(b);
        p->ucDistIntZoomMultiple = c.view.U8(b + 2);
        p->ucErrIntZoomMultiple = c.view.U8(b + 3);
        p->usLUT_StartDistMM = c.view.U16(b + 4);
        p->ucLUT_StepDistMM = c.view.U8(b + 6);
        if (p->usLUTLen == 0) return Fail(c, t, WIG_FAIL_INVALID_CALI_LUT_LEN);
        if (p->ucDistIntZoomMultiple == 0) return Fail(c, t, WIG_FAIL_INVALID_CALI_DIST_ZOOM);
        // Both zooms divide table values in the correction.
        if (p->ucErrIntZoomMultiple == 0) return Fail(c, t, WIG_FAIL_INVALID_CALI_ERR_ZOOM);
        if (p->ucLUT_StepDistMM == 0) return Fail(c, t, WIG_FAIL_INVALID_CALI_LUT_STEP);
        if (!c.view.Has(b + 7, 2ull * p->usLUTLen)) return Fail(c, t, WIG_FAIL_INVALID_CALI_FIRSTBYTEID);
        p->psLUT_ErrMM = GLB_CallocArray<int16_t>(p->usLUTLen, t.puiBufferBytes);
        if (p->psLUT_ErrMM == nullptr) return Fail(c, t, WIG_FAIL_INVALID_CALI_LUT_ERR_POINTER);
        for (uint32_t i = 0; i < p->usLUTLen; ++i) p->psLUT_ErrMM[i] = c.view.I16(b + 7 + 2ull * i);
    } else {
        if (!c.view.Has(b, 2)) return Fail(c, t, WIG_FAIL_INVALID_CALI_FIRSTBYTEID);
        p->ucFitMode = c.view.U8(b);
        p->ucFitParasLen = c.view.U8(b + 1);
        if (p->ucFitMode != 1 && p->ucFitMode != 2) return Fail(c, t, WIG_FAIL_INVALID_CALI_FITMODE);
        if (p->ucFitParasLen == 0 || p->ucFitParasLen > CALI_MAX_WIG_FIT_PARAS)
            return Fail(c, t, WIG_FAIL_INVALID_CALI_FITPARAS_LEN);
        if (!c.view.Has(b + 2, 4ull * p->ucFitParasLen)) return Fail(c, t, WIG_FAIL_INVALID_CALI_FIRSTBYTEID);
        for (int i = 0; i < p->ucFitParasLen; ++i) p->fWigFitParas[i] = c.view.F32(b + 2 + 4ull * i);
    }
    Succeed(t);
}

void LoadREG(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_REG> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    const uint32_t uiBits = CheckModule(c, 5 + 3 * c.ucFreqs, kBitsREG, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    if (!c.view.Has(o, 121)) return Fail(c, t, REG_FAIL_INVALID_CALI_FIRSTBYTEID);
    CALIPARAS_REG *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, REG_FAIL_INVALID_CALIPARA_POINTER);
    p->pstCaliSensorStatus = c.pstSensor;
    for (int i = 0; i < 9; ++i) p->fTofIntrinsicMatrix[i] = c.view.F32(o + 4ull * i);
    for (int i = 0; i < 9; ++i) p->fRgbIntrinsicMatrix[i] = c.view.F32(o + 36 + 4ull * i);
    for (int i = 0; i < 9; ++i) p->fRotationMatrix[i] = c.view.F32(o + 72 + 4ull * i);
    for (int i = 0; i < 3; ++i) p->fTranslationMatrix[i] = c.view.F32(o + 108 + 4ull * i);
    p->bIsRgbCameraLeft = c.view.U8(o + 120);
    Succeed(t);
}

// Calibration geometry checks repeated by LUMA and PHASE_FPPN with their own
// bits; 0 when usable.
uint32_t CheckGeometry(const GLB_CALI_SENSOR_STATUS &s, uint32_t uiReso, uint32_t uiRawReso, uint32_t uiStart)
{
    if (s.usCaliWidth < 1 || s.usCaliWidth > CORR_MAX_IMG_WIDTH || s.usCaliHeight < 1 ||
        s.usCaliHeight > CORR_MAX_IMG_HEIGHT)
        return uiReso;
    if (s.usCaliPixelRawResoWidth < 1 || s.usCaliPixelRawResoWidth > CORR_MAX_IMG_WIDTH ||
        s.usCaliPixelRawResoHeight < 1 || s.usCaliPixelRawResoHeight > CORR_MAX_IMG_HEIGHT)
        return uiRawReso;
    if (s.usCaliPixelRoiStartX + s.usCaliWidth > s.usCaliPixelRawResoWidth ||
        s.usCaliPixelRoiStartY + s.usCaliHeight > s.usCaliPixelRawResoHeight)
        return uiStart;
    return 0;
}

void LoadLUMA(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_LUMA> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    uint32_t uiBits = CheckModule(c, 6 + 3 * c.ucFreqs, kBitsLUMA, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    uiBits = CheckGeometry(*c.pstSensor, LUMA_FAIL_INVALID_CALI_RESO, LUMA_FAIL_INVALID_CALI_RAW_RESO,
                           LUMA_FAIL_INVALID_CALI_START_RAW_XY);
    if (uiBits != 0) return Fail(c, t, uiBits);
    if (!c.view.Has(o, 3)) return Fail(c, t, LUMA_FAIL_INVALID_CALI_FIRSTBYTEID);
    const uint8_t ucType = c.view.U8(o);
    const uint8_t ucBX = c.view.U8(o + 1);
    const uint8_t ucBY = c.view.U8(o + 2);
    if (ucType >= 4) return Fail(c, t, LUMA_FAIL_INVALID_CALI_FILETYPE);
    if (ucType != LUMA_CALI_ERR_TYPE_BLOCK) return Fail(c, t, LUMA_FAIL_INVALID_CALI_LUMA_PARAS);
    if (ucBX == 0) return Fail(c, t, LUMA_FAIL_INVALID_CALI_BLOCK_X);
    if (ucBY == 0) return Fail(c, t, LUMA_FAIL_INVALID_CALI_BLOCK_Y);
    const uint32_t uiNX = c.pstSensor->usCaliWidth / ucBX;
    const uint32_t uiNY = c.pstSensor->usCaliHeight / ucBY;
    // The gains are interpolated between block centres: at least 2 x 2 blocks.
    if (uiNX < 2 || uiNY < 2) return Fail(c, t, LUMA_FAIL_INVALID_CALI_LUMA_PARAS);
    const uint64_t ulCount = static_cast<uint64_t>(uiNX) * uiNY;
    if (!c.view.Has(o + 3, 4 * ulCount)) return Fail(c, t, LUMA_FAIL_INVALID_CALI_FIRSTBYTEID);
    CALIPARAS_LUMA *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, LUMA_FAIL_INVALID_CALI_BUFFER);
    p->pstCaliSensorStatus = c.pstSensor;
    p->ucCaliFileType = ucType;
    p->ucBlockXpixel = ucBX;
    p->ucBlockYpixel = ucBY;
    p->fLumaFitParas = GLB_CallocArray<float>(ulCount, t.puiBufferBytes);
    if (p->fLumaFitParas == nullptr) return Fail(c, t, LUMA_FAIL_INVALID_CALI_BUFFER);
    for (uint64_t i = 0; i < ulCount; ++i) p->fLumaFitParas[i] = c.view.F32(o + 3 + 4 * i);
    Succeed(t);
}

void LoadPhaseFPPN(const LoadContext &c, const CALI_LOAD_TARGET<CALIPARAS_PHASE_FPPN> &t)
{
    if (!BeginModule(t)) return;
    uint32_t o = 0;
    uint32_t uiBits = CheckModule(c, 7 + 3 * c.ucFreqs, kBitsPhaseFPPN, false, 0, &o);
    if (uiBits != 0) return Fail(c, t, uiBits);
    uiBits = CheckGeometry(*c.pstSensor, PHASE_FPPN_FAIL_INVALID_CALI_RESO, PHASE_FPPN_FAIL_INVALID_CALI_RAW_RESO,
                           PHASE_FPPN_FAIL_INVALID_CALI_START_RAW_XY);
    if (uiBits != 0) return Fail(c, t, uiBits);
    const uint64_t ulCount = static_cast<uint64_t>(c.pstSensor->usCaliWidth) * c.pstSensor->usCaliHeight;
    if (!c.view.Has(o, 2 * ulCount)) return Fail(c, t, PHASE_FPPN_FAIL_INVALID_CALI_FIRSTBYTEID);
    CALIPARAS_PHASE_FPPN *p = AllocateRecord(t);
    if (p == nullptr) return Fail(c, t, PHASE_FPPN_FAIL_INVALID_CALI_BUFFER);
    p->pstCaliSensorStatus = c.pstSensor;
    p->ucIs2PhaseMode = c.ucIs2PhaseMode;
    p->usPhaseFPPNParas = GLB_CallocArray<uint16_t>(ulCount, t.puiBufferBytes);
    if (p->usPhaseFPPNParas == nullptr) return Fail(c, t, PHASE_FPPN_FAIL_INVALID_CALI_BUFFER);
    for (uint64_t i = 0; i < ulCount; ++i) p->usPhaseFPPNParas[i] = c.view.U16(o + 2 * i);
    Succeed(t);
}

// ---------------------------------------------------------------------------
// Header helpers shared by both versions.

// Reads the total length and checks it against the bytes given. 0 or the
// header's failure bit.
uint32_t ReadTotalLength(const CALI_BLOB &stBlob, uint32_t *puiTotal, const GLB_LogFile *pLog)
{
    if (stBlob.pcData == nullptr) {
        CaliLog(pLog, "\nCalibration file load failed: pcInCaliParas = NULL\n");
        return CPD3P1_FAIL_INVALID_CALIPARA_POINTER;
    }
    if (stBlob.uiBytes != 0 && stBlob.uiBytes < 4) {
        CaliLog(pLog, "\nCalibration file load failed: only %u bytes given\n", stBlob.uiBytes);
        return CPD3P1_FAIL_INVALID_CALI_FILELEN;
    }
    const uint32_t uiTotal = BlobView(stBlob.pcData, 4).U32(0);
    *puiTotal = uiTotal;
    if (uiTotal == 0) {
        CaliLog(pLog, "\nCalibration file load failed: uiTotalBytesLen = 0\n");
        return CPD3P1_FAIL_INVALID_CALI_FILELEN;
    }
    if (stBlob.uiBytes != 0 && uiTotal > stBlob.uiBytes) {
        CaliLog(pLog, "\nCalibration file load failed: uiTotalBytesLen = %u, but only %u bytes given\n", uiTotal,
                stBlob.uiBytes);
        return CPD3P1_FAIL_INVALID_CALI_FILELEN;
    }
    return 0;
}

uint32_t CheckCounts(uint8_t ucFreqs, uint8_t ucModules, const GLB_LogFile *pLog)
{
    if (ucFreqs == 0) {
        CaliLog(pLog, "\nCalibration file load failed: ucCaliModFreqsNum = 0\n");
        return CPD3P1_FAIL_INVALID_CALI_FREQNUM;
    }
    if (ucFreqs > CALI_MAX_FREQS) {
        CaliLog(pLog, "\nCalibration file load failed: ucCaliModFreqsNum = %d (at most %d)\n", ucFreqs,
                CALI_MAX_FREQS);
        return CPD3P1_FAIL_INVALID_CALI_FREQNUM;
    }
    if (ucModules == 0) {
        CaliLog(pLog, "\nCalibration file load failed: ucParasModulesNum = 0\n");
        return CPD3P1_FAIL_INVALID_CALI_MODULENUM;
    }
    if (ucModules > CALI_MAX_MODULES) {
        CaliLog(pLog, "\nCalibration file load failed: ucParasModulesNum = %d (at most %d)\n", ucModules,
                CALI_MAX_MODULES);
        return CPD3P1_FAIL_INVALID_CALI_MODULENUM;
    }
    return 0;
}

// Geometry of the calibration window; logs and returns false when unusable.
bool CheckCaliGeometry(const GLB_CALI_SENSOR_STATUS &s, const GLB_LogFile *pLog)
{
    if (s.usCaliWidth < 1 || s.usCaliWidth > CORR_MAX_IMG_WIDTH || s.usCaliHeight < 1 ||
        s.usCaliHeight > CORR_MAX_IMG_HEIGHT) {
        CaliLog(pLog, "\nCalibration file load failed: usCaliWidth or usCaliHeight invalid\n");
        return false;
    }
    if (s.usCaliPixelRawResoWidth < 1 || s.usCaliPixelRawResoWidth > CORR_MAX_IMG_WIDTH ||
        s.usCaliPixelRawResoHeight < 1 || s.usCaliPixelRawResoHeight > CORR_MAX_IMG_HEIGHT) {
        CaliLog(pLog, "\nCalibration file load failed: usCaliPixelRawResoWidth or usCaliPixelRawResoHeight invalid\n");
        return false;
    }
    // The window must lie inside the sensor array.
    if (s.usCaliPixelRoiStartX + s.usCaliWidth > s.usCaliPixelRawResoWidth ||
        s.usCaliPixelRoiStartY + s.usCaliHeight > s.usCaliPixelRawResoHeight) {
        CaliLog(pLog, "\nCalibration file load failed: usCaliPixelRoiStartX or usCaliPixelRoiStartY invalid\n");
        return false;
    }
    return true;
}

// Nominal slot frequency rounded up to whole MHz, or -1 when unusable.
int SlotFreqCeil(float fMHz)
{
    if (!(fMHz > 0.0f && fMHz <= 65535.0f)) return -1;
    return static_cast<int>(std::ceil(fMHz));
}

int NumSlots(const GLB_FIXVAR *pstFixVar)
{
    return pstFixVar->ucModFreqsNum < CALI_MAX_FREQS ? pstFixVar->ucModFreqsNum : CALI_MAX_FREQS;
}

void LoadFrequencyModules(LoadContext &c, const CALI_LOAD_TARGETS &tg, GLB_FIXVAR *pstFixVar,
                          const int (&iCaliIdx)[CALI_MAX_FREQS])
{
    const int iSlots = NumSlots(pstFixVar);
    for (int s = 0; s < iSlots; ++s) LoadT(c, tg.stT[s], iCaliIdx[s]);
    const BBOOL bT0 = tg.stT[0].pbCaliParaLoadSucc != nullptr ? *tg.stT[0].pbCaliParaLoadSucc : FALSE;
    pstFixVar->eTDriverType = (iSlots > 0 && bT0 == TRUE && tg.stT[0].ppstCaliParas && *tg.stT[0].ppstCaliParas)
                                  ? (*tg.stT[0].ppstCaliParas)->eTDriverType
                                  : T_DRIVER_UNKNOWN;
    for (int s = 0; s < iSlots; ++s) LoadOFS(c, tg.stOFS[s], iCaliIdx[s]);
    for (int s = 0; s < iSlots; ++s) {
        if (c.eVersion == CALI_PARAS_V3_1)
            LoadFPPNV31(c, tg, s, iCaliIdx[s]);
        else
            LoadFPPNV3(c, tg, s, iCaliIdx[s]);
    }
    for (int s = 0; s < iSlots; ++s) LoadWIG(c, tg.stWIG[s], iCaliIdx[s]);
}

}  // namespace

// ---------------------------------------------------------------------------

CALI_PARAS_VERSION CALI_GetCaliParasVersion(const CALI_BLOB &stBlob)
{
    if (stBlob.pcData == nullptr) return CALI_PARAS_UNKNOWN;
    const bool bKnownSize = stBlob.uiBytes != 0;
    const char *pcText = stBlob.pcData + 4;
    if ((!bKnownSize || stBlob.uiBytes >= 14) && std::memcmp(pcText, "CALI0300 V", 10) == 0) return CALI_PARAS_V3_1;
    if (bKnownSize && stBlob.uiBytes < 12) return CALI_PARAS_UNKNOWN;
    if (std::memcmp(pcText, "CALI0301", 8) == 0) return CALI_PARAS_V3_1;
    if (std::memcmp(pcText, "CALI0300", 8) == 0) return CALI_PARAS_V3;
    return CALI_PARAS_UNKNOWN;
}

CORR_PIXEL_BINNING_MODE GLB_CheckAndCorrectCaliBinningType(uint16_t usRawWidth, uint16_t usRawHeight,
                                                           uint16_t usCaliWidth, uint16_t usCaliHeight,
                                                           uint8_t ucStoredType, const GLB_LogFile *pLog)
{
    const int iStepX = usCaliWidth != 0 ? usRawWidth / usCaliWidth : 0;
    const int iStepY = usCaliHeight != 0 ? usRawHeight / usCaliHeight : 0;
    CORR_PIXEL_BINNING_MODE eDerived = CORR_PIXEL_BINNING_OFF;
    if (iStepX == 2 && iStepY == 1)
        eDerived = CORR_PIXEL_BINNING_1x2;
    else if (iStepX == 1 && iStepY == 2)
        eDerived = CORR_PIXEL_BINNING_2x1;
    else if (iStepX == 2 && iStepY == 2)
        eDerived = CORR_PIXEL_BINNING_2x2;
    else if (iStepX == 4 && iStepY == 4)
        eDerived = CORR_PIXEL_BINNING_4x4;
    if (ucStoredType != static_cast<uint8_t>(eDerived)) {
        CaliLog(pLog, "\nAbnormal in calibration file:\n");
        CaliLog(pLog, "------ eCaliBinningMode = %d\n", ucStoredType);
        CaliLog(pLog, "       but usCaliHeight = %d, usCaliWidth = %d\n", usCaliHeight, usCaliWidth);
        CaliLog(pLog, "------ Notice: eCaliBinningMode has been corrected as %d\n", static_cast<int>(eDerived));
    }
    return eDerived;
}

uint32_t CPD3P1_LoadCaliParasFromIn_Common(const CALI_BLOB &stBlob, CPD3P1_COMPARA *pstCom, const GLB_LogFile *pLog)
{
    std::memset(pstCom, 0, sizeof *pstCom);
    uint32_t uiTotal = 0;
    uint32_t uiFlag = ReadTotalLength(stBlob, &uiTotal, pLog);
    if (uiFlag != 0) return uiFlag;
    const BlobView v(stBlob.pcData, uiTotal);
    pstCom->uiTotalBytesLen = uiTotal;
    if (!v.Has(0, 55)) {
        CaliLog(pLog, "\nCalibration file load failed: header exceeds uiTotalBytesLen = %u\n", uiTotal);
        return CPD3P1_FAIL_INVALID_CALI_FILELEN;
    }
    CopyText(pstCom->cVersion, sizeof pstCom->cVersion, v, 4);
    CopyText(pstCom->cCaliArithVersion, sizeof pstCom->cCaliArithVersion, v, 13);
    CopyText(pstCom->cSensorID, sizeof pstCom->cSensorID, v, 29);
    const uint8_t f = v.U8(53);
    const uint8_t m = v.U8(54);
    pstCom->ucCaliModFreqsNum = f;
    pstCom->ucParasModulesNum = m;
    if ((uiFlag = CheckCounts(f, m, pLog)) != 0) return uiFlag;
    const uint64_t p = 55 + 5ull * m + 4ull * f;
    if (!v.Has(0, p + 21)) {
        CaliLog(pLog, "\nCalibration file load failed: header exceeds uiTotalBytesLen = %u\n", uiTotal);
        return CPD3P1_FAIL_INVALID_CALI_FILELEN;
    }
    for (int i = 0; i < m; ++i) pstCom->uiParasFirstByteId[i] = v.U32(55 + 4ull * i);
    for (int i = 0; i < m; ++i) pstCom->ucParasValidFlag[i] = v.U8(55 + 4ull * m + i);
    for (int k = 0; k < f; ++k) pstCom->usCaliModFreqMHZ[k] = v.U16(55 + 5ull * m + 2ull * k);
    for (int k = 0; k < f; ++k) pstCom->usCaliExpoTimeUS[k] = v.U16(55 + 5ull * m + 2ull * f + 2ull * k);
    pstCom->usCaliWidth = v.U16(p);
    pstCom->usCaliHeight = v.U16(p + 2);
    pstCom->usPixelRawResoWidth = v.U16(p + 4);
    pstCom->usPixelRawResoHeight = v.U16(p + 6);
    pstCom->usPixelOutStartRawX = v.U16(p + 8);
    pstCom->usPixelOutStartRawY = v.U16(p + 10);
    pstCom->ucCaliFlipMode = v.U8(p + 12);
    pstCom->ucCaliBinningType = v.U8(p + 13);
    pstCom->ucPixelPhaseMode = v.U8(p + 16);
    pstCom->fErrPrecisionMM = v.F32(p + 17);

    // Optional trailing fields: present only while the header has not reached
    // module 0 and the blob still holds them; the first absent field and all
    // after it read as 0.
    uint64_t pos = p + 21;
    const uint64_t ulModule0 = pstCom->uiParasFirstByteId[0];
    auto bPresent = [&](uint64_t ulBytes) {
        if (ulModule0 == pos) return false;
        if (ulModule0 > pos && pos + ulBytes > ulModule0) return false;
        return v.Has(pos, ulBytes);
    };
    if (bPresent(4)) {
        pstCom->fMaxFreqMHz = v.F32(pos);
        pos += 4;
        if (bPresent(1)) {
            pstCom->ucCaliWigType = v.U8(pos++);
            if (bPresent(1)) {
                pstCom->ucIsPluseMode = v.U8(pos++);
                if (bPresent(1)) pstCom->ucIs2PhaseMode = v.U8(pos++);
            }
        }
    }
    pstCom->uiHeaderBytes = static_cast<uint32_t>(pos);
    return 0;
}

uint32_t CPD3_LoadCaliParasFromIn_Common(const CALI_BLOB &stBlob, CPD3_COMPARA *pstCom, const GLB_LogFile *pLog)
{
    std::memset(pstCom, 0, sizeof *pstCom);
    uint32_t uiTotal = 0;
    uint32_t uiFlag = ReadTotalLength(stBlob, &uiTotal, pLog);
    if (uiFlag != 0) return uiFlag;
    const BlobView v(stBlob.pcData, uiTotal);
    pstCom->uiTotalBytesLen = uiTotal;
    if (!v.Has(0, 39)) {
        CaliLog(pLog, "\nCalibration file load failed: header exceeds uiTotalBytesLen = %u\n", uiTotal);
        return CPD3_FAIL_INVALID_CALI_FILELEN;
    }
    CopyText(pstCom->cVersion, sizeof pstCom->cVersion, v, 4);
    CopyText(pstCom->cSensorID, sizeof pstCom->cSensorID, v, 13);
    const uint8_t f = v.U8(37);
    const uint8_t m = v.U8(38);
    pstCom->ucCaliModFreqsNum = f;
    pstCom->ucParasModulesNum = m;
    if ((uiFlag = CheckCounts(f, m, pLog)) != 0) return uiFlag;
    const uint64_t p = 42 + 5ull * m + 4ull * f;
    if (!v.Has(0, p + 14)) {
        CaliLog(pLog, "\nCalibration file load failed: header exceeds uiTotalBytesLen = %u\n", uiTotal);
        return CPD3_FAIL_INVALID_CALI_FILELEN;
    }
    for (int i = 0; i < m; ++i) pstCom->uiParasFirstByteId[i] = v.U32(39 + 4ull * i);
    for (int i = 0; i < m; ++i) pstCom->ucParasValidFlag[i] = v.U8(39 + 4ull * m + i);
    pstCom->ucIsLenCaliFirst = v.U8(39 + 5ull * m);
    pstCom->ucIsTCaliFirst = v.U8(40 + 5ull * m);
    pstCom->ucOrderOfsWigFppn = v.U8(41 + 5ull * m);
    for (int k = 0; k < f; ++k) pstCom->usCaliModFreqMHZ[k] = v.U16(42 + 5ull * m + 2ull * k);
    for (int k = 0; k < f; ++k) pstCom->usCaliExpoTimeUS[k] = v.U16(42 + 5ull * m + 2ull * f + 2ull * k);
    pstCom->usCaliWidth = v.U16(p);
    pstCom->usCaliHeight = v.U16(p + 2);
    pstCom->usPixelRawResoWidth = v.U16(p + 4);
    pstCom->usPixelRawResoHeight = v.U16(p + 6);
    pstCom->usPixelOutStartRawX = v.U16(p + 8);
    pstCom->usPixelOutStartRawY = v.U16(p + 10);
    pstCom->ucCaliFlipMode = v.U8(p + 12);
    pstCom->ucCaliBinningType = v.U8(p + 13);
    pstCom->uiHeaderBytes = static_cast<uint32_t>(p + 14);
    return 0;
}

BBOOL CPD3P1_LoadCaliParasFromIn(const CALI_BLOB &stBlob, const char *pcInCaliParasFPPN,
                                 const char *pcInCaliParasFPN, CALI_LOAD_TARGETS *pstTargets,
                                 GLB_FIXVAR *pstFixVar, const GLB_LogFile *pLog)
{
    (void)pcInCaliParasFPN;  // accepted; no layout is defined for its contents
    if (pstTargets == nullptr || pstFixVar == nullptr) return FALSE;
    CPD3P1_COMPARA stCom;
    if (CPD3P1_LoadCaliParasFromIn_Common(stBlob, &stCom, pLog) != 0) return FALSE;

    GLB_CALI_SENSOR_STATUS &s = pstFixVar->stCaliSensorStatus;
    const CORR_PIXEL_BINNING_MODE eBinning =
        GLB_CheckAndCorrectCaliBinningType(stCom.usPixelRawResoWidth, stCom.usPixelRawResoHeight, stCom.usCaliWidth,
                                           stCom.usCaliHeight, stCom.ucCaliBinningType, pLog);

    // Maximum (PLL) frequency: an integer in MHz, so only a finite value in
    // the uint16 range is taken.
    uint16_t usMaxFreq = 0;
    if (stCom.fMaxFreqMHz > 1e-6f) {
        if (std::isfinite(stCom.fMaxFreqMHz) && stCom.fMaxFreqMHz < 65536.0f) {
            pstFixVar->bMaxFreqLoadFromCaliParas = TRUE;
            pstFixVar->iMaxFreqFromCali = static_cast<int>(stCom.fMaxFreqMHz);
            usMaxFreq = static_cast<uint16_t>(stCom.fMaxFreqMHz);
        } else {
            CaliLog(pLog, "\nAbnormal in calibration file: fMaxFreqMHz = %f ignored\n", stCom.fMaxFreqMHz);
        }
    }

    int iCaliIdx[CALI_MAX_FREQS];
    for (int slot = 0; slot < CALI_MAX_FREQS; ++slot) {
        iCaliIdx[slot] = -1;
        const int iFreq = SlotFreqCeil(pstFixVar->fModFreqsMHZ[slot]);
        for (int k = 0; k < stCom.ucCaliModFreqsNum && iFreq > 0; ++k) {
            if (stCom.usCaliModFreqMHZ[k] == iFreq) {
                iCaliIdx[slot] = k;
                break;
            }
        }
    }

    s.usCaliWidth = stCom.usCaliWidth;
    s.usCaliHeight = stCom.usCaliHeight;
    s.usCaliMaxFreq = usMaxFreq;
    s.usCaliPixelRawResoWidth = stCom.usPixelRawResoWidth;
    s.usCaliPixelRawResoHeight = stCom.usPixelRawResoHeight;
    s.usCaliPixelRoiStartX = stCom.usPixelOutStartRawX;
    s.usCaliPixelRoiStartY = stCom.usPixelOutStartRawY;
    s.ucCaliFlipMode = stCom.ucCaliFlipMode;
    s.eCaliBinningMode = eBinning;
    s.ucCaliPixelLowResoStepX = 1;
    s.ucCaliPixelLowResoStepY = 1;
    s.eCaliPhaseMode = static_cast<CORR_PIXEL_PHASE_MODE>(stCom.ucPixelPhaseMode);
    if (!CheckCaliGeometry(s, pLog)) return FALSE;

    LoadContext c;
    c.view = BlobView(stBlob.pcData, stCom.uiTotalBytesLen);
    c.bHeaderOk = true;
    c.eVersion = CALI_PARAS_V3_1;
    c.ucFreqs = stCom.ucCaliModFreqsNum;
    c.ucModules = stCom.ucParasModulesNum;
    c.puiFirstByteId = stCom.uiParasFirstByteId;
    c.pucValidFlag = stCom.ucParasValidFlag;
    c.pusFreqs = stCom.usCaliModFreqMHZ;
    c.uiHeaderBytes = stCom.uiHeaderBytes;
    c.fErrPrecisionMM = stCom.fErrPrecisionMM;
    c.ucIs2PhaseMode = stCom.ucIs2PhaseMode;
    c.pstSensor = &s;
    c.pcInCaliParasFPPN = pcInCaliParasFPPN;
    c.pLog = pLog;

    const CALI_LOAD_TARGETS &tg = *pstTargets;
    LoadBP(c, tg.stBP);
    LoadMask(c, tg.stMASK);
    LoadLEN(c, tg.stLEN);
    LoadFrequencyModules(c, tg, pstFixVar, iCaliIdx);
    LoadFPN(c, tg.stFPN);
    LoadLUMA(c, tg.stLUMA);
    LoadPhaseFPPN(c, tg.stPhaseFPPN);
    LoadREG(c, tg.stREG);
    return TRUE;
}

BBOOL CPD3_LoadCaliParasFromIn(const CALI_BLOB &stBlob, CALI_LOAD_TARGETS *pstTargets, GLB_FIXVAR *pstFixVar,
                               const GLB_LogFile *pLog)
{
    if (pstTargets == nullptr || pstFixVar == nullptr) return FALSE;
    CPD3_COMPARA stCom;
    if (CPD3_LoadCaliParasFromIn_Common(stBlob, &stCom, pLog) != 0) return FALSE;

    GLB_CALI_SENSOR_STATUS &s = pstFixVar->stCaliSensorStatus;
    const CORR_PIXEL_BINNING_MODE eBinning =
        GLB_CheckAndCorrectCaliBinningType(stCom.usPixelRawResoWidth, stCom.usPixelRawResoHeight, stCom.usCaliWidth,
                                           stCom.usCaliHeight, stCom.ucCaliBinningType, pLog);

    // V3 calibrates one frequency set: only the first slot whose nominal
    // frequency equals the first calibration frequency gets index 0.
    int iCaliIdx[CALI_MAX_FREQS] = {-1, -1, -1, -1};
    for (int slot = 0; slot < CALI_MAX_FREQS; ++slot) {
        const int iFreq = SlotFreqCeil(pstFixVar->fModFreqsMHZ[slot]);
        if (iFreq > 0 && iFreq == stCom.usCaliModFreqMHZ[0]) {
            iCaliIdx[slot] = 0;
            break;
        }
    }

    s.usCaliWidth = stCom.usCaliWidth;
    s.usCaliHeight = stCom.usCaliHeight;
    s.usCaliMaxFreq = 0;
    s.usCaliPixelRawResoWidth = stCom.usPixelRawResoWidth;
    s.usCaliPixelRawResoHeight = stCom.usPixelRawResoHeight;
    s.usCaliPixelRoiStartX = stCom.usPixelOutStartRawX;
    s.usCaliPixelRoiStartY = stCom.usPixelOutStartRawY;
    s.ucCaliFlipMode = stCom.ucCaliFlipMode;
    s.eCaliBinningMode = eBinning;
    s.ucCaliPixelLowResoStepX = 1;
    s.ucCaliPixelLowResoStepY = 1;
    s.eCaliPhaseMode = CORR_PIXEL_PHASE_MODE_OFF;
    if (!CheckCaliGeometry(s, pLog)) return FALSE;

    LoadContext c;
    c.view = BlobView(stBlob.pcData, stCom.uiTotalBytesLen);
    c.bHeaderOk = true;
    c.eVersion = CALI_PARAS_V3;
    c.ucFreqs = stCom.ucCaliModFreqsNum;
    c.ucModules = stCom.ucParasModulesNum;
    c.puiFirstByteId = stCom.uiParasFirstByteId;
    c.pucValidFlag = stCom.ucParasValidFlag;
    c.pusFreqs = stCom.usCaliModFreqMHZ;
    c.uiHeaderBytes = stCom.uiHeaderBytes;
    c.pstSensor = &s;
    c.pLog = pLog;

    const CALI_LOAD_TARGETS &tg = *pstTargets;
    LoadBP(c, tg.stBP);
    LoadLEN(c, tg.stLEN);
    LoadFrequencyModules(c, tg, pstFixVar, iCaliIdx);
    LoadFPN(c, tg.stFPN);
    LoadREG(c, tg.stREG);
    return TRUE;
}

namespace {
template <typename Record>
void MarkUncalibrated(const CALI_LOAD_TARGET<Record> &t, uint32_t uiBit)
{
    if (t.ppstCaliParas == nullptr) return;
    MarkFailed(t, uiBit);
}
}  // namespace

void CALI_MarkAllUncalibrated(CALI_LOAD_TARGETS *pstTargets)
{
    if (pstTargets == nullptr) return;
    CALI_LOAD_TARGETS &tg = *pstTargets;
    MarkUncalibrated(tg.stBP, BP_FAIL_INVALID_INCALIPARA);
    MarkUncalibrated(tg.stLEN, LEN_FAIL_INVALID_INCALIPARA);
    for (int s = 0; s < CALI_MAX_FREQS; ++s) {
        MarkUncalibrated(tg.stT[s], T_FAIL_INVALID_INCALIPARA);
        MarkUncalibrated(tg.stOFS[s], OFS_FAIL_INVALID_INCALIPARA);
        MarkUncalibrated(tg.stFPPN[s], FPPN_FAIL_INVALID_INCALIPARA);
        MarkUncalibrated(tg.stWIG[s], WIG_FAIL_INVALID_INCALIPARA);
    }
    MarkUncalibrated(tg.stFPN, FPN_FAIL_INVALID_INCALIPARA);
    MarkUncalibrated(tg.stLUMA, LUMA_FAIL_INVALID_INCALIPARA);
    MarkUncalibrated(tg.stREG, REG_FAIL_INVALID_INCALIPARA);
    // The mask and the phase FPPN only lose their load flag.
    if (tg.stMASK.pbCaliParaLoadSucc != nullptr) *tg.stMASK.pbCaliParaLoadSucc = FALSE;
    if (tg.stPhaseFPPN.pbCaliParaLoadSucc != nullptr) *tg.stPhaseFPPN.pbCaliParaLoadSucc = FALSE;
}

BBOOL CALI_LoadCaliParas(const CALI_BLOB &stBlob, const char *pcInCaliParasFPPN, const char *pcInCaliParasFPN,
                         CALI_LOAD_TARGETS *pstTargets, GLB_FIXVAR *pstFixVar, const GLB_LogFile *pLog)
{
    if (pstFixVar == nullptr) return FALSE;
    const CALI_PARAS_VERSION eVersion = CALI_GetCaliParasVersion(stBlob);
    pstFixVar->eCaliParasVersion = eVersion;
    BBOOL bLoaded = FALSE;
    if (stBlob.pcData == nullptr) {
        CaliLog(pLog, "\nCalibration file load failed: pcInCaliParas = NULL\n");
    } else if (eVersion == CALI_PARAS_V3_1) {
        bLoaded = CPD3P1_LoadCaliParasFromIn(stBlob, pcInCaliParasFPPN, pcInCaliParasFPN, pstTargets, pstFixVar, pLog);
    } else if (eVersion == CALI_PARAS_V3) {
        bLoaded = CPD3_LoadCaliParasFromIn(stBlob, pstTargets, pstFixVar, pLog);
    } else {
        CaliLog(pLog, "\nCalibration file load failed: unknown calibration version\n");
    }
    pstFixVar->bLoadCaliParasSuccFlag = bLoaded;
    if (bLoaded != TRUE) CALI_MarkAllUncalibrated(pstTargets);
    return bLoaded;
}

// ---------------------------------------------------------------------------
// Release.

void CALI_ReleaseCaliParas(CALIPARAS_BP_V3 **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free((*ppst)->pcoor2sBPList);
    std::free((*ppst)->psBPRowsList);
    std::free((*ppst)->psBPColsList);
    std::free(*ppst);
    *ppst = nullptr;
}
void CALI_ReleaseCaliParas(CALIPARAS_MASK **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free((*ppst)->pusMaskValidCoorXMinList);
    std::free((*ppst)->pusMaskValidCoorXMaxList);
    std::free((*ppst)->pucCaliMaskImg);
    std::free(*ppst);
    *ppst = nullptr;
}
void CALI_ReleaseCaliParas(CALIPARAS_FPN **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free((*ppst)->psCaliFPNErr);
    std::free(*ppst);
    *ppst = nullptr;
}
void CALI_ReleaseCaliParas(CALIPARAS_WIG_V3 **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free((*ppst)->psLUT_ErrMM);
    std::free(*ppst);
    *ppst = nullptr;
}
void CALI_ReleaseCaliParas(CALIPARAS_LUMA **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free((*ppst)->fLumaFitParas);
    std::free(*ppst);
    *ppst = nullptr;
}
void CALI_ReleaseCaliParas(CALIPARAS_PHASE_FPPN **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free((*ppst)->usPhaseFPPNParas);
    std::free(*ppst);
    *ppst = nullptr;
}
namespace {
template <typename Record>
void ReleasePlain(Record **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    std::free(*ppst);
    *ppst = nullptr;
}
}  // namespace
void CALI_ReleaseCaliParas(CALIPARAS_LEN_V3 **ppst) { ReleasePlain(ppst); }
void CALI_ReleaseCaliParas(CALIPARAS_T_V3 **ppst) { ReleasePlain(ppst); }
void CALI_ReleaseCaliParas(CALIPARAS_OFS **ppst) { ReleasePlain(ppst); }
void CALI_ReleaseCaliParas(CALIPARAS_REG **ppst) { ReleasePlain(ppst); }
// The FPPN record only points at the shared images.
void CALI_ReleaseCaliParas(CALIPARAS_FPPN_V3 **ppst) { ReleasePlain(ppst); }

void CALI_ReleaseFPPNErrImages(void **ppImg, void **ppImgFilter)
{
    if (ppImg != nullptr) {
        std::free(*ppImg);
        *ppImg = nullptr;
    }
    if (ppImgFilter != nullptr) {
        std::free(*ppImgFilter);
        *ppImgFilter = nullptr;
    }
}

void CALI_ReleaseAll(CALI_LOAD_TARGETS *pstTargets)
{
    if (pstTargets == nullptr) return;
    CALI_LOAD_TARGETS &tg = *pstTargets;
    CALI_ReleaseCaliParas(tg.stBP.ppstCaliParas);
    CALI_ReleaseCaliParas(tg.stMASK.ppstCaliParas);
    CALI_ReleaseCaliParas(tg.stLEN.ppstCaliParas);
    for (int s = 0; s < CALI_MAX_FREQS; ++s) {
        CALI_ReleaseCaliParas(tg.stT[s].ppstCaliParas);
        CALI_ReleaseCaliParas(tg.stOFS[s].ppstCaliParas);
        CALI_ReleaseCaliParas(tg.stFPPN[s].ppstCaliParas);
        CALI_ReleaseCaliParas(tg.stWIG[s].ppstCaliParas);
    }
    CALI_ReleaseCaliParas(tg.stFPN.ppstCaliParas);
    CALI_ReleaseCaliParas(tg.stLUMA.ppstCaliParas);
    CALI_ReleaseCaliParas(tg.stPhaseFPPN.ppstCaliParas);
    CALI_ReleaseCaliParas(tg.stREG.ppstCaliParas);
    CALI_ReleaseFPPNErrImages(tg.ppFPPNErrImgMM, tg.ppFPPNErrImgMMFilter);
}

}  // namespace NAMESPACE_CORR
