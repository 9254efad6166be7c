// The sound-card options of one line pair (the hidden options window TFormOpc1..3): the
// pair's working model of its card, and the only place that changes the system's mixer.
// It lists the cards, the capture devices and the inputs of the card's recording line,
// selects the recording input, writes the recording volume, mutes the inputs not in use
// and switches every on/off control of the card (the boosters) off. The pair's audio page
// sets a list position or the volume and runs the matching behaviour. Loop thread only.
#pragma once

#include <string>
#include <vector>

#include "audio/audio_mixer.h"
#include "audio/list_controls.h"
#include "platform/user_interface.h"

namespace kovra::audio {

inline constexpr const char* kDefaultCaptureDriver = "Driver padrão (0)";
inline constexpr const char* kNoMixerTitle = "Error";
inline constexpr const char* kNoMixerText = "Não há mixer presente no seu sistema !";
// Raw mixer volume per percent of the slider (100 % is 65500).
inline constexpr int kVolumePerPercent = 655;

class SoundCardOptions {
  public:
    // Creation: lists every card (opening each; the last one stays open), fills the
    // capture list and builds the lists of that last card. Without any mixer it shows
    // the error box once and keeps its lists empty. windowsVersionCode below 6 takes the
    // legacy branches (input selection and per-input volumes).
    SoundCardOptions(mixer::MixerBackend& backend, UserInterface& ui, int windowsVersionCode);

    // Card change: opens the card selected in cbALLDriver, finds WaveInIndex, lists its
    // recording destinations and switches its boosters off.
    void cbALLDriverChange();
    // Lists the inputs of the chosen recording destination and runs the input change.
    void cbDestinoChange();
    // Applies the input chosen in ComboList (legacy branch, with AutoConfigFlag and a card
    // chosen): selects it or unmutes it alone, and gives every input the slider's volume;
    // switches the boosters off on every branch.
    void ComboListChange();
    // Writes the slider's volume to the chosen input (to the recording line itself on
    // current systems). Does nothing while an input change runs or before a card is
    // chosen.
    void TrackLBChange();
    // Lists every on/off control of the card and, with CheckBuster2, switches each off.
    void btBustClick();
    // Writes booster entry i: its mark (1) or no mark (0).
    void CheckBusterClick(int i);

    bool legacyBranch() const { return windowsVersionCode_ < 6; }

    TAudioMixer Mixer;
    ItemList cbALLDriver;        // the cards, by product name, in device order
    ItemList ListBox3;           // "Driver padrão (0)", then the capture devices of 2+ channels
    int WaveInIndex = -1;        // position of the chosen card in ListBox3, -1 when absent
    ItemList cbDestino;          // names of the card's recording destinations
    std::vector<int> ListWavIn;  // their destination positions
    ItemList ComboList;          // inputs: 0 the recording line itself, k its source k - 1
    CheckList Check2;            // the same, marked: selected (select mode) or muted (mute mode)
    ItemList ListBox1;           // "0", "1", ... beside ComboList
    CheckList CheckBuster;       // the boosters, "1  name", "2  name", ...
    std::vector<int> ListBoxA;   // booster's destination position
    std::vector<int> ListBoxB;   // its source position (-1: the destination line itself)
    std::vector<int> ListBoxC;   // its control position in that line
    bool CheckBuster2 = true;    // "Desativar Buster's automaticamente"
    int TrackLB = 0;             // volume slider 0..100
    std::string lbVol;           // the volume as "<n>%"
    std::string chkSelectCaption;
    bool Busy = false;
    bool SelectModeCopy = false;
    int RememberedLine = -1;
    bool AutoConfigFlag = true;  // the pair's "Auto-Config Windows"

  private:
    // The destination chosen in cbDestino, -1 when none.
    int chosenDestination() const;
    void writeVolumeLabel() { lbVol = std::to_string(TrackLB) + "%"; }

    UserInterface& ui_;
    int windowsVersionCode_;
    bool volumeAttached_ = true;
    bool inputAttached_ = true;
};

}  // namespace kovra::audio
