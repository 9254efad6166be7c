#include "relay/control/pair_relay_control.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/log.h"
#include "relay/control/control_texts.h"
#include "settings/integer_text.h"
#include "settings/settings_access.h"

namespace kovra::relay::control {

namespace fs = std::filesystem;
namespace keys = settings::keys;
using settings::integerOr;

namespace {

// Timer intervals, pair 1 first: pair 1 reacts faster to commands and relay changes.
constexpr Millis kCommandInterval[] = {Millis(5), Millis(100), Millis(100)};
constexpr Millis kTcpInitInterval[] = {Millis(100), Millis(1000), Millis(1000)};
constexpr Millis kPingInterval{500};
// A ping is sent this many times before it is given up (every pair).
constexpr int kPingTicksGiveUp = 10;
constexpr const char* kLocalHost = settings::kLocalHostAddress;
constexpr const char* kLocalPortErrorTitle = "Erro";

bool contains(const std::string& text, std::string_view token) {
    return text.find(token) != std::string::npos;
}

// The text after the first "->" (the whole text when it has none).
std::string afterArrow(const std::string& text) {
    const auto at = text.find(kArrow);
    return at == std::string::npos ? text : text.substr(at + kArrow.size());
}

std::string trimmed(const std::string& text) {
    const auto first =
        std::find_if(text.begin(), text.end(), [](unsigned char c) { return c > ' '; });
    const auto last =
        std::find_if(text.rbegin(), text.rend(), [](unsigned char c) { return c > ' '; }).base();
    return first < last ? std::string(first, last) : std::string();
}

}  // namespace

PairRelayControl::PairRelayControl(int pair, EventLoop& loop, settings::PairSettings& settings,
                                   settings::ConfigFiles& files, UserInterface& ui,
                                   PairRelayPorts& ports, HostIdentity& host, HostLookup lookup)
    : pair_(pair),
      profile_(pairProfile(pair)),
      s_(settings),
      files_(files),
      ui_(ui),
      ports_(ports),
      host_(host),
      lookup_(lookup ? std::move(lookup) : cachedHostLookup()),
      KovraRepeater1(std::make_unique<TKovraRepeaterXE>(loop)),
      KovraRepeater2(std::make_unique<TKovraRepeaterXE>(loop)),
      timerCmd_(loop, kCommandInterval[pair - 1], [this] { TimerCMDTimer(); }),
      timerTcpInit_(loop, kTcpInitInterval[pair - 1], [this] { TimerTCPInitTimer(); }),
      timerPing_(loop, kPingInterval, [this] { TimerPingTimer(); }) {
    for (int k = 1; k <= 2; ++k) {
        TKovraRepeaterXE& ep = endpoint(k);
        ep.OnTextFrom = [this, k](TKovraRepeaterXE&, const std::string& text,
                                  const TextOrigin& from) {
            KovraRepeaterOnAllEvents(k, text, from);
        };
        ep.OnListenerClosed = [this, k](TKovraRepeaterXE&, const TextOrigin& from) {
            listenerClosed(k, from);
        };
        ep.setLogName("line " + std::to_string(line(k)));
        applyHostRule(k);
    }
    if (profile_.line.keyLog) {
        KovraRepeater1->a4OnKeyEvent = [this](TKovraRepeaterXE&, const std::string&,
                                              const std::string& key) { ports_.appendKeyLog(key); };
    }
}

PairRelayControl::~PairRelayControl() {
    // The endpoints go first, while everything their handlers reach is still here.
    KovraRepeater2.reset();
    KovraRepeater1.reset();
}

void PairRelayControl::report(const std::exception& error) {
    logLine(LogLevel::Error,
            std::string("relay of pair ") + std::to_string(pair_) + ": " + error.what());
    ports_.reportError(error);
}

void PairRelayControl::sendReporting(int side, const std::string& text) {
    try {
        SendDataIP(side, text);
    } catch (const std::exception& error) {
        report(error);
    }
}

// ---- Relay switch ----------------------------------------------------------------------

void PairRelayControl::setChBoxTCP(int side, bool on) {
    if (s_.ChBoxTCP(side) == on) {
        return;
    }
    s_.ChBoxTCP(side) = on;
    ChBoxTCPClick(side);
}

void PairRelayControl::ChBoxTCPClick(int side) {
    const int n = line(side);
    settings::IniFile& ip = files_.ip();
    RelayLineView& view = view_[side - 1];
    view.portEditsEnabled = s_.ChBoxTCP(side);
    view.EditReceived.clear();
    ports_.enableApply();
    changed();
    applyHostRule(side);

    if (!s_.ChBoxTCP(side)) {
        relayOff_[side - 1] = true;
        const std::string list = settings::ipListSection(n);
        if (ip.sectionExists(list)) {
            ip.deleteKey(list, s_.edIPRemote(side) + ":" + s_.edPortReceive(side));
        }
        return;
    }
    if (s_.edPortLocal(side) == "0" || s_.EditIPLocal(side) == "0") {
        setChBoxTCP(side, false);
        ui_.messageBox(std::string(kZeroPortTitle), std::string(kZeroPortText), MessageIcon::Error,
                       MessageButtons::Ok);
        return;
    }

    TKovraRepeaterXE& ep = endpoint(side);
    ep.setA9HostKovra(true);
    const std::string remote = s_.edIPRemote(side);
    if (!trimmed(remote).empty() && integerOr(s_.edPortReceive(side), 0) > 0) {
        const std::string repeater = settings::repeaterSection(n);
        ip.writeBool(settings::ipListSection(n), remote + ":" + s_.edPortReceive(side), true);
        ip.writeString(repeater, remote, s_.edPortReceive(side));
        ip.writeString(repeater, keys::kKovraIp, s_.EditIPLocal(side));
        ip.writeString(repeater, keys::kKovraPorta, s_.edPortLocal(side));
        ip.flush();
        applyHostRule(side);  // the host noted just now
    }
    const int localPort = integerOr(s_.edPortLocal(side), 0);
    if (localPort != ep.a5Local_Port()) {
        setLocalPort(side, localPort);
        if (!s_.ChBoxTCP(side)) {
            return;  // the port could not be opened: the switch went off with its error
        }
    }
    ep.setA4Remote_Port(integerOr(s_.edPortReceive(side), 0));
    if (!ep.connected()) {
        ep.ConnectTo(remote, n);
    }
    relayOff_[side - 1] = false;
    timerTcpInit_.setEnabled(true);
}

void PairRelayControl::setLocalPort(int side, int port) {
    TKovraRepeaterXE& ep = endpoint(side);
    ep.setA5Local_Port(port);
    if (!profile_.relayPortError || ep.listening()) {
        return;
    }
    // Error #3815: the line's relay is switched off and the user told, instead of a
    // relay that stays on and silent.
    const std::string message = std::string(kLocalPortErrorText) + std::to_string(port);
    logLine(LogLevel::Error, "relay of line " + std::to_string(line(side)) + ": " + message);
    if (ep.a7Calling()) {
        ep.setA7Calling(false);
    }
    if (ep.connected()) {
        ep.SetConnected(false);
    }
    setChBoxTCP(side, false);
    ports_.showRelayPortError(side);
    ui_.messageBox(kLocalPortErrorTitle, message, MessageIcon::Error, MessageButtons::Ok);
}

void PairRelayControl::TimerTCPInitTimer() {
    timerTcpInit_.setEnabled(false);
}

void PairRelayControl::configureEndpoint(int side, int localPort, int remotePort,
                                         const std::string& remoteIp) {
    TKovraRepeaterXE& ep = endpoint(side);
    if (localPort != ep.a5Local_Port()) {
        setLocalPort(side, localPort);
    }
    ep.setA4Remote_Port(remotePort);
    ep.setA3Remote_IP(remoteIp);
    applyHostRule(side);
}

// ---- Sending ---------------------------------------------------------------------------

void PairRelayControl::SendDataIP(int side, const std::string& text) {
    TKovraRepeaterXE& ep = endpoint(side);
    if (!ep.connected()) {
        return;
    }
    if (s_.chkSameIP(side)) {
        ep.setA3Remote_IP(kLocalHost);
        ep.SendData(text);
        return;
    }

    // Sends of one line never interleave: the loop runs one handler at a time and
    // SendData runs none, so a send never finds another one of its line under way.
    const std::string notedIp = ep.a3Remote_IP();
    const int notedPort = ep.a4Remote_Port();
    sendingList_[side - 1] = true;
    struct Restore {
        PairRelayControl& self;
        TKovraRepeaterXE& ep;
        int side;
        const std::string& ip;
        int port;
        ~Restore() {
            ep.setA3Remote_IP(ip);
            ep.setA4Remote_Port(port);
            self.sendingList_[side - 1] = false;
        }
    } restore{*this, ep, side, notedIp, notedPort};

    const std::string list = settings::ipListSection(line(side));
    const settings::IniFile& ip = files_.ip();
    for (const std::string& entry : ip.sectionKeys(list)) {
        if (!ip.readBool(list, entry, false)) {
            continue;
        }
        const auto colon = entry.find(':');
        const std::string address = entry.substr(0, colon);
        const int port = colon == std::string::npos
                             ? 0
                             : integerOr(std::string_view(entry).substr(colon + 1), 0);
        s_.edPortReceive(side) = std::to_string(port);
        s_.edIPRemote(side) = address;
        ep.setA4Remote_Port(port);
        ep.setA3Remote_IP(address);
        ep.SendData(text);
    }
}

std::string_view PairRelayControl::recordingMode() {
    if (s_.CheckAutoRec) {
        return kModeAuto;
    }
    if (s_.CheckOffHook) {
        s_.CheckOffHook = false;
        ports_.checkOffHookChanged();
    }
    return kModeManual;
}

void PairRelayControl::SendLineDadosRep() {
    const std::string_view mode = recordingMode();
    for (int k = 1; k <= 2; ++k) {
        if (!s_.ChBoxTCP(k)) {
            continue;
        }
        const std::string prefix = "L" + std::to_string(line(k));
        sendReporting(k, prefix + std::string(mode));
        sendReporting(k, prefix + std::string(kSoundBoard) + s_.CbDevices.text);
        sendReporting(k,
                      prefix + std::string(kDeviceId) + std::to_string(ports_.waveInIndex() - 1));
        sendReporting(k, prefix + std::string(k == 1 ? kChannelOdd : kChannelEven));
        sendReporting(k, prefix + std::string(kSource) + s_.CBList.text);
    }
}

// ---- Received texts --------------------------------------------------------------------

bool PairRelayControl::parseListRequest(std::string& msg, LineRequests& request) const {
    msg = afterArrow(msg);
    const auto colon = msg.find(':');
    if (colon == std::string::npos) {
        request.pendingIp.clear();
        request.pendingPort = 0;
        return false;
    }
    request.pendingIp = msg.substr(0, colon + 1);
    msg = msg.substr(colon + 1);
    request.pendingPort = integerOr(msg, 0);
    return true;
}

bool PairRelayControl::acceptRecordingFile(int side, const std::string& file) const {
    // The file name comes from the network: only an MP3 inside the pair's recording
    // folder may be created or overwritten.
    const auto refuse = [&](const std::string& why) {
        logLine(LogLevel::Warning, "START_REC for line " + std::to_string(line(side)) +
                                       " ignored: " + why + " (" + file + ")");
        return false;
    };
    const fs::path path(file);
    if (file.empty() || !path.is_absolute()) {
        return refuse("not an absolute path");
    }
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".mp3" || path.stem().empty()) {
        return refuse("not an .mp3 file");
    }
    if (s_.RecordingBase.empty()) {
        return refuse("no recording folder is set");
    }
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(fs::path(s_.RecordingBase), ec);
    if (ec) {
        return refuse("recording folder cannot be resolved: " + ec.message());
    }
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec) {
        return refuse("path cannot be resolved: " + ec.message());
    }
    const fs::path relative = resolved.lexically_relative(base);
    if (relative.empty() || *relative.begin() == ".." || *relative.begin() == ".") {
        return refuse("outside the recording folder " + s_.RecordingBase);
    }
    if (fs::exists(fs::symlink_status(resolved, ec)) || fs::exists(fs::symlink_status(path, ec))) {
        return refuse("the file exists and is never replaced");
    }
    return true;
}

void PairRelayControl::KovraRepeaterOnAllEvents(int side, const std::string& text) {
    KovraRepeaterOnAllEvents(side, text, TextOrigin{});
}

void PairRelayControl::KovraRepeaterOnAllEvents(int side, const std::string& text,
                                                const TextOrigin& from) {
    if (sendingList_[side - 1]) {
        return;
    }
    if (!from.host) {
        listenerText(side, text, from);
        return;
    }
    const int n = line(side);
    const std::string prefix = "L" + std::to_string(n);
    RelayLineView& view = view_[side - 1];
    LineRequests& request = requests_[side - 1];
    std::string msg = text;

    // Line 4 shows the plug-in name last, so its received-text box keeps the whole text.
    const bool plugedLast = n == 4;
    const auto pluged = [&] {
        if (contains(msg, prefix + std::string(kAppPluged))) {
            msg = afterArrow(msg);
            view.PanelGerenciador = std::string(kPlugado) + msg;
            changed();
        }
    };
    if (!plugedLast) {
        pluged();
    }

    if (profile_.recording.hostCommands && contains(msg, kStartRec)) {
        msg = afterArrow(msg);
        if (acceptRecordingFile(side, msg)) {
            view.hostFileName = msg;
            request.startRec = true;
            timerCmd_.setEnabled(true);
        }
    }
    if (profile_.recording.hostCommands && contains(msg, kStopRec)) {
        request.stopRec = true;
        timerCmd_.setEnabled(true);
    }

    if (contains(msg, prefix + std::string(kInsertIp))) {
        parseListRequest(msg, request);
        view.EditReceived =
            std::string(kInserir) + request.pendingIp + std::to_string(request.pendingPort);
        request.insertIp = true;
        timerCmd_.setEnabled(true);
        changed();
    } else if (contains(msg, prefix + std::string(kRemoveIp))) {
        parseListRequest(msg, request);
        view.EditReceived = std::string(side == 1 ? kRemoverOdd : kRemoverEven) +
                            request.pendingIp + std::to_string(request.pendingPort);
        view.PanelGerenciador = std::string(kDesconectado);
        request.removeIp = true;
        timerCmd_.setEnabled(true);
        changed();
    } else if (!ports_.settingsShown()) {
        view.EditReceived = msg;
        changed();
        if (s_.chkPermiteReceive(side)) {
            bool* command = nullptr;
            if (contains(msg, prefix + std::string(kOpenConfig))) {
                command = &cmdOpenConfig_;
            } else if (contains(msg, prefix + std::string(kStartDevice))) {
                command = &cmdStartDevice_;
            } else if (contains(msg, prefix + std::string(kStopDevice))) {
                command = &cmdStopDevice_;
            } else if (contains(msg, kStopApp)) {
                command = &cmdStopApp_;
            }
            if (command != nullptr) {
                *command = true;
                timerCmd_.setEnabled(true);
            }
        }
    }

    if (s_.chkPermiteReceive(side) && contains(msg, prefix + std::string(kIconVisible))) {
        msg = afterArrow(msg);
        if (!msg.empty() && msg.front() == '1') {
            cmdIconShow_ = true;
        } else {
            cmdIconHide_ = true;
        }
        timerCmd_.setEnabled(true);
    }

    if (plugedLast) {
        pluged();
    }

    if (pingPending_[side - 1] && contains(text, kPingReply)) {
        pingAnswered(side);
    }
}

void PairRelayControl::pingAnswered(int side) {
    cmdOpenConfig_ = cmdStartDevice_ = cmdStopDevice_ = cmdStopApp_ = false;
    pingAnswered_[side - 1] = true;
    timerPing_.setEnabled(false);
    pingButtonsEnabled_ = true;
    view_[side - 1].edPing = std::string(kPingOnline);
    timerCmd_.setEnabled(true);
    changed();
}

// ---- Senders other than the host -------------------------------------------------------

HostRule PairRelayControl::hostRule(int side) const {
    const settings::SettingsAccess access(files_, pair_);
    HostRule rule;
    rule.anyone = access.read(keys::kRelayOpenCommands);
    if (rule.anyone) {
        return rule;
    }
    rule.anyone = false;
    if (s_.chkSameIP(side)) {
        rule.thisMachine = true;
        return rule;
    }
    // The stored remote address, or else the host the relay switch noted for the line
    // (the first address key of its REPEATER_LINHA_<n> section). The address edits are no
    // guide: list sends leave the last destination served in them.
    rule.address = trimmed(access.read(keys::kRemoteIp, side));
    if (rule.address.empty()) {
        const settings::IniFile& ip = files_.ip();
        for (const std::string& key : ip.sectionKeys(settings::repeaterSection(line(side)))) {
            if (key != keys::kKovraIp && key != keys::kKovraPorta) {
                rule.address = key;
                break;
            }
        }
    }
    return rule;
}

bool PairRelayControl::isOwnAddress(const std::string& address, const TextOrigin& from) const {
    // Strictly the sender's address: a listener announces the address it sends from (the
    // one the source reaches it at), so even a listener on this machine matches.
    return address == from.address;
}

bool PairRelayControl::listed(int side, const TextOrigin& from) const {
    const settings::IniFile& ip = files_.ip();
    for (const std::string& key : ip.sectionKeys(settings::ipListSection(line(side)))) {
        const std::optional<ListEntry> entry = parseListEntry(key);
        if (entry && isOwnAddress(entry->address, from)) {
            return true;
        }
    }
    return false;
}

void PairRelayControl::answerListener(int side, const ListEntry& to, const std::string& text) {
    try {
        endpoint(side).SendDataTo(to.address, to.port, text);
    } catch (const std::exception& error) {
        report(error);
    }
}

void PairRelayControl::listenerText(int side, const std::string& text, const TextOrigin& from) {
    const std::string prefix = "L" + std::to_string(line(side));
    if (contains(text, prefix + std::string(kAppPluged))) {
        view_[side - 1].PanelGerenciador = std::string(kPlugado) + escapeControl(afterArrow(text));
        changed();
    }
    if (contains(text, prefix + std::string(kInsertIp))) {
        listenerInsert(side, afterArrow(text), from);
    } else if (contains(text, prefix + std::string(kRemoveIp))) {
        listenerRemove(side, afterArrow(text), from);
    } else if (pingPending_[side - 1] && contains(text, kPingReply) && listed(side, from)) {
        pingAnswered(side);
    } else if (!contains(text, prefix + std::string(kAppPluged))) {
        logLine(LogLevel::Debug, "relay of line " + std::to_string(line(side)) + ": " +
                                     from.address + ":" + std::to_string(from.port) +
                                     " is not the host; ignored: " + text);
    }
}

void PairRelayControl::listenerInsert(int side, const std::string& request,
                                      const TextOrigin& from) {
    const int n = line(side);
    const std::string prefix = "L" + std::to_string(n);
    const std::string who = from.address + ":" + std::to_string(from.port);
    const std::optional<ListEntry> entry = parseListEntry(request);
    if (!entry || !isOwnAddress(entry->address, from)) {
        logLine(LogLevel::Warning, prefix + "_INSERT_IP from " + who + " refused: " + request +
                                       (entry ? " is not the sender's own address"
                                              : " is not a numeric IPv4 address and port"));
        return;
    }
    const std::string list = settings::ipListSection(n);
    settings::IniFile& ip = files_.ip();
    if (ip.keyExists(list, entry->text())) {
        answerListener(side, *entry, prefix + std::string(kConnected));
        return;
    }
    // One entry per sender address: a listener that comes back on another port moves.
    bool changedList = false;
    for (const std::string& key : ip.sectionKeys(list)) {
        const std::optional<ListEntry> old = parseListEntry(key);
        if (old && old->address == entry->address) {
            ip.deleteKey(list, key);
            changedList = true;
        }
    }
    const int cap = settings::SettingsAccess(files_, pair_).read(keys::kMaxListeners, side);
    if (static_cast<int>(ip.sectionKeys(list).size()) >= cap) {
        if (changedList) {
            ip.flush();
        }
        logLine(LogLevel::Warning, prefix + "_INSERT_IP from " + who +
                                       " refused: the list is full (" + std::to_string(cap) +
                                       " entries)");
        return;
    }
    ip.writeBool(list, entry->text(), true);
    ip.flush();
    logLine(LogLevel::Info,
            "relay of line " + std::to_string(n) + ": listener " + entry->text() + " joined");
    view_[side - 1].EditReceived = std::string(kInserir) + entry->text();
    changed();
    answerListener(side, *entry, prefix + std::string(kIpInserted) + entry->text());
    if (!s_.ChBoxTCP(side)) {
        return;  // a line that does not relay describes itself to nobody
    }
    const std::string mode(recordingMode());
    answerListener(side, *entry, prefix + mode);
    answerListener(side, *entry, prefix + std::string(kSoundBoard) + s_.CbDevices.text);
    answerListener(side, *entry,
                   prefix + std::string(kDeviceId) + std::to_string(ports_.waveInIndex() - 1));
    answerListener(side, *entry, prefix + std::string(side == 1 ? kChannelOdd : kChannelEven));
    answerListener(side, *entry, prefix + std::string(kSource) + s_.CBList.text);
}

void PairRelayControl::listenerRemove(int side, const std::string& request,
                                      const TextOrigin& from) {
    const int n = line(side);
    const std::string prefix = "L" + std::to_string(n);
    const std::optional<ListEntry> entry = parseListEntry(request);
    if (!entry || !isOwnAddress(entry->address, from)) {
        logLine(LogLevel::Warning, prefix + "_REMOVE_IP from " + from.address + ":" +
                                       std::to_string(from.port) + " refused: " + request +
                                       " is not the sender's own entry");
        return;
    }
    answerListener(side, *entry, prefix + std::string(kIpRemoved) + entry->text());
    const std::string list = settings::ipListSection(n);
    settings::IniFile& ip = files_.ip();
    if (ip.keyExists(list, entry->text())) {
        ip.deleteKey(list, entry->text());
        ip.flush();
        logLine(LogLevel::Info,
                "relay of line " + std::to_string(n) + ": listener " + entry->text() + " left");
    }
}

void PairRelayControl::listenerClosed(int side, const TextOrigin& from) {
    const int n = line(side);
    const std::string list = settings::ipListSection(n);
    settings::IniFile& ip = files_.ip();
    bool removed = false;
    for (const std::string& key : ip.sectionKeys(list)) {
        const std::optional<ListEntry> entry = parseListEntry(key);
        if (entry && entry->port == from.port && isOwnAddress(entry->address, from)) {
            ip.deleteKey(list, key);
            removed = true;
        }
    }
    if (removed) {
        ip.flush();
    }
    logLine(LogLevel::Info, "relay of line " + std::to_string(n) + ": listener " + from.address +
                                ":" + std::to_string(from.port) + " closed" +
                                (removed ? "; its entry left the list" : ""));
}

// ---- Command timer ---------------------------------------------------------------------

void PairRelayControl::removeRequested(int side) {
    LineRequests& request = requests_[side - 1];
    const std::string entry = request.pendingIp + std::to_string(request.pendingPort);
    sendReporting(side, "L" + std::to_string(line(side)) + std::string(kIpRemoved) + entry);
    const std::string list = settings::ipListSection(line(side));
    settings::IniFile& ip = files_.ip();
    if (ip.sectionExists(list)) {
        ip.deleteKey(list, entry);
    }
    ip.flush();
    request.pendingIp.clear();
    request.pendingPort = 0;
    request.removeIp = false;
}

void PairRelayControl::insertRequested(int side) {
    LineRequests& request = requests_[side - 1];
    const std::string entry = request.pendingIp + std::to_string(request.pendingPort);
    const int n = line(side);
    const std::string list = settings::ipListSection(n);
    const settings::IniFile& ip = files_.ip();
    const int cap = settings::SettingsAccess(files_, pair_).read(keys::kMaxListeners, side);
    // Names are never resolved from the network, and nothing but an address and a port
    // may reach the settings file.
    if (!parseListEntry(entry)) {
        logLine(LogLevel::Warning, "L" + std::to_string(n) + "_INSERT_IP refused: " + entry +
                                       " is not a numeric IPv4 address and port");
    } else if (!ip.keyExists(list, entry) && static_cast<int>(ip.sectionKeys(list).size()) >= cap) {
        logLine(LogLevel::Warning, "L" + std::to_string(n) + "_INSERT_IP refused: " + entry +
                                       ": the list is full (" + std::to_string(cap) + " entries)");
    } else {
        InsereIpRepeaterL(side, entry);
    }
    request.pendingIp.clear();
    request.pendingPort = 0;
    request.insertIp = false;
}

void PairRelayControl::TimerCMDTimer() {
    timerCmd_.setEnabled(false);
    LineRequests& odd = requests_[0];
    LineRequests& even = requests_[1];
    const auto canInsert = [](const LineRequests& r) {
        return r.insertIp && !trimmed(r.pendingIp).empty();
    };

    if (cmdOpenConfig_) {
        ports_.openConfigWindow();
    } else if (cmdStartDevice_) {
        ports_.startDetectors();
    } else if (cmdStopDevice_) {
        ports_.stopDetectors();
    } else if (cmdStopApp_) {
        ports_.endProgram();
    } else if (profile_.recording.hostCommands && (odd.startRec || even.startRec)) {
        const int side = odd.startRec ? 1 : 2;
        requests_[side - 1].startRec = false;
        // Checked again: the folder may have changed since the command arrived.
        const std::string file = view_[side - 1].hostFileName;
        if (acceptRecordingFile(side, file)) {
            std::error_code ec;
            fs::create_directories(fs::path(file).parent_path(), ec);
            if (ec) {
                logLine(LogLevel::Warning, "START_REC for line " + std::to_string(line(side)) +
                                               " ignored: cannot create the folder of " + file +
                                               ": " + ec.message());
            } else {
                ports_.startRecording(side, file);
            }
        }
    } else if (profile_.recording.hostCommands && (odd.stopRec || even.stopRec)) {
        const int side = odd.stopRec ? 1 : 2;
        view_[side - 1].hostFileName.clear();
        requests_[side - 1].stopRec = false;
        ports_.stopRecording(side);
    } else if (odd.removeIp) {
        removeRequested(1);
    } else if (canInsert(odd)) {
        insertRequested(1);
    } else if (even.removeIp) {
        removeRequested(2);
    } else if (canInsert(even)) {
        insertRequested(2);
    } else if (pingPending_[0] || pingPending_[1]) {
        const int side = pingPending_[0] ? 1 : 2;
        pingPending_[side - 1] = false;
        sendReporting(side, "L" + std::to_string(line(side)) + std::string(kHandshake) +
                                host_.address + std::string(kPortMark) + s_.edPortLocal(side));
    } else if (cmdIconShow_ || cmdIconHide_) {
        const bool show = cmdIconShow_;
        settings::SettingsAccess(files_, pair_).write(keys::kIconVisible, show);
        ui_.setTrayIconVisible(show);
        files_.global().flush();
        cmdIconShow_ = cmdIconHide_ = false;
    }
    cmdOpenConfig_ = cmdStartDevice_ = cmdStopDevice_ = cmdStopApp_ = false;
    cmdIconShow_ = cmdIconHide_ = false;
}

// ---- Insertion request -----------------------------------------------------------------

void PairRelayControl::InsereIpRepeaterL(int side, const std::string& entry) {
    const int n = line(side);
    const std::string prefix = "L" + std::to_string(n);
    const std::string list = settings::ipListSection(n);
    settings::IniFile& ip = files_.ip();
    if (!ip.keyExists(list, entry)) {
        ip.writeBool(list, entry, true);
        ip.flush();
        sendReporting(side, prefix + std::string(kIpInserted) + entry);
    } else {
        sendReporting(side, prefix + std::string(kConnected));
    }
    SendLineDadosRep();
    setChBoxTCP(side, true);
    settings::SettingsAccess access(files_, pair_);
    access.write(keys::kTcpIp, 1, s_.ChBoxTCP1);
    access.write(keys::kTcpIp, 2, s_.ChBoxTCP2);
    ChBoxTCPClick(side);
}

// ---- Local address watch ---------------------------------------------------------------

void PairRelayControl::CheckLocalAddress() {
    if (s_.chkSameIP1 || !GetIPFromHost(host_, lookup_)) {
        return;
    }
    const std::string& address = host_.address;
    if (address == s_.EditIPLocal1 && address == s_.EditIPLocal2) {
        return;
    }
    s_.EditIPLocal1 = address;
    s_.EditIPLocal2 = address;
    if (KovraRepeater1->connected() || KovraRepeater2->connected()) {
        KovraRepeater1->SetConnected(false);
        KovraRepeater2->SetConnected(false);
    }
    settings::IniFile& ip = files_.ip();
    for (int k = 1; k <= 2; ++k) {
        const std::string list = settings::ipListSection(line(k));
        if (!ip.sectionExists(list) && !trimmed(s_.edIPRemote(k)).empty() &&
            integerOr(s_.edPortReceive(k), 0) > 0) {
            ip.writeBool(list, s_.edIPRemote(k) + ":" + s_.edPortReceive(k), true);
        }
    }
    ip.flush();
    changed();
}

void PairRelayControl::CheckLocalAddressAtCreation() {
    if (GetIPFromHost(host_, lookup_) &&
        (host_.address != s_.EditIPLocal1 || host_.address != s_.EditIPLocal2)) {
        s_.EditIPLocal1 = host_.address;
        s_.EditIPLocal2 = host_.address;
        KovraRepeater1->SetConnected(false);
        KovraRepeater2->SetConnected(false);
    }
    for (int k = 1; k <= 2; ++k) {
        if (s_.chkSameIP(k)) {
            s_.EditIPLocal(k) = kLocalHost;
            s_.edIPRemote(k) = kLocalHost;
        }
        applyHostRule(k);
    }
    changed();
}

// ---- Ping ------------------------------------------------------------------------------

void PairRelayControl::pingText(int side, std::string& text) {
    if (host_.address.empty()) {
        GetIPFromHost(host_, lookup_);  // a look-up that failed earlier is tried again
    }
    text = "L" + std::to_string(line(side)) + std::string(kPing) + host_.address +
           std::string(kPortMark) + s_.edPortLocal(side);
}

void PairRelayControl::btPingClick(int side) {
    RelayLineView& view = view_[side - 1];
    view.edPing.clear();
    pingTicks_[side - 1] = 0;
    pingButtonsEnabled_ = false;
    pingPending_[side - 1] = true;
    pingPending_[2 - side] = false;
    pingAnswered_[side - 1] = false;
    changed();

    ChBoxTCPClick(side);
    view.edPing = std::string(kPingWait);
    changed();
    std::string text;
    pingText(side, text);
    sendReporting(side, text);
    timerPing_.setEnabled(true);
}

void PairRelayControl::TimerPingTimer() {
    // Every pair repeats its ping and gives up after ten sends: a ping that never ends
    // would keep both ping buttons disabled for good.
    const int side = pingPending_[0] ? 1 : pingPending_[1] ? 2 : 0;
    if (side == 0) {
        timerPing_.setEnabled(false);
        return;
    }
    int& ticks = pingTicks_[side - 1];
    ++ticks;
    if (ticks < kPingTicksGiveUp) {
        std::string text;
        pingText(side, text);
        sendReporting(side, text);
        return;
    }
    timerPing_.setEnabled(false);
    view_[side - 1].edPing = std::string(kPingNoAnswer);
    ticks = 0;
    pingAnswered_[side - 1] = false;
    pingPending_[side - 1] = false;
    pingButtonsEnabled_ = true;
    changed();
}

// ---- Settings hooks --------------------------------------------------------------------

void bindRelayHooks(settings::PairSettingsHooks& hooks, PairRelayControl& control) {
    hooks.setRelaySwitch = [&control](int side, bool on) { control.setChBoxTCP(side, on); };
    hooks.runRelaySwitch = [&control](int side) { control.ChBoxTCPClick(side); };
    hooks.closeRelayEndpoint = [&control](int side) { control.closeEndpoint(side); };
    hooks.configureEndpoint = [&control](int side, const settings::EndpointAddress& address) {
        control.configureEndpoint(side, address.localPort, address.remotePort, address.remoteIp);
    };
}

}  // namespace kovra::relay::control
