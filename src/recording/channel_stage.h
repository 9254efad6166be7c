// Channel stage of a recording chain: keeps the line's own channel (balance), turns a
// one-line (mono) input into left/right pairs, and applies the amplifier's gain with
// saturation. Always delivers two channels. Threads as AudioStage.
#pragma once

#include <mutex>
#include <vector>

#include "recording/audio_stage.h"

namespace kovra {

// The amplifier's two gain passes on one sample: s + s×amplify div 100, then
// s + s×(amplify div 8) div 100, each limited to −32767 … 32767.
std::int16_t amplifySample(std::int16_t sample, int amplify);

// Balance on one left/right frame: above 0.5 the left sample is scaled by 1 − balance
// (1.0 silences it), otherwise the right one by balance (0.0 silences it).
void balanceFrame(std::int16_t& left, std::int16_t& right, double balance);

class ChannelStage final : public FilterStage {
  public:
    double Balance = 0.5;
    bool AutoGain = false;
    int Amplify = 1;

    void open() override;
    std::size_t read(std::span<std::int16_t> out) override;
    void close() override;
    int channels() const override { return 2; }

  private:
    std::mutex mutex_;
    bool open_ = false;
    std::vector<std::int16_t> mono_;
};

}  // namespace kovra
