// Recording control of one line pair: when each line's recording starts, pauses and
// stops, how its file is named, the start event, the silence and caller-wait rules of
// the one-second timer, the automatic start timer, and the retention step that keeps,
// renames or deletes the file one second after a stop. Owns the pair's two chains.
// Loop thread only (the writers' workers never call back into it).
//
// k is the side within the pair (1 odd line, 2 even line); n the line number 1-6.
// Pair 1 and pairs 2/3 differ only by the data in the pair profile (RecordingTraits).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/event_loop.h"
#include "platform/pair_profile.h"
#include "platform/shared_line_counters.h"
#include "platform/timer.h"
#include "recording/recording_chain.h"
#include "recording/recording_names.h"

namespace kovra {

// Colours of a line's level view as recording shows them (ResetView + LinesColor).
enum class LevelViewColour { Yellow, Green, White, Aqua };

// What the recording control needs from the line logic of the pair.
class RecordingLinePort {
  public:
    virtual ~RecordingLinePort() = default;
    virtual RecordingCallView callView(int k) = 0;
    // The line's whole clean-up (LimpaTudo<k>): call data, tone state, and then this
    // control's clearLine(k).
    virtual void LimpaTudo(int k) = 0;
    // Pause: the tone detection is re-armed (tones watched again, no made call's re-arm,
    // "Normal" into lbTom, QuietReset).
    virtual void rearmToneDetection(int k) = 0;
    // Retention: no made call's re-arm any more, "Normal" into lbTom.
    virtual void resetRearm(int k) = 0;
    // Stop: the line's last identified number is emptied (LastIdentified is kept).
    virtual void clearIdentifiedNumber(int /*k*/) {}
    virtual void showLevelView(int /*k*/, LevelViewColour /*colour*/) {}
};

struct AmplifierSetting {
    bool on = false;   // "Amplificador<k>"
    int position = 2;  // "TrackBarAmp<k>"
};

struct RecordingPairPorts {
    // SendDataIP<k>: hands a line event to the relay (checks ChBoxTCP<k> itself).
    std::function<void(int k, const std::string& text)> SendDataIP;
    // The tray icon cycles while a line records (true) or shows icon 0 (false).
    std::function<void(bool cycling)> trayCycling;
    // Pairs 2, 3: the amplifier settings re-read from the settings at every start.
    std::function<AmplifierSetting(int k)> readAmplifier;
    // WaveInIndex, the card name and LinesOnInput of the pair, read at every start.
    std::function<int()> waveInIndex;
    std::function<std::string()> deviceName;
    std::function<int()> linesOnInput;
    // False while the privacy list cannot be read: then no call may be recorded.
    std::function<bool()> recordingAllowed;
};

// Settings of the recording page, shared by both lines of the pair.
struct RecordingOptions {
    bool CheckAutoRec = false;
    bool CheckOffRing = false;
    bool CheckOffTom = true;
    bool CheckOffDial = true;
    bool CheckOffHook = false;
    int SpinPause = 5;
    int SpinStop = 120;
    int SpinMin = 15;
    std::string RecordingBase;  // ends in a separator once loaded
    bool chkNameFile = true;    // relay option: send REC_FILE_START / REC_FILE_STOP
};

// Recording fields of one line that only the recording control uses (what the line rules
// share with it is in SharedLineCounters) and the texts and switches that the window
// shows for it.
struct LineRecordingState {
    std::string SettleFile;
    bool Discard = false;
    bool HostNamed = false;
    std::string HostFileName;  // Edit5 / Edit6

    std::string lbInfFinal;
    std::string lbDeleteFile;
    std::string lbStop = "00";
    std::string lbCountStop;
    std::string lbCountTmpRecBinado = "0";
    std::string lbRecID;
    std::string Label32;  // pairs 2, 3: name part of the current file
    bool ShapeRecOk = false;
    bool ShapeStop = true;
    bool ShapePause = false;
    bool bitRateListEnabled = true;  // cbBitRat<k>
    bool spectrumEnabled = true;     // CHKSpectrum<k>
};

class RecordingControl {
  public:
    // pair 1-3. counters: the pair's, shared with its line rules; they outlive this.
    // captures: the capture stage of each line's chain (side 1, side 2).
    // lame may be null: starts are then refused with a log line.
    RecordingControl(int pair, EventLoop& loop, RecordingLinePort& line, PairLineCounters& counters,
                     RecordingPairPorts ports,
                     std::array<std::unique_ptr<CaptureStage>, 2> captures,
                     std::shared_ptr<const LameLibrary> lame);
    ~RecordingControl();
    RecordingControl(const RecordingControl&) = delete;
    RecordingControl& operator=(const RecordingControl&) = delete;

    RecordingOptions options;
    std::array<std::string, 2> lineNames{"", ""};  // edNomeCanal<k>
    bool RecordPageOpen = false;

    // --- the line operations ---
    void StartLClick(int k);
    void StopLClick(int k);
    void PauseLClick(int k);
    // The automatic start, every 500 ms while armed (TimerRecordStart<k>Timer).
    void TimerRecordStartTimer(int k);
    // The silence and caller-wait rules, once a second on the pair's TimerLed.
    void onSecondTick();
    // The retention step one second after a stop (TimerSalveDeleteFile<k>Timer).
    void TimerSalveDeleteFileTimer(int k);
    // Pair 1 host commands: START_REC with the host's full path, and STOP_REC.
    void hostStartRecording(int k, const std::string& path);
    void hostStopRecording(int k);
    // The recording side of LimpaTudo<k> (the line logic calls it from its clean-up).
    void clearLine(int k);

    // --- what the line rules request and read ---
    bool Recording(int k) const { return shared(k).Recording; }
    bool Paused(int k) const { return shared(k).Paused; }
    double ElapsedSeconds(int k) const;
    void setStartTimerRunning(int k, bool running);
    bool startTimerRunning(int k) const { return startTimers_[index(k)]->enabled(); }
    SharedLineCounters& counters(int k) { return shared(k); }
    const SharedLineCounters& counters(int k) const { return shared(k); }

    // --- test recordings (recording page of pairs 2 and 3) ---
    // Starts a test recording of line k into its day folder, with the amplifier as the page
    // shows it. It counts as recording, so the silence rules apply to it. Returns the file,
    // or nothing when the writer could not start.
    std::optional<std::string> startTestRecording(int k, AmplifierSetting amplifier);
    // Stops it without the retention step (the file is kept whatever its length); returns
    // the file when it exists.
    std::optional<std::string> stopTestRecording(int k);
    bool testRecording(int k) const { return testRunning_[index(k)] && shared(k).Recording; }

    // The quality list of line k (item 0-4); the list is disabled while it records.
    void setBitRateItem(int k, int item) { chain(k).setBitRateItem(item); }
    // Pair 1's end-of-call handling of the hook-signalling mode enables the list again.
    void setBitRateListEnabled(int k, bool enabled) { line(k).bitRateListEnabled = enabled; }

    const LineRecordingState& state(int k) const { return line(k); }
    RecordingChain& chain(int k) { return *chains_[index(k)]; }
    const RecordingChain& chain(int k) const { return *chains_[index(k)]; }
    int pair() const { return pair_; }
    int lineNumber(int k) const { return 2 * pair_ - 2 + k; }
    const RecordingTraits& traits() const { return traits_; }

  private:
    static std::size_t index(int k) { return k == 2 ? 1 : 0; }
    LineRecordingState& line(int k) { return lines_[index(k)]; }
    const LineRecordingState& line(int k) const { return lines_[index(k)]; }
    SharedLineCounters& shared(int k) { return counters_[index(k)]; }
    const SharedLineCounters& shared(int k) const { return counters_[index(k)]; }
    std::tm localNow() const;
    std::string todaysFolder(int k) const;
    void prepareFolder(int k);
    // amplifier: the page's setting for a test recording; otherwise the stored one.
    void configureChain(int k, std::optional<AmplifierSetting> amplifier = std::nullopt);
    // True when the number came from the line's reserve, that is from an earlier call.
    bool takePendingNumbers(int k, RecordingCallView& call);
    void sendLine(int k, const std::string& token);
    void setTray(bool cycling);
    void deleteAttempt(int k, int attemptsLeft);
    void finishDelete(int k);
    void finishRetention(int k);

    int pair_;
    const RecordingTraits& traits_;
    EventLoop& loop_;
    RecordingLinePort& port_;
    PairLineCounters& counters_;
    RecordingPairPorts ports_;
    std::array<std::unique_ptr<RecordingChain>, 2> chains_;
    std::array<LineRecordingState, 2> lines_;
    std::array<std::unique_ptr<Timer>, 2> startTimers_;      // TimerRecordStart<k>, 500 ms
    std::array<std::unique_ptr<Timer>, 2> retentionTimers_;  // TimerSalveDeleteFile<k>, 1 s
    std::array<std::unique_ptr<Timer>, 2> deleteRetryTimers_;
    std::array<int, 2> deleteAttemptsLeft_{0, 0};
    std::array<bool, 2> testRunning_{false, false};
};

// Retries of a deletion that fails (a file held open elsewhere), spaced so the loop
// keeps running in between: at most kDeleteAttempts, kDeleteRetryMs apart.
inline constexpr int kDeleteAttempts = 200;
inline constexpr int kDeleteRetryMs = 50;

}  // namespace kovra
