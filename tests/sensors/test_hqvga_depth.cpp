// The fast four-phase depth path against the scalar double-precision
// reference: bit-identical on every reachable (Q, I) pair, on frames of
// every length class, on edge samples and at any alignment, for every
// instruction set the fast path is built for.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "hqvga_depth.h"

using namespace Veltor::hqvga;

namespace {

std::vector<FastIsa> availableIsas() {
    std::vector<FastIsa> isas;
    for (FastIsa isa : {FastIsa::Baseline, FastIsa::Avx2, FastIsa::Avx512}) {
        if (fastIsaAvailable(isa)) isas.push_back(isa);
    }
    return isas;
}

const char* nameOf(FastIsa isa) {
    return isa == FastIsa::Avx512 ? "avx512" : isa == FastIsa::Avx2 ? "avx2" : "baseline";
}

// Four phase planes of n samples, optionally starting at an odd byte offset.
struct Planes {
    Planes(size_t n, size_t byteOffset = 0) : count(n), offset(byteOffset) {
        for (auto& b : bytes) b.assign(offset + 2 * n, 0);
    }
    void set(unsigned p, size_t i, uint16_t s) { std::memcpy(&bytes[p][offset + 2 * i], &s, 2); }
    void pointers(const uint8_t* out[4]) const {
        for (unsigned p = 0; p < 4; ++p) out[p] = bytes[p].data() + offset;
    }
    size_t count;
    size_t offset;
    std::vector<uint8_t> bytes[4];
};

struct Outputs {
    explicit Outputs(size_t n) : depth(n, -7.0f), amplitude(n, -7.0f), confidence(n, -7.0f) {}
    std::vector<float> depth, amplitude, confidence;
};

// Index of the first differing bit pattern, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return long(i);
    }
    return -1;
}

void expectIdentical(const Planes& planes, unsigned shift, float modulationHz, const std::string& what) {
    const uint8_t* phase[4];
    planes.pointers(phase);
    Outputs ref(planes.count);
    depthReference(phase, planes.count, shift, modulationHz, ref.depth.data(), ref.amplitude.data(),
                   ref.confidence.data());
    for (FastIsa isa : availableIsas()) {
        Outputs fast(planes.count);
        depthFastWith(isa, phase, planes.count, shift, modulationHz, fast.depth.data(), fast.amplitude.data(),
                      fast.confidence.data());
        const long d = firstDifference(ref.depth, fast.depth);
        const long a = firstDifference(ref.amplitude, fast.amplitude);
        const long c = firstDifference(ref.confidence, fast.confidence);
        EXPECT_EQ(d, -1) << what << " " << nameOf(isa) << " depth " << (d >= 0 ? ref.depth[d] : 0.0f) << " vs "
                         << (d >= 0 ? fast.depth[d] : 0.0f);
        EXPECT_EQ(a, -1) << what << " " << nameOf(isa) << " amplitude";
        EXPECT_EQ(c, -1) << what << " " << nameOf(isa) << " confidence";
    }
}

// Signed 11-bit value as a raw sample at the given shift.
uint16_t sampleOf(int32_t value, unsigned shift) { return uint16_t((uint32_t(value) & 0x7FF) << shift); }

}  // namespace

TEST(HqvgaDepthFast, ReferenceMatchesTheDefinitionOnWorkedValues) {
    // phi = pi at 37.5 MHz is 2000 mm; the reference applies the formula in
    // single precision in the stated order.
    Planes planes(1);
    planes.set(0, 0, sampleOf(1, 0));   // a = 16
    planes.set(2, 0, sampleOf(-1, 0));  // c = -16: I = -32, Q = 0
    const uint8_t* phase[4];
    planes.pointers(phase);
    float depth, amplitude, confidence;
    depthReference(phase, 1, 0, 37500000.0f, &depth, &amplitude, &confidence);
    const float scale = 300000000.0f / (37500000.0f * 12.566371f);
    EXPECT_EQ(depth, scale * float(3.14159265358979323846) * 1000.0f);
    EXPECT_NEAR(depth, 2000.0f, 0.01f);
    EXPECT_EQ(amplitude, 16.0f);
    EXPECT_EQ(confidence, 16.0f);
}

TEST(HqvgaDepthFast, IdenticalOnEveryQuadraturePair) {
    // Q = b - d and I = c - a take the values 16 * (-2047 .. 2047); every
    // pair is covered once, in frames of 43,200 pixels.
    constexpr int kMax = 2047;
    const size_t total = size_t(2 * kMax + 1) * (2 * kMax + 1);
    Planes planes(kPixels);
    size_t filled = 0, frames = 0;
    auto split = [](int v, int32_t& hi, int32_t& lo) {  // v = hi - lo, both in 11 bits
        hi = v >= 0 ? std::min(v, 1023) : std::max(v, -1024);
        lo = hi - v;
    };
    for (int q = -kMax; q <= kMax; ++q) {
        for (int i = -kMax; i <= kMax; ++i) {
            int32_t b, d, c, a;
            split(q, b, d);
            split(i, c, a);
            planes.set(0, filled, sampleOf(a, 0));
            planes.set(1, filled, sampleOf(b, 0));
            planes.set(2, filled, sampleOf(c, 0));
            planes.set(3, filled, sampleOf(d, 0));
            if (++filled == kPixels) {
                expectIdentical(planes, 0, 37500000.0f, "frame " + std::to_string(frames++));
                if (::testing::Test::HasFailure()) return;
                filled = 0;
            }
        }
    }
    planes.count = filled;  // the last partial frame
    expectIdentical(planes, 0, 75000000.0f, "last frame");
    EXPECT_EQ(frames * kPixels + filled, total);
}

TEST(HqvgaDepthFast, IdenticalOnEveryLengthAlignmentAndShift) {
    std::mt19937 rng(20240611);
    const size_t lengths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 4 * 240 - 1, kPixels};
    for (size_t n : lengths) {
        for (size_t offset : {0u, 1u}) {
            for (unsigned shift : {0u, 4u}) {
                Planes planes(n, offset);
                for (unsigned p = 0; p < 4; ++p)
                    for (size_t i = 0; i < n; ++i) planes.set(p, i, uint16_t(rng()));  // any bits
                for (float f : {37500000.0f, 75000000.0f, 12345678.0f}) {
                    expectIdentical(planes, shift, f,
                                    "n=" + std::to_string(n) + " offset=" + std::to_string(offset) +
                                        " shift=" + std::to_string(shift) + " f=" + std::to_string(f));
                }
            }
        }
    }
}

TEST(HqvgaDepthFast, IdenticalOnEdgeSamples) {
    // Every combination of extreme and small values over the four phases:
    // zero, +-1, the 11-bit limits, with and without the Jetson shift.
    const int32_t values[] = {0, 1, -1, 2, 1023, -1024, 1022, -1023, 512, -512};
    constexpr size_t kValues = sizeof values / sizeof values[0];
    const size_t n = kValues * kValues * kValues * kValues;
    for (unsigned shift : {0u, 4u}) {
        Planes planes(n);
        size_t k = 0;
        for (int32_t a : values)
            for (int32_t b : values)
                for (int32_t c : values)
                    for (int32_t d : values) {
                        planes.set(0, k, sampleOf(a, shift));
                        planes.set(1, k, sampleOf(b, shift));
                        planes.set(2, k, sampleOf(c, shift));
                        planes.set(3, k, sampleOf(d, shift));
                        ++k;
                    }
        expectIdentical(planes, shift, 37500000.0f, "edges shift " + std::to_string(shift));
        expectIdentical(planes, shift, 75000000.0f, "edges shift " + std::to_string(shift));
    }
}
