#include "cali_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace cali_writer {
namespace {

// Little-endian byte sink.
class Bytes {
 public:
  void u8(uint8_t v) { b_.push_back(v); }
  void i8(int8_t v) { b_.push_back(static_cast<uint8_t>(v)); }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
  }
  void f32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    u32(u);
  }
  // Fixed-width text field, zero padded (and cut to the width).
  void text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
  }
  void append(const std::vector<uint8_t>& v) { b_.insert(b_.end(), v.begin(), v.end()); }
  std::vector<uint8_t>& data() { return b_; }

 private:
  std::vector<uint8_t> b_;
};

void putU32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string versionTextOf(const Header& h) {
  if (!h.versionText.empty()) return h.versionText;
  return h.version == Version::V3_1 ? "CALI0301" : "CALI0300";
}

int freqCount(const Header& h) { return static_cast<int>(h.freqsMHz.size()); }

}  // namespace

int moduleCount(Version version, int freqs) { return version == Version::V3_1 ? 8 + 3 * freqs : 6 + 3 * freqs; }

int moduleIndex(Version version, int f, Module module, int k) {
  if (version == Version::V3_1) {
    switch (module) {
      case Module::BP: return 0;
      case Module::MASK: return 1;
      case Module::FPN: return 2;
      case Module::LEN: return 3;
      case Module::T: return 4 + k;
      case Module::OFS: return 4 + f + k;
      case Module::FPPN: return 4 + 2 * f;
      case Module::WIG: return 5 + 2 * f + k;
      case Module::REG: return 5 + 3 * f;
      case Module::LUMA: return 6 + 3 * f;
      case Module::PHASE_FPPN: return 7 + 3 * f;
      case Module::AE: return -1;
    }
  } else {
    switch (module) {
      case Module::BP: return 0;
      case Module::LEN: return 1;
      case Module::T: return 2 + k;
      case Module::OFS: return 2 + f + k;
      case Module::FPPN: return 2 + 2 * f;
      case Module::WIG: return 3 + 2 * f + k;
      case Module::AE: return 4 + 3 * f;
      case Module::REG: return 5 + 3 * f;
      case Module::FPN: return 3 + 3 * f;
      case Module::MASK:
      case Module::LUMA:
      case Module::PHASE_FPPN: return -1;
    }
  }
  return -1;
}

size_t headerBytes(const Header& h, int m) {
  const size_t f = h.freqsMHz.size();
  if (h.version == Version::V3_1) {
    static const int kOptional[5] = {0, 4, 5, 6, 7};
    const int n = std::clamp(h.optionalFields, 0, 4);
    return 55 + 5 * m + 4 * f + 21 + kOptional[n];
  }
  return 42 + 5 * m + 4 * f + 14;
}

std::vector<uint8_t> encode(const std::vector<BadPixelEntry>& bp) {
  Bytes b;
  b.u16(static_cast<uint16_t>(bp.size()));
  for (const auto& e : bp) {
    b.i16(e.x);
    b.u16(e.value);
  }
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Mask& mask) {
  Bytes b;
  b.u8(mask.type);
  if (mask.type == 1) {
    // Row 0 absolute, then the change from the row above as a signed byte.
    for (const auto* cols : {&mask.firstCol, &mask.lastCol}) {
      b.u16(cols->empty() ? 0 : (*cols)[0]);
      for (size_t y = 1; y < cols->size(); ++y)
        b.i8(static_cast<int8_t>(static_cast<uint16_t>((*cols)[y] - (*cols)[y - 1])));
    }
  } else if (mask.type == 2) {
    const size_t n = static_cast<size_t>(h.caliWidth) * h.caliHeight;
    std::vector<uint8_t> bits((n + 7) / 8, 0);
    for (size_t i = 0; i < n && i < mask.pixelSet.size(); ++i)
      if (mask.pixelSet[i]) bits[i / 8] |= static_cast<uint8_t>(1u << (i % 8));
    b.append(bits);
  }
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Fpn& fpn) {
  Bytes b;
  if (h.version == Version::V3_1) b.u8(fpn.type);
  for (int16_t e : fpn.errors) b.i16(e);
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Lens& len) {
  Bytes b;
  for (float p : len.paras) b.f32(p);
  b.f32(len.zoom);
  if (h.version == Version::V3_1 || len.writeSkew) b.f32(len.skew);
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Temperature& t) {
  Bytes b;
  if (h.version == Version::V3_1) {
    b.u8(t.sensorType);
    b.u8(t.driverType);
    b.f32(t.tSensor);
    b.f32(t.tDriver);
    b.u8(t.fitMode);
  } else {
    b.u8(static_cast<uint8_t>((t.sensorType & 1) | ((t.driverType & 1) << 1)));
    b.f32(t.tSensor);
    b.f32(t.tDriver);
    b.u32(0);  // bytes 9 to 12: not read
    b.f32(t.errPrecisionMM);
    b.u8(t.fitMode);
  }
  for (float p : t.fit) b.f32(p);
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Offset& ofs) {
  Bytes b;
  b.f32(ofs.globalMM);
  if (h.version == Version::V3_1) {
    b.u8(static_cast<uint8_t>(ofs.blocksMM.size()));
    for (float v : ofs.blocksMM) b.f32(v);
  } else {
    for (size_t i = 0; i < 16; ++i) b.f32(i < ofs.blocksMM.size() ? ofs.blocksMM[i] : 0.0f);
  }
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Fppn& fppn) {
  Bytes b;
  b.u8(fppn.type);
  if (h.version == Version::V3_1)
    b.u8(fppn.placement);
  else
    b.f32(fppn.errPrecisionMM);
  for (int k = 0; k < freqCount(h); ++k) {
    const FppnFit fit = k < static_cast<int>(fppn.fits.size()) ? fppn.fits[k] : FppnFit{};
    b.u8(fit.fitMode);
    for (float p : fit.paras) b.f32(p);
  }
  const bool withImage = fppn.type == 1 || fppn.type == 3;
  if (h.version == Version::V3_1) {
    if (withImage && fppn.placement == 0) {
      b.u8(fppn.zoom);
      b.u8(fppn.imageType);
      b.append(fppn.image);
    }
  } else if (withImage) {
    b.u8(fppn.zoom);
    b.append(fppn.image);
  }
  return b.data();
}

std::vector<uint8_t> encode(const Header& h, const Wiggling& wig) {
  Bytes b;
  b.u8(wig.type);
  if (h.version == Version::V3) b.f32(wig.errPrecisionMM);
  if (wig.type == 1) {
    b.u16(wig.lutLenOverride.value_or(static_cast<uint16_t>(wig.lut.size())));
    b.u8(wig.distZoom);
    b.u8(wig.errZoom);
    b.u16(wig.lutStartMM);
    b.u8(wig.lutStepMM);
    for (int16_t v : wig.lut) b.i16(v);
  } else if (wig.type == 2) {
    b.u8(wig.fitMode);
    b.u8(wig.fitLenOverride.value_or(static_cast<uint8_t>(wig.fit.size())));
    for (float v : wig.fit) b.f32(v);
  }
  return b.data();
}

std::vector<uint8_t> encode(const Registration& reg) {
  Bytes b;
  for (float v : reg.tofIntrinsic) b.f32(v);
  for (float v : reg.rgbIntrinsic) b.f32(v);
  for (float v : reg.rotation) b.f32(v);
  for (float v : reg.translation) b.f32(v);
  b.u8(reg.rgbCameraLeft);
  return b.data();
}

std::vector<uint8_t> encode(const Luma& luma) {
  Bytes b;
  b.u8(luma.type);
  b.u8(luma.blockX);
  b.u8(luma.blockY);
  for (float g : luma.gains) b.f32(g);
  return b.data();
}

std::vector<uint8_t> encodePhaseFppn(const std::vector<uint16_t>& values) {
  Bytes b;
  for (uint16_t v : values) b.u16(v);
  return b.data();
}

std::vector<uint8_t> fppnImage(const std::vector<int8_t>& px) {
  Bytes b;
  for (int8_t v : px) b.i8(v);
  return b.data();
}
std::vector<uint8_t> fppnImage(const std::vector<int16_t>& px) {
  Bytes b;
  for (int16_t v : px) b.i16(v);
  return b.data();
}
std::vector<uint8_t> fppnImage(const std::vector<float>& px) {
  Bytes b;
  for (float v : px) b.f32(v);
  return b.data();
}

std::vector<uint8_t> writeBlob(const Header& h, const std::vector<ModuleEntry>& modules,
                               std::optional<uint32_t> totalOverride) {
  const int m = static_cast<int>(modules.size());
  const int f = freqCount(h);
  if (m > 255 || f > 255) throw std::invalid_argument("too many modules or frequencies for one header");
  const size_t head = headerBytes(h, m);

  // Place the records one after the other behind the header.
  std::vector<uint32_t> offsets(m, 0);
  size_t at = head;
  for (int i = 0; i < m; ++i) {
    if (modules[i].bytes) {
      offsets[i] = static_cast<uint32_t>(at);
      at += modules[i].bytes->size();
    }
    if (modules[i].offset) offsets[i] = *modules[i].offset;
  }

  Bytes b;
  b.u32(0);  // total length, patched below
  const std::string version = versionTextOf(h);
  b.text(version, 9);
  if (h.version == Version::V3_1) b.text(h.toolVersion, 16);
  b.text(h.sensorId, 24);
  if (version.size() > 9) {
    // A longer version text ("CALI0300 V") runs on into the next field.
    for (size_t i = 9; i < version.size() && 4 + i < b.data().size(); ++i)
      b.data()[4 + i] = static_cast<uint8_t>(version[i]);
  }
  b.u8(static_cast<uint8_t>(f));
  b.u8(static_cast<uint8_t>(m));
  for (int i = 0; i < m; ++i) b.u32(offsets[i]);
  for (int i = 0; i < m; ++i) b.u8(modules[i].validFlag.value_or(modules[i].bytes ? 1 : 0));
  if (h.version == Version::V3) {
    b.u8(h.lenCaliFirst);
    b.u8(h.tCaliFirst);
    b.u8(h.orderOfsWigFppn);
  }
  for (int k = 0; k < f; ++k) b.u16(h.freqsMHz[k]);
  for (int k = 0; k < f; ++k) b.u16(k < static_cast<int>(h.expoTimesUs.size()) ? h.expoTimesUs[k] : 0);
  b.u16(h.caliWidth);
  b.u16(h.caliHeight);
  b.u16(h.rawWidth);
  b.u16(h.rawHeight);
  b.u16(h.startX);
  b.u16(h.startY);
  b.u8(h.flipMode);
  b.u8(h.binningType);
  if (h.version == Version::V3_1) {
    b.u8(1);  // read-out steps, not read by the loader
    b.u8(1);
    b.u8(h.phaseMode);
    b.f32(h.errPrecisionMM);
    const int n = std::clamp(h.optionalFields, 0, 4);
    if (n >= 1) b.f32(h.maxFreqMHz);
    if (n >= 2) b.u8(h.wigType);
    if (n >= 3) b.u8(h.pulseMode);
    if (n >= 4) b.u8(h.twoPhaseMode);
  }
  for (int i = 0; i < m; ++i)
    if (modules[i].bytes) b.append(*modules[i].bytes);

  std::vector<uint8_t> out = std::move(b.data());
  putU32At(out, 0, totalOverride.value_or(static_cast<uint32_t>(out.size())));
  return out;
}

std::vector<ModuleEntry> directory(const Contents& c) {
  const Header& h = c.header;
  const Version v = h.version;
  const int f = freqCount(h);
  std::vector<ModuleEntry> dir(moduleCount(v, f));
  auto put = [&](Module mod, int k, std::vector<uint8_t> bytes) {
    const int i = moduleIndex(v, f, mod, k);
    if (i >= 0) dir[i].bytes = std::move(bytes);
  };
  if (c.bp) put(Module::BP, 0, encode(*c.bp));
  if (c.mask) put(Module::MASK, 0, encode(h, *c.mask));
  if (c.fpn) put(Module::FPN, 0, encode(h, *c.fpn));
  if (c.len) put(Module::LEN, 0, encode(h, *c.len));
  for (int k = 0; k < f; ++k) {
    if (k < static_cast<int>(c.t.size()) && c.t[k]) put(Module::T, k, encode(h, *c.t[k]));
    if (k < static_cast<int>(c.ofs.size()) && c.ofs[k]) put(Module::OFS, k, encode(h, *c.ofs[k]));
    if (k < static_cast<int>(c.wig.size()) && c.wig[k]) put(Module::WIG, k, encode(h, *c.wig[k]));
  }
  if (c.fppn) put(Module::FPPN, 0, encode(h, *c.fppn));
  if (c.reg) put(Module::REG, 0, encode(*c.reg));
  if (c.luma) put(Module::LUMA, 0, encode(*c.luma));
  if (c.phaseFppn) put(Module::PHASE_FPPN, 0, encodePhaseFppn(*c.phaseFppn));
  return dir;
}

std::vector<uint8_t> buildBlob(const Contents& c) { return writeBlob(c.header, directory(c)); }

Contents neutralContents(Version version, const std::vector<uint16_t>& freqsMHz, uint16_t width,
                         uint16_t height) {
  if (freqsMHz.empty() || freqsMHz.size() > 4) throw std::invalid_argument("1 to 4 frequencies");
  if (width == 0 || width > 640 || height == 0 || height > 480)
    throw std::invalid_argument("calibration size must be 1..640 x 1..480");
  Contents c;
  Header& h = c.header;
  h.version = version;
  h.freqsMHz = freqsMHz;
  h.expoTimesUs.assign(freqsMHz.size(), 1000);
  h.caliWidth = width;
  h.caliHeight = height;
  h.rawWidth = width;
  h.rawHeight = height;
  h.maxFreqMHz = 960.0f;
  const size_t n = static_cast<size_t>(width) * height;
  const size_t f = freqsMHz.size();

  c.bp = std::vector<BadPixelEntry>{};
  Lens len;
  const float focal = 0.8f * width;  // roughly a 64 degree horizontal field of view
  len.paras = {focal, focal, width / 2.0f + 0.5f, height / 2.0f + 0.5f, 0, 0, 0, 0, 0};
  c.len = len;
  Temperature t;
  t.fitMode = 1;  // first-order model with zero slope: no temperature term
  c.t.assign(f, t);
  c.ofs.assign(f, Offset{0.0f, std::vector<float>(16, 0.0f)});
  Fppn fppn;
  fppn.type = 3;
  fppn.fits.assign(f, FppnFit{});
  fppn.zoom = 1;
  fppn.imageType = 0;
  fppn.image.assign(n, 0);
  c.fppn = fppn;
  Wiggling wig;
  wig.type = 1;
  wig.lutStartMM = 0;
  wig.lutStepMM = 50;
  wig.lut.assign(160, 0);
  c.wig.assign(f, wig);
  Fpn fpn;
  fpn.type = 1;
  fpn.errors.assign(width, 0);
  c.fpn = fpn;
  Registration reg;
  reg.tofIntrinsic = {focal, 0, width / 2.0f, 0, focal, height / 2.0f, 0, 0, 1};
  reg.rgbIntrinsic = reg.tofIntrinsic;
  reg.rotation = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  c.reg = reg;
  if (version == Version::V3_1) {
    Mask mask;
    mask.type = 1;
    mask.firstCol.assign(height, 0);
    mask.lastCol.assign(height, static_cast<uint16_t>(width - 1));
    c.mask = mask;
    Luma luma;
    luma.blockX = static_cast<uint8_t>(std::max<int>(1, width / 8));
    luma.blockY = static_cast<uint8_t>(std::max<int>(1, height / 8));
    luma.gains.assign(static_cast<size_t>(width / luma.blockX) * (height / luma.blockY), 1.0f);
    c.luma = luma;
  }
  return c;
}

uint32_t crc32Of(const std::vector<uint8_t>& data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  return static_cast<uint32_t>(crc);
}

std::vector<uint8_t> writeEeprom(const EepromHeader& h, const std::vector<uint8_t>& data) {
  if (h.dataOffset < kEepromHeaderBytes)
    throw std::invalid_argument("calibration data must start after the 80-byte EEPROM header");
  const size_t size = h.dataOffset + data.size();
  Bytes b;
  b.text(h.e2pName, 16);
  b.text(h.chipName, 8);
  b.u32(h.waferId);
  b.u32(h.loftId);
  b.u32(h.crcOverride.value_or(crc32Of(data)));
  b.u16(h.dataOffset);
  b.u32(h.lengthOverride.value_or(static_cast<uint32_t>(data.size())));
  b.u8(h.workMode);
  b.u8(h.subWorkMode);
  b.u8(h.binningMode);
  b.u32(h.totalSize != 0 ? h.totalSize : static_cast<uint32_t>(size));
  b.u8(h.pageSize);
  std::vector<uint8_t> out = std::move(b.data());
  out.resize(size, 0);  // 30 reserved header bytes and any gap before the data stay zero
  std::copy(data.begin(), data.end(), out.begin() + h.dataOffset);
  return out;
}

}  // namespace cali_writer
