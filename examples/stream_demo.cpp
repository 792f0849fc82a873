// stream_demo: streams depth from a camera (by default the simulated USB
// kit), prints the frame rate and depth statistics, and writes a
// colour-mapped depth PNG and an amplitude PNG of the last frame.
//
//   stream_demo [--scene FILE] [--seconds N] [--range 2000|4000] [--out DIR]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VeltorTOFCamera.h"
#include "png_image.h"

using namespace Veltor;

int main(int argc, char** argv) {
    std::string scene, outDir = ".";
    double seconds = 3.0;
    int range = 4000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--scene" && v) {
            scene = v;
            ++i;
        } else if (a == "--seconds" && v) {
            seconds = std::atof(v);
            ++i;
        } else if (a == "--range" && v) {
            range = std::atoi(v);
            ++i;
        } else if (a == "--out" && v) {
            outDir = v;
            ++i;
        } else {
            std::fprintf(stderr, "usage: stream_demo [--scene FILE] [--seconds N] [--range 2000|4000] [--out DIR]\n");
            return 2;
        }
    }

    VeltorTOFCamera camera;
    int rc = scene.empty() ? camera.open(USB, 0) : camera.openWithFile(scene.c_str(), 0);
    if (rc != 0) {
        std::fprintf(stderr, "open failed: %s\n", to_str(rc));
        return 1;
    }
    const CameraInfo info = camera.getCameraInfo();
    std::printf("camera: %u x %u, %u-bit samples, %s model\n", info.width, info.height, info.bit_width,
                info.device_type == HQVGA ? "HQVGA" : "VGA");
    if ((rc = camera.setControl(RANGE, range)) != 0) std::fprintf(stderr, "range %d refused: %s\n", range, to_str(rc));
    if ((rc = camera.start(DEPTH)) != 0) {
        std::fprintf(stderr, "start failed: %s\n", to_str(rc));
        return 1;
    }

    std::vector<float> depth, amplitude;
    FrameFormat fmt;
    int frames = 0;
    const auto t0 = std::chrono::steady_clock::now();
    const auto until = t0 + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        VeltorFrameBuffer* f = camera.requestFrame(1000);
        if (f == nullptr) continue;
        if (f->getFormat(DEPTH, fmt) == 0) {
            const size_t n = size_t{fmt.width} * fmt.height;
            const float* d = static_cast<const float*>(f->getData(DEPTH));
            const float* a = static_cast<const float*>(f->getData(AMPLITUDE));
            depth.assign(d, d + n);
            amplitude.assign(a, a + n);
            ++frames;
        }
        camera.releaseFrame(f);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    camera.stop();
    camera.close();
    if (frames == 0) {
        std::fprintf(stderr, "no frames in %.1f s\n", elapsed);
        return 1;
    }

    std::printf("%d frames in %.2f s: %.1f fps (camera's own estimate %.1f fps)\n", frames, elapsed,
                frames / elapsed, camera.getFps());
    std::vector<float> sorted = depth;
    std::sort(sorted.begin(), sorted.end());
    double mean = 0;
    for (float d : sorted) mean += d;
    mean /= sorted.size();
    std::printf("depth of the last frame (mm): min %.0f  5%% %.0f  median %.0f  95%% %.0f  max %.0f  mean %.0f\n",
                sorted.front(), sorted[sorted.size() / 20], sorted[sorted.size() / 2], sorted[sorted.size() * 19 / 20],
                sorted.back(), mean);

    const std::vector<uint8_t> rgb =
        veltor_examples::colourDepth(depth.data(), amplitude.data(), depth.size(), range, 16.0 * 4);
    const std::vector<uint8_t> grey = veltor_examples::greyAmplitude(amplitude.data(), amplitude.size());
    const std::string depthPng = outDir + "/depth.png", ampPng = outDir + "/amplitude.png";
    if (!veltor_examples::writePng(depthPng, rgb.data(), fmt.width, fmt.height, 3) ||
        !veltor_examples::writePng(ampPng, grey.data(), fmt.width, fmt.height, 1)) {
        std::fprintf(stderr, "cannot write the PNG files in %s\n", outDir.c_str());
        return 1;
    }
    std::printf("wrote %s and %s\n", depthPng.c_str(), ampPng.c_str());
    return 0;
}
