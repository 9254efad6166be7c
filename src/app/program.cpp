#include "app/program.h"

#include "platform/log.h"
#include "platform/mixer/alsa_mixer.h"
#include "recording/recording_folders.h"
#include "settings/pair_settings_storage.h"
#include "settings/settings_keys.h"

namespace kovra {

namespace {

constexpr Millis kWatchdogPeriod{1000};
constexpr Millis kMessageBoxGrace{50};
constexpr int kUsageError = 2;
// Pairs are created in this order; pair 2 comes last.
constexpr std::array<int, 3> kCreationOrder = {1, 3, 2};

std::shared_ptr<const LameLibrary> loadEncoder() {
    std::string error;
    auto lame = LameLibrary::load(LameLibrary::kDefaultName, error);
    if (!lame) {
        logLine(LogLevel::Error, "MP3 encoder not available (" + error +
                                     "): calls will not be recorded until it is installed");
    }
    return lame;
}

}  // namespace

Program::Program(const ProgramOptions& options, EventLoop& loop, FastAudioDriver* fast,
                 std::unique_ptr<InstanceLock> lock, Desktop* desktop)
    : options_(options),
      loop_(loop),
      fast_(fast),
      lock_(std::move(lock)),
      values_(makeStartupValues(readPlatformVersion())),
      desktop_(desktop),
      ui_(desktop != nullptr ? desktop->ui() : headlessUi_),
      companion_(options.home, ui_),
      files_(options.home),
      errors_(options.home, "kovra-plugin", values_, loop.now()),
      privacy_(files_.privacy().path()),
      watchdog_([this](const std::string& message) { detectorFailure(message); }),
      watchDogTimer_(loop, kWatchdogPeriod, [this] { WatchDogTimerTimer(); }) {
    // Errors that escape a handler land in the exception log, as the error hook always did.
    loop_.setErrorHandler([this](const std::exception& error) {
        logLine(LogLevel::Error, std::string("unhandled error: ") + error.what());
        errors_.logException(error, loop_.now());
    });
    globals_.WindowsVersionCode = values_.WindowsVersionCode;
    globals_.LocalDDD = files_.global().readString(settings::keys::kDddLocal.section,
                                                   settings::keys::kDddLocal.name, "");
    ui_.setTrayIconVisible(files_.global().readBool(settings::keys::kIconVisible.section,
                                                    settings::keys::kIconVisible.name, true));
    relay::control::GetIPFromHost(host_, relay::control::cachedHostLookup());
    privacy_.load();
    services_ = std::make_unique<PairServices>(
        loop_, ui_, files_, globals_, host_, privacy_, loadEncoder(), watchdog_, errors_, fast_,
        deviceInUse_, [this] { requestExit(0); },
        [this](bool cycling) {
            if (desktop_ != nullptr) {
                desktop_->setTrayCycling(cycling);
            }
        },
        [this](int pair, const std::string& device) { cardRefused(pair, device); },
        [this] { companion_.start(); }, nullptr, [this](int pair) { openPairWindow(pair); },
        options_.diagnostics);
    if (!fileRun()) {
        mixer_ = std::make_unique<mixer::AlsaMixer>();
        services_->mixer = mixer_.get();
    }
}

Program::~Program() {
    watchDogTimer_.setEnabled(false);
    if (desktop_ != nullptr) {
        desktop_->release();
    }
    for (auto& pair : pairs_) {
        pair.reset();
    }
}

void Program::start() {
    watchDogTimer_.setEnabled(true);
    for (const int p : kCreationOrder) {
        PairInput input;
        const auto it = options_.inputs.find(p);
        if (it != options_.inputs.end()) {
            input = PairInput::wavFile(it->second.first, it->second.second);
        }
        auto pair = std::make_unique<LinePair>(p, *services_, input);
        if (input.kind == PairInput::Kind::WavFile) {
            pair->OnEndOfInput = [this] { onEndOfInput(); };
        }
        pairs_.at(static_cast<std::size_t>(p - 1)) = std::move(pair);
    }
    if (desktop_ != nullptr) {
        desktop_->attach({pairs_[0].get(), pairs_[1].get(), pairs_[2].get()},
                         [this] { requestExit(0); });
    }
    for (const int p : kCreationOrder) {
        pairs_.at(static_cast<std::size_t>(p - 1))->startUp();
    }
}

void Program::openPairWindow(int pair) {
    if (desktop_ != nullptr) {
        desktop_->openPairWindow(pair);
        return;
    }
    logLine(LogLevel::Info, "pair " + std::to_string(pair) +
                                ": the settings window was asked for; this run has no windows");
}

void Program::WatchDogTimerTimer() {
    std::array<Watchdog::PairView, Watchdog::kPairs> views;
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
        if (pairs_[i]) {
            views[i] = {pairs_[i]->deviceShown(), pairs_[i]->Running(), pairs_[i]->deviceName(),
                        pairs_[i]->inputEnded()};
        }
    }
    watchdog_.tick(views);
}

void Program::detectorFailure(const std::string& message) {
    watchDogTimer_.setEnabled(false);
    logLine(LogLevel::Error, message + (fileRun() ? "" : ": restarting the program"));
    try {
        errors_.writeDetectorFailure(message, loop_.now());
    } catch (const std::exception& error) {
        logLine(LogLevel::Error, error.what());
    }
    if (fileRun()) {
        // A restart would drop the input files and leave a process behind the caller's
        // back: the run ends here, in order, and says why.
        logLine(LogLevel::Error, "a file run does not restart itself: ending with status 1");
        requestExit(1);
        return;
    }
    for (auto& pair : pairs_) {
        if (pair) {
            pair->releaseRelay();
        }
    }
    if (desktop_ != nullptr) {
        desktop_->release();
    }
    for (auto& pair : pairs_) {
        pair.reset();
    }
    ui_.setTrayIconVisible(false);
    // The new instance must find the lock free.
    lock_.reset();
    std::vector<std::string> args = {"-REBOOT"};
    if (options_.diagnostics) {
        args.emplace_back("-D");
    }
    if (options_.headless) {
        args.emplace_back("--headless");
    }
    args.insert(args.end(), {"--home", options_.home.string()});
    startDetached(executablePath(), args);
    loop_.quit(0);
}

void Program::cardRefused(int pair, const std::string& device) {
    if (!fileRun()) {
        return;  // a live pair waits for the user to choose another card
    }
    // Nobody is there to choose another card: the pair would hear nothing.
    logLine(LogLevel::Error, "pair " + std::to_string(pair) + " cannot use " + device +
                                 ": another pair already uses it (give each pair its own file)");
    requestExit(kUsageError);
}

void Program::onEndOfInput() {
    for (const auto& pair : pairs_) {
        if (pair && pair->OnEndOfInput && !pair->inputEnded()) {
            return;
        }
    }
    logLine(LogLevel::Info, "the input files have played to their end");
    for (auto& pair : pairs_) {
        if (pair) {
            pair->stopRecordings();
        }
    }
    loop_.singleShot(kSettleTime, [this] { requestExit(0); });
}

void Program::requestExit(int code) {
    if (exiting_) {
        return;
    }
    exiting_ = true;
    // Posted: the request may come from inside a pair's own handler, and the exit
    // releases the pairs.
    loop_.post([this, code] { finishRecordingsThenExit(code); });
}

void Program::finishRecordingsThenExit(int code) {
    // A message box runs inside the handler that asked for it: that handler must return
    // before the pairs it belongs to can go.
    if (desktop_ != nullptr && desktop_->closeMessageBoxes()) {
        loop_.singleShot(kMessageBoxGrace, [this, code] { finishRecordingsThenExit(code); });
        return;
    }
    // The companion goes first, whether this system started it or not.
    companion_.end();
    // Recordings end cleanly before anything is released, and the retention step gets
    // its second, so no recording is cut or left unreported.
    bool anyRecording = false;
    for (auto& pair : pairs_) {
        if (pair && pair->recording()) {
            pair->stopRecordings();
            anyRecording = true;
        }
    }
    if (anyRecording) {
        loop_.singleShot(kSettleTime, [this, code] { exitSequence(code); });
    } else {
        exitSequence(code);
    }
}

void Program::exitSequence(int code) {
    watchDogTimer_.setEnabled(false);
    if (desktop_ != nullptr) {
        desktop_->storePositions();
    }
    for (auto& pair : pairs_) {
        if (pair) {
            pair->writeExitPosition();
        }
    }
    std::vector<std::filesystem::path> folders;
    for (auto& pair : pairs_) {
        if (pair) {
            const auto lineFolders = pair->lineFolders();
            folders.insert(folders.end(), lineFolders.begin(), lineFolders.end());
        }
    }
    for (const auto& error : settings::writeMainGeometry(files_, -300, 0, 0, 0)) {
        logLine(LogLevel::Error, "cannot store the window geometry: " + error.describe());
    }
    ui_.setTrayIconVisible(false);
    for (auto& pair : pairs_) {
        for (int k = 1; pair && k <= 2; ++k) {
            if (pair->relayOn(k)) {
                pair->SendDataIP(k, "L" + std::to_string(pair->line(k)) +
                                        "_DISABLED: SoundBoard - " + pair->deviceName());
            }
        }
    }
    if (desktop_ != nullptr) {
        desktop_->release();
    }
    for (auto& pair : pairs_) {
        pair.reset();
    }
    removeEmptyRecordingFolders(folders);
    loop_.quit(code);
}

}  // namespace kovra
