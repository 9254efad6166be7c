// The audio page of a line pair ("Configurações de áudio"): the choice of card, recording
// input, adapter and recording volume, kept exclusive between the three pairs, restored
// at start-up, and the recognition of the two-line USB adapter. The selections live in
// the pair's settings; the item lists and what the page shows live here; the mixer work
// is the pair's SoundCardOptions. Loop thread only.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "audio/sound_card_options.h"
#include "settings/pair_settings.h"

namespace kovra::audio {

// The card position a pair restores from its stored name and position: the stored card
// when it is still listed, else the stored position (-1: nothing, whatever the name).
// Out-of-range positions select nothing.
int restoredCardPosition(const std::vector<std::string>& cards, const std::string& storedName,
                         int storedPosition);

// What the page needs of the rest of its pair.
struct AudioPagePorts {
    std::function<void()> BnStartClick;  // start the detectors (also applies the input)
    std::function<void()> BnStopClick;
    std::function<void(bool enabled)> setStartEnabled;  // the "Iniciar" button
    std::function<void()> enableApply;                  // the "Aplicar" button
    // The capture control's WaveInDevice, with RecordBufferLength from the buffer choice.
    std::function<void(const std::string& card)> setCaptureDevice;
    std::function<bool()> captureBusy;  // CaptureBusy of the capture control
    // The adapter list changed: lines on the input and the hook-signalling mode.
    std::function<void(int position)> setAdapter;
    // "SelectIndexSource" of the pair section as stored now (-1 when absent).
    std::function<int()> storedInputPosition;
    std::function<void()> beep;
};

class PairAudioPage {
  public:
    static constexpr int kTrack1Initial = 10;
    static constexpr int kTrack1Min = 3;
    static constexpr int kTrack1Max = 100;

    // Everything passed must outlive the page. windowsVersionCode below 6 takes the
    // legacy branches (input list, per-input volume, USB adapter recognition).
    PairAudioPage(int pair, settings::PairSettings& settings, SoundCardOptions& options,
                  std::array<std::string, 3>& deviceInUse, int windowsVersionCode,
                  AudioPagePorts ports);

    // At creation, after the settings were read: copies the card and input lists and
    // restores card, input, adapter and volume. A stored card name that is in the list
    // selects that card; otherwise the stored position does.
    void restoreAtCreation();

    void CbDevicesChange();
    void CBListChange();
    // Applies Track1 (raised to 3 while a card is shown) to the card's recording volume.
    void Track1Change();
    // Moves the slider (as the user would) and applies it when the position changed.
    void setTrack1(int position);
    // Moves the slider and its label only, and says whether it moved; the card follows at
    // the next Track1Change (the automatic volume paces its writes).
    bool moveTrack1(int position);
    void CBTipoAdpChange();  // pair 1
    void CBChannelClick();   // pairs 2 and 3
    // Sets the line count of pairs 2 and 3; a different position runs CBChannelClick.
    void setLineCount(int position);
    void CheckAutoConfigClick();
    void CbDevicesExit();
    void CBListExit();
    // The window is shown: lists refilled after a removal.
    void FormShow();

    bool legacyBranch() const { return windowsVersionCode_ < 6; }
    // The card selected now, empty when none.
    const std::string& cardName() const { return settings_.CbDevices.text; }
    int WaveInIndex() const { return options_.WaveInIndex; }

    std::vector<std::string> CbDevicesItems;
    std::vector<std::string> CBListItems;
    std::string CBListShownText;  // the waiting text while the card loads
    bool CBListEnabled = true;
    bool CBListEditable = false;
    bool CBListVisible = false;
    bool lbCBDestVisible = false;
    std::string lbID = "ID: -1";
    std::string lbVol = "000%";
    bool Track1Enabled = true;
    bool PanelCODECVisible = true;
    bool PanelCODECDETECTADOVisible = false;
    bool PanelPlacaJaEmUsoVisible = false;
    bool btRemoverEnabled = false;
    bool UsbCodecDetected = false;

    // Shown by the adapter choice. Pair 1: the flash row with CheckOffHook for the USB
    // adapter, the even line's display for two lines, the hints for one line; pairs 2
    // and 3: the even line's display and spectrum switch for two lines, the hints for one.
    bool FlashRowVisible = true;
    bool EvenLineVisible = true;
    bool CHKSpectrum2Visible = true;
    bool HintsVisible = false;

  private:
    void showVolume();  // Track1 into the label
    void selectCard(int position);
    void selectInput(int position);
    void showAdapter(int position);

    int pair_;
    settings::PairSettings& settings_;
    SoundCardOptions& options_;
    std::array<std::string, 3>& deviceInUse_;
    int windowsVersionCode_;
    AudioPagePorts ports_;
};

}  // namespace kovra::audio
