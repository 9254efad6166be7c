// What the line logic of a pair needs from the rest of the pair window: the relay
// sender, the recording control of each line, the privacy list, the caller-ID text file
// name and the volume control. Loop thread only; k is the side of the pair (1 odd, 2 even).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/event_loop.h"

namespace kovra::line {

// The recording control of the pair's two lines, as far as the line rules use it.
class LineRecordingPort {
  public:
    virtual ~LineRecordingPort() = default;

    // The line's writer was started and the line is not yet cleaned up.
    virtual bool Recording(int k) const = 0;
    virtual bool Paused(int k) const = 0;
    // Seconds recorded by the line's writer so far (0 when it does not record).
    virtual double ElapsedSeconds(int k) const = 0;

    virtual void StartLClick(int k) = 0;
    virtual void StopLClick(int k) = 0;
    virtual void PauseLClick(int k) = 0;

    // StartArmed and the automatic start timer TimerRecordStart<k>.
    virtual void setStartArmed(int k, bool armed) = 0;
    virtual void setStartTimerRunning(int k, bool running) = 0;
    virtual int VoiceHits(int k) const = 0;
    virtual void setVoiceHits(int k, int hits) = 0;
    virtual void setStartTicks(int k, int ticks) = 0;
    virtual void setSilenceSeconds(int k, int seconds) = 0;
    virtual void setCallerWaitSeconds(int k, int seconds) = 0;

    // Why the recording was stopped (lbStopModo<k>).
    virtual void setStopReason(int k, const std::string& text) = 0;
    // The shown number of the last identified caller, taken by the next start.
    virtual void setLastIdentified(int k, const std::string& shown) = 0;
    // Sets the five reserve texts of an accepted dialled number (pair 1).
    virtual void setDialMarks(int k, const std::string& mark) = 0;
    // Full path the current file gets when kept (a made call identified while recording).
    virtual void setRenameTarget(int k, const std::string& path) = 0;
    // Today's recording folder of the line, ending in the path separator.
    virtual std::string LineFolder(int k) const = 0;
    // When the current or last recording started; nullopt when the line keeps none.
    virtual std::optional<TimePoint> StartTime(int k) const = 0;

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
