#include "recording/privacy_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace kovra {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::string> PrivacyIniDocument::read(const std::filesystem::path& path) {
    sections_.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return path.string() + ": " + std::strerror(errno);
    }
    std::string line;
    Section* current = nullptr;
    bool firstLine = true;
    while (std::getline(in, line)) {
        std::string_view text = line;
        if (firstLine && text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);  // UTF-8 byte-order mark
        }
        firstLine = false;
        text = trim(text);
        if (text.empty() || text.front() == ';' || text.front() == '#') {
            continue;
        }
        if (text.front() == '[' && text.back() == ']') {
            current = &findOrAdd(trim(text.substr(1, text.size() - 2)));
            continue;
        }
        const auto eq = text.find('=');
        if (current == nullptr || eq == std::string_view::npos) {
            continue;
        }
        set(current->name, trim(text.substr(0, eq)), trim(text.substr(eq + 1)));
    }
    if (in.bad()) {
        sections_.clear();
        return path.string() + ": read error";
    }
    return std::nullopt;
}

std::optional<std::string> PrivacyIniDocument::write(const std::filesystem::path& path) const {
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return path.string() + ": " + std::strerror(errno);
        }
        for (const Section& s : sections_) {
            if (s.keys.empty()) {
                continue;
            }
            out << '[' << s.name << "]\r\n";
            for (const auto& [key, value] : s.keys) {
                out << key << '=' << value << "\r\n";
            }
        }
        out.flush();
        if (!out) {
            const int err = errno;
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return path.string() + ": " + (err != 0 ? std::strerror(err) : "write error");
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return path.string() + ": " + ec.message();
    }
    return std::nullopt;
}

const PrivacyIniDocument::Section* PrivacyIniDocument::find(std::string_view name) const {
    for (const Section& s : sections_) {
        if (sameName(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

PrivacyIniDocument::Section& PrivacyIniDocument::findOrAdd(std::string_view name) {
    for (Section& s : sections_) {
        if (sameName(s.name, name)) {
            return s;
        }
    }
    sections_.push_back({std::string(name), {}});
    return sections_.back();
}

void PrivacyIniDocument::erase(std::string_view name) {
    std::erase_if(sections_, [&](const Section& s) { return sameName(s.name, name); });
}

void PrivacyIniDocument::set(std::string_view section, std::string_view key,
                             std::string_view value) {
    Section& s = findOrAdd(section);
    for (auto& [k, v] : s.keys) {
        if (sameName(k, key)) {
            v = value;
            return;
        }
    }
    s.keys.emplace_back(std::string(key), std::string(value));
}

}  // namespace kovra
