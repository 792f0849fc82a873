// Calibration blob writer: builds the binary calibration blobs ("CALI0300"
// and "CALI0301" layouts) that the correction library loads, and the module
// EEPROM image that carries one of them behind an 80-byte header with a
// CRC-32. Used by the tests, by the simulated camera and by the cali_writer
// command-line tool.
//
// The writer is deliberately independent of the loader: it lays bytes out
// from the record layouts alone, so round-trip tests compare two separate
// implementations of the format.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cali_writer {

enum class Version { V3, V3_1 };

// Module kinds of the directory; the index of each depends on the version and
// on the number of calibration frequencies (see moduleIndex).
enum class Module { BP, MASK, FPN, LEN, T, OFS, FPPN, WIG, REG, LUMA, PHASE_FPPN, AE };

// Directory index of a module (k: calibration frequency index for T, OFS and
// WIG), or -1 when the version has no such module.
int moduleIndex(Version version, int freqs, Module module, int k = 0);
// Number of directory entries the version defines for `freqs` frequencies.
int moduleCount(Version version, int freqs);

// Common header. Frequencies and exposure times have one entry per
// calibration frequency.
struct Header {
  Version version = Version::V3_1;
  std::string versionText;  // empty: "CALI0301" (V3_1) or "CALI0300" (V3)
  std::string toolVersion = "cali_writer";
  std::string sensorId = "KRX5830";
  std::vector<uint16_t> freqsMHz{100, 80};
  std::vector<uint16_t> expoTimesUs{1000, 1000};
  uint16_t caliWidth = 640, caliHeight = 480;
  uint16_t rawWidth = 640, rawHeight = 480;
  uint16_t startX = 0, startY = 0;
  uint8_t flipMode = 0;
  uint8_t binningType = 0;
  uint8_t phaseMode = 0;          // V3_1 only
  float errPrecisionMM = 0.1f;    // V3_1 only (V3 records carry their own)
  // V3_1 optional trailer: how many of the four optional fields are written
  // (0 to 4: maximum frequency, wiggling type, pulse mode, two-phase mode).
  int optionalFields = 4;
  float maxFreqMHz = 960.0f;
  uint8_t wigType = 0, pulseMode = 0, twoPhaseMode = 0;
  // V3 only: order flags of the calibration tool.
  uint8_t lenCaliFirst = 0, tCaliFirst = 0, orderOfsWigFppn = 0;
};

// Size of the common header in bytes for `modules` directory entries.
size_t headerBytes(const Header& header, int modules);

struct BadPixelEntry {
  int16_t x;       // >= 0: pixel column; -2: whole row; -3: whole column
  uint16_t value;  // pixel row, or the row / column number
};

struct Mask {
  uint8_t type = 1;                 // 1: per-row valid column range; 2: bit image
  std::vector<uint16_t> firstCol;   // type 1: one per calibration row
  std::vector<uint16_t> lastCol;    // type 1
  std::vector<uint8_t> pixelSet;    // type 2: W x H values, non-zero = bit set
};

struct Fpn {
  uint8_t type = 1;             // V3_1: 1 column errors, 2 pixel errors (V3: columns only)
  std::vector<int16_t> errors;  // W (columns) or W x H
};

struct Lens {
  std::array<float, 9> paras{};  // fx, fy, cx, cy (principal point counted from 1), k1..k5
  float zoom = 1.0f;
  float skew = 0.0f;
  bool writeSkew = true;  // V3: the skew is optional
};

struct Temperature {
  uint8_t sensorType = 1;
  uint8_t driverType = 1;
  float tSensor = 40.0f, tDriver = 40.0f;
  float errPrecisionMM = 0.1f;  // V3 only
  uint8_t fitMode = 1;
  std::array<float, 10> fit{};
};

struct Offset {
  float globalMM = 0.0f;
  std::vector<float> blocksMM;  // V3: exactly 16
};

struct FppnFit {
  uint8_t fitMode = 2;
  std::array<float, 10> paras{};
};

struct Fppn {
  uint8_t type = 3;              // 1 image, 2 fit, 3 both
  uint8_t placement = 0;         // V3_1: 0 image inside the record
  float errPrecisionMM = 0.1f;   // V3 only
  std::vector<FppnFit> fits;     // one per calibration frequency
  uint8_t zoom = 1;
  uint8_t imageType = 0;         // V3_1: 0 int8, 1 int16, 2 float (V3: int8)
  std::vector<uint8_t> image;    // raw little-endian element bytes, W x H elements
};

struct Wiggling {
  uint8_t type = 1;  // 1 table, 2 fit
  float errPrecisionMM = 0.1f;  // V3 only
  uint8_t distZoom = 1, errZoom = 1;
  uint16_t lutStartMM = 0;
  uint8_t lutStepMM = 10;
  std::vector<int16_t> lut;
  std::optional<uint16_t> lutLenOverride;  // to write a length that differs from lut.size()
  uint8_t fitMode = 1;
  std::vector<float> fit;
  std::optional<uint8_t> fitLenOverride;
};

struct Registration {
  std::array<float, 9> tofIntrinsic{}, rgbIntrinsic{}, rotation{};
  std::array<float, 3> translation{};
  uint8_t rgbCameraLeft = 0;
};

struct Luma {
  uint8_t type = 1;
  uint8_t blockX = 8, blockY = 8;
  std::vector<float> gains;  // (W / blockX) x (H / blockY)
};

// Record encoders (bytes of one module record).
std::vector<uint8_t> encode(const std::vector<BadPixelEntry>& bp);
std::vector<uint8_t> encode(const Header& h, const Mask& mask);
std::vector<uint8_t> encode(const Header& h, const Fpn& fpn);
std::vector<uint8_t> encode(const Header& h, const Lens& len);
std::vector<uint8_t> encode(const Header& h, const Temperature& t);
std::vector<uint8_t> encode(const Header& h, const Offset& ofs);
std::vector<uint8_t> encode(const Header& h, const Fppn& fppn);
std::vector<uint8_t> encode(const Header& h, const Wiggling& wig);
std::vector<uint8_t> encode(const Registration& reg);
std::vector<uint8_t> encode(const Luma& luma);
std::vector<uint8_t> encodePhaseFppn(const std::vector<uint16_t>& values);

// FPPN error-image helpers: element bytes for each stored type.
std::vector<uint8_t> fppnImage(const std::vector<int8_t>& px);
std::vector<uint8_t> fppnImage(const std::vector<int16_t>& px);
std::vector<uint8_t> fppnImage(const std::vector<float>& px);

// One directory entry: the record bytes and its valid flag. An entry without
// bytes is written with offset 0 and valid flag 0 unless overridden.
struct ModuleEntry {
  std::optional<std::vector<uint8_t>> bytes;
  std::optional<uint8_t> validFlag;     // default: 1 with bytes, 0 without
  std::optional<uint32_t> offset;       // default: where the record is placed
};

// Lays out header and records: records follow the header in directory order.
// `modules` may be shorter or longer than moduleCount() (entries beyond the
// vector are absent). `totalOverride` replaces the stored total length.
std::vector<uint8_t> writeBlob(const Header& header, const std::vector<ModuleEntry>& modules,
                               std::optional<uint32_t> totalOverride = std::nullopt);

// Typed contents of a whole blob; optional members that are empty are absent.
struct Contents {
  Header header;
  std::optional<std::vector<BadPixelEntry>> bp;
  std::optional<Mask> mask;  // V3_1
  std::optional<Fpn> fpn;
  std::optional<Lens> len;
  std::vector<std::optional<Temperature>> t;  // per calibration frequency
  std::vector<std::optional<Offset>> ofs;
  std::optional<Fppn> fppn;
  std::vector<std::optional<Wiggling>> wig;
  std::optional<Registration> reg;
  std::optional<Luma> luma;                        // V3_1
  std::optional<std::vector<uint16_t>> phaseFppn;  // V3_1
};

std::vector<ModuleEntry> directory(const Contents& c);
std::vector<uint8_t> buildBlob(const Contents& c);

// Plausible, correction-neutral contents for every module of the version:
// no bad pixels, no mask columns cut, zero errors, a pinhole lens with the
// principal point in the centre, unit luminance gains.
Contents neutralContents(Version version, const std::vector<uint16_t>& freqsMHz, uint16_t width,
                         uint16_t height);

// EEPROM image: an 80-byte header, then the calibration data at dataOffset.
struct EepromHeader {
  std::string e2pName = "veltor_e2p";
  std::string chipName = "KRX5830";  // must begin with "KRX583" to be accepted
  uint32_t waferId = 0, loftId = 0;
  std::optional<uint32_t> crcOverride;  // default: CRC-32 of the data
  uint16_t dataOffset = 80;             // caliDataStartAddr
  std::optional<uint32_t> lengthOverride;  // default: data size
  uint8_t workMode = 1, subWorkMode = 11, binningMode = 0;
  uint32_t totalSize = 0;  // 0: the image size
  uint8_t pageSize = 64;
};
constexpr size_t kEepromHeaderBytes = 80;

std::vector<uint8_t> writeEeprom(const EepromHeader& header, const std::vector<uint8_t>& caliData);
uint32_t crc32Of(const std::vector<uint8_t>& data);

}  // namespace cali_writer
