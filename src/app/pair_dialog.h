// The line-pair window as a settings dialog, without the window: which page shows and
// which tabs, "Aplicar", "Ok", "Cancelar", show and hide, and removing the pair. The Qt
// window shows this state and calls these operations; tests drive it with no window.
// Loop thread only.
#pragma once

#include <functional>
#include <string>

#include "platform/user_interface.h"
#include "settings/pair_settings_storage.h"

namespace kovra {

// Pages of the window, by their position in its page control.
enum class PairPage { Audio = 0, Record = 1, Diagnostics = 2, Relay = 3, Tests = 4 };

struct PairDialogPorts {
    std::function<settings::SaveResult()> save;  // SaveSetagem, then the pair applies it
    std::function<void()> clearAutoVol;          // AutoVolApplied of both lines
    std::function<void()> BnStartClick;
    std::function<void()> BnStopClick;
    std::function<bool()> CaptureRunning;
    std::function<int()> adapterPosition;  // -1: none chosen
    // Removal: the card and input lists emptied and DeviceInUse cleared, then the erase.
    std::function<void()> forgetCard;
    std::function<void()> erasePair;
    // The pair's hide step: settings read back, relay addresses, line description.
    std::function<void()> hidden;
};

// The state the dialog shares with the parts that read it.
struct PairDialogFlags {
    bool& ApplyEnabled;      // the "Aplicar" button
    bool& SettingsShown;     // shown since it last hid
    bool& RecordPageOpen;    // the recording page is the chosen page
    int& SavedLinesOnInput;  // adapter position + 1 at the last successful Apply
};

class PairDialog {
  public:
    static constexpr const char* kRemoveCaption = "Remover linhas";
    static constexpr const char* kDetectorTitle = "Controle do Detector DTMF/FSK";

    // diagnostics: "-D" was the program's second argument.
    PairDialog(int pair, bool diagnostics, UserInterface& ui, PairDialogFlags flags,
               PairDialogPorts ports);

    int pair() const { return pair_; }
    // " [Linhas 1 e 2]" and its likes, as the titles and captions end.
    std::string linesBracket() const;

    // The button column and "Diagnósticos".
    void choosePage(PairPage page);
    PairPage page() const { return page_; }
    bool tabVisible(PairPage page) const;
    bool diagnosticsButtonVisible() const { return diagnostics_; }
    // The entry drawn lowered: the chosen page's, or none on the diagnostics page.
    bool entryLowered(PairPage page) const;
    bool helpLowered() const { return helpLowered_; }
    void helpClicked() { helpLowered_ = true; }
    // The "Testes" page of pair 1 shows or is left.
    void setTestPageActive(bool active) { TestPageActive = pair_ == 1 && active; }

    void btApply1Click();
    void btOK1Click();
    void btCancelConfgClick();  // also Esc
    void FormShow();
    void FormHide();
    void btRemoverClick();
    // Caption of btRemover: its long form once the audio page has shown.
    const std::string& btRemoverCaption() const { return removeCaption_; }
    // Any edit the window reports (names, area code, and the like).
    void changed() { flags_.ApplyEnabled = true; }

    bool TestPageActive = false;
    std::string lbTitDetector;
    // Closes the window, which then hides (FormHide). Set by the window.
    std::function<void()> closeWindow;

  private:
    void TabAudioShow();
    void restartNotice();

    int pair_;
    bool diagnostics_;
    UserInterface& ui_;
    PairDialogFlags flags_;
    PairDialogPorts ports_;
    PairPage page_ = PairPage::Audio;
    bool helpLowered_ = false;
    std::string removeCaption_ = kRemoveCaption;
};

// Message texts of the dialog.
inline constexpr const char* kSavedTitle = "Configurações";
extern const std::string kSavedRestartText;
std::string removeTitle(int pair);
std::string removeQuestion(int pair);

}  // namespace kovra
