// Signal generators for simulated telephone-line audio at 8000 Hz.
// Pure functions, callable from any thread. Samples are floats where 1.0 is full scale; levels
// are in dBFS with a full-scale sine as 0 dBFS (so a sine at L dBFS has peak 10^(L/20)).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kovra::linesim {

inline constexpr int kSampleRate = 8000;

using Samples = std::vector<float>;

// Samples in a duration in milliseconds (rounded to the nearest sample).
std::size_t samplesForMs(double ms);

// Peak amplitude of a sine at the given level.
double sineAmplitude(double levelDbfs);

// RMS level of a block in dBFS (full-scale sine = 0 dBFS); -infinity for silence.
double levelDbfs(std::span<const float> samples);

Samples silence(double ms);

// One sine (or a sum of sines of equal share) lasting ms, with 5 ms raised-cosine edges so that
// bursts do not splatter. levelDbfs is the RMS level of the whole sum.
Samples tone(std::span<const double> frequenciesHz, double levelDbfs, double ms);

// A click train: clicks rateHz times a second, as some lines carry after the ring: the
// harmonics of rateHz up to 4 kHz, in phase, the nth with amplitude n^-slope (slope 1.9 puts
// the 10th harmonic 38 dB below the whole). levelDbfs is the RMS level of the whole.
Samples clickTrain(double ms, double rateHz, double slope, double levelDbfs);

// DTMF digits 0-9, A-D, *, #. levelDbfs is the level of the tone pair as a whole; twistDb is
// the high-group tone minus the low-group tone (total level kept); offsetPercent shifts both
// frequencies. Each symbol is onMs of tone followed by offMs of silence.
struct DtmfParams {
    double levelDbfs = -10.0;
    double twistDb = 0.0;
    double offsetPercent = 0.0;
    double onMs = 100.0;
    double offMs = 100.0;
};
// Throws std::invalid_argument on a symbol that is not a DTMF key.
Samples dtmfDigits(std::string_view symbols, const DtmfParams& params);
// Low and high group frequency of a DTMF symbol; false when it is not one.
bool dtmfFrequencies(char symbol, double& lowHz, double& highHz);

// Ring signal as it reaches the sound card: the ring voltage overloads the input, so it is a
// loud, clipped low-frequency wave. count bursts of onMs, separated by offMs of silence (no
// silence after the last burst).
struct RingParams {
    int count = 1;
    double onMs = 1000.0;
    double offMs = 4000.0;
    double frequencyHz = 25.0;
    double clipDbfs = -1.0;  // the clipped wave's peak
};
Samples ringBursts(const RingParams& params);

// Continuous dial tone (425 Hz by default).
Samples dialTone(double ms, double levelDbfs = -15.0, double frequencyHz = 425.0);

// Tones injected by the two-line hook-signalling adapter.
struct HookParams {
    double levelDbfs = -6.0;
    double burstOnMs = 50.0;   // each 484 Hz burst of the handset-lifted pattern
    double burstOffMs = 60.0;  // silence between bursts: long enough to keep them apart
    int bursts = 3;
    bool legacyFlashTones = false;  // 2906 / 2609 Hz instead of 2969 / 2656 Hz
    double flashStartMs = 120.0;
    double flashGapMs = 10.0;
    double flashEndMs = 80.0;
    double flashMs = 200.0;  // for flash(): time between the hang-up tones and the lift bursts
};
inline constexpr double kHookBurstHz = 484.0;
inline constexpr double kFlashStartHz = 2969.0;
inline constexpr double kFlashEndHz = 2656.0;
inline constexpr double kLegacyFlashStartHz = 2906.0;
inline constexpr double kLegacyFlashEndHz = 2609.0;
// Handset lifted: bursts of 484 Hz.
Samples hookLift(const HookParams& params);
// Handset put back: flash-start tone, then the flash-end tone right after it.
Samples hookDown(const HookParams& params);
// A flash: the hang-up tones, flashMs of silence, then the handset-lifted bursts.
Samples hookFlash(const HookParams& params);

// Speech-like sound: voiced, formant-filtered pulse trains in syllables with pauses, plus some
// fricatives, band-limited to 300-3400 Hz. levelDbfs is the RMS level of the whole result.
Samples speechLike(double ms, double levelDbfs, std::uint32_t seed);

// Gaussian white noise at an RMS level, deterministic for a seed.
Samples whiteNoise(std::size_t count, double levelDbfs, std::uint32_t seed);

// Level of the signal while it is active: the mean power of the 10 ms blocks whose level is
// above -60 dBFS, in dBFS; -infinity when no block is active. The reference for an SNR.
double activeLevelDbfs(std::span<const float> samples);

}  // namespace kovra::linesim
