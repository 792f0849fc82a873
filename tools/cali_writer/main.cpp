// cali_writer: writes a correction-neutral calibration blob, or wraps a blob
// into a module EEPROM image with its header and CRC-32.
//
//   cali_writer blob [--version v3|v3_1] [--freqs 100,80] [--size 640x480]
//                    [--raw 640x480] [--sensor-id TEXT] [--max-freq MHZ]
//                    [--fppn int8|int16|float] [--wig table|fit] [--mask rows|image]
//                    --out FILE
//   cali_writer eeprom --blob FILE [--chip KRX5830] [--offset 80] --out FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cali_writer.h"

namespace {

int usage() {
  std::cerr << "usage:\n"
               "  cali_writer blob [--version v3|v3_1] [--freqs 100,80] [--size 640x480]\n"
               "                   [--raw 640x480] [--sensor-id TEXT] [--max-freq MHZ]\n"
               "                   [--fppn int8|int16|float] [--wig table|fit] [--mask rows|image] --out FILE\n"
               "  cali_writer eeprom --blob FILE [--chip KRX5830] [--offset 80] --out FILE\n";
  return 2;
}

bool parseNumber(const std::string& s, unsigned long max, unsigned long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtoul(s.c_str(), &end, 10);
  return end && *end == '\0' && out <= max;
}

bool parseSize(const std::string& s, uint16_t& w, uint16_t& h) {
  const auto x = s.find('x');
  unsigned long a, b;
  if (x == std::string::npos || !parseNumber(s.substr(0, x), 65535, a) || !parseNumber(s.substr(x + 1), 65535, b))
    return false;
  w = static_cast<uint16_t>(a);
  h = static_cast<uint16_t>(b);
  return true;
}

bool parseFreqs(const std::string& s, std::vector<uint16_t>& out) {
  std::stringstream in(s);
  std::string item;
  out.clear();
  while (std::getline(in, item, ',')) {
    unsigned long v;
    if (!parseNumber(item, 65535, v) || v == 0) return false;
    out.push_back(static_cast<uint16_t>(v));
  }
  return !out.empty() && out.size() <= 4;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Options as "--name value" pairs.
bool parseOptions(int argc, char** argv, std::map<std::string, std::string>& opts) {
  for (int i = 2; i < argc; i += 2) {
    const std::string name = argv[i];
    if (name.rfind("--", 0) != 0 || i + 1 >= argc) return false;
    opts[name.substr(2)] = argv[i + 1];
  }
  return true;
}

int cmdBlob(std::map<std::string, std::string>& opts) {
  cali_writer::Version version = cali_writer::Version::V3_1;
  if (opts.count("version")) {
    if (opts["version"] == "v3")
      version = cali_writer::Version::V3;
    else if (opts["version"] != "v3_1")
      return usage();
  }
  std::vector<uint16_t> freqs{100, 80};
  if (opts.count("freqs") && !parseFreqs(opts["freqs"], freqs)) return usage();
  uint16_t w = 640, h = 480;
  if (opts.count("size") && !parseSize(opts["size"], w, h)) return usage();
  if (w == 0 || w > 640 || h == 0 || h > 480) {
    std::cerr << "cali_writer: calibration size must be 1..640 x 1..480\n";
    return 2;
  }
  if (!opts.count("out")) return usage();
  cali_writer::Contents c = cali_writer::neutralContents(version, freqs, w, h);
  if (opts.count("raw") && !parseSize(opts["raw"], c.header.rawWidth, c.header.rawHeight)) return usage();
  if (opts.count("sensor-id")) c.header.sensorId = opts["sensor-id"];
  if (opts.count("max-freq")) {
    unsigned long mhz;
    if (!parseNumber(opts["max-freq"], 65535, mhz)) return usage();
    c.header.maxFreqMHz = static_cast<float>(mhz);
  }
  // Record variants (all still correction-neutral).
  const size_t pixels = static_cast<size_t>(w) * h;
  if (opts.count("fppn")) {
    const std::string& t = opts["fppn"];
    if (t == "int16") {
      c.fppn->imageType = 1;
      c.fppn->image = cali_writer::fppnImage(std::vector<int16_t>(pixels, 0));
    } else if (t == "float") {
      c.fppn->imageType = 2;
      c.fppn->image = cali_writer::fppnImage(std::vector<float>(pixels, 0.0f));
    } else if (t != "int8") {
      return usage();
    }
  }
  if (opts.count("wig")) {
    if (opts["wig"] == "fit") {
      for (auto& wig : c.wig) {
        wig->type = 2;
        wig->fitMode = 1;
        wig->fit.assign(4, 0.0f);
      }
    } else if (opts["wig"] != "table") {
      return usage();
    }
  }
  if (opts.count("mask") && c.mask) {
    if (opts["mask"] == "image") {
      c.mask->type = 2;
      c.mask->pixelSet.assign(pixels, 1);  // every pixel valid
    } else if (opts["mask"] != "rows") {
      return usage();
    }
  }
  const std::vector<uint8_t> blob = cali_writer::buildBlob(c);
  if (!writeFile(opts["out"], blob)) {
    std::cerr << "cali_writer: cannot write " << opts["out"] << "\n";
    return 1;
  }
  std::cout << "wrote " << blob.size() << " bytes to " << opts["out"] << "\n";
  return 0;
}

int cmdEeprom(std::map<std::string, std::string>& opts) {
  if (!opts.count("blob") || !opts.count("out")) return usage();
  std::ifstream in(opts["blob"], std::ios::binary);
  if (!in) {
    std::cerr << "cali_writer: cannot read " << opts["blob"] << "\n";
    return 1;
  }
  const std::vector<uint8_t> blob((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  cali_writer::EepromHeader header;
  if (opts.count("chip")) header.chipName = opts["chip"];
  if (opts.count("offset")) {
    unsigned long off;
    if (!parseNumber(opts["offset"], 65535, off) || off < cali_writer::kEepromHeaderBytes) return usage();
    header.dataOffset = static_cast<uint16_t>(off);
  }
  const std::vector<uint8_t> image = cali_writer::writeEeprom(header, blob);
  if (!writeFile(opts["out"], image)) {
    std::cerr << "cali_writer: cannot write " << opts["out"] << "\n";
    return 1;
  }
  std::printf("wrote %zu bytes to %s (crc32 0x%08x)\n", image.size(), opts["out"].c_str(),
              cali_writer::crc32Of(blob));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::map<std::string, std::string> opts;
  if (!parseOptions(argc, argv, opts)) return usage();
  const std::string cmd = argv[1];
  if (cmd == "blob") return cmdBlob(opts);
  if (cmd == "eeprom") return cmdEeprom(opts);
  return usage();
}
