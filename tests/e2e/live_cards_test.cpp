// kovra-plugin in real time on three virtual sound cards of a private sound server: a call
// (ring, FSK caller ID, speech) played into each card, its events on the wire, one
// recording per call made from the pair's own card, and the capture volume the program
// sets on each card read back from the server.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "e2e_support.h"
#include "process_runner.h"
#include "sound_server.h"
#include "temp_folder.h"

namespace kovra::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kPairs = 3;
const std::array<std::string, kPairs> kCards = {"kovra_live12", "kovra_live34", "kovra_live56"};
// Each call carries a steady tone of its own between its words: a recording made from
// another pair's card would carry that card's tone.
const std::array<int, kPairs> kMarkerHz = {1550, 1950, 2450};
// Volume stored for each pair; pair 2 also adjusts it on a dial tone (AutoVolume).
const std::array<int, kPairs> kStoredVolume = {90, 70, 95};

std::string pairSection(int pair) {
    return "LINHAS_" + std::to_string(2 * pair - 1) + "e" + std::to_string(2 * pair);
}

// An incoming call; pair 2's line first gives a quiet dial tone (-20 dBFS), which the
// automatic volume answers by raising the card's capture volume. The conversation mixes
// speech with the card's own tone, so any recording of it holds that tone, however late
// it started; its pauses are long enough for the automatic start on a busy machine.
std::string callScript(int pair) {
    std::string s = pair == 2 ? "dialtone 1500ms level=-20\n" : "";
    s += "ring 1\nsilence 500ms\nfsk number=11234567" + std::to_string(pair) +
         std::to_string(pair) + " datetime=12101405\nsilence 500ms\n";
    for (int i = 0; i < 5; ++i) {
        s += "speech 500ms level=-15 seed=" + std::to_string(10 * pair + i) +
             "\ntone 600ms freq=" + std::to_string(kMarkerHz[static_cast<std::size_t>(pair - 1)]) +
             " level=-15\nsilence 900ms\n";
    }
    return s;
}

// Power of one frequency in the loudest 200 ms block of the first channel: a steady tone
// stands out there, the moving harmonics of speech do not.
double loudestBlockPower(const DecodedMp3& mp3, double hz) {
    const std::size_t block = static_cast<std::size_t>(mp3.rate / 5);
    const std::size_t frames = mp3.samples.size() / static_cast<std::size_t>(mp3.channels);
    const double w = 2.0 * std::cos(2.0 * M_PI * hz / static_cast<double>(mp3.rate));
    double loudest = 0;
    for (std::size_t start = 0; start + block <= frames; start += block) {
        double s1 = 0;
        double s2 = 0;
        for (std::size_t i = 0; i < block; ++i) {
            const double x =
                mp3.samples[(start + i) * static_cast<std::size_t>(mp3.channels)] / 32768.0;
            const double s0 = x + w * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        loudest = std::max(loudest, s1 * s1 + s2 * s2 - w * s1 * s2);
    }
    return loudest;
}

double wavSeconds(const fs::path& wav) {
    // 16-bit mono from kovra-linesim at 8000 Hz, 44-byte header.
    return static_cast<double>(fs::file_size(wav) - 44) / (2.0 * 8000.0);
}

class LiveCardsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "home");
        fs::create_directories(root_ / "run");
        std::string why;
        server_ = test::SoundServer::start({kCards.begin(), kCards.end()}, why);
        if (!server_) {
            GTEST_SKIP() << "no sound server: " << why;
        }
    }
    void TearDown() override { server_.reset(); }
    fs::path home() const { return root_ / "home"; }

    // The three calls, rendered side by side.
    std::array<fs::path, kPairs> makeCalls() {
        std::array<fs::path, kPairs> wavs;
        std::vector<std::unique_ptr<ChildProcess>> writers;
        for (int p = 1; p <= kPairs; ++p) {
            const std::string name = "call" + std::to_string(p);
            std::ofstream(root_ / (name + ".txt")) << callScript(p);
            wavs[static_cast<std::size_t>(p - 1)] = root_ / (name + ".wav");
            writers.push_back(std::make_unique<ChildProcess>(
                KOVRA_LINESIM,
                std::vector<std::string>{(root_ / (name + ".wav")).string(),
                                         (root_ / (name + ".txt")).string()},
                std::vector<std::string>{}, root_ / (name + ".err")));
        }
        for (auto& writer : writers) {
            const RunResult r = writer->wait(60s);
            EXPECT_EQ(r.exitCode, 0) << r.stderrText;
        }
        return wavs;
    }

    // Each pair on its card (by name; the position only says a card is chosen), one line
    // on the input, the odd line relayed to the sink, automatic recording. The short
    // capture buffer gives 100 level reports, after which the stored volume is applied,
    // in 6.4 s of audio.
    void writeSettings(int sinkPort) {
        std::ofstream config(home() / "Config.ini");
        std::ofstream global(home() / "ConfigGlobal.ini");
        global << "[GLOBAL]\nDDDLocal=11\n";
        for (int p = 1; p <= kPairs; ++p) {
            const auto i = static_cast<std::size_t>(p - 1);
            config << "[" << pairSection(p) << "]\nDeviceName=" << kCards[i]
                   << "\nSelectIndexDevice=0\n"
                   << (p == 1 ? "" : "QTDLinha=1\n");
            global << "[" << pairSection(p)
                   << "]\nTCP/IP_L1=1\nTCP/IP_L2=0\nLocalPort1=" << freePort()
                   << "\nLocalPort2=" << freePort() << "\nRemotePort1=" << sinkPort
                   << "\nchkSameIP1=1\nCheckAutoRec=1\nSpinMin=5\nVolume=" << kStoredVolume[i]
                   << "\nAutoVolume=" << (p == 2 ? 1 : 0) << "\nBufferRecord=2\n"
                   << (p == 1 ? "CBTipoAdp=0\n" : "");
        }
    }

    test::TempFolder temp_{"kovra-live"};
    const fs::path root_ = temp_.path();
    std::unique_ptr<test::SoundServer> server_;
};

std::vector<std::string> texts(UdpSink& sink) {
    std::vector<std::string> out;
    for (const std::string& d : sink.datagrams()) {
        out.push_back(eventText(d));
    }
    return out;
}

bool has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::vector<std::string> withPrefix(const std::vector<std::string>& texts,
                                    const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& t : texts) {
        if (t.rfind(prefix, 0) == 0) {
            out.push_back(t.substr(prefix.size()));
        }
    }
    return out;
}

TEST_F(LiveCardsTest, EachPairHearsRecordsAndSetsTheVolumeOfItsOwnCard) {
    const std::array<fs::path, kPairs> calls = makeCalls();
    double longest = 0;
    for (const fs::path& call : calls) {
        longest = std::max(longest, wavSeconds(call));
    }
    UdpSink sink;
    writeSettings(sink.port());
    std::vector<std::string> env = server_->environment();
    env.push_back("KOVRA_RUNTIME_DIR=" + (root_ / "run").string());
    ChildProcess plugin(KOVRA_PLUGIN, {"--headless", "--home", home().string()}, env,
                        root_ / "plugin.err");

    // Each pair describes its line once its card is applied and its capture runs.
    const auto started = [&] {
        const auto t = texts(sink);
        return has(t, "L1_SOURCE->") && has(t, "L3_SOURCE->") && has(t, "L5_SOURCE->");
    };
    for (int i = 0; i < 100 && !started() && plugin.running(); ++i) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(started()) << "the pairs did not start on their cards";
    for (int p = 1; p <= kPairs; ++p) {
        const auto i = static_cast<std::size_t>(p - 1);
        ASSERT_TRUE(server_->playInBackground(kCards[i], calls[i]));
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(longest + 0.8));
    std::array<int, kPairs> volumes{};
    for (int p = 1; p <= kPairs; ++p) {
        volumes[static_cast<std::size_t>(p - 1)] =
            server_->captureVolumePercent(kCards[static_cast<std::size_t>(p - 1)]);
    }
    plugin.signal(SIGTERM);
    const RunResult run = plugin.wait(15s);
    ASSERT_EQ(run.exitCode, 0) << run.stderrText;
    std::this_thread::sleep_for(100ms);
    const std::vector<std::string> events = texts(sink);
    std::string all;
    for (const std::string& e : events) {
        all += e.empty() ? "" : e + "\n";
    }
    SCOPED_TRACE("events:\n" + all + "plugin:\n" + run.stderrText);

    // The line descriptions name each pair's card and a capture device of its own; the
    // input is the system's choice on this platform, so none is named.
    std::vector<std::string> deviceIds;
    for (int p = 1; p <= kPairs; ++p) {
        const std::string line = "L" + std::to_string(2 * p - 1);
        EXPECT_TRUE(has(events, line + "_SOUND_BOARD->" + kCards[static_cast<std::size_t>(p - 1)]))
            << line;
        const auto ids = withPrefix(events, line + "_DEVICE_ID->");
        ASSERT_EQ(ids.size(), 1U) << line;
        EXPECT_GE(std::stoi(ids[0]), 0) << line;
        deviceIds.push_back(ids[0]);
    }
    std::sort(deviceIds.begin(), deviceIds.end());
    EXPECT_EQ(std::unique(deviceIds.begin(), deviceIds.end()), deviceIds.end())
        << "each pair has a capture device of its own";

    for (int p = 1; p <= kPairs; ++p) {
        const auto i = static_cast<std::size_t>(p - 1);
        const std::string line = "L" + std::to_string(2 * p - 1);
        const std::string digits = std::to_string(p) + std::to_string(p);
        EXPECT_TRUE(has(events, line + "_RING_COUNT->1")) << line;
        EXPECT_TRUE(has(events, line + "_NUMBER_FORMAT_FSK->1(11)12345-67" + digits)) << line;
        const auto starts = withPrefix(events, line + "_REC_FILE_START->");
        const auto stops = withPrefix(events, line + "_REC_FILE_STOP->");
        // Live audio lags the wall clock on a loaded machine: the caller ID's tones may pass
        // for speech long enough to start a recording before the message is decoded, and the
        // caller ID stops it and the call's own recording follows, named by its kind only
        // (the number has gone to the line's reserve). Never more than that.
        ASSERT_GE(starts.size(), 1U) << line;
        ASSERT_LE(starts.size(), 2U) << line;
        // Pair 1 alone reports the kept file (a short first recording is deleted unreported).
        EXPECT_EQ(stops.size(), p == 1 ? 1U : 0U) << line;
        const fs::path file = starts.back().substr(0, starts.back().find('#'));
        EXPECT_NE(file.filename().string().find(starts.size() == 1 ? "(11)12345-67" + digits
                                                                   : std::string("RECEBIDA")),
                  std::string::npos)
            << file;
        ASSERT_TRUE(fs::exists(file)) << file;

        // The recording holds this card's marker tone, not another card's.
        const DecodedMp3 mp3 = decodeMp3(file);
        ASSERT_GT(mp3.samples.size(), 0U) << file;
        const double own = loudestBlockPower(mp3, kMarkerHz[i]);
        for (std::size_t other = 0; other < kPairs; ++other) {
            if (other != i) {
                EXPECT_GT(own, 10 * loudestBlockPower(mp3, kMarkerHz[other]))
                    << file << " holds the tone of " << kCards[other];
            }
        }
    }

    // The stored volume reached each card; pair 2 raised its own on the quiet dial tone.
    EXPECT_EQ(volumes[0], kStoredVolume[0]);
    EXPECT_GT(volumes[1], kStoredVolume[1] + 3);
    EXPECT_EQ(volumes[2], kStoredVolume[2]);
}

// What a user on a headless machine picks a card with: the cards by position and name, and
// the card each pair takes.
TEST_F(LiveCardsTest, ListDevicesNamesTheCardsAndEachPairsCard) {
    std::ofstream(home() / "Config.ini")
        << "[LINHAS_3e4]\nDeviceName=" << kCards[2] << "\nSelectIndexDevice=0\n";
    std::string command = "env";
    for (const std::string& e : server_->environment()) {
        command += " '" + e + "'";
    }
    command += std::string(" '") + KOVRA_PLUGIN + "' --list-devices --home '" + home().string() +
               "' 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    ASSERT_EQ(::pclose(pipe), 0) << out;
    for (const std::string& card : kCards) {
        EXPECT_NE(out.find("  " + card + "\n       recording inputs: 0 Capture\n"),
                  std::string::npos)
            << out;
    }
    EXPECT_NE(out.find("pair 1 (lines 1 and 2, [LINHAS_1e2]): no card chosen"), std::string::npos)
        << out;
    EXPECT_NE(out.find("pair 2 (lines 3 and 4, [LINHAS_3e4]): " + kCards[2] + " (position"),
              std::string::npos)
        << out;
}

}  // namespace
}  // namespace kovra::e2e
