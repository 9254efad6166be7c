#include "recording/privacy_list.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/log.h"
#include "platform/profile/ini_document.h"
#include "platform/profile/text_encoding.h"
#include "platform/system/file_open.h"

namespace kovra {

namespace {

// A value reads as true when it is an integer other than 0; anything else is false.
bool readsTrue(std::string_view value) {
    long number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    return ec == std::errc() && end == value.data() + value.size() && number != 0;
}

// The file as a document in the encoding it was read in. A missing file is an empty
// document; a file that cannot be read or is not text gives the reason.
struct PrivacyFile {
    IniDocument doc;
    TextEncoding encoding = TextEncoding::Utf8;
    std::optional<std::string> problem;
};

PrivacyFile readPrivacyFile(const std::filesystem::path& path) {
    PrivacyFile file;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) {
        return file;
    }
    if (!std::filesystem::is_regular_file(status)) {
        file.problem = "not a regular file";
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes;
    if (in) {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!in && !in.eof()) {
        file.problem = std::strerror(errno);
        return file;
    }
    DecodedText decoded = decodeTextFile(bytes);
    if (!decoded.problem.empty()) {
        file.problem = decoded.problem;
        return file;
    }
    file.doc = IniDocument(decoded.text);
    file.encoding = decoded.encoding;
    return file;
}

// Writes a whole new file renamed over the old one. Returns the reason on failure.
std::optional<std::string> writePrivacyFile(const std::filesystem::path& path,
                                            const PrivacyFile& file) {
    const std::string bytes = encodeTextFile(file.doc.text(), file.encoding);
    std::filesystem::path temp = path;
    temp += ".tmp";
    std::FILE* out = openFile(temp, "wb");
    if (out == nullptr) {
        return path.string() + ": " + std::strerror(errno);
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(out) == 0;
    std::error_code ec;
    if (!written || !closed) {
        const std::string reason = std::strerror(written ? errno : writeErrno);
        std::filesystem::remove(temp, ec);
        return path.string() + ": " + reason;
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        const std::string reason = ec.message();
        std::filesystem::remove(temp, ec);
        return path.string() + ": " + reason;
    }
    return std::nullopt;
}

}  // namespace

PrivacyList::PrivacyList(std::filesystem::path file) : file_(std::move(file)) {}

void PrivacyList::load() {
    entries_.clear();
    active_.clear();
    permiteManual_ = true;
    applyEnabled_ = false;
    const PrivacyFile file = readPrivacyFile(file_);
    if (file.problem) {
        // Said once per problem: a retry at every call must not flood the log.
        if (readProblem_ != file.problem) {
            logLine(LogLevel::Error, "Privacy list cannot be read: " + file_.string() + ": " +
                                         *file.problem +
                                         "; no call is recorded until it can be read");
        }
        readProblem_ = file.problem;
        return;
    }
    if (readProblem_) {
        logLine(LogLevel::Info, "Privacy list read again: " + file_.string());
    }
    readProblem_.reset();
    for (const std::string& number : file.doc.keys(kPrivacySection)) {
        entries_.push_back({number, readsTrue(*file.doc.find(kPrivacySection, number))});
        if (entries_.back().ticked) {
            active_.push_back(number);
        }
    }
    if (const std::string* manual = file.doc.find(kPrivacyManualSection, kPrivacyManualKey)) {
        permiteManual_ = readsTrue(*manual);
    }
}

bool PrivacyList::recordingAllowed() {
    if (readProblem_) {
        load();
    }
    return !readProblem_;
}

bool PrivacyList::isPrivate(std::string_view number) const {
    return !number.empty() && std::find(active_.begin(), active_.end(), number) != active_.end();
}

bool PrivacyList::insert(std::string_view number) {
    if (number.empty() ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    entries_.push_back({std::string(number), false});
    applyEnabled_ = true;
    return true;
}

void PrivacyList::remove(std::size_t index) {
    if (index < entries_.size()) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

void PrivacyList::setTicked(std::size_t index, bool ticked) {
    if (index < entries_.size() && entries_[index].ticked != ticked) {
        entries_[index].ticked = ticked;
        applyEnabled_ = true;
    }
}

void PrivacyList::setPermiteManual(bool allow) {
    permiteManual_ = allow;
    applyEnabled_ = true;
}

std::optional<std::string> PrivacyList::apply() {
    // The user's ticks take effect whatever happens to the file.
    active_.clear();
    for (const PrivacyEntry& e : entries_) {
        if (e.ticked) {
            active_.push_back(e.number);
        }
    }

    PrivacyFile file = readPrivacyFile(file_);
    if (file.problem) {
        // Writing over a file we could not read would lose what it holds.
        const std::string error = file_.string() + ": " + *file.problem;
        logLine(LogLevel::Error, "Privacy list not saved: " + error);
        return error;
    }
    // The entries replace the old ones where they stood; the rest of the file stays.
    for (const std::string& number : file.doc.keys(kPrivacySection)) {
        while (file.doc.remove(kPrivacySection, number)) {
        }
    }
    for (const PrivacyEntry& e : entries_) {
        file.doc.set(kPrivacySection, e.number, e.ticked ? "1" : "0");
    }
    file.doc.set(kPrivacyManualSection, kPrivacyManualKey, permiteManual_ ? "1" : "0");
    if (auto error = writePrivacyFile(file_, file)) {
        logLine(LogLevel::Error, "Privacy list not saved: " + *error +
                                     " (the ticked numbers stay protected until exit)");
        return error;
    }
    applyEnabled_ = false;
    return std::nullopt;
}

}  // namespace kovra
