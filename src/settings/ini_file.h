// One INI settings file with the profile-file semantics the whole program relies on.
// Loop thread only; one object per file for the whole run, shared by every window.
//
// A file keeps its form (IniDocument): comments, blank lines, line endings and the
// encoding it was read in (UTF-8, Windows-1252, UTF-16 with a byte-order mark) survive
// every write; of duplicate keys the first counts, as the platform's profile functions
// read it. A file is written only when a value changed.
//
// Every write reaches the file at once (a whole new file renamed over the old one, so a
// full disk never leaves half a file). A write that fails keeps the value in memory, so
// the next write that succeeds stores it, logs the failure and returns it to the caller.
// A file that exists but cannot be read or is not text (binary, broken UTF-16) is logged,
// reads as empty and is never overwritten. The file is read again when someone else
// changed it since, unless values of ours are still waiting to be stored.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile/ini_document.h"
#include "platform/profile/text_encoding.h"

namespace kovra::settings {

// A settings file that could not be written: which file and why.
struct IniError {
    std::filesystem::path file;
    std::string reason;

    // "<file>: <reason>", for logs and message boxes.
    std::string describe() const;
};

// The outcome of a write: empty when the value reached the file.
using IniWriteResult = std::optional<IniError>;

class IniFile {
  public:
    // Nothing is read or created yet; a missing file reads as empty.
    explicit IniFile(std::filesystem::path path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Readers never fail: a missing file, section or key gives the default.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // Decimal, or hexadecimal after "0x"; anything that does not parse gives fallback.
    int readInteger(std::string_view section, std::string_view key, int fallback) const;
    // Read as an integer: any value other than 0 is true.
    bool readBool(std::string_view section, std::string_view key, bool fallback) const;

    // True only when the section holds at least one key.
    bool sectionExists(std::string_view section) const;
    bool keyExists(std::string_view section, std::string_view key) const;
    // The section's key names in file order (as spelled in the file).
    std::vector<std::string> sectionKeys(std::string_view section) const;

    IniWriteResult writeString(std::string_view section, std::string_view key,
                               std::string_view value);
    IniWriteResult writeInteger(std::string_view section, std::string_view key, int value);
    // Stored "1" or "0".
    IniWriteResult writeBool(std::string_view section, std::string_view key, bool value);
    // Removes the key; a missing key is not an error.
    IniWriteResult deleteKey(std::string_view section, std::string_view key);
    // Removes the section's header line and all its keys.
    IniWriteResult eraseSection(std::string_view section);

    // Pushes the file to the disk (fsync), storing first anything a failed write kept.
    IniWriteResult flush();

    // Values held in memory that the file does not have yet (after a failed write).
    bool hasUnsavedChanges() const { return dirty_; }
    // Why the existing file could not be read (it then reads as empty and is never
    // written), or empty.
    std::optional<std::string> readProblem() const;

  private:
    struct Stamp {
        bool exists = false;
        std::uintmax_t size = 0;
        std::filesystem::file_time_type mtime{};
        bool operator==(const Stamp&) const = default;
    };

    Stamp currentStamp() const;
    void refresh() const;
    void load() const;
    IniWriteResult store();
    IniWriteResult fail(std::string reason);
    // What a write may not hold: a line break would make a line of its own.
    static std::optional<std::string> refuseText(std::string_view section, std::string_view key,
                                                 std::string_view value);

    std::filesystem::path path_;
    mutable IniDocument doc_;
    mutable TextEncoding encoding_ = TextEncoding::Utf8;
    mutable Stamp loaded_;
    mutable bool loadedOnce_ = false;
    // Set when the file exists but could not be read: writing would wipe what it holds.
    // Refused writes name it.
    mutable std::optional<std::string> unreadable_;
    bool dirty_ = false;
    std::string lastFailure_;  // reason last logged, empty while writes succeed
};

}  // namespace kovra::settings
