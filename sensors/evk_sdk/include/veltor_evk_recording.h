// Raw recording file of the evaluation kit: what the kit's playback replays
// and what recording tools write. Little-endian throughout.
//
//   bytes 0-7    magic "VLTRAW01"
//   bytes 8-11   width (pixels per row)
//   bytes 12-15  height (rows per sub-frame)
//   bytes 16-19  bit width of the samples (8 to 16)
//   bytes 20-23  sub-frames per capture
//   bytes 24-27  frame rate (captures per second)
//   bytes 28-31  number of captures
//   then the captures back to back, each its sub-frames back to back, each
//   sub-frame width x height samples: 1 byte per sample at bit width 8,
//   2 bytes (uint16) otherwise.
#ifndef VELTOR_EVK_RECORDING_H
#define VELTOR_EVK_RECORDING_H

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace veltor_evk {

struct RecordingHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitWidth = 12;
    uint32_t subFrames = 1;
    uint32_t frameRate = 30;
    uint32_t captures = 0;

    static constexpr size_t kBytes = 32;
    static constexpr const char* kMagic = "VLTRAW01";

    uint32_t bytesPerSample() const { return bitWidth <= 8 ? 1u : 2u; }
    uint64_t subFrameBytes() const { return uint64_t{width} * height * bytesPerSample(); }
    uint64_t captureBytes() const { return subFrameBytes() * subFrames; }

    // Checks the fields; error names the first bad one.
    bool valid(std::string& error) const {
        if (width == 0 || width > 4096 || height == 0 || height > 4096) {
            error = "recording geometry " + std::to_string(width) + " x " + std::to_string(height) +
                    " is outside 1..4096";
            return false;
        }
        if (bitWidth < 8 || bitWidth > 16) {
            error = "recording bit width " + std::to_string(bitWidth) + " is outside 8..16";
            return false;
        }
        if (subFrames == 0 || subFrames > 32) {
            error = "recording has " + std::to_string(subFrames) + " sub-frames per capture (1..32)";
            return false;
        }
        if (frameRate == 0 || frameRate > 1000) {
            error = "recording frame rate " + std::to_string(frameRate) + " is outside 1..1000";
            return false;
        }
        if (captures == 0) {
            error = "recording holds no captures";
            return false;
        }
        return true;
    }

    void encode(uint8_t out[kBytes]) const {
        std::memcpy(out, kMagic, 8);
        const uint32_t fields[6] = {width, height, bitWidth, subFrames, frameRate, captures};
        for (int i = 0; i < 6; ++i)
            for (int b = 0; b < 4; ++b) out[8 + 4 * i + b] = static_cast<uint8_t>(fields[i] >> (8 * b));
    }

    bool decode(const uint8_t* in, size_t size, std::string& error) {
        if (size < kBytes || std::memcmp(in, kMagic, 8) != 0) {
            error = "not a raw recording (no VLTRAW01 header)";
            return false;
        }
        uint32_t fields[6];
        for (int i = 0; i < 6; ++i) {
            fields[i] = 0;
            for (int b = 0; b < 4; ++b) fields[i] |= uint32_t{in[8 + 4 * i + b]} << (8 * b);
        }
        width = fields[0];
        height = fields[1];
        bitWidth = fields[2];
        subFrames = fields[3];
        frameRate = fields[4];
        captures = fields[5];
        return valid(error);
    }
};

// Writes a recording capture by capture. The header's capture count is
// rewritten by finish().
class RecordingWriter {
public:
    RecordingWriter() = default;
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;
    ~RecordingWriter() { finish(); }

    bool open(const std::string& path, const RecordingHeader& header, std::string& error) {
        finish();
        header_ = header;
        header_.captures = 1;  // any non-zero count passes the geometry check
        if (!header_.valid(error)) return false;
        header_.captures = 0;
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) {
            error = "cannot create \"" + path + "\"";
            return false;
        }
        uint8_t raw[RecordingHeader::kBytes];
        header_.encode(raw);
        if (std::fwrite(raw, 1, sizeof raw, file_) != sizeof raw) {
            error = "cannot write \"" + path + "\"";
            return false;
        }
        return true;
    }

    // data holds one capture: subFrames x width x height samples.
    bool append(const void* data, size_t bytes) {
        if (file_ == nullptr || bytes != header_.captureBytes()) return false;
        if (std::fwrite(data, 1, bytes, file_) != bytes) return false;
        ++header_.captures;
        return true;
    }

    // Rewrites the capture count and closes; false when the file is incomplete.
    bool finish() {
        if (file_ == nullptr) return true;
        uint8_t raw[RecordingHeader::kBytes];
        header_.encode(raw);
        bool ok = std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(raw, 1, sizeof raw, file_) == sizeof raw;
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        return ok;
    }

    uint32_t captures() const { return header_.captures; }

private:
    std::FILE* file_ = nullptr;
    RecordingHeader header_;
};

}  // namespace veltor_evk

#endif
