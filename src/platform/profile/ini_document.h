// The text of a profile (INI) file as its lines, each kept as it stands: comments, blank
// lines, spacing, unknown lines and line endings survive every edit, and only the lines
// of changed values are rewritten. Lookups follow the platform's profile functions:
// names match without regard to letter case, and of duplicate sections or keys the first
// one counts. No file access here (see settings::IniFile); any thread, one at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kovra {

class IniDocument {
  public:
    IniDocument() = default;
    // text: UTF-8, line endings of any kind (each line keeps its own).
    explicit IniDocument(std::string_view text);

    // The file's text again: byte for byte what was parsed, but for the edits.
    std::string text() const;
    bool empty() const { return lines_.empty(); }

    // Lines that are neither a section, a key, a comment nor blank ("line 3: …"). They are
    // kept as they are; the platform's functions ignore them too.
    const std::vector<std::string>& oddLines() const { return odd_; }

    // The value of key in the first section of that name, or null.
    const std::string* find(std::string_view section, std::string_view key) const;
    // True when the first section of that name holds at least one key.
    bool hasKeys(std::string_view section) const;
    // The key names of the first section of that name, in file order, each once.
    std::vector<std::string> keys(std::string_view section) const;

    // Sets the value: in place when the key exists (the text before the value is kept),
    // else after the section's last key, else in a new section at the end. Returns false
    // when the value was already so (nothing changed).
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the key's first line. False when there was none.
    bool remove(std::string_view section, std::string_view key);
    // Removes every section of that name: headers and all their lines up to the next
    // section. False when there was none.
    bool eraseSection(std::string_view section);

  private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;    // without its ending
        std::string ending;  // "\r\n", "\n", "\r" or "" (the last line)
        Kind kind = Kind::Other;
        std::string name;            // section or key name, trimmed
        std::size_t valueStart = 0;  // Key: where the value starts in text
        std::string value;           // Key: trimmed
    };

    // Index of the first header of section, or npos.
    std::size_t findSection(std::string_view section) const;
    // One past the last line of the section whose header is at index header.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view key) const;
    std::string newLineEnding() const;
    void insertLine(std::size_t at, Line line);

    std::vector<Line> lines_;
    std::vector<std::string> odd_;
};

}  // namespace kovra
