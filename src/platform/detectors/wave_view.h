// TSpectrumView on this platform: the level of its channel of the capture control, one
// OnPeak per filled capture buffer. The level is the buffer's RMS in dB relative to full
// scale, plus 3.01 dB so that a sine reads its peak amplitude (a full-scale sine reads
// 0 dB, a full-scale square +3 dB). RMS rather than the largest sample, so that a click or
// one clipped sample on a quiet line does not read as sound; silence reads kFloorDb, never
// -inf or NaN. Channel, GraphDisplayOption and LinesColor are display state only.
// Loop thread only.
#pragma once

#include <span>

#include "platform/capture/detector_capture.h"
#include "platform/detector_controls.h"

namespace kovra {

class SpectrumView final : public TSpectrumView, private CaptureConsumer {
  public:
    static constexpr float kFloorDb = -90.0F;

    SpectrumView() = default;
    ~SpectrumView() override;
    SpectrumView(const SpectrumView&) = delete;
    SpectrumView& operator=(const SpectrumView&) = delete;

    // source must be a DetectorCapture (or nullptr to detach); another kind is logged and
    // ignored.
    void SetWaveSource(TWaveExCtrl* source) override;
    // Clears the latest level (the display restarts).
    void ResetView() override { lastLevel_ = kFloorDb; }

    float lastLevel() const { return lastLevel_; }
    TWaveExCtrl* waveSource() const { return source_; }

    // The level of one channel of interleaved 16-bit audio, as OnPeak reports it.
    static float levelDbfs(std::span<const std::int16_t> interleaved, int channels, int index);

  private:
    void onCaptureStarted(int channels) override;
    void onCaptureBuffer(const CaptureBuffer& buffer) override;
    void onCaptureGone() override { source_ = nullptr; }

    DetectorCapture* source_ = nullptr;
    float lastLevel_ = kFloorDb;
};

}  // namespace kovra
