// The system's mixers through ALSA's simple mixer (snd_mixer_selem), as MixerBackend.
// Devices are the sound cards of listSoundCards(), counted when the backend is made.
//
// How a card's simple-mixer elements become destination lines, source lines and controls:
//
//   destination 0 "Master" (speakers), when the card has playback elements:
//     VOLUME  the playback volume of element "Master"
//     MUTE    its playback switch, inverted (switch off = muted)
//     sources every other element with a playback volume or switch, each with its
//             playback volume (VOLUME) and switch (MUTE, inverted)
//   next destination "Capture" (the recording line), when the card can capture:
//     MUX     the capture-source enumeration ("Capture Source", "Input Source": the first
//             element with a capture enum); its items are the first sources, in item
//             order. Cards whose inputs switch each other off (exclusive capture
//             switches) get a MUX over those inputs instead.
//     VOLUME  the capture volume of element "Capture"
//     MUTE    its capture switch, inverted
//     sources the MUX items, then every other element with a capture volume or switch,
//             each with its capture volume (VOLUME) and, unless the MUX selects it, its
//             capture switch (MUTE, inverted)
//   ONOFF     an element with a switch and no volume whose name says it boosts or gains
//             ("Mic Boost", "Auto Gain Control", "AGC"), on the capture source whose name
//             it starts with, else on the recording line. Other switch-only elements
//             (outputs such as "Headphone" or "IEC958") are playback sources with a MUTE,
//             so switching the boosters off never silences an output.
//
// Values: a volume's raw 0..65535 maps linearly onto the element's own range; channel 0
// is front left, 1 front right; a mono or joined element is uniform (one value). The MUX
// accepts a selection of exactly one item; a selection with none set is refused, as a
// single-select list allows no empty selection. An inactive element's controls carry the
// disabled flag. ALSA has no maker or product id: both read 0.
// Notifications: value changes of the open card's elements, delivered by
// pollNotifications() (without waiting). One thread, as MixerBackend.
#pragma once

#include <vector>

#include "platform/mixer/alsa_cards.h"
#include "platform/mixer/mixer_backend.h"

namespace kovra::mixer {

class AlsaMixer final : public MixerBackend {
  public:
    AlsaMixer();
    explicit AlsaMixer(std::vector<SoundCard> cards);

    int deviceCount() override { return static_cast<int>(cards_.size()); }
    // Null, after logging why, when the card's mixer cannot be opened.
    std::unique_ptr<MixerDevice> open(int id, const MixerNotifications* notify) override;
    // The cards that can capture, by name, with their channel counts.
    std::vector<CaptureDeviceCaps> captureDevices() override;

    const std::vector<SoundCard>& cards() const { return cards_; }

  private:
    std::vector<SoundCard> cards_;
};

}  // namespace kovra::mixer
