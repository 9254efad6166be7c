#include "platform/profile/text_encoding.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kovra {

namespace {

// Code points of bytes 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The code point starting at bytes[i] of valid UTF-8 and its length; U+FFFD and 1 for a
// byte that does not start a well-formed sequence.
std::pair<char32_t, std::size_t> nextCodePoint(std::string_view bytes, std::size_t i) {
    const auto b0 = static_cast<std::uint8_t>(bytes[i]);
    if (b0 < 0x80) {
        return {b0, 1};
    }
    std::size_t len = 0;
    char32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        return {kReplacement, 1};
    }
    if (i + len > bytes.size()) {
        return {kReplacement, 1};
    }
    for (std::size_t j = 1; j < len; ++j) {
        const auto b = static_cast<std::uint8_t>(bytes[i + j]);
        if ((b & 0xC0) != 0x80) {
            return {kReplacement, 1};
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return {kReplacement, 1};
    }
    return {cp, len};
}

// Control bytes no text file holds; TAB, LF, VT, FF, CR and the old end-of-file mark
// (0x1A) are text.
bool isBinaryByte(char c) {
    const auto b = static_cast<std::uint8_t>(c);
    return b < 0x20 && b != '\t' && b != '\n' && b != '\v' && b != '\f' && b != '\r' && b != 0x1A;
}

std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian,
                                       std::string& problem) {
    if (bytes.size() % 2 != 0) {
        problem = "UTF-16 text of an odd number of bytes";
        return std::nullopt;
    }
    const auto unit = [&](std::size_t i) {
        const auto hi = static_cast<std::uint8_t>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<std::uint8_t>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<char16_t>((hi << 8) | lo);
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char16_t u = unit(i);
        char32_t cp = u;
        if (u >= 0xD800 && u <= 0xDBFF) {
            const char16_t low = i + 2 < bytes.size() ? unit(i + 2) : 0;
            if (low < 0xDC00 || low > 0xDFFF) {
                problem = "broken UTF-16 (a lone surrogate at byte " + std::to_string(i) + ")";
                return std::nullopt;
            }
            cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            problem = "broken UTF-16 (a lone surrogate at byte " + std::to_string(i) + ")";
            return std::nullopt;
        }
        if (cp < 0x80 && isBinaryByte(static_cast<char>(cp))) {
            problem = "binary data (control character " + std::to_string(cp) + ")";
            return std::nullopt;
        }
        appendUtf8(out, cp);
    }
    return out;
}

void appendUtf16(std::string& out, char32_t cp, bool bigEndian) {
    const auto put = [&](char16_t u) {
        const auto hi = static_cast<char>(u >> 8);
        const auto lo = static_cast<char>(u & 0xFF);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    };
    if (cp >= 0x10000) {
        cp -= 0x10000;
        put(static_cast<char16_t>(0xD800 + (cp >> 10)));
        put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        put(static_cast<char16_t>(cp));
    }
}

std::optional<char> toWindows1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<char>(cp);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == cp) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto [cp, len] = nextCodePoint(bytes, i);
        if (cp == kReplacement && len == 1) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else if (b < 0xA0) {
            appendUtf8(out, kCp1252High[b - 0x80]);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string decodeSettingsText(std::string_view bytes) {
    if (isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return windows1252ToUtf8(bytes);
}

DecodedText decodeTextFile(std::string_view bytes) {
    DecodedText decoded;
    if (bytes.starts_with(kUtf16LeBom) || bytes.starts_with(kUtf16BeBom)) {
        const bool bigEndian = bytes.starts_with(kUtf16BeBom);
        decoded.encoding = bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        if (auto text = utf16ToUtf8(bytes.substr(2), bigEndian, decoded.problem)) {
            decoded.text = std::move(*text);
        }
        return decoded;
    }
    if (bytes.starts_with(kUtf8Bom)) {
        decoded.encoding = TextEncoding::Utf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (isBinaryByte(bytes[i])) {
            decoded.problem = bytes[i] == '\0' ? "binary data (NUL bytes; UTF-16 needs its "
                                                 "byte-order mark)"
                                               : "binary data (control byte " +
                                                     std::to_string(static_cast<int>(bytes[i])) +
                                                     " at byte " + std::to_string(i) + ")";
            return decoded;
        }
    }
    if (isValidUtf8(bytes)) {
        decoded.text = std::string(bytes);
    } else {
        // Not UTF-8 after all: read byte for byte as the older installs' code page, and
        // written back so, mark and all.
        decoded.encoding = decoded.encoding == TextEncoding::Utf8Bom
                               ? TextEncoding::Utf8BomWindows1252
                               : TextEncoding::Windows1252;
        decoded.text = windows1252ToUtf8(bytes);
    }
    return decoded;
}

std::string encodeTextFile(std::string_view utf8, TextEncoding encoding,
                           std::size_t* unrepresentable) {
    std::size_t lost = 0;
    std::string out;
    switch (encoding) {
        case TextEncoding::Utf8:
            out = std::string(utf8);
            break;
        case TextEncoding::Utf8Bom:
            out = std::string(kUtf8Bom) + std::string(utf8);
            break;
        case TextEncoding::Windows1252:
        case TextEncoding::Utf8BomWindows1252:
            if (encoding == TextEncoding::Utf8BomWindows1252) {
                out = std::string(kUtf8Bom);
            }
            out.reserve(out.size() + utf8.size());
            for (std::size_t i = 0; i < utf8.size();) {
                const auto [cp, len] = nextCodePoint(utf8, i);
                const auto byte = toWindows1252(cp);
                out.push_back(byte.value_or('?'));
                lost += byte ? 0 : 1;
                i += len;
            }
            break;
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be: {
            const bool bigEndian = encoding == TextEncoding::Utf16Be;
            out = std::string(bigEndian ? kUtf16BeBom : kUtf16LeBom);
            out.reserve(2 + utf8.size() * 2);
            for (std::size_t i = 0; i < utf8.size();) {
                const auto [cp, len] = nextCodePoint(utf8, i);
                appendUtf16(out, cp, bigEndian);
                i += len;
            }
            break;
        }
    }
    if (unrepresentable != nullptr) {
        *unrepresentable = lost;
    }
    return out;
}

}  // namespace kovra
