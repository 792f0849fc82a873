// Calibration data acquisition: the private copy of the caller's blob, the
// EEPROM reader with its header and CRC-32, and the calibration-file search.
#include <gtest/gtest.h>
#include <spdlog/sinks/ostream_sink.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cali_algo.h"
#include "cali_load_fixture.h"
#include "cali_writer.h"
#include "log_wrapper.h"

namespace {

namespace cw = cali_writer;
namespace fs = std::filesystem;
using OrynSdk::CaliAlgo;

// Collects the SDK log while alive.
class LogCapture {
 public:
  LogCapture() {
    Logger::GetInstance()->SetLogLevel("trace", true);
    logger_ = Logger::GetInstance()->GetLogger();
    // Keep the console quiet while capturing.
    for (auto& s : logger_->sinks()) {
      quieted_.emplace_back(s, s->level());
      s->set_level(spdlog::level::off);
    }
    sink_ = std::make_shared<spdlog::sinks::ostream_sink_mt>(out_);
    sink_->set_pattern("%v");
    logger_->sinks().push_back(sink_);
  }
  ~LogCapture() {
    auto& sinks = logger_->sinks();
    sinks.erase(std::remove(sinks.begin(), sinks.end(), sink_), sinks.end());
    for (auto& [s, level] : quieted_) s->set_level(level);
    Logger::GetInstance()->SetLogLevel("off", true);
  }
  bool has(const std::string& text) const { return out_.str().find(text) != std::string::npos; }
  std::string text() const { return out_.str(); }

 private:
  std::ostringstream out_;
  std::shared_ptr<spdlog::logger> logger_;
  std::shared_ptr<spdlog::sinks::ostream_sink_mt> sink_;
  std::vector<std::pair<spdlog::sink_ptr, spdlog::level::level_enum>> quieted_;
};

// A fresh temporary directory that is the working directory while alive.
class TempDir {
 public:
  TempDir() : old_(fs::current_path()) {
    char tmpl[] = "/tmp/cali_algo_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    fs::current_path(dir_);
  }
  ~TempDir() {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  fs::path path(const std::string& name) const { return dir_ / name; }
  void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path old_;
  fs::path dir_;
};

std::vector<uint8_t> smallBlob() {
  return cw::buildBlob(cw::neutralContents(cw::Version::V3_1, {100, 80}, 16, 12));
}

// A CaliAlgo whose EEPROM is the file `path`.
struct EepromCali {
  explicit EepromCali(const fs::path& path) : pathText(path.string()) {
    pathBuf.assign(pathText.begin(), pathText.end());
    pathBuf.push_back('\0');
    OrynSdk::TofConfig cfg;
    cfg.eepromPath = pathBuf.data();
    cali.setTofConfig(cfg);
  }
  std::string pathText;
  std::vector<char> pathBuf;
  CaliAlgo cali;
};

TEST(CaliAlgoSetCaliData, KeepsAPrivateCopyWithItsSize) {
  LogCapture log;
  CaliAlgo cali;
  EXPECT_EQ(cali.setCaliData(nullptr, 100), CaliAlgo::kSetCaliDataFailed);
  EXPECT_TRUE(log.has("data is null, size=100 , please check!"));
  EXPECT_EQ(cali.getCaliData(), nullptr);
  EXPECT_FALSE(cali.isCaliDataFromUser());

  std::vector<unsigned char> blob = {1, 2, 3, 4, 5};
  ASSERT_EQ(cali.setCaliData(blob.data(), 5), 0u);
  EXPECT_TRUE(log.has("set Cali Data success from user!"));
  blob[0] = 99;  // the copy is private
  ASSERT_NE(cali.getCaliData(), nullptr);
  EXPECT_EQ(cali.getCaliData()[0], 1);
  EXPECT_EQ(cali.getCaliDataSize(), 5u);
  EXPECT_TRUE(cali.isCaliDataFromUser());

  std::vector<unsigned char> second = {7, 8};
  ASSERT_EQ(cali.setCaliData(second.data(), 2), 0u);
  EXPECT_EQ(cali.getCaliData()[0], 7);
  EXPECT_EQ(cali.getCaliDataSize(), 2u);

  EXPECT_EQ(cali.setCaliData(second.data(), 0), CaliAlgo::kSetCaliDataFailed);
  EXPECT_TRUE(log.has("malloc 0 bytes failed!"));
  EXPECT_EQ(cali.getCaliDataSize(), 2u);  // the earlier copy stays
}

TEST(CaliAlgoSetCaliData, CopyBoundsTheLoader) {
  // A blob whose header claims more than the copy holds is refused by the
  // loader, which is given the copy's size.
  std::vector<uint8_t> blob = smallBlob();
  std::vector<uint8_t> cut(blob.begin(), blob.begin() + blob.size() / 2);
  CaliAlgo cali;
  ASSERT_EQ(cali.setCaliData(cut.data(), static_cast<unsigned>(cut.size())), 0u);
  calib_test::LoadedCali L;
  NAMESPACE_CORR::CALI_BLOB b{reinterpret_cast<const char*>(cali.getCaliData()), cali.getCaliDataSize()};
  EXPECT_EQ(NAMESPACE_CORR::CALI_LoadCaliParas(b, nullptr, nullptr, &L.targets, &L.fix, nullptr), 0);

  ASSERT_EQ(cali.setCaliData(blob.data(), static_cast<unsigned>(blob.size())), 0u);
  NAMESPACE_CORR::CALI_BLOB full{reinterpret_cast<const char*>(cali.getCaliData()), cali.getCaliDataSize()};
  calib_test::LoadedCali F;
  EXPECT_EQ(NAMESPACE_CORR::CALI_LoadCaliParas(full, nullptr, nullptr, &F.targets, &F.fix, nullptr), 1);
}

TEST(CaliAlgoReadNvm, OpensReadsAndReportsShortReads) {
  LogCapture log;
  TempDir dir;
  dir.write("nvm.bin", {10, 11, 12, 13, 14});
  CaliAlgo cali;
  unsigned char buf[8] = {};
  size_t got = 0;
  EXPECT_EQ(cali.readNvm(dir.path("nvm.bin").c_str(), 2, 8, buf, &got), 0u);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(buf[0], 12);
  EXPECT_EQ(buf[2], 14);
  EXPECT_TRUE(log.has("readNvm open success"));
  EXPECT_TRUE(log.has("failed to read from eeprom, 3 < 8"));
  EXPECT_TRUE(log.has("readNvm 3 bytes success"));
  EXPECT_EQ(cali.readNvm("", 0, 4, buf), 2u);
  EXPECT_TRUE(log.has("readNvm  failed!"));
  EXPECT_EQ(cali.readNvm(nullptr, 0, 4, buf), 2u);
}

TEST(CaliAlgoReadFromEeprom, AcceptsOnlyAMatchingChecksum) {
  TempDir dir;
  const std::vector<uint8_t> blob = smallBlob();
  using HeaderEdit = void (*)(cw::EepromHeader&);
  using ImageEdit = void (*)(std::vector<uint8_t>&);
  struct Case {
    const char* name;
    HeaderEdit editHeader;
    ImageEdit editImage;
    unsigned destSize;
    unsigned expected;
    const char* message;
  } cases[] = {
      {"valid", nullptr, nullptr, CaliAlgo::kCaliBinBufferBytes, 0, "*********EEPROM INFO*********"},
      {"chip", [](cw::EepromHeader& h) { h.chipName = "KRX999"; }, nullptr, CaliAlgo::kCaliBinBufferBytes, 2,
       "read chipName KRX999 is error"},
      {"flipped byte", nullptr, [](std::vector<uint8_t>& img) { img[200] ^= 0x01; }, CaliAlgo::kCaliBinBufferBytes,
       2, "calc eeprom checksum"},
      {"wrong crc", [](cw::EepromHeader& h) { h.crcOverride = 0x12345678; }, nullptr,
       CaliAlgo::kCaliBinBufferBytes, 2, "!= 305419896"},
      {"length beyond buffer", [](cw::EepromHeader& h) { h.lengthOverride = 400000; }, nullptr,
       CaliAlgo::kCaliBinBufferBytes, 2, "caliDataLen 400000 exceeds the 320000 byte buffer"},
      {"small buffer", nullptr, nullptr, 100, 2, "exceeds the 100 byte buffer"},
      // Cut inside the header: the data bytes are missing and read as zero.
      {"header only", nullptr, [](std::vector<uint8_t>& img) { img.resize(40); }, CaliAlgo::kCaliBinBufferBytes, 2,
       "failed to read from eeprom, 0 < "},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    LogCapture log;
    cw::EepromHeader h;
    h.dataOffset = 96;
    if (tc.editHeader) tc.editHeader(h);
    std::vector<uint8_t> image = cw::writeEeprom(h, blob);
    if (tc.editImage) tc.editImage(image);
    dir.write("e2p", image);
    EepromCali e(dir.path("e2p"));
    std::vector<char> dest(CaliAlgo::kCaliBinBufferBytes, 0x55);
    unsigned length = 0;
    EXPECT_EQ(e.cali.readFromEeprom(dest.data(), tc.destSize, &length), tc.expected);
    EXPECT_TRUE(log.has(tc.message)) << log.text();
    if (tc.expected == 0) {
      EXPECT_EQ(length, blob.size());
      EXPECT_EQ(std::memcmp(dest.data(), blob.data(), blob.size()), 0);
      EXPECT_TRUE(log.has("chipName: KRX5830"));
      EXPECT_TRUE(log.has("caliDataStartAddr: 0x0060"));
      EXPECT_TRUE(log.has("subWorkMode: 11"));
    } else if (std::string(tc.name) == "chip" || std::string(tc.name) == "length beyond buffer") {
      EXPECT_EQ(dest[0], 0x55);  // no calibration byte was read
    }
  }
  // No device at all.
  LogCapture log;
  EepromCali missing(dir.path("absent"));
  char dest[16];
  EXPECT_EQ(missing.cali.readFromEeprom(dest, sizeof dest), 2u);
  EXPECT_TRUE(log.has("failed to read from eeprom"));
}

TEST(CaliAlgoLoadBinFile, FallsBackToTheFirstCalibrationFile) {
  CaliAlgo cali;
  EXPECT_EQ(cali.loadBinFile(nullptr), 3u);

  TempDir dir;
  const std::vector<uint8_t> blob = smallBlob();
  dir.write("Cali_KRX5830_y.txt", {1, 2, 3});
  dir.write("cali_KRX5830_z.bin", {4, 5, 6});
  dir.write("Cali_KRX5830_x.bin", blob);
  LogCapture log;
  char* buf = nullptr;
  unsigned length = 0;
  EXPECT_EQ(cali.loadBinFile(&buf, &length), 0u);  // empty eepromPath: EEPROM fails, file search
  ASSERT_NE(buf, nullptr);
  EXPECT_TRUE(log.has("readNvm  failed!"));
  EXPECT_TRUE(log.has("try to read cali data from cali bin file!"));
  EXPECT_TRUE(log.has("local fine Name Cali_KRX5830_x.bin"));
  EXPECT_TRUE(log.has("Load bin file Cali_KRX5830_x.bin"));
  EXPECT_EQ(length, blob.size());
  EXPECT_EQ(std::memcmp(buf, blob.data(), blob.size()), 0);
  std::free(buf);
  buf = nullptr;

  // A file larger than the buffer is treated as missing.
  fs::remove(dir.path("Cali_KRX5830_x.bin"));
  dir.write("Cali_KRX5831_big.bin", std::vector<uint8_t>(CaliAlgo::kCaliBinBufferBytes + 1, 7));
  LogCapture log2;
  EXPECT_EQ(cali.loadBinFile(&buf, &length), 0u);
  EXPECT_EQ(length, 0u);
  EXPECT_TRUE(log2.has("cannot find local bin file!"));
  fs::remove(dir.path("Cali_KRX5831_big.bin"));
  EXPECT_EQ(cali.loadBinFile(&buf, &length), 0u);  // frees the previous buffer
  EXPECT_EQ(length, 0u);
  std::free(buf);
}

TEST(CaliAlgoLoadBinFile, EepromImageEndToEnd) {
  // Writer -> EEPROM image -> loadBinFile -> setCaliData -> loader.
  TempDir dir;
  const std::vector<uint8_t> blob = smallBlob();
  dir.write("e2p", cw::writeEeprom(cw::EepromHeader{}, blob));
  dir.write("Cali_KRX5830_other.bin", {9, 9, 9});
  EepromCali e(dir.path("e2p"));
  char* buf = nullptr;
  unsigned length = 0;
  ASSERT_EQ(e.cali.loadBinFile(&buf, &length), 0u);
  ASSERT_EQ(length, blob.size());
  ASSERT_EQ(e.cali.setCaliData(reinterpret_cast<unsigned char*>(buf), length), 0u);
  std::free(buf);
  calib_test::LoadedCali L;
  NAMESPACE_CORR::CALI_BLOB b{reinterpret_cast<const char*>(e.cali.getCaliData()), e.cali.getCaliDataSize()};
  ASSERT_EQ(NAMESPACE_CORR::CALI_LoadCaliParas(b, nullptr, nullptr, &L.targets, &L.fix, nullptr), 1);
  EXPECT_EQ(L.fix.stCaliSensorStatus.usCaliWidth, 16);
  EXPECT_EQ(L.rWIG[1].ok, 1);
}

TEST(CaliAlgoLoadBinFile, CalibrationFileNames) {
  struct Case {
    const char* name;
    bool ok;
  } cases[] = {{"Cali_KRX5830_a.bin", true}, {"Cali_KRX58.bin", true},      {"Cali_KRX5830.a.bin", true},
               {"cali_KRX5830_a.bin", false}, {"Cali_KRX5830_a.txt", false}, {"Cali_KRX5830_a.bin.bak", false},
               {"Cali_KRX5", false},          {"Cali_KRX5830", false}};
  for (const auto& tc : cases) EXPECT_EQ(CaliAlgo::isCaliBinFileName(tc.name), tc.ok) << tc.name;
}

}  // namespace
