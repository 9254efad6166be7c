// kovra-plugin: the line monitor. Single instance; "-REBOOT" as first argument ends the
// running instance first; "-D" as second shows the diagnostics page.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <thread>

#include "app/component_check.h"
#include "app/program.h"
#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/wav_file_reader.h"
#include "platform/log.h"
#include "platform/qt_event_loop.h"
#include "platform/simulated_event_loop.h"

namespace {

using namespace kovra;

constexpr int kUsageError = 2;
constexpr int kRestartAttempts = 10;
constexpr const char* kInstanceClass = "TFormKovraPlugInFSK";
constexpr const char* kInstanceTitle = "FormKovraPlugInFSK";

// Waits for SIGTERM / SIGINT (log-off, service stop, Ctrl-C) on its own thread and asks
// the program, on its loop, for the orderly end.
class SignalWatcher {
  public:
    SignalWatcher(EventLoop& loop, Program& program)
        : thread_([this, &loop, &program] {
              sigset_t set;
              sigemptyset(&set);
              sigaddset(&set, SIGTERM);
              sigaddset(&set, SIGINT);
              const timespec tick{0, 200'000'000};
              while (!stop_) {
                  if (sigtimedwait(&set, nullptr, &tick) > 0) {
                      loop.post([&program] { program.requestExit(0); });
                  }
              }
          }) {}
    ~SignalWatcher() {
        stop_ = true;
        thread_.join();
    }

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void blockExitSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// The restart switch and the diagnostics switch are positional, as they always were.
std::vector<std::string> takePositionalSwitches(int argc, char** argv, ProgramOptions& options) {
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i == 1 && arg == "-REBOOT") {
            options.reboot = true;
        } else if (i == 2 && arg == "-D") {
            options.diagnostics = true;
        } else {
            rest.push_back(arg);
        }
    }
    return rest;
}

std::unique_ptr<InstanceLock> takeInstance(bool reboot) {
    auto lock = std::make_unique<InstanceLock>(InstanceLock::defaultFolder(), kInstanceClass,
                                               kInstanceTitle);
    if (!reboot) {
        return lock->tryAcquire() ? std::move(lock) : nullptr;
    }
    for (int attempt = 0; attempt < kRestartAttempts; ++attempt) {
        if (lock->tryAcquire()) {
            return lock;
        }
        if (const auto pid = lock->owner()) {
            killProgram(*pid);
        }
    }
    logLine(LogLevel::Error,
            "the running instance could not be ended (" + lock->path().string() + ")");
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    ProgramOptions options;
    std::vector<std::string> args = takePositionalSwitches(argc, argv, options);

    CLI::App cli{"kovra-plugin: telephone line monitor"};
    std::vector<std::string> inputs;
    std::string home;
    cli.add_flag("--headless", options.headless, "run without windows");
    cli.add_option("--home", home, "program folder (settings, logs, recordings)");
    cli.add_option("--input", inputs, "P=FILE.wav: pair P hears a WAV file instead of its card");
    cli.add_flag("--fast", options.fast, "play input files as fast as possible, on audio time");
    try {
        std::reverse(args.begin(), args.end());
        cli.parse(args);
    } catch (const CLI::ParseError& error) {
        return cli.exit(error) == 0 ? 0 : kUsageError;
    }

    options.home = home.empty() ? executablePath().parent_path() : std::filesystem::path(home);
    std::error_code error;
    options.home = std::filesystem::absolute(options.home, error);
    if (!std::filesystem::is_directory(options.home)) {
        std::cerr << "kovra-plugin: program folder " << options.home << " does not exist\n";
        return kUsageError;
    }
    for (const std::string& input : inputs) {
        const auto eq = input.find('=');
        int pair = 0;
        if (eq == 1 && input[0] >= '1' && input[0] <= '3') {
            pair = input[0] - '0';
        }
        if (pair == 0 || eq + 1 >= input.size()) {
            std::cerr << "kovra-plugin: --input takes P=FILE.wav with P 1, 2 or 3, not '" << input
                      << "'\n";
            return kUsageError;
        }
        const std::filesystem::path file = input.substr(eq + 1);
        try {
            const WavFileReader reader(file, DetectorCapture::kSampleRate);
            options.inputs[pair] = {std::filesystem::absolute(file), reader.channels()};
        } catch (const std::exception& e) {
            std::cerr << "kovra-plugin: cannot read input " << file << ": " << e.what() << "\n";
            return kUsageError;
        }
    }
    if (options.fast && options.inputs.empty()) {
        std::cerr << "kovra-plugin: --fast plays input files; give at least one --input\n";
        return kUsageError;
    }
    if (!options.headless) {
        logLine(LogLevel::Info, "this build has no desktop windows; running headless");
    }

    std::unique_ptr<InstanceLock> lock;
    try {
        lock = takeInstance(options.reboot);
    } catch (const std::exception& e) {
        std::cerr << "kovra-plugin: " << e.what() << "\n";
        return 1;
    }
    if (!lock) {
        return 0;  // another instance runs: end without a word
    }
    installTerminateRequestHandler();

    if (!options.reboot) {
        const auto missing = missingComponents(requiredComponents());
        if (!missing.empty()) {
            HeadlessUserInterface ui;
            ui.messageBox("Falta bibliotecas...", missingComponentsMessage(requiredComponents()),
                          MessageIcon::Error, MessageButtons::Ok);
            return 1;
        }
    }

    blockExitSignals();
    int code = 0;
    if (options.fast) {
        SimulatedEventLoop loop;
        FastAudioDriver driver(loop);
        Program program(options, loop, &driver, std::move(lock));
        SignalWatcher signals(loop, program);
        program.start();
        code = driver.run();
    } else {
        QtEventLoop loop;
        Program program(options, loop, nullptr, std::move(lock));
        SignalWatcher signals(loop, program);
        program.start();
        code = loop.run();
    }
    return code;
}
