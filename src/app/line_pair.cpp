#include "app/line_pair.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "audio/audio_texts.h"
#include "platform/capture/fast_audio_driver.h"
#include "platform/capture/wav_file_capture.h"
#include "platform/log.h"
#include "platform/pair_profile.h"
#include "platform/system/local_time.h"
#include "recording/portaudio_capture_stage.h"
#include "recording/pushed_capture_stage.h"
#include "recording/recording_names.h"
#include "settings/settings_access.h"
#include "settings/settings_keys.h"

namespace kovra {

namespace {

constexpr Millis kTimerFechaMs{2000};
constexpr int kMinTrackPosition = 3;
constexpr int kMaxTrackPosition = 100;

std::tm localTime(TimePoint t) {
    return localCalendarTime(t);
}

DetectorSource detectorSource(const PairInput& input, FastAudioDriver* fast) {
    if (input.kind == PairInput::Kind::WavFile) {
        return DetectorSource::wavFile(input.file, fast);
    }
    return DetectorSource::device();
}

Rgb levelColour(LevelViewColour colour) {
    switch (colour) {
        case LevelViewColour::Yellow:
            return {255, 255, 0};
        case LevelViewColour::Green:
            return {0, 128, 0};
        case LevelViewColour::White:
            return {255, 255, 255};
        case LevelViewColour::Aqua:
            break;
    }
    return {0, 255, 255};
}

// The buffer's audio at twice its rate, as `channels` interleaved channels (a mono buffer
// feeds both): each sample, then the mean of it and the next.
void doubleRate(const CaptureBuffer& buffer, int channels, std::vector<std::int16_t>& out) {
    const std::size_t frames = buffer.frames();
    const auto in = static_cast<std::size_t>(buffer.channels);
    const auto width = static_cast<std::size_t>(channels);
    out.resize(2 * frames * width);
    for (std::size_t c = 0; c < width; ++c) {
        const std::size_t from = std::min(c, in - 1);
        for (std::size_t f = 0; f < frames; ++f) {
            const int now = buffer.interleaved[f * in + from];
            const int next = f + 1 < frames ? buffer.interleaved[(f + 1) * in + from] : now;
            out[2 * f * width + c] = static_cast<std::int16_t>(now);
            out[(2 * f + 1) * width + c] = static_cast<std::int16_t>((now + next) / 2);
        }
    }
}

}  // namespace

LinePair::LinePair(int pair, PairServices& services, PairInput input)
    : pair_(pair),
      s_(services),
      input_(std::move(input)),
      settings_(settings::PairSettings::defaults(pair)),
      storage_(pair, services.files, services.ui),
      detectors_(makePairDetectors(services.loop, detectorSource(input_, services.fast))),
      timerFecha_(services.loop, kTimerFechaMs, [this] { TimerFechaTimer(); }),
      volumeWriter_(services.loop, [this] { Track1Change(); }) {
    if (input_.kind == PairInput::Kind::WavFile) {
        feed_ = std::make_unique<RecordingFileFeed>(input_.file);
    }
    logic_ = std::make_unique<line::PairLineLogic>(pair, s_.loop, s_.globals,
                                                   static_cast<line::LineRecordingPort&>(*this),
                                                   counters_, linePorts());
    recording_ = std::make_unique<RecordingControl>(
        pair, s_.loop, static_cast<RecordingLinePort&>(*this), counters_, recordingPorts(),
        makeRecordingCaptures(), s_.lame);
    relay_ = std::make_unique<relay::control::PairRelayControl>(
        pair, s_.loop, settings_, s_.files, s_.ui,
        static_cast<relay::control::PairRelayPorts&>(*this), s_.host);
    const line::PairDetectorControls controls{*detectors_.capture, *detectors_.decoder1,
                                              *detectors_.decoder2, *detectors_.view1,
                                              *detectors_.view2};
    detectorControl_ = std::make_unique<line::PairDetectorControl>(
        *logic_, s_.loop, s_.ui, s_.globals, controls, detectorPorts());
    dialog_ = std::make_unique<PairDialog>(
        pair, s_.diagnostics, s_.ui,
        PairDialogFlags{detectorControl_->ApplyEnabled, detectorControl_->SettingsShown,
                        recording_->RecordPageOpen, settings_.SavedLinesOnInput},
        dialogPorts());

    if (feed_) {
        detectors_.capture->setSampleObserver(
            [this](const CaptureBuffer& buffer) { feedRecording(buffer); });
    } else {
        detectors_.capture->setSampleObserver(
            [this](const CaptureBuffer& buffer) { keepPreRoll(buffer); });
    }
    if (detectors_.file != nullptr) {
        detectors_.file->OnEndOfInput = [this] {
            if (OnEndOfInput) {
                OnEndOfInput();
            }
        };
    }

    storage_.setHooks(settingsHooks());
    storage_.readAtCreation(settings_);
    applyInput();
    if (s_.mixer != nullptr && input_.kind == PairInput::Kind::Stored) {
        options_ = std::make_unique<audio::SoundCardOptions>(*s_.mixer, s_.ui,
                                                             s_.globals.WindowsVersionCode);
        page_ =
            std::make_unique<audio::PairAudioPage>(pair_, settings_, *options_, s_.deviceInUse,
                                                   s_.globals.WindowsVersionCode, audioPagePorts());
        page_->restoreAtCreation();
    }
    applySettings();
    relay_->CheckLocalAddressAtCreation();
}

LinePair::~LinePair() {
    timerFecha_.setEnabled(false);
    if (detectors_.capture) {
        detectors_.capture->setSampleObserver({});
        if (detectors_.capture->CaptureRunning()) {
            detectors_.capture->StopCapture();
        }
        detectors_.capture->OnRecordDone = {};
    }
    if (detectors_.file != nullptr) {
        detectors_.file->OnEndOfInput = {};
    }
    // The recording writers finish their files before the rest goes away.
    if (recording_) {
        stopRecordings();
    }
    dialog_.reset();
    detectorControl_.reset();
    relay_.reset();
    recording_.reset();
    logic_.reset();
}

// --- start-up ---

void LinePair::startUp() {
    const bool adapterChosen = settings_.adapterList(pair_).itemIndex >= 0;
    if (pairProfile(pair_).asksForAdapterAtStart && !adapterChosen) {
        s_.ui.messageBox("Configurações da placa de som",
                         "Pressione em OK para configurar a placa de som agora",
                         MessageIcon::Information, MessageButtons::Ok);
        startedUp_ = true;
        openConfigWindow();
        return;
    }
    timerFecha_.setEnabled(true);
}

void LinePair::TimerFechaTimer() {
    timerFecha_.setEnabled(false);
    CbDevicesChange();
    hide();
    startedUp_ = true;
}

void LinePair::chooseCard(int position) {
    if (!page_) {
        return;  // a file input is its own card
    }
    const std::vector<std::string>& cards = page_->CbDevicesItems;
    if (position < 0 || position >= static_cast<int>(cards.size())) {
        return;
    }
    settings_.CbDevices = {cards[static_cast<std::size_t>(position)], position};
    if (CbDevicesChange()) {
        detectorControl_->ApplyEnabled = true;
    }
}

bool LinePair::CbDevicesChange() {
    const std::string name = settings_.CbDevices.text;
    if (name.empty()) {
        return false;
    }
    bool refused = false;
    if (page_) {
        page_->CbDevicesChange();
        refused = page_->PanelPlacaJaEmUsoVisible;
        for (int k = 1; k <= 2; ++k) {
            logic_->channel(k).UsbCodecDetected = page_->UsbCodecDetected;
        }
        syncDeviceChoice();
    } else {
        // A file input is its own card: no mixer, the same exclusivity.
        s_.deviceInUse.at(static_cast<std::size_t>(pair_ - 1)) = name;
        for (int other = 1; other <= 3; ++other) {
            if (other != pair_ && s_.deviceInUse.at(static_cast<std::size_t>(other - 1)) == name) {
                refused = true;
            }
        }
        if (refused) {
            s_.ui.beep();
        } else {
            detectorControl_->BnStopClick();
            detectors_.capture->RecordBufferLength = line::recordBufferLength(settings_.CBbuffer);
            detectorControl_->ApplyEnabled = true;
            syncDeviceChoice();
            if (settings_.CbDevices.itemIndex >= 0) {
                detectors_.capture->WaveInDevice = name;
                detectorControl_->BnStartClick();
            }
        }
    }
    if (refused) {
        logLine(LogLevel::Warning, "Esta placa já está em uso ! Selecione outra. (" + name +
                                       ", pair " + std::to_string(pair_) + ")");
        if (s_.cardRefused) {
            s_.cardRefused(pair_, name);
        }
    }
    return !refused;
}

void LinePair::CBListChange() {
    if (page_) {
        page_->CBListChange();
        syncDeviceChoice();
    }
}

void LinePair::Track1Change() {
    if (page_) {
        page_->Track1Change();
    }
}

void LinePair::chooseAdapter(int position) {
    const bool typeList = pairProfile(pair_).adapterTypeList;
    const std::size_t count = static_cast<std::size_t>(pairProfile(pair_).adapterCount);
    if (page_ && !typeList) {
        page_->setLineCount(position);  // runs CBChannelClick on a different position
        return;
    }
    settings::ComboState& adapter = settings_.adapterList(pair_);
    adapter.itemIndex = position;
    adapter.text.clear();
    const auto at = static_cast<std::size_t>(position);
    if (position >= 0 && at < count) {
        adapter.text = typeList ? audio::texts::kAdapterPair1[at] : audio::texts::kLineCount[at];
    }
    if (page_) {
        page_->CBTipoAdpChange();
        return;
    }
    // A file input: its channels say how many lines it carries; the choice waits for the
    // save.
    detectorControl_->ApplyEnabled = true;
}

void LinePair::setAutoVolume(bool on) {
    settings_.chkAutoVol = on;
    logic_->options().chkAutoVol = on;
    detectorControl_->ApplyEnabled = true;
}

audio::AudioPagePorts LinePair::audioPagePorts() {
    audio::AudioPagePorts ports;
    ports.BnStartClick = [this] {
        syncDeviceChoice();
        detectorControl_->BnStartClick();
    };
    ports.BnStopClick = [this] { detectorControl_->BnStopClick(); };
    ports.setStartEnabled = [this](bool enabled) { detectorControl_->BnStartEnabled = enabled; };
    ports.enableApply = [this] { detectorControl_->ApplyEnabled = true; };
    ports.setCaptureDevice = [this](const std::string& card) {
        detectors_.capture->WaveInDevice = card;
        detectors_.capture->RecordBufferLength = line::recordBufferLength(settings_.CBbuffer);
    };
    ports.captureBusy = [this] { return detectors_.capture->CaptureBusy(); };
    ports.setAdapter = [this](int position) {
        detectorControl_->choice().AdapterIndex = position;
        if (position >= 0) {
            detectorControl_->setAdapter(position);
        }
    };
    ports.storedInputPosition = [this] {
        return settings::SettingsAccess(s_.files, pair_).read(settings::keys::kSelectIndexSource);
    };
    ports.beep = [this] { s_.ui.beep(); };
    return ports;
}

void LinePair::hide() {
    storage_.readAtHide(settings_);
    applySettings();
    relay_->SendLineDadosRep();
}

PairDialogPorts LinePair::dialogPorts() {
    PairDialogPorts ports;
    ports.save = [this] {
        settings::SaveResult result = storage_.save(settings_);
        applySettings();
        return result;
    };
    ports.clearAutoVol = [this] {
        logic_->channel(1).AutoVolApplied = false;
        logic_->channel(2).AutoVolApplied = false;
    };
    ports.BnStartClick = [this] { detectorControl_->BnStartClick(); };
    ports.BnStopClick = [this] { detectorControl_->BnStopClick(); };
    ports.CaptureRunning = [this] { return CaptureRunning(); };
    ports.adapterPosition = [this] { return settings_.adapterList(pair_).itemIndex; };
    ports.forgetCard = [this] {
        settings_.CbDevices = {};
        settings_.CBList = {};
        detectorControl_->choice().CbDevicesText.clear();
        detectorControl_->choice().CbDevicesIndex = -1;
        s_.deviceInUse.at(static_cast<std::size_t>(pair_ - 1)).clear();
    };
    ports.erasePair = [this] {
        storage_.erasePair();
        s_.deviceInUse.at(static_cast<std::size_t>(pair_ - 1)).clear();
    };
    ports.hidden = [this] { hide(); };
    return ports;
}

void LinePair::openConfigWindow() {
    if (s_.openWindow) {
        s_.openWindow(pair_);
    }
}

void LinePair::endProgram() {
    if (s_.endProgram) {
        s_.endProgram();
    }
}

void LinePair::reportError(const std::exception& error) {
    logLine(LogLevel::Error, std::string("pair ") + std::to_string(pair_) + ": " + error.what());
    s_.errors.logException(error, s_.loop.now());
}

// --- settings and input ---

void LinePair::applyInput() {
    if (input_.kind != PairInput::Kind::WavFile) {
        return;
    }
    // A file stands for the card: it is the pair's only device, and its channel count
    // says how many lines it carries (pair 1 keeps a hook-signalling adapter on a
    // two-line file).
    settings_.CbDevices = {input_.file.filename().string(), 0};
    const bool twoLines = input_.fileChannels >= 2;
    settings::ComboState& adapter = settings_.adapterList(pair_);
    const int hookPosition = pairProfile(pair_).hookAdapterPosition;
    const bool hookAdapter = hookPosition >= 0 && adapter.itemIndex == hookPosition;
    if (!(twoLines && hookAdapter)) {
        adapter.itemIndex = twoLines ? 1 : 0;
    }
}

void LinePair::applySettings() {
    settings::PairSettings& st = settings_;
    line::PairLineOptions& o = logic_->options();
    o.chkSendDTMF = st.chkSendDTMF;
    o.chkSendFormatado = st.chkSendFormatado;
    o.chkIndexPhone = st.chkIndexPhone;
    o.chkRing = st.chkRing;
    o.chkNumeroDiscado = st.chkNumeroDiscado;
    o.chkNameFile = st.chkNameFile;
    o.CheckTexto = st.CheckTexto;
    for (int k = 1; k <= 2; ++k) {
        o.chkTipoL[k - 1] = st.chkTipoL(k);
        o.chkEuropa[k - 1] = k == 1 ? st.chkEuropa1 : st.chkEuropa2;
        o.SpinOffHook[k - 1] = k == 1 ? st.SpinOffHook1 : st.SpinOffHook2;
    }
    o.CheckAutoRec = st.CheckAutoRec;
    o.CheckOffRing = st.CheckOffRing;
    o.CheckOffTom = st.CheckOffTom;
    o.CheckOffDial = st.CheckOffDial;
    o.CheckOffHook = st.CheckOffHook;
    o.chkAutoVol = st.chkAutoVol;
    o.CBbuffer = st.CBbuffer;
    logic_->CBbufferChange(st.CBbuffer);

    RecordingOptions& r = recording_->options;
    r.CheckAutoRec = st.CheckAutoRec;
    for (int k = 1; k <= 2; ++k) {
        recording_->chain(k).capture().setPreRoll(st.PreRoll);
    }
    r.CheckOffRing = st.CheckOffRing;
    r.CheckOffTom = st.CheckOffTom;
    r.CheckOffDial = st.CheckOffDial;
    r.CheckOffHook = st.CheckOffHook;
    r.SpinPause = st.SpinPause;
    r.SpinStop = st.SpinStop;
    r.SpinMin = st.SpinMin;
    r.RecordingBase = st.RecordingBase;
    r.chkNameFile = st.chkNameFile;
    recording_->lineNames = {st.edNomeCanal1, st.edNomeCanal2};
    for (int k = 1; k <= 2; ++k) {
        if (!recording_->Recording(k)) {
            recording_->setBitRateItem(k, k == 1 ? st.cbBitRat1 : st.cbBitRat2);
        }
    }

    syncDeviceChoice();
    line::PairDeviceChoice& choice = detectorControl_->choice();
    choice.AdapterIndex = st.adapterList(pair_).itemIndex;
    if (choice.AdapterIndex >= 0) {
        detectorControl_->setAdapter(choice.AdapterIndex);
    }
    if (pairProfile(pair_).line.dtmfSensitivity) {
        detectorControl_->setSensitivity(1, static_cast<float>(st.SpinSensi1));
        detectorControl_->setSensitivity(2, static_cast<float>(st.SpinSensi2));
    }
}

void LinePair::syncDeviceChoice() {
    line::PairDeviceChoice& choice = detectorControl_->choice();
    choice.CbDevicesText = settings_.CbDevices.text;
    choice.CbDevicesIndex = settings_.CbDevices.itemIndex;
    choice.CBListIndex = settings_.CBList.itemIndex;
}

void LinePair::checkOffHookChanged() {
    logic_->options().CheckOffHook = settings_.CheckOffHook;
    recording_->options.CheckOffHook = settings_.CheckOffHook;
}

settings::PairSettingsHooks LinePair::settingsHooks() {
    settings::PairSettingsHooks hooks;
    relay::control::bindRelayHooks(hooks, *relay_);
    hooks.setLocalDdd = [this](const std::string& ddd) { s_.globals.LocalDDD = ddd; };
    hooks.companionClicked = s_.startCompanion;
    hooks.bitRateChanged = [this](int side, int index) {
        if (!recording_->Recording(side)) {
            recording_->setBitRateItem(side, index);
        }
    };
    hooks.waveInDeviceId = [this] { return detectors_.capture->WaveInDeviceID(); };
    return hooks;
}

// --- ports of the parts ---

line::LinePorts LinePair::linePorts() {
    line::LinePorts ports;
    ports.SendDataIP = [this](int k, const std::string& text) { SendDataIP(k, text); };
    ports.ChBoxTCP = [this](int k) { return settings_.ChBoxTCP(k); };
    ports.isPrivate = [this](const std::string& number) { return s_.privacy.isPrivate(number); };
    ports.callerIdFileName = [this](int k) { return storage_.callerIdTextFile(k); };
    ports.stepVolume = [this](int steps) {
        if (page_) {
            if (page_->moveTrack1(settings_.Track1 + steps)) {
                volumeWriter_.request();
            }
            return;
        }
        // Without a mixer behind a file input the position is all there is to move.
        settings_.Track1 =
            std::clamp(settings_.Track1 + steps, kMinTrackPosition, kMaxTrackPosition);
    };
    ports.applyStoredVolume = [this] {
        if (page_) {
            page_->Track1Change();
            logLine(LogLevel::Info, "pair " + std::to_string(pair_) + ": recording volume " +
                                        page_->lbVol + " on " + settings_.CbDevices.text);
        }
    };
    ports.detectorAlive = [this] { s_.watchdog.detectorEvent(pair_); };
    return ports;
}

RecordingPairPorts LinePair::recordingPorts() {
    RecordingPairPorts ports;
    ports.SendDataIP = [this](int k, const std::string& text) { SendDataIP(k, text); };
    ports.trayCycling = [this](bool cycling) {
        if (s_.trayCycling) {
            s_.trayCycling(cycling);
        }
    };
    ports.readAmplifier = [this](int k) {
        return AmplifierSetting{k == 1 ? settings_.CheckAmp1 : settings_.CheckAmp2,
                                k == 1 ? settings_.TrackBarAmp1 : settings_.TrackBarAmp2};
    };
    ports.waveInIndex = [this] { return waveInIndex(); };
    // The recording opens the card the detectors listen to, by the same name lookup.
    ports.deviceName = [this] { return feed_ ? std::string() : settings_.CbDevices.text; };
    ports.linesOnInput = [this] { return logic_->linesOnInput(); };
    ports.recordingAllowed = [this] { return s_.privacy.recordingAllowed(); };
    return ports;
}

line::DetectorPorts LinePair::detectorPorts() {
    line::DetectorPorts ports;
    ports.prepareDayFolders = [this] { prepareDayFolders(); };
    ports.CBListChange = [this] {
        if (page_) {
            page_->CBListChange();
        }
    };
    ports.ChBoxTCPClicks = [this] {
        relay_->ChBoxTCPClick(1);
        relay_->ChBoxTCPClick(2);
    };
    ports.CheckLocalAddress = [this] { relay_->CheckLocalAddress(); };
    ports.detectorSilence = [this] { return s_.watchdog.DetectorSilence(pair_); };
    ports.recordingSecondTick = [this] { recording_->onSecondTick(); };
    return ports;
}

std::array<std::unique_ptr<CaptureStage>, 2> LinePair::makeRecordingCaptures() {
    std::array<std::unique_ptr<CaptureStage>, 2> captures;
    if (feed_) {
        for (auto& capture : captures) {
            auto pushed = std::make_unique<PushedCaptureStage>();
            feed_->addTarget(pushed.get());
            capture = std::move(pushed);
        }
    } else if (storedDeviceName().empty()) {
        // No card stored: nothing to capture, and no sound system to open for it.
        for (auto& capture : captures) {
            capture = std::make_unique<PushedCaptureStage>();
        }
    } else {
        for (auto& capture : captures) {
            capture = std::make_unique<PortAudioCaptureStage>();
        }
    }
    return captures;
}

std::string LinePair::storedDeviceName() const {
    const settings::SettingsAccess access(s_.files, pair_);
    return access.read(settings::keys::kDeviceName);
}

void LinePair::SendDataIP(int k, const std::string& text) {
    if (!settings_.ChBoxTCP(k)) {
        return;
    }
    try {
        relay_->SendDataIP(k, text);
    } catch (const std::exception& error) {
        reportError(error);
    }
}

RecordingCallView LinePair::callView(int k) {
    line::LineChannel& c = logic_->channel(k);
    return RecordingCallView{c.CallType,    c.AreaCode,      c.NumberDisplay, c.OperatorCode,
                             c.DialArea,    c.DialNumber,    c.DialFull,      c.DialDigits,
                             c.EdSeq,       c.lbNomeFile,    c.lbReservaBL,   c.lbReservaFL,
                             c.PrivateMark, c.CallerIdActive};
}

void LinePair::rearmToneDetection(int k) {
    logic_->rearmToneDetection(k);
}

void LinePair::resetRearm(int k) {
    logic_->resetRearm(k);
}

void LinePair::showLevelView(int k, LevelViewColour colour) {
    TSpectrumView& view = k == 1 ? *detectors_.view1 : *detectors_.view2;
    view.ResetView();
    view.LinesColor = levelColour(colour);
}

void LinePair::prepareDayFolders() {
    const std::tm today = localTime(s_.loop.now());
    for (int k = 1; k <= 2; ++k) {
        const std::string folder =
            dayFolderPath(settings_.RecordingBase, line(k), settings_.edNomeCanal(k), today);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            logLine(LogLevel::Error,
                    "cannot create the recording folder " + folder + ": " + error.message());
        }
    }
}

void LinePair::keepPreRoll(const CaptureBuffer& buffer) {
    // A live recording opens its device only at the start: its pre-roll is the detectors'
    // 8000 Hz audio, doubled to the chain's rate (the line carries nothing above 4 kHz).
    // Runs for every buffer of the pair: both lines share one doubled copy.
    if (!recording_) {
        return;
    }
    int doubledChannels = 0;
    for (int k = 1; k <= 2; ++k) {
        CaptureStage& capture = recording_->chain(k).capture();
        if (!capture.preRollOn()) {
            continue;
        }
        const int channels = capture.channels();
        if (channels != doubledChannels) {
            doubleRate(buffer, channels, preRollScratch_);
            doubledChannels = channels;
        }
        capture.keepForPreRoll(preRollScratch_, channels);
    }
}

void LinePair::feedRecording(const CaptureBuffer& buffer) {
    // The file plays on the loop's clock from its first buffer: the recording chains get
    // the file's audio up to the end of the buffer the detectors hear now.
    const double bufferSeconds =
        static_cast<double>(buffer.frames()) / DetectorCapture::kSampleRate;
    const TimePoint now = s_.loop.now();
    if (!fileStart_) {
        fileStart_ = now - std::chrono::duration_cast<TimePoint::duration>(
                               std::chrono::duration<double>(bufferSeconds));
    }
    const double position = std::chrono::duration<double>(now - *fileStart_).count();
    feed_->advanceTo(position);
}

// --- exit and watchdog ---

void LinePair::stopRecordings() {
    for (int k = 1; k <= 2; ++k) {
        if (recording_->Recording(k)) {
            recording_->StopLClick(k);
        }
    }
}

bool LinePair::recording() const {
    return recording_->Recording(1) || recording_->Recording(2);
}

void LinePair::writeExitPosition() {
    storage_.writeExitPosition(settings_);
}

std::vector<std::filesystem::path> LinePair::lineFolders() const {
    std::vector<std::filesystem::path> folders;
    for (int k = 1; k <= 2; ++k) {
        folders.emplace_back(settings::lineRecordingFolder(settings_.RecordingBase, line(k),
                                                           settings_.edNomeCanal(k)));
    }
    return folders;
}

bool LinePair::inputEnded() const {
    return detectors_.file != nullptr && detectors_.file->endOfInput();
}

void LinePair::releaseRelay() {
    for (int k = 1; k <= 2; ++k) {
        relay_->endpoint(k).SetConnected(false);
        relay_->endpoint(k).setA5Local_Port(0);
    }
}

}  // namespace kovra
