// Which controls of the recording settings page are enabled: the stop options follow the
// last click on "Gravar em modo automático", the silence times follow both boxes. The
// rules for pausing and stopping on silence apply whatever is enabled. Loop thread only.
#pragma once

namespace kovra {

class RecordingPageRules {
  public:
    // The page as loaded: as if both boxes had just been clicked into their states.
    RecordingPageRules(bool checkAutoRec, bool checkOffHook) {
        CheckAutoRecClick(checkAutoRec, checkOffHook);
    }

    // CheckOffTom, CheckOffDial and the silence times follow the automatic box, all
    // disabled while the hook box is checked.
    void CheckAutoRecClick(bool checkAutoRec, bool checkOffHook) {
        stopOptionsEnabled_ = checkAutoRec && !checkOffHook;
        silenceEnabled_ = stopOptionsEnabled_;
    }
    // The silence times follow the hook box, and stay off without the automatic box.
    void CheckOffHookClick(bool checkAutoRec, bool checkOffHook) {
        silenceEnabled_ = !checkOffHook && checkAutoRec;
    }

    bool stopOptionsEnabled() const { return stopOptionsEnabled_; }  // CheckOffTom, CheckOffDial
    bool silenceEnabled() const { return silenceEnabled_; }          // SpinPause, SpinStop, labels

  private:
    bool stopOptionsEnabled_ = false;
    bool silenceEnabled_ = false;
};

}  // namespace kovra
