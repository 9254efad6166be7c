#include "recording/recording_chain.h"

#include <algorithm>
#include <array>

namespace kovra {

namespace {
constexpr std::array<int, kBitRateItems> kItemKbps = {8, 16, 32, 64, 128};
}

int bitRateKbpsForItem(int item) {
    if (item < 0 || item >= kBitRateItems) {
        item = 1;
    }
    return kItemKbps[static_cast<std::size_t>(item)];
}

int kilobytesPerMinuteForItem(int item) {
    return bitRateKbpsForItem(item) * 60 / 8;
}

int amplifyForSliderPosition(int position) {
    return std::clamp(position, 1, 25) * 327 / 6;
}

RecordingChain::RecordingChain(std::unique_ptr<CaptureStage> capture,
                               std::shared_ptr<const LameLibrary> lame)
    : capture_(std::move(capture)), writer_(std::move(lame)) {
    bandPass_.setInput(capture_.get());
    channel_.setInput(capture_.get());
    writer_.setInput(&channel_);
    writer_.setCapture(capture_.get());
}

void RecordingChain::configure(const ChainConfig& config) {
    const bool gain = !config.pairOne && config.amplifierOn;
    channel_.AutoGain = gain;
    if (gain) {
        channel_.Amplify = amplifyForSliderPosition(config.sliderPosition);
        channel_.setInput(&bandPass_);
    } else {
        channel_.setInput(capture_.get());
    }
    capture_->setDeviceNumber(config.deviceNumber);
    capture_->setDeviceName(config.deviceName);
    // Odd line keeps the right channel of a two-line input; on a one-line input each line
    // keeps one copy of the duplicated mono signal.
    const bool twoLines = config.linesOnInput != 1;
    capture_->setInChannels(twoLines ? 2 : 1);
    const bool odd = config.side == 1;
    channel_.Balance = (odd == twoLines) ? 1.0 : 0.0;
}

}  // namespace kovra
