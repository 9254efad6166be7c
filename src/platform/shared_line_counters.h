// The values of one line that its line rules and its recording control both read and
// write: whether it records, the automatic start's counters, the silence and caller-wait
// seconds, and what the line rules leave for the next file. The pair owns one per line
// and hands the pair of them to both sides, beside the pair profile. Loop thread only.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/event_loop.h"

namespace kovra {

struct SharedLineCounters {
    // Kept by the recording control; the line rules read them.
    bool Recording = false;  // the writer was started and the line is not yet cleaned up
    bool Paused = false;
    std::optional<TimePoint> StartTime;  // of the current or last recording
    std::string LineFolder;              // today's folder, ending in the path separator

    // The automatic start: speech arms it, TimerRecordStart<k> counts and starts.
    bool StartArmed = false;
    int StartTicks = 0;
    int VoiceHits = 0;  // lbRecNow<k>
    // Seconds without speech while recording; seconds a known caller waits unrecorded.
    int SilenceSeconds = 0;
    int CallerWaitSeconds = 0;

    // Left by the line rules for the recording.
    std::string lbStopModo;      // why the recording was stopped
    std::string LastIdentified;  // shown number of the last identified caller
    // A dialled number's marks for the next file name: digits, operator, area, number,
    // area + number.
    std::array<std::string, 5> DialMarks;
    std::string RenameTarget;  // full path the current file gets when kept
};

// Side k of a pair is element k - 1.
using PairLineCounters = std::array<SharedLineCounters, 2>;

}  // namespace kovra
