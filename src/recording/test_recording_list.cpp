#include "recording/test_recording_list.h"

#include <chrono>
#include <thread>

#include "platform/log.h"

namespace kovra {

namespace {

// The player may let go of the file a moment after it is told to.
constexpr std::chrono::milliseconds kReleaseWait{50};

}  // namespace

void TestRecordingList::add(const std::string& file) {
    files_.push_back(file);
    choose(files_.size() - 1);
}

void TestRecordingList::choose(std::size_t index) {
    if (index >= files_.size()) {
        return;
    }
    chosen_ = index;
    player_.close();
    std::error_code error;
    if (std::filesystem::exists(files_[index], error)) {
        player_.open(files_[index]);
    }
}

bool TestRecordingList::deleteChosen() {
    if (!chosen_) {
        return false;
    }
    player_.close();
    std::this_thread::sleep_for(kReleaseWait);
    const std::string file = files_[*chosen_];
    std::error_code error;
    if (!std::filesystem::remove(file, error)) {
        logLine(LogLevel::Error, "Test recording cannot be deleted: " + file +
                                     (error ? ": " + error.message() : ": no such file"));
        return false;
    }
    files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(*chosen_));
    chosen_.reset();
    return true;
}

std::filesystem::path TestRecordingList::chosenFolder() const {
    return chosen_ ? std::filesystem::path(files_[*chosen_]).parent_path()
                   : std::filesystem::path();
}

}  // namespace kovra
