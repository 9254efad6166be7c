// Parser and renderer of the line script: one step a line, each step appends to the current
// line's track; noise is added at the end over the whole output.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kovra-linesim/line_script.h"

namespace kovra::linesim {

namespace {

constexpr int kMaxLines = 2;
// Guards memory against a typo such as "silence 100000s".
constexpr double kMaxTrackMs = 3.0 * 3600.0 * 1000.0;

struct Step {
    int lineNo = 0;
    std::string name;
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

[[noreturn]] void fail(int lineNo, const std::string& reason) {
    throw ScriptError(lineNo, reason);
}

// Splits a script line into words; a double-quoted value may hold blanks (\" and \\ escape).
// A '#' outside quotes starts a comment when it is the first word of the line or a word of its
// own ("dial 12 # note"); inside a word it is the DTMF key ("dial *#31#").
std::vector<std::string> tokenize(std::string_view text, int lineNo) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '\\' && i + 1 < text.size()) {
                word += text[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
            continue;
        }
        const bool wordStart = !inWord;
        const bool alone =
            i + 1 == text.size() || std::isspace(static_cast<unsigned char>(text[i + 1]));
        if (c == '#' && wordStart && (words.empty() || alone)) {
            break;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == '"') {
            quoted = true;
        } else {
            word += c;
        }
    }
    if (quoted) {
        fail(lineNo, "unterminated quoted text");
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

Step parseLine(std::string_view text, int lineNo) {
    Step step;
    step.lineNo = lineNo;
    const std::vector<std::string> words = tokenize(text, lineNo);
    if (words.empty()) {
        return step;
    }
    step.name = words[0];
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        const auto eq = w.find('=');
        if (eq == std::string::npos) {
            step.positional.push_back(w);
        } else {
            const std::string key = w.substr(0, eq);
            if (key.empty()) {
                fail(lineNo, "option without a name: '" + w + "'");
            }
            if (!step.options.emplace(key, w.substr(eq + 1)).second) {
                fail(lineNo, "option '" + key + "' given twice");
            }
        }
    }
    return step;
}

double parseNumber(const Step& s, const std::string& what, const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v)) {
        fail(s.lineNo, what + ": '" + text + "' is not a number");
    }
    return v;
}

// "2s", "1.5s", "500ms", "10min"; a bare number is milliseconds only where allowed.
double parseDurationMs(const Step& s, const std::string& what, const std::string& text,
                       bool bareIsMs) {
    std::size_t unitAt = text.size();
    while (unitAt > 0 && std::isalpha(static_cast<unsigned char>(text[unitAt - 1]))) {
        --unitAt;
    }
    const std::string unit = text.substr(unitAt);
    double factor = 0;
    if (unit == "ms") {
        factor = 1;
    } else if (unit == "s") {
        factor = 1000;
    } else if (unit == "min") {
        factor = 60000;
    } else if (unit.empty() && bareIsMs) {
        factor = 1;
    } else {
        fail(s.lineNo, what + ": '" + text + "' needs a unit (ms, s or min)");
    }
    const double v = parseNumber(s, what, text.substr(0, unitAt)) * factor;
    if (v < 0 || v > kMaxTrackMs) {
        fail(s.lineNo, what + ": '" + text + "' is out of range");
    }
    return v;
}

// Reads the options of one step, refusing any it does not know.
class Options {
  public:
    Options(const Step& step, std::set<std::string> known) : step_(step) {
        for (const auto& [key, value] : step.options) {
            if (!known.contains(key)) {
                fail(step.lineNo, "unknown option '" + key + "' for '" + step.name + "'");
            }
        }
    }
    bool has(const std::string& key) const { return step_.options.contains(key); }
    std::string text(const std::string& key, const std::string& def = {}) const {
        const auto it = step_.options.find(key);
        return it == step_.options.end() ? def : it->second;
    }
    double number(const std::string& key, double def, double lo, double hi) const {
        if (!has(key)) {
            return def;
        }
        const double v = parseNumber(step_, key, text(key));
        if (v < lo || v > hi) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "%s=%s is out of range (%g to %g)", key.c_str(),
                          text(key).c_str(), lo, hi);
            fail(step_.lineNo, buf);
        }
        return v;
    }
    double ms(const std::string& key, double def) const {
        return has(key) ? parseDurationMs(step_, key, text(key), true) : def;
    }

  private:
    const Step& step_;
};

void expectPositional(const Step& s, std::size_t lo, std::size_t hi) {
    if (s.positional.size() < lo || s.positional.size() > hi) {
        const std::string extra = s.positional.size() > hi ? s.positional[hi] : std::string();
        fail(s.lineNo, s.positional.size() > hi
                           ? "unexpected argument '" + extra + "' for '" + s.name + "'"
                           : "'" + s.name + "' needs an argument");
    }
}

double durationArg(const Step& s) {
    expectPositional(s, 1, 1);
    return parseDurationMs(s, s.name, s.positional[0], false);
}

DtmfParams dtmfOptions(const Options& o, DtmfParams p) {
    p.levelDbfs = o.number("level", p.levelDbfs, -90, 0);
    p.twistDb = o.number("twist", p.twistDb, -20, 20);
    p.offsetPercent = o.number("offset", p.offsetPercent, -20, 20);
    p.onMs = o.ms("on", p.onMs);
    p.offMs = o.ms("off", p.offMs);
    return p;
}

HookParams hookOptions(const Step& s, const Options& o) {
    HookParams p;
    p.levelDbfs = o.number("level", p.levelDbfs, -90, 0);
    p.burstOnMs = o.ms("on", p.burstOnMs);
    p.burstOffMs = o.ms("off", p.burstOffMs);
    p.bursts = static_cast<int>(o.number("bursts", p.bursts, 1, 20));
    p.flashMs = o.ms("ms", p.flashMs);
    for (const std::string& word : s.positional) {
        if (word != "legacy") {
            fail(s.lineNo, "unexpected argument '" + word + "' for '" + s.name + "'");
        }
        p.legacyFlashTones = true;
    }
    return p;
}

// Frequencies of freq=HZ[,HZ...].
std::vector<double> frequencyList(const Step& s, const Options& o) {
    std::vector<double> hz;
    const std::string list = o.text("freq");
    if (list.empty()) {
        fail(s.lineNo, s.name + " needs freq=HZ or freq=HZ,HZ");
    }
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        const double f = parseNumber(s, "freq", list.substr(at, comma - at));
        if (f <= 0 || f >= kSampleRate / 2.0) {
            fail(s.lineNo, "freq must be between 0 and 4000 Hz");
        }
        hz.push_back(f);
        at = comma + 1;
    }
    return hz;
}

// A steady tone under every line, over the whole output.
struct Background {
    std::vector<double> hz;
    double levelDbfs = 0;
};

struct Noise {
    int lineNo;
    std::optional<double> snrDb;
    double levelDbfs = 0;
    std::uint32_t seed;
};

class Renderer {
  public:
    void run(const Step& s) {
        if (s.name == "lines") {
            expectPositional(s, 1, 1);
            Options o(s, {});
            const double n = parseNumber(s, "lines", s.positional[0]);
            if (n != 1 && n != 2) {
                fail(s.lineNo, "lines must be 1 or 2");
            }
            if (audioStarted_) {
                fail(s.lineNo, "'lines' must come before the first step that makes sound");
            }
            tracks_.resize(static_cast<std::size_t>(n));
            return;
        }
        if (s.name == "line") {
            expectPositional(s, 1, 1);
            Options o(s, {});
            const double n = parseNumber(s, "line", s.positional[0]);
            if (n != std::floor(n) || n < 1 || n > static_cast<double>(tracks_.size())) {
                fail(s.lineNo, tracks_.size() == 1
                                   ? "line " + s.positional[0] + " needs 'lines 2' at the top"
                                   : "line must be 1 or 2");
            }
            current_ = static_cast<std::size_t>(n) - 1;
            return;
        }
        if (s.name == "sync") {
            expectPositional(s, 0, 0);
            Options o(s, {});
            std::size_t longest = 0;
            for (const Samples& t : tracks_) {
                longest = std::max(longest, t.size());
            }
            for (Samples& t : tracks_) {
                t.resize(longest, 0.0f);
            }
            return;
        }
        if (s.name == "noise") {
            expectPositional(s, 0, 0);
            Options o(s, {"snr", "level", "seed"});
            Noise n{s.lineNo, std::nullopt, 0.0, static_cast<std::uint32_t>(1000 + noise_.size())};
            if (o.has("snr") == o.has("level")) {
                fail(s.lineNo, "noise needs exactly one of snr= or level=");
            }
            if (o.has("snr")) {
                n.snrDb = o.number("snr", 0, -30, 120);
            } else {
                n.levelDbfs = o.number("level", 0, -120, 0);
            }
            n.seed = static_cast<std::uint32_t>(o.number("seed", n.seed, 0, 4294967295.0));
            noise_.push_back(n);
            return;
        }
        if (s.name == "background") {
            expectPositional(s, 0, 0);
            Options o(s, {"freq", "level"});
            background_.push_back({frequencyList(s, o), o.number("level", -10, -90, 0)});
            return;
        }
        audioStarted_ = true;
        append(s, sound(s));
    }

    Audio finish() {
        std::size_t longest = 0;
        for (const Samples& t : tracks_) {
            longest = std::max(longest, t.size());
        }
        for (Samples& t : tracks_) {
            t.resize(longest, 0.0f);
        }
        if (!noise_.empty()) {
            Samples all;
            for (const Samples& t : tracks_) {
                all.insert(all.end(), t.begin(), t.end());
            }
            const double signal = activeLevelDbfs(all);
            std::uint32_t lineSeed = 0;
            for (const Noise& n : noise_) {
                double level = n.levelDbfs;
                if (n.snrDb) {
                    if (!std::isfinite(signal)) {
                        fail(n.lineNo, "noise snr= needs some signal to refer to");
                    }
                    level = signal - *n.snrDb;
                }
                for (Samples& t : tracks_) {
                    const Samples w = whiteNoise(t.size(), level, n.seed * 7919u + lineSeed++);
                    for (std::size_t i = 0; i < t.size(); ++i) {
                        t[i] += w[i];
                    }
                }
            }
        }
        // After the noise, whose snr= refers to the signal on top.
        for (const Background& b : background_) {
            for (Samples& t : tracks_) {
                const Samples w =
                    tone(b.hz, b.levelDbfs, 1000.0 * static_cast<double>(t.size()) / kSampleRate);
                for (std::size_t i = 0; i < t.size() && i < w.size(); ++i) {
                    t[i] += w[i];
                }
            }
        }
        return makeAudio(tracks_);
    }

  private:
    Samples sound(const Step& s) {
        const auto& p = s.positional;
        if (s.name == "silence") {
            Options o(s, {});
            return silence(durationArg(s));
        }
        if (s.name == "ring") {
            expectPositional(s, 0, 1);
            Options o(s, {"on", "off", "freq", "level"});
            RingParams r;
            r.count = p.empty() ? 1 : static_cast<int>(parseNumber(s, "ring count", p[0]));
            if (r.count < 1 || r.count > 100 ||
                (!p.empty() && p[0].find('.') != std::string::npos)) {
                fail(s.lineNo, "ring count must be a whole number from 1 to 100");
            }
            r.onMs = o.ms("on", r.onMs);
            r.offMs = o.ms("off", r.offMs);
            r.frequencyHz = o.number("freq", r.frequencyHz, 10, 100);
            r.clipDbfs = o.number("level", r.clipDbfs, -60, 0);
            return ringBursts(r);
        }
        if (s.name == "fsk" || s.name == "fsk-sdmf") {
            expectPositional(s, 0, 0);
            const bool sdmf = s.name == "fsk-sdmf";
            std::set<std::string> known{"number",   "datetime", "level", "seizure", "mark",
                                        "checksum", "offset",   "skew",  "stop"};
            if (!sdmf) {
                known.insert("name");
            }
            Options o(s, known);
            CallerIdInfo info{o.text("number"), o.text("name"), o.text("datetime")};
            FskParams f;
            f.levelDbfs = o.number("level", f.levelDbfs, -90, 0);
            f.seizureBits = static_cast<int>(o.number("seizure", f.seizureBits, 0, 2000));
            f.markBits = static_cast<int>(o.number("mark", f.markBits, 0, 2000));
            f.frequencyOffsetPercent = o.number("offset", 0, -20, 20);
            f.rateSkewPercent = o.number("skew", 0, -20, 20);
            f.stopBits = o.number("stop", 1, 1, 4);
            const std::string checksum = o.text("checksum", "good");
            if (checksum != "good" && checksum != "bad") {
                fail(s.lineNo, "checksum must be good or bad");
            }
            f.corruptChecksum = checksum == "bad";
            try {
                return fskCallerId(sdmf ? sdmfMessage(info) : mdmfMessage(info), f);
            } catch (const std::invalid_argument& e) {
                fail(s.lineNo, e.what());
            }
        }
        if (s.name == "dial" || s.name == "dtmf-cid") {
            expectPositional(s, 1, 1);
            Options o(s, {"level", "twist", "offset", "on", "off"});
            const DtmfParams params =
                dtmfOptions(o, s.name == "dial" ? DtmfParams{} : dtmfCallerIdDefaults());
            try {
                return dtmfDigits(p[0], params);
            } catch (const std::invalid_argument& e) {
                fail(s.lineNo, e.what());
            }
        }
        if (s.name == "dialtone") {
            Options o(s, {"level", "freq"});
            return dialTone(durationArg(s), o.number("level", -15, -90, 0),
                            o.number("freq", 425, 50, 3900));
        }
        if (s.name == "play") {
            expectPositional(s, 1, 1000);
            Options o(s, {"gap"});
            const Samples gap = silence(o.ms("gap", 0));
            Samples out;
            for (const std::string& path : p) {
                try {
                    const Samples one = readWav(path);
                    out.insert(out.end(), one.begin(), one.end());
                    out.insert(out.end(), gap.begin(), gap.end());
                } catch (const std::runtime_error& e) {
                    fail(s.lineNo, e.what());
                }
            }
            return out;
        }
        if (s.name == "clicks") {
            Options o(s, {"rate", "slope", "level"});
            return clickTrain(durationArg(s), o.number("rate", 40, 1, 1000),
                              o.number("slope", 1.9, 0, 4), o.number("level", -13, -90, 0));
        }
        if (s.name == "tone") {
            Options o(s, {"level", "freq"});
            const double ms = durationArg(s);
            return tone(frequencyList(s, o), o.number("level", -10, -90, 0), ms);
        }
        if (s.name == "hook-lift" || s.name == "hook-down" || s.name == "flash") {
            std::set<std::string> known{"level"};
            if (s.name != "hook-down") {
                known.insert({"on", "off", "bursts"});
            }
            if (s.name == "flash") {
                known.insert("ms");
            }
            Options o(s, known);
            const HookParams h = hookOptions(s, o);
            return s.name == "hook-lift"   ? hookLift(h)
                   : s.name == "hook-down" ? hookDown(h)
                                           : hookFlash(h);
        }
        if (s.name == "speech") {
            Options o(s, {"level", "seed"});
            const double ms = durationArg(s);
            const auto seed = static_cast<std::uint32_t>(
                o.number("seed", static_cast<double>(++speechSteps_), 0, 4294967295.0));
            return speechLike(ms, o.number("level", -20, -90, 0), seed);
        }
        fail(s.lineNo, "unknown step '" + s.name + "'");
    }

    void append(const Step& s, const Samples& sound) {
        Samples& t = tracks_[current_];
        if (static_cast<double>(t.size() + sound.size()) > kMaxTrackMs * kSampleRate / 1000.0) {
            fail(s.lineNo, "the line's audio would be longer than 3 hours");
        }
        t.insert(t.end(), sound.begin(), sound.end());
    }

    std::vector<Samples> tracks_ = std::vector<Samples>(1);
    std::size_t current_ = 0;
    bool audioStarted_ = false;
    std::vector<Noise> noise_;
    std::vector<Background> background_;
    std::uint32_t speechSteps_ = 0;
};

std::string withLine(int line, const std::string& reason) {
    return "line " + std::to_string(line) + ": " + reason;
}

}  // namespace

ScriptError::ScriptError(int line, std::string reason)
    : std::runtime_error(withLine(line, reason)), line_(line), reason_(std::move(reason)) {}

Audio renderScript(std::string_view script) {
    Renderer renderer;
    int lineNo = 0;
    std::size_t at = 0;
    while (at < script.size()) {
        const std::size_t end = std::min(script.find('\n', at), script.size());
        std::string_view text = script.substr(at, end - at);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
        ++lineNo;
        at = end + 1;
        const Step step = parseLine(text, lineNo);
        if (!step.name.empty()) {
            renderer.run(step);
        }
    }
    return renderer.finish();
}

Audio makeAudio(std::span<const Samples> tracks) {
    if (tracks.empty() || tracks.size() > kMaxLines) {
        throw std::invalid_argument("audio needs one or two lines");
    }
    std::size_t frames = 0;
    for (const Samples& t : tracks) {
        frames = std::max(frames, t.size());
    }
    Audio audio;
    audio.channels = static_cast<int>(tracks.size());
    audio.interleaved.assign(frames * tracks.size(), 0);
    const auto toPcm = [](float x) {
        const double v = std::clamp(static_cast<double>(x), -1.0, 1.0) * 32767.0;
        return static_cast<std::int16_t>(std::lround(v));
    };
    for (std::size_t line = 0; line < tracks.size(); ++line) {
        // Line 1 is the right channel (index 1) of a stereo frame, line 2 the left (index 0).
        const std::size_t channel = tracks.size() == 1 ? 0 : 1 - line;
        for (std::size_t f = 0; f < tracks[line].size(); ++f) {
            audio.interleaved[f * tracks.size() + channel] = toPcm(tracks[line][f]);
        }
    }
    return audio;
}

}  // namespace kovra::linesim
