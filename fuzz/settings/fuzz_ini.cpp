// libFuzzer target for the INI reader: the text decoding of a settings file, the document
// that keeps its form, and the file object over a real file (read, write, erase). Checks
// that an untouched file round-trips byte for byte, that a value written reads back and
// that a file the reader refuses is never changed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/profile/ini_document.h"
#include "platform/profile/text_encoding.h"
#include "settings/ini_file.h"

namespace {

namespace fs = std::filesystem;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A name taken from the input: printable, no line break, "=" or "]".
std::string nameFrom(std::string_view bytes, std::size_t at, std::size_t length) {
    std::string name;
    for (std::size_t i = at; i < bytes.size() && name.size() < length; ++i) {
        const char c = bytes[i];
        if (c > ' ' && c < 127 && c != '=' && c != ']' && c != '[' && c != ';' && c != '#') {
            name += c;
        }
    }
    return name.empty() ? "k" : name;
}

const fs::path& scratchFile() {
    static const fs::path path =
        fs::temp_directory_path() / ("kovra-fuzz-ini-" + std::to_string(::getpid()) + ".ini");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const kovra::DecodedText decoded = kovra::decodeTextFile(bytes);
    if (decoded.problem.empty()) {
        // Unedited text goes back to the very bytes it came from.
        check(kovra::encodeTextFile(decoded.text, decoded.encoding) == bytes);
        kovra::IniDocument doc(decoded.text);
        check(doc.text() == decoded.text);

        const std::string section = nameFrom(bytes, size / 3, 8);
        const std::string key = nameFrom(bytes, size / 2, 8);
        const std::string value = nameFrom(bytes, 0, 12);
        doc.set(section, key, value);
        check(doc.find(section, key) != nullptr && *doc.find(section, key) == value);
        // The edited text parses to the same value: no edit can shift another line.
        const kovra::IniDocument again(doc.text());
        check(again.find(section, key) != nullptr && *again.find(section, key) == value);
        doc.remove(section, key);
        doc.eraseSection(section);
        check(!kovra::IniDocument(doc.text()).hasKeys(section));
    }

    // The file object over the same bytes.
    const fs::path& path = scratchFile();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(size));
    {
        kovra::settings::IniFile ini(path);
        const std::string section = nameFrom(bytes, size / 4, 6);
        (void)ini.readInteger(section, "Volume", 25);
        (void)ini.sectionKeys(section);
        const bool refused = ini.readProblem().has_value();
        const auto error = ini.writeString(section, "LineName1", nameFrom(bytes, 1, 9));
        if (refused) {
            check(error.has_value());
            check(readBytes(path) == bytes);
        } else if (!error) {
            check(ini.readString(section, "LineName1", "") == nameFrom(bytes, 1, 9));
        }
        (void)ini.eraseSection(section);
    }
    return 0;
}
