// Recorded telephone speech for whole-program tests: prompts of Debian's
// asterisk-core-sounds-en-wav (8000 Hz mono PCM), band-limited to the telephone band
// (300-3400 Hz) and set to a level, as a line would carry them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kovra::e2e {

using Pcm = std::vector<std::int16_t>;

inline const std::filesystem::path kPromptFolder = "/usr/share/asterisk/sounds/en_US_f_Allison";

// The prompt's samples; throws std::runtime_error naming the file when it is missing or not
// 8000 Hz 16-bit mono PCM.
Pcm readPrompt(const std::string& name);

// 300-3400 Hz (fourth-order high- and low-pass), then scaled so that the speech (its 20 ms
// frames above -50 dBFS) has the given RMS level; peaks beyond full scale are clipped.
Pcm telephoneLine(const Pcm& speech, double rmsDbfs);

// Index of the first 10 ms frame at or above -40 dBFS RMS: where the first word starts.
std::size_t speechOnset(const Pcm& samples);

// Writes 8000 Hz 16-bit mono PCM.
void writeMonoWav(const std::filesystem::path& path, const Pcm& samples);

}  // namespace kovra::e2e
