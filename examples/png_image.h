// Minimal PNG writer (8-bit grey or RGB, zlib-compressed, filter 0) and the
// colour map of the depth examples.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace veltor_examples {

namespace detail {

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

inline void chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    put32(out, static_cast<uint32_t>(crc));
}

}  // namespace detail

/// PNG bytes of width x height pixels, channels 1 (grey) or 3 (RGB), rows
/// top to bottom. Empty on a bad size or a compression failure.
inline std::vector<uint8_t> encodePng(const uint8_t* pixels, uint32_t width, uint32_t height, int channels) {
    std::vector<uint8_t> png;
    if (width == 0 || height == 0 || (channels != 1 && channels != 3)) return png;
    const size_t stride = size_t{width} * channels;
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * height);
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), pixels + y * stride, pixels + (y + 1) * stride);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return png;
    packed.resize(packedSize);

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(signature, signature + 8);
    std::vector<uint8_t> ihdr;
    detail::put32(ihdr, width);
    detail::put32(ihdr, height);
    ihdr.push_back(8);                          // bit depth
    ihdr.push_back(channels == 3 ? 2 : 0);      // colour type: RGB or grey
    ihdr.push_back(0);                          // deflate
    ihdr.push_back(0);                          // adaptive filtering
    ihdr.push_back(0);                          // no interlace
    detail::chunk(png, "IHDR", ihdr);
    detail::chunk(png, "IDAT", packed);
    detail::chunk(png, "IEND", {});
    return png;
}

inline bool writePng(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                     int channels) {
    const std::vector<uint8_t> png = encodePng(pixels, width, height, channels);
    if (png.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

/// Colour of t in [0, 1]: red (near) through yellow, green and cyan to blue
/// (far).
inline void depthColour(double t, uint8_t rgb[3]) {
    t = std::clamp(t, 0.0, 1.0);
    const double r = std::clamp(1.5 - std::fabs(4.0 * t - 0.5), 0.0, 1.0);
    const double g = std::clamp(1.5 - std::fabs(4.0 * t - 2.0), 0.0, 1.0);
    const double b = std::clamp(1.5 - std::fabs(4.0 * t - 3.5), 0.0, 1.0);
    rgb[0] = static_cast<uint8_t>(std::lround(255 * r));
    rgb[1] = static_cast<uint8_t>(std::lround(255 * g));
    rgb[2] = static_cast<uint8_t>(std::lround(255 * b));
}

/// RGB image of a depth map over [0, maxMm]; pixels whose amplitude is
/// below minAmplitude (no usable return) are black.
inline std::vector<uint8_t> colourDepth(const float* depth, const float* amplitude, size_t pixels, double maxMm,
                                        double minAmplitude) {
    std::vector<uint8_t> rgb(pixels * 3, 0);
    for (size_t i = 0; i < pixels; ++i)
        if (amplitude == nullptr || amplitude[i] >= minAmplitude) depthColour(depth[i] / maxMm, &rgb[3 * i]);
    return rgb;
}

/// Grey image of an amplitude map, scaled so its 99th percentile is white.
inline std::vector<uint8_t> greyAmplitude(const float* amplitude, size_t pixels) {
    std::vector<float> sorted(amplitude, amplitude + pixels);
    std::vector<uint8_t> grey(pixels, 0);
    if (pixels == 0) return grey;
    const size_t k = std::min(pixels - 1, pixels * 99 / 100);
    std::nth_element(sorted.begin(), sorted.begin() + k, sorted.end());
    const double top = sorted[k] > 0 ? sorted[k] : 1.0;
    for (size_t i = 0; i < pixels; ++i)
        grey[i] = static_cast<uint8_t>(std::lround(255 * std::clamp(amplitude[i] / top, 0.0, 1.0)));
    return grey;
}

}  // namespace veltor_examples
