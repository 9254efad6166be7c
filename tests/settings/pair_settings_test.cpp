#include "settings/pair_settings.h"

#include <gtest/gtest.h>

#include "settings/config_files.h"
#include "settings/pair_settings_storage.h"
#include "settings/pair_settings_table.h"
#include "settings/settings_access.h"
#include "settings_test_support.h"

namespace kovra::settings {
namespace {

using testing::readFile;
using testing::RecordingUserInterface;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

class PairSettingsTest : public ::testing::Test {
  protected:
    PairSettingsTest() : home(folder.path() / "home") { fs::create_directory(home); }

    ConfigFiles& files() {
        if (!files_) {
            files_ = std::make_unique<ConfigFiles>(home, folder.path() / "root");
        }
        return *files_;
    }

    // Hooks that log what they were asked to do.
    PairSettingsHooks loggingHooks(PairSettings& s) {
        PairSettingsHooks hooks;
        hooks.setRelaySwitch = [this, &s](int k, bool on) {
            calls.push_back("switch" + std::to_string(k) + (on ? "=on" : "=off"));
            s.ChBoxTCP(k) = on;
        };
        hooks.runRelaySwitch = [this](int k) { calls.push_back("click" + std::to_string(k)); };
        hooks.closeRelayEndpoint = [this](int k) { calls.push_back("close" + std::to_string(k)); };
        hooks.setLocalDdd = [this](const std::string& ddd) { calls.push_back("ddd=" + ddd); };
        hooks.companionClicked = [this] { calls.push_back("companion"); };
        hooks.configureEndpoint = [this](int k, const EndpointAddress& a) {
            calls.push_back("endpoint" + std::to_string(k) + " " + std::to_string(a.localPort) +
                            " " + std::to_string(a.remotePort) + " " + a.remoteIp);
        };
        return hooks;
    }

    PairSettings readPair(int pair) {
        PairSettings s = PairSettings::defaults(pair);
        PairSettingsStorage storage(pair, files(), ui, loggingHooks(s));
        storage.readAtCreation(s);
        return s;
    }

    TempFolder folder;
    fs::path home;
    RecordingUserInterface ui;
    std::vector<std::string> calls;
    std::unique_ptr<ConfigFiles> files_;
};

TEST_F(PairSettingsTest, PairWithoutFilesStartsWithTheDefaults) {
    const PairSettings s = readPair(1);
    EXPECT_EQ(s.CBTipoAdp.itemIndex, 1);
    EXPECT_EQ(s.CbDevices.itemIndex, -1);
    EXPECT_EQ(s.Track1, 25);
    EXPECT_EQ(s.CBbuffer, 1);
    EXPECT_EQ(s.edPortLocal1, "3821");
    EXPECT_EQ(s.edPortLocal2, "3822");
    EXPECT_EQ(s.edPortReceive1, "6511");
    EXPECT_EQ(s.edPortReceive2, "6512");
    EXPECT_EQ(s.RecordingBase, (home / "MP3").string() + "/");
    EXPECT_TRUE(fs::is_directory(home / "MP3"));
    EXPECT_FALSE(s.ChBoxTCP1);
    EXPECT_EQ(s.EditIPLocal1, "127.0.0.1");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"ddd="}));

    // Relay switches follow the stored state only once a local port has been stored.
    PairSettings hidden = s;
    PairSettingsStorage storage(1, files(), ui, loggingHooks(hidden));
    storage.readAtHide(hidden);
    EXPECT_EQ(ui.trayIcon, (std::vector<bool>{true}));
    EXPECT_EQ(calls,
              (std::vector<std::string>{"ddd=", "endpoint1 3821 6511 ", "endpoint2 3822 6512 "}));

    const PairSettings pair3 = readPair(3);
    EXPECT_EQ(pair3.edPortLocal1, "3825");
    EXPECT_EQ(pair3.edPortReceive2, "6516");
    EXPECT_EQ(pair3.CBChannel.itemIndex, -1);
    EXPECT_EQ(pair3.SavedLinesOnInput, 0);
}

TEST_F(PairSettingsTest, CreationReadAppliesItsSpecialRules) {
    writeFile(home / "Config.ini",
              "[linhas_1e2]\nDeviceName=USB Audio\nQTDLinha=1\n"
              "[LINHAS_3e4]\nDeviceName=Card\nSelectIndexDevice=2\nQTDLinha=0x2\n");
    writeFile(home / "ConfigGlobal.ini",
              "[LINHAS_1e2]\nCBTipoAdp=2\nVolume=abc\nSpinPause=1000\nchkSameIP2=0\n"
              "LocalPort2=4000\n"
              "[LINHAS_3e4]\nOffHook1=-20\nOffHook2=-30\nchkSameIP1=0\n"
              "[GLOBAL]\nDDDLocal=19\n[MORVEX]\nchkAtivarMorvex=1\n");
    const PairSettings p1 = readPair(1);
    EXPECT_EQ(p1.CbDevices.text, "USB Audio");
    EXPECT_EQ(p1.CbDevices.itemIndex, -1);  // a name without a position chooses nothing
    EXPECT_EQ(p1.SavedLinesOnInput, 1);
    EXPECT_EQ(p1.CBTipoAdp.itemIndex, 2);  // ConfigGlobal's adapter wins
    EXPECT_TRUE(p1.HookSignalling);
    EXPECT_EQ(p1.Track1, 25);
    EXPECT_EQ(p1.SpinPause, 100);
    EXPECT_EQ(p1.EditDDDLocal, "19");
    EXPECT_TRUE(p1.chkAtivarMorvex);
    EXPECT_EQ(p1.EditIPLocal1, "127.0.0.1");
    EXPECT_EQ(p1.edPortLocal2, "4000");
    EXPECT_EQ(calls, (std::vector<std::string>{"ddd=19", "companion"}));

    const PairSettings p2 = readPair(2);
    EXPECT_EQ(p2.CbDevices.itemIndex, 2);
    EXPECT_EQ(p2.CBChannel.itemIndex, 1);
    EXPECT_EQ(p2.SavedLinesOnInput, 2);
    EXPECT_EQ(p2.SpinOffHook1, -55);  // -29 or more reads as the default
    EXPECT_EQ(p2.SpinOffHook2, -30);
    EXPECT_FALSE(p2.HookSignalling);
}

TEST_F(PairSettingsTest, UnreachableRecordingFolderAtCreationFallsBackWithItsMessage) {
    writeFile(folder.path() / "afile", "x");
    writeFile(home / "ConfigGlobal.ini",
              "[LINHAS_1e2]\nEditPasta=" + (folder.path() / "afile" / "rec").string() + "\n");
    const PairSettings s = readPair(1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Erro ao acessar pastas de gravações");
    EXPECT_EQ(ui.boxes[0].text, kFolderAccessText);
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(s.RecordingBase, (home / "MP3").string() + "/");
    EXPECT_TRUE(fs::is_directory(home / "MP3"));
}

TEST_F(PairSettingsTest, SaveStoresBothGroupsAndCyclesTheRelaySwitches) {
    PairSettings s = readPair(2);
    calls.clear();
    s.Track1 = 60;
    s.edNomeCanal1 = "  ";
    s.edNomeCanal2 = "Fax";
    s.edPortLocal1 = "5000";
    s.edPortReceive2 = "not a port";
    s.ChBoxTCP1 = true;
    s.chkSameIP2 = false;
    s.EditIPLocal2 = "10.0.0.9";
    s.chkSendDTMF = false;
    s.chkEuropa2 = true;
    s.CBChannel.itemIndex = 0;
    s.EditPasta = (folder.path() / "rec").string();
    PairSettingsStorage storage(2, files(), ui, loggingHooks(s));

    const SaveResult result = storage.save(s);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(calls, (std::vector<std::string>{"switch1=off", "close1", "switch1=on", "click1"}));
    EXPECT_EQ(s.edNomeCanal1, "Linha 1");
    EXPECT_EQ(s.RecordingBase, (folder.path() / "rec").string() + "/");
    EXPECT_TRUE(fs::is_directory(folder.path() / "rec" / "Linha3(Linha 1)"));
    EXPECT_TRUE(fs::is_directory(folder.path() / "rec" / "Linha4(Fax)"));
    EXPECT_EQ(s.LinesOnInput, 1);

    const PairSettings back = readPair(2);
    EXPECT_EQ(back.Track1, 60);
    EXPECT_EQ(back.edNomeCanal2, "Fax");
    EXPECT_EQ(back.edPortLocal1, "5000");
    EXPECT_EQ(back.edPortReceive2, "6514");  // a port that is not a number stores the default
    EXPECT_FALSE(back.chkSendDTMF);
    EXPECT_TRUE(back.chkEuropa2);
    EXPECT_FALSE(back.chkSameIP2);
    EXPECT_EQ(back.CBChannel.itemIndex, 0);
    EXPECT_EQ(back.EditPasta, s.EditPasta);
    const std::string global = readFile(home / "ConfigGlobal.ini");
    EXPECT_NE(global.find("TCP/IP_L1=1\nTCP/IP_L2=0\n"), std::string::npos);
    EXPECT_EQ(global.find("SpinSensi"), std::string::npos);  // pair 1 only
}

// A value for the row that a fresh pair does not have: every key must carry it.
void setOtherValue(const SettingBinding& row, PairSettings& s, const PairSettings& fresh) {
    const SettingValue before = row.stored(fresh);
    if (row.type == SettingType::Bool) {
        row.apply(s, !std::get<bool>(before));
    } else if (row.type == SettingType::Text) {
        row.apply(s, std::get<std::string>(before) + "-" + row.name);
    } else {
        for (int step : {1, 2, -1, -2, 3}) {
            row.apply(s, std::get<int>(before) + step);
            if (row.stored(s) != before) {
                break;
            }
        }
    }
}

TEST_F(PairSettingsTest, EveryKeyOfTheTableIsStoredAndReadBack) {
    for (int pair = 1; pair <= 3; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        const PairSettings fresh = readPair(pair);
        const std::vector<SettingBinding> table = pairSettingsTable(pair);
        PairSettings s = fresh;
        for (const SettingBinding& row : table) {
            setOtherValue(row, s, fresh);
        }
        s.EditPasta = (folder.path() / ("rec" + std::to_string(pair))).string() + "/";

        PairSettingsHooks hooks;
        hooks.waveInDeviceId = [pair] { return 10 + pair; };  // "DeviceID" comes from capture
        PairSettingsStorage storage(pair, files(), ui, hooks);
        ASSERT_TRUE(storage.save(s).ok);
        ASSERT_TRUE(storage.writeExitPosition(s).empty());
        if (pair == 1) {
            ASSERT_TRUE(storage.writeTestValues(s).empty());
        }

        const SettingsAccess access(files(), pair);
        const PairSettings back = readPair(pair);
        for (const SettingBinding& row : table) {
            SCOPED_TRACE(row.name);
            EXPECT_NE(row.stored(s), row.stored(fresh));
            const std::string section(access.section(row.section));
            EXPECT_EQ(files().file(row.file).readString(section, row.name, "(missing)"),
                      settingText(row.stored(s)));
            if (row.readAtCreation) {
                EXPECT_EQ(row.stored(back), row.stored(s));
            }
        }
        EXPECT_EQ(back.RecordingBase, s.EditPasta);
    }
}

TEST_F(PairSettingsTest, ChangedSettingsListOnlyKeysWhoseStoredValueDiffers) {
    const PairSettings before = PairSettings::defaults(1);
    PairSettings after = before;
    after.Track1 = 40;
    after.edPortLocal1 = "03821";  // the same port as stored
    after.edPortLocal2 = "4000";
    after.SpinOffHook1 = -40;         // not a key of pair 1
    after.EditIPLocal1 = "10.0.0.1";  // not stored
    after.Top = 9;                    // stored with a save
    std::vector<std::string> names;
    for (const SettingBinding& row : changedSettings(1, before, after)) {
        names.push_back(row.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Volume", "LocalPort2", "TOP"}));
}

TEST_F(PairSettingsTest, LastSavedAreaCodeWinsForEveryPair) {
    PairSettings p2 = readPair(2);
    PairSettings p1 = readPair(1);
    p2.EditDDDLocal = "11";
    p1.EditDDDLocal = "19";
    PairSettingsStorage(2, files(), ui).save(p2);
    PairSettingsStorage(1, files(), ui).save(p1);
    EXPECT_EQ(files().global().readString("GLOBAL", "DDDLocal", ""), "19");
    EXPECT_EQ(readPair(3).EditDDDLocal, "19");
}

TEST_F(PairSettingsTest, SaveWithUnreachableRecordingFolderKeepsSecondGroupAndRelaysOff) {
    PairSettings s = readPair(1);
    PairSettingsStorage storage(1, files(), ui, loggingHooks(s));
    ASSERT_TRUE(storage.save(s).ok);
    const std::string oldPasta = s.EditPasta;
    calls.clear();

    s.Track1 = 70;
    s.chkRing = false;
    s.ChBoxTCP1 = true;
    s.ChBoxTCP2 = true;
    s.EditPasta = "/proc/kovra-no-such-folder";
    const SaveResult result = storage.save(s);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.foldersReady);
    EXPECT_TRUE(result.writeErrors.empty());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "");
    EXPECT_EQ(ui.boxes[0].text,
              kFolderCreateTextHead + "/proc/kovra-no-such-folder/" + kFolderCreateTextTail);
    EXPECT_EQ(calls, (std::vector<std::string>{"switch1=off", "close1", "switch2=off", "close2"}));
    EXPECT_FALSE(s.ChBoxTCP1);
    EXPECT_FALSE(s.ChBoxTCP2);

    const PairSettings back = readPair(1);
    EXPECT_EQ(back.Track1, 70);
    EXPECT_TRUE(back.chkRing);
    EXPECT_EQ(back.EditPasta, oldPasta);
}

TEST_F(PairSettingsTest, SaveThatCannotWriteReportsEachFileAndFails) {
    // The program folder is a file: nothing can be stored in it, not even by root.
    const fs::path blocked = folder.path() / "blocked";
    writeFile(blocked, "x");
    ConfigFiles readOnly(blocked, folder.path() / "root");
    PairSettings s = PairSettings::defaults(1);
    s.EditPasta = (folder.path() / "rec").string();
    s.Track1 = 80;
    PairSettingsStorage storage(1, readOnly, ui);

    const SaveResult result = storage.save(s);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.foldersReady);
    ASSERT_FALSE(result.writeErrors.empty());
    EXPECT_EQ(result.writeErrors.front().file, blocked / "Config.ini");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, kSettingsWriteTitle);
    EXPECT_NE(ui.boxes[0].text.find((blocked / "Config.ini").string()), std::string::npos);
    EXPECT_NE(ui.boxes[0].text.find((blocked / "ConfigGlobal.ini").string()), std::string::npos);
    // Nothing is lost: the values wait in memory for the next write that succeeds.
    EXPECT_EQ(readOnly.global().readInteger("LINHAS_1e2", "Volume", 0), 80);
    fs::remove(blocked);
    fs::create_directory(blocked);
    EXPECT_FALSE(readOnly.global().flush());
    EXPECT_NE(readFile(blocked / "ConfigGlobal.ini").find("Volume=80"), std::string::npos);
}

TEST_F(PairSettingsTest, ReadAtHideAppliesStoredSwitchesAndEndpointAddresses) {
    writeFile(home / "ConfigGlobal.ini",
              "[LINHAS_3e4]\nLocalPort1=4001\nTCP/IP_L1=1\nRemotePort1=0x1000\n"
              "RemoteIP1=10.1.1.1\nTCP/IP_L2=1\n[GLOBAL]\nIconVisible=0\n");
    PairSettings s = readPair(2);
    s.edPortReceive2 = "7000";
    calls.clear();
    PairSettingsStorage(2, files(), ui, loggingHooks(s)).readAtHide(s);
    EXPECT_EQ(ui.trayIcon, (std::vector<bool>{false}));
    EXPECT_EQ(calls, (std::vector<std::string>{"switch1=on", "endpoint1 4001 4096 10.1.1.1",
                                               "endpoint2 3824 7000 "}));
}

TEST_F(PairSettingsTest, ErasePairOnlyWhenConfigHoldsItsSection) {
    const std::string global = "[LINHAS_3e4]\nVolume=30\n[GLOBAL]\nDDDLocal=11\n";
    const std::string ip =
        "[LISTAGEM_IP_LINHA_3]\n10.0.0.1:6513=1\n[LISTAGEM_IP_LINHA_1]\n10.0.0.2:6511=1\n";
    writeFile(home / "ConfigGlobal.ini", global);
    writeFile(home / "ConfigIP.ini", ip);
    writeFile(home / "Config.ini", "[LINHAS_1e2]\nQTDLinha=2\n");

    PairSettingsStorage pair2(2, files(), ui);
    EXPECT_FALSE(pair2.erasePair());
    EXPECT_EQ(readFile(home / "ConfigGlobal.ini"), global);
    EXPECT_EQ(readFile(home / "ConfigIP.ini"), ip);

    writeFile(home / "Config.ini", "[LINHAS_1e2]\nQTDLinha=2\n[linhas_3e4]\nQTDLinha=1\n");
    std::vector<IniError> errors;
    EXPECT_TRUE(pair2.erasePair(&errors));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(readFile(home / "Config.ini"), "[LINHAS_1e2]\nQTDLinha=2\n");
    EXPECT_EQ(readFile(home / "ConfigGlobal.ini"), "[GLOBAL]\nDDDLocal=11\n");
    EXPECT_EQ(readFile(home / "ConfigIP.ini"), "[LISTAGEM_IP_LINHA_1]\n10.0.0.2:6511=1\n");
}

TEST_F(PairSettingsTest, ExitWriteStoresPositionsAndGeometry) {
    PairSettings s = PairSettings::defaults(3);
    s.Top = 12;
    s.Left = 34;
    EXPECT_TRUE(PairSettingsStorage(3, files(), ui).writeExitPosition(s).empty());
    EXPECT_TRUE(writeMainGeometry(files(), 1, 2, 300, 400).empty());
    EXPECT_EQ(readFile(home / "Config.ini"),
              "[LINHAS_5e6]\nTOP=12\nLEFT=34\n\n[GERAL]\nMainTop=1\nMainLeft=2\n"
              "Main_Height=300\nMain_Width=400\n");
}

TEST_F(PairSettingsTest, CallerIdTextFilesDefaultToTheProgramFolder) {
    PairSettingsStorage storage(3, files(), ui);
    EXPECT_EQ(storage.callerIdTextFile(2), (home / "BinaLinha6.txt").string());
    EXPECT_TRUE(storage.writeCallerIdTextFiles("/data/a.txt", "/data/b.txt").empty());
    EXPECT_EQ(storage.callerIdTextFile(1), "/data/a.txt");
    EXPECT_EQ(files().global().readString("LINHAS_5e6", "ArqTexto2", ""), "/data/b.txt");
}

TEST_F(PairSettingsTest, PrivacyListLivesUnderTheBackupFolderOfTheRoot) {
    EXPECT_EQ(files().privacy().path(),
              folder.path() / "root" / "KOVRA-AUTO_BACKUP" / "ConfigPriv.ini");
    const ConfigFiles real(home);
    EXPECT_EQ(real.backupFolder().filename(), "KOVRA-AUTO_BACKUP");
    EXPECT_TRUE(real.backupFolder().parent_path().has_root_path());
}

}  // namespace
}  // namespace kovra::settings
