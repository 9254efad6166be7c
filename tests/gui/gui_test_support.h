// What the window tests share: Qt on its offscreen platform, a user interface that
// records boxes and answers as told, and one line pair composed as the program does.
#pragma once

#include <QApplication>
#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/line_pair.h"
#include "app/pair_services.h"
#include "app/startup_values.h"
#include "app/watchdog.h"
#include "platform/simulated_event_loop.h"
#include "settings/config_files.h"

namespace kovra::gui::testing {

// The application object of the test program, on the offscreen platform unless a
// program made its own first.
QApplication& application();

struct Box {
    std::string title;
    std::string text;
    MessageIcon icon;
};

class ScriptedUserInterface final : public UserInterface {
  public:
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override {
        boxes.push_back({title, text, icon});
        return buttons == MessageButtons::YesNo ? yesNoAnswer : defaultAnswer(buttons);
    }
    void beep() override {}
    void setTrayIconVisible(bool visible) override { trayIcon.push_back(visible); }

    MessageAnswer yesNoAnswer = MessageAnswer::No;
    std::vector<Box> boxes;
    std::vector<bool> trayIcon;
};

// The system's sound cards as a pair sees them, and the choices of the other pairs.
struct RigCards {
    mixer::MixerBackend* mixer = nullptr;  // null: no sound-card model (as a file input)
    int windowsVersionCode = 10;
    std::array<std::string, 3> deviceInUse;
};

// A fresh program folder with one pair in it (pair p), its settings read.
class PairRig {
  public:
    explicit PairRig(int pair, bool diagnostics = false,
                     const std::map<std::string, std::string>& globalSection = {},
                     RigCards cards = {});
    ~PairRig();

    LinePair& pair() { return *pair_; }
    // DeviceInUse of the three pairs.
    std::array<std::string, 3>& deviceInUse() { return deviceInUse_; }
    const std::filesystem::path& home() const { return home_; }
    // "section/key" -> value of every key in a settings file.
    std::map<std::string, std::string> keys(const std::string& file) const;

    SimulatedEventLoop loop;
    ScriptedUserInterface ui;

  private:
    std::filesystem::path home_;
    std::unique_ptr<settings::ConfigFiles> files_;
    StartupValues values_;
    std::unique_ptr<ErrorLogs> errors_;
    line::LineGlobals globals_;
    relay::control::HostIdentity host_;
    std::unique_ptr<PrivacyList> privacy_;
    Watchdog watchdog_{[](const std::string&) {}};
    std::array<std::string, 3> deviceInUse_;
    std::unique_ptr<PairServices> services_;
    std::unique_ptr<LinePair> pair_;
};

}  // namespace kovra::gui::testing
