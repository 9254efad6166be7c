// Builds a line pair's set of detector controls (one capture, two decoders, two level
// views) on a live device or a WAV file, so the pair object is built the same way on
// either. Nothing is wired: the pair's start-up sets the sources, channels and tones.
// Loop thread only.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/capture/detector_capture.h"
#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/wav_file_capture.h"
#include "platform/detectors/phone_tone_decoder.h"
#include "platform/detectors/wave_view.h"

namespace kovra {

struct DetectorSource {
    enum class Kind { Device, WavFile };
    Kind kind = Kind::Device;
    std::string deviceName;           // Device: preset as WaveInDevice (may be empty)
    std::filesystem::path file;       // WavFile
    FastAudioDriver* fast = nullptr;  // WavFile: the simulated-time driver, or nullptr for
                                      // real-time pacing

    static DetectorSource device(std::string name = {}) {
        DetectorSource s;
        s.deviceName = std::move(name);
        return s;
    }
    static DetectorSource wavFile(std::filesystem::path path, FastAudioDriver* fast = nullptr) {
        DetectorSource s;
        s.kind = Kind::WavFile;
        s.file = std::move(path);
        s.fast = fast;
        return s;
    }
};

// Members are destroyed views first, capture last.
struct PairDetectors {
    std::unique_ptr<DetectorCapture> capture;
    std::unique_ptr<PhoneToneDecoder> decoder1;  // odd line
    std::unique_ptr<PhoneToneDecoder> decoder2;  // even line
    std::unique_ptr<SpectrumView> view1;
    std::unique_ptr<SpectrumView> view2;
    WavFileCapture* file = nullptr;  // the capture when it plays a file (end of input), or null
};

PairDetectors makePairDetectors(EventLoop& loop, const DetectorSource& source);

}  // namespace kovra
