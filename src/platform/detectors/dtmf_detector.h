// DTMF receiver of a phone-tone decoder: finds the 16 symbols in 8000 Hz line audio.
//
// How it listens. The audio is cut into 4 ms sub-blocks (32 samples). For each of the eight
// DTMF frequencies every sub-block gives one complex DFT value, referred to absolute time,
// so that a tone off its nominal frequency by df turns by 2*pi*df*4 ms from one sub-block to
// the next. Every 4 ms the last four sub-blocks (a 16 ms window) are judged:
//   - group peak: in each group (697..941 Hz, 1209..1633 Hz) the frequency whose plain
//     16 ms DFT is strongest must beat each other of its group by kMinGroupPeakDb (6 dB);
//   - frequency: the turn between sub-blocks measures each tone's real frequency (good to
//     about 4 Hz at 6 dB SNR); it must lie within kMaxOffsetPercent (2.5 %) of nominal, so
//     phones off by 1.5 % are heard and tones off by 3.5 % are not, in both groups alike;
//   - steadiness: each tone's amplitude in every sub-block reaches kMinSubBlockRatio (0.5)
//     of its window mean, so a window counts only when the tone fills it (to within ~2 ms);
//   - level: each tone's power (summed coherently at the measured frequency, so an offset
//     tone loses nothing) reaches the minimum tone level;
//   - twist: high group minus low group within +-kMaxTwistDb (8 dB; phones send up to 6);
//   - not an octave: a high tone at twice the low one's measured frequency (within
//     kOctaveTolerancePercent, 0.75 %) is a note's second harmonic (music, a sung vowel);
//     no DTMF pair comes closer to 2:1 than 1.976 even at +-1.5 %;
//   - share: the two tones carry at least kMinToneSharePercent (70 %) of the window's whole
//     power. This is what rejects speech, music and noise; a clean pair carries ~100 %, a
//     pair at 6 dB SNR over the 0-4 kHz band 80 %.
//   - not a voice: a high-pitched vowel (pitch 150-470 Hz) can put most of its power in two
//     harmonics that land near a DTMF pair (the 3rd and 5th of 319 Hz: 957 and 1595 Hz; the
//     3rd and 4th of 308 Hz: 925 and 1232 Hz). If both tones are harmonics m and n (m <= 6,
//     within kHarmonicTolerancePercent) of one pitch, a Hann-windowed DFT of the window
//     measures that pitch's comb between 300 and 3400 Hz: the other harmonics up to n + 2
//     (teeth) and the points halfway between harmonics (floor). It is a voice when a tooth
//     is nearly as strong as the tones (within kMinStrongToothDb, 11 dB, of their mean
//     power), or when one is within kMinToothDb (18 dB) on a comb well above its floor
//     (mean teeth over mean floor at least kMinCombContrastDb, 7 dB; below a pitch of about
//     250 Hz the window cannot resolve the floor, and the first rule has to do). Vowels that
//     passed every other test showed a tooth at -11 dB or more, or at -18 dB with a
//     contrast of 9 dB or more. A DTMF pair has noise there (at 6 dB SNR a tooth reaches
//     -11 dB in about one window in 200, the contrast never 7 dB, any twist); its own
//     distortion products are harmonics of the comb too, but a phone keeps them 20 dB or
//     more below the tones.
// Dial-tone filter: a dial tone may still be on while the first digits are dialled, louder
// than the digits. Notches at 350, 425 and 440 Hz (poles at radius kNotchRadius, 0.96) take
// 25 dB or more off 350+440 Hz and 425 Hz dial tones (within 1 %) and leave the DTMF band
// within 0.4 dB (the gain is set to 0 dB at 1 kHz). They are used only while a dial tone is
// heard: the power the notches take out stays within a factor kMinDialToneSteadiness (2)
// over each 32 ms of the last 512 ms, above the minimum tone level. Speech and music keep
// the unfiltered audio, since a notch also takes their power there and would leave a vowel
// or a chord looking more like a pair.
// A symbol is reported once kConfirmWindows (5) windows show it, with at most one window
// missing in between: a tone must last about 30 ms (40 ms tones are always heard, 20 ms
// tones never). It then holds until kEndWindows (7) windows in a row lack it (a break of
// about 15 ms) or another symbol is confirmed, so noise inside a tone never repeats it.
// Cost: 16 multiply-adds per sample plus a little work every 4 ms (the voice check runs
// only on windows that pass every other test).
// One detector per decoder channel; not thread-safe.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace kovra {

struct DtmfSymbol {
    char key = 0;
    std::int64_t position = 0;  // samples since reset() at the end of the confirming window
    // The symbol's own level: its two tones' power over the windows that showed it, in dB
    // relative to a full-scale sine (a pair of -13 dBFS tones is -10 dBFS).
    double levelDbfs = 0.0;
};

class DtmfDetector {
  public:
    static constexpr int kSampleRate = 8000;
    static constexpr int kSubBlockSamples = 32;
    static constexpr int kWindowSubBlocks = 4;
    static constexpr double kMaxOffsetPercent = 2.5;
    static constexpr double kMinGroupPeakDb = 6.0;
    static constexpr double kMinSubBlockRatio = 0.5;
    static constexpr double kMaxTwistDb = 8.0;
    static constexpr double kOctaveTolerancePercent = 0.75;
    static constexpr double kMinToneSharePercent = 70.0;
    static constexpr double kMinPitchHz = 150.0;
    static constexpr double kMinHarmonicHz = 300.0;
    static constexpr double kMaxHarmonicHz = 3400.0;
    static constexpr double kHarmonicTolerancePercent = 1.0;
    static constexpr double kMinStrongToothDb = -11.0;
    static constexpr double kMinToothDb = -18.0;
    static constexpr double kMinCombContrastDb = 7.0;
    static constexpr double kNotchRadius = 0.96;
    static constexpr int kConfirmWindows = 5;
    static constexpr int kEndWindows = 7;
    // Minimum power of each tone, dB relative to a full-scale sine.
    static constexpr double kDefaultMinToneLevelDbfs = -45.0;

    DtmfDetector();

    void setMinToneLevelDbfs(double levelDbfs);
    // Forgets the audio heard so far; positions start again from 0.
    void reset();
    // Analyses the next samples; appends the symbols confirmed in them to found.
    void process(std::span<const std::int16_t> samples, std::vector<DtmfSymbol>& found);

  private:
    static constexpr int kBins = 8;
    using Bins = std::array<std::complex<float>, kBins>;

    void endSubBlock();
    // The window's symbol (0: none) and, for a symbol, its two tones' power.
    char judgeWindow(double& pairPower) const;
    bool isVoice(const std::array<double, 2>& toneHz) const;
    double windowedPower(double hz) const;
    void track(char symbol, double pairPower);

    // cos / -sin of each bin per sample of a sub-block, sample-major for vectorising.
    std::array<std::array<float, kBins>, kSubBlockSamples> cos_{};
    std::array<std::array<float, kBins>, kSubBlockSamples> sin_{};
    std::array<std::complex<double>, kBins> stepTurn_{};  // e^{-j w 32}
    std::array<std::complex<double>, kBins> turn_{};      // e^{-j w 32 k} for sub-block k

    struct Notch {
        double b1 = 0;  // -2 cos w
        double a1 = 0;  // -2 r cos w
        double a2 = 0;  // r^2
        double s1 = 0;
        double s2 = 0;
    };
    float dialToneFilter(float x);
    void listenForDialTone();

    static constexpr int kQuarterSubBlocks = 8;
    static constexpr int kDialToneQuarters = 16;
    static constexpr double kMinDialToneSteadiness = 0.5;

    std::array<Notch, 3> notches_{};
    double notchGain_ = 1.0;
    float bandEnergy_ = 0;  // taken out by the notches in the current sub-block
    double quarterEnergy_ = 0;
    std::array<double, kDialToneQuarters> quarters_{};
    int quartersHeard_ = 0;
    bool dialTone_ = false;
    double minTonePower_ = 0;
    std::array<float, kBins> re_{};
    std::array<float, kBins> im_{};
    float energy_ = 0;
    int filled_ = 0;  // samples in the current sub-block
    std::array<Bins, kWindowSubBlocks> history_{};
    // The samples of the last kWindowSubBlocks sub-blocks, by sub-block slot like history_.
    std::array<std::array<float, kSubBlockSamples>, kWindowSubBlocks> samples_{};
    std::array<float, kSubBlockSamples * kWindowSubBlocks> hann_{};
    std::array<float, kWindowSubBlocks> energies_{};
    int subBlocks_ = 0;  // since reset
    std::int64_t position_ = 0;

    // Confirmation state.
    char run_ = 0;
    int runCount_ = 0;
    double runPower_ = 0;  // sum of the run's pair powers
    int runMisses_ = 0;
    char held_ = 0;
    int heldMisses_ = 0;
    std::vector<DtmfSymbol>* out_ = nullptr;
};

}  // namespace kovra
