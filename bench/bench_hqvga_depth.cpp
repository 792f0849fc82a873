// Four-phase depth of one 240 x 180 frame: the fast path (as the device
// model runs it, and per instruction set) and the scalar double-precision
// reference. The time_per_pixel counter is the figure of merit.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "hqvga_depth.h"

using namespace Veltor::hqvga;

namespace {

struct Frame {
    Frame() : raw(4 * kSubFrameBytes), depth(kPixels), amplitude(kPixels), confidence(kPixels) {
        std::mt19937 rng(7);
        for (size_t i = 0; i < raw.size(); i += 2) {
            const uint16_t s = uint16_t(rng() & 0x7FF);
            raw[i] = uint8_t(s);
            raw[i + 1] = uint8_t(s >> 8);
        }
        phaseOrder(raw.data(), 4000, phase);
    }
    std::vector<uint8_t> raw;
    const uint8_t* phase[4];
    std::vector<float> depth, amplitude, confidence;
};

void perPixel(benchmark::State& state) {
    state.counters["time_per_pixel"] = benchmark::Counter(double(kPixels),
                                                        benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}

void BM_HqvgaDepthFast(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        depthFast(f.phase, kPixels, 0, 37500000.0f, f.depth.data(), f.amplitude.data(), f.confidence.data());
        benchmark::DoNotOptimize(f.depth.data());
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(BM_HqvgaDepthFast);

void BM_HqvgaDepthFastIsa(benchmark::State& state) {
    const FastIsa isa = static_cast<FastIsa>(state.range(0));
    if (!fastIsaAvailable(isa)) {
        state.SkipWithError("instruction set not available");
        return;
    }
    state.SetLabel(isa == FastIsa::Avx512 ? "avx512" : isa == FastIsa::Avx2 ? "avx2" : "baseline");
    Frame f;
    for (auto _ : state) {
        depthFastWith(isa, f.phase, kPixels, 0, 37500000.0f, f.depth.data(), f.amplitude.data(),
                      f.confidence.data());
        benchmark::DoNotOptimize(f.depth.data());
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(BM_HqvgaDepthFastIsa)->Arg(int(FastIsa::Baseline))->Arg(int(FastIsa::Avx2))->Arg(int(FastIsa::Avx512));

void BM_HqvgaDepthReference(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        depthReference(f.phase, kPixels, 0, 37500000.0f, f.depth.data(), f.amplitude.data(),
                       f.confidence.data());
        benchmark::DoNotOptimize(f.depth.data());
        benchmark::ClobberMemory();
    }
    perPixel(state);
}
BENCHMARK(BM_HqvgaDepthReference);

}  // namespace

BENCHMARK_MAIN();
