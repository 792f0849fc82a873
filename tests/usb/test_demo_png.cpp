// The demo's PNG files: valid chunks and CRCs, pixels that inflate back, and
// the colour map's ends.
#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

#include "png_image.h"

namespace {

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}

}  // namespace

TEST(DemoPng, EncodesChunksThatDecodeToThePixels) {
    for (int channels : {1, 3}) {
        const uint32_t w = 5, h = 3;
        std::vector<uint8_t> px(w * h * channels);
        for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint8_t>(i * 37);
        std::vector<uint8_t> png = veltor_examples::encodePng(px.data(), w, h, channels);
        ASSERT_GT(png.size(), 8u);
        EXPECT_EQ(png[1], 'P');
        size_t at = 8;
        std::vector<uint8_t> idat;
        std::vector<std::string> types;
        while (at + 12 <= png.size()) {
            const uint32_t len = get32(png, at);
            ASSERT_LE(at + 12 + len, png.size());
            types.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
            const uLong crc = crc32(0L, &png[at + 4], 4 + len);
            EXPECT_EQ(get32(png, at + 8 + len), crc) << types.back();
            if (types.back() == "IHDR") {
                EXPECT_EQ(get32(png, at + 8), w);
                EXPECT_EQ(get32(png, at + 12), h);
                EXPECT_EQ(png[at + 17], channels == 3 ? 2 : 0);
            }
            if (types.back() == "IDAT") idat.assign(&png[at + 8], &png[at + 8] + len);
            at += 12 + len;
        }
        EXPECT_EQ(at, png.size());
        EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        std::vector<uint8_t> rows((w * channels + 1) * h);
        uLongf size = rows.size();
        ASSERT_EQ(uncompress(rows.data(), &size, idat.data(), idat.size()), Z_OK);
        ASSERT_EQ(size, rows.size());
        for (uint32_t y = 0; y < h; ++y) {
            EXPECT_EQ(rows[y * (w * channels + 1)], 0);
            for (uint32_t x = 0; x < w * channels; ++x)
                EXPECT_EQ(rows[y * (w * channels + 1) + 1 + x], px[y * w * channels + x]);
        }
    }
    EXPECT_TRUE(veltor_examples::encodePng(nullptr, 0, 3, 1).empty());
    EXPECT_TRUE(veltor_examples::encodePng(nullptr, 3, 3, 2).empty());
}

TEST(DemoPng, ColourMapRunsFromRedToBlueAndBlanksWeakPixels) {
    uint8_t rgb[3];
    veltor_examples::depthColour(0.0, rgb);
    EXPECT_GT(rgb[0], 200);
    EXPECT_EQ(rgb[2], 0);
    veltor_examples::depthColour(1.0, rgb);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_GT(rgb[2], 100);
    const float depth[2] = {1000, 2000};
    const float amp[2] = {1, 500};
    std::vector<uint8_t> img = veltor_examples::colourDepth(depth, amp, 2, 4000, 64);
    EXPECT_EQ(img[0] + img[1] + img[2], 0);
    EXPECT_GT(img[3] + img[4] + img[5], 0);
    std::vector<uint8_t> grey = veltor_examples::greyAmplitude(amp, 2);
    EXPECT_EQ(grey[1], 255);
    EXPECT_EQ(grey[0], 1);
}
