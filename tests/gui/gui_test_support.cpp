#include "gui_test_support.h"

#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

namespace kovra::gui::testing {

QApplication& application() {
    if (auto* running = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return *running;  // the screenshot program's, on a real display
    }
    // Set before the application exists: no display is needed.
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // Kept to the end of the process: destroyed among the static objects, after Qt's
    // own, it would crash the test program on its way out.
    static QApplication* const app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto made = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return made.release();
    }();
    return *app;
}

namespace {

std::filesystem::path freshFolder() {
    std::random_device random;
    const auto path = std::filesystem::temp_directory_path() /
                      ("kovra-gui-" + std::to_string(getpid()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path);
    return path;
}

}  // namespace

PairRig::PairRig(int pair, bool diagnostics,
                 const std::map<std::string, std::string>& globalSection, RigCards cards)
    : home_(freshFolder()),
      values_(makeStartupValues(readPlatformVersion())),
      deviceInUse_(cards.deviceInUse) {
    globals_.WindowsVersionCode = cards.windowsVersionCode;
    application();
    if (!globalSection.empty()) {
        std::ofstream global(home_ / "ConfigGlobal.ini");
        const int odd = 2 * pair - 1;
        global << "[LINHAS_" << odd << "e" << odd + 1 << "]\r\n";
        for (const auto& [key, value] : globalSection) {
            global << key << "=" << value << "\r\n";
        }
    }
    files_ = std::make_unique<settings::ConfigFiles>(home_, home_);
    errors_ = std::make_unique<ErrorLogs>(home_, "kovra-plugin", values_, loop.now());
    privacy_ = std::make_unique<PrivacyList>(files_->privacy().path());
    std::string error;
    services_ = std::make_unique<PairServices>(
        PairServices{loop,
                     ui,
                     *files_,
                     globals_,
                     host_,
                     *privacy_,
                     LameLibrary::load(LameLibrary::kDefaultName, error),
                     watchdog_,
                     *errors_,
                     nullptr,
                     deviceInUse_,
                     {},
                     {},
                     {},
                     {},
                     cards.mixer,
                     {},
                     diagnostics});
    pair_ = std::make_unique<LinePair>(pair, *services_, PairInput{});
}

PairRig::~PairRig() {
    pair_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
}

std::map<std::string, std::string> PairRig::keys(const std::string& file) const {
    std::map<std::string, std::string> result;
    std::ifstream in(home_ / file);
    std::string line;
    std::string section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() > 1 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            result[section + "/" + line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return result;
}

}  // namespace kovra::gui::testing
