// The three detector controls the platform provides and the line logic drives: capture
// (TWaveExCtrl), one decoder per line (TPhoneToneDecoder) and one level view per line
// (TSpectrumView); platform/capture and platform/detectors implement them.
// Loop thread only: every event is raised on the event loop. Properties are plain fields,
// read by the control when it next needs them (at StartCapture, or per buffer).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kovra {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// Capture for the detectors: 8000 Hz, 16 bit, mono or stereo; one level/spectrum cycle
// (OnPeak on each attached view, then the attached decoders' events) per filled buffer.
class TWaveExCtrl {
  public:
    virtual ~TWaveExCtrl() = default;

    std::string WaveInDevice;       // capture device chosen by name
    int WaveOutDeviceID = -1;       // -1 before a device is chosen, 0 after
    int RecordBufferLength = 2048;  // bytes per buffer: 4096, 2048 or 1024

    virtual int WaveInDeviceID() const = 0;
    // CaptureFormat.SelectFormat: 6 = 8000 Hz 16-bit mono, 7 = 8000 Hz 16-bit stereo.
    virtual void SelectFormat(int format) = 0;
    // Starts capture on WaveInDevice with RecordBufferLength. Failures are logged and
    // leave CaptureRunning() false (the result is not used by the line logic).
    virtual void StartCapture(int flags) = 0;
    // Stops capture; OnRecordDone follows (posted to the loop).
    virtual void StopCapture() = 0;
    virtual bool CaptureRunning() const = 0;
    virtual bool CaptureBusy() const = 0;

    std::function<void()> OnRecordDone;
};

// DTMF, FSK caller ID (Bell 202) and custom tones on one channel of a capture control.
class TPhoneToneDecoder {
  public:
    virtual ~TPhoneToneDecoder() = default;

    // AudioSource: the capture control whose audio this decoder hears (nullptr: none).
    virtual void SetAudioSource(TWaveExCtrl* source) = 0;

    int DecodeChannel = 1;  // 1: right channel (the pair's odd line), 0: left
    bool MonitorDTMF = false;
    bool MonitorCallerID = false;
    bool MonitorCIDCW = false;
    bool MonitorCustomTone = false;
    bool MonitorTTY = false;
    bool MonitorMF = false;
    bool MonitorSAME = false;
    bool EnableSpectrumConversion = false;
    struct {
        int Param0 = 0;
    } TTYParams;
    struct {
        float Sensitivity = 12.0F;  // 2..24; see the implementation for the mapping
    } DTMFParams;

    virtual void ClearCustomTones() = 0;
    // Defines custom tone id; the meaning of p2..p9 is documented by the implementation.
    virtual void AddCustomTone(int id, int p2, int p3, int p4, int p5, int p6, int p7, float p8,
                               int p9) = 0;
    // The two strongest distinct frequencies of the latest buffer, in Hz; 0 when none.
    virtual void GetPeakFrequencies(double& f1, double& f2) const = 0;

    // The level of the symbol OnDTMF is reporting (its tones' power while it lasted, dB relative
    // to a full-scale sine); unset by a decoder that does not measure it.
    std::optional<double> DTMFLevel;

    // Position: sample index (at 8000 Hz) of the event since capture started.
    std::function<void(char key, std::int64_t position)> OnDTMF;
    std::function<void(const std::string& name, const std::string& callerNumber,
                       const std::string& calledNumber, const std::string& dateTime,
                       std::int64_t position)>
        OnCallerID;
    std::function<void(int appSpecific, std::int64_t position)> OnToneDetected;
    std::function<void()> OnSpectrumData;
};

// Level of one channel of a capture control, in dB relative to full scale, per buffer.
class TSpectrumView {
  public:
    virtual ~TSpectrumView() = default;

    // WaveSource: the capture control whose audio this view measures (nullptr: none).
    virtual void SetWaveSource(TWaveExCtrl* source) = 0;
    virtual void ResetView() = 0;

    int Channel = 1;  // 1: right channel (odd line), 0: left
    int GraphDisplayOption = 1;
    Rgb LinesColor{0, 255, 255};

    std::function<void(float value)> OnPeak;
};

}  // namespace kovra
