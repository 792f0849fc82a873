// Value types and frame classes.
#include <gtest/gtest.h>

#include <cstring>

#include "VeltorFrame.h"
#include "VeltorTypes.h"

using namespace Veltor;

TEST(TofErrorCodeText, EveryCodeHasItsText) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {0, "Success"},       {1, "Invalid parameter"}, {2, "No cache"},
        {3, "Unkown device"}, {4, "Not implemented"},   {5, "Unknown error"},
        {240, "Skip frame"},  {-2, "System error"},     {-1, "Unknown error"},
        {6, "Unknown error"}, {239, "Unknown error"},   {-3, "Unknown error"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(to_str(c.code), c.text) << c.code;
    }
    EXPECT_STREQ(to_str(VeltorNoPermission), "Unknown error");
}

TEST(ValueTypes, NumberingAndLayout) {
    EXPECT_EQ(int(CSI), 0);
    EXPECT_EQ(int(USB), 1);
    EXPECT_EQ(int(VGA), 0);
    EXPECT_EQ(int(HQVGA), 1);
    EXPECT_EQ(int(RAW), 0);
    EXPECT_EQ(int(CONFIDENCE), 1);
    EXPECT_EQ(int(DEPTH), 2);
    EXPECT_EQ(int(AMPLITUDE), 3);
    EXPECT_EQ(int(CACHE), 4);
    EXPECT_EQ(int(I2C_BUS_NUM), 260);
    EXPECT_EQ(int(VFLIP), 16);
    EXPECT_EQ(sizeof(CameraInfo), 32u);
}

TEST(RawDataFrame, OnlyTheRawImage) {
    RawData frame(240, 720);
    auto* data = static_cast<int16_t*>(frame.getData(RAW));
    ASSERT_NE(data, nullptr);
    data[240 * 720 - 1] = 7;  // the whole image is addressable (ASan checks)
    EXPECT_EQ(data[0], 0);
    for (FrameType t : {CONFIDENCE, DEPTH, AMPLITUDE, CACHE}) EXPECT_EQ(frame.getData(t), nullptr) << t;

    frame.setTimestamp(1234);
    FrameFormat f;
    ASSERT_EQ(frame.getFormat(RAW, f), 0);
    EXPECT_EQ(f.width, 240u);
    EXPECT_EQ(f.height, 720u);
    EXPECT_EQ(f.type, RAW);
    EXPECT_EQ(f.timestamp, 1234u);

    FrameFormat untouched{9, 9, AMPLITUDE, 9};
    EXPECT_EQ(frame.getFormat(DEPTH, untouched), -1);
    EXPECT_EQ(untouched.width, 9u);
    EXPECT_EQ(untouched.type, AMPLITUDE);
}

TEST(DepthDataFrame, ThreeImagesAndTheirFormats) {
    DepthData frame(240, 180);
    void* depth = frame.getData(DEPTH);
    void* amplitude = frame.getData(AMPLITUDE);
    void* confidence = frame.getData(CONFIDENCE);
    ASSERT_NE(depth, nullptr);
    ASSERT_NE(amplitude, nullptr);
    ASSERT_NE(confidence, nullptr);
    EXPECT_NE(depth, amplitude);
    EXPECT_NE(depth, confidence);
    EXPECT_NE(amplitude, confidence);
    EXPECT_EQ(frame.getData(RAW), nullptr);
    EXPECT_EQ(frame.getData(CACHE), nullptr);

    frame.setTimestamp(987654321012ULL);
    FrameFormat d, a, c;
    ASSERT_EQ(frame.getFormat(DEPTH, d), 0);
    ASSERT_EQ(frame.getFormat(AMPLITUDE, a), 0);
    ASSERT_EQ(frame.getFormat(CONFIDENCE, c), 0);
    EXPECT_EQ(d.type, DEPTH);
    EXPECT_EQ(a.type, AMPLITUDE);
    EXPECT_EQ(c.type, CONFIDENCE);
    for (const FrameFormat& f : {d, a, c}) {
        EXPECT_EQ(f.width, 240u);
        EXPECT_EQ(f.height, 180u);
        EXPECT_EQ(f.timestamp, 987654321012ULL);
    }

    FrameFormat untouched{5, 6, CACHE, 7};
    EXPECT_EQ(frame.getFormat(RAW, untouched), -1);
    EXPECT_EQ(frame.getFormat(CACHE, untouched), -1);
    EXPECT_EQ(untouched.width, 5u);
    EXPECT_EQ(untouched.height, 6u);
    EXPECT_EQ(untouched.timestamp, 7u);
}

TEST(CacheDataFrame, ViewsBorrowedBytes) {
    uint8_t bytes[16] = {};
    {
        CacheData frame(bytes, 4, 2 * 2);
        EXPECT_EQ(frame.getData(CACHE), bytes);
        EXPECT_EQ(frame.getData(RAW), nullptr);
        FrameFormat f;
        frame.setTimestamp(3);
        ASSERT_EQ(frame.getFormat(CACHE, f), 0);
        EXPECT_EQ(f.width, 4u);
        EXPECT_EQ(f.height, 4u);
        EXPECT_EQ(f.type, CACHE);
        EXPECT_EQ(f.timestamp, 3u);
        EXPECT_EQ(frame.getFormat(DEPTH, f), -1);
    }
    bytes[15] = 1;  // still ours after the view is gone
    EXPECT_EQ(bytes[15], 1);
}
