// Reads and stores one pair's settings in the shared files: read at creation, read at
// hide, save ("Aplicar"/"Ok"), the exit write, erasing the pair, the relay-test values.
// Side effects that belong to other parts of the pair are reached through the hooks,
// which the pair object binds; an unset hook is skipped. Loop thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/user_interface.h"
#include "settings/config_files.h"
#include "settings/pair_settings.h"
#include "settings/pair_settings_table.h"

namespace kovra::settings {

// The relay endpoint addresses the hide step gives a line's endpoint.
struct EndpointAddress {
    int localPort = 0;
    int remotePort = 0;
    std::string remoteIp;
};

struct PairSettingsHooks {
    // The process-wide local area code takes the text of EditDDDLocal.
    std::function<void(const std::string& ddd)> setLocalDdd;
    // Change behaviour of cbBitRat<k> and TrackBarAmp<k> after a read.
    std::function<void(int side, int index)> bitRateChanged;
    std::function<void(int side, int gain)> amplifierGainChanged;
    // Click behaviour of chkAtivarMorvex (start the companion program), pair 1.
    std::function<void()> companionClicked;
    // ChBoxTCP<k> := on, running its switch behaviour when the state changes. Unset: the
    // field alone changes.
    std::function<void(int side, bool on)> setRelaySwitch;
    // Runs ChBoxTCP<k>Click once more, whatever the state.
    std::function<void(int side)> runRelaySwitch;
    // Disconnects line k's relay endpoint (before a save).
    std::function<void(int side)> closeRelayEndpoint;
    // Gives line k's endpoint its ports and remote address (read at hide).
    std::function<void(int side, const EndpointAddress& address)> configureEndpoint;
    // The capture control's device number at the moment of saving ("DeviceID").
    std::function<int()> waveInDeviceId;
};

struct SaveResult {
    // The save as the window sees it: every key stored and every line folder present.
    bool ok = false;
    // False when a line folder could not be created: the second group was not written
    // and the relay switches turned off for the save stay off.
    bool foldersReady = false;
    // Writes that failed (file and reason); each was logged and shown in a message box.
    std::vector<IniError> writeErrors;
};

class PairSettingsStorage {
  public:
    // pair: 1 to 3. files and ui outlive this object.
    PairSettingsStorage(int pair, ConfigFiles& files, UserInterface& ui,
                        PairSettingsHooks hooks = {});

    int pair() const { return pair_; }
    int line(int side) const { return 2 * pair_ - 2 + side; }
    const std::string& section() const { return section_; }
    void setHooks(PairSettingsHooks hooks) { hooks_ = std::move(hooks); }

    // Start-up read of both files into s (s.CbDevices.text is the list's current text
    // and stays when no name is stored). Creates the recording base folder, falling
    // back to program folder + "MP3" with the error box when it cannot be made.
    void readAtCreation(PairSettings& s);

    // Every hide of the pair window: tray icon, relay switches, endpoint addresses.
    void readAtHide(PairSettings& s);

    // SaveSetagem: both files, the line folders, the relay switches off and on around it.
    SaveResult save(PairSettings& s);

    // Exit write of this pair's window position into "Config.ini".
    std::vector<IniError> writeExitPosition(const PairSettings& s);

    // "Remover linhas": only when "Config.ini" holds the pair section, erases it, then the
    // pair section of "ConfigGlobal.ini" and both lines' destination lists, each if present.
    // Returns whether anything was erased; write failures are logged and added to errors.
    bool erasePair(std::vector<IniError>* errors = nullptr);

    // Caller-ID text file of line side ("ArqTexto<k>"); by default "BinaLinha" + n + ".txt"
    // in the program folder, the folder this platform gives in place of a drive's root.
    std::string callerIdTextFile(int side) const;
    // The text-file dialog's names for both lines.
    std::vector<IniError> writeCallerIdTextFiles(const std::string& file1,
                                                 const std::string& file2);

    // The relay test button of pair 1: edTesteDDD and edTesteFone into "Config.ini".
    std::vector<IniError> writeTestValues(const PairSettings& s);

  private:
    void readRecordingFolder(PairSettings& s);
    // Writes the table's keys of one step.
    std::vector<IniError> writeStep(SaveStep step, const PairSettings& s);
    void reportWriteErrors(const std::vector<IniError>& errors);

    int pair_;
    std::string section_;
    ConfigFiles& files_;
    UserInterface& ui_;
    PairSettingsHooks hooks_;
};

// Exit write of the main windows' geometry ("GERAL" of "Config.ini"), then a flush.
std::vector<IniError> writeMainGeometry(ConfigFiles& files, int mainTop, int mainLeft,
                                        int mainHeight, int mainWidth);

// Message texts of the recording folder checks.
inline constexpr const char* kFolderAccessTitle = "Erro ao acessar pastas de gravações";
extern const std::string kFolderAccessText;
extern const std::string kFolderCreateTextHead;  // followed by RecordingBase
extern const std::string kFolderCreateTextTail;
inline constexpr const char* kSettingsWriteTitle = "Erro ao gravar configurações";

}  // namespace kovra::settings
