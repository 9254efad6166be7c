// Line audio for the detector tests, made with spandsp's own generators (DTMF, Bell 202
// FSK) and plain sines: 8000 Hz mono blocks that tests join, mix into stereo and write to
// WAV files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace kovra::testsignals {

using Samples = std::vector<std::int16_t>;
constexpr int kRate = 8000;

Samples silence(int ms);
// A sine at levelDbfs (0 = full scale); two frequencies share the level (each at level).
Samples tone(double frequencyHz, int ms, double levelDbfs);
Samples dualTone(double f1, double f2, int ms, double levelDbfs);
// Ring voltage as a sound card hears it: a 25 Hz sine driven past full scale and clipped.
Samples ring(int ms);
// DTMF digits (50 ms on, 55 ms off each) at levelDbm0 per tone.
Samples dtmf(const std::string& digits, int levelDbm0 = -10);
// A caller-ID message (type, length, body) sent in Bell 202 FSK with its checksum; the
// preamble is the on-hook one (channel seizure + 180 marks) or, for call waiting, 80 marks.
Samples fsk(const std::vector<std::uint8_t>& message, bool callWaiting = false,
            bool corruptChecksum = false);
std::vector<std::uint8_t> sdmf(const std::string& dateTime, const std::string& number);
struct MdmfField {
    std::uint8_t type;
    std::string value;
};
std::vector<std::uint8_t> mdmf(const std::vector<MdmfField>& fields);

Samples join(const std::vector<Samples>& parts);
// Interleaves two equally long (shorter one padded) channels: left, right.
Samples stereo(const Samples& left, const Samples& right);
void writeWav(const std::filesystem::path& path, int rate, int channels, const Samples& samples);

using kovra::test::TempFolder;

}  // namespace kovra::testsignals
