// Live-handle registry and the handle check of SetDynamicConfig and
// RunCorrection.
#include <mutex>
#include <unordered_set>

#include "_Main/mainc_handle.h"

namespace NAMESPACE_CORR {

namespace {
// Handles returned by Init and not yet released. A pointer that is not in
// here (a released handle, a copy of one) is refused before anything is
// read through it.
std::mutex &RegistryMutex()
{
    static std::mutex m;
    return m;
}
std::unordered_set<const void *> &Registry()
{
    static std::unordered_set<const void *> s;
    return s;
}
}  // namespace

void MAINC_RegisterHandle(const void *p)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry().insert(p);
}

void MAINC_UnregisterHandle(const void *p)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    Registry().erase(p);
}

bool MAINC_IsLiveHandle(const void *p)
{
    std::lock_guard<std::mutex> lock(RegistryMutex());
    return Registry().count(p) != 0;
}

GLB_BUFFERS *MAINC_CheckGlbBuffer(void *pGlbBuffer, unsigned int *puiSuccFlag, const GLB_LogFile &log)
{
    if (pGlbBuffer == nullptr) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_OUTER_BUFFER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTER_BUFFER:\n");
        log.Write("    ------ Error: the input pGlbBuffer == NULL\n");
        return nullptr;
    }
    auto *pst = static_cast<GLB_BUFFERS *>(pGlbBuffer);
    if (!MAINC_IsLiveHandle(pGlbBuffer) || pst->pGlbBufferAddress != pGlbBuffer) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_OUTER_BUFFER | CORR_ARITH_FAIL_OUTER_BUFFER_CHANGED;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTER_BUFFER | CORR_ARITH_FAIL_OUTER_BUFFER_CHANGED:\n");
        log.Write("    ------ Error: the input pGlbBuffer has been changed\n");
        return nullptr;
    }
    if (pst->pstGlbFixVars == nullptr) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_OUTER_BUFFER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTER_BUFFER:\n");
        log.Write("    ------ Error: the input pstGlbBuffers->pstGlbFixVars == NULL\n");
        return nullptr;
    }
    if (pst->pstGlbOutDatas == nullptr) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_OUTER_BUFFER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTER_BUFFER:\n");
        log.Write("    ------ Error: the input pstGlbBuffers->pstGlbOutDatas == NULL\n");
        return nullptr;
    }
    if (pst->pstGlbDynBuffers == nullptr) {
        *puiSuccFlag |= CORR_ARITH_FAIL_INVALID_OUTER_BUFFER;
        log.Write("\n    CORR_ARITH_FAIL_INVALID_OUTER_BUFFER:\n");
        log.Write("    ------ Error: the input pstGlbBuffers->pstGlbDynBuffers == NULL\n");
        return nullptr;
    }
    return pst;
}

}  // namespace NAMESPACE_CORR
