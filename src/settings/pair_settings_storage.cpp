#include "settings/pair_settings_storage.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/log.h"
#include "settings/integer_text.h"
#include "settings/pair_settings_table.h"
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
    const PairProfile& profile = pairProfile(pair_);
    for (const SettingBinding& row : pairSettingsTable(pair_)) {
        if (row.readAtCreation) {
            row.apply(s, readSetting(a, row, s));
        }
    }

    if (hooks_.setLocalDdd) {
        hooks_.setLocalDdd(s.EditDDDLocal);
    }
    readRecordingFolder(s);
    for (int k = 1; k <= 2; ++k) {
        if (hooks_.bitRateChanged) {
            hooks_.bitRateChanged(k, s.cbBitRat(k));
        }
        if (profile.recording.amplifier && hooks_.amplifierGainChanged) {
            hooks_.amplifierGainChanged(k, s.TrackBarAmp(k));
        }
    }
    // Set without its click behaviour, which then runs once when the box is on.
    if (profile.companionProgram && s.chkAtivarMorvex && hooks_.companionClicked) {
        hooks_.companionClicked();
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
    const std::vector<SettingBinding> table = pairSettingsTable(pair_);
    WriteLog put;
    const auto store = [&](SaveStep step) {
        for (const SettingBinding& row : table) {
            if (row.step == step) {
                put(writeSetting(a, row, s));
            }
        }
    };

    if (isBlank(s.edNomeCanal1)) {
        s.edNomeCanal1 = keys::kLineName1.fallback;
    }
    if (isBlank(s.edNomeCanal2)) {
        s.edNomeCanal2 = keys::kLineName2.fallback;
    }
    s.DeviceID = hooks_.waveInDeviceId ? hooks_.waveInDeviceId() : -1;
    s.LinesOnInput = s.adapterList(pair_).itemIndex + 1;
    store(SaveStep::BeforeRelaysOff);

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

    store(SaveStep::WhileRelaysOff);
    if (pairProfile(pair_).line.europeFsk) {
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
        store(SaveStep::AfterFolders);
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
    return writeStep(SaveStep::Exit, s);
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
    return writeStep(SaveStep::TestValues, s);
}

std::vector<IniError> PairSettingsStorage::writeStep(SaveStep step, const PairSettings& s) {
    SettingsAccess a(files_, pair_);
    WriteLog put;
    for (const SettingBinding& row : pairSettingsTable(pair_)) {
        if (row.step == step) {
            put(writeSetting(a, row, s));
        }
    }
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
