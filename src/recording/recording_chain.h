// One line's recording chain: capture → (band-pass) → channel stage → MP3 writer, and
// its configuration at every start. The pair owns two. Loop thread for configure() and
// the writer's operations; the chain's stages run on the writer's worker.
#pragma once

#include <memory>

#include "recording/band_pass_stage.h"
#include "recording/capture_stage.h"
#include "recording/channel_stage.h"
#include "recording/mp3_writer.h"

namespace kovra {

// Quality list cbBitRat<k>: items "8 Kbps" … "128 Kbps".
inline constexpr int kBitRateItems = 5;
// kbit/s of an item (out-of-range items count as the default item 1, 16 kbit/s).
int bitRateKbpsForItem(int item);
// Size of one minute of recording in kilobytes, the figure shown beside the list.
int kilobytesPerMinuteForItem(int item);
// Amplify of the pair's amplifier slider: position (raised to 1, at most 25) × 327 div 6.
int amplifyForSliderPosition(int position);

struct ChainConfig {
    bool pairOne = true;       // pair 1 has no amplifier and no band-pass
    int side = 1;              // 1: the pair's odd line, 2: its even line
    int linesOnInput = 2;      // 1: one-line (mono) input; anything else counts as 2
    bool amplifierOn = false;  // pairs 2 and 3: CheckAmp<k>
    int sliderPosition = 2;    // pairs 2 and 3: TrackBarAmp<k>
    int deviceNumber = 0;      // WaveInIndex of the pair
    std::string deviceName{};  // the pair's card (empty: the number decides)
};

class RecordingChain {
  public:
    RecordingChain(std::unique_ptr<CaptureStage> capture, std::shared_ptr<const LameLibrary> lame);

    // Routing, gain, device and channel selection for the next recording (while idle).
    void configure(const ChainConfig& config);
    void setBitRateItem(int item) { writer_.BitRateKbps = bitRateKbpsForItem(item); }

    Mp3Writer& writer() { return writer_; }
    const Mp3Writer& writer() const { return writer_; }
    CaptureStage& capture() { return *capture_; }
    BandPassStage& bandPass() { return bandPass_; }
    ChannelStage& channelStage() { return channel_; }

  private:
    std::unique_ptr<CaptureStage> capture_;
    BandPassStage bandPass_;
    ChannelStage channel_;
    Mp3Writer writer_;  // last: its worker stops before the stages go away
};

}  // namespace kovra
