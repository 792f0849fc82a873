// Reader of the SDK's configuration texts: sections in brackets, key=value
// lines, "//" comments. The whole file is kept in memory in file order, each
// section and item with the comment lines that preceded it. The reader never
// writes files, never logs and never throws: every failure is a result code
// plus the text of lastError.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace OrynSdk {

struct fileItem {
  std::string key;
  std::string value;
  std::string comment;       // comment and blank lines before the line
  std::string rightComment;  // text after "//" on the same line
};

struct fileSection {
  std::string name;          // trimmed, without brackets; "" for the leading section
  std::string comment;       // comment and blank lines before the header
  std::string rightComment;  // always empty when read from a file
  std::vector<fileItem> items;
};

class fileHelper {
 public:
  /// Result codes (0 = success).
  enum : int {
    RET_OK = 0,
    RET_NO_CLOSING_BRACKET = 2,
    RET_EMPTY_SECTION_NAME = 3,
    RET_DUPLICATE_SECTION = 4,
    RET_PARSE_LINE_FAILED = 5,
    RET_OPEN_FAILED = 6,
    RET_KEY_NOT_FOUND = 8,
    RET_SECTION_NOT_FOUND = 9,
  };

  fileHelper();
  ~fileHelper();
  fileHelper(const fileHelper&) = delete;
  fileHelper& operator=(const fileHelper&) = delete;

  /// Replaces all contents with the file at `path`. On a syntax error the
  /// sections and items read before the bad line stay available.
  int Load(const std::string& path);

  int getValue(const std::string& section, const std::string& key, std::string* value, std::string* comment);
  int getValue(const std::string& section, const std::string& key, std::string* value);

  int GetStringValue(const std::string& section, const std::string& key, std::string* out);
  void GetStringValueOrDefault(const std::string& section, const std::string& key, std::string* out,
                               const std::string& defaultValue);
  /// Decimal value of the text (0 when it is not a number; saturated at the
  /// limits of int when it does not fit).
  int GetIntValue(const std::string& section, const std::string& key, int* out);
  void GetIntValueOrDefault(const std::string& section, const std::string& key, int* out, int defaultValue);
  int GetDoubleValue(const std::string& section, const std::string& key, double* out);
  void GetDoubleValueOrDefault(const std::string& section, const std::string& key, double* out,
                               double defaultValue);
  /// "true"/"1" give 1, "false"/"0" give 0 (case ignored); any other text
  /// leaves `out` unchanged and still returns 0.
  int GetBoolValue(const std::string& section, const std::string& key, char* out);
  void GetBoolValueOrDefault(const std::string& section, const std::string& key, char* out, int defaultValue);

  fileSection* getSection(const std::string& name);
  int GetSectionNum() const;
  /// Appends every section name in file order; returns the vector's size.
  int GetSections(std::vector<std::string>& names) const;

  static bool StringCmpIgnoreCase(const std::string& a, const std::string& b);
  bool IsCommentLine(const std::string& line) const;
  static bool StartWith(const std::string& s, const std::string& prefix);
  static void trim(std::string& s);
  static bool split(const std::string& s, const std::string& separator, std::string* left, std::string* right);
  static bool parse(const std::string& s, std::string* key, std::string* value);

  void release();
  void print() const;

  const std::string& GetLastError() const { return lastError; }
  const std::string& GetFilePath() const { return filePath; }

 private:
  int UpdateSection(const std::string& content, const std::string& comment, fileSection** current);
  int AddKeyValuePair(const std::string& content, const std::string& comment, const std::string& rightComment,
                      fileSection* section);

  std::vector<std::unique_ptr<fileSection>> sections;
  std::string filePath;
  std::string commentDelimiter;
  std::string lastError;
};

}  // namespace OrynSdk
