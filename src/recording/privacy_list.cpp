#include "recording/privacy_list.h"

#include <algorithm>
#include <charconv>

#include "platform/log.h"
#include "recording/privacy_file.h"

namespace kovra {

namespace {

// A value reads as true when it is an integer other than 0; anything else is false.
bool readsTrue(std::string_view value) {
    long number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    return ec == std::errc() && end == value.data() + value.size() && number != 0;
}

}  // namespace

PrivacyList::PrivacyList(std::filesystem::path file) : file_(std::move(file)) {}

void PrivacyList::load() {
    entries_.clear();
    active_.clear();
    permiteManual_ = true;
    applyEnabled_ = false;
    PrivacyIniDocument doc;
    if (auto error = doc.read(file_)) {
        logLine(LogLevel::Error, "Privacy list not read: " + *error);
        return;
    }
    if (const auto* section = doc.find(kPrivacySection)) {
        for (const auto& [number, value] : section->keys) {
            entries_.push_back({number, readsTrue(value)});
            if (entries_.back().ticked) {
                active_.push_back(number);
            }
        }
    }
    if (const auto* manual = doc.find(kPrivacyManualSection)) {
        for (const auto& [key, value] : manual->keys) {
            if (key == kPrivacyManualKey) {
                permiteManual_ = readsTrue(value);
            }
        }
    }
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

    PrivacyIniDocument doc;
    if (auto error = doc.read(file_)) {
        // Writing over a file we could not read would lose what it holds.
        logLine(LogLevel::Error, "Privacy list not saved: " + *error);
        return error;
    }
    doc.erase(kPrivacySection);
    for (const PrivacyEntry& e : entries_) {
        doc.set(kPrivacySection, e.number, e.ticked ? "1" : "0");
    }
    doc.set(kPrivacyManualSection, kPrivacyManualKey, permiteManual_ ? "1" : "0");
    if (auto error = doc.write(file_)) {
        logLine(LogLevel::Error, "Privacy list not saved: " + *error +
                                     " (the ticked numbers stay protected until exit)");
        return error;
    }
    applyEnabled_ = false;
    return std::nullopt;
}

}  // namespace kovra
