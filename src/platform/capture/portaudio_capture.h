// TWaveExCtrl on a live capture device through PortAudio, chosen by WaveInDevice (a card
// name, resolved by findCaptureDevice as the recording capture resolves it).
// Opens 8000 Hz when the device offers it, otherwise the device's own rate resampled to
// 8000 Hz. The audio callback thread only copies and posts blocks to the loop; everything
// else, and every event, happens on the loop thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/capture/detector_capture.h"

namespace kovra {

class PortAudioCapture final : public DetectorCapture {
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
    void onAudio(std::uint64_t streamId, const std::vector<std::int16_t>& block);
    void onStreamFinished(std::uint64_t streamId);

    bool paReady_ = false;
    int deviceIndex_ = -1;
    std::uint64_t nextStreamId_ = 1;
    std::unique_ptr<Stream> stream_;
};

}  // namespace kovra
