// Module records of the calibrated correction modules (bad pixels, mask,
// lens, temperature, offset, FPPN, wiggling, gray FPN, luminance, phase
// FPPN): their variables with the defaults of InitGlbVars, and the buffer
// records that own the calibration parameter records. The correction passes
// add their working buffers to these records.
#ifndef CORR_CORRECT_CALI_MODULES_H
#define CORR_CORRECT_CALI_MODULES_H

#include "Common/glb_buffers.h"
#include "Correct/cali_paras.h"

namespace NAMESPACE_CORR {

typedef struct CorrectBP_Global_Variables {
    BBOOL bEnableInitOnce;
    BBOOL bEnableCorrect;
    uint8_t ucBPCorrectMethod;  // 0 normal, 1 inpaint
    BBOOL bEnableDetectBPAuto;
    uint8_t ucCorrectNearRadius;
    BBOOL bHasThisFrmInitOnce;
    BBOOL bHasThisFlagCreated;
    BBOOL bCaliParaLoadSucc;
    uint32_t uiCaliParaLoadSuccFlag;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
} BP_GLBVAR;
typedef struct CorrectBP_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_BP_V3 *pstCaliParas;
} BP_GLB_BUFFERS;

typedef struct CorrectMASK_Global_Variables {
    BBOOL bEnableInitOnce;
    BBOOL bEnableCorrect;
    BBOOL bHasMaskCreated;
    BBOOL bCaliParaLoadSucc;
    uint32_t uiCaliParaLoadSuccFlag;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} MASK_GLBVAR;
typedef struct CorrectMASK_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_MASK *pstCaliParas;
} MASK_GLB_BUFFERS;

typedef struct CorrectFPN_Global_Variables {
    BBOOL bEnableInitOnce;
    BBOOL bEnableCorrect;
    BBOOL bFPNColsErrMeanNearZero;
    BBOOL bHasFPNColsErrCreated;
    BBOOL bCaliParaLoadSucc;
    uint32_t uiCaliParaLoadSuccFlag;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} FPN_GLBVAR;
typedef struct CorrectFPN_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_FPN *pstCaliParas;
} FPN_GLB_BUFFERS;

typedef struct CorrectLuma_Global_Variables {
    BBOOL bEnableInitOnce;
    BBOOL bEnableCorrect;
    BBOOL bHasLumaErrImgCreated;
    BBOOL bCaliParaLoadSucc;
    uint32_t uiCaliParaLoadSuccFlag;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} LUMA_GLBVAR;
typedef struct CorrectLUMA_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_LUMA *pstCaliParas;
} LUMA_GLB_BUFFERS;

typedef struct CorrectLEN_Global_Variables {
    BBOOL bEnableInitOnce;
    float fFOVZoomCoef;
    BBOOL bEnableCorrect;
    BBOOL bEnableFillUnvalidPixels;
    BBOOL bEnableCutUnvalidPixels;
    BBOOL bEnableFillUnvalidPixels_LastFrame;
    BBOOL bEnableCutUnvalidPixels_LastFrame;
    uint8_t ucIntBilinearCoefLeftShift;
    BBOOL bHasThisFrmInitOnce;
    BBOOL bHasThisMapCreated;
    BBOOL bHasUpdatedCaliParasOut;
    BBOOL bCaliParaLoadSucc;
    uint32_t uiCaliParaLoadSuccFlag;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} LEN_GLBVAR;
typedef struct CorrectLEN_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_LEN_V3 *pstCaliParas;
} LEN_GLB_BUFFERS;

typedef struct TCorrect_Global_Variables {
    BBOOL bEnableInitOnce[4];
    BBOOL bEnableCorrect;
    int16_t sThisTempOffsetLSB[4];
    BBOOL bCaliParaLoadSucc[4];
    uint32_t uiCaliParaLoadSuccFlag[4];
} T_GLBVAR;
typedef struct TCorrect_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_T_V3 *pstCaliParas[4];
} T_GLB_BUFFERS;

typedef struct CorrectOffset_Global_Variables {
    BBOOL bEnableInitOnce[4];
    BBOOL bEnableCorrect;
    BBOOL bEnableCombineCorrectOfsFppn;
    BBOOL bHasOffsetErrCreated[4];
    BBOOL bCaliParaLoadSucc[4];
    uint32_t uiCaliParaLoadSuccFlag[4];
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} OFS_GLBVAR;
typedef struct CorrectOffset_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_OFS *pstCaliParas[4];
} OFS_GLB_BUFFERS;

typedef struct CorrectFPPN_Global_Variables {
    BBOOL bEnableInitOnce[4];
    BBOOL bEnableCorrect;
    BBOOL bHasErrImgCreated[4];
    BBOOL bCaliParaLoadSucc[4];
    uint32_t uiCaliParaLoadSuccFlag[4];
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} FPPN_GLBVAR;
typedef struct CorrectFPPN_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_FPPN_V3 *pstCaliParas[4];
    void *pCaliErrImageMM;        // calibration error image shared by the slots
    void *pCaliErrImageMMFilter;  // its 3 x 3 mean
    uint32_t uiCaliErrImageBytes;  // bytes of each of the two
} FPPN_GLB_BUFFERS;

typedef struct CorrectWIG_Global_Variables {
    BBOOL bEnableInitOnce[4];
    BBOOL bEnableCorrect;
    BBOOL bHasLUTCreated[4];
    BBOOL bCaliParaLoadSucc[4];
    uint32_t uiCaliParaLoadSuccFlag[4];
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} WIG_GLBVAR;
typedef struct CorrectWIG_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_WIG_V3 *pstCaliParas[4];
} WIG_GLB_BUFFERS;

typedef struct CorrectPhaseFPPN_Global_Variables {
    BBOOL bEnableInitOnce;
    BBOOL bHasPhaseFPPNCreated;
    BBOOL bCaliParaLoadSucc;
    uint32_t uiCaliParaLoadSuccFlag;
    CALI_CORR_PIXEL_MODE eCaliCorrPixelMode;
    COOR_MAP *pstCoorMap;
} PHASE_FPPN_GLBVAR;
typedef struct CorrectPhaseFPPN_Global_Buffer_Pointer {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CALIPARAS_PHASE_FPPN *pstCaliParas;
} PHASE_FPPN_GLB_BUFFERS;

// Record pattern operations (the per-frequency modules take the number of
// frequency slots, 1 to 4).
BP_GLB_BUFFERS *BP_AllocateFixGlbBuffers();
MASK_GLB_BUFFERS *MASK_AllocateFixGlbBuffers();
LEN_GLB_BUFFERS *LEN_AllocateFixGlbBuffers();
FPN_GLB_BUFFERS *FPN_AllocateFixGlbBuffers();
LUMA_GLB_BUFFERS *LUMA_AllocateFixGlbBuffers();
PHASE_FPPN_GLB_BUFFERS *PHASE_FPPN_AllocateFixGlbBuffers();
T_GLB_BUFFERS *T_AllocateFixGlbBuffers(int iFreqsNum);
OFS_GLB_BUFFERS *OFS_AllocateFixGlbBuffers(int iFreqsNum);
FPPN_GLB_BUFFERS *FPPN_AllocateFixGlbBuffers(int iFreqsNum);
WIG_GLB_BUFFERS *WIG_AllocateFixGlbBuffers(int iFreqsNum);

void BP_InitGlbVars(BP_GLB_BUFFERS *pst);
void MASK_InitGlbVars(MASK_GLB_BUFFERS *pst);
void LEN_InitGlbVars(LEN_GLB_BUFFERS *pst);
void FPN_InitGlbVars(FPN_GLB_BUFFERS *pst);
void LUMA_InitGlbVars(LUMA_GLB_BUFFERS *pst);
void PHASE_FPPN_InitGlbVars(PHASE_FPPN_GLB_BUFFERS *pst);
void T_InitGlbVars(T_GLB_BUFFERS *pst);
void OFS_InitGlbVars(OFS_GLB_BUFFERS *pst);
void FPPN_InitGlbVars(FPPN_GLB_BUFFERS *pst);
void WIG_InitGlbVars(WIG_GLB_BUFFERS *pst);

// Free the record, its variables and its calibration records; null *pp.
void BP_ReleaseGlbBuffers(void **pp);
void MASK_ReleaseGlbBuffers(void **pp);
void LEN_ReleaseGlbBuffers(void **pp);
void FPN_ReleaseGlbBuffers(void **pp);
void LUMA_ReleaseGlbBuffers(void **pp);
void PHASE_FPPN_ReleaseGlbBuffers(void **pp);
void T_ReleaseGlbBuffers(void **pp);
void OFS_ReleaseGlbBuffers(void **pp);
void FPPN_ReleaseGlbBuffers(void **pp);
void WIG_ReleaseGlbBuffers(void **pp);

// The calibrated modules of a handle as a group, for Init and Release:
// allocates the records the handle lacks (phase FPPN only for two-phase
// data), counting them into the handle's fixed bytes; 1 when all exist.
BBOOL CALI_AllocateCaliModules(GLB_BUFFERS *pstGlbBuffers);
void CALI_InitCaliModulesGlbVars(GLB_BUFFERS *pstGlbBuffers);
void CALI_ReleaseCaliModules(GLB_BUFFERS *pstGlbBuffers);

// Loader targets pointing into the module records of the handle (modules
// the handle lacks stay null).
void CALI_BindLoadTargets(GLB_BUFFERS *pstGlbBuffers, CALI_LOAD_TARGETS *pstTargets);

// Init step of the calibration: loads pcInCaliParas (uiInCaliParasBytes
// long, 0 when unknown) into the module records and fills the handle's
// calibration fields. A blob that is given but rejected as a whole raises
// CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER: the library then runs
// without calibration, as with no blob.
void CALI_LoadCaliParasAtInit(GLB_BUFFERS *pstGlbBuffers, const CORR_FIXPARA *pstFixParas,
                              unsigned int *puiInitAbnormalFlag, const GLB_LogFile &log);

}  // namespace NAMESPACE_CORR

#endif  // CORR_CORRECT_CALI_MODULES_H
