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

#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/wav_file_reader.h"
#include "platform/detectors/detector_factory.h"
#include "platform/detectors/standard_tones.h"
#include "platform/simulated_event_loop.h"

namespace {

using namespace kovra;

constexpr int kExitBadInput = 2;
constexpr int kBufferBytes[] = {4096, 2048, 1024};
// The hook-signalling rows of a current platform (version code 6 or more).
constexpr int kPlatformVersionCode = 10;

void print(std::int64_t position, int side, const char* kind, const std::string& value) {
    std::printf("%.3f\t%d\t%s\t%s\n", static_cast<double>(position) / DetectorCapture::kSampleRate,
                side, kind, value.c_str());
}

void wire(PhoneToneDecoder& decoder, int side, const std::vector<CustomToneRow>& tones,
          float sensitivity) {
    decoder.EnableSpectrumConversion = true;
    decoder.ClearCustomTones();
    addCustomTones(decoder, tones);
    decoder.MonitorDTMF = true;
    decoder.MonitorCallerID = true;
    decoder.MonitorCIDCW = true;
    decoder.MonitorCustomTone = true;
    decoder.DTMFParams.Sensitivity = sensitivity;
    decoder.OnDTMF = [side](char key, std::int64_t position) {
        print(position, side, "DTMF", std::string(1, key));
    };
    decoder.OnCallerID = [side](const std::string& name, const std::string& number,
                                const std::string& /*called*/, const std::string& dateTime,
                                std::int64_t position) {
        print(position, side, "CALLERID",
              "number=" + number + ";name=" + name + ";datetime=" + dateTime);
    };
    decoder.OnToneDetected = [side](int id, std::int64_t position) {
        print(position, side, "TONE", std::to_string(id));
    };
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Runs the line detectors over a WAV file and prints every event they raise."};
    std::string file;
    std::string tones = "analogue";
    int buffer = 1;
    float sensitivity = 12.0F;
    app.add_option("FILE", file, "WAV file: mono is one line, stereo two (right = odd line)")
        ->required();
    app.add_option("--tones", tones,
                   "custom tone set: analogue (dial tone, ring) or hook "
                   "(the two-line adapter's hook and flash tones)")
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

    int channels = 0;
    try {
        channels = WavFileReader(file, DetectorCapture::kSampleRate).channels();
    } catch (const WavReadError& e) {
        std::cerr << "kovra-detect: " << e.what() << "\n";
        return kExitBadInput;
    }

    SimulatedEventLoop loop;
    FastAudioDriver driver(loop);
    PairDetectors detectors = makePairDetectors(loop, DetectorSource::wavFile(file, &driver));
    const auto rows = tones == "hook" ? hookToneRows(kPlatformVersionCode) : analogueToneRows();
    const bool twoLines = channels >= 2;

    wire(*detectors.decoder1, 1, rows, sensitivity);
    detectors.view1->SetWaveSource(detectors.capture.get());
    detectors.decoder1->SetAudioSource(detectors.capture.get());
    detectors.decoder1->DecodeChannel = 1;
    detectors.view1->Channel = 1;
    if (twoLines) {
        wire(*detectors.decoder2, 2, rows, sensitivity);
        detectors.view2->SetWaveSource(detectors.capture.get());
        detectors.decoder2->SetAudioSource(detectors.capture.get());
        detectors.decoder2->DecodeChannel = 0;
        detectors.view2->Channel = 0;
    }
    detectors.capture->SelectFormat(twoLines ? DetectorCapture::kFormatStereo
                                             : DetectorCapture::kFormatMono);
    detectors.capture->RecordBufferLength = kBufferBytes[buffer];
    detectors.file->OnEndOfInput = [&loop] { loop.quit(0); };
    detectors.capture->StartCapture(0);
    if (!detectors.capture->CaptureRunning()) {
        std::cerr << "kovra-detect: " << file << ": cannot start the detectors\n";
        return kExitBadInput;
    }
    const int code = driver.run();
    std::fflush(stdout);
    return code;
}
