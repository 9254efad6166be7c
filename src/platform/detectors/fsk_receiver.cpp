#include "platform/detectors/fsk_receiver.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kovra {

namespace {

constexpr double kSampleRate = 8000.0;
constexpr double kBitSamples = kSampleRate / 1200.0;  // 6.6667
constexpr int kTablePeriod = 40;                      // 1200 and 2200 Hz both repeat in 40
constexpr double kClockGain = 0.5;      // samples moved per unit of timing error (~0.15)
constexpr int kLockedTransitions = 64;  // the clock is trusted after this many changes
constexpr float kCleanMark = 0.3F;      // d / energy of a bit that counts as clean mark
constexpr int kMinMarkBits = 40;        // clean mark needed before a message's first byte
constexpr int kMaxGapBits = 16;         // mark allowed between two bytes of a message
constexpr int kQuietBlocksToForget = 4;
constexpr double kRateGain = 0.01;  // samples per bit moved per unit of timing error
constexpr double kMaxSkew = 0.06;
constexpr int kSeizureAlternations = 12;  // senders' bit rates are followed this far from 1200
constexpr double kSmallRetime = 1.5;      // samples: a start edge this close only pulls the clock

// Mixer values in Q13: a full-scale sample times a value summed over the 7-sample window
// stays within 32 bits (7 * 32768 * 8192 < 2^31), so the sliding sums are exact integers
// and never drift however long the gate stays open.
constexpr double kMixerScale = 8192.0;

struct MixerTables {
    std::array<std::int32_t, kTablePeriod> cos1{}, sin1{}, cos2{}, sin2{};
    MixerTables() {
        for (int n = 0; n < kTablePeriod; ++n) {
            const double w1 = 2.0 * std::numbers::pi * 1200.0 * n / kSampleRate;
            const double w2 = 2.0 * std::numbers::pi * 2200.0 * n / kSampleRate;
            cos1[n] = static_cast<std::int32_t>(std::lround(kMixerScale * std::cos(w1)));
            sin1[n] = static_cast<std::int32_t>(std::lround(kMixerScale * std::sin(w1)));
            cos2[n] = static_cast<std::int32_t>(std::lround(kMixerScale * std::cos(w2)));
            sin2[n] = static_cast<std::int32_t>(std::lround(kMixerScale * std::sin(w2)));
        }
    }
};

const MixerTables& mixer() {
    static const MixerTables tables;
    return tables;
}

bool isMessageType(std::uint8_t type) {
    switch (type) {
        case 0x04:  // SDMF caller ID
        case 0x06:  // SDMF message waiting
        case 0x80:  // MDMF caller ID
        case 0x81:  // MDMF test
        case 0x82:  // MDMF message waiting
            return true;
        default:
            return false;
    }
}

bool sumsToZero(const std::vector<std::uint8_t>& bytes) {
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) {
        sum += b;
    }
    return (sum & 0xFFu) == 0;
}

}  // namespace

FskCallerIdReceiver::FskCallerIdReceiver(MessageHandler onMessage)
    : onMessage_(std::move(onMessage)) {
    (void)mixer();
    reset();
}

void FskCallerIdReceiver::reset() {
    blockFill_ = 0;
    quietBlocks_ = 0;
    active_ = false;
    phase_ = 0;
    products_ = {};
    sums_ = {};
    n_ = 0;
    d_ = {};
    e_ = {};
    next_ = kWindow;
    period_ = kBitSamples;
    alternations_ = 0;
    lastSoft_ = 0.0F;
    transitions_ = 0;
    state_ = State::Hunt;
    markRun_ = 0;
    bit_ = 0;
    gap_ = 0;
    message_.clear();
}

void FskCallerIdReceiver::process(std::span<const std::int16_t> samples) {
    for (const std::int16_t s : samples) {
        block_[static_cast<std::size_t>(blockFill_++)] = s;
        if (blockFill_ == kBlock) {
            processBlock();
            blockFill_ = 0;
        }
    }
}

void FskCallerIdReceiver::processBlock() {
    // A full-scale sine has power 0.5 (of 32768^2).
    static const auto kFloorPower = static_cast<std::int64_t>(
        0.5 * 32768.0 * 32768.0 * std::pow(10.0, kFloorDbfs / 10.0) * kBlock);
    std::int64_t power = 0;
    for (const std::int16_t x : block_) {
        power += std::int32_t{x} * x;
    }
    if (power < kFloorPower) {
        if (!active_) {
            return;
        }
        if (++quietBlocks_ >= kQuietBlocksToForget) {
            reset();
            return;
        }
    } else {
        quietBlocks_ = 0;
        active_ = true;
    }
    for (const std::int16_t x : block_) {
        demodulate(x);
    }
}

void FskCallerIdReceiver::demodulate(std::int32_t x) {
    const MixerTables& t = mixer();
    const auto p = static_cast<std::size_t>(phase_);
    const std::array<std::int32_t, 4> now{x * t.cos1[p], x * t.sin1[p], x * t.cos2[p],
                                          x * t.sin2[p]};
    phase_ = phase_ + 1 == kTablePeriod ? 0 : phase_ + 1;
    // The ring holds 8 entries; the one leaving the 7-sample window is 7 behind.
    std::array<std::int32_t, 4>& slot = products_[static_cast<std::size_t>(n_ & 7)];
    const std::array<std::int32_t, 4>& leaving = products_[static_cast<std::size_t>((n_ + 1) & 7)];
    std::array<float, 4> c{};
    for (std::size_t k = 0; k < 4; ++k) {
        sums_[k] += now[k] - leaving[k];
        c[k] = static_cast<float>(sums_[k]);
    }
    slot = now;
    const float mark = c[0] * c[0] + c[1] * c[1];
    const float space = c[2] * c[2] + c[3] * c[3];
    d_[static_cast<std::size_t>(n_ % kHistory)] = mark - space;
    e_[static_cast<std::size_t>(n_ % kHistory)] = mark + space;
    // Every bit centre whose two neighbouring d samples are known (n_ > next_ means
    // n_ >= floor(next_) + 1).
    while (static_cast<double>(n_) > next_) {
        const float soft = historyAt(next_);
        const auto i0 = static_cast<long>(std::floor(next_));
        const auto f = static_cast<float>(next_ - static_cast<double>(i0));
        const float energy = e_[static_cast<std::size_t>(i0 % kHistory)] * (1.0F - f) +
                             e_[static_cast<std::size_t>((i0 + 1) % kHistory)] * f;
        onSlot(soft, energy, historyAt(next_ - period_ / 2.0));
        next_ += period_;
    }
    ++n_;
}

float FskCallerIdReceiver::historyAt(double t) const {
    if (t < 0.0) {
        return 0.0F;
    }
    const auto i0 = static_cast<long>(std::floor(t));
    const auto f = static_cast<float>(t - static_cast<double>(i0));
    return d_[static_cast<std::size_t>(i0 % kHistory)] * (1.0F - f) +
           d_[static_cast<std::size_t>((i0 + 1) % kHistory)] * f;
}

double FskCallerIdReceiver::startEdge(double from, double to) const {
    // The last mark-to-space crossing of d in (from, to].
    const long first = std::max(1L, static_cast<long>(std::ceil(from)));
    const long last = std::min(n_, static_cast<long>(std::floor(to)));
    long at = -1;
    for (long i = first; i <= last; ++i) {
        if (d_[static_cast<std::size_t>((i - 1) % kHistory)] >= 0.0F &&
            d_[static_cast<std::size_t>(i % kHistory)] < 0.0F) {
            at = i;
        }
    }
    if (at < 0) {
        return -1.0;
    }
    // Across a change d grows linearly with the share of the window in the new tone: fit a
    // line through the samples around the crossing and take its zero.
    const long lo = std::max({0L, at - 3, n_ - kHistory + 1});
    const long hi = std::min(n_, at + 2);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int count = 0;
    for (long i = lo; i <= hi; ++i) {
        const auto x = static_cast<double>(i - at);
        const double y = d_[static_cast<std::size_t>(i % kHistory)];
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        ++count;
    }
    const double denominator = count * sxx - sx * sx;
    const double slope = denominator != 0.0 ? (count * sxy - sx * sy) / denominator : 0.0;
    if (slope >= 0.0) {
        const double d0 = d_[static_cast<std::size_t>((at - 1) % kHistory)];
        const double d1 = d_[static_cast<std::size_t>(at % kHistory)];
        return static_cast<double>(at - 1) + d0 / (d0 - d1);
    }
    const double intercept = (sy - slope * sx) / count;
    const double zero = static_cast<double>(at) - intercept / slope;
    return std::clamp(zero, static_cast<double>(at) - 2.0, static_cast<double>(at) + 1.0);
}

void FskCallerIdReceiver::onSlot(float soft, float energy, float mid) {
    // Timing: at a change, d halfway between the bits still on the old side means the
    // change came late, so the bit centres are later than the clock thinks.
    if (soft != 0.0F && lastSoft_ != 0.0F && (soft > 0.0F) != (lastSoft_ > 0.0F)) {
        const float scale = (std::fabs(soft) + std::fabs(lastSoft_)) / 2.0F;
        float error = std::clamp(mid / scale, -1.0F, 1.0F);
        if (lastSoft_ < 0.0F) {
            error = -error;
        }
        next_ += kClockGain * error;
        ++alternations_;
        // The bit period is learnt inside a message and from a channel seizure, not from the
        // changes of noise while hunting (a run of alternating bits is rare in noise).
        if (state_ != State::Hunt || alternations_ >= kSeizureAlternations) {
            period_ = std::clamp(period_ + kRateGain * error, kBitSamples * (1.0 - kMaxSkew),
                                 kBitSamples * (1.0 + kMaxSkew));
        }
        ++transitions_;
    } else {
        alternations_ = 0;
    }
    lastSoft_ = soft;

    switch (state_) {
        case State::Hunt:
            if (markRun_ >= kMinMarkBits && startBitSeen(soft) && retimeOnStartBit(true)) {
                message_.clear();
                startByte();
            } else if (soft > kCleanMark * energy) {
                ++markRun_;
            } else if (soft < 0.0F) {
                markRun_ = 0;
            }
            break;
        case State::Gap:
            if (startBitSeen(soft) && retimeOnStartBit(false)) {
                startByte();
            } else if (++gap_ > kMaxGapBits) {
                state_ = State::Hunt;
                markRun_ = gap_;
            }
            break;
        case State::Data:
            if (bit_ < 8) {
                byteSoft_[static_cast<std::size_t>(bit_)] = soft;
                ++bit_;
                break;
            }
            // The stop bit's slot: the byte is complete.
            {
                unsigned byte = 0;
                for (int k = 0; k < 8; ++k) {
                    if (byteSoft_[static_cast<std::size_t>(k)] > 0.0F) {
                        byte |= 1u << k;
                    }
                }
                message_.push_back(static_cast<std::uint8_t>(byte));
            }
            if (!isMessageType(message_.front())) {
                state_ = State::Hunt;
                markRun_ = 0;
                break;
            }
            if (message_.size() >= 2 && message_.size() == std::size_t{message_[1]} + 3) {
                endMessage();
                break;
            }
            state_ = State::Gap;
            gap_ = 0;
            break;
    }
}

bool FskCallerIdReceiver::startBitSeen(float soft) const {
    // Looking every half bit: a start bit that follows a stretched stop bit may fall between
    // two bit centres of the clock, with a mark data bit after it.
    return soft < 0.0F || historyAt(next_ - period_ / 2.0) < 0.0F;
}

bool FskCallerIdReceiver::retimeOnStartBit(bool firstByte) {
    // The start bit began somewhere in the last bit and a half (the stop bit may have been
    // stretched, or the sender's clock may run off ours): its falling edge sets the clock,
    // as a UART re-times on every start bit. A small difference is mostly noise on the edge,
    // so the clock moves only halfway then: inside a message always (the clock was set on
    // the first start bit at the latest), before it only once a seizure has locked it.
    const double edge = startEdge(next_ - 1.5 * period_, next_ + 0.5);
    if (edge < 0.0) {
        return false;
    }
    const double centre = edge + period_ / 2.0;
    const double error = centre - next_;
    const bool trusted = !firstByte || transitions_ >= kLockedTransitions;
    next_ = trusted && std::fabs(error) <= kSmallRetime ? next_ + 0.5 * error : centre;
    return true;
}

void FskCallerIdReceiver::startByte() {
    state_ = State::Data;
    bit_ = 0;
}

void FskCallerIdReceiver::endMessage() {
    state_ = State::Hunt;
    markRun_ = 0;
    if (sumsToZero(message_)) {
        onMessage_(std::span<const std::uint8_t>(message_.data(), message_.size() - 1));
    }
    message_.clear();
}

}  // namespace kovra
