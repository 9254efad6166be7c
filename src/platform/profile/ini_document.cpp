#include "platform/profile/ini_document.h"

#include <algorithm>
#include <cctype>

namespace kovra {

namespace {

constexpr auto npos = std::string::npos;

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    bool inSection = false;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        Line line;
        const std::size_t end = text.find_first_of("\r\n", at);
        line.text = std::string(text.substr(at, end == npos ? npos : end - at));
        if (end == npos) {
            at = text.size();
        } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            line.ending = "\r\n";
            at = end + 2;
        } else {
            line.ending = std::string(1, text[end]);
            at = end + 1;
        }
        ++number;
        const std::string_view body = trim(line.text);
        if (body.empty() || body.front() == ';' || body.front() == '#') {
            // blank or comment
        } else if (body.front() == '[') {
            const std::size_t close = body.find(']');
            line.kind = Kind::Section;
            line.name = std::string(trim(body.substr(1, close == npos ? npos : close - 1)));
            inSection = true;
        } else if (const std::size_t eq = line.text.find('='); eq != npos && inSection) {
            line.kind = Kind::Key;
            line.name = std::string(trim(std::string_view(line.text).substr(0, eq)));
            std::size_t valueStart = eq + 1;
            while (valueStart < line.text.size() && isSpace(line.text[valueStart])) {
                ++valueStart;
            }
            line.valueStart = valueStart;
            line.value = std::string(trim(std::string_view(line.text).substr(valueStart)));
        } else {
            odd_.push_back("line " + std::to_string(number) +
                           (inSection ? " is neither a section, a key nor a comment"
                                      : " stands before any section"));
        }
        lines_.push_back(std::move(line));
    }
}

std::string IniDocument::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::size_t IniDocument::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && sameName(lines_[i].name, section)) {
            return i;
        }
    }
    return npos;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section) {
        ++i;
    }
    return i;
}

std::size_t IniDocument::findKey(std::size_t header, std::string_view key) const {
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name, key)) {
            return i;
        }
    }
    return npos;
}

const std::string* IniDocument::find(std::string_view section, std::string_view key) const {
    const std::size_t header = findSection(section);
    if (header == npos) {
        return nullptr;
    }
    const std::size_t at = findKey(header, key);
    return at == npos ? nullptr : &lines_[at].value;
}

bool IniDocument::hasKeys(std::string_view section) const {
    return !keys(section).empty();
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> names;
    const std::size_t header = findSection(section);
    if (header == npos) {
        return names;
    }
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Key && std::none_of(names.begin(), names.end(), [&](auto& n) {
                return sameName(n, line.name);
            })) {
            names.push_back(line.name);
        }
    }
    return names;
}

std::string IniDocument::newLineEnding() const {
    // New lines take the file's own ending: that of its first ended line.
    for (const Line& line : lines_) {
        if (!line.ending.empty()) {
            return line.ending;
        }
    }
    return "\n";
}

void IniDocument::insertLine(std::size_t at, Line line) {
    line.ending = newLineEnding();
    if (at > 0 && lines_[at - 1].ending.empty()) {
        lines_[at - 1].ending = line.ending;  // the old last line gets its end
    }
    if (at == lines_.size() && !lines_.empty() && lines_.back().ending.empty()) {
        lines_.back().ending = line.ending;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    std::size_t header = findSection(section);
    if (header != npos) {
        const std::size_t at = findKey(header, key);
        if (at != npos) {
            Line& line = lines_[at];
            if (line.value == trim(value)) {
                return false;
            }
            line.text.resize(line.valueStart);
            line.text += value;
            line.value = std::string(trim(value));
            return true;
        }
    } else {
        // A new section at the end, after a blank line unless the file is empty or
        // already ends with one.
        if (!lines_.empty() && !trim(lines_.back().text).empty()) {
            insertLine(lines_.size(), Line{});
        }
        Line head;
        head.text = "[" + std::string(section) + "]";
        head.kind = Kind::Section;
        head.name = std::string(section);
        insertLine(lines_.size(), std::move(head));
        header = lines_.size() - 1;
    }
    // After the section's last key; blank lines and comments before the next section
    // stay where they are.
    std::size_t at = header + 1;
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key) {
            at = i + 1;
        }
    }
    Line line;
    line.text = std::string(key) + "=";
    line.valueStart = line.text.size();
    line.text += value;
    line.kind = Kind::Key;
    line.name = std::string(key);
    line.value = std::string(trim(value));
    insertLine(at, std::move(line));
    return true;
}

bool IniDocument::remove(std::string_view section, std::string_view key) {
    const std::size_t header = findSection(section);
    const std::size_t at = header == npos ? npos : findKey(header, key);
    if (at == npos) {
        return false;
    }
    if (at + 1 == lines_.size() && at > 0) {
        lines_[at - 1].ending = lines_[at].ending;
    }
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

bool IniDocument::eraseSection(std::string_view section) {
    bool erased = false;
    for (std::size_t header = findSection(section); header != npos; header = findSection(section)) {
        const std::size_t end = sectionEnd(header);
        if (end == lines_.size() && header > 0) {
            lines_[header - 1].ending = lines_.back().ending;
        }
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(end));
        erased = true;
    }
    return erased;
}

}  // namespace kovra
