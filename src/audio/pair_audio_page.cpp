#include "audio/pair_audio_page.h"

#include <algorithm>

#include "audio/audio_texts.h"
#include "platform/pair_profile.h"

namespace kovra::audio {

namespace {

constexpr int kTwoLinesPosition = 1;

int indexIn(const std::vector<std::string>& items, const std::string& text) {
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void call(const std::function<void()>& f) {
    if (f) {
        f();
    }
}

}  // namespace

int restoredCardPosition(const std::vector<std::string>& cards, const std::string& storedName,
                         int storedPosition) {
    if (storedPosition < 0) {
        return -1;
    }
    // The stored position decides, as it always did; but when the stored card is still
    // listed, that card is taken, so that a card added or removed since does not move a
    // pair onto another pair's lines.
    const int byName = indexIn(cards, storedName);
    const int position = byName >= 0 ? byName : storedPosition;
    return position < static_cast<int>(cards.size()) ? position : -1;
}

PairAudioPage::PairAudioPage(int pair, settings::PairSettings& settings, SoundCardOptions& options,
                             std::array<std::string, 3>& deviceInUse, int windowsVersionCode,
                             AudioPagePorts ports)
    : pair_(pair),
      settings_(settings),
      options_(options),
      deviceInUse_(deviceInUse),
      windowsVersionCode_(windowsVersionCode),
      ports_(std::move(ports)) {}

void PairAudioPage::selectCard(int position) {
    if (position >= 0 && position < static_cast<int>(CbDevicesItems.size())) {
        settings_.CbDevices = {CbDevicesItems[static_cast<std::size_t>(position)], position};
    } else {
        settings_.CbDevices = {};
    }
}

void PairAudioPage::selectInput(int position) {
    if (position >= 0 && position < static_cast<int>(CBListItems.size())) {
        settings_.CBList = {CBListItems[static_cast<std::size_t>(position)], position};
    } else {
        settings_.CBList = {};
    }
}

void PairAudioPage::restoreAtCreation() {
    CbDevicesItems = options_.cbALLDriver.Items;
    CBListItems = options_.ComboList.Items;
    selectCard(restoredCardPosition(CbDevicesItems, settings_.CbDevices.text,
                                    settings_.CbDevices.itemIndex));
    selectInput(settings_.CBList.itemIndex);
    if (!pairProfile(pair_).adapterTypeList) {
        const int lineCount = settings_.CBChannel.itemIndex;
        settings_.CBChannel.itemIndex = -1;
        setLineCount(lineCount);
    }
    options_.AutoConfigFlag = settings_.AutoConfigFlag;
    const int volume = settings_.Track1;
    settings_.Track1 = kTrack1Initial;
    setTrack1(volume);
}

void PairAudioPage::CbDevicesChange() {
    const std::string name = settings_.CbDevices.text;
    if (name.empty()) {
        return;
    }
    deviceInUse_.at(static_cast<std::size_t>(pair_ - 1)) = name;
    for (int other = 1; other <= 3; ++other) {
        if (other != pair_ && deviceInUse_.at(static_cast<std::size_t>(other - 1)) == name) {
            PanelPlacaJaEmUsoVisible = true;
            CBListItems.clear();
            settings_.CBList = {};
            call(ports_.beep);
            return;
        }
    }
    PanelPlacaJaEmUsoVisible = false;
    call(ports_.BnStopClick);

    CBListItems.clear();
    settings_.CBList = {};
    options_.ComboList.clear();
    Track1Enabled = false;
    if (ports_.setStartEnabled) {
        ports_.setStartEnabled(false);
    }
    CBListEditable = true;
    CBListShownText = texts::kWaiting;
    CBListEnabled = false;

    options_.cbALLDriver.select(indexIn(CbDevicesItems, name));
    options_.cbALLDriverChange();

    if (legacyBranch()) {
        CBListItems = options_.ComboList.Items;
        selectInput(ports_.storedInputPosition ? ports_.storedInputPosition() : -1);
    }
    CBListEnabled = true;
    Track1Enabled = true;
    CBListEditable = false;
    CBListShownText.clear();

    call(ports_.enableApply);
    lbID = "ID: " + std::to_string(options_.WaveInIndex - 1);
    if (settings_.CbDevices.itemIndex >= 0) {
        if (ports_.setCaptureDevice) {
            ports_.setCaptureDevice(name);
        }
        call(ports_.BnStartClick);
    }

    UsbCodecDetected = name.find(texts::kUsbCodecName) != std::string::npos && legacyBranch();
    CBListVisible = legacyBranch();
    lbCBDestVisible = legacyBranch();
    CBListEnabled = !UsbCodecDetected;
    PanelCODECVisible = !UsbCodecDetected;
    PanelCODECDETECTADOVisible = UsbCodecDetected;
    if (UsbCodecDetected) {
        selectInput(0);
        if (!pairProfile(pair_).adapterTypeList) {
            setLineCount(kTwoLinesPosition);
        }
    }
    btRemoverEnabled = settings_.CbDevices.itemIndex >= 0;
}

void PairAudioPage::CBListChange() {
    options_.ComboList.select(indexIn(CBListItems, settings_.CBList.text));
    options_.ComboListChange();
    call(ports_.enableApply);
}

void PairAudioPage::Track1Change() {
    if (cardName().empty()) {
        return;
    }
    settings_.Track1 = std::clamp(settings_.Track1, kTrack1Min, kTrack1Max);
    showVolume();
    options_.TrackLB = settings_.Track1;
    options_.TrackLBChange();
    call(ports_.enableApply);
}

void PairAudioPage::showVolume() {
    lbVol = std::to_string(settings_.Track1) + "%";
}

void PairAudioPage::setTrack1(int position) {
    if (moveTrack1(position)) {
        Track1Change();
    }
}

bool PairAudioPage::moveTrack1(int position) {
    position = std::clamp(position, 0, kTrack1Max);
    if (position == settings_.Track1) {
        return false;
    }
    settings_.Track1 = position;
    if (!cardName().empty()) {  // the label shows the card's volume
        showVolume();
    }
    return true;
}

void PairAudioPage::showAdapter(int position) {
    if (pairProfile(pair_).adapterTypeList) {
        FlashRowVisible = position == pairProfile(pair_).hookAdapterPosition;
        EvenLineVisible = position > 0;
    } else {
        EvenLineVisible = position == kTwoLinesPosition;
        CHKSpectrum2Visible = position == kTwoLinesPosition;
    }
    HintsVisible = position == 0;
}

void PairAudioPage::CBTipoAdpChange() {
    call(ports_.BnStopClick);
    const int position = settings_.CBTipoAdp.itemIndex;
    if (ports_.setAdapter) {
        ports_.setAdapter(position);
    }
    showAdapter(position);
    call(ports_.BnStartClick);
    call(ports_.enableApply);
}

void PairAudioPage::CBChannelClick() {
    showAdapter(settings_.CBChannel.itemIndex);
    call(ports_.enableApply);
}

void PairAudioPage::setLineCount(int position) {
    if (position == settings_.CBChannel.itemIndex) {
        return;
    }
    settings_.CBChannel.itemIndex = position;
    settings_.CBChannel.text =
        position == 0 || position == 1 ? texts::kLineCount[position] : std::string();
    CBChannelClick();
}

void PairAudioPage::CheckAutoConfigClick() {
    settings_.AutoConfigFlag = settings_.CheckAutoConfig;
    options_.AutoConfigFlag = settings_.CheckAutoConfig;
}

void PairAudioPage::CBListExit() {
    if (ports_.setStartEnabled) {
        ports_.setStartEnabled(settings_.CBList.itemIndex >= 0 &&
                               settings_.CbDevices.itemIndex >= 0);
    }
}

void PairAudioPage::CbDevicesExit() {
    if (ports_.captureBusy && ports_.captureBusy()) {
        return;
    }
    CBListExit();
}

void PairAudioPage::FormShow() {
    if (cardName().empty()) {
        CBListEnabled = false;
    }
    if (CbDevicesItems.empty()) {
        CbDevicesItems = options_.cbALLDriver.Items;
        CBListItems = options_.ComboList.Items;
        settings_.CbDevices = {};
        settings_.CBList = {};
    }
}

}  // namespace kovra::audio
