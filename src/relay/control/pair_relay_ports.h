// What the pair relay control needs from the rest of its pair: the window commands a host
// may give, recording start/stop, a few values of other parts, and where the relay page's
// changes and errors go. The pair object implements it. Loop thread only.
#pragma once

#include <exception>
#include <string>

namespace kovra::relay::control {

class PairRelayPorts {
  public:
    virtual ~PairRelayPorts() = default;

    // SettingsShown: the pair window has been shown since it last hid.
    virtual bool settingsShown() const = 0;
    // Opens the pair window as the tray menu entry of the pair does (centred, audio page,
    // modal).
    virtual void openConfigWindow() = 0;
    virtual void startDetectors() = 0;
    virtual void stopDetectors() = 0;
    // Ends the program as the tray menu's exit entry does.
    virtual void endProgram() = 0;
    // Pair 1: sets the line's HostNamed and records line side into file (a path already
    // checked to lie inside the pair's recording base and to end in ".mp3").
    virtual void startRecording(int side, const std::string& file) = 0;
    virtual void stopRecording(int side) = 0;
    // WaveInIndex of the pair's sound-card options.
    virtual int waveInIndex() const = 0;
    // Pair 1: a key reported by the odd endpoint goes to the odd line's key log.
    virtual void appendKeyLog(const std::string& key) = 0;
    // CheckOffHook was switched off with the manual-recording line description: the line
    // logic and the recording take the new value at once, not at the next apply.
    virtual void checkOffHookChanged() = 0;
    // A relay setting changed in the page: the window enables "Aplicar".
    virtual void enableApply() = 0;
    // A text, panel or enabled state of the relay page changed (repaint at once).
    virtual void relayPageChanged() = 0;
    // Pair 1 could not open line side's local port (error #3815): the window shows its
    // relay page with that line's local port selected. Headless there is nothing to show.
    virtual void showRelayPortError(int /*side*/) {}
    // A relay error the control's own handlers met (a failed send): the application-wide
    // error handler records it.
    virtual void reportError(const std::exception& error) = 0;
};

}  // namespace kovra::relay::control
