// Reader of the kit's configuration text: "[section]" headers and
// "key = value" lines, "//" starting a comment (whole line or the rest of a
// line), blank lines ignored, keys before the first header in the unnamed
// section "". The same syntax as the camera software's configuration files;
// the kit carries its own reader so it depends on nothing of that software.
#ifndef VELTOR_EVK_INI_H
#define VELTOR_EVK_INI_H

#include <string>
#include <vector>

namespace veltor_evk {

struct IniItem {
    std::string key;
    std::string value;
    int line = 0;
};

struct IniSection {
    std::string name;
    int line = 0;
    std::vector<IniItem> items;
};

class IniFile {
public:
    // Parses text; on failure returns false with error = "line N: what".
    bool parse(const std::string& text, std::string& error);
    // Reads and parses a file; error names the failure.
    bool load(const std::string& path, std::string& error);

    const IniSection* section(const std::string& name) const;
    // First item of key in section, or null.
    const IniItem* find(const std::string& section, const std::string& key) const;
    const std::vector<IniSection>& sections() const { return sections_; }

private:
    std::vector<IniSection> sections_;
};

std::string trim(const std::string& s);

}  // namespace veltor_evk

#endif
