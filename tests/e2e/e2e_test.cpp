// kovra-plugin as a user runs it: generated line audio in, relay datagrams (read by a raw
// UDP socket, so the wire form is checked too), MP3 files and logs out.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e_support.h"
#include "platform/process/instance_lock.h"
#include "process_runner.h"
#include "telephone_speech.h"
#include "temp_folder.h"

namespace kovra::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(home());
        fs::create_directories(runtime());
    }
    void TearDown() override {
        // A restarted instance outlives its parent: end it.
        const InstanceLock lock(runtime(), "TFormKovraPlugInFSK", "FormKovraPlugInFSK");
        if (const auto pid = lock.owner()) {
            killProgram(*pid, 5000);
        }
    }
    fs::path home() const { return root_ / "home"; }
    fs::path runtime() const { return root_ / "run"; }
    std::vector<std::string> env() const { return {"KOVRA_RUNTIME_DIR=" + runtime().string()}; }

    fs::path makeWav(const std::string& name, const std::string& script) {
        const fs::path scriptFile = root_ / (name + ".txt");
        std::ofstream(scriptFile) << script;
        const fs::path wav = root_ / (name + ".wav");
        const RunResult r = runProgram(KOVRA_LINESIM, {wav.string(), scriptFile.string()}, {},
                                       root_ / (name + ".err"), 60s);
        EXPECT_EQ(r.exitCode, 0) << r.stderrText;
        return wav;
    }

    // Settings of pair 1: relay to the local host on the sink's port, automatic recording.
    void writeSettings(int remotePort) {
        std::ofstream(home() / "ConfigGlobal.ini")
            << "[GLOBAL]\nDDDLocal=11\n[LINHAS_1e2]\nTCP/IP_L1=1\nTCP/IP_L2=0\n"
            << "LocalPort1=" << freePort() << "\nLocalPort2=" << freePort() << "\n"
            << "RemotePort1=" << remotePort << "\nchkSameIP1=1\nCheckAutoRec=1\nCBTipoAdp=0\n";
    }

    std::vector<std::string> plugin(const std::vector<std::string>& more) const {
        std::vector<std::string> args{"--headless", "--home", home().string()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    test::TempFolder temp_{"kovra-e2e"};
    const fs::path root_ = temp_.path();
};

// The calls' speech is a person's recorded voice (Debian's asterisk-core-sounds-en-wav,
// installed by scripts/setup), as the recording rules hear it on a real line.
TEST_F(PluginTest, CallsOfAFileRunReachTheWireInOrderAndAreRecorded) {
    const fs::path wav = makeWav("calls", R"(# incoming call with FSK caller ID, answered
silence 2s
ring 1
silence 1s
fsk number=1123456789 name="OFICINA CENTRAL" datetime=12101405
silence 2s
ring 1
silence 1s
play /usr/share/asterisk/sounds/en_US_f_Allison/demo-echotest.wav
silence 8s
# outgoing call
dialtone 3s
dial 34567890
silence 3s
play /usr/share/asterisk/sounds/en_US_f_Allison/basic-pbx-ivr-main.wav
silence 8s
)");
    UdpSink sink;
    writeSettings(sink.port());
    const RunResult run =
        runProgram(KOVRA_PLUGIN,
                   plugin({"--fast", "--start-time", "2026-01-01", "--input", "1=" + wav.string()}),
                   env(), root_ / "plugin.err", 120s);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;

    std::vector<std::string> texts;
    for (const std::string& d : sink.datagramsAfterExit()) {
        if (d.rfind("&&", 0) == 0) {
            // Event datagrams are padded with NUL filler to 150 characters.
            EXPECT_EQ(d.size(), std::max<std::size_t>(150, d.find('@') + 1)) << d;
            EXPECT_EQ(d.find_first_not_of('\0', d.find('@') + 1), std::string::npos) << d;
            texts.push_back(eventText(d));
        }
    }
    const std::string folder = (home() / "MP3" / "Linha1(Linha 1)" / "01-01-2026").string() + "/";
    // The start timer keeps its count while speech-like reports re-arm it: the recording
    // starts within a second of the caller ID's tones (it used to wait for a pause).
    const std::string received = folder + "00h00m07s-RECEBIDA-(11)12345-6789.mp3";
    // The made call's speech starts its recording before the dialled number is accepted:
    // the file is named after the digits shown so far, and renamed once it stops.
    const std::string madeFirst = folder + "00h00m49s-RECEBIDA-34567890.mp3";
    const std::string made = folder + "00h00m50s-EFETUADA-(11)3456-7890.mp3";
    // The events that matter, in the order a host must see them.
    const std::vector<std::string> expected = {
        "L1_RING_COUNT->1",
        "L1_CALLER_FSK->",
        "L1_NUMBER_FORMAT_FSK->1(11)12345-6789",
        "L1_INDEX_PHONE->11123456789",
        "DATA_FILTER_ID_INIT->",
        "DATA_DATE->01/01/2026",
        "DATA_FILTER_ID_END->Recebida",
        "L1_REC_FILE_START->" + received + "#00:00:00",
        "L1_RING_COUNT->2",
        "L1_STATUS_DIALTONE",
        "L1_REC_FILE_STOP->" + received + "#00:00:35",
        "L1_DMTFKEY->3",
        "L1_DMTFKEY->0",
        "L1_REC_FILE_START->" + madeFirst + "#00:00:00",
        "L1_NUMBER_FORMAT_DTMF->(11)3456-7890",
        "L1_REC_FILE_STOP->" + made + "#00:00:33",
        "L1_DISABLED: SoundBoard - calls.wav",
    };
    std::string heard;
    for (const std::string& t : texts) {
        heard += "\n  " + t;
    }
    auto at = texts.begin();
    for (const std::string& e : expected) {
        at = std::find(at, texts.end(), e);
        ASSERT_NE(at, texts.end()) << "missing or out of order: " << e << "\nheard:" << heard;
    }
    EXPECT_TRUE(std::none_of(texts.begin(), texts.end(), [](const std::string& t) {
        return t.rfind("L2_", 0) == 0;
    })) << "the even line of a one-line input stays silent";

    // Silence pauses a recording after 5 s: the quiet end of the call is not in the file,
    // which holds the 2 s before the start, the second ring and the conversation. A file of
    // at most 15 s of audio would have been discarded.
    EXPECT_GT(mp3Length(received), 25.0);
    EXPECT_LT(mp3Length(received), 33.0);
    EXPECT_GT(mp3Length(made), 15.0);
    EXPECT_FALSE(fs::exists(madeFirst));
    EXPECT_FALSE(fs::exists(home() / "kovra-plugin.log")) << "no error was logged";
}

// A second of silence as 16-bit PCM WAV.
void writeSilentWav(const fs::path& path, int rate, int channels) {
    const auto le = [](std::uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return out;
    };
    const std::uint32_t data = static_cast<std::uint32_t>(rate * channels * 2);
    std::ofstream(path, std::ios::binary)
        << "RIFF" << le(36 + data, 4) << "WAVEfmt " << le(16, 4) << le(1, 2) << le(channels, 2)
        << le(rate, 4) << le(rate * channels * 2, 4) << le(channels * 2, 2) << le(16, 2) << "data"
        << le(data, 4) << std::string(data, '\0');
}

TEST_F(PluginTest, UnreadableInputIsNamedAndEndsWithStatusTwo) {
    std::ofstream(root_ / "broken.wav") << "RIFF....WAVEfmt garbage";
    writeSilentWav(root_ / "three.wav", 8000, 3);
    writeSilentWav(root_ / "eight.wav", 8000, 8);
    writeSilentWav(root_ / "slow.wav", 4000, 1);
    ASSERT_EQ(::mkfifo((root_ / "fifo.wav").c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"nothing-here.wav", "no such file"},
        {"broken.wav", "cannot read as audio"},
        {"three.wav", "has 3 channels"},
        {"eight.wav", "has 8 channels"},
        {"slow.wav", "sample rate 4000 Hz is below 8000 Hz"},
        {"fifo.wav", "is not a regular file"},
    };
    for (const auto& [name, reason] : cases) {
        const fs::path file = root_ / name;
        const RunResult run =
            runProgram(KOVRA_PLUGIN, plugin({"--fast", "--input", "1=" + file.string()}), env(),
                       root_ / "plugin.err", 30s);
        EXPECT_EQ(run.exitCode, 2) << name;
        EXPECT_NE(run.stderrText.find(file.string() + ": " + reason), std::string::npos)
            << run.stderrText;
    }
}

TEST_F(PluginTest, OneInstanceRunsAndARestartEndsTheOldOne) {
    ChildProcess first(KOVRA_PLUGIN, plugin({}), env(), root_ / "first.err");
    const InstanceLock lock(runtime(), "TFormKovraPlugInFSK", "FormKovraPlugInFSK");
    for (int i = 0; i < 200 && lock.owner() != first.pid(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(lock.owner(), first.pid());

    const RunResult second = runProgram(KOVRA_PLUGIN, plugin({}), env(), root_ / "second.err", 30s);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(first.running()) << "a second start leaves the first running";

    ChildProcess restart(
        KOVRA_PLUGIN,
        [&] {
            auto args = plugin({});
            args.insert(args.begin(), "-REBOOT");
            return args;
        }(),
        env(), root_ / "restart.err");
    const RunResult old = first.wait(30s);
    EXPECT_EQ(old.exitCode, 4) << "the old instance ends as if terminated";
    for (int i = 0; i < 200 && lock.owner() != restart.pid(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(lock.owner(), restart.pid());
    restart.signal(SIGTERM);
    EXPECT_EQ(restart.wait(30s).exitCode, 0) << "SIGTERM ends the monitor in order";
}

TEST_F(PluginTest, AFileRunPlaysEveryFileToItsEndAndLeavesNothingBehind) {
    // Pair 1's input ends 58 s before pair 2's: pair 1 is finished, not failed. The run
    // goes on to the ring at the end of pair 2's file and ends with it.
    const fs::path shortWav = makeWav("short", "silence 2s\n");
    const fs::path longWav = makeWav("long", "silence 55s\nring 1\nsilence 3s\n");
    UdpSink sink;
    std::ofstream(home() / "ConfigGlobal.ini")
        << "[LINHAS_1e2]\nCBTipoAdp=0\nTCP/IP_L1=0\nTCP/IP_L2=0\n[LINHAS_3e4]\nTCP/IP_L1=1\n"
        << "TCP/IP_L2=0\nLocalPort1=" << freePort() << "\nLocalPort2=" << freePort()
        << "\nRemotePort1=" << sink.port() << "\nchkSameIP1=1\n";
    const RunResult run =
        runProgram(KOVRA_PLUGIN,
                   plugin({"--fast", "--start-time", "2026-01-01", "--input",
                           "1=" + shortWav.string(), "--input", "2=" + longWav.string()}),
                   env(), root_ / "plugin.err", 120s);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;

    std::vector<std::string> texts;
    for (const std::string& d : sink.datagramsAfterExit()) {
        texts.push_back(eventText(d));
    }
    EXPECT_NE(std::find(texts.begin(), texts.end(), "L3_RING_COUNT->1"), texts.end())
        << "the end of the longer file was heard";
    EXPECT_FALSE(fs::exists(home() / "FalhaDetector.log"));
    const InstanceLock lock(runtime(), "TFormKovraPlugInFSK", "FormKovraPlugInFSK");
    EXPECT_FALSE(lock.owner().has_value()) << "no instance stays behind";
}

TEST_F(PluginTest, OnePairRefusedItsFileEndsTheRunWithStatusTwo) {
    const fs::path wav = makeWav("shared", "silence 10s\n");
    std::ofstream(home() / "ConfigGlobal.ini") << "[LINHAS_1e2]\nCBTipoAdp=0\n";
    const RunResult run = runProgram(
        KOVRA_PLUGIN,
        plugin({"--fast", "--input", "1=" + wav.string(), "--input", "2=" + wav.string()}), env(),
        root_ / "plugin.err", 60s);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.stderrText.find("pair 2 cannot use shared.wav"), std::string::npos)
        << run.stderrText;
    EXPECT_FALSE(fs::exists(home() / "FalhaDetector.log"));
    const InstanceLock lock(runtime(), "TFormKovraPlugInFSK", "FormKovraPlugInFSK");
    EXPECT_FALSE(lock.owner().has_value()) << "no instance stays behind";
}

TEST_F(PluginTest, OnlyTheExactRestartSwitchFirstIsARestartAndOurOptionsStayStrict) {
    const fs::path wav = makeWav("quiet", "silence 2s\n");
    std::ofstream(home() / "ConfigGlobal.ini") << "[LINHAS_1e2]\nCBTipoAdp=0\n";
    const std::vector<std::string> fileRun = plugin({"--fast", "--input", "1=" + wav.string()});
    struct Case {
        std::vector<std::string> before;
        std::vector<std::string> after;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {{"-reboot"}, {}, 0},  // other letter case: a normal start
        {{}, {"-REBOOT"}, 0},  // another position: a normal start
        {{}, {"-Reboot"}, 0},  //
        {{}, {"--start-time", "2026-01-01 08:30"}, 0},
        {{}, {"--rebot"}, 2},  // an unknown option of our own stays an error
        {{}, {"--start-time", "2026-02-30"}, 2},
        {{}, {"--start-time", "yesterday"}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.before;
        args.insert(args.end(), fileRun.begin(), fileRun.end());
        args.insert(args.end(), c.after.begin(), c.after.end());
        const RunResult run = runProgram(KOVRA_PLUGIN, args, env(), root_ / "plugin.err", 60s);
        EXPECT_EQ(run.exitCode, c.exitCode) << ::testing::PrintToString(args) << run.stderrText;
    }
}

}  // namespace
}  // namespace kovra::e2e

namespace kovra::e2e {
namespace {

// The recordings written under home, in name order.
std::vector<fs::path> recordingsUnder(const fs::path& home) {
    std::vector<fs::path> files;
    if (fs::exists(home / "MP3")) {
        for (const auto& entry : fs::recursive_directory_iterator(home / "MP3")) {
            if (entry.path().extension() == ".mp3") {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Recorded speech on the line (a prompt recording, band-limited to 300-3400 Hz, at a
// line's level): the automatic recording starts soon after the first word (it used to
// start seconds late, or never). The start is read from the file's length: the run settles
// the recording at the end of its input. bench/recording/start_delay measures the delay
// over many prompts.
struct SpeechCase {
    std::vector<std::string> prompts;
    double levelDbfs;
};

// Names the case in test lists (the default prints the vector's bytes).
void PrintTo(const SpeechCase& c, std::ostream* os) {
    *os << c.prompts.front() << "_at_" << -c.levelDbfs << "_dB_below_full_scale";
}

class RecordingStart : public PluginTest, public ::testing::WithParamInterface<SpeechCase> {};

TEST_P(RecordingStart, BeginsSoonAfterTheFirstWord) {
    Pcm speech;
    for (const std::string& name : GetParam().prompts) {
        const Pcm prompt = readPrompt(name);
        speech.insert(speech.end(), prompt.begin(), prompt.end());
    }
    Pcm line = telephoneLine(speech, GetParam().levelDbfs);
    const std::size_t onset = speechOnset(line);
    ASSERT_LT(onset, line.size());
    // The first word at 3.5 s of the input, 2 s of quiet after the speech.
    line.erase(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(onset));
    const double firstWord = 3.5;
    line.insert(line.begin(), static_cast<std::size_t>(firstWord * 8000), 0);
    line.insert(line.end(), 2 * 8000, 0);
    const double inputSeconds = static_cast<double>(line.size()) / 8000;
    const fs::path wav = root_ / "speech.wav";
    writeMonoWav(wav, line);

    UdpSink sink;
    writeSettings(sink.port());
    // The start rule alone: without the pre-roll the file begins where the rule fired.
    std::ofstream(home() / "ConfigGlobal.ini", std::ios::app) << "PreRoll=0\n";
    const RunResult run =
        runProgram(KOVRA_PLUGIN,
                   plugin({"--fast", "--start-time", "2026-01-01", "--input", "1=" + wav.string()}),
                   env(), root_ / "plugin.err", 60s);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    const std::vector<fs::path> files = recordingsUnder(home());
    ASSERT_EQ(files.size(), 1U) << "one recording";
    const fs::path file = files.front();
    const double start = inputSeconds - mp3Length(file);
    EXPECT_GE(start, firstWord - 0.2) << file;
    // The start rule needs two of its 500 ms ticks with speech reports in the last: about
    // a second. The dial-tone guard takes no notice of a voice's partials in its band.
    EXPECT_LE(start, firstWord + 1.5) << file;
}

// The MP3's audio as 8000 Hz mono (linear interpolation from the decoder's rate).
std::vector<double> mp3At8k(const fs::path& file) {
    const DecodedMp3 mp3 = decodeMp3(file);
    std::vector<double> out;
    if (mp3.rate <= 0 || mp3.channels <= 0) {
        return out;
    }
    const auto channels = static_cast<std::size_t>(mp3.channels);
    std::vector<double> mono(mp3.samples.size() / channels);
    for (std::size_t f = 0; f < mono.size(); ++f) {
        for (std::size_t c = 0; c < channels; ++c) {
            mono[f] += mp3.samples[f * channels + c] / static_cast<double>(channels);
        }
    }
    const double step = static_cast<double>(mp3.rate) / 8000;
    for (double at = 0; at + 1 < static_cast<double>(mono.size()); at += step) {
        const auto i = static_cast<std::size_t>(at);
        const double frac = at - static_cast<double>(i);
        out.push_back(mono[i] * (1 - frac) + mono[i + 1] * frac);
    }
    return out;
}

// The best normalised cross-correlation of piece anywhere in the first `within` samples of
// audio.
double bestMatch(const std::vector<double>& piece, const std::vector<double>& audio,
                 std::size_t within) {
    double pieceEnergy = 0;
    for (double v : piece) {
        pieceEnergy += v * v;
    }
    double best = 0;
    for (std::size_t lag = 0; lag + piece.size() <= std::min(within, audio.size()); ++lag) {
        double dot = 0;
        double energy = 0;
        for (std::size_t i = 0; i < piece.size(); ++i) {
            dot += piece[i] * audio[lag + i];
            energy += audio[lag + i] * audio[lag + i];
        }
        if (energy > 0) {
            best = std::max(best, dot / std::sqrt(pieceEnergy * energy));
        }
    }
    return best;
}

// A prompt at the start of a call: with the pre-roll (the default) the recording begins
// with the line's last 2 s, so the MP3 holds the prompt's first 300 ms; switched off in
// ConfigGlobal.ini it begins where the start rule fired, after them.
TEST_F(PluginTest, ThePreRollPutsTheFirstWordsInTheRecording) {
    Pcm line = telephoneLine(readPrompt("priv-callee-options"), -13);
    const std::size_t onset = speechOnset(line);
    line.erase(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(onset));
    const std::vector<double> firstWords(line.begin(), line.begin() + 2400);  // 300 ms
    line.insert(line.begin(), 3 * 8000, 0);
    line.insert(line.end(), 2 * 8000, 0);
    const fs::path wav = root_ / "prompt.wav";
    writeMonoWav(wav, line);

    for (const bool preRoll : {true, false}) {
        UdpSink sink;
        writeSettings(sink.port());
        if (!preRoll) {
            std::ofstream(home() / "ConfigGlobal.ini", std::ios::app) << "PreRoll=0\n";
        }
        fs::remove_all(home() / "MP3");
        const RunResult run = runProgram(
            KOVRA_PLUGIN,
            plugin({"--fast", "--start-time", "2026-01-01", "--input", "1=" + wav.string()}), env(),
            root_ / "plugin.err", 60s);
        ASSERT_EQ(run.exitCode, 0) << run.stderrText;
        const std::vector<fs::path> files = recordingsUnder(home());
        ASSERT_EQ(files.size(), 1U) << "one recording";
        const fs::path file = files.front();
        const std::vector<double> recorded = mp3At8k(file);
        const double match = bestMatch(firstWords, recorded, 3 * 8000);
        if (preRoll) {
            EXPECT_GT(match, 0.6) << "the first 300 ms are in " << file;
            // The file as written: its length counts the pre-roll. The start rule fires 0.5
            // to 1.5 s after the first word (at 3 s), the file begins 2 s before that.
            EXPECT_NEAR(mp3Length(file), static_cast<double>(line.size()) / 8000 - 2.0, 0.7);
        } else {
            EXPECT_LT(match, 0.55) << "without the pre-roll the file starts after them";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TelephonePrompts, RecordingStart,
                         ::testing::Values(SpeechCase{{"demo-congrats"}, -6},
                                           SpeechCase{{"priv-callee-options"}, -13},
                                           SpeechCase{{"basic-pbx-ivr-main"}, -20}));

}  // namespace
}  // namespace kovra::e2e
