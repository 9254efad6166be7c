// The running monitor: the shared services, the three pairs created in their order, the
// watchdog, the exit sequence, and the end of a file run. Loop thread only, except
// requestExit(), which may be posted from a signal-watching thread.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/companion_program.h"
#include "app/desktop.h"
#include "app/error_logs.h"
#include "app/line_pair.h"
#include "app/pair_services.h"
#include "app/startup_values.h"
#include "app/watchdog.h"
#include "platform/headless_user_interface.h"
#include "platform/mixer/mixer_backend.h"
#include "platform/process/instance_lock.h"
#include "platform/timer.h"
#include "recording/privacy_list.h"
#include "relay/control/host_identity.h"
#include "settings/config_files.h"

namespace kovra {

struct ProgramOptions {
    bool reboot = false;       // "-REBOOT": the old instance is ended first
    bool diagnostics = false;  // "-D": the diagnostics page (windows only)
    bool headless = false;
    bool fast = false;                       // file input on simulated time
    std::optional<TimePoint> fileTimeStart;  // --start-time: the clock of a --fast run
    std::filesystem::path home;
    // --input P=FILE.wav, with the file's channel count.
    std::map<int, std::pair<std::filesystem::path, int>> inputs;
};

class Program {
  public:
    // After the input files ran out, how long recordings get to stop and settle (the
    // retention step runs one second after a stop) before the exit sequence.
    static constexpr Millis kSettleTime{3000};

    // desktop: the windows of a desktop run, or null for a headless one; it outlives
    // the program.
    Program(const ProgramOptions& options, EventLoop& loop, FastAudioDriver* fast,
            std::unique_ptr<InstanceLock> lock, Desktop* desktop = nullptr);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates the pairs and starts them (each two seconds later, as a pair starts).
    void start();
    // The orderly end ("Sair", log-off): recordings finish, DISABLED events, folders.
    // Ends the loop with code.
    void requestExit(int code = 0);

    LinePair* linePair(int pair) { return pairs_.at(static_cast<std::size_t>(pair - 1)).get(); }

  private:
    void WatchDogTimerTimer();
    void detectorFailure(const std::string& message);
    // A run on input files: it ends when they do, and never restarts itself.
    bool fileRun() const { return !options_.inputs.empty(); }
    void cardRefused(int pair, const std::string& device);
    void onEndOfInput();
    void finishRecordingsThenExit(int code);
    void exitSequence(int code);
    void openPairWindow(int pair);

    ProgramOptions options_;
    EventLoop& loop_;
    FastAudioDriver* fast_;
    std::unique_ptr<InstanceLock> lock_;
    StartupValues values_;
    Desktop* desktop_;
    HeadlessUserInterface headlessUi_;
    UserInterface& ui_;
    CompanionProgram companion_;
    settings::ConfigFiles files_;
    ErrorLogs errors_;
    line::LineGlobals globals_;
    relay::control::HostIdentity host_;
    PrivacyList privacy_;
    std::array<std::string, 3> deviceInUse_;
    Watchdog watchdog_;
    std::unique_ptr<mixer::MixerBackend> mixer_;  // the system's mixers; none in a file run
    std::unique_ptr<PairServices> services_;
    std::array<std::unique_ptr<LinePair>, 3> pairs_;
    Timer watchDogTimer_;
    bool exiting_ = false;
};

}  // namespace kovra
