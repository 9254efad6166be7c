#include "settings/ini_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/log.h"
#include "platform/system/file_open.h"
#include "settings/integer_text.h"

namespace kovra::settings {

namespace fs = std::filesystem;

std::string IniError::describe() const {
    return file.string() + ": " + reason;
}

IniFile::IniFile(fs::path path) : path_(std::move(path)) {}

IniFile::~IniFile() = default;

IniFile::Stamp IniFile::currentStamp() const {
    std::error_code ec;
    Stamp stamp;
    const auto status = fs::status(path_, ec);
    if (ec || !fs::exists(status)) {
        return stamp;
    }
    stamp.exists = true;
    stamp.size = fs::is_regular_file(status) ? fs::file_size(path_, ec) : 0;
    stamp.mtime = fs::last_write_time(path_, ec);
    return stamp;
}

void IniFile::refresh() const {
    // Values that failed to reach the file live only in memory: never drop them.
    if (dirty_) {
        return;
    }
    if (!loadedOnce_ || currentStamp() != loaded_) {
        load();
    }
}

void IniFile::load() const {
    doc_ = IniDocument();
    encoding_ = TextEncoding::Utf8;
    unreadable_.reset();
    loadedOnce_ = true;
    loaded_ = currentStamp();
    if (!loaded_.exists) {
        return;
    }
    const auto unreadable = [this](std::string reason) {
        unreadable_ = std::move(reason);
        logLine(LogLevel::Error, "settings file " + path_.string() + " cannot be read (" +
                                     *unreadable_ +
                                     "): its values read as defaults and it is left as it is");
    };
    std::error_code ec;
    if (!fs::is_regular_file(path_, ec)) {
        unreadable("not a regular file");
        return;
    }
    std::ifstream in(path_, std::ios::binary);
    std::string bytes;
    if (in) {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!in && !in.eof()) {
        unreadable(std::strerror(errno));
        return;
    }
    DecodedText decoded = decodeTextFile(bytes);
    if (!decoded.problem.empty()) {
        unreadable(decoded.problem);
        return;
    }
    encoding_ = decoded.encoding;
    doc_ = IniDocument(decoded.text);
    for (const std::string& odd : doc_.oddLines()) {
        logLine(LogLevel::Warning,
                "settings file " + path_.string() + ": " + odd + " (ignored, kept as it is)");
    }
}

std::optional<std::string> IniFile::readProblem() const {
    refresh();
    return unreadable_;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    refresh();
    const std::string* value = doc_.find(section, key);
    return value != nullptr ? *value : std::string(fallback);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    refresh();
    const std::string* value = doc_.find(section, key);
    return value != nullptr ? integerOr(*value, fallback) : fallback;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::sectionExists(std::string_view section) const {
    refresh();
    return doc_.hasKeys(section);
}

bool IniFile::keyExists(std::string_view section, std::string_view key) const {
    refresh();
    return doc_.find(section, key) != nullptr;
}

std::vector<std::string> IniFile::sectionKeys(std::string_view section) const {
    refresh();
    return doc_.keys(section);
}

std::optional<std::string> IniFile::refuseText(std::string_view section, std::string_view key,
                                               std::string_view value) {
    const auto hasLineBreak = [](std::string_view s) {
        return s.find_first_of("\r\n") != std::string_view::npos;
    };
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) {
        return "a section, key or value may not hold a line break";
    }
    if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        key.empty() || key.front() == '[' || key.front() == ';' || key.front() == '#') {
        return "'" + std::string(key) + "' in [" + std::string(section) +
               "] cannot be stored as a key";
    }
    return std::nullopt;
}

IniWriteResult IniFile::writeString(std::string_view section, std::string_view key,
                                    std::string_view value) {
    refresh();
    if (auto refused = refuseText(section, key, value)) {
        IniError error{path_, std::move(*refused)};
        logLine(LogLevel::Error, "settings value not written: " + error.describe());
        return error;
    }
    if (!doc_.set(section, key, value)) {
        return dirty_ ? store() : std::nullopt;  // unchanged: the file stays as it is
    }
    return store();
}

IniWriteResult IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    return writeString(section, key, std::to_string(value));
}

IniWriteResult IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

IniWriteResult IniFile::deleteKey(std::string_view section, std::string_view key) {
    refresh();
    if (!doc_.remove(section, key)) {
        return dirty_ ? store() : std::nullopt;
    }
    return store();
}

IniWriteResult IniFile::eraseSection(std::string_view section) {
    refresh();
    if (!doc_.eraseSection(section)) {
        return dirty_ ? store() : std::nullopt;
    }
    return store();
}

IniWriteResult IniFile::flush() {
    refresh();
    return dirty_ ? store() : std::nullopt;
}

IniWriteResult IniFile::fail(std::string reason) {
    dirty_ = true;
    IniError error{path_, std::move(reason)};
    // Once per failing spell, not once per key of a save.
    if (lastFailure_ != error.reason) {
        logLine(LogLevel::Error, "cannot write settings file " + error.describe());
        lastFailure_ = error.reason;
    }
    return error;
}

IniWriteResult IniFile::store() {
    if (unreadable_) {
        // Replacing a file we could not read would lose everything in it.
        return fail("the existing file could not be read (" + *unreadable_ + ")");
    }
    std::size_t unrepresentable = 0;
    const std::string bytes = encodeTextFile(doc_.text(), encoding_, &unrepresentable);
    if (unrepresentable > 0) {
        logLine(LogLevel::Warning, "settings file " + path_.string() + ": " +
                                       std::to_string(unrepresentable) +
                                       " character(s) that Windows-1252 cannot hold written as ?");
    }

    std::error_code ec;
    const fs::path folder = path_.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) {
            return fail("cannot create folder " + folder.string() + ": " + ec.message());
        }
    }

    // A whole new file renamed over the old one: a full disk never leaves half a file.
    fs::path temp = path_;
    temp += ".tmp";
    std::FILE* out = openFile(temp, "wb");
    if (out == nullptr) {
        return fail(std::strerror(errno));
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        const std::string reason = std::strerror(written ? errno : writeErrno);
        fs::remove(temp, ec);
        return fail(reason);
    }
    const auto oldStatus = fs::status(path_, ec);
    if (!ec && fs::is_regular_file(oldStatus)) {
        fs::permissions(temp, oldStatus.permissions(), ec);
    }
    fs::rename(temp, path_, ec);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(temp, ec);
        return fail(reason);
    }
    if (!lastFailure_.empty()) {
        logLine(LogLevel::Info, "settings file " + path_.string() + " written again");
        lastFailure_.clear();
    }
    dirty_ = false;
    loaded_ = currentStamp();
    return std::nullopt;
}

}  // namespace kovra::settings
