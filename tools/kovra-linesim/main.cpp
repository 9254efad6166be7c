// kovra-linesim OUT.wav SCRIPT: writes line audio from a line script (SCRIPT "-" reads stdin).
// Exit status: 0 written, 1 file error, 2 bad script or usage.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "kovra-linesim/line_script.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Writes 8000 Hz 16-bit telephone-line audio (WAV) from a line script.\n"
        "Stereo files carry line 1 on the right channel and line 2 on the left."};
    std::string out, scriptPath;
    app.add_option("OUT", out, "WAV file to write")->required();
    app.add_option("SCRIPT", scriptPath, "script file, or - for standard input")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int rc = app.exit(e);
        return rc == 0 ? 0 : 2;
    }

    std::string script;
    if (scriptPath == "-") {
        script.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        std::ifstream in(scriptPath, std::ios::binary);
        if (!in) {
            std::cerr << "kovra-linesim: cannot read script " << scriptPath << "\n";
            return 2;
        }
        script.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string name = scriptPath == "-" ? "<stdin>" : scriptPath;
    try {
        const kovra::linesim::Audio audio = kovra::linesim::renderScript(script);
        kovra::linesim::writeWav(out, audio);
    } catch (const kovra::linesim::ScriptError& e) {
        std::cerr << "kovra-linesim: " << name << ":" << e.line() << ": " << e.reason() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kovra-linesim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
