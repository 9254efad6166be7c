// Line-audio simulator: renders a small text script (rings, caller ID, DTMF, dial tone, hook
// tones of the two-line adapter, speech-like sound, silence, noise) into 8000 Hz 16-bit audio,
// one line per channel. The script language is described in docs/line-script.md.
// Everything here is a pure function of its input; any thread may call it.
//
// Channel convention of the whole program: in a two-line (stereo) file the odd line (line 1)
// is the RIGHT channel and the even line (line 2) the LEFT channel; a mono file is line 1.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kovra-linesim/caller_id.h"
#include "kovra-linesim/generators.h"

namespace kovra::linesim {

struct Audio {
    int sampleRate = 8000;
    int channels = 1;
    std::vector<std::int16_t> interleaved;  // frame f: [2f] left (line 2), [2f+1] right (line 1)

    std::size_t frames() const {
        return channels > 0 ? interleaved.size() / static_cast<std::size_t>(channels) : 0;
    }
};

// A script that cannot be rendered: the 1-based script line and the reason.
class ScriptError : public std::runtime_error {
  public:
    ScriptError(int line, std::string reason);
    int line() const { return line_; }
    const std::string& reason() const { return reason_; }

  private:
    int line_;
    std::string reason_;
};

// Renders a script. Throws ScriptError on any fault in the script; nothing else is thrown
// except std::bad_alloc.
Audio renderScript(std::string_view script);

// Builds 16-bit audio from float tracks (1.0 = full scale, clipped beyond it): one track gives
// a mono file, two give stereo with tracks[0] as line 1 (right) and tracks[1] as line 2
// (left). Shorter tracks are padded with silence. Throws std::invalid_argument for other
// track counts.
Audio makeAudio(std::span<const Samples> tracks);

// Writes a 16-bit PCM WAV file. Throws std::runtime_error naming the file when it cannot be
// written.
void writeWav(const std::filesystem::path& path, const Audio& audio);
// The samples of an 8000 Hz WAV file (its first channel), scaled to +-1. Throws
// std::runtime_error when it cannot be read or has another sample rate.
Samples readWav(const std::filesystem::path& path);

}  // namespace kovra::linesim
