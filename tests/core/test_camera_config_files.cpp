#include "camera_config_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using ::testing::HasSubstr;

// FNV-1a, 64 bit: digests of the three files as derived once from the
// tables of the file layouts.
uint64_t Fnv1a64(const std::string& s) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : s) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  return h;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string MakeTempDir() {
  std::string tmpl = testing::TempDir() + "camcfgXXXXXX";
  char* d = mkdtemp(tmpl.data());
  return d != nullptr ? std::string(d) : std::string();
}

struct FileCase {
  const char* name;
  std::string (*text)();
  size_t bytes;
  uint64_t digest;
  bool finalLineFeed;
};

const FileCase kFiles[] = {
    {"ConfigAlgorithm.json", Veltor::defaultAlgorithmConfigText, 311, 0x9844322922e0fc7fULL, true},
    {"ConfigCamera.json", Veltor::defaultCameraConfigText, 9572, 0xf1d76a668fe48813ULL, false},
    {"register.json", Veltor::defaultRegisterText, 946, 0x53ffb6f9b42c4e8bULL, false},
};

TEST(DefaultConfigFiles, SizesAndDigests) {
  for (const FileCase& f : kFiles) {
    const std::string text = f.text();
    EXPECT_EQ(text.size(), f.bytes) << f.name;
    EXPECT_EQ(Fnv1a64(text), f.digest) << f.name;
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back() == '\n', f.finalLineFeed) << f.name;
    EXPECT_EQ(text.find('\r'), std::string::npos) << f.name;
  }
}

TEST(DefaultConfigFiles, LayoutLandmarks) {
  const std::string cam = Veltor::defaultCameraConfigText();
  EXPECT_EQ(cam.rfind("[EBDType]\n//2:CORR_EBD_AFTER_IMG; 4:CORR_ADDINFO_AFTER_IMG\nebdType=4\n\n[PLL]\n", 0), 0u);
  EXPECT_THAT(cam, HasSubstr("\n\n[Signle-4PHASE]\nWorkMode=0\nSubWorkMode=1\n//SubFrameModes0={0,0,0,0}\n"));
  EXPECT_THAT(cam, HasSubstr("//IntegrationTimes={{1000000,0,0},{0,0,0},{0,0,0},{0,0,0}}\nFrame0_1To4IntTime="));
  // Comments carried as they stand rather than restating the values.
  EXPECT_THAT(cam, HasSubstr("//PLLDLLDivs={{5,2,24},{2,2,24},{2,2,24},{2,2,24}}\nFrame0_1To4PhaseDiv=4\n"));
  EXPECT_THAT(cam, HasSubstr("//NumSubFramePerFrame={1,0,0,0}\nNumSubFramePerFrame0=1\nNumSubFramePerFrame1=1\n"
                             "NumSubFramePerFrame2=1\nNumSubFramePerFrame3=1\n"));
  EXPECT_EQ(cam.substr(cam.size() - 20), "\nperformClkChanges=0");

  const std::string reg = Veltor::defaultRegisterText();
  EXPECT_THAT(reg, HasSubstr("0x0429=0x00989680\n\n0x0722=0x00072020\n"));
  EXPECT_THAT(reg, HasSubstr("0x070D=0x00009c01\n\n[VDRIVER]\n0x00=0x10\n"));
  EXPECT_EQ(reg.substr(reg.size() - 10), "\n0x32=0x00");
}

TEST(DefaultConfigFiles, WritesAllThreeAndTruncates) {
  const std::string dir = MakeTempDir();
  {
    std::ofstream old(dir + "/ConfigCamera.json");
    old << std::string(20000, 'x');
  }
  ASSERT_EQ(Veltor::writeDefaultConfigFiles(dir), 0);
  for (const FileCase& f : kFiles) {
    EXPECT_EQ(ReadFile(dir + "/" + f.name), f.text()) << f.name;
  }
}

TEST(DefaultConfigFiles, WritesIntoTheWorkingDirectoryByDefault) {
  const std::string dir = MakeTempDir();
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  const int rc = Veltor::writeDefaultConfigFiles();
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(ReadFile(dir + "/register.json"), Veltor::defaultRegisterText());
}

// A file that cannot be opened stops the sequence; files before it stay.
TEST(DefaultConfigFiles, UnopenableFileStopsTheSequence) {
  const std::string dir = MakeTempDir();
  ASSERT_EQ(mkdir((dir + "/ConfigCamera.json").c_str(), 0755), 0);  // a directory cannot be opened as a file
  EXPECT_EQ(Veltor::writeDefaultConfigFiles(dir), -1);
  EXPECT_EQ(ReadFile(dir + "/ConfigAlgorithm.json"), Veltor::defaultAlgorithmConfigText());
  struct stat st {};
  EXPECT_NE(stat((dir + "/register.json").c_str(), &st), 0);

  EXPECT_EQ(Veltor::writeDefaultConfigFiles(dir + "/missing/dir"), -1);
}

}  // namespace
