// kovra-detect: runs the detector controls over a WAV file, as fast as the CPU allows, and
// prints every detector event, one a line: time_s<TAB>side<TAB>kind<TAB>value.
//   side: 1 = the odd line (right channel of a stereo file; a mono file is side 1),
//         2 = the even line (left channel).
//   kind: DTMF (value: the symbol), CALLERID (number=…;name=…;datetime=…), TONE (the id).
// Diagnostics go to standard error. Exit status: 0 done, 2 bad arguments or a bad file.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/capture/detector_capture.h"
#include "platform/capture/wav_file_reader.h"
#include "platform/detectors/file_detection.h"

namespace {

constexpr int kExitBadInput = 2;
constexpr int kBufferBytes[] = {4096, 2048, 1024};
// The hook-signalling rows of a current platform (version code 6 or more).
constexpr int kPlatformVersionCode = 10;

}  // namespace

int main(int argc, char** argv) {
    using namespace kovra;
    CLI::App app{"Runs the line detectors over a WAV file and prints every event they raise."};
    std::string file;
    std::string tones = "analogue";
    int buffer = 1;
    float sensitivity = 12.0F;
    app.add_option("FILE", file, "WAV file: mono is one line, stereo two (right = odd line)")
        ->required();
    app.add_option("--tones", tones,
                   "custom tone set: analogue (dial tone, ring) or hook (the two-line "
                   "adapter's hook and flash tones)")
        ->check(CLI::IsMember({"analogue", "hook"}));
    app.add_option("--buffer", buffer, "capture buffer: 0 = 4096, 1 = 2048, 2 = 1024 bytes")
        ->check(CLI::IsMember({0, 1, 2}));
    app.add_option("--sensitivity", sensitivity, "DTMF sensitivity, 2 to 24")
        ->check(CLI::Range(2.0F, 24.0F));
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr << "kovra-detect: " << e.what() << "\n" << app.help();
        return kExitBadInput;
    }

    FileDetectionOptions options;
    options.tones = tones == "hook" ? hookToneRows(kPlatformVersionCode) : analogueToneRows();
    options.bufferBytes = kBufferBytes[buffer];
    options.dtmfSensitivity = sensitivity;
    try {
        detectFile(file, options, [](const DetectedEvent& e) {
            std::printf("%.3f\t%d\t%s\t%s\n",
                        static_cast<double>(e.position) / DetectorCapture::kSampleRate, e.side,
                        e.kind.c_str(), e.value.c_str());
        });
    } catch (const WavReadError& e) {
        std::fflush(stdout);
        std::cerr << "kovra-detect: " << e.what() << "\n";
        return kExitBadInput;
    }
    std::fflush(stdout);
    return 0;
}
