// The test recordings made since the program started (shared by both lines of a pair), the
// chosen one and what the page does with it: play it, delete it, show its folder. In memory
// only: the list starts empty with each run.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kovra {

// The page's player: plays one MP3 file with its own play, pause and stop buttons.
class TestRecordingPlayer {
  public:
    virtual ~TestRecordingPlayer() = default;
    // Stops playback and lets go of the file (errors are the player's own).
    virtual void close() = 0;
    // Loads a file; the user starts it with the player's buttons.
    virtual void open(const std::filesystem::path& file) = 0;
};

class TestRecordingList {
  public:
    explicit TestRecordingList(TestRecordingPlayer& player) : player_(player) {}

    // A finished test recording: listed, chosen and loaded into the player.
    void add(const std::string& file);
    // Choosing an entry loads it into the player when the file is still there.
    void choose(std::size_t index);
    // "Excluir": the player lets go, then the chosen file is deleted; only a deleted file
    // leaves the list. False (the entry stays) when it cannot be deleted.
    bool deleteChosen();
    // "Pasta": the folder of the chosen entry (empty with no entry chosen).
    std::filesystem::path chosenFolder() const;

    const std::vector<std::string>& files() const { return files_; }
    std::optional<std::size_t> chosen() const { return chosen_; }

  private:
    TestRecordingPlayer& player_;
    std::vector<std::string> files_;
    std::optional<std::size_t> chosen_;
};

}  // namespace kovra
