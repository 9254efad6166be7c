#include "detector_rig.h"

namespace kovra::testsignals {

std::string callerIdValue(const std::string& name, const std::string& number,
                          const std::string& dateTime) {
    return "number=" + number + ";name=" + name + ";datetime=" + dateTime;
}

DetectorRig::DetectorRig(int format, int bufferBytes, int channel) {
    decoder.MonitorDTMF = true;
    decoder.MonitorCallerID = true;
    decoder.MonitorCIDCW = true;
    decoder.MonitorCustomTone = true;
    decoder.EnableSpectrumConversion = true;
    decoder.DecodeChannel = channel;
    view.Channel = channel;
    decoder.OnDTMF = [this](char key, std::int64_t position) {
        events.push_back({"DTMF", std::string(1, key), position});
    };
    decoder.OnCallerID = [this](const std::string& name, const std::string& number,
                                const std::string&, const std::string& dateTime,
                                std::int64_t position) {
        events.push_back({"CALLERID", callerIdValue(name, number, dateTime), position});
    };
    decoder.OnToneDetected = [this](int id, std::int64_t position) {
        events.push_back({"TONE", std::to_string(id), position});
    };
    view.OnPeak = [this](float level) { levels.push_back(level); };
    view.SetWaveSource(&capture);
    decoder.SetAudioSource(&capture);
    capture.SelectFormat(format);
    capture.RecordBufferLength = bufferBytes;
    capture.StartCapture(0);
}

std::vector<std::string> DetectorRig::kinds() const {
    std::vector<std::string> out;
    for (const RigEvent& e : events) {
        out.push_back(e.kind);
    }
    return out;
}

std::vector<int> DetectorRig::toneIds() const {
    std::vector<int> out;
    for (const RigEvent& e : events) {
        if (e.kind == "TONE") {
            out.push_back(std::stoi(e.value));
        }
    }
    return out;
}

}  // namespace kovra::testsignals
