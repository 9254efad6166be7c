// The system's sound cards as ALSA knows them, in the order the program lists them:
// first the kernel's cards (hw:0, hw:1, ...), named as the card names itself ("USB Audio
// CODEC"), then the devices the ALSA configuration defines by name with both a control
// ("ctl.NAME") and a PCM ("pcm.NAME") entry, such as sound-server sources
// ("pcm.linhas12 { type pulse device ... }"), named NAME. Entries that take arguments,
// "default" and "sysdefault", and names whose control cannot be opened are left out.
// Names are unique: a second card of the same name is "2- name", a third "3- name"; at
// most 31 characters, as mixer product names are.
// Any thread; each call reads the configuration and the kernel's cards afresh.
#pragma once

#include <string>
#include <vector>

namespace kovra::mixer {

struct SoundCard {
    std::string name;         // the program's name for the card
    std::string ctl;          // ALSA control device: "hw:1" or "linhas12"
    std::string pcm;          // ALSA capture PCM: "hw:1,0" or "linhas12"; empty: no capture
    int captureChannels = 0;  // most channels the capture offers (2 when it cannot be asked)
};

std::vector<SoundCard> listSoundCards();

// The card of that name among cards, or null.
const SoundCard* findSoundCard(const std::vector<SoundCard>& cards, const std::string& name);

}  // namespace kovra::mixer
