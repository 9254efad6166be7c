// Test rig: a capture control fed from memory, with a decoder and a level view on it, on a
// simulated loop; records what they raise.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/capture/detector_capture.h"
#include "platform/detectors/phone_tone_decoder.h"
#include "platform/detectors/wave_view.h"
#include "platform/simulated_event_loop.h"

namespace kovra::testsignals {

// A capture control whose audio is pushed by the test.
class MemoryCapture final : public DetectorCapture {
  public:
    using DetectorCapture::DetectorCapture;
    int WaveInDeviceID() const override { return 0; }
    void push(std::span<const std::int16_t> interleaved) { deliverFrames(interleaved); }

  private:
    bool openSource() override { return true; }
    void closeSource() override {}
};

struct RigEvent {
    std::string kind;  // DTMF, CALLERID, TONE
    std::string value;
    std::int64_t position;
    bool operator==(const RigEvent&) const = default;
};

std::string callerIdValue(const std::string& name, const std::string& number,
                          const std::string& dateTime);

struct DetectorRig {
    SimulatedEventLoop loop;
    MemoryCapture capture{loop};
    PhoneToneDecoder decoder;
    SpectrumView view;
    std::vector<RigEvent> events;
    std::vector<float> levels;

    // format 6 (mono) or 7 (stereo); channel 1 (right) or 0 (left).
    explicit DetectorRig(int format = 6, int bufferBytes = 1024, int channel = 1);
    void play(std::span<const std::int16_t> interleaved) { capture.push(interleaved); }
    std::vector<std::string> kinds() const;
    std::vector<int> toneIds() const;
};

}  // namespace kovra::testsignals
