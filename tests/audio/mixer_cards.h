// Sound cards for the mixer tests, in the shapes real mixers have: a recording line that
// selects one input with a list (select mode), one whose inputs each have a mute (mute
// mode), and a sound server's card with one capture volume. Plus a user interface that
// records its boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/mixer/memory_mixer.h"
#include "platform/user_interface.h"

namespace kovra::audio::test {

using mixer::MemoryMixer;

inline MemoryMixer::Control volume(std::string name = "Volume", std::uint32_t flags = 0) {
    return {mixer::kControlVolume, std::move(name), flags, {}, {}};
}
inline MemoryMixer::Control mute(std::string name = "Mute") {
    return {mixer::kControlMute, std::move(name), mixer::kFlagUniform, {}, {}};
}
inline MemoryMixer::Control onOff(std::string name) {
    return {mixer::kControlOnOff, std::move(name), mixer::kFlagUniform, {}, {1}};
}
inline MemoryMixer::Control mux(std::vector<std::string> items, int selected) {
    MemoryMixer::Control c{
        mixer::kControlMux, "Recording Source", mixer::kFlagUniform, std::move(items), {}};
    c.values.assign(c.items.size(), 0);
    c.values.at(static_cast<std::size_t>(selected)) = 1;
    return c;
}
inline MemoryMixer::Line line(std::string name, std::vector<MemoryMixer::Control> controls,
                              std::uint32_t channels = 2,
                              std::uint32_t type = mixer::kComponentSrcLine) {
    return {std::move(name), type, channels, std::move(controls)};
}

// Playback destination with a booster on its microphone.
inline MemoryMixer::Destination speakers() {
    return {line("Volume Control", {volume(), mute()}, 2, mixer::kComponentDstSpeakers),
            {line("CD", {volume(), mute()}),
             line("Microphone", {volume(), mute(), onOff("Mic Boost")})}};
}

// A recording line choosing its input with a list; "Phone" is not in the list and has a
// mute of its own.
inline MemoryMixer::Card selectCard(std::string name = "SoundMAX Digital Audio") {
    MemoryMixer::Card card;
    card.name = std::move(name);
    card.destinations.push_back(speakers());
    card.destinations.push_back(
        {line("Recording Control", {mux({"Mic", "Line In", "Stereo Mix"}, 0), volume()}, 2,
              mixer::kComponentDstWaveIn),
         {line("Mic", {volume(), onOff("Mic Boost")}, 1), line("Line In", {volume()}),
          line("Stereo Mix", {volume()}), line("Phone", {volume(), mute()})}});
    return card;
}

// A recording line whose inputs each have a mute; two boosters share a name.
inline MemoryMixer::Card muteCard(std::string name = "Realtek HD Audio") {
    MemoryMixer::Card card;
    card.name = std::move(name);
    card.destinations.push_back(
        {line("Recording", {volume(), mute(), onOff("AGC")}, 2, mixer::kComponentDstWaveIn),
         {line("Mic", {volume(), mute(), onOff("AGC")}), line("Line", {volume(), mute()}),
          line("CD", {volume(), mute()})}});
    return card;
}

// A sound server's card: playback and one capture volume with its switch.
inline MemoryMixer::Card serverCard(std::string name) {
    MemoryMixer::Card card;
    card.name = std::move(name);
    card.destinations.push_back(
        {line("Master", {volume(), mute()}, 2, mixer::kComponentDstSpeakers), {}});
    card.destinations.push_back(
        {line("Capture", {volume(), mute()}, 2, mixer::kComponentDstWaveIn), {}});
    return card;
}

struct Box {
    std::string title;
    std::string text;
    MessageIcon icon;
};

class RecordingUi final : public UserInterface {
  public:
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override {
        boxes.push_back({title, text, icon});
        return defaultAnswer(buttons);
    }
    void beep() override { ++beeps; }
    void setTrayIconVisible(bool) override {}

    std::vector<Box> boxes;
    int beeps = 0;
};

}  // namespace kovra::audio::test
