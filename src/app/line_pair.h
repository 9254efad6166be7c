// One line pair (the line-pair window TFormLinhas, instances TFormA, TFormB, TFormC): the
// owner of everything of its two lines (settings, detector controls, line logic, detector
// start and supervision, recording control and relay control) and the glue between them.
// Three instances run in a program. Loop thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/pair_dialog.h"
#include "app/pair_services.h"
#include "audio/paced_volume_writer.h"
#include "audio/pair_audio_page.h"
#include "audio/sound_card_options.h"
#include "line/detector_supervision.h"
#include "line/line_ports.h"
#include "line/pair_line_logic.h"
#include "platform/detectors/detector_factory.h"
#include "platform/timer.h"
#include "recording/recording_control.h"
#include "recording/recording_file_feed.h"
#include "relay/control/pair_relay_control.h"
#include "relay/control/pair_relay_ports.h"
#include "settings/pair_settings.h"
#include "settings/pair_settings_storage.h"

namespace kovra {

class LinePair final : private line::LineRecordingPort,
                       private RecordingLinePort,
                       private relay::control::PairRelayPorts {
  public:
    // Creates the pair and reads its settings. Nothing starts until startUp().
    LinePair(int pair, PairServices& services, PairInput input);
    ~LinePair() override;
    LinePair(const LinePair&) = delete;
    LinePair& operator=(const LinePair&) = delete;

    int pair() const { return pair_; }
    int line(int k) const { return 2 * pair_ - 2 + k; }

    // The start-up of a pair: TimerFecha, 2000 ms later the card change that starts the
    // detectors, then the hide step (relay addresses, line description).
    void startUp();
    // The start-up is over: the stored relay switches are applied, so the window may
    // open and save (a save before then would store the relays as off).
    bool startedUp() const { return startedUp_; }

    // What the watchdog and the exit sequence read and do.
    bool deviceShown() const { return !settings_.CbDevices.text.empty(); }
    bool Running() const { return detectorControl_->Running(); }
    const std::string& deviceName() const { return settings_.CbDevices.text; }
    bool relayOn(int k) const { return settings_.ChBoxTCP(k); }
    // Relays one event text of line k (only with its relay switch on); errors go to the
    // exception log.
    void SendDataIP(int k, const std::string& text);
    // Exit: the window position into "Config.ini".
    void writeExitPosition();
    // Stops any running recording of either line (the input ended or the program exits).
    void stopRecordings();
    bool recording() const;
    // Both lines' folders (RecordingBase + "Linha<n>(<name>)"), for the exit clean-up.
    std::vector<std::filesystem::path> lineFolders() const;
    // The file input has played to its end (always false for a card).
    bool inputEnded() const;
    std::function<void()> OnEndOfInput;
    // The watchdog restart: relay endpoints disconnected and their ports given up.
    void releaseRelay();

    settings::PairSettings& settings() { return settings_; }
    line::PairLineLogic& logic() { return *logic_; }
    RecordingControl& recordingControl() { return *recording_; }
    relay::control::PairRelayControl& relayControl() { return *relay_; }
    line::PairDetectorControl& detectorControl() { return *detectorControl_; }
    // The pair's sound-card options and audio page; null for a file input.
    audio::SoundCardOptions* soundCardOptions() { return options_.get(); }
    audio::PairAudioPage* audioPage() { return page_.get(); }
    PairDialog& dialog() { return *dialog_; }
    const PairDialog& dialog() const { return *dialog_; }
    PairServices& services() { return s_; }
    // The audio page's behaviours as its window runs them, after the user's choice is in
    // the settings (a file input has no page: only the card change means anything there).
    // The user chose card position (in the page's list): the card change runs, and a card
    // taken is a change to save (the detector start inside it turns "Aplicar" off).
    void chooseCard(int position);
    void CBListChange();
    void Track1Change();
    // The adapter list (pair 1 CBTipoAdp, pairs 2 and 3 CBChannel) set to position.
    void chooseAdapter(int position);
    // chkAutoVol: the level logic moves the volume from the next level report on.
    void setAutoVolume(bool on);
    bool CaptureRunning() const { return detectors_.capture->CaptureRunning(); }

  private:
    // line::LineRecordingPort
    void StartLClick(int k) override { recording_->StartLClick(k); }
    void StopLClick(int k) override { recording_->StopLClick(k); }
    void PauseLClick(int k) override { recording_->PauseLClick(k); }
    void setStartTimerRunning(int k, bool running) override {
        recording_->setStartTimerRunning(k, running);
    }
    double ElapsedSeconds(int k) const override { return recording_->ElapsedSeconds(k); }
    void clearLine(int k) override { recording_->clearLine(k); }

    // RecordingLinePort
    RecordingCallView callView(int k) override;
    void LimpaTudo(int k) override { logic_->LimpaTudo(k); }
    void rearmToneDetection(int k) override;
    void resetRearm(int k) override;
    void showLevelView(int k, LevelViewColour colour) override;

    // relay::control::PairRelayPorts
    bool settingsShown() const override { return detectorControl_->SettingsShown; }
    void openConfigWindow() override;
    void startDetectors() override { detectorControl_->BnStartClick(); }
    void stopDetectors() override { detectorControl_->BnStopClick(); }
    void endProgram() override;
    void startRecording(int side, const std::string& file) override {
        recording_->hostStartRecording(side, file);
    }
    void stopRecording(int side) override { recording_->hostStopRecording(side); }
    // A file input has no capture device: the default driver's position.
    int waveInIndex() const override { return options_ ? options_->WaveInIndex : 0; }
    void appendKeyLog(const std::string& key) override { logic_->channel(1).edTodos += key; }
    void checkOffHookChanged() override;
    void enableApply() override { detectorControl_->ApplyEnabled = true; }
    void relayPageChanged() override {}
    void reportError(const std::exception& error) override;

    line::LinePorts linePorts();
    RecordingPairPorts recordingPorts();
    line::DetectorPorts detectorPorts();
    settings::PairSettingsHooks settingsHooks();
    audio::AudioPagePorts audioPagePorts();
    std::array<std::unique_ptr<CaptureStage>, 2> makeRecordingCaptures();
    // Copies the settings into the parts that keep their own option fields.
    void applySettings();
    void applyInput();
    // The card, input and adapter the detector start works with, from the settings.
    void syncDeviceChoice();
    std::string storedDeviceName() const;
    void prepareDayFolders();
    void feedRecording(const CaptureBuffer& buffer);
    void keepPreRoll(const CaptureBuffer& buffer);
    void TimerFechaTimer();
    // Returns false when the card was refused (another pair uses it).
    bool CbDevicesChange();
    void hide();
    PairDialogPorts dialogPorts();

    int pair_;
    PairServices& s_;
    PairInput input_;
    settings::PairSettings settings_;
    settings::PairSettingsStorage storage_;
    PairDetectors detectors_;
    std::unique_ptr<RecordingFileFeed> feed_;
    std::vector<std::int16_t> preRollScratch_;  // keepPreRoll, loop thread
    PairLineCounters counters_;  // what the line rules and the recording control share
    std::unique_ptr<line::PairLineLogic> logic_;
    std::unique_ptr<RecordingControl> recording_;
    std::unique_ptr<relay::control::PairRelayControl> relay_;
    std::unique_ptr<line::PairDetectorControl> detectorControl_;
    std::unique_ptr<audio::SoundCardOptions> options_;
    std::unique_ptr<audio::PairAudioPage> page_;
    std::unique_ptr<PairDialog> dialog_;
    Timer timerFecha_;
    audio::PacedVolumeWriter volumeWriter_;  // the automatic volume's steps to the card
    std::optional<TimePoint> fileStart_;
    bool startedUp_ = false;
};

}  // namespace kovra
