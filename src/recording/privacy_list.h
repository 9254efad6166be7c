// The privacy list: numbers whose calls are never recorded, one list for the whole
// program, stored in "ConfigPriv.ini" (folder "KOVRA-AUTO_BACKUP"), and the model of
// its window (entries ticked or not, insert, remove, apply, cancel). Only ticked entries
// are active. Loop thread only.
//
// File format (sections and keys as the program has always written them):
//   [PRIVACIDADE]           one key per entry, in list order: <number>=1 ticked, =0 not
//   [PRIVACIDADE_MANUAL]    chkPermiteManual=1 or 0 (read with default 1)
// The file keeps its form and encoding (UTF-16 with a byte-order mark included). Other
// sections are kept as they are. The folder is never created here.
//
// A list that exists but cannot be read protects nobody it names: while it cannot be read
// no call is recorded (recordingAllowed()), and it is never overwritten.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kovra {

inline constexpr const char* kPrivacySection = "PRIVACIDADE";
inline constexpr const char* kPrivacyManualSection = "PRIVACIDADE_MANUAL";
inline constexpr const char* kPrivacyManualKey = "chkPermiteManual";

struct PrivacyEntry {
    std::string number;  // area code + subscriber number, digits only
    bool ticked = false;
    bool operator==(const PrivacyEntry&) const = default;
};

class PrivacyList {
  public:
    // file: the full path of ConfigPriv.ini. Nothing is read until load().
    explicit PrivacyList(std::filesystem::path file);

    // Reads the file (at window creation). A missing file or section gives an empty
    // list; an unreadable one too, with a log line naming it and the problem.
    void load();
    // Why the file could not be read at the last load, or empty.
    const std::optional<std::string>& readProblem() const { return readProblem_; }
    // False while the file cannot be read: any caller may be on it, so no call may be
    // recorded. Each call while it cannot be read tries the file again, so a mended file
    // counts at the next call.
    bool recordingAllowed();

    // Matching (the list's contract for caller and dialled-number checks): true when
    // number is not empty and equals an active entry exactly.
    bool isPrivate(std::string_view number) const;
    const std::vector<std::string>& active() const { return active_; }

    // The window's model.
    const std::vector<PrivacyEntry>& entries() const { return entries_; }
    bool permiteManual() const { return permiteManual_; }
    bool applyEnabled() const { return applyEnabled_; }
    // The entry field accepts only the digits 0-9 and backspace.
    static bool acceptsKey(char key) { return (key >= '0' && key <= '9') || key == '\b'; }
    // Appends number, not ticked. An empty or non-digit text is refused (false): it
    // could never match and cannot be stored as a key.
    bool insert(std::string_view number);
    // Removes the entry at index (the selected one); does not enable apply.
    void remove(std::size_t index);
    void setTicked(std::size_t index, bool ticked);
    void setPermiteManual(bool allow);

    // Writes every entry and the option, and makes the ticked entries the active list.
    // The ticked numbers are protected even when the write fails: the error (which file,
    // why) is logged and returned, and apply stays enabled so the user can try again.
    std::optional<std::string> apply();
    // Closes the window without applying: file and active list stay; the window keeps
    // its unapplied changes for the next opening.
    void cancel() {}

    const std::filesystem::path& file() const { return file_; }

  private:
    std::filesystem::path file_;
    std::vector<PrivacyEntry> entries_;
    std::vector<std::string> active_;
    bool permiteManual_ = true;
    bool applyEnabled_ = false;
    std::optional<std::string> readProblem_;
};

}  // namespace kovra
