#include "audio/sound_card_options.h"

namespace kovra::audio {

namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

SoundCardOptions::SoundCardOptions(mixer::MixerBackend& backend, UserInterface& ui,
                                   int windowsVersionCode)
    : Mixer(backend), ui_(ui), windowsVersionCode_(windowsVersionCode) {
    for (int id = 0; id < Mixer.deviceCount(); ++id) {
        Mixer.SetMixerId(id);
        cbALLDriver.Items.push_back(Mixer.MixerId() == id ? Mixer.ProductName() : std::string());
    }
    ListBox3.Items.emplace_back(kDefaultCaptureDriver);
    for (const mixer::CaptureDeviceCaps& device : backend.captureDevices()) {
        if (device.channels != 1) {
            ListBox3.Items.push_back(device.name);
        }
    }
    cbALLDriverChange();
}

int SoundCardOptions::chosenDestination() const {
    if (!cbDestino.selected() || cbDestino.ItemIndex >= static_cast<int>(ListWavIn.size())) {
        return -1;
    }
    return ListWavIn[static_cast<std::size_t>(cbDestino.ItemIndex)];
}

void SoundCardOptions::cbALLDriverChange() {
    CheckBuster.clear();
    ListBoxA.clear();
    ListBoxB.clear();
    ListBoxC.clear();
    Check2.clear();
    RememberedLine = -1;
    if (cbALLDriver.selected() && cbALLDriver.ItemIndex < Mixer.deviceCount()) {
        Mixer.SetMixerId(cbALLDriver.ItemIndex);
    }
    WaveInIndex = -1;
    const std::string card = trimmed(cbALLDriver.text());
    for (int i = 0; i < ListBox3.count(); ++i) {
        if (trimmed(ListBox3.Items[static_cast<std::size_t>(i)]) == card) {
            WaveInIndex = i;
            break;
        }
    }
    cbDestino.clear();
    ListWavIn.clear();
    if (Mixer.deviceCount() == 0) {
        volumeAttached_ = false;
        inputAttached_ = false;
        ui_.messageBox(kNoMixerTitle, kNoMixerText, MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    const auto& destinations = Mixer.Destinations();
    for (std::size_t d = 0; d < destinations.size(); ++d) {
        if (destinations[d].LineInfo.componentType == mixer::kComponentDstWaveIn) {
            ListWavIn.push_back(static_cast<int>(d));
            cbDestino.Items.push_back(destinations[d].LineInfo.name);
        } else {
            btBustClick();
        }
    }
    if (!cbDestino.Items.empty()) {
        cbDestino.select(0);
        cbDestinoChange();
    }
}

void SoundCardOptions::cbDestinoChange() {
    const int d = chosenDestination();
    if (d < 0) {
        return;
    }
    inputAttached_ = false;
    ComboList.clear();
    Check2.clear();
    ListBox1.clear();
    const TMixerDestination* destination = Mixer.Destination(d);
    if (destination == nullptr) {
        return;
    }
    ComboList.Items.push_back(destination->LineInfo.name);
    for (const TMixerConnection& source : destination->ConnectionList) {
        ComboList.Items.push_back(source.LineInfo.name);
    }
    for (int i = 0; i < ComboList.count(); ++i) {
        Check2.add(ComboList.Items[static_cast<std::size_t>(i)]);
        ListBox1.Items.push_back(std::to_string(i));
    }
    if (!ComboList.Items.empty()) {
        ComboList.select(0);
        inputAttached_ = true;
        ComboListChange();
    }
}

void SoundCardOptions::ComboListChange() {
    const int d = chosenDestination();
    if (!inputAttached_ || !ComboList.selected() || d < 0) {
        return;
    }
    Busy = true;
    const int entry = ComboList.ItemIndex;
    Check2.ItemIndex = entry;
    LineState state;
    Mixer.QueryLineState(d, entry - 1, state);
    if (!Mixer.ModeCaption.empty()) {
        chkSelectCaption = Mixer.ModeCaption;
    }
    btBustClick();
    Mixer.QueryLineState(d, entry - 1, state);
    if (!state.LevelDisabled) {
        RememberedLine = entry;
    }
    // Until the pair has chosen its card the open device is merely the system's last
    // one, which may be another pair's: nothing is written to it.
    if (legacyBranch() && AutoConfigFlag && !Check2.Items.empty() && cbALLDriver.selected()) {
        SelectModeCopy = Mixer.SelectMode;
        const std::size_t count = Check2.Items.size();
        if (SelectModeCopy) {
            Check2.Checked.assign(count, false);
            Check2.Checked[static_cast<std::size_t>(entry)] = true;
        } else {
            Check2.Checked.assign(count, true);
            Check2.Checked[static_cast<std::size_t>(entry)] = false;
            if (RememberedLine >= 0) {
                Check2.Checked[static_cast<std::size_t>(RememberedLine)] = false;
                Check2.ItemIndex = RememberedLine;
            }
        }
        for (int i = 0; i < static_cast<int>(count); ++i) {
            Check2.ItemIndex = i;
            writeVolumeLabel();
            // The slider is read for each entry: a move meanwhile reaches the rest.
            const int level = TrackLB * kVolumePerPercent;
            Mixer.ApplyLineState(d, i - 1, level, level, Check2.checked(i) ? 1 : 0);
        }
        if (RememberedLine >= 0) {
            Check2.ItemIndex = RememberedLine;
        }
    }
    Busy = false;
}

void SoundCardOptions::TrackLBChange() {
    // Without a chosen card the open device may be another pair's (see ComboListChange).
    if (!volumeAttached_ || Busy || Check2.Items.empty() || !Check2.selected() ||
        !cbALLDriver.selected()) {
        return;
    }
    // The automatic volume steps several times a second: reopening the card's mixer each
    // time (a new sound-server connection on Linux) cost more than the detectors.
    if (Mixer.MixerId() != cbALLDriver.ItemIndex) {
        Mixer.SetMixerId(cbALLDriver.ItemIndex);
    }
    Busy = true;
    const int mark = legacyBranch() && Check2.checked(Check2.ItemIndex) ? 1 : 0;
    writeVolumeLabel();
    const int level = TrackLB * kVolumePerPercent;
    Mixer.ApplyLineState(chosenDestination(), Check2.ItemIndex - 1, level, level, mark);
    if (legacyBranch() && !CheckBuster.Items.empty() && CheckBuster2) {
        for (int i = 0; i < CheckBuster.count(); ++i) {
            CheckBusterClick(i);
        }
    }
    Busy = false;
}

void SoundCardOptions::btBustClick() {
    if (!cbALLDriver.selected()) {
        return;
    }
    Mixer.SetMixerId(cbALLDriver.ItemIndex);
    CheckBuster.clear();
    ListBoxA.clear();
    ListBoxB.clear();
    ListBoxC.clear();
    auto scan = [this](const std::vector<mixer::MixerControl>& controls, int d, int s) {
        for (std::size_t j = 0; j < controls.size(); ++j) {
            if (controls[j].controlType == mixer::kControlOnOff) {
                CheckBuster.add(std::to_string(CheckBuster.count() + 1) + "  " + controls[j].name);
                ListBoxA.push_back(d);
                ListBoxB.push_back(s);
                ListBoxC.push_back(static_cast<int>(j));
            }
        }
    };
    const auto& destinations = Mixer.Destinations();
    for (std::size_t d = 0; d < destinations.size(); ++d) {
        scan(destinations[d].ControlList, static_cast<int>(d), -1);
        const auto& sources = destinations[d].ConnectionList;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            scan(sources[s].ControlList, static_cast<int>(d), static_cast<int>(s));
        }
    }
    if (CheckBuster2) {
        for (int i = 0; i < CheckBuster.count(); ++i) {
            CheckBusterClick(i);
        }
    }
}

void SoundCardOptions::CheckBusterClick(int i) {
    if (i < 0 || i >= CheckBuster.count()) {
        return;
    }
    const auto at = static_cast<std::size_t>(i);
    const TMixerDestination* destination = Mixer.Destination(ListBoxA[at]);
    if (destination == nullptr) {
        return;
    }
    const int s = ListBoxB[at];
    const std::vector<mixer::MixerControl>* controls = &destination->ControlList;
    if (s >= 0) {
        if (s >= static_cast<int>(destination->ConnectionList.size())) {
            return;
        }
        controls = &destination->ConnectionList[static_cast<std::size_t>(s)].ControlList;
    }
    const int c = ListBoxC[at];
    if (c < 0 || c >= static_cast<int>(controls->size())) {
        return;
    }
    Mixer.writeControl((*controls)[static_cast<std::size_t>(c)].controlId, 1, 0,
                       {CheckBuster.checked(i) ? 1 : 0});
}

}  // namespace kovra::audio
