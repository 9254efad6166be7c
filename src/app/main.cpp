// kovra-plugin: the line monitor. Single instance; "-REBOOT" as first argument ends the
// running instance first; "-D" as second shows the diagnostics page.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string_view>

#include "app/component_check.h"
#include "app/desktop.h"
#include "app/program.h"
#include "audio/device_listing.h"
#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/wav_file_reader.h"
#include "platform/log.h"
#include "platform/mixer/alsa_mixer.h"
#include "platform/qt_event_loop.h"
#include "platform/simulated_event_loop.h"
#include "platform/system/exit_signals.h"
#include "settings/settings_access.h"

namespace {

using namespace kovra;

constexpr int kUsageError = 2;
constexpr int kRestartAttempts = 10;
constexpr const char* kInstanceClass = "TFormKovraPlugInFSK";
constexpr const char* kInstanceTitle = "FormKovraPlugInFSK";
constexpr std::string_view kRestartSwitch = "-REBOOT";

bool sameWordIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The restart switch and the diagnostics switch are positional, as they always were.
// Only "-REBOOT" exactly, as the first argument, is a restart; in any other spelling or
// place it is a normal start, as a start that is not the restart form always was.
std::vector<std::string> takePositionalSwitches(int argc, char** argv, ProgramOptions& options) {
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i == 1 && arg == kRestartSwitch) {
            options.reboot = true;
        } else if (i == 2 && arg == "-D") {
            options.diagnostics = true;
        } else if (sameWordIgnoringCase(arg, kRestartSwitch)) {
            logLine(LogLevel::Info, "'" + arg + "' is not the restart form: a normal start");
        } else {
            rest.push_back(arg);
        }
    }
    return rest;
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" ("T" may stand for the space),
// in local time, as the recording folders and names are.
std::optional<TimePoint> parseLocalTime(const std::string& text) {
    std::tm local{};
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    char separator = ' ';
    char rest = '\0';
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%c", &year, &month, &day,
                                   &separator, &hour, &minute, &second, &rest);
    const bool dateOnly = fields == 3;
    const bool withTime = (fields == 6 || fields == 7) && (separator == ' ' || separator == 'T');
    if (!(dateOnly || withTime) || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0) {
        return std::nullopt;
    }
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::tm asked = local;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1) || local.tm_mday != asked.tm_mday ||
        local.tm_mon != asked.tm_mon) {
        return std::nullopt;  // 2026-02-30 and the like
    }
    return std::chrono::system_clock::from_time_t(t);
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

// --list-devices: the cards as the pairs see them and each pair's stored choice. Reads
// the mixers and Config.ini; changes nothing, so it runs beside a running monitor.
int listDevices(const std::filesystem::path& home) {
    settings::ConfigFiles files(home);
    std::vector<audio::StoredCardChoice> pairs;
    for (int pair = 1; pair <= 3; ++pair) {
        const settings::SettingsAccess access(files, pair);
        pairs.push_back({pair, access.read(settings::keys::kDeviceName),
                         access.read(settings::keys::kSelectIndexDevice)});
    }
    mixer::AlsaMixer mixers;
    std::cout << audio::listDevices(mixers, pairs);
    return 0;
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
    bool listOnly = false;
    cli.add_flag("--list-devices", listOnly,
                 "print the sound cards, their recording inputs and each pair's card, and end");
    std::string startTime;
    cli.add_option("--start-time", startTime,
                   "with --fast: the local date and time at which the files start "
                   "(YYYY-MM-DD[ HH:MM[:SS]]; default: the moment the run starts)");
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
    if (listOnly) {
        return listDevices(options.home);
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
            requireLineAudio(reader);
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
    if (!startTime.empty()) {
        if (!options.fast) {
            std::cerr << "kovra-plugin: --start-time sets the clock of a --fast run; without "
                         "--fast the files play on the real clock\n";
            return kUsageError;
        }
        options.fileTimeStart = parseLocalTime(startTime);
        if (!options.fileTimeStart) {
            std::cerr << "kovra-plugin: --start-time takes YYYY-MM-DD[ HH:MM[:SS]], not '"
                      << startTime << "'\n";
            return kUsageError;
        }
    }
    if (!options.headless && options.fast) {
        // A --fast run plays on audio time, not on the desktop's clock.
        logLine(LogLevel::Info, "a --fast run has no windows; running headless");
        options.headless = true;
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
        // Without --start-time the files start now, as they would in real time.
        SimulatedEventLoop loop(options.fileTimeStart.value_or(std::chrono::system_clock::now()));
        FastAudioDriver driver(loop);
        Program program(options, loop, &driver, std::move(lock));
        ExitSignalWatcher signals([&] { loop.post([&program] { program.requestExit(0); }); });
        program.start();
        code = driver.run();
    } else {
        // The desktop (and its application object) outlives the loop and the program.
        std::unique_ptr<Desktop> desktop;
        if (!options.headless) {
            desktop = makeDesktop();
        }
        QtEventLoop loop;
        Program program(options, loop, nullptr, std::move(lock), desktop.get());
        ExitSignalWatcher signals([&] { loop.post([&program] { program.requestExit(0); }); });
        program.start();
        code = loop.run();
    }
    return code;
}
