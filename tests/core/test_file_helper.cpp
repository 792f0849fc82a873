#include "fileHelper.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using OrynSdk::fileHelper;
using OrynSdk::fileSection;

class FileHelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = testing::TempDir() + "fhXXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }

  // Writes `text` to a file of the test directory and loads it.
  int LoadText(const std::string& text, const std::string& name = "cfg.json") {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return reader_.Load(path);
  }

  std::string dir_;
  fileHelper reader_;
};

TEST_F(FileHelperTest, SectionsItemsAndComments) {
  const std::string text =
      "top = 1\n"
      "// about the first section\n"
      "\n"
      "[ First ] trailing text\n"
      "  key = value // note  \n"
      "path=/dev//video0\n"
      "   // lead\n"
      "k2=v2\n"
      "k2=second\n"
      "[Second]\n"
      "x=\n";
  ASSERT_EQ(LoadText(text), 0) << reader_.GetLastError();

  std::vector<std::string> names{"before"};
  EXPECT_EQ(reader_.GetSections(names), 4);
  EXPECT_EQ(names, (std::vector<std::string>{"before", "", "First", "Second"}));
  EXPECT_EQ(reader_.GetSectionNum(), 3);

  std::string v;
  std::string c;
  EXPECT_EQ(reader_.getValue("", "top", &v), 0);
  EXPECT_EQ(v, "1");

  const fileSection* first = reader_.getSection("First");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->comment, "// about the first section\n\n");
  EXPECT_EQ(first->rightComment, "");
  ASSERT_EQ(first->items.size(), 4u);
  EXPECT_EQ(first->items[0].key, "key");
  EXPECT_EQ(first->items[0].value, "value");
  EXPECT_EQ(first->items[0].rightComment, "note");
  EXPECT_EQ(first->items[0].comment, "");
  // A value holding "//" is cut there.
  EXPECT_EQ(first->items[1].value, "/dev");
  EXPECT_EQ(first->items[1].rightComment, "video0");
  EXPECT_EQ(first->items[2].comment, "// lead\n");

  // A repeated key adds an item; look-ups find the first.
  EXPECT_EQ(reader_.getValue("First", "k2", &v, &c), 0);
  EXPECT_EQ(v, "v2");
  EXPECT_EQ(c, "// lead\n");
  EXPECT_EQ(reader_.getValue("Second", "x", &v), 0);
  EXPECT_EQ(v, "");
  EXPECT_EQ(reader_.getSection("first"), nullptr);  // case-sensitive
  EXPECT_EQ(reader_.getSection("Missing"), nullptr);
}

TEST_F(FileHelperTest, LoadErrors) {
  struct Case {
    const char* text;
    int code;
    const char* error;
  } const cases[] = {
      {"[abc\n", 2, "no matched ] found!"},
      {"[]\n", 3, "section name is empty"},
      {"[PLL]\na=1\n[PLL]\n", 4, "section PLLalready exist"},
      {"[ ]\n", 4, "section already exist"},  // trims to the unnamed section's name
      {"[A]\ngarbage line\n", 5, "parse line failed:garbage line"},
      {"[A]\nno equals // but a comment=\n", 5, "parse line failed:no equals"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadText(c.text), c.code) << c.text;
    EXPECT_EQ(reader_.GetLastError(), c.error) << c.text;
  }
  // What was read before the bad line stays available.
  ASSERT_EQ(LoadText("[PLL]\nfreq0=120\n[PLL]\nfreq0=5\n"), 4);
  int f = 0;
  EXPECT_EQ(reader_.GetIntValue("PLL", "freq0", &f), 0);
  EXPECT_EQ(f, 120);
}

TEST_F(FileHelperTest, OpenFailures) {
  const std::string missing = dir_ + "/nope.json";
  EXPECT_EQ(reader_.Load(missing), 6);
  EXPECT_EQ(reader_.GetLastError(), "open " + missing + "file failed!");
  EXPECT_EQ(reader_.GetSectionNum(), 1);  // only the unnamed section
  EXPECT_EQ(reader_.GetFilePath(), missing);
  // Not regular files: a directory, a FIFO (would block until a writer comes).
  EXPECT_EQ(reader_.Load(dir_), 6);
  const std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(reader_.Load(fifo), 6);
}

TEST_F(FileHelperTest, SecondLoadReplacesContents) {
  ASSERT_EQ(LoadText("[A]\na=1\n", "one.json"), 0);
  ASSERT_EQ(LoadText("[B]\nb=2\n", "two.json"), 0);
  EXPECT_EQ(reader_.getSection("A"), nullptr);
  EXPECT_NE(reader_.getSection("B"), nullptr);
  EXPECT_EQ(reader_.GetSectionNum(), 2);
}

TEST_F(FileHelperTest, LookUpErrorsLeaveOutputsAlone) {
  ASSERT_EQ(LoadText("[A]\na=1\n"), 0);
  std::string v = "untouched";
  std::string c = "untouched";
  EXPECT_EQ(reader_.getValue("A", "b", &v, &c), 8);
  EXPECT_EQ(reader_.GetLastError(), "not find the key b");
  EXPECT_EQ(reader_.getValue("B", "a", &v, &c), 9);
  EXPECT_EQ(reader_.GetLastError(), "not find the section B");
  EXPECT_EQ(v, "untouched");
  EXPECT_EQ(c, "untouched");
  int i = 77;
  EXPECT_EQ(reader_.GetIntValue("A", "b", &i), 8);
  EXPECT_EQ(i, 77);
  char b = 5;
  EXPECT_EQ(reader_.GetBoolValue("B", "a", &b), 9);
  EXPECT_EQ(b, 5);
}

TEST_F(FileHelperTest, TypedValues) {
  ASSERT_EQ(LoadText("[C]\n"
                     "ValidDistMax=7000\n"
                     "text=abc\n"
                     "hex=0x10\n"
                     "neg=-12\n"
                     "lead=42abc\n"
                     "huge=99999999999999999999\n"
                     "tiny=-99999999999999999999\n"
                     "d=2.5e3\n"
                     "s=hello world\n"),
            0);
  struct IntCase {
    const char* key;
    int expected;
  } const ints[] = {
      {"ValidDistMax", 7000}, {"missing", 4500}, {"text", 0}, {"hex", 0}, {"neg", -12},
      {"lead", 42},           {"huge", INT_MAX}, {"tiny", INT_MIN},
  };
  for (const IntCase& c : ints) {
    int v = -1;
    reader_.GetIntValueOrDefault("C", c.key, &v, 4500);
    EXPECT_EQ(v, c.expected) << c.key;
  }
  int v = -1;
  reader_.GetIntValueOrDefault("NoSection", "ValidDistMax", &v, 4500);
  EXPECT_EQ(v, 4500);

  double d = 0;
  reader_.GetDoubleValueOrDefault("C", "d", &d, 1.0);
  EXPECT_DOUBLE_EQ(d, 2500.0);
  reader_.GetDoubleValueOrDefault("C", "nod", &d, 1.5);
  EXPECT_DOUBLE_EQ(d, 1.5);
  EXPECT_EQ(reader_.GetDoubleValue("C", "text", &d), 0);
  EXPECT_DOUBLE_EQ(d, 0.0);

  std::string s;
  EXPECT_EQ(reader_.GetStringValue("C", "s", &s), 0);
  EXPECT_EQ(s, "hello world");
  reader_.GetStringValueOrDefault("C", "nos", &s, "dflt");
  EXPECT_EQ(s, "dflt");
}

TEST_F(FileHelperTest, BoolValues) {
  ASSERT_EQ(LoadText("[B]\na=TRUE\nb=1\nc=false\nd=0\ne=yes\nf=True\ng=FALSE\nh=\n"), 0);
  struct Case {
    const char* key;
    char expected;
  } const cases[] = {{"a", 1}, {"b", 1}, {"c", 0}, {"d", 0}, {"e", 9}, {"f", 1}, {"g", 0}, {"h", 9}};
  for (const Case& c : cases) {
    char out = 9;
    EXPECT_EQ(reader_.GetBoolValue("B", c.key, &out), 0) << c.key;
    EXPECT_EQ(out, c.expected) << c.key;
    char viaDefault = 9;
    reader_.GetBoolValueOrDefault("B", c.key, &viaDefault, 1);
    EXPECT_EQ(viaDefault, c.expected) << c.key;  // an unknown text does not take the default
  }
  char out = 9;
  reader_.GetBoolValueOrDefault("B", "missing", &out, 0);
  EXPECT_EQ(out, 0);
}

TEST(FileHelperStrings, TrimSplitCompare) {
  struct TrimCase {
    std::string in;
    std::string out;
  } const trims[] = {
      {"  a b \t\r", "a b"}, {"", ""}, {" \t\n\v\f\r ", ""},
      // Bytes of 0x80 and above are not white space and survive as they are.
      {"\xA0x\xA0", "\xA0x\xA0"}, {" \xFF\x85 ", "\xFF\x85"},
  };
  for (const TrimCase& c : trims) {
    std::string s = c.in;
    fileHelper::trim(s);
    EXPECT_EQ(s, c.out);
  }

  std::string l;
  std::string r;
  EXPECT_TRUE(fileHelper::split(" k = v = w ", "=", &l, &r));
  EXPECT_EQ(l, "k");
  EXPECT_EQ(r, "v = w");
  EXPECT_FALSE(fileHelper::split(" alone ", "=", &l, &r));
  EXPECT_EQ(l, "alone");
  EXPECT_EQ(r, "");
  EXPECT_TRUE(fileHelper::parse("a//b=c", &l, &r));
  EXPECT_EQ(l, "a//b");

  EXPECT_TRUE(fileHelper::StringCmpIgnoreCase("TrUe", "true"));
  EXPECT_FALSE(fileHelper::StringCmpIgnoreCase("true", "true "));
  EXPECT_FALSE(fileHelper::StringCmpIgnoreCase("\xE9", "\xC9"));  // no case folding beyond ASCII
  EXPECT_TRUE(fileHelper::StringCmpIgnoreCase("\xFFz", "\xFFZ"));
  EXPECT_TRUE(fileHelper::StartWith("//x", "//"));
  EXPECT_FALSE(fileHelper::StartWith("/", "//"));
  fileHelper f;
  EXPECT_TRUE(f.IsCommentLine("// note"));
  EXPECT_FALSE(f.IsCommentLine(" // note"));
}

TEST_F(FileHelperTest, HostileInput) {
  // One line far longer than any buffer.
  const std::string longValue(1 << 20, 'v');
  ASSERT_EQ(LoadText("[L]\nk=" + longValue + "\n"), 0);
  std::string v;
  EXPECT_EQ(reader_.getValue("L", "k", &v), 0);
  EXPECT_EQ(v, longValue);

  // Empty file and a file without a final line feed.
  EXPECT_EQ(LoadText(""), 0);
  EXPECT_EQ(reader_.GetSectionNum(), 1);
  ASSERT_EQ(LoadText("[A]\r\nk=1\r\nlast=2"), 0);
  int i = 0;
  EXPECT_EQ(reader_.GetIntValue("A", "last", &i), 0);
  EXPECT_EQ(i, 2);

  // Binary garbage, NUL bytes included: a result code, never a crash.
  std::string garbage;
  for (int n = 0; n < 4096; ++n) garbage.push_back(static_cast<char>((n * 131 + 7) & 0xFF));
  const int code = LoadText(garbage);
  EXPECT_TRUE(code == 0 || code == 2 || code == 3 || code == 4 || code == 5) << code;
  EXPECT_EQ(LoadText(std::string("[A]\nk=a\0b\n", 10)), 0);
  EXPECT_EQ(reader_.getValue("A", "k", &v), 0);
  EXPECT_EQ(v, std::string("a\0b", 3));
}

TEST_F(FileHelperTest, PrintDumpsTheStructure) {
  ASSERT_EQ(LoadText("a=1\n// c\n[S]\nk=v // r\n"), 0);
  testing::internal::CaptureStdout();
  reader_.print();
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string expected = "############ print start ############\n"
                               "filePath:[" + dir_ + "/cfg.json]\n"
                               "commentDelimiter:[//]\n"
                               "comment :[\n]\n"
                               "section :\n[]\n"
                               "    comment :[\n]\n"
                               "    parm    :a=1\n"
                               "comment :[\n// c\n]\n"
                               "section :\n[S]\n"
                               "    comment :[\n]\n"
                               "    parm    :k=v\n"
                               "    rcomment:[\nr]\n"
                               "############ print end ############\n";
  EXPECT_EQ(out, expected);
}

}  // namespace
