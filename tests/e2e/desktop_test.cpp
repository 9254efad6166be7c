// kovra-plugin on a desktop: a private X server (Xvfb) with a tray host (trayer), the
// program on a WAV file with its windows, driven as a person would with the mouse and
// keyboard (xdotool): open pair 1 from the tray icon, rename line 1, press Enter ("Ok"),
// and see the next call recorded under the new name.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "e2e_support.h"
#include "process_runner.h"

namespace kovra::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Output of a short command on display (bounded by timeout(1)); empty on failure.
std::string output(const std::string& display, const std::string& command) {
    return commandOutput("env DISPLAY=" + display + " " + command);
}

// The first window id xdotool finds, waiting up to limit.
std::optional<std::string> waitForWindow(const std::string& display, const std::string& search,
                                         std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        const std::string ids = output(display, "xdotool search --onlyvisible " + search);
        if (!ids.empty()) {
            return ids.substr(0, ids.find('\n'));
        }
        std::this_thread::sleep_for(100ms);
    }
    return std::nullopt;
}

// An X server of our own on a display number nobody uses, with a tray host on it.
class PrivateDesktop {
  public:
    PrivateDesktop(const fs::path& logs, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        for (int n = 90; n < 200; ++n) {
            if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
                !fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) {
                number_ = n;
                break;
            }
        }
        display_ = ":" + std::to_string(number_);
        server_ = std::make_unique<ChildProcess>(
            "/usr/bin/Xvfb",
            std::vector<std::string>{display_, "-screen", "0", "1280x900x24", "-nolisten", "tcp"},
            std::vector<std::string>{}, logs / "xvfb.err");
        while (Clock::now() < end && !fs::exists("/tmp/.X11-unix/X" + std::to_string(number_))) {
            std::this_thread::sleep_for(50ms);
        }
        tray_ = std::make_unique<ChildProcess>(
            "/usr/bin/trayer",
            std::vector<std::string>{"--edge", "top", "--align", "right", "--widthtype", "request",
                                     "--height", "24"},
            std::vector<std::string>{"DISPLAY=" + display_}, logs / "trayer.err");
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        ready_ = waitForWindow(display_, "--class trayer", std::max(rest, 500ms)).has_value();
    }
    ~PrivateDesktop() {
        for (auto* child : {tray_.get(), server_.get()}) {
            if (child != nullptr && child->running()) {
                child->signal(SIGTERM);
                child->wait(5s);
            }
        }
    }
    bool ready() const { return ready_; }
    const std::string& display() const { return display_; }

  private:
    int number_ = 0;
    std::string display_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> tray_;
    bool ready_ = false;
};

// Waits up to limit for an event text containing part, among what the sink has received.
std::optional<std::string> waitForEvent(UdpSink& sink, const std::string& part,
                                        std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    do {
        for (const std::string& datagram : sink.datagrams()) {
            const std::string text = eventText(datagram);
            if (text.find(part) != std::string::npos) {
                return text;
            }
        }
        std::this_thread::sleep_for(100ms);
    } while (Clock::now() < end);
    return std::nullopt;
}

// What is left of the test's 28 seconds, at most limit: every wait shares one budget.
class Budget {
  public:
    std::chrono::milliseconds left(std::chrono::milliseconds limit) const {
        const auto rest =
            std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
        return std::clamp(rest, std::chrono::milliseconds{0}, limit);
    }

  private:
    Clock::time_point end_ = Clock::now() + 28s;
};

TEST(Desktop, ARenameAppliedInThePairWindowNamesTheNextRecording) {
    const Budget budget;
    if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/trayer") ||
        !fs::exists("/usr/bin/xdotool")) {
        GTEST_SKIP() << "Xvfb, trayer and xdotool are installed by scripts/setup";
    }
    const fs::path root =
        fs::temp_directory_path() / ("kovra-desktop-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "home");
    fs::create_directories(root / "run");
    std::ofstream(root / "call.txt") << R"(silence 2s
ring 1
silence 1s
fsk number=1123456789 name="OFICINA CENTRAL" datetime=12101405
silence 2s
ring 1
silence 1s
speech 20s
)";
    ASSERT_EQ(
        runProgram(KOVRA_LINESIM, {(root / "call.wav").string(), (root / "call.txt").string()}, {},
                   root / "linesim.err", 30s)
            .exitCode,
        0);
    UdpSink sink;
    std::ofstream(root / "home" / "ConfigGlobal.ini")
        << "[GLOBAL]\nDDDLocal=11\n[LINHAS_1e2]\nTCP/IP_L1=1\nTCP/IP_L2=0\n"
        << "LocalPort1=" << freePort() << "\nLocalPort2=" << freePort() << "\n"
        << "RemotePort1=" << sink.port() << "\nchkSameIP1=1\nCheckAutoRec=1\nCBTipoAdp=1\n";

    // A one-line adapter, as the mono file is: no restart notice after "Ok".
    std::ofstream(root / "home" / "Config.ini") << "[LINHAS_1e2]\nQTDLinha=1\n";
    PrivateDesktop desktop(root, budget.left(8s));
    ASSERT_TRUE(desktop.ready()) << "the X server or the tray host did not start";
    ChildProcess plugin(
        KOVRA_PLUGIN,
        {"--home", (root / "home").string(), "--input", "1=" + (root / "call.wav").string()},
        {"DISPLAY=" + desktop.display(), "QT_QPA_PLATFORM=xcb",
         "KOVRA_RUNTIME_DIR=" + (root / "run").string()},
        root / "plugin.err");

    // A double click on the tray icon opens pair 1's window.
    const auto icon = waitForWindow(desktop.display(), "--class kovra-plugin", budget.left(6s));
    ASSERT_TRUE(icon) << "no tray icon";
    output(desktop.display(),
           "xdotool mousemove --window " + *icon + " 8 8 click --repeat 2 --delay 100 1");
    const auto window = waitForWindow(desktop.display(), "--name 'Linhas 1 e 2'", budget.left(6s));
    ASSERT_TRUE(window) << "the pair window did not open";
    // The window opens with the first line name in focus; Enter is "Ok".
    output(desktop.display(), "xdotool windowfocus --sync " + *window + " key ctrl+a type Recep");
    output(desktop.display(), "xdotool key Return");

    const auto start = waitForEvent(sink, "L1_REC_FILE_START->", budget.left(20s));
    plugin.signal(SIGTERM);
    const RunResult end = plugin.wait(std::max(budget.left(10s), 2000ms));
    ASSERT_TRUE(start) << "no recording started; " << end.stderrText;
    EXPECT_NE(start->find("Linha1(Recep)"), std::string::npos) << *start;
    EXPECT_EQ(end.exitCode, 0) << end.stderrText;
    std::ifstream global(root / "home" / "ConfigGlobal.ini");
    const std::string stored((std::istreambuf_iterator<char>(global)), {});
    EXPECT_NE(stored.find("LineName1=Recep"), std::string::npos) << stored;
    fs::remove_all(root);
}

}  // namespace
}  // namespace kovra::e2e
