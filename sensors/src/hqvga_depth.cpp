#include "hqvga_depth.h"

namespace Veltor {
namespace hqvga {

void depthReference(const uint8_t* const phase[4], size_t count, unsigned shift,
                    float modulationHz, float* depth, float* amplitude, float* confidence) {
    const float scale = depthScale(modulationHz);
    for (size_t i = 0; i < count; ++i) {
        referencePixel(convertSample(loadSample(phase[0], i), shift),
                       convertSample(loadSample(phase[1], i), shift),
                       convertSample(loadSample(phase[2], i), shift),
                       convertSample(loadSample(phase[3], i), shift), scale, depth + i,
                       amplitude + i, confidence + i);
    }
}

namespace {

// The fast path works on four pixels at a time with the compilers' generic
// vector types (GCC and Clang lower them to SSE2, AVX2 or NEON), branch-free
// apart from the rare fallback. On x86-64 an AVX2 clone is chosen at run
// time where the processor has it.
typedef double VecD __attribute__((vector_size(32)));
typedef int64_t VecL __attribute__((vector_size(32)));
typedef float VecF __attribute__((vector_size(16)));
typedef int32_t VecI __attribute__((vector_size(16)));
typedef int16_t VecI16 __attribute__((vector_size(8)));
typedef uint16_t VecU16 __attribute__((vector_size(8)));
constexpr size_t kLanes = 4;

constexpr double kTanPi8 = 0.41421356237309503;  // octant split; exactness not needed
constexpr double kPiOver4 = 0.78539816339744830962;
constexpr double kPiOver2 = 1.57079632679489661923;
constexpr double kPi = 3.14159265358979323846;

// atan(t) = t + t^3 P(t^2) on |t| <= 0.4143, relative error about 2e-16
// (interpolation at Chebyshev nodes).
constexpr double kP[10] = {-0.3333333333333325,  0.19999999999897783,  -0.1428571426599024,
                           0.1111110962962793,   -0.09090852333943876, 0.07691051126761492,
                           -0.06649571121455923, 0.05736071207214084,  -0.0448247513075513,
                           0.022738769533785612};

// Our arctangent and the library's are each within a few 1e-16 (relative)
// of the true value. When the interval of this relative half-width around
// our result straddles a float rounding boundary, the two could round
// differently, and the pixel is recomputed with the reference.
constexpr double kErrorBound = 2e-14;

// Macros rather than functions: 256-bit vectors must not cross a call
// boundary of the baseline clone.
#define VELTOR_SPLAT(v) (VecD{(v), (v), (v), (v)})
#define VELTOR_SELECT(mask, a, b) ((VecD)(((VecL)(a) & (mask)) | ((VecL)(b) & ~(mask))))

// One body, compiled once for the baseline instruction set and, on x86-64,
// once more for AVX2 + FMA; depthFast picks the best one the processor has.
__attribute__((always_inline)) inline void fastGroupsBody(const uint8_t* const phase[4],
                                                          size_t groups, unsigned shift,
                                                          float scale, float* depth,
                                                          float* amplitude, float* confidence) {
    for (size_t g = 0; g < groups; ++g) {
        const size_t base = g * kLanes;
        VecI v[4];
        for (unsigned p = 0; p < 4; ++p) {
            VecU16 s;
            std::memcpy(&s, phase[p] + 2 * base, sizeof s);
            VecI t = __builtin_convertvector(s, VecI);
            t = (t >> (int32_t)shift) & 0x7FF;
            t = (t ^ 0x400) - 0x400;  // signed 11-bit
            v[p] = t * 16;
        }
        // Q = b - d, I = c - a, truncated to 16 bits.
        const VecI qi = __builtin_convertvector(__builtin_convertvector(v[1] - v[3], VecI16), VecI);
        const VecI ii = __builtin_convertvector(__builtin_convertvector(v[2] - v[0], VecI16), VecI);
        const VecD y = __builtin_convertvector(qi, VecD);
        const VecD x = __builtin_convertvector(ii, VecD);
        const VecD zero = VELTOR_SPLAT(0.0);
        const VecD ay = VELTOR_SELECT(y < zero, -y, y);
        const VecD ax = VELTOR_SELECT(x < zero, -x, x);
        const VecL swap = ay > ax;
        const VecD num = VELTOR_SELECT(swap, ax, ay);
        const VecD den = VELTOR_SELECT(swap, ay, ax);
        // Above tan(pi/8): atan(num/den) = pi/4 + atan((num - den)/(num + den)).
        const VecL upper = num > VELTOR_SPLAT(kTanPi8) * den;
        const VecD n2 = VELTOR_SELECT(upper, num - den, num);
        VecD d2 = VELTOR_SELECT(upper, num + den, den);
        d2 = VELTOR_SELECT(d2 == zero, VELTOR_SPLAT(1.0), d2);  // both zero: atan2(0, 0) = 0
        const VecD t = n2 / d2;
        const VecD z = t * t;
        VecD p = VELTOR_SPLAT(kP[9]);
        for (int j = 8; j >= 0; --j) p = p * z + VELTOR_SPLAT(kP[j]);
        VecD r = VELTOR_SELECT(upper, VELTOR_SPLAT(kPiOver4), zero) + (t + t * z * p);
        r = VELTOR_SELECT(swap, VELTOR_SPLAT(kPiOver2) - r, r);
        r = VELTOR_SELECT(x < zero, VELTOR_SPLAT(kPi) - r, r);
        r = VELTOR_SELECT(y < zero, -r, r);
        const VecD e = VELTOR_SELECT(r < zero, -r, r) * VELTOR_SPLAT(kErrorBound);
        const VecI unsure = __builtin_convertvector(r - e, VecF) != __builtin_convertvector(r + e, VecF);

        VecF phi = __builtin_convertvector(r, VecF);
        const VecF twoPi = VecF{kTwoPi, kTwoPi, kTwoPi, kTwoPi};
        const VecI negative = phi < VecF{0.0f, 0.0f, 0.0f, 0.0f};
        const VecF wrapped = phi + twoPi;
        phi = (VecF)(((VecI)wrapped & negative) | ((VecI)phi & ~negative));
        const VecF dep = VecF{scale, scale, scale, scale} * phi * VecF{1000.0f, 1000.0f, 1000.0f, 1000.0f};
        // Q and I are integers below 2^16, so Q^2 + I^2 is exact in double.
        const VecD sq = y * y + x * x;
        double root[kLanes];
        for (size_t k = 0; k < kLanes; ++k) root[k] = std::sqrt(sq[k]);  // vector sqrt with -fno-math-errno
        float ampOut[kLanes];
        for (size_t k = 0; k < kLanes; ++k) ampOut[k] = float(root[k] * 0.5);
        std::memcpy(depth + base, &dep, sizeof dep);
        std::memcpy(amplitude + base, ampOut, sizeof ampOut);
        std::memcpy(confidence + base, ampOut, sizeof ampOut);

        if (unsure[0] | unsure[1] | unsure[2] | unsure[3]) {
            for (size_t k = 0; k < kLanes; ++k) {
                if (!unsure[k]) continue;
                const size_t i = base + k;
                referencePixel(convertSample(loadSample(phase[0], i), shift),
                               convertSample(loadSample(phase[1], i), shift),
                               convertSample(loadSample(phase[2], i), shift),
                               convertSample(loadSample(phase[3], i), shift), scale, depth + i,
                               amplitude + i, confidence + i);
            }
        }
    }
}

void fastGroupsBaseline(const uint8_t* const phase[4], size_t groups, unsigned shift, float scale,
                        float* depth, float* amplitude, float* confidence) {
    fastGroupsBody(phase, groups, shift, scale, depth, amplitude, confidence);
}

#if defined(__x86_64__)
__attribute__((target("avx2,fma"))) void fastGroupsAvx2(const uint8_t* const phase[4],
                                                         size_t groups, unsigned shift,
                                                         float scale, float* depth,
                                                         float* amplitude, float* confidence) {
    fastGroupsBody(phase, groups, shift, scale, depth, amplitude, confidence);
}
#endif

using GroupsFn = void (*)(const uint8_t* const*, size_t, unsigned, float, float*, float*, float*);

GroupsFn groupsFor(FastIsa isa) {
#if defined(__x86_64__)
    if (isa == FastIsa::Avx2) return fastGroupsAvx2;
#endif
    (void)isa;
    return fastGroupsBaseline;
}

}  // namespace

bool fastIsaAvailable(FastIsa isa) {
    switch (isa) {
    case FastIsa::Baseline:
        return true;
    case FastIsa::Avx2:
#if defined(__x86_64__)
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
        return false;
#endif
    }
    return false;
}

FastIsa bestFastIsa() {
    static const FastIsa best = fastIsaAvailable(FastIsa::Avx2) ? FastIsa::Avx2 : FastIsa::Baseline;
    return best;
}

void depthFast(const uint8_t* const phase[4], size_t count, unsigned shift, float modulationHz,
               float* depth, float* amplitude, float* confidence) {
    depthFastWith(bestFastIsa(), phase, count, shift, modulationHz, depth, amplitude, confidence);
}

void depthFastWith(FastIsa isa, const uint8_t* const phase[4], size_t count, unsigned shift,
                   float modulationHz, float* depth, float* amplitude, float* confidence) {
    const float scale = depthScale(modulationHz);
    const size_t blocks = count / kLanes;
    groupsFor(isa)(phase, blocks, shift, scale, depth, amplitude, confidence);
    // Tail with the reference's per-pixel helper.
    for (size_t i = blocks * kLanes; i < count; ++i) {
        referencePixel(convertSample(loadSample(phase[0], i), shift),
                       convertSample(loadSample(phase[1], i), shift),
                       convertSample(loadSample(phase[2], i), shift),
                       convertSample(loadSample(phase[3], i), shift), scale, depth + i,
                       amplitude + i, confidence + i);
    }
}

}  // namespace hqvga
}  // namespace Veltor
