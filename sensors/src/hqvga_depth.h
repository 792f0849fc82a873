#pragma once
// Four-phase depth of the 240 x 180 sensor: the scalar double-precision
// reference and the fast block path that gives bit-identical results.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace Veltor {
namespace hqvga {

constexpr uint32_t kWidth = 240;
constexpr uint32_t kHeight = 180;
constexpr size_t kPixels = size_t(kWidth) * kHeight;
constexpr size_t kSubFrameBytes = kPixels * 2;  // 86,400
constexpr float kTwoPi = 6.2831855f;            // single-precision 2 pi
constexpr float kFourPi = 12.566371f;           // single-precision 4 pi

// Sample conversion: bits [shift, shift + 11) as a signed 11-bit number,
// times 16.
inline int32_t convertSample(uint16_t s, unsigned shift) {
    int32_t t = (s >> shift) & 0x7FF;
    t = (t ^ 0x400) - 0x400;
    return t * 16;
}

inline uint16_t loadSample(const uint8_t* base, size_t index) {
    uint16_t s;
    std::memcpy(&s, base + 2 * index, sizeof s);
    return s;
}

// Millimetres per radian of phase: 300e6 / (f * 4 pi) * 1000 is applied as
// (scale * phi) * 1000, all in single precision.
inline float depthScale(float modulationHz) { return 300000000.0f / (modulationHz * kFourPi); }

// Phase (float, [0, 2 pi)) to depth in millimetres.
inline float phaseToDepth(float phi, float scale) {
    if (phi < 0.0f) phi += kTwoPi;
    return scale * phi * 1000.0f;
}

// Q = b - d and I = c - a, each truncated to 16 bits.
inline int32_t quadrature(int32_t b, int32_t d) { return int16_t(b - d); }

// Amplitude: sqrt(Q^2 + I^2) / 2 in double, rounded to float.
inline float amplitudeOf(int32_t q, int32_t i) {
    const double qd = q, id = i;
    return float(std::sqrt(qd * qd + id * id) * 0.5);
}

// One pixel exactly as defined; the reference and the fast path's fallback.
inline void referencePixel(int32_t a, int32_t b, int32_t c, int32_t d, float scale, float* depth,
                           float* amplitude, float* confidence) {
    const int32_t q = quadrature(b, d);
    const int32_t i = quadrature(c, a);
    const float phi = float(std::atan2(double(q), double(i)));
    *depth = phaseToDepth(phi, scale);
    const float amp = amplitudeOf(q, i);
    *amplitude = amp;
    *confidence = amp;
}

// phase[0..3] are the sub-frames P0..P3 (count samples each, native-endian
// 16-bit, any alignment).
void depthReference(const uint8_t* const phase[4], size_t count, unsigned shift,
                    float modulationHz, float* depth, float* amplitude, float* confidence);
void depthFast(const uint8_t* const phase[4], size_t count, unsigned shift, float modulationHz,
               float* depth, float* amplitude, float* confidence);

// Instruction sets the fast path is built for; depthFast uses the best one
// available, depthFastWith a given one (tests run every available one).
enum class FastIsa { Baseline, Avx2, Avx512 };
bool fastIsaAvailable(FastIsa isa);
void depthFastWith(FastIsa isa, const uint8_t* const phase[4], size_t count, unsigned shift,
                   float modulationHz, float* depth, float* amplitude, float* confidence);

// Sub-frames of a capture in P0..P3 order for the given range (2000 mm: 0,
// 1, 2, 3; otherwise 1, 2, 3, 0).
inline void phaseOrder(const uint8_t* raw, uint32_t rangeMm, const uint8_t* phase[4]) {
    for (unsigned p = 0; p < 4; ++p) {
        const unsigned sub = rangeMm == 2000 ? p : (p + 1) % 4;
        phase[p] = raw + sub * kSubFrameBytes;
    }
}

}  // namespace hqvga
}  // namespace Veltor
