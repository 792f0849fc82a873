#include "fileHelper.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace OrynSdk {

fileHelper::fileHelper() : commentDelimiter("//") {}

fileHelper::~fileHelper() { release(); }

void fileHelper::release() { sections.clear(); }

bool fileHelper::StartWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool fileHelper::IsCommentLine(const std::string& line) const { return StartWith(line, commentDelimiter); }

// The classification functions take an unsigned char value (or EOF); bytes
// of 0x80 and above must not reach them as negative numbers.
void fileHelper::trim(std::string& s) {
  size_t begin = 0;
  while (begin < s.size() && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
  size_t end = s.size();
  while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
  s = s.substr(begin, end - begin);
}

bool fileHelper::StringCmpIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool fileHelper::split(const std::string& s, const std::string& separator, std::string* left, std::string* right) {
  const size_t pos = s.find(separator);
  if (pos == std::string::npos) {
    *left = s;
    trim(*left);
    right->clear();
    return false;
  }
  *left = s.substr(0, pos);
  *right = s.substr(pos + separator.size());
  trim(*left);
  trim(*right);
  return true;
}

bool fileHelper::parse(const std::string& s, std::string* key, std::string* value) {
  return split(s, "=", key, value);
}

int fileHelper::UpdateSection(const std::string& content, const std::string& comment, fileSection** current) {
  const size_t close = content.find(']');
  if (close == std::string::npos) {
    lastError = "no matched ] found!";
    return RET_NO_CLOSING_BRACKET;
  }
  if (close == 1) {
    lastError = "section name is empty";
    return RET_EMPTY_SECTION_NAME;
  }
  std::string name = content.substr(1, close - 1);
  trim(name);
  for (const auto& sec : sections) {
    if (sec->name == name) {
      lastError = "section " + name + "already exist";
      return RET_DUPLICATE_SECTION;
    }
  }
  auto section = std::make_unique<fileSection>();
  section->name = name;
  section->comment = comment;
  *current = section.get();
  sections.push_back(std::move(section));
  return RET_OK;
}

int fileHelper::AddKeyValuePair(const std::string& content, const std::string& comment,
                                const std::string& rightComment, fileSection* section) {
  fileItem item;
  if (!parse(content, &item.key, &item.value)) {
    lastError = "parse line failed:" + content;
    return RET_PARSE_LINE_FAILED;
  }
  item.comment = comment;
  item.rightComment = rightComment;
  section->items.push_back(std::move(item));
  return RET_OK;
}

int fileHelper::Load(const std::string& path) {
  release();
  filePath = path;
  sections.push_back(std::make_unique<fileSection>());
  fileSection* current = sections.back().get();

  // Only regular files: a directory would read as empty, and a FIFO or a
  // device could block or never end.
  struct stat st {};
  std::ifstream in;
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    in.open(path, std::ios::in | std::ios::binary);
  }
  if (!in.is_open()) {
    lastError = "open " + path + "file failed!";
    return RET_OPEN_FAILED;
  }

  std::string pendingComment;
  std::string line;
  while (std::getline(in, line)) {
    trim(line);
    if (line.empty()) {
      pendingComment += "\n";
      continue;
    }
    if (IsCommentLine(line)) {
      pendingComment += line + "\n";
      continue;
    }
    std::string content;
    std::string rightComment;
    split(line, commentDelimiter, &content, &rightComment);
    const int ret = StartWith(content, "[") ? UpdateSection(content, pendingComment, &current)
                                            : AddKeyValuePair(content, pendingComment, rightComment, current);
    if (ret != RET_OK) return ret;
    pendingComment.clear();
  }
  return RET_OK;
}

int fileHelper::getValue(const std::string& section, const std::string& key, std::string* value,
                         std::string* comment) {
  for (const auto& sec : sections) {
    if (sec->name != section) continue;
    for (const fileItem& item : sec->items) {
      if (item.key == key) {
        if (value != nullptr) *value = item.value;
        if (comment != nullptr) *comment = item.comment;
        return RET_OK;
      }
    }
    lastError = "not find the key " + key;
    return RET_KEY_NOT_FOUND;
  }
  lastError = "not find the section " + section;
  return RET_SECTION_NOT_FOUND;
}

int fileHelper::getValue(const std::string& section, const std::string& key, std::string* value) {
  return getValue(section, key, value, nullptr);
}

int fileHelper::GetStringValue(const std::string& section, const std::string& key, std::string* out) {
  return getValue(section, key, out);
}

void fileHelper::GetStringValueOrDefault(const std::string& section, const std::string& key, std::string* out,
                                         const std::string& defaultValue) {
  if (GetStringValue(section, key, out) != RET_OK) *out = defaultValue;
}

int fileHelper::GetIntValue(const std::string& section, const std::string& key, int* out) {
  std::string value;
  const int ret = getValue(section, key, &value);
  if (ret != RET_OK) return ret;
  const long v = std::strtol(value.c_str(), nullptr, 10);
  if (v > INT_MAX) {
    *out = INT_MAX;
  } else if (v < INT_MIN) {
    *out = INT_MIN;
  } else {
    *out = static_cast<int>(v);
  }
  return RET_OK;
}

void fileHelper::GetIntValueOrDefault(const std::string& section, const std::string& key, int* out,
                                      int defaultValue) {
  if (GetIntValue(section, key, out) != RET_OK) *out = defaultValue;
}

int fileHelper::GetDoubleValue(const std::string& section, const std::string& key, double* out) {
  std::string value;
  const int ret = getValue(section, key, &value);
  if (ret != RET_OK) return ret;
  *out = std::strtod(value.c_str(), nullptr);
  return RET_OK;
}

void fileHelper::GetDoubleValueOrDefault(const std::string& section, const std::string& key, double* out,
                                         double defaultValue) {
  if (GetDoubleValue(section, key, out) != RET_OK) *out = defaultValue;
}

int fileHelper::GetBoolValue(const std::string& section, const std::string& key, char* out) {
  std::string value;
  const int ret = getValue(section, key, &value);
  if (ret != RET_OK) return ret;
  if (StringCmpIgnoreCase(value, "true") || StringCmpIgnoreCase(value, "1")) {
    *out = 1;
  } else if (StringCmpIgnoreCase(value, "false") || StringCmpIgnoreCase(value, "0")) {
    *out = 0;
  }
  return RET_OK;
}

void fileHelper::GetBoolValueOrDefault(const std::string& section, const std::string& key, char* out,
                                       int defaultValue) {
  if (GetBoolValue(section, key, out) != RET_OK) *out = static_cast<char>(defaultValue);
}

fileSection* fileHelper::getSection(const std::string& name) {
  for (const auto& sec : sections) {
    if (sec->name == name) return sec.get();
  }
  return nullptr;
}

int fileHelper::GetSectionNum() const { return static_cast<int>(sections.size()); }

int fileHelper::GetSections(std::vector<std::string>& names) const {
  for (const auto& sec : sections) names.push_back(sec->name);
  return static_cast<int>(names.size());
}

void fileHelper::print() const {
  std::puts("############ print start ############");
  std::printf("filePath:[%s]\n", filePath.c_str());
  std::printf("commentDelimiter:[%s]\n", commentDelimiter.c_str());
  for (const auto& sec : sections) {
    std::printf("comment :[\n%s]\n", sec->comment.c_str());
    std::printf("section :\n[%s]\n", sec->name.c_str());
    if (!sec->rightComment.empty()) std::printf("rightComment:\n%s", sec->rightComment.c_str());
    for (const fileItem& item : sec->items) {
      std::printf("    comment :[\n%s]\n", item.comment.c_str());
      std::printf("    parm    :%s=%s\n", item.key.c_str(), item.value.c_str());
      if (!item.rightComment.empty()) std::printf("    rcomment:[\n%s]\n", item.rightComment.c_str());
    }
  }
  std::puts("############ print end ############");
}

}  // namespace OrynSdk
