#include "settings/ini_file.h"

// Text is kept as the UTF-8 bytes it was decoded to: no conversion layer is needed.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION  // this is the one translation unit that holds SimpleIni's code
#include <SimpleIni.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <memory>
#include <sstream>
#include <system_error>

#include "platform/log.h"
#include "settings/integer_text.h"
#include "settings/text_encoding.h"

namespace kovra::settings {

namespace fs = std::filesystem;

std::string IniError::describe() const {
    return file.string() + ": " + reason;
}

struct IniFile::Document {
    CSimpleIniA ini{true, false, false};
};

IniFile::IniFile(fs::path path) : path_(std::move(path)), doc_(std::make_unique<Document>()) {
    doc_->ini.SetSpaces(false);
}

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
    doc_->ini.Reset();
    unreadable_.reset();
    loadedOnce_ = true;
    loaded_ = currentStamp();
    if (!loaded_.exists) {
        return;
    }
    std::error_code ec;
    if (!fs::is_regular_file(path_, ec)) {
        unreadable_ = "not a regular file";
        logLine(LogLevel::Warning, "settings file " + path_.string() + " is not a regular file");
        return;
    }
    std::ifstream in(path_, std::ios::binary);
    std::string bytes;
    if (in) {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!in && !in.eof()) {
        unreadable_ = std::strerror(errno);
        logLine(LogLevel::Warning,
                "cannot read settings file " + path_.string() + ": " + *unreadable_);
        return;
    }
    const std::string text = decodeSettingsText(bytes);
    if (doc_->ini.LoadData(text) < 0) {
        unreadable_ = "cannot be parsed";
        logLine(LogLevel::Warning, "settings file " + path_.string() + " cannot be parsed");
        doc_->ini.Reset();
    }
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    refresh();
    const std::string s(section);
    const std::string k(key);
    const char* value = doc_->ini.GetValue(s.c_str(), k.c_str(), nullptr);
    return value != nullptr ? std::string(value) : std::string(fallback);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    refresh();
    const std::string s(section);
    const std::string k(key);
    const char* value = doc_->ini.GetValue(s.c_str(), k.c_str(), nullptr);
    return value != nullptr ? integerOr(value, fallback) : fallback;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::sectionExists(std::string_view section) const {
    refresh();
    return doc_->ini.GetSectionSize(std::string(section).c_str()) > 0;
}

bool IniFile::keyExists(std::string_view section, std::string_view key) const {
    refresh();
    return doc_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr) !=
           nullptr;
}

std::vector<std::string> IniFile::sectionKeys(std::string_view section) const {
    refresh();
    CSimpleIniA::TNamesDepend keys;
    doc_->ini.GetAllKeys(std::string(section).c_str(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> names;
    names.reserve(keys.size());
    for (const auto& entry : keys) {
        names.emplace_back(entry.pItem);
    }
    return names;
}

IniWriteResult IniFile::writeString(std::string_view section, std::string_view key,
                                    std::string_view value) {
    refresh();
    const std::string s(section);
    const std::string k(key);
    const std::string v(value);
    if (doc_->ini.SetValue(s.c_str(), k.c_str(), v.c_str()) < 0) {
        return fail("out of memory");
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
    if (!doc_->ini.Delete(std::string(section).c_str(), std::string(key).c_str())) {
        return dirty_ ? store() : std::nullopt;
    }
    return store();
}

IniWriteResult IniFile::eraseSection(std::string_view section) {
    refresh();
    if (!doc_->ini.Delete(std::string(section).c_str(), nullptr)) {
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
    std::string text;
    if (doc_->ini.Save(text, false) < 0) {
        return fail("out of memory");
    }
    // SimpleIni separates sections with two blank lines; one is the usual look.
    for (std::size_t at = text.find("\n\n\n"); at != std::string::npos;
         at = text.find("\n\n\n", at)) {
        text.erase(at, 1);
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
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (out == nullptr) {
        return fail(std::strerror(errno));
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
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
