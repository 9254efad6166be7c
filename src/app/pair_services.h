// What the three line pairs share: the loop, the user-interface port, the settings files,
// the process-wide values, the privacy list, the encoder, the watchdog and the logs.
// Owned by the program; outlives every pair. Loop thread only.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/error_logs.h"
#include "app/watchdog.h"
#include "line/line_options.h"
#include "platform/event_loop.h"
#include "platform/mixer/mixer_backend.h"
#include "platform/user_interface.h"
#include "recording/lame_library.h"
#include "recording/privacy_list.h"
#include "relay/control/host_identity.h"
#include "settings/config_files.h"

namespace kovra {

class FastAudioDriver;

struct PairServices {
    EventLoop& loop;
    UserInterface& ui;
    settings::ConfigFiles& files;
    line::LineGlobals& globals;
    relay::control::HostIdentity& host;
    PrivacyList& privacy;
    std::shared_ptr<const LameLibrary> lame;  // null: recordings are refused
    Watchdog& watchdog;
    ErrorLogs& errors;
    FastAudioDriver* fast = nullptr;  // file input on simulated time, or null
    // DeviceInUse: the card each pair last chose (index pair - 1).
    std::array<std::string, 3>& deviceInUse;
    std::function<void()> endProgram;
    std::function<void(bool cycling)> trayCycling;
    // A pair's card was refused because another pair uses it (the beep and log are done).
    std::function<void(int pair, const std::string& device)> cardRefused;
    // Pair 1 read its companion switch on: start the companion program.
    std::function<void()> startCompanion;
    // The system's mixers, for the pairs that listen to a card; null in a file run, which
    // leaves the system's mixer alone.
    mixer::MixerBackend* mixer = nullptr;
    // Opens pair p's window (host command, pair 1 started without an adapter).
    std::function<void(int pair)> openWindow;
    bool diagnostics = false;  // "-D": the diagnostics page and its button
};

// Where a pair's audio comes from.
struct PairInput {
    enum class Kind { Stored, WavFile };
    Kind kind = Kind::Stored;  // Stored: the card saved in the settings
    std::filesystem::path file;
    int fileChannels = 1;

    static PairInput wavFile(std::filesystem::path path, int channels) {
        return {Kind::WavFile, std::move(path), channels};
    }
};

}  // namespace kovra
