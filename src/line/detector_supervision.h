// Detector start, stop and supervision of one line pair: sets up the pair's capture,
// decoders and level views, starts and stops capture, runs the one-second supervision
// (TimerLed) and the periodic re-arm of capture (TimerRearma), and reports a capture that
// stopped by itself. The pair window owns one beside its PairLineLogic. Loop thread only.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "line/detector_wiring.h"
#include "line/line_ports.h"
#include "line/pair_line_logic.h"
#include "platform/timer.h"
#include "platform/user_interface.h"

namespace kovra::line {

// The window's lists that the start reads (index -1: nothing selected).
struct PairDeviceChoice {
    std::string CbDevicesText;  // capture device shown; empty: the list is empty
    int CbDevicesIndex = -1;
    int CBListIndex = -1;   // recording input of the card
    int AdapterIndex = -1;  // pair 1 CBTipoAdp, pairs 2 and 3 CBChannel
};

// What the start and the supervision call in the rest of the pair window.
struct DetectorPorts {
    // Creates both lines' day folders and points the deletion lists at them.
    std::function<void()> prepareDayFolders;
    // CBListChange: applies the recording input of the card.
    std::function<void()> CBListChange;
    // ChBoxTCP1Click and ChBoxTCP2Click: re-runs both relay switches.
    std::function<void()> ChBoxTCPClicks;
    // CheckLocalAddress of the relay control (once a second).
    std::function<void()> CheckLocalAddress;
    // The pair's detector silence counter (seconds without a detector event).
    std::function<int()> detectorSilence;
    // The recording's once-a-second rules of both lines: silence (pause, stop) and the
    // caller wait (a known caller not recorded for 20 s cleans the line up).
    std::function<void()> recordingSecondTick;
};

class PairDetectorControl {
  public:
    // Everything passed must outlive this object. Connects the controls' events to logic.
    PairDetectorControl(PairLineLogic& logic, EventLoop& loop, UserInterface& ui,
                        const LineGlobals& globals, const PairDetectorControls& controls,
                        DetectorPorts ports);
    ~PairDetectorControl();
    PairDetectorControl(const PairDetectorControl&) = delete;
    PairDetectorControl& operator=(const PairDetectorControl&) = delete;

    PairDeviceChoice& choice() { return choice_; }
    // The adapter list changed (the caller stops and restarts the pair): lines on the
    // input and, on pair 1, the hook-signalling mode.
    void setAdapter(int index);
    // SpinSensi<k> (pair 1): DTMF sensitivity 2..24 of the line's decoder.
    void setSensitivity(int k, float value);

    void BnStartClick();
    void BnStopClick();
    void WaveExCtrl1RecordDone();
    void TimerLedTimer();
    void TimerRearmaTimer();

    bool Running() const { return running_; }
    bool TonesDefined() const { return tonesDefined_; }
    bool SilentStop() const { return silentStop_; }
    int RearmTicks() const { return rearmTicks_; }
    bool timerLedEnabled() const { return timerLed_.enabled(); }

    // Window state the start and stop set.
    bool BnStartEnabled = true;
    bool BnStopEnabled = false;
    bool CBbufferEnabled = true;
    bool ApplyEnabled = false;
    bool Image1Visible = false;
    bool SettingsShown = false;  // the window is shown (the activity image blinks)

  private:
    void defineTones();
    void resetViews();

    PairLineLogic& logic_;
    UserInterface& ui_;
    const LineGlobals& globals_;
    PairDetectorControls controls_;
    DetectorPorts ports_;
    PairDeviceChoice choice_;
    Timer timerLed_;
    Timer timerRearma_;
    bool running_ = false;
    bool tonesDefined_ = false;
    bool silentStop_ = false;
    int rearmTicks_ = 0;
};

// Capture buffer bytes for the CBbuffer setting 0, 1, 2.
int recordBufferLength(int cbBuffer);

}  // namespace kovra::line
