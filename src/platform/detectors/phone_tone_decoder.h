// TPhoneToneDecoder on this platform: DTMF, FSK caller ID and custom tones on one channel
// of a detector capture control, plus the two strongest frequencies per buffer.
//   DTMF: DtmfDetector (dtmf_detector.h: +-1.5 % frequency and +-6 dB twist heard, 3.5 %
//     off and 20 ms tones not). DTMFParams.Sensitivity (2..24, default 12; clamped) sets
//     the minimum level of each of the two tones: threshold = -18 - 2 * Sensitivity dBm0
//     (2: -22, 12: -42, 24: -66 dBm0, i.e. -25, -45, -69 dBFS per tone, a full-scale sine
//     being +3.14 dBm0), applied at the next buffer after a change. Higher is more
//     sensitive.
//   Caller ID: FskCallerIdReceiver (fsk_receiver.h), Bell 202 SDMF and MDMF messages (see
//     caller_id_message.h) from -3 to -50 dBFS and down to 8 dB SNR; a message
//     whose checksum fails is
//     never reported. A message within kCidcwWindowMs after a CAS alert tone
//     (2130 + 2750 Hz) is a caller ID on call waiting: reported only with MonitorCIDCW;
//     any other is reported only with MonitorCallerID. The alert tone is listened for
//     only while the two flags differ (when they agree it changes nothing).
//   Custom tones: MonitorCustomTone, see custom_tone_detector.h for AddCustomTone.
//   Spectrum: with EnableSpectrumConversion, GetPeakFrequencies reports the latest buffer
//     (see peak_frequencies.h) and OnSpectrumData follows the buffer's other events.
// Events of one buffer are raised after the buffer is analysed, in the order of their
// positions (samples at 8000 Hz since StartCapture). DecodeChannel 1 = right channel = odd
// line, 0 = left; a mono capture is decoded whatever the channel. Loop thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/capture/detector_capture.h"
#include "platform/detector_controls.h"
#include "platform/detectors/custom_tone_detector.h"
#include "platform/detectors/dtmf_detector.h"
#include "platform/detectors/peak_frequencies.h"

namespace kovra {

class PhoneToneDecoder final : public TPhoneToneDecoder, private CaptureConsumer {
  public:
    static constexpr int kCidcwWindowMs = 3000;

    PhoneToneDecoder();
    ~PhoneToneDecoder() override;
    PhoneToneDecoder(const PhoneToneDecoder&) = delete;
    PhoneToneDecoder& operator=(const PhoneToneDecoder&) = delete;

    // source must be a DetectorCapture (or nullptr to detach); another kind is logged and
    // ignored.
    void SetAudioSource(TWaveExCtrl* source) override;
    TWaveExCtrl* audioSource() const { return source_; }

    void ClearCustomTones() override;
    // Invalid definitions (no frequency, a frequency outside 1..3999 Hz) are logged and
    // ignored.
    void AddCustomTone(int id, int p2, int p3, int p4, int p5, int p6, int p7, float p8,
                       int p9) override;
    void GetPeakFrequencies(double& f1, double& f2) const override;

    // The minimum DTMF tone level used for a sensitivity, in dBm0.
    static int dtmfThresholdDbm0(float sensitivity);

  private:
    struct Event;
    struct Engines;

    void onCaptureStarted(int channels) override;
    void onCaptureBuffer(const CaptureBuffer& buffer) override;
    void onCaptureGone() override { source_ = nullptr; }
    void onCallerIdMessage(const std::uint8_t* message, int length);
    void listenForCas(std::span<const std::int16_t> chunk, std::int64_t start);
    void raise(const std::vector<Event>& events);

    DetectorCapture* source_ = nullptr;
    std::unique_ptr<Engines> engines_;
    CustomToneDetector tones_;
    CustomToneDetector casTone_;
    PeakFrequencyAnalyzer peaks_;
    std::vector<std::int16_t> mono_;
    std::vector<Event> events_;
    std::int64_t chunkEnd_ = 0;  // position after the chunk being analysed
    std::int64_t lastCasPosition_ = -1;
    bool casListening_ = false;
    int appliedThresholdDbm0_ = 1000;  // none applied yet
};

}  // namespace kovra
