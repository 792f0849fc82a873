#include "Correct/cali_modules.h"

#include <cstring>

namespace NAMESPACE_CORR {

namespace {

template <typename Buffers, typename Vars>
Vars *VarsOf(Buffers *pst)
{
    return pst != nullptr ? static_cast<Vars *>(pst->stHead.pstGlbVars) : nullptr;
}

// Stores a new record of the module into *ppSlot unless one exists, and
// counts it into the handle's fixed bytes. False when it cannot be had.
template <typename Buffers, typename Vars>
bool EnsureRecord(void **ppSlot, uint32_t *puiBytes)
{
    if (*ppSlot != nullptr) return true;
    Buffers *pst = GLB_AllocateModuleRecord<Buffers, Vars>();
    if (pst == nullptr) return false;
    *puiBytes += pst->stHead.uiFixBufferBytes;
    *ppSlot = pst;
    return true;
}

}  // namespace

BP_GLB_BUFFERS *BP_AllocateFixGlbBuffers() { return GLB_AllocateModuleRecord<BP_GLB_BUFFERS, BP_GLBVAR>(); }
MASK_GLB_BUFFERS *MASK_AllocateFixGlbBuffers() { return GLB_AllocateModuleRecord<MASK_GLB_BUFFERS, MASK_GLBVAR>(); }
LEN_GLB_BUFFERS *LEN_AllocateFixGlbBuffers() { return GLB_AllocateModuleRecord<LEN_GLB_BUFFERS, LEN_GLBVAR>(); }
FPN_GLB_BUFFERS *FPN_AllocateFixGlbBuffers() { return GLB_AllocateModuleRecord<FPN_GLB_BUFFERS, FPN_GLBVAR>(); }
LUMA_GLB_BUFFERS *LUMA_AllocateFixGlbBuffers() { return GLB_AllocateModuleRecord<LUMA_GLB_BUFFERS, LUMA_GLBVAR>(); }
PHASE_FPPN_GLB_BUFFERS *PHASE_FPPN_AllocateFixGlbBuffers()
{
    return GLB_AllocateModuleRecord<PHASE_FPPN_GLB_BUFFERS, PHASE_FPPN_GLBVAR>();
}
// The per-frequency records hold all four slots; the count only has to be valid.
T_GLB_BUFFERS *T_AllocateFixGlbBuffers(int iFreqsNum)
{
    return iFreqsNum >= 1 && iFreqsNum <= 4 ? GLB_AllocateModuleRecord<T_GLB_BUFFERS, T_GLBVAR>() : nullptr;
}
OFS_GLB_BUFFERS *OFS_AllocateFixGlbBuffers(int iFreqsNum)
{
    return iFreqsNum >= 1 && iFreqsNum <= 4 ? GLB_AllocateModuleRecord<OFS_GLB_BUFFERS, OFS_GLBVAR>() : nullptr;
}
FPPN_GLB_BUFFERS *FPPN_AllocateFixGlbBuffers(int iFreqsNum)
{
    return iFreqsNum >= 1 && iFreqsNum <= 4 ? GLB_AllocateModuleRecord<FPPN_GLB_BUFFERS, FPPN_GLBVAR>() : nullptr;
}
WIG_GLB_BUFFERS *WIG_AllocateFixGlbBuffers(int iFreqsNum)
{
    return iFreqsNum >= 1 && iFreqsNum <= 4 ? GLB_AllocateModuleRecord<WIG_GLB_BUFFERS, WIG_GLBVAR>() : nullptr;
}

void BP_InitGlbVars(BP_GLB_BUFFERS *pst)
{
    BP_GLBVAR *v = VarsOf<BP_GLB_BUFFERS, BP_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    v->bEnableInitOnce = 1;
    v->bEnableCorrect = 1;
    v->ucCorrectNearRadius = 1;
}
void MASK_InitGlbVars(MASK_GLB_BUFFERS *pst)
{
    MASK_GLBVAR *v = VarsOf<MASK_GLB_BUFFERS, MASK_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    v->bEnableInitOnce = 1;
}
void LEN_InitGlbVars(LEN_GLB_BUFFERS *pst)
{
    LEN_GLBVAR *v = VarsOf<LEN_GLB_BUFFERS, LEN_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    v->bEnableInitOnce = 1;
    v->fFOVZoomCoef = 1.0f;
    v->bEnableCorrect = 1;
    v->bEnableFillUnvalidPixels = 1;
    v->bEnableCutUnvalidPixels = 1;
    v->bEnableFillUnvalidPixels_LastFrame = 1;
    v->bEnableCutUnvalidPixels_LastFrame = 1;
    v->ucIntBilinearCoefLeftShift = 7;
}
void FPN_InitGlbVars(FPN_GLB_BUFFERS *pst)
{
    FPN_GLBVAR *v = VarsOf<FPN_GLB_BUFFERS, FPN_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    v->bEnableInitOnce = 1;
    v->bEnableCorrect = 1;
}
void LUMA_InitGlbVars(LUMA_GLB_BUFFERS *pst)
{
    LUMA_GLBVAR *v = VarsOf<LUMA_GLB_BUFFERS, LUMA_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    v->bEnableInitOnce = 1;
    v->bEnableCorrect = 1;
}
void PHASE_FPPN_InitGlbVars(PHASE_FPPN_GLB_BUFFERS *pst)
{
    PHASE_FPPN_GLBVAR *v = VarsOf<PHASE_FPPN_GLB_BUFFERS, PHASE_FPPN_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    v->bEnableInitOnce = 1;
}
void T_InitGlbVars(T_GLB_BUFFERS *pst)
{
    T_GLBVAR *v = VarsOf<T_GLB_BUFFERS, T_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    for (auto &b : v->bEnableInitOnce) b = 1;
    v->bEnableCorrect = 1;
}
void OFS_InitGlbVars(OFS_GLB_BUFFERS *pst)
{
    OFS_GLBVAR *v = VarsOf<OFS_GLB_BUFFERS, OFS_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    for (auto &b : v->bEnableInitOnce) b = 1;
    v->bEnableCorrect = 1;
    v->bEnableCombineCorrectOfsFppn = 1;
}
void FPPN_InitGlbVars(FPPN_GLB_BUFFERS *pst)
{
    FPPN_GLBVAR *v = VarsOf<FPPN_GLB_BUFFERS, FPPN_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    for (auto &b : v->bEnableInitOnce) b = 1;
    v->bEnableCorrect = 1;
}
void WIG_InitGlbVars(WIG_GLB_BUFFERS *pst)
{
    WIG_GLBVAR *v = VarsOf<WIG_GLB_BUFFERS, WIG_GLBVAR>(pst);
    if (v == nullptr) return;
    std::memset(v, 0, sizeof *v);
    for (auto &b : v->bEnableInitOnce) b = 1;
    v->bEnableCorrect = 1;
}

void BP_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    CALI_ReleaseCaliParas(&static_cast<BP_GLB_BUFFERS *>(*pp)->pstCaliParas);
    GLB_ReleaseModuleRecord<BP_GLB_BUFFERS, BP_GLBVAR>(pp);
}
void MASK_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    CALI_ReleaseCaliParas(&static_cast<MASK_GLB_BUFFERS *>(*pp)->pstCaliParas);
    GLB_ReleaseModuleRecord<MASK_GLB_BUFFERS, MASK_GLBVAR>(pp);
}
void LEN_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    CALI_ReleaseCaliParas(&static_cast<LEN_GLB_BUFFERS *>(*pp)->pstCaliParas);
    GLB_ReleaseModuleRecord<LEN_GLB_BUFFERS, LEN_GLBVAR>(pp);
}
void FPN_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    CALI_ReleaseCaliParas(&static_cast<FPN_GLB_BUFFERS *>(*pp)->pstCaliParas);
    GLB_ReleaseModuleRecord<FPN_GLB_BUFFERS, FPN_GLBVAR>(pp);
}
void LUMA_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    CALI_ReleaseCaliParas(&static_cast<LUMA_GLB_BUFFERS *>(*pp)->pstCaliParas);
    GLB_ReleaseModuleRecord<LUMA_GLB_BUFFERS, LUMA_GLBVAR>(pp);
}
void PHASE_FPPN_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    CALI_ReleaseCaliParas(&static_cast<PHASE_FPPN_GLB_BUFFERS *>(*pp)->pstCaliParas);
    GLB_ReleaseModuleRecord<PHASE_FPPN_GLB_BUFFERS, PHASE_FPPN_GLBVAR>(pp);
}
void T_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    for (auto &p : static_cast<T_GLB_BUFFERS *>(*pp)->pstCaliParas) CALI_ReleaseCaliParas(&p);
    GLB_ReleaseModuleRecord<T_GLB_BUFFERS, T_GLBVAR>(pp);
}
void OFS_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    for (auto &p : static_cast<OFS_GLB_BUFFERS *>(*pp)->pstCaliParas) CALI_ReleaseCaliParas(&p);
    GLB_ReleaseModuleRecord<OFS_GLB_BUFFERS, OFS_GLBVAR>(pp);
}
void FPPN_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    auto *pst = static_cast<FPPN_GLB_BUFFERS *>(*pp);
    for (auto &p : pst->pstCaliParas) CALI_ReleaseCaliParas(&p);
    CALI_ReleaseFPPNErrImages(&pst->pCaliErrImageMM, &pst->pCaliErrImageMMFilter);
    GLB_ReleaseModuleRecord<FPPN_GLB_BUFFERS, FPPN_GLBVAR>(pp);
}
void WIG_ReleaseGlbBuffers(void **pp)
{
    if (pp == nullptr || *pp == nullptr) return;
    for (auto &p : static_cast<WIG_GLB_BUFFERS *>(*pp)->pstCaliParas) CALI_ReleaseCaliParas(&p);
    GLB_ReleaseModuleRecord<WIG_GLB_BUFFERS, WIG_GLBVAR>(pp);
}

BBOOL CALI_AllocateCaliModules(GLB_BUFFERS *pst)
{
    if (pst == nullptr || pst->pstGlbFixVars == nullptr) return 0;
    uint32_t *puiBytes = &pst->uiFixBufferBytes;
    const int iFreqs = pst->pstGlbFixVars->ucModFreqsNum;
    // Per-frequency modules need at least one slot.
    const bool bFreqs = iFreqs >= 1 && iFreqs <= 4;
    bool bOk = EnsureRecord<BP_GLB_BUFFERS, BP_GLBVAR>(&pst->pGlbBuffer_BP, puiBytes);
    bOk = EnsureRecord<MASK_GLB_BUFFERS, MASK_GLBVAR>(&pst->pGlbBuffer_MASK, puiBytes) && bOk;
    bOk = EnsureRecord<LEN_GLB_BUFFERS, LEN_GLBVAR>(&pst->pGlbBuffer_LEN, puiBytes) && bOk;
    if (bFreqs) {
        bOk = EnsureRecord<T_GLB_BUFFERS, T_GLBVAR>(&pst->pGlbBuffer_T, puiBytes) && bOk;
        bOk = EnsureRecord<FPPN_GLB_BUFFERS, FPPN_GLBVAR>(&pst->pGlbBuffer_FPPN, puiBytes) && bOk;
        bOk = EnsureRecord<WIG_GLB_BUFFERS, WIG_GLBVAR>(&pst->pGlbBuffer_WIG, puiBytes) && bOk;
    }
    bOk = EnsureRecord<FPN_GLB_BUFFERS, FPN_GLBVAR>(&pst->pGlbBuffer_FPN, puiBytes) && bOk;
    bOk = EnsureRecord<LUMA_GLB_BUFFERS, LUMA_GLBVAR>(&pst->pGlbBuffer_LUMA, puiBytes) && bOk;
    if (bFreqs) bOk = EnsureRecord<OFS_GLB_BUFFERS, OFS_GLBVAR>(&pst->pGlbBuffer_OFS, puiBytes) && bOk;
    if (pst->pstGlbFixVars->ucDepthPhaseNum == 2)
        bOk = EnsureRecord<PHASE_FPPN_GLB_BUFFERS, PHASE_FPPN_GLBVAR>(&pst->pGlbBuffer_PhaseFPPN, puiBytes) && bOk;
    return bOk ? 1 : 0;
}

void CALI_InitCaliModulesGlbVars(GLB_BUFFERS *pst)
{
    if (pst == nullptr) return;
    BP_InitGlbVars(static_cast<BP_GLB_BUFFERS *>(pst->pGlbBuffer_BP));
    MASK_InitGlbVars(static_cast<MASK_GLB_BUFFERS *>(pst->pGlbBuffer_MASK));
    LEN_InitGlbVars(static_cast<LEN_GLB_BUFFERS *>(pst->pGlbBuffer_LEN));
    T_InitGlbVars(static_cast<T_GLB_BUFFERS *>(pst->pGlbBuffer_T));
    FPPN_InitGlbVars(static_cast<FPPN_GLB_BUFFERS *>(pst->pGlbBuffer_FPPN));
    WIG_InitGlbVars(static_cast<WIG_GLB_BUFFERS *>(pst->pGlbBuffer_WIG));
    FPN_InitGlbVars(static_cast<FPN_GLB_BUFFERS *>(pst->pGlbBuffer_FPN));
    LUMA_InitGlbVars(static_cast<LUMA_GLB_BUFFERS *>(pst->pGlbBuffer_LUMA));
    OFS_InitGlbVars(static_cast<OFS_GLB_BUFFERS *>(pst->pGlbBuffer_OFS));
    PHASE_FPPN_InitGlbVars(static_cast<PHASE_FPPN_GLB_BUFFERS *>(pst->pGlbBuffer_PhaseFPPN));
}

void CALI_ReleaseCaliModules(GLB_BUFFERS *pst)
{
    if (pst == nullptr) return;
    BP_ReleaseGlbBuffers(&pst->pGlbBuffer_BP);
    MASK_ReleaseGlbBuffers(&pst->pGlbBuffer_MASK);
    LEN_ReleaseGlbBuffers(&pst->pGlbBuffer_LEN);
    T_ReleaseGlbBuffers(&pst->pGlbBuffer_T);
    FPPN_ReleaseGlbBuffers(&pst->pGlbBuffer_FPPN);
    WIG_ReleaseGlbBuffers(&pst->pGlbBuffer_WIG);
    FPN_ReleaseGlbBuffers(&pst->pGlbBuffer_FPN);
    LUMA_ReleaseGlbBuffers(&pst->pGlbBuffer_LUMA);
    OFS_ReleaseGlbBuffers(&pst->pGlbBuffer_OFS);
    PHASE_FPPN_ReleaseGlbBuffers(&pst->pGlbBuffer_PhaseFPPN);
}

namespace {
template <typename Record, typename Vars>
void BindSingle(CALI_LOAD_TARGET<Record> &t, Record **pp, Vars *v, uint32_t *puiBytes)
{
    if (v == nullptr) return;
    t.ppstCaliParas = pp;
    t.pbCaliParaLoadSucc = &v->bCaliParaLoadSucc;
    t.puiCaliParaLoadSuccFlag = &v->uiCaliParaLoadSuccFlag;
    t.puiBufferBytes = puiBytes;
}
template <typename Record, typename Vars>
void BindSlots(CALI_LOAD_TARGET<Record> (&t)[CALI_MAX_FREQS], Record *(&pp)[4], Vars *v, int iSlots,
               uint32_t *puiBytes)
{
    if (v == nullptr) return;
    for (int s = 0; s < iSlots && s < CALI_MAX_FREQS; ++s) {
        t[s].ppstCaliParas = &pp[s];
        t[s].pbCaliParaLoadSucc = &v->bCaliParaLoadSucc[s];
        t[s].puiCaliParaLoadSuccFlag = &v->uiCaliParaLoadSuccFlag[s];
        t[s].puiBufferBytes = puiBytes;
    }
}
}  // namespace

void CALI_BindLoadTargets(GLB_BUFFERS *pst, CALI_LOAD_TARGETS *pstTargets)
{
    *pstTargets = CALI_LOAD_TARGETS{};
    if (pst == nullptr || pst->pstGlbFixVars == nullptr) return;
    uint32_t *puiBytes = &pst->uiFixBufferBytes;
    const int iSlots = pst->pstGlbFixVars->ucModFreqsNum;
    if (auto *p = static_cast<BP_GLB_BUFFERS *>(pst->pGlbBuffer_BP))
        BindSingle(pstTargets->stBP, &p->pstCaliParas, VarsOf<BP_GLB_BUFFERS, BP_GLBVAR>(p), puiBytes);
    if (auto *p = static_cast<MASK_GLB_BUFFERS *>(pst->pGlbBuffer_MASK))
        BindSingle(pstTargets->stMASK, &p->pstCaliParas, VarsOf<MASK_GLB_BUFFERS, MASK_GLBVAR>(p), puiBytes);
    if (auto *p = static_cast<LEN_GLB_BUFFERS *>(pst->pGlbBuffer_LEN))
        BindSingle(pstTargets->stLEN, &p->pstCaliParas, VarsOf<LEN_GLB_BUFFERS, LEN_GLBVAR>(p), puiBytes);
    if (auto *p = static_cast<FPN_GLB_BUFFERS *>(pst->pGlbBuffer_FPN))
        BindSingle(pstTargets->stFPN, &p->pstCaliParas, VarsOf<FPN_GLB_BUFFERS, FPN_GLBVAR>(p), puiBytes);
    if (auto *p = static_cast<LUMA_GLB_BUFFERS *>(pst->pGlbBuffer_LUMA))
        BindSingle(pstTargets->stLUMA, &p->pstCaliParas, VarsOf<LUMA_GLB_BUFFERS, LUMA_GLBVAR>(p), puiBytes);
    if (auto *p = static_cast<PHASE_FPPN_GLB_BUFFERS *>(pst->pGlbBuffer_PhaseFPPN))
        BindSingle(pstTargets->stPhaseFPPN, &p->pstCaliParas,
                   VarsOf<PHASE_FPPN_GLB_BUFFERS, PHASE_FPPN_GLBVAR>(p), puiBytes);
    if (auto *p = static_cast<T_GLB_BUFFERS *>(pst->pGlbBuffer_T))
        BindSlots(pstTargets->stT, p->pstCaliParas, VarsOf<T_GLB_BUFFERS, T_GLBVAR>(p), iSlots, puiBytes);
    if (auto *p = static_cast<OFS_GLB_BUFFERS *>(pst->pGlbBuffer_OFS))
        BindSlots(pstTargets->stOFS, p->pstCaliParas, VarsOf<OFS_GLB_BUFFERS, OFS_GLBVAR>(p), iSlots, puiBytes);
    if (auto *p = static_cast<WIG_GLB_BUFFERS *>(pst->pGlbBuffer_WIG))
        BindSlots(pstTargets->stWIG, p->pstCaliParas, VarsOf<WIG_GLB_BUFFERS, WIG_GLBVAR>(p), iSlots, puiBytes);
    if (auto *p = static_cast<FPPN_GLB_BUFFERS *>(pst->pGlbBuffer_FPPN)) {
        BindSlots(pstTargets->stFPPN, p->pstCaliParas, VarsOf<FPPN_GLB_BUFFERS, FPPN_GLBVAR>(p), iSlots, puiBytes);
        pstTargets->ppFPPNErrImgMM = &p->pCaliErrImageMM;
        pstTargets->ppFPPNErrImgMMFilter = &p->pCaliErrImageMMFilter;
        pstTargets->puiFPPNErrImgBytes = &p->uiCaliErrImageBytes;
    }
}

void CALI_LoadCaliParasAtInit(GLB_BUFFERS *pst, const CORR_FIXPARA *pstFixParas, unsigned int *puiInitAbnormalFlag,
                              const GLB_LogFile &log)
{
    if (pst == nullptr || pst->pstGlbFixVars == nullptr || pstFixParas == nullptr) return;
    CALI_LOAD_TARGETS stTargets;
    CALI_BindLoadTargets(pst, &stTargets);
    CALI_BLOB stBlob;
    stBlob.pcData = pstFixParas->pcInCaliParas;
    stBlob.uiBytes = pstFixParas->uiInCaliParasBytes;
    const BBOOL bLoaded = CALI_LoadCaliParas(stBlob, pstFixParas->pcInCaliParasFPPN, pstFixParas->pcInCaliParasFPN,
                                             &stTargets, pst->pstGlbFixVars, &log);
    // A null blob is reported by the parameter validation; a blob that was
    // given but cannot be used is reported the same way, not as success.
    if (bLoaded != 1 && pstFixParas->pcInCaliParas != nullptr && puiInitAbnormalFlag != nullptr) {
        *puiInitAbnormalFlag |= CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER;
        log.Write("\n    CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER:\n");
        log.Write("    ------ oryntcorrInit() -> CORR_FIXPARA* pstFixParas -> pcInCaliParas: invalid\n");
    }
}

}  // namespace NAMESPACE_CORR
