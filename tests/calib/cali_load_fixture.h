// Test fixture for the calibration loader: storage for every module target
// of a two-to-four slot handle and a helper that loads a blob given as bytes
// (copied into a buffer of exactly that size, so a read past its end trips
// the address sanitizer).
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "Correct/cali_paras.h"

namespace calib_test {

using namespace NAMESPACE_CORR;

struct LoadedCali {
    CALIPARAS_BP_V3 *bp = nullptr;
    CALIPARAS_MASK *mask = nullptr;
    CALIPARAS_LEN_V3 *len = nullptr;
    CALIPARAS_T_V3 *t[4] = {};
    CALIPARAS_OFS *ofs[4] = {};
    CALIPARAS_FPPN_V3 *fppn[4] = {};
    CALIPARAS_WIG_V3 *wig[4] = {};
    CALIPARAS_FPN *fpn = nullptr;
    CALIPARAS_LUMA *luma = nullptr;
    CALIPARAS_PHASE_FPPN *phase = nullptr;
    CALIPARAS_REG *reg = nullptr;
    void *fppnImg = nullptr;
    void *fppnImgFilter = nullptr;
    uint32_t fppnImgBytes = 0;
    uint32_t bytes = 0;

    // Load flag and load-result word of each module target.
    struct Result {
        BBOOL ok = 0;
        uint32_t flag = 0;
    };
    Result rBP, rMask, rLEN, rT[4], rOFS[4], rFPPN[4], rWIG[4], rFPN, rLUMA, rPhase, rREG;

    GLB_FIXVAR fix{};
    CALI_LOAD_TARGETS targets;

    // slotsMHz: nominal frequency of each slot of the handle; withPhaseFppn:
    // the handle has a phase-FPPN module (two-phase data).
    explicit LoadedCali(std::vector<float> slotsMHz = {100.0f, 80.0f}, bool withPhaseFppn = true)
    {
        fix.ucModFreqsNum = static_cast<uint8_t>(slotsMHz.size());
        for (size_t i = 0; i < slotsMHz.size() && i < 4; ++i) fix.fModFreqsMHZ[i] = slotsMHz[i];
        bind(targets.stBP, &bp, rBP);
        bind(targets.stMASK, &mask, rMask);
        bind(targets.stLEN, &len, rLEN);
        for (size_t s = 0; s < slotsMHz.size() && s < 4; ++s) {
            bind(targets.stT[s], &t[s], rT[s]);
            bind(targets.stOFS[s], &ofs[s], rOFS[s]);
            bind(targets.stFPPN[s], &fppn[s], rFPPN[s]);
            bind(targets.stWIG[s], &wig[s], rWIG[s]);
        }
        bind(targets.stFPN, &fpn, rFPN);
        bind(targets.stLUMA, &luma, rLUMA);
        if (withPhaseFppn) bind(targets.stPhaseFPPN, &phase, rPhase);
        bind(targets.stREG, &reg, rREG);
        targets.ppFPPNErrImgMM = &fppnImg;
        targets.ppFPPNErrImgMMFilter = &fppnImgFilter;
        targets.puiFPPNErrImgBytes = &fppnImgBytes;
    }
    ~LoadedCali() { CALI_ReleaseAll(&targets); }
    LoadedCali(const LoadedCali &) = delete;
    LoadedCali &operator=(const LoadedCali &) = delete;

    // Loads `blob`; `given` bytes are readable (default: all of them).
    BBOOL load(const std::vector<uint8_t> &blob, const GLB_LogFile *log = nullptr)
    {
        return load(blob, static_cast<uint32_t>(blob.size()), log);
    }
    BBOOL load(const std::vector<uint8_t> &blob, uint32_t given, const GLB_LogFile *log)
    {
        // Exactly `given` bytes on the heap (at least one so the pointer is valid).
        std::vector<char> exact(given > 0 ? given : 1);
        if (given > 0) std::memcpy(exact.data(), blob.data(), std::min<size_t>(given, blob.size()));
        CALI_BLOB b;
        b.pcData = exact.data();
        b.uiBytes = given;
        return CALI_LoadCaliParas(b, nullptr, nullptr, &targets, &fix, log);
    }

private:
    template <typename R>
    void bind(CALI_LOAD_TARGET<R> &t, R **pp, Result &r)
    {
        t.ppstCaliParas = pp;
        t.pbCaliParaLoadSucc = &r.ok;
        t.puiCaliParaLoadSuccFlag = &r.flag;
        t.puiBufferBytes = &bytes;
    }
};

}  // namespace calib_test
