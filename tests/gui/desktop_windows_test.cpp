// The windows the pairs share on a real X server (Xvfb, started here), opened from the
// buttons of a pair window the desktop shell made: each seen mapped by the X server and
// closed with Esc typed through it (xdotool).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "../e2e/process_runner.h"
#include "gui/desktop_shell.h"
#include "gui_test_support.h"

namespace kovra::gui {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs the application's events until the X server shows (or stops showing) a window
// whose name matches the pattern title (a regular expression), up to limit.
bool waitForWindow(const std::string& title, bool shown, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        QApplication::processEvents();
        const bool found =
            !e2e::commandOutput("xdotool search --onlyvisible --name \"" + title + "\"").empty();
        if (found == shown) {
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void pressEscapeIn(const std::string& title) {
    const std::string id =
        e2e::commandOutput("xdotool search --onlyvisible --name \"" + title + "\"");
    e2e::commandOutput("xdotool windowfocus --sync " + id.substr(0, id.find('\n')) + " key Escape");
}

class DesktopWindows : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!fs::exists("/usr/bin/Xvfb") || !fs::exists("/usr/bin/xdotool")) {
            return;
        }
        int number = 0;
        for (int n = 120; n < 240; ++n) {
            if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
                !fs::exists("/tmp/.X" + std::to_string(n) + "-lock")) {
                number = n;
                break;
            }
        }
        const std::string display = ":" + std::to_string(number);
        server_ = std::make_unique<e2e::ChildProcess>(
            "/usr/bin/Xvfb",
            std::vector<std::string>{display, "-screen", "0", "1280x900x24", "-nolisten", "tcp"},
            std::vector<std::string>{}, fs::temp_directory_path() / "kovra-gui-xvfb.err");
        const auto end = Clock::now() + 10s;
        while (Clock::now() < end && !fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
            QThread::msleep(50);
        }
        if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(number))) {
            return;
        }
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        static int argc = 1;
        static char name[] = "gui_desktop_tests";
        static char* argv[] = {name, nullptr};
        // Kept to the end of the process, as the offscreen tests keep theirs.
        app_ = std::make_unique<QApplication>(argc, argv).release();
        QApplication::setQuitOnLastWindowClosed(false);
    }
    static void TearDownTestSuite() {
        if (server_ && server_->running()) {
            server_->signal(SIGTERM);
            server_->wait(5s);
        }
    }
    void SetUp() override {
        if (app_ == nullptr) {
            GTEST_SKIP() << "Xvfb and xdotool are installed by scripts/setup";
        }
    }

    static inline std::unique_ptr<e2e::ChildProcess> server_;
    static inline QApplication* app_ = nullptr;
};

TEST_F(DesktopWindows, EachSharedWindowOpensOnTheDesktopAndEscClosesIt) {
    testing::PairRig rig(2);
    DesktopShell shell;
    shell.attach({nullptr, &rig.pair(), nullptr}, {});
    PairWindow& window = *shell.pairWindow(2);
    window.openFromMenu();
    ASSERT_TRUE(waitForWindow("Linhas 3 e 4\\]$", true, 5s)) << "the pair window";

    window.findChild<QAbstractButton*>("PanelTCP")->click();
    window.findChild<QAbstractButton*>("CheckTexto")->click();
    window.findChild<QAbstractButton*>("btGeraTexto")->click();
    EXPECT_TRUE(waitForWindow("^FormConfigTexto$", true, 5s)) << "the text-file dialog";
    pressEscapeIn("^FormConfigTexto$");
    EXPECT_TRUE(waitForWindow("^FormConfigTexto$", false, 5s));

    window.findChild<QAbstractButton*>("btIPAvanc2")->click();
    EXPECT_TRUE(waitForWindow("^Configurações de IP's Linha 4$", true, 5s)) << "the list window";
    pressEscapeIn("^Configurações de IP's Linha 4$");
    EXPECT_TRUE(waitForWindow("^Configurações de IP's Linha 4$", false, 5s));

    window.findChild<QAbstractButton*>("PanelRecord")->click();
    window.findChild<QAbstractButton*>("btPrivate")->click();
    EXPECT_TRUE(waitForWindow("^Lista de privacidade de gravações$", true, 5s))
        << "the privacy window";
    pressEscapeIn("^Lista de privacidade de gravações$");
    EXPECT_TRUE(waitForWindow("^Lista de privacidade de gravações$", false, 5s));
    shell.release();
}

}  // namespace
}  // namespace kovra::gui
