// A small INI reader/writer for the privacy list file: sections and keys in file order,
// names compared without case, values as text. Written whole to a temporary file that
// replaces the old one, so a failed write never leaves a half-written list. Any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kovra {

class PrivacyIniDocument {
  public:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };

    // Reads path; a missing file gives an empty document. On a read error returns the
    // reason (the document stays empty).
    std::optional<std::string> read(const std::filesystem::path& path);
    // Writes the whole document to path. Returns the reason on failure.
    std::optional<std::string> write(const std::filesystem::path& path) const;

    const Section* find(std::string_view name) const;
    Section& findOrAdd(std::string_view name);
    void erase(std::string_view name);
    // Sets key in section (in place when present, else at the section's end).
    void set(std::string_view section, std::string_view key, std::string_view value);

  private:
    std::vector<Section> sections_;
};

}  // namespace kovra
