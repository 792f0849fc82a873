#include "Common/glb_debug.h"

namespace NAMESPACE_CORR {

DBG_GLB_BUFFERS *DBG_AllocateFixGlbBuffers()
{
    return GLB_AllocateModuleRecord<DBG_GLB_BUFFERS, DBG_GLB_VARS>();
}

void DBG_InitGlbVars(DBG_GLB_BUFFERS *pst)
{
    DBG_GLB_VARS *pstVars = DBG_Vars(pst);
    if (pstVars == nullptr) return;
    pstVars->stHead.bEnableInitOnce = 1;
    pstVars->bEnableCostTime = 0;
}

BBOOL DBG_AllocateDynGlbBuffers(DBG_GLB_BUFFERS *pst)
{
    if (pst == nullptr) return 0;
    if (pst->pstRunCostTime == nullptr) {
        pst->pstRunCostTime = GLB_CallocArray<CORR_RUN_COSTTIME>(1, &pst->stHead.uiDynBufferBytes);
    }
    return pst->pstRunCostTime != nullptr ? 1 : 0;
}

void DBG_ReleaseGlbBuffers(void **ppst)
{
    if (ppst == nullptr || *ppst == nullptr) return;
    auto *pst = static_cast<DBG_GLB_BUFFERS *>(*ppst);
    GLB_FreeArray(&pst->pstRunCostTime, 1, &pst->stHead.uiDynBufferBytes);
    GLB_ReleaseModuleRecord<DBG_GLB_BUFFERS, DBG_GLB_VARS>(ppst);
}

}  // namespace NAMESPACE_CORR
