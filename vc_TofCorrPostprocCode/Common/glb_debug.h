// Diagnostics module record (DBG_): whether cost times are measured, and the
// cost-time records of Init and of one frame. Follows the module
// buffer-record pattern of glb_buffers.h.
#ifndef CORR_COMMON_GLB_DEBUG_H
#define CORR_COMMON_GLB_DEBUG_H

#include <chrono>

#include "Common/glb_buffers.h"

namespace NAMESPACE_CORR {

// Cost times of one frame, milliseconds.
typedef struct Correction_RunCostTime {
    float fCostTimeMS_ParseInputData;
    float fCostTimeMS_PreCalculate;
    float fCostTimeMS_PreprocessData;
    float fCostTImeMS_DataSwapHighLowBits;
    float fCostTimeMS_SubBgPhase;
    BBOOL bEnableCostTime_DataSwapHighLowBits;
    BBOOL bEnableCostTime_SubBgPhase;
    float fCostTimeMS_InitEachFrame;
    float fCostTimeMS_WorkMode;
    float fCostTimeMS_Total;
} CORR_RUN_COSTTIME;

typedef struct Debug_GlobalVariables {
    GLB_MODULE_VARS_HEAD stHead;
    BBOOL bEnableCostTime;      // Init was called with its cost-time switch at 1
} DBG_GLB_VARS;

typedef struct Debug_GlobalBuffers {
    GLB_MODULE_BUFFERS_HEAD stHead;
    CORR_RUN_COSTTIME *pstRunCostTime; // allocated only when cost times are measured
} DBG_GLB_BUFFERS;

DBG_GLB_BUFFERS *DBG_AllocateFixGlbBuffers();
void DBG_InitGlbVars(DBG_GLB_BUFFERS *pst);
// Allocates the frame cost-time record; 1 on success.
BBOOL DBG_AllocateDynGlbBuffers(DBG_GLB_BUFFERS *pst);
void DBG_ReleaseGlbBuffers(void **ppst);

inline DBG_GLB_VARS *DBG_Vars(void *pRecord)
{
    if (pRecord == nullptr) return nullptr;
    return static_cast<DBG_GLB_VARS *>(static_cast<DBG_GLB_BUFFERS *>(pRecord)->stHead.pstGlbVars);
}

// Milliseconds since a start point of the steady clock.
inline float DBG_ElapsedMS(std::chrono::steady_clock::time_point tStart)
{
    return std::chrono::duration<float, std::milli>(std::chrono::steady_clock::now() - tStart).count();
}

}  // namespace NAMESPACE_CORR

#endif  // CORR_COMMON_GLB_DEBUG_H
