#include "platform/detectors/detector_factory.h"

#include "platform/capture/portaudio_capture.h"

namespace kovra {

PairDetectors makePairDetectors(EventLoop& loop, const DetectorSource& source) {
    PairDetectors set;
    if (source.kind == DetectorSource::Kind::WavFile) {
        auto file = std::make_unique<WavFileCapture>(loop, source.file, source.fast);
        set.file = file.get();
        set.capture = std::move(file);
    } else {
        set.capture = std::make_unique<PortAudioCapture>(loop);
        set.capture->WaveInDevice = source.deviceName;
    }
    set.decoder1 = std::make_unique<PhoneToneDecoder>();
    set.decoder2 = std::make_unique<PhoneToneDecoder>();
    set.view1 = std::make_unique<SpectrumView>();
    set.view2 = std::make_unique<SpectrumView>();
    return set;
}

}  // namespace kovra
