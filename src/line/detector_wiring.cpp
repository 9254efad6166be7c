#include "line/detector_wiring.h"

namespace kovra::line {
namespace {

void connectSide(PairLineLogic& logic, int k, TPhoneToneDecoder& decoder, TSpectrumView& view) {
    decoder.OnDTMF = [&logic, &decoder, k](char key, std::int64_t) {
        logic.PTDecoderDTMF(k, key, decoder.DTMFLevel);
    };
    decoder.OnCallerID = [&logic, k](const std::string& name, const std::string& callerNumber,
                                     const std::string&, const std::string& dateTime,
                                     std::int64_t) {
        logic.PTDecoderCallerID(k, name, callerNumber, dateTime);
    };
    decoder.OnToneDetected = [&logic, k](int id, std::int64_t) {
        logic.PTDecoderToneDetected(k, id);
    };
    decoder.OnSpectrumData = [&logic, &decoder, k] {
        double f1 = 0;
        double f2 = 0;
        decoder.GetPeakFrequencies(f1, f2);
        logic.PTDecoderSpectrumData(k, f1, f2);
    };
    view.OnPeak = [&logic, k](float value) { logic.WaveViewPeak(k, value); };
}

void disconnectSide(TPhoneToneDecoder& decoder, TSpectrumView& view) {
    decoder.OnDTMF = nullptr;
    decoder.OnCallerID = nullptr;
    decoder.OnToneDetected = nullptr;
    decoder.OnSpectrumData = nullptr;
    view.OnPeak = nullptr;
}

}  // namespace

void connectDetectorControls(PairLineLogic& logic, const PairDetectorControls& controls) {
    connectSide(logic, 1, controls.PTDecoder1, controls.WaveView1);
    connectSide(logic, 2, controls.PTDecoder2, controls.WaveView2);
}

void disconnectDetectorControls(const PairDetectorControls& controls) {
    disconnectSide(controls.PTDecoder1, controls.WaveView1);
    disconnectSide(controls.PTDecoder2, controls.WaveView2);
}

}  // namespace kovra::line
