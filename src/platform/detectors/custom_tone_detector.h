// Custom tones of a phone-tone decoder: steady single or dual tones (dial tone, ring
// voltage, the hook and flash tones of the two-line adapter) defined by AddCustomTone.
//
// How it listens: the audio (DC removed) is analysed in 10 ms steps. For every frequency of
// a tone, the signal is shifted down by that frequency and low-pass filtered (4th-order
// Butterworth, cut-off = the tolerance), which measures the power inside
// [frequency - tolerance, frequency + tolerance] with a flat top and a 24 dB/octave skirt.
// A step holds the tone when every one of its frequencies reaches the minimum level and
// its frequencies together carry the minimum share of the step's whole power (so speech,
// music or noise of the same loudness do not count). Levels are dB relative to full scale
// with a full-scale sine at 0 dB, rounded to whole dB before the comparison, as the line
// logic rounds its levels. While the line stays far below every tone's minimum level the
// band filters rest (no tone can be present then) and, on waking, catch up on the last
// quiet stretch, so their reports are those of filters that never rested.
//
// AddCustomTone(id, p2, p3, p4, p5, p6, p7, p8, p9):
//   id  reported in OnToneDetected.
//   p2  on-time in ms: the tone is reported once it has lasted p2 ms, and again after each
//       further p2 ms while it lasts (a 400 ms dial-tone row reports every 400 ms).
//       0: one step (10 ms).
//   p3  bridge in ms: a break up to max(p3, 20 ms) does not end the tone (interrupted
//       bursts count as one tone).
//   p4  first frequency in Hz; 0: none.
//   p5  second frequency in Hz; 0: none. Equal to p4: a single tone. At least one of p4,
//       p5 must be set. A frequency may be as low as the 20-25 Hz of ring voltage.
//   p6  tolerance in Hz on each side; 0: max(50 Hz, 5 % of the frequency), so a 400 Hz
//       row takes any dial tone from 350 to 450 Hz (Brazil: 425 Hz).
//   p7  minimum share of the whole power, in percent; 0: 50 %.
//   p8  minimum level of each frequency, dB relative to full scale (e.g. -20.0).
//   p9  0: repeated reports as above; 1: one report per tone.
// Loop thread only (owned by one decoder).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace kovra {

struct CustomToneParams {
    int id = 0;
    int onMs = 0;
    int bridgeMs = 0;
    int frequency1Hz = 0;
    int frequency2Hz = 0;
    int toleranceHz = 0;
    int minSharePercent = 0;
    float minLevelDbfs = -30.0F;
    int reportOnce = 0;
};

class CustomToneDetector {
  public:
    static constexpr int kSampleRate = 8000;
    static constexpr int kStepSamples = 80;  // 10 ms
    static constexpr int kDefaultToleranceHz = 50;
    static constexpr double kDefaultTolerancePercent = 5.0;
    static constexpr int kDefaultMinSharePercent = 50;
    static constexpr int kMinBridgeMs = 20;

    using Report = std::function<void(int id, std::int64_t position)>;

    CustomToneDetector();
    ~CustomToneDetector();
    CustomToneDetector(CustomToneDetector&&) noexcept;
    CustomToneDetector& operator=(CustomToneDetector&&) noexcept;

    // False (the tone is not added) when it has no frequency or a frequency outside
    // 1..3999 Hz.
    bool add(const CustomToneParams& params);
    void clear();
    bool empty() const;
    // Forgets all signal history (a new capture starts at position 0).
    void reset();
    // Analyses mono samples whose first one is at firstPosition (samples since capture
    // start); calls report for each report, in order, with the position at the end of the
    // step that completed it.
    void process(std::span<const std::int16_t> samples, std::int64_t firstPosition,
                 const Report& report);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kovra
