// Test recordings of the recording page: a line's own chain and writer, a file named after
// the side, no start event, no privacy check, no retention step at the stop.
#include <cstdio>
#include <filesystem>

#include "platform/log.h"
#include "recording/recording_control.h"

namespace kovra {

namespace {

// "14h05h09": the test files carry "h" between all three numbers.
std::string testTimeText(const std::tm& t) {
    char text[16];
    std::snprintf(text, sizeof text, "%02dh%02dh%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

}  // namespace

std::optional<std::string> RecordingControl::startTestRecording(int k, AmplifierSetting amplifier) {
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    const std::tm now = localNow();
    const std::string folder = todaysFolder(k);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        logLine(LogLevel::Error, "Test recording folder of line " + std::to_string(lineNumber(k)) +
                                     " cannot be created: " + folder + ": " + error.message());
    }
    configureChain(k, amplifier);
    port_.callView(k).lbNomeFile.clear();
    Mp3Writer& writer = chain(k).writer();
    writer.FileName = folder + "TEST-LINHA" + std::to_string(k) + "-" + testTimeText(now) + ".mp3";
    if (!writer.StartWriting()) {
        return std::nullopt;
    }
    testRunning_[index(k)] = true;
    s.ShapeRecOk = true;
    c.Recording = true;
    c.SilenceSeconds = 0;
    s.bitRateListEnabled = false;
    port_.showLevelView(k, LevelViewColour::Yellow);
    setTray(true);
    return writer.FileName;
}

std::optional<std::string> RecordingControl::stopTestRecording(int k) {
    if (!testRecording(k)) {
        testRunning_[index(k)] = false;
        return std::nullopt;
    }
    LineRecordingState& s = line(k);
    SharedLineCounters& c = shared(k);
    Mp3Writer& writer = chain(k).writer();
    if (c.Paused) {
        writer.ResumeWriting();
        c.Paused = false;
    }
    writer.StopWriting(true);
    testRunning_[index(k)] = false;
    s.bitRateListEnabled = true;
    port_.rearmToneDetection(k);
    port_.showLevelView(k, LevelViewColour::Aqua);
    std::optional<std::string> kept;
    std::error_code error;
    if (std::filesystem::exists(writer.FileName, error)) {
        kept = writer.FileName;
    }
    writer.FileName.clear();
    c.Recording = false;
    s.ShapeRecOk = false;
    setTray(false);
    return kept;
}

}  // namespace kovra
