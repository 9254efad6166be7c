#include "platform/detectors/file_detection.h"

#include <algorithm>

#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/wav_file_reader.h"
#include "platform/detectors/detector_factory.h"
#include "platform/simulated_event_loop.h"

namespace kovra {

namespace {

void wire(PhoneToneDecoder& decoder, int side, const FileDetectionOptions& options,
          const std::function<void(const DetectedEvent&)>& onEvent) {
    decoder.EnableSpectrumConversion = true;
    decoder.ClearCustomTones();
    addCustomTones(decoder, options.tones);
    decoder.MonitorDTMF = true;
    decoder.MonitorCallerID = true;
    decoder.MonitorCIDCW = true;
    decoder.MonitorCustomTone = true;
    decoder.DTMFParams.Sensitivity = options.dtmfSensitivity;
    decoder.DecodeChannel = side == 1 ? 1 : 0;
    decoder.OnDTMF = [side, &onEvent](char key, std::int64_t position) {
        onEvent({position, side, "DTMF", std::string(1, key)});
    };
    decoder.OnCallerID = [side, &onEvent](const std::string& name, const std::string& number,
                                          const std::string& /*called*/,
                                          const std::string& dateTime, std::int64_t position) {
        onEvent({position, side, "CALLERID",
                 "number=" + number + ";name=" + name + ";datetime=" + dateTime});
    };
    decoder.OnToneDetected = [side, &onEvent](int id, std::int64_t position) {
        onEvent({position, side, "TONE", std::to_string(id)});
    };
}

}  // namespace

void detectFile(const std::filesystem::path& file, const FileDetectionOptions& options,
                const std::function<void(const DetectedEvent&)>& onEvent) {
    // Opening it here first reports a bad file as an exception, not as a log line.
    const WavFileReader probe(file, DetectorCapture::kSampleRate);
    requireLineAudio(probe);
    const int channels = probe.channels();
    const bool twoLines = channels >= 2;

    // Each buffer's events are handed on in time order, both lines together.
    std::vector<DetectedEvent> pending;
    const auto flush = [&] {
        std::stable_sort(
            pending.begin(), pending.end(),
            [](const DetectedEvent& a, const DetectedEvent& b) { return a.position < b.position; });
        for (const DetectedEvent& e : pending) {
            onEvent(e);
        }
        pending.clear();
    };
    const std::function<void(const DetectedEvent&)> collect = [&](const DetectedEvent& e) {
        pending.push_back(e);
    };

    SimulatedEventLoop loop;
    FastAudioDriver driver(loop);
    PairDetectors detectors = makePairDetectors(loop, DetectorSource::wavFile(file, &driver));
    detectors.capture->setSampleObserver([&](const CaptureBuffer&) { flush(); });
    wire(*detectors.decoder1, 1, options, collect);
    detectors.view1->Channel = 1;
    detectors.view1->SetWaveSource(detectors.capture.get());
    detectors.decoder1->SetAudioSource(detectors.capture.get());
    if (twoLines) {
        wire(*detectors.decoder2, 2, options, collect);
        detectors.view2->Channel = 0;
        detectors.view2->SetWaveSource(detectors.capture.get());
        detectors.decoder2->SetAudioSource(detectors.capture.get());
    }
    detectors.capture->SelectFormat(twoLines ? DetectorCapture::kFormatStereo
                                             : DetectorCapture::kFormatMono);
    detectors.capture->RecordBufferLength = options.bufferBytes;
    detectors.file->OnEndOfInput = [&loop] { loop.quit(0); };
    detectors.capture->StartCapture(0);
    if (!detectors.capture->CaptureRunning()) {
        throw WavReadError(file.string() + ": cannot start the detectors (see the log)");
    }
    driver.run();
    flush();
}

std::vector<DetectedEvent> detectFile(const std::filesystem::path& file,
                                      const FileDetectionOptions& options) {
    std::vector<DetectedEvent> events;
    detectFile(file, options, [&](const DetectedEvent& e) { events.push_back(e); });
    return events;
}

}  // namespace kovra
