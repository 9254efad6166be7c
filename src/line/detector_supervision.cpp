#include "line/detector_supervision.h"

#include <algorithm>
#include <cctype>

#include "line/custom_tones.h"
#include "line/line_events.h"

namespace kovra::line {
namespace {

constexpr Millis kSecond{1000};
constexpr int kDetectorSilenceLimit = 16;  // seconds without detector events
constexpr int kRearmAfterSeconds = 2000;
constexpr float kMinDtmfSensitivity = 2.0F;
constexpr float kMaxDtmfSensitivity = 24.0F;
// Capture formats: 8000 Hz, 16 bit, one or two lines.
constexpr int kMonoFormat = 6;
constexpr int kStereoFormat = 7;
// The odd line is the right channel of a two-line input, the even line the left.
constexpr int kOddLineChannel = 1;
constexpr int kEvenLineChannel = 0;

const Rgb kIdleColor{0, 255, 255};

const char* const kSoundCardTitle =
    "Configura\xC3\xA7\xC3\xB5"
    "es da placa de som";

std::string joinLines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

std::string inputMessage() {
    return joinLines(
        {"Voc\xC3\xAA deve selecionar a \"ENTRADA de GRAVA\xC3\x87\xC3\x83O\".", "",
         "LEMBRE-SE:", "- Se for usar 2 linhas, selecione \"LINE IN\" (ou \"Entrada\").",
         "- Se for apenas 1 linha, selecione \"MICROFONE\""});
}

std::string adapterMessage(const PairProfile& profile) {
    const std::string first =
        profile.adapterTypeList
            ? "Voc\xC3\xAA deve selecionar a \"O tipo do Adaptador\" para esta placa de som."
            : "Voc\xC3\xAA deve selecionar a \"QUANTIDADE DE LINHAS\" para esta placa de som.";
    return joinLines({first.c_str(), "", "LEMBRE-SE:",
                      "- Se for usar 2 linhas, ent\xC3\xA3o dever\xC3\xA1 conectar um Zendor 2 "
                      "Linhas na entrada \"LINE IN\".",
                      "- Se for apenas 1 linha, use Zendor 1 Linha na entrada \"MICROFONE\""});
}

bool blank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isspace(c) != 0; });
}

}  // namespace

int recordBufferLength(int cbBuffer) {
    switch (cbBuffer) {
        case 0:
            return 4096;
        case 2:
            return 1024;
        default:
            return 2048;
    }
}

PairDetectorControl::PairDetectorControl(PairLineLogic& logic, EventLoop& loop, UserInterface& ui,
                                         const LineGlobals& globals,
                                         const PairDetectorControls& controls, DetectorPorts ports)
    : logic_(logic),
      ui_(ui),
      globals_(globals),
      controls_(controls),
      ports_(std::move(ports)),
      timerLed_(loop, kSecond, [this] { TimerLedTimer(); }),
      timerRearma_(loop, kSecond, [this] { TimerRearmaTimer(); }) {
    connectDetectorControls(logic_, controls_);
    controls_.WaveExCtrl1.OnRecordDone = [this] { WaveExCtrl1RecordDone(); };
    timerRearma_.setEnabled(true);
}

PairDetectorControl::~PairDetectorControl() {
    controls_.WaveExCtrl1.OnRecordDone = nullptr;
    disconnectDetectorControls(controls_);
}

void PairDetectorControl::setAdapter(int index) {
    choice_.AdapterIndex = index;
    logic_.setLinesOnInput(index <= 0 ? 1 : 2);
    const int hookAdapter = logic_.profile().hookAdapterPosition;
    logic_.setHookSignalling(hookAdapter >= 0 && index == hookAdapter);
}

void PairDetectorControl::setSensitivity(int k, float value) {
    if (!logic_.traits().dtmfSensitivity) {
        return;  // pairs 2 and 3 keep the decoder's default
    }
    TPhoneToneDecoder& decoder = k == 1 ? controls_.PTDecoder1 : controls_.PTDecoder2;
    decoder.DTMFParams.Sensitivity = std::clamp(value, kMinDtmfSensitivity, kMaxDtmfSensitivity);
}

void PairDetectorControl::resetViews() {
    for (TSpectrumView* view : {&controls_.WaveView1, &controls_.WaveView2}) {
        view->ResetView();
        view->LinesColor = kIdleColor;
    }
}

void PairDetectorControl::defineTones() {
    const auto rows = customToneRows(logic_.hookSignalling(), globals_.WindowsVersionCode);
    for (TPhoneToneDecoder* decoder : {&controls_.PTDecoder1, &controls_.PTDecoder2}) {
        decoder->EnableSpectrumConversion = true;
        decoder->ClearCustomTones();
        for (const CustomToneArgs& r : rows) {
            decoder->AddCustomTone(r.id, r.p2, r.p3, r.p4, r.p5, r.p6, r.p7, r.p8, r.p9);
        }
    }
    tonesDefined_ = true;
}

void PairDetectorControl::BnStartClick() {
    if (choice_.CbDevicesText.empty()) {
        return;
    }
    if (ports_.prepareDayFolders) {
        ports_.prepareDayFolders();
    }
    logic_.btClearResultClick(1);
    logic_.btClearResultClick(2);
    logic_.CBbufferChange(logic_.options().CBbuffer);
    if (choice_.CBListIndex < 0 && globals_.WindowsVersionCode < 6) {
        ui_.messageBox(kSoundCardTitle, inputMessage(), MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    if (choice_.AdapterIndex < 0) {
        ui_.messageBox(kSoundCardTitle, adapterMessage(logic_.profile()), MessageIcon::Warning,
                       MessageButtons::Ok);
        return;
    }
    const bool firstStart = !tonesDefined_;
    if (firstStart) {
        defineTones();
    }
    // Frequencies, quiet flag and automatic volume per line; the tone set-up arms both.
    logic_.resetForStart(firstStart);

    TWaveExCtrl& capture = controls_.WaveExCtrl1;
    for (TPhoneToneDecoder* decoder : {&controls_.PTDecoder1, &controls_.PTDecoder2}) {
        decoder->MonitorDTMF = true;
        decoder->MonitorCallerID = true;
        decoder->MonitorCIDCW = true;
        decoder->MonitorCustomTone = true;
        decoder->MonitorTTY = false;
        decoder->MonitorMF = false;
        decoder->MonitorSAME = false;
        decoder->TTYParams.Param0 = 0;
    }
    const bool twoLines = logic_.linesOnInput() == 2;
    controls_.WaveView1.SetWaveSource(&capture);
    controls_.PTDecoder1.SetAudioSource(&capture);
    // A one-line input feeds only the odd line's decoder and view.
    controls_.WaveView2.SetWaveSource(twoLines ? &capture : nullptr);
    controls_.PTDecoder2.SetAudioSource(twoLines ? &capture : nullptr);
    capture.SelectFormat(twoLines ? kStereoFormat : kMonoFormat);
    controls_.PTDecoder1.DecodeChannel = kOddLineChannel;
    if (twoLines) {
        controls_.PTDecoder2.DecodeChannel = kEvenLineChannel;
        controls_.WaveView2.Channel = kEvenLineChannel;
    }
    controls_.WaveView1.Channel = kOddLineChannel;

    logic_.channel(1).PeaksSinceRing = 0;
    logic_.channel(1).RingCount = 0;
    logic_.channel(1).lbTom = "Normal";
    logic_.channel(2).lbTom = "Normal";
    capture.WaveOutDeviceID = -1;
    if (choice_.CbDevicesIndex >= 0) {
        capture.WaveInDevice = choice_.CbDevicesText;
        capture.WaveOutDeviceID = 0;
        capture.RecordBufferLength = recordBufferLength(logic_.options().CBbuffer);
        capture.StartCapture(0);
        running_ = true;
        BnStartEnabled = false;
        BnStopEnabled = true;
        CBbufferEnabled = false;
        if (ports_.CBListChange) {
            ports_.CBListChange();
        }
    }
    ApplyEnabled = false;
    resetViews();
    timerLed_.setEnabled(true);
    if (ports_.ChBoxTCPClicks) {
        ports_.ChBoxTCPClicks();
    }
}

void PairDetectorControl::BnStopClick() {
    running_ = false;
    controls_.WaveExCtrl1.StopCapture();
    CBbufferEnabled = true;
}

void PairDetectorControl::WaveExCtrl1RecordDone() {
    if (controls_.WaveExCtrl1.CaptureRunning()) {
        // The answer to a stop that was followed at once by a new start (a card change,
        // the start-up): the new capture keeps its supervision and nothing was disabled.
        silentStop_ = false;
        return;
    }
    BnStartEnabled = true;
    BnStopEnabled = false;
    controls_.WaveView1.ResetView();
    controls_.WaveView2.ResetView();
    timerLed_.setEnabled(false);
    Image1Visible = false;
    if (!silentStop_) {
        // A capture that stopped by itself (or by "Parar") is reported on both lines.
        for (int k = 1; k <= 2; ++k) {
            logic_.sendEvent(k, lineEvent(logic_.lineNumber(k), "DISABLED: SoundBoard - ") +
                                    safeValue(choice_.CbDevicesText));
        }
    }
    silentStop_ = false;
}

void PairDetectorControl::TimerLedTimer() {
    timerLed_.setEnabled(false);
    if (ports_.detectorSilence && ports_.detectorSilence() >= kDetectorSilenceLimit) {
        Image1Visible = false;
        return;  // supervision stays off until the next start
    }
    if (ports_.recordingSecondTick) {
        ports_.recordingSecondTick();
    }
    if (ports_.CheckLocalAddress) {
        ports_.CheckLocalAddress();
    }
    if (SettingsShown) {
        Image1Visible = !Image1Visible;
    }
    timerLed_.setEnabled(true);
}

void PairDetectorControl::TimerRearmaTimer() {
    ++rearmTicks_;
    if (rearmTicks_ <= kRearmAfterSeconds) {
        return;
    }
    if (choice_.CbDevicesIndex < 1 || choice_.CBListIndex < 1 || !blank(logic_.channel(1).EdSeq) ||
        !blank(logic_.channel(2).EdSeq) || logic_.counters(1).Recording ||
        logic_.counters(2).Recording) {
        return;
    }
    // A long-quiet pair restarts its capture: stop on this tick, start on the next.
    if (controls_.WaveExCtrl1.CaptureRunning()) {
        silentStop_ = true;
        BnStopClick();
    } else {
        // The stop was already kept quiet; a flag left set here would hide the next real
        // failure of the capture.
        rearmTicks_ = 0;
        BnStartClick();
    }
}

}  // namespace kovra::line
