#include "VeltorFrame.h"

namespace Veltor {

namespace {
size_t pixels(uint32_t width, uint32_t height) { return size_t(width) * size_t(height); }
}  // namespace

RawData::RawData(uint32_t width, uint32_t height)
    : data(new int16_t[pixels(width, height)]()), format{width, height, RAW, 0} {}

void RawData::setTimestamp(uint64_t timestamp) { format.timestamp = timestamp; }

void* RawData::getData(FrameType type) { return type == RAW ? data.get() : nullptr; }

int RawData::getFormat(FrameType type, FrameFormat& out) {
    if (type != RAW) return -1;
    out = format;
    return 0;
}

DepthData::DepthData(uint32_t width, uint32_t height)
    : confidence(new float[pixels(width, height)]()),
      amplitude(new float[pixels(width, height)]()),
      depth(new float[pixels(width, height)]()),
      depthFormat{width, height, DEPTH, 0},
      amplitudeFormat{width, height, AMPLITUDE, 0} {}

void DepthData::setTimestamp(uint64_t timestamp) {
    depthFormat.timestamp = timestamp;
    amplitudeFormat.timestamp = timestamp;
}

void* DepthData::getData(FrameType type) {
    switch (type) {
    case CONFIDENCE:
        return confidence.get();
    case DEPTH:
        return depth.get();
    case AMPLITUDE:
        return amplitude.get();
    default:
        return nullptr;
    }
}

int DepthData::getFormat(FrameType type, FrameFormat& out) {
    switch (type) {
    case DEPTH:
        out = depthFormat;
        return 0;
    case AMPLITUDE:
        out = amplitudeFormat;
        return 0;
    case CONFIDENCE:
        out = amplitudeFormat;
        out.type = CONFIDENCE;
        return 0;
    default:
        return -1;
    }
}

CacheData::CacheData(uint8_t* data, uint32_t width, uint32_t height)
    : data(data), format{width, height, CACHE, 0} {}

void CacheData::setTimestamp(uint64_t timestamp) { format.timestamp = timestamp; }

void* CacheData::getData(FrameType type) { return type == CACHE ? data : nullptr; }

int CacheData::getFormat(FrameType type, FrameFormat& out) {
    if (type != CACHE) return -1;
    out = format;
    return 0;
}

}  // namespace Veltor
