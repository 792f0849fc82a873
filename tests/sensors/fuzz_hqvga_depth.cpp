// Raw phase samples of any content: the fast depth path must agree bit for
// bit with the scalar reference, for every instruction-set variant.
// Input: one flag byte (bit 0: Jetson sample shift, bit 1: 75 MHz), then
// four phase planes of n 16-bit samples each.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hqvga_depth.h"

using namespace Veltor::hqvga;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const unsigned shift = (data[0] & 1) ? 4 : 0;
    const float modulationHz = (data[0] & 2) ? 75000000.0f : 37500000.0f;
    const size_t n = (size - 1) / 8;
    const uint8_t* phase[4];
    for (unsigned p = 0; p < 4; ++p) phase[p] = data + 1 + p * 2 * n;

    std::vector<float> ref(3 * n), fast(3 * n);
    depthReference(phase, n, shift, modulationHz, ref.data(), ref.data() + n, ref.data() + 2 * n);
    for (FastIsa isa : {FastIsa::Baseline, FastIsa::Avx2, FastIsa::Avx512}) {
        if (!fastIsaAvailable(isa)) continue;
        std::fill(fast.begin(), fast.end(), -1.0f);
        depthFastWith(isa, phase, n, shift, modulationHz, fast.data(), fast.data() + n, fast.data() + 2 * n);
        if (n != 0 && std::memcmp(ref.data(), fast.data(), ref.size() * sizeof(float)) != 0) std::abort();
    }
    return 0;
}
