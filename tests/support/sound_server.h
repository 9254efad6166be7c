// A private sound server for tests: PulseAudio in user mode in a temporary folder of its
// own (its socket, state and logs there, so tests running side by side never meet), with
// one null sink per virtual card. Each card's monitor is what a pair hears; ALSA sees
// the card as pcm.NAME / ctl.NAME (type pulse) through a configuration written for the
// test: ALSA's own without the machine's and the user's additions, so the test's cards
// are the only named devices. Stopped, and its folder removed, when destroyed.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovra::test {

class SoundServer {
  public:
    // Starts the server with these cards. Null, with why set, when it cannot start (no
    // PulseAudio installed, or it did not come up within a few seconds).
    static std::unique_ptr<SoundServer> start(const std::vector<std::string>& cards,
                                              std::string& why);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // "ALSA_CONFIG_PATH=..." and "PULSE_SERVER=...": what a program needs to see the cards.
    std::vector<std::string> environment() const;
    // Sets that environment in this process (ALSA reads it at its next configuration
    // update); the destructor takes it back.
    void useInThisProcess();

    // pactl with the given arguments against this server; its standard output, or
    // nothing when it failed.
    std::optional<std::string> pactl(const std::string& args) const;
    // The capture volume of a card's source in percent (as pactl shows it), -1 unknown.
    int captureVolumePercent(const std::string& card) const;
    // Plays a WAV file into a card (its sink), waiting until it has played (bounded).
    bool play(const std::string& card, const std::filesystem::path& wav) const;
    // Starts playing a WAV file into a card and returns at once; the server's end stops it.
    bool playInBackground(const std::string& card, const std::filesystem::path& wav);

    const std::filesystem::path& folder() const { return folder_; }
    std::string serverAddress() const;

  private:
    SoundServer() = default;
    bool waitUntilUp(std::string& why);

    std::filesystem::path folder_;
    std::vector<std::string> cards_;
    int pid_ = -1;
    std::vector<int> players_;
    bool environmentSet_ = false;
    std::optional<std::string> oldAlsaConfig_;
    std::optional<std::string> oldPulseServer_;
};

}  // namespace kovra::test
