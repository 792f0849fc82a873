#include "evk_ini.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace veltor_evk {

std::string trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool IniFile::parse(const std::string& text, std::string& error) {
    sections_.clear();
    sections_.push_back(IniSection{"", 0, {}});
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = trim(raw);
        size_t comment = line.find("//");
        if (comment != std::string::npos) line = trim(line.substr(0, comment));
        if (line.empty()) continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string::npos) {
                error = "line " + std::to_string(lineNo) + ": no matching ] in \"" + line + "\"";
                return false;
            }
            std::string name = trim(line.substr(1, close - 1));
            if (name.empty()) {
                error = "line " + std::to_string(lineNo) + ": empty section name";
                return false;
            }
            if (section(name) != nullptr) {
                error = "line " + std::to_string(lineNo) + ": section [" + name + "] appears twice";
                return false;
            }
            sections_.push_back(IniSection{name, lineNo, {}});
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = "line " + std::to_string(lineNo) + ": expected key = value, got \"" + line + "\"";
            return false;
        }
        std::string key = trim(line.substr(0, eq));
        if (key.empty()) {
            error = "line " + std::to_string(lineNo) + ": missing key before =";
            return false;
        }
        sections_.back().items.push_back(IniItem{key, trim(line.substr(eq + 1)), lineNo});
    }
    return true;
}

bool IniFile::load(const std::string& path, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    std::ostringstream buf;
    buf << f.rdbuf();
    if (!parse(buf.str(), error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

const IniSection* IniFile::section(const std::string& name) const {
    for (const auto& s : sections_)
        if (s.name == name) return &s;
    return nullptr;
}

const IniItem* IniFile::find(const std::string& sectionName, const std::string& key) const {
    const IniSection* s = section(sectionName);
    if (s == nullptr) return nullptr;
    for (const auto& item : s->items)
        if (item.key == key) return &item;
    return nullptr;
}

}  // namespace veltor_evk
