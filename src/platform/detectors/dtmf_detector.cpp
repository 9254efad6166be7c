#include "platform/detectors/dtmf_detector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kovra {

namespace {

constexpr std::array<double, 8> kFrequenciesHz = {697, 770, 852, 941, 1209, 1336, 1477, 1633};
constexpr char kKeys[4][5] = {"123A", "456B", "789C", "*0#D"};
constexpr std::array<double, 3> kDialToneHz = {350, 425, 440};
constexpr int kWindowSamples = DtmfDetector::kSubBlockSamples * DtmfDetector::kWindowSubBlocks;

double dbToPower(double db) {
    return std::pow(10.0, db / 10.0);
}

}  // namespace

DtmfDetector::DtmfDetector() {
    for (int b = 0; b < kBins; ++b) {
        const double w =
            2.0 * std::numbers::pi * kFrequenciesHz[static_cast<std::size_t>(b)] / kSampleRate;
        for (int n = 0; n < kSubBlockSamples; ++n) {
            cos_[static_cast<std::size_t>(n)][static_cast<std::size_t>(b)] =
                static_cast<float>(std::cos(w * n));
            sin_[static_cast<std::size_t>(n)][static_cast<std::size_t>(b)] =
                static_cast<float>(-std::sin(w * n));
        }
        stepTurn_[static_cast<std::size_t>(b)] = std::polar(1.0, -w * kSubBlockSamples);
    }
    for (std::size_t n = 0; n < hann_.size(); ++n) {
        hann_[n] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (static_cast<double>(n) + 0.5) /
                                 static_cast<double>(hann_.size())));
    }
    // Unit gain at 1 kHz, in the middle of the DTMF band.
    const std::complex<double> z1k =
        std::polar(1.0, -2.0 * std::numbers::pi * 1000.0 / kSampleRate);
    std::complex<double> gain(1.0, 0.0);
    for (std::size_t i = 0; i < notches_.size(); ++i) {
        const double c = std::cos(2.0 * std::numbers::pi * kDialToneHz[i] / kSampleRate);
        Notch& n = notches_[i];
        n.b1 = -2.0 * c;
        n.a1 = -2.0 * kNotchRadius * c;
        n.a2 = kNotchRadius * kNotchRadius;
        gain *= (1.0 + n.b1 * z1k + z1k * z1k) / (1.0 + n.a1 * z1k + n.a2 * z1k * z1k);
    }
    notchGain_ = 1.0 / std::abs(gain);
    setMinToneLevelDbfs(kDefaultMinToneLevelDbfs);
    reset();
}

float DtmfDetector::dialToneFilter(float x) {
    // Second-order notches, transposed direct form II.
    double v = x * notchGain_;
    for (Notch& n : notches_) {
        const double y = v + n.s1;
        n.s1 = n.b1 * v - n.a1 * y + n.s2;
        n.s2 = v - n.a2 * y;
        v = y;
    }
    return static_cast<float>(v);
}

void DtmfDetector::setMinToneLevelDbfs(double levelDbfs) {
    // A full-scale sine (samples scaled to +-1) has power 0.5.
    minTonePower_ = 0.5 * dbToPower(levelDbfs);
}

void DtmfDetector::reset() {
    turn_.fill(std::complex<double>(1.0, 0.0));
    for (Notch& n : notches_) {
        n.s1 = 0;
        n.s2 = 0;
    }
    re_.fill(0);
    im_.fill(0);
    energy_ = 0;
    bandEnergy_ = 0;
    quarterEnergy_ = 0;
    quarters_.fill(0);
    quartersHeard_ = 0;
    dialTone_ = false;
    filled_ = 0;
    history_ = {};
    samples_ = {};
    energies_.fill(0);
    subBlocks_ = 0;
    position_ = 0;
    run_ = 0;
    runCount_ = 0;
    runMisses_ = 0;
    runPower_ = 0;
    held_ = 0;
    heldMisses_ = 0;
}

void DtmfDetector::process(std::span<const std::int16_t> samples, std::vector<DtmfSymbol>& found) {
    out_ = &found;
    std::size_t at = 0;
    while (at < samples.size()) {
        const std::size_t n =
            std::min(samples.size() - at, static_cast<std::size_t>(kSubBlockSamples - filled_));
        // Accumulate in locals so the eight bins stay in vector registers.
        std::array<float, kBins> re = re_;
        std::array<float, kBins> im = im_;
        float energy = energy_;
        float band = bandEnergy_;
        const bool filtered = dialTone_;
        const auto first = static_cast<std::size_t>(filled_);
        std::array<float, kSubBlockSamples>& kept =
            samples_[static_cast<std::size_t>(subBlocks_ % kWindowSubBlocks)];
        for (std::size_t i = 0; i < n; ++i) {
            const float raw = static_cast<float>(samples[at + i]) * (1.0F / 32768.0F);
            const float notched = dialToneFilter(raw);
            band += (raw - notched) * (raw - notched);
            const float x = filtered ? notched : raw;
            kept[first + i] = x;
            const std::array<float, kBins>& c = cos_[first + i];
            const std::array<float, kBins>& s = sin_[first + i];
            for (std::size_t b = 0; b < kBins; ++b) {
                re[b] += x * c[b];
                im[b] += x * s[b];
            }
            energy += x * x;
        }
        re_ = re;
        im_ = im;
        energy_ = energy;
        bandEnergy_ = band;
        filled_ += static_cast<int>(n);
        at += n;
        position_ += static_cast<std::int64_t>(n);
        if (filled_ == kSubBlockSamples) {
            endSubBlock();
        }
    }
    out_ = nullptr;
}

void DtmfDetector::endSubBlock() {
    const auto slot = static_cast<std::size_t>(subBlocks_ % kWindowSubBlocks);
    for (std::size_t b = 0; b < kBins; ++b) {
        // Plain products: std::complex's checks for infinities cost more than the maths.
        const double tr = turn_[b].real();
        const double ti = turn_[b].imag();
        history_[slot][b] = std::complex<float>(static_cast<float>(re_[b] * tr - im_[b] * ti),
                                                static_cast<float>(re_[b] * ti + im_[b] * tr));
        const double sr = stepTurn_[b].real();
        const double si = stepTurn_[b].imag();
        double nr = tr * sr - ti * si;
        double ni = tr * si + ti * sr;
        // Keep it on the unit circle (one Newton step is enough for rounding drift).
        const double fix = 1.5 - 0.5 * (nr * nr + ni * ni);
        nr *= fix;
        ni *= fix;
        turn_[b] = std::complex<double>(nr, ni);
    }
    energies_[slot] = energy_;
    listenForDialTone();
    re_.fill(0);
    im_.fill(0);
    energy_ = 0;
    filled_ = 0;
    ++subBlocks_;
    if (subBlocks_ >= kWindowSubBlocks) {
        double pairPower = 0;
        const char symbol = judgeWindow(pairPower);
        track(symbol, pairPower);
    }
}

char DtmfDetector::judgeWindow(double& pairPower) const {
    // Sub-blocks of the window, oldest first.
    std::array<const Bins*, kWindowSubBlocks> sub{};
    for (int k = 0; k < kWindowSubBlocks; ++k) {
        sub[static_cast<std::size_t>(k)] =
            &history_[static_cast<std::size_t>((subBlocks_ + k) % kWindowSubBlocks)];
    }
    float windowEnergy = 0;
    for (const float e : energies_) {
        windowEnergy += e;
    }
    const double windowPower = windowEnergy / kWindowSamples;
    if (windowPower < 2.0 * minTonePower_) {
        return 0;
    }
    std::array<double, kBins> plain{};
    for (std::size_t b = 0; b < kBins; ++b) {
        std::complex<float> sum;
        for (const Bins* s : sub) {
            sum += (*s)[b];
        }
        plain[b] = std::norm(sum);
    }
    const double peakRatio = dbToPower(kMinGroupPeakDb);
    std::array<double, 2> tonePower{};
    std::array<double, 2> measuredHz{};
    std::array<int, 2> row{};
    for (std::size_t g = 0; g < 2; ++g) {
        const std::size_t first = g * 4;
        std::size_t best = first;
        for (std::size_t b = first + 1; b < first + 4; ++b) {
            if (plain[b] > plain[best]) {
                best = b;
            }
        }
        for (std::size_t b = first; b < first + 4; ++b) {
            if (b != best && plain[best] < peakRatio * plain[b]) {
                return 0;
            }
        }
        // Frequency from the turn between sub-blocks.
        std::complex<double> turn;
        double amplitudeSum = 0;
        double amplitudeMin = 1e30;
        for (std::size_t k = 0; k < sub.size(); ++k) {
            const std::complex<double> z((*sub[k])[best]);
            if (k > 0) {
                turn += z * std::conj(std::complex<double>((*sub[k - 1])[best]));
            }
            const double a = std::abs(z);
            amplitudeSum += a;
            amplitudeMin = std::min(amplitudeMin, a);
        }
        if (amplitudeMin < kMinSubBlockRatio * amplitudeSum / kWindowSubBlocks) {
            return 0;
        }
        const double theta = std::arg(turn);  // radians per sub-block
        const double offsetHz = theta * kSampleRate / (2.0 * std::numbers::pi * kSubBlockSamples);
        if (std::abs(offsetHz) > kMaxOffsetPercent / 100.0 * kFrequenciesHz[best]) {
            return 0;
        }
        // Coherent sum at the measured frequency, corrected for the sub-block's own
        // loss off its centre frequency.
        std::complex<double> coherent;
        for (std::size_t k = 0; k < sub.size(); ++k) {
            coherent += std::complex<double>((*sub[k])[best]) *
                        std::polar(1.0, -theta * static_cast<double>(k));
        }
        const double delta = theta / kSubBlockSamples;  // radians per sample
        const double droop = std::abs(delta) < 1e-9
                                 ? 1.0
                                 : std::abs(std::sin(delta * kSubBlockSamples / 2.0) /
                                            (kSubBlockSamples * std::sin(delta / 2.0)));
        const double amplitude = 2.0 * std::abs(coherent) / (kWindowSamples * droop);
        tonePower[g] = amplitude * amplitude / 2.0;
        if (tonePower[g] < minTonePower_) {
            return 0;
        }
        measuredHz[g] = kFrequenciesHz[best] + offsetHz;
        row[g] = static_cast<int>(best - first);
    }
    // A note and its octave is one sound, not a pair.
    if (std::abs(measuredHz[1] / measuredHz[0] - 2.0) < 2.0 * kOctaveTolerancePercent / 100.0) {
        return 0;
    }
    const double twistDb = 10.0 * std::log10(tonePower[1] / tonePower[0]);
    if (std::abs(twistDb) > kMaxTwistDb) {
        return 0;
    }
    if (tonePower[0] + tonePower[1] < kMinToneSharePercent / 100.0 * windowPower) {
        return 0;
    }
    if (isVoice(measuredHz)) {
        return 0;
    }
    pairPower = tonePower[0] + tonePower[1];
    return kKeys[row[0]][row[1]];
}

bool DtmfDetector::isVoice(const std::array<double, 2>& toneHz) const {
    const double tones = (windowedPower(toneHz[0]) + windowedPower(toneHz[1])) / 2.0;
    for (int m = 2; toneHz[0] / m >= kMinPitchHz; ++m) {
        const double n = std::round(toneHz[1] * m / toneHz[0]);
        const double pitch = (toneHz[0] + toneHz[1]) / (m + n);
        if (std::abs(toneHz[1] - n * pitch) > kHarmonicTolerancePercent / 100.0 * toneHz[1]) {
            continue;
        }
        // The comb's other teeth (harmonics 1 to n + 2 but m and n) and the floor halfway
        // between them, inside the telephone band.
        double teeth = 0;
        double strongest = 0;
        double floor = 0;
        int teethCount = 0;
        int floorCount = 0;
        for (int k = 1; k <= n + 2; ++k) {
            const double hz = k * pitch;
            if (k != m && k != n && hz >= kMinHarmonicHz && hz <= kMaxHarmonicHz) {
                const double p = windowedPower(hz);
                teeth += p;
                strongest = std::max(strongest, p);
                ++teethCount;
            }
            const double between = hz - pitch / 2.0;
            if (between >= kMinHarmonicHz && between <= kMaxHarmonicHz) {
                floor += windowedPower(between);
                ++floorCount;
            }
        }
        if (teethCount == 0 || floorCount == 0) {
            continue;
        }
        teeth /= teethCount;
        floor /= floorCount;
        if (strongest >= tones * dbToPower(kMinStrongToothDb) ||
            (strongest >= tones * dbToPower(kMinToothDb) &&
             teeth >= floor * dbToPower(kMinCombContrastDb))) {
            return true;
        }
    }
    return false;
}

double DtmfDetector::windowedPower(double hz) const {
    // Goertzel over the window's samples, oldest sub-block first.
    const double coeff = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kSampleRate);
    double s1 = 0;
    double s2 = 0;
    std::size_t n = 0;
    for (int k = 0; k < kWindowSubBlocks; ++k) {
        for (const float x :
             samples_[static_cast<std::size_t>((subBlocks_ + k) % kWindowSubBlocks)]) {
            const double s0 = x * hann_[n++] + coeff * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
    }
    return s1 * s1 + s2 * s2 - coeff * s1 * s2;
}

void DtmfDetector::listenForDialTone() {
    quarterEnergy_ += bandEnergy_;
    bandEnergy_ = 0;
    if ((subBlocks_ + 1) % kQuarterSubBlocks != 0) {
        return;
    }
    quarters_[static_cast<std::size_t>(quartersHeard_ % kDialToneQuarters)] = quarterEnergy_;
    ++quartersHeard_;
    quarterEnergy_ = 0;
    if (quartersHeard_ < kDialToneQuarters) {
        dialTone_ = false;
        return;
    }
    const auto [low, high] = std::minmax_element(quarters_.begin(), quarters_.end());
    double sum = 0;
    for (const double q : quarters_) {
        sum += q;
    }
    const double power = sum / (kDialToneQuarters * kQuarterSubBlocks * kSubBlockSamples);
    dialTone_ = *low >= kMinDialToneSteadiness * *high && power >= minTonePower_;
}

void DtmfDetector::track(char symbol, double pairPower) {
    if (held_ != 0) {
        if (symbol == held_) {
            heldMisses_ = 0;
        } else if (++heldMisses_ >= kEndWindows) {
            held_ = 0;
        }
    }
    if (symbol != 0 && symbol == run_) {
        ++runCount_;
        runMisses_ = 0;
        runPower_ += pairPower;
    } else if (symbol != 0) {
        run_ = symbol;
        runCount_ = 1;
        runMisses_ = 0;
        runPower_ = pairPower;
    } else if (run_ != 0 && ++runMisses_ > 1) {
        run_ = 0;
        runCount_ = 0;
    }
    if (run_ != 0 && runCount_ >= kConfirmWindows && run_ != held_) {
        held_ = run_;
        heldMisses_ = 0;
        // A full-scale sine has power 0.5.
        const double meanPower = runPower_ / runCount_;
        out_->push_back(DtmfSymbol{run_, position_, 10.0 * std::log10(meanPower / 0.5)});
    }
}

}  // namespace kovra
