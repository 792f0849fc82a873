#include "Common/glb_buffers.h"

#include <atomic>
#include <cstdlib>

namespace NAMESPACE_CORR {

namespace {
// Counted allocations left before one injected failure; negative: off.
std::atomic<int> g_iAllocFailCountdown{-1};

bool ShouldFailThisAllocation()
{
    int n = g_iAllocFailCountdown.load(std::memory_order_relaxed);
    while (n >= 0) {
        if (g_iAllocFailCountdown.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) {
            return n == 0;
        }
    }
    return false;
}
}  // namespace

void GLB_SetAllocationFailureCountdown(int n)
{
    g_iAllocFailCountdown.store(n < 0 ? -1 : n, std::memory_order_relaxed);
}

void *GLB_CallocCounted(size_t count, size_t size, uint32_t *puiTotalBytes)
{
    if (count == 0 || size == 0) return nullptr;
    if (count > SIZE_MAX / size) return nullptr;
    if (ShouldFailThisAllocation()) return nullptr;
    void *p = std::calloc(count, size);
    if (p != nullptr && puiTotalBytes != nullptr) {
        *puiTotalBytes += static_cast<uint32_t>(count * size);
    }
    return p;
}

void GLB_FreeCounted(void **pp, size_t count, size_t size, uint32_t *puiTotalBytes)
{
    if (pp == nullptr || *pp == nullptr) return;
    std::free(*pp);
    *pp = nullptr;
    if (puiTotalBytes != nullptr) {
        const uint32_t uiBytes = static_cast<uint32_t>(count * size);
        *puiTotalBytes = *puiTotalBytes >= uiBytes ? *puiTotalBytes - uiBytes : 0;
    }
}

}  // namespace NAMESPACE_CORR
