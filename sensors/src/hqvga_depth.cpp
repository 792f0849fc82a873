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

// The fast path works on groups of L pixels with the compilers' generic
// vector types (GCC and Clang lower them to SSE2, AVX2, AVX-512 or NEON),
// branch-free apart from the rare fallback to the reference. One template
// body is compiled for the baseline instruction set (2 lanes of double, the
// width of SSE2 and NEON registers) and, on x86-64, for AVX2 + FMA (4 lanes)
// and AVX-512 (8 lanes); depthFast picks the best the processor has.
template <size_t L>
struct Lanes;
template <>
struct Lanes<2> {
    typedef double D __attribute__((vector_size(16)));
    typedef int64_t M __attribute__((vector_size(16)));
    typedef float F __attribute__((vector_size(8)));
    typedef int32_t I __attribute__((vector_size(8)));
    typedef uint16_t U16 __attribute__((vector_size(4)));
};
template <>
struct Lanes<4> {
    typedef double D __attribute__((vector_size(32)));
    typedef int64_t M __attribute__((vector_size(32)));  // mask of a D comparison
    typedef float F __attribute__((vector_size(16)));
    typedef int32_t I __attribute__((vector_size(16)));
    typedef uint16_t U16 __attribute__((vector_size(8)));
};
template <>
struct Lanes<8> {
    typedef double D __attribute__((vector_size(64)));
    typedef int64_t M __attribute__((vector_size(64)));
    typedef float F __attribute__((vector_size(32)));
    typedef int32_t I __attribute__((vector_size(32)));
    typedef uint16_t U16 __attribute__((vector_size(16)));
};

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

// A macro rather than a function: wide vectors must not cross a call
// boundary of a function built for a narrower instruction set.
#define VELTOR_SELECT(T, mask, a, b) ((T)(((decltype(mask))(a) & (mask)) | ((decltype(mask))(b) & ~(mask))))

// Recomputes the pixels of one group flagged in mask with the reference.
__attribute__((noinline, cold)) void fixGroup(const uint8_t* const phase[4], size_t base, size_t lanes,
                                              unsigned mask, unsigned shift, float scale, float* depth,
                                              float* amplitude, float* confidence) {
    for (size_t k = 0; k < lanes; ++k) {
        if (!(mask & (1u << k))) continue;
        const size_t i = base + k;
        referencePixel(convertSample(loadSample(phase[0], i), shift),
                       convertSample(loadSample(phase[1], i), shift),
                       convertSample(loadSample(phase[2], i), shift),
                       convertSample(loadSample(phase[3], i), shift), scale, depth + i, amplitude + i,
                       confidence + i);
    }
}

// One group of L pixels from base; returns the lanes (bit k) whose result
// must come from the reference.
template <size_t L>
__attribute__((always_inline)) inline unsigned fastGroup(const uint8_t* const phase[4], size_t base,
                                                         unsigned shift, float scale, float* depth,
                                                         float* amplitude, float* confidence) {
    typedef typename Lanes<L>::D D;
    typedef typename Lanes<L>::M M;
    typedef typename Lanes<L>::F F;
    typedef typename Lanes<L>::I I;
    typedef typename Lanes<L>::U16 U16;

    I v[4];
    for (unsigned p = 0; p < 4; ++p) {
        U16 s;
        std::memcpy(&s, phase[p] + 2 * base, sizeof s);
        I t = __builtin_convertvector(s, I);
        t = (t >> (int32_t)shift) & 0x7FF;
        t = (t ^ 0x400) - 0x400;  // signed 11-bit
        v[p] = t * 16;
    }
    // Q = b - d, I = c - a. The converted samples lie in -16384..16368, so
    // the differences always fit 16 bits and the truncation of the
    // definition changes nothing.
    const D y = __builtin_convertvector(v[1] - v[3], D);
    const D x = __builtin_convertvector(v[2] - v[0], D);
    const D zero = {};
    const D ay = VELTOR_SELECT(D, y < zero, -y, y);
    const D ax = VELTOR_SELECT(D, x < zero, -x, x);
    const M swap = ay > ax;
    const D num = VELTOR_SELECT(D, swap, ax, ay);
    const D den = VELTOR_SELECT(D, swap, ay, ax);
    // Above tan(pi/8): atan(num/den) = pi/4 + atan((num - den)/(num + den)).
    const M upper = num > kTanPi8 * den;
    const D n2 = VELTOR_SELECT(D, upper, num - den, num);
    D d2 = VELTOR_SELECT(D, upper, num + den, den);
    d2 = VELTOR_SELECT(D, d2 == zero, zero + 1.0, d2);  // both zero: atan2(0, 0) = 0
    const D t = n2 / d2;
    const D z = t * t;
    D p = zero + kP[9];
    for (int j = 8; j >= 0; --j) p = p * z + kP[j];
    D r = VELTOR_SELECT(D, upper, zero + kPiOver4, zero) + (t + t * z * p);
    r = VELTOR_SELECT(D, swap, kPiOver2 - r, r);
    r = VELTOR_SELECT(D, x < zero, kPi - r, r);
    r = VELTOR_SELECT(D, y < zero, -r, r);
    const D e = VELTOR_SELECT(D, r < zero, -r, r) * kErrorBound;
    const I phaseUnsure = __builtin_convertvector(r - e, F) != __builtin_convertvector(r + e, F);

    F phi = __builtin_convertvector(r, F);
    const F zeroF = {};
    phi = VELTOR_SELECT(F, phi < zeroF, phi + kTwoPi, phi);
    const F dep = (zeroF + scale) * phi * 1000.0f;

    // Amplitude: S = Q^2 + I^2 is exact in double. When S is also exact in
    // float, float(sqrt(S)) equals sqrtf(S) (rounding the double root to
    // float cannot differ from the correctly rounded float root), and halving
    // is exact. Q and I are multiples of 16 below 2^15, so S has at most 23
    // significant bits and the check never fails for real samples; it keeps
    // the shortcut honest for any input.
    const D sq = y * y + x * x;
    const F sqf = __builtin_convertvector(sq, F);
    const I ampUnsure = __builtin_convertvector(__builtin_convertvector(sqf, D) != sq, I);
    float amp[L];
    for (size_t k = 0; k < L; ++k) amp[k] = std::sqrt(sqf[k]) * 0.5f;  // vector sqrt: -fno-math-errno
    std::memcpy(depth + base, &dep, sizeof dep);
    std::memcpy(amplitude + base, amp, sizeof amp);
    std::memcpy(confidence + base, amp, sizeof amp);

    const I unsure = phaseUnsure | ampUnsure;
    unsigned mask = 0;
    for (size_t k = 0; k < L; ++k) mask |= unsure[k] ? (1u << k) : 0u;
    return mask;
}

// Two groups per turn, so that the long dependency chains of one (division,
// polynomial) overlap with the other's. Returns the pixels done.
template <size_t L>
__attribute__((always_inline)) inline size_t fastBody(const uint8_t* const phase[4], size_t count,
                                                      unsigned shift, float scale, float* depth,
                                                      float* amplitude, float* confidence) {
    size_t base = 0;
    for (; base + 2 * L <= count; base += 2 * L) {
        const unsigned m0 = fastGroup<L>(phase, base, shift, scale, depth, amplitude, confidence);
        const unsigned m1 = fastGroup<L>(phase, base + L, shift, scale, depth, amplitude, confidence);
        if ((m0 | m1) != 0) {
            fixGroup(phase, base, L, m0, shift, scale, depth, amplitude, confidence);
            fixGroup(phase, base + L, L, m1, shift, scale, depth, amplitude, confidence);
        }
    }
    return base;
}

size_t fastBaseline(const uint8_t* const phase[4], size_t count, unsigned shift, float scale,
                    float* depth, float* amplitude, float* confidence) {
    return fastBody<2>(phase, count, shift, scale, depth, amplitude, confidence);
}

#if defined(__x86_64__)
__attribute__((target("avx2,fma"))) size_t fastAvx2(const uint8_t* const phase[4], size_t count,
                                                     unsigned shift, float scale, float* depth,
                                                     float* amplitude, float* confidence) {
    return fastBody<4>(phase, count, shift, scale, depth, amplitude, confidence);
}

__attribute__((target("avx512f,avx512dq,avx512vl,avx512bw,avx2,fma"))) size_t fastAvx512(
    const uint8_t* const phase[4], size_t count, unsigned shift, float scale, float* depth,
    float* amplitude, float* confidence) {
    return fastBody<8>(phase, count, shift, scale, depth, amplitude, confidence);
}
#endif

using FastFn = size_t (*)(const uint8_t* const*, size_t, unsigned, float, float*, float*, float*);

FastFn fastFor(FastIsa isa) {
#if defined(__x86_64__)
    if (isa == FastIsa::Avx2) return fastAvx2;
    if (isa == FastIsa::Avx512) return fastAvx512;
#endif
    (void)isa;
    return fastBaseline;
}

FastIsa bestFastIsa() {
    static const FastIsa best = fastIsaAvailable(FastIsa::Avx512) ? FastIsa::Avx512
                                : fastIsaAvailable(FastIsa::Avx2) ? FastIsa::Avx2
                                                                  : FastIsa::Baseline;
    return best;
}

}  // namespace

bool fastIsaAvailable(FastIsa isa) {
#if defined(__x86_64__)
    __builtin_cpu_init();  // may run before the run-time library's own initialiser
#endif
    switch (isa) {
    case FastIsa::Baseline:
        return true;
#if defined(__x86_64__)
    case FastIsa::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case FastIsa::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
               __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    case FastIsa::Avx2:
    case FastIsa::Avx512:
        return false;
#endif
    }
    return false;
}

void depthFast(const uint8_t* const phase[4], size_t count, unsigned shift, float modulationHz,
               float* depth, float* amplitude, float* confidence) {
    depthFastWith(bestFastIsa(), phase, count, shift, modulationHz, depth, amplitude, confidence);
}

void depthFastWith(FastIsa isa, const uint8_t* const phase[4], size_t count, unsigned shift,
                   float modulationHz, float* depth, float* amplitude, float* confidence) {
    const float scale = depthScale(modulationHz);
    const size_t done = fastFor(isa)(phase, count, shift, scale, depth, amplitude, confidence);
    // Tail with the reference's per-pixel helper.
    for (size_t i = done; i < count; ++i) {
        referencePixel(convertSample(loadSample(phase[0], i), shift),
                       convertSample(loadSample(phase[1], i), shift),
                       convertSample(loadSample(phase[2], i), shift),
                       convertSample(loadSample(phase[3], i), shift), scale, depth + i,
                       amplitude + i, confidence + i);
    }
}

}  // namespace hqvga
}  // namespace Veltor
