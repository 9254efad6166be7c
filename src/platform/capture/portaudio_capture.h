// TWaveExCtrl on a live capture device through PortAudio, chosen by WaveInDevice (a card
// name, resolved by findCaptureDevice as the recording capture resolves it).
// Opens 8000 Hz when the device offers it, otherwise the device's own rate resampled to
// 8000 Hz. The audio callback only copies into the capture ring (no allocation, no lock,
// no post); resampling and every event happen on the loop thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/capture/ring_fed_capture.h"

namespace kovra {

class PortAudioCapture final : public RingFedCapture {
  public:
    explicit PortAudioCapture(EventLoop& loop);
    ~PortAudioCapture() override;

    // The PortAudio index of the open device, -1 when none is open.
    int WaveInDeviceID() const override { return deviceIndex_; }

    // Names of the devices that can capture (for device lists); empty when PortAudio
    // cannot start.
    static std::vector<std::string> captureDeviceNames();

  private:
    struct Stream;
    bool openSource() override;
    void closeSource() override;
    void onDrained(std::span<const std::int16_t> interleaved) override;

    bool paReady_ = false;
    int deviceIndex_ = -1;
    std::unique_ptr<Stream> stream_;
    std::vector<std::int16_t> resampled_;
};

}  // namespace kovra
