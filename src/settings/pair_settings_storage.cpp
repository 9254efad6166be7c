#include "settings/pair_settings_storage.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/log.h"
#include "settings/integer_text.h"
#include "settings/settings_access.h"

namespace kovra::settings {

namespace fs = std::filesystem;

const std::string kFolderAccessText =
    "Erro ao acessar as pastas de gravações. O Sistema irá trabalhar com pastas \"Local\"\r\n"
    "Abra \"Configuração de gravação automática e reconfigure as pastas de gravações";
const std::string kFolderCreateTextHead = "Não foi possível criar as pastas de gravações em ";
const std::string kFolderCreateTextTail =
    "\r\nVerifique o nome digitado ou certifique-se de que o disco não esteja protegido "
    "contra escrita!\r\n\r\nSe a pasta indicada estiver na rede local:\r\nCerfifique-se de "
    "que a máquina esteja ligada e se você tem permissões para acessá-la.";

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);
constexpr int kAdapterCountPair1 = 3;  // "1 Linha simples", "2 Linhas simples", USB
constexpr int kAdapterCountPairs23 = 2;
constexpr int kUsbAdapterPosition = 2;
constexpr int kOffHookReplaced = -29;  // values of this or more read as the default
constexpr int kOffHookDefault = -55;

// A list position as a drop-down takes it: outside the list selects nothing.
int listPosition(int value, int count) {
    return value >= 0 && value < count ? value : -1;
}

// A stored choice outside its list gives the key's default instead of no choice.
int choiceOr(int value, int count, int fallback) {
    return value >= 0 && value < count ? value : fallback;
}

std::string withSeparator(std::string folder) {
    if (folder.empty() || folder.back() != kSeparator) {
        folder += kSeparator;
    }
    return folder;
}

bool makeFolder(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return true;
    }
    fs::create_directories(path, ec);
    if (ec) {
        logLine(LogLevel::Warning, "cannot create folder " + path + ": " + ec.message());
    }
    return fs::is_directory(path, ec);
}

bool isBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c <= ' '; });
}

// Collects the failures of a run of writes.
struct WriteLog {
    std::vector<IniError> errors;
    void operator()(IniWriteResult result) {
        if (result) {
            errors.push_back(std::move(*result));
        }
    }
};

}  // namespace

PairSettingsStorage::PairSettingsStorage(int pair, ConfigFiles& files, UserInterface& ui,
                                         PairSettingsHooks hooks)
    : pair_(pair), section_(pairSection(pair)), files_(files), ui_(ui), hooks_(std::move(hooks)) {}

void PairSettingsStorage::readAtCreation(PairSettings& s) {
    const SettingsAccess a(files_, pair_);
    const bool first = pair_ == 1;

    // Devices, input and adapter from "Config.ini"; on pair 1 "CBTipoAdp" then wins.
    s.CbDevices.text = a.read(keys::kDeviceName, s.CbDevices.text);
    s.CbDevices.itemIndex = std::max(-1, a.read(keys::kSelectIndexDevice));
    s.CBList.itemIndex = std::max(-1, a.read(keys::kSelectIndexSource));
    const int adapterCount = first ? kAdapterCountPair1 : kAdapterCountPairs23;
    ComboState& adapter = s.adapterList(pair_);
    adapter.itemIndex = listPosition(a.read(keys::kQtdLinha) - 1, adapterCount);
    s.SavedLinesOnInput = adapter.itemIndex + 1;
    if (first) {
        s.CBTipoAdp.itemIndex = listPosition(a.read(keys::kCbTipoAdp), kAdapterCountPair1);
        s.HookSignalling = s.CBTipoAdp.itemIndex == kUsbAdapterPosition;
        s.edTesteDDD = a.read(keys::kEdTesteDdd);
        s.edTesteFone = a.read(keys::kEdTesteFone);
    }

    s.EditDDDLocal = a.read(keys::kDddLocal);
    if (hooks_.setLocalDdd) {
        hooks_.setLocalDdd(s.EditDDDLocal);
    }

    s.edNomeCanal1 = a.read(keys::kLineName1);
    s.edNomeCanal2 = a.read(keys::kLineName2);
    s.CBbuffer = choiceOr(a.read(keys::kBufferRecord), 3, keys::kBufferRecord.fallback);
    s.Track1 = std::clamp(a.read(keys::kVolume), 0, 100);
    s.CheckTexto = a.read(keys::kCheckTexto);
    for (int k = 1; k <= 2; ++k) {
        if (first) {
            s.SpinSensi(k) = std::clamp(a.read(keys::kSpinSensi, k), 2, 24);
        } else {
            const int offHook = a.read(keys::kOffHook, k);
            s.SpinOffHook(k) =
                offHook >= kOffHookReplaced ? kOffHookDefault : std::clamp(offHook, -100, 10);
            s.CHKSpectrum(k) = a.read(keys::kSpectrum, k);
            s.chkEuropa(k) = a.read(keys::kPEuropeu, k);
            s.CheckAmp(k) = a.read(keys::kAmplificador, k);
        }
        s.chkTipoL(k) = a.read(keys::kChkTipoL, k);
    }
    s.chkAutoVol = a.read(keys::kAutoVolume);
    s.CheckOffHook = a.read(keys::kCheckOffHook);
    s.CheckAutoConfig = a.read(keys::kCheckAutoConfig);
    s.AutoConfigFlag = s.CheckAutoConfig;

    readRecordingFolder(s);

    for (int k = 1; k <= 2; ++k) {
        const int n = line(k);
        s.edPortLocal(k) = std::to_string(a.read(keys::kLocalPort, k, defaultLocalPort(n)));
        s.edPortReceive(k) = std::to_string(a.read(keys::kRemotePort, k, defaultRemotePort(n)));
        s.chkSameIP(k) = a.read(keys::kChkSameIp, k);
        s.chkPermiteReceive(k) = a.read(keys::kChkPermiteReceive, k);
        s.cbBitRat(k) = choiceOr(a.read(keys::kCbBitRat, k), 5, keys::kCbBitRat.fallback);
        if (!first) {
            s.TrackBarAmp(k) = std::clamp(a.read(keys::kTrackBarAmp, k), 0, 25);
        }
    }
    for (int k = 1; k <= 2; ++k) {
        if (hooks_.bitRateChanged) {
            hooks_.bitRateChanged(k, s.cbBitRat(k));
        }
        if (!first && hooks_.amplifierGainChanged) {
            hooks_.amplifierGainChanged(k, s.TrackBarAmp(k));
        }
    }

    s.CheckAutoRec = a.read(keys::kCheckAutoRec);
    s.CheckOffRing = a.read(keys::kCheckOffRing);
    s.CheckOffTom = a.read(keys::kCheckOffTom);
    s.CheckOffDial = a.read(keys::kCheckOffDial);
    s.SpinPause = std::clamp(a.read(keys::kSpinPause), 2, 100);
    s.SpinStop = std::clamp(a.read(keys::kSpinStop), 2, 320);
    s.SpinMin = std::clamp(a.read(keys::kSpinMin), 5, 100);
    s.chkSendDTMF = a.read(keys::kChkSendDtmf);
    s.chkSendFormatado = a.read(keys::kChkSendFormatado);
    s.chkIndexPhone = a.read(keys::kChkIndexPhone);
    s.chkRing = a.read(keys::kChkRing);
    s.chkNumeroDiscado = a.read(keys::kChkNumeroDiscado);
    s.chkNameFile = a.read(keys::kChkNameFile);

    if (first) {
        // Set without its click behaviour, which then runs once when the box is on.
        s.chkAtivarMorvex = a.read(keys::kChkAtivarMorvex);
        if (s.chkAtivarMorvex && hooks_.companionClicked) {
            hooks_.companionClicked();
        }
    }

    for (int k = 1; k <= 2; ++k) {
        if (s.chkSameIP(k)) {
            s.EditIPLocal(k) = kLocalHostAddress;
            s.edIPRemote(k) = kLocalHostAddress;
        }
    }
}

void PairSettingsStorage::readRecordingFolder(PairSettings& s) {
    const SettingsAccess a(files_, pair_);
    const std::string fallback = files_.defaultRecordingBase();
    std::string folder = withSeparator(a.read(keys::kEditPasta, fallback));
    if (!makeFolder(folder)) {
        logLine(LogLevel::Warning,
                "recording folder " + folder + " is not reachable; using " + fallback);
        ui_.messageBox(kFolderAccessTitle, kFolderAccessText, MessageIcon::Error,
                       MessageButtons::Ok);
        folder = fallback;
        makeFolder(folder);
    }
    s.EditPasta = folder;
    s.RecordingBase = folder;
}

void PairSettingsStorage::readAtHide(PairSettings& s) {
    const SettingsAccess a(files_, pair_);
    ui_.setTrayIconVisible(a.read(keys::kIconVisible));

    // The stored switch state counts only once a local port has been stored.
    for (int k = 1; k <= 2; ++k) {
        if (a.read(keys::kLocalPort, k, 0) > 0) {
            const bool on = a.read(keys::kTcpIp, k);
            if (hooks_.setRelaySwitch) {
                hooks_.setRelaySwitch(k, on);
            } else {
                s.ChBoxTCP(k) = on;
            }
        }
    }
    for (int k = 1; k <= 2; ++k) {
        const int n = line(k);
        EndpointAddress address;
        address.localPort =
            a.read(keys::kLocalPort, k, integerOr(s.edPortLocal(k), defaultLocalPort(n)));
        address.remotePort =
            a.read(keys::kRemotePort, k, integerOr(s.edPortReceive(k), defaultRemotePort(n)));
        address.remoteIp = a.read(keys::kRemoteIp, k);
        if (hooks_.configureEndpoint) {
            hooks_.configureEndpoint(k, address);
        }
    }
}

SaveResult PairSettingsStorage::save(PairSettings& s) {
    SettingsAccess a(files_, pair_);
    const bool first = pair_ == 1;
    WriteLog put;

    if (isBlank(s.edNomeCanal1)) {
        s.edNomeCanal1 = keys::kLineName1.fallback;
    }
    if (isBlank(s.edNomeCanal2)) {
        s.edNomeCanal2 = keys::kLineName2.fallback;
    }

    // "Config.ini": device, input, adapter.
    const int adapterPosition = s.adapterList(pair_).itemIndex;
    put(a.write(keys::kDeviceName, s.CbDevices.text));
    put(a.write(keys::kDeviceId, hooks_.waveInDeviceId ? hooks_.waveInDeviceId() : -1));
    put(a.write(keys::kSelectIndexDevice, s.CbDevices.itemIndex));
    put(a.write(keys::kSelectIndexSource, s.CBList.itemIndex));
    put(a.write(keys::kQtdLinha, adapterPosition + 1));
    s.LinesOnInput = adapterPosition + 1;

    // "ConfigGlobal.ini", first group.
    put(a.write(keys::kLineName1, s.edNomeCanal1));
    put(a.write(keys::kLineName2, s.edNomeCanal2));
    put(a.write(keys::kBufferRecord, s.CBbuffer));
    put(a.write(keys::kVolume, s.Track1));
    if (first) {
        put(a.write(keys::kCbTipoAdp, s.CBTipoAdp.itemIndex));
    }
    put(a.write(keys::kCheckTexto, s.CheckTexto));
    for (int k = 1; k <= 2; ++k) {
        if (first) {
            put(a.write(keys::kSpinSensi, k, s.SpinSensi(k)));
        } else {
            put(a.write(keys::kOffHook, k, s.SpinOffHook(k)));
        }
    }
    if (!first) {
        for (int k = 1; k <= 2; ++k) {
            put(a.write(keys::kSpectrum, k, s.CHKSpectrum(k)));
        }
        for (int k = 1; k <= 2; ++k) {
            put(a.write(keys::kPEuropeu, k, s.chkEuropa(k)));
        }
    }
    for (int k = 1; k <= 2; ++k) {
        put(a.write(keys::kChkTipoL, k, s.chkTipoL(k)));
    }
    put(a.write(keys::kAutoVolume, s.chkAutoVol));
    put(a.write(keys::kCheckOffHook, s.CheckOffHook));
    put(a.write(keys::kCheckAutoConfig, s.CheckAutoConfig));
    for (int k = 1; k <= 2; ++k) {
        put(a.write(keys::kLocalPort, k, integerOr(s.edPortLocal(k), defaultLocalPort(line(k)))));
    }
    for (int k = 1; k <= 2; ++k) {
        put(a.write(keys::kRemotePort, k,
                    integerOr(s.edPortReceive(k), defaultRemotePort(line(k)))));
    }
    for (int k = 1; k <= 2; ++k) {
        put(a.write(keys::kTcpIp, k, s.ChBoxTCP(k)));
    }

    // Relays that were on go off, with their endpoints closed, until the save is done.
    bool relayWasOn[2] = {false, false};
    for (int k = 1; k <= 2; ++k) {
        if (!s.ChBoxTCP(k)) {
            continue;
        }
        relayWasOn[k - 1] = true;
        if (hooks_.setRelaySwitch) {
            hooks_.setRelaySwitch(k, false);
        } else {
            s.ChBoxTCP(k) = false;
        }
        if (hooks_.closeRelayEndpoint) {
            hooks_.closeRelayEndpoint(k);
        }
    }

    for (int k = 1; k <= 2; ++k) {
        put(a.write(keys::kChkSameIp, k, s.chkSameIP(k)));
    }
    for (int k = 1; k <= 2; ++k) {
        put(a.write(keys::kCbBitRat, k, s.cbBitRat(k)));
    }
    if (!first) {
        for (int k = 1; k <= 2; ++k) {
            put(a.write(keys::kAmplificador, k, s.CheckAmp(k)));
        }
        for (int k = 1; k <= 2; ++k) {
            put(a.write(keys::kTrackBarAmp, k, s.TrackBarAmp(k)));
        }
    }
    put(a.write(keys::kCheckAutoRec, s.CheckAutoRec));
    put(a.write(keys::kCheckOffRing, s.CheckOffRing));
    put(a.write(keys::kCheckOffTom, s.CheckOffTom));
    put(a.write(keys::kCheckOffDial, s.CheckOffDial));
    put(a.write(keys::kSpinPause, s.SpinPause));
    put(a.write(keys::kSpinStop, s.SpinStop));
    put(a.write(keys::kSpinMin, s.SpinMin));
    put(a.write(keys::kGlobalTop, s.Top));
    put(a.write(keys::kGlobalLeft, s.Left));
    put(a.write(keys::kDddLocal, s.EditDDDLocal));
    if (first) {
        put(a.write(keys::kChkAtivarMorvex, s.chkAtivarMorvex));
    } else {
        for (int k = 1; k <= 2; ++k) {
            s.chkEuropa(k) = a.read(keys::kPEuropeu, k);
        }
    }
    put(files_.global().flush());

    // The line folders must exist before the second group is stored.
    s.RecordingBase = withSeparator(s.EditPasta);
    s.EditPasta = s.RecordingBase;
    bool foldersReady = true;
    for (int k = 1; k <= 2; ++k) {
        foldersReady =
            makeFolder(lineRecordingFolder(s.RecordingBase, line(k), s.edNomeCanal(k))) &&
            foldersReady;
    }

    SaveResult result;
    result.foldersReady = foldersReady;
    if (foldersReady) {
        put(a.write(keys::kEditPasta, s.EditPasta));
        for (int k = 1; k <= 2; ++k) {
            put(a.write(keys::kChkPermiteReceive, k, s.chkPermiteReceive(k)));
        }
        put(a.write(keys::kChkSendDtmf, s.chkSendDTMF));
        put(a.write(keys::kChkSendFormatado, s.chkSendFormatado));
        put(a.write(keys::kChkIndexPhone, s.chkIndexPhone));
        put(a.write(keys::kChkRing, s.chkRing));
        put(a.write(keys::kChkNumeroDiscado, s.chkNumeroDiscado));
        put(a.write(keys::kChkNameFile, s.chkNameFile));
        put(files_.global().flush());
        for (int k = 1; k <= 2; ++k) {
            if (!relayWasOn[k - 1]) {
                continue;
            }
            if (hooks_.setRelaySwitch) {
                hooks_.setRelaySwitch(k, true);
            } else {
                s.ChBoxTCP(k) = true;
            }
            if (hooks_.runRelaySwitch) {
                hooks_.runRelaySwitch(k);
            }
        }
        for (int k = 1; k <= 2; ++k) {
            if (s.chkSameIP(k)) {
                s.EditIPLocal(k) = kLocalHostAddress;
                s.edIPRemote(k) = kLocalHostAddress;
            }
        }
    } else {
        logLine(LogLevel::Warning, "cannot create the line folders under " + s.RecordingBase);
        ui_.messageBox("", kFolderCreateTextHead + s.RecordingBase + kFolderCreateTextTail,
                       MessageIcon::Error, MessageButtons::Ok);
    }

    reportWriteErrors(put.errors);
    result.writeErrors = std::move(put.errors);
    result.ok = foldersReady && result.writeErrors.empty();
    return result;
}

void PairSettingsStorage::reportWriteErrors(const std::vector<IniError>& errors) {
    if (errors.empty()) {
        return;
    }
    // One box per save, naming each file once.
    std::string text = "Não foi possível gravar as configurações.";
    std::vector<fs::path> named;
    for (const IniError& error : errors) {
        if (std::find(named.begin(), named.end(), error.file) != named.end()) {
            continue;
        }
        named.push_back(error.file);
        text += "\r\n" + error.describe();
    }
    ui_.messageBox(kSettingsWriteTitle, text, MessageIcon::Error, MessageButtons::Ok);
}

std::vector<IniError> PairSettingsStorage::writeExitPosition(const PairSettings& s) {
    SettingsAccess a(files_, pair_);
    WriteLog put;
    put(a.write(keys::kConfigTop, s.Top));
    put(a.write(keys::kConfigLeft, s.Left));
    return std::move(put.errors);
}

bool PairSettingsStorage::erasePair(std::vector<IniError>* errors) {
    if (!files_.config().sectionExists(section_)) {
        return false;
    }
    WriteLog put;
    put(files_.config().eraseSection(section_));
    if (files_.global().sectionExists(section_)) {
        put(files_.global().eraseSection(section_));
    }
    for (int k = 1; k <= 2; ++k) {
        const std::string list = ipListSection(line(k));
        if (files_.ip().sectionExists(list)) {
            put(files_.ip().eraseSection(list));
        }
    }
    put(files_.ip().flush());
    if (errors != nullptr) {
        errors->insert(errors->end(), put.errors.begin(), put.errors.end());
    }
    return true;
}

std::string PairSettingsStorage::callerIdTextFile(int side) const {
    const SettingsAccess a(files_, pair_);
    return a.read(keys::kArqTexto, side,
                  defaultCallerIdTextFile(files_.programFolder().string(), line(side)));
}

std::vector<IniError> PairSettingsStorage::writeCallerIdTextFiles(const std::string& file1,
                                                                  const std::string& file2) {
    SettingsAccess a(files_, pair_);
    WriteLog put;
    put(a.write(keys::kArqTexto, 1, file1));
    put(a.write(keys::kArqTexto, 2, file2));
    put(files_.global().flush());
    return std::move(put.errors);
}

std::vector<IniError> PairSettingsStorage::writeTestValues(const PairSettings& s) {
    SettingsAccess a(files_, pair_);
    WriteLog put;
    put(a.write(keys::kEdTesteDdd, s.edTesteDDD));
    put(a.write(keys::kEdTesteFone, s.edTesteFone));
    return std::move(put.errors);
}

std::vector<IniError> writeMainGeometry(ConfigFiles& files, int mainTop, int mainLeft,
                                        int mainHeight, int mainWidth) {
    SettingsAccess a(files, 1);
    WriteLog put;
    put(a.write(keys::kMainTop, mainTop));
    put(a.write(keys::kMainLeft, mainLeft));
    put(a.write(keys::kMainHeight, mainHeight));
    put(a.write(keys::kMainWidth, mainWidth));
    put(files.config().flush());
    return std::move(put.errors);
}

}  // namespace kovra::settings
