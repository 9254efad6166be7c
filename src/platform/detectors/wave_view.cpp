#include "platform/detectors/wave_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/log.h"

namespace kovra {

SpectrumView::~SpectrumView() {
    if (source_ != nullptr) {
        source_->detach(*this);
    }
}

void SpectrumView::SetWaveSource(TWaveExCtrl* source) {
    auto* capture = dynamic_cast<DetectorCapture*>(source);
    if (source != nullptr && capture == nullptr) {
        logLine(LogLevel::Error, "Level view: the wave source is not a detector capture control");
        return;
    }
    if (source_ != nullptr) {
        source_->detach(*this);
    }
    source_ = capture;
    if (source_ != nullptr) {
        source_->attach(*this, DetectorCapture::Role::LevelView);
    }
}

float SpectrumView::levelDbfs(std::span<const std::int16_t> interleaved, int channels, int index) {
    if (channels <= 0 || index < 0 || index >= channels) {
        return kFloorDb;
    }
    // Squares summed as integers: exact, as the sum of doubles was for any buffer size a
    // capture uses, and without a long chain of dependent additions.
    std::uint64_t squares = 0;
    std::size_t count = 0;
    for (std::size_t i = static_cast<std::size_t>(index); i < interleaved.size();
         i += static_cast<std::size_t>(channels)) {
        const std::int32_t x = interleaved[i];
        squares += static_cast<std::uint64_t>(x * x);
        ++count;
    }
    const auto sum = static_cast<double>(squares);
    if (count == 0 || sum <= 0) {
        return kFloorDb;
    }
    const double rms = std::sqrt(sum / static_cast<double>(count));
    const double db = 20.0 * std::log10(rms * std::numbers::sqrt2 / 32768.0);
    return std::max(kFloorDb, static_cast<float>(db));
}

void SpectrumView::onCaptureStarted(int /*channels*/) {
    lastLevel_ = kFloorDb;
}

void SpectrumView::onCaptureBuffer(const CaptureBuffer& buffer) {
    lastLevel_ =
        levelDbfs(buffer.interleaved, buffer.channels, channelIndex(Channel, buffer.channels));
    if (OnPeak) {
        OnPeak(lastLevel_);
    }
}

}  // namespace kovra
