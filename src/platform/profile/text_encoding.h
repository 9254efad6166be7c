// Character sets of profile (INI) files: files saved on Windows come as UTF-16 with a
// byte-order mark, as Windows-1252 (older installs) or as UTF-8. A file is read into
// UTF-8 and written back in the encoding it was read in. Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace kovra {

enum class TextEncoding {
    Utf8,         // also plain ASCII, and the encoding of a new file
    Utf8Bom,      // UTF-8 after the mark EF BB BF
    Windows1252,  // not valid UTF-8: an older install's file
    // The UTF-8 mark before text that is not UTF-8 (an editor kept the mark, not the
    // encoding): Windows-1252 after the mark, written back so.
    Utf8BomWindows1252,
    Utf16Le,  // after the mark FF FE
    Utf16Be,  // after the mark FE FF
};

// A file's text in UTF-8, the encoding it was read in, and why it is not text at all
// (empty when it is).
struct DecodedText {
    std::string text;
    TextEncoding encoding = TextEncoding::Utf8;
    std::string problem;
};

// True when bytes form well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Converts Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as the
// platform's own converter does, so no byte is ever dropped.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 text as it is, or the Windows-1252 reading of it when it is not valid UTF-8.
std::string decodeSettingsText(std::string_view bytes);

// Reads a settings file's bytes. Binary data (NUL or other control bytes outside UTF-16),
// UTF-16 of odd length or with broken surrogate pairs are a problem, never guessed at.
DecodedText decodeTextFile(std::string_view bytes);

// UTF-8 text as the bytes of encoding (with its byte-order mark). A character that
// Windows-1252 cannot hold becomes "?", as the platform's converter does; unrepresentable
// counts them when given.
std::string encodeTextFile(std::string_view utf8, TextEncoding encoding,
                           std::size_t* unrepresentable = nullptr);

}  // namespace kovra
