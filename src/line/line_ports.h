// What the line logic of a pair needs from the rest of the pair window: the relay
// sender, the recording control of each line, the privacy list, the caller-ID text file
// name and the volume control. Loop thread only; k is the side of the pair (1 odd, 2 even).
#pragma once

#include <functional>
#include <string>

#include "platform/event_loop.h"

namespace kovra::line {

// The requests the line rules make of the pair's recording control. What both sides
// read and write (Recording, the start counters, ...) is in the pair's SharedLineCounters.
class LineRecordingPort {
  public:
    virtual ~LineRecordingPort() = default;

    virtual void StartLClick(int k) = 0;
    virtual void StopLClick(int k) = 0;
    virtual void PauseLClick(int k) = 0;
    // Runs or stops the automatic start timer TimerRecordStart<k>.
    virtual void setStartTimerRunning(int k, bool running) = 0;
    // Seconds recorded by the line's writer so far (0 when it does not record).
    virtual double ElapsedSeconds(int k) const = 0;
    // The recording side of the line's clean-up: HostNamed, CallerWaitSeconds and the
    // writer's file name cleared, Recording, Paused and StartArmed false, the recording
    // displays and the level view back to idle. Does not stop a running writer.
    virtual void clearLine(int k) = 0;
};

struct LinePorts {
    // SendDataIP<k>: relays one event text of line k; checks the relay switch itself.
    std::function<void(int k, const std::string& text)> SendDataIP;
    // ChBoxTCP<k>: the relay switch of line k (read where a rule depends on it).
    std::function<bool(int k)> ChBoxTCP;
    // True when number equals an active entry of the privacy list.
    std::function<bool(const std::string& number)> isPrivate;
    // The caller-ID text file of line k ("ArqTexto1"/"ArqTexto2"), read at each write.
    std::function<std::string(int k)> callerIdFileName;
    // Moves the pair's volume track bar (Track1) by steps (+1 up, -1 down).
    std::function<void(int steps)> stepVolume;
    // Applies the stored volume (Track1Change) once after start.
    std::function<void()> applyStoredVolume;
    // Proof of life for the watchdog: the pair's detector silence counter back to 0.
    std::function<void()> detectorAlive;
};

}  // namespace kovra::line
