// One line pair's relay: its two endpoints (KovraRepeater1 odd line, KovraRepeater2 even
// line, both in the source role), the relay switches, sending to the local host or the
// destination list, the line description, received texts and host commands, the command
// timer, the ping and the local address watch. Loop thread only.
//
// The relay fields of the pair window (ChBoxTCP<k>, chkSameIP<k>, port and address edits,
// chkPermiteReceive<k>, the event options) live in the pair's PairSettings, which this
// control reads and changes; ChBoxTCP<k> must be changed through setChBoxTCP so that its
// switch behaviour runs.
//
// Who may command: the line's host alone (this machine with chkSameIP<k>, otherwise the
// address the settings name for the line). Any other sender may only join or leave the
// line's destination list for its own numeric address, within the line's cap, and is
// answered alone. RelayOpenCommands in ConfigGlobal.ini lets every sender command again.
#pragma once

#include <array>
#include <exception>
#include <memory>
#include <string>

#include "platform/event_loop.h"
#include "platform/pair_profile.h"
#include "platform/timer.h"
#include "platform/user_interface.h"
#include "relay/control/host_identity.h"
#include "relay/control/list_entry.h"
#include "relay/control/pair_relay_ports.h"
#include "relay/kovra_repeater.h"
#include "settings/config_files.h"
#include "settings/pair_settings.h"
#include "settings/pair_settings_storage.h"

namespace kovra::relay::control {

// What the relay page shows for one line besides the stored settings.
struct RelayLineView {
    std::string EditReceived;       // last received text or list request
    std::string PanelGerenciador;   // "Plugado: " + program, or "Desconectado"
    std::string edPing;             // ping result
    std::string hostFileName;       // pair 1: Edit5 / Edit6, the file a host asked to record
    bool portEditsEnabled = false;  // edPortLocal, edPortReceive, edIPRemote
};

class PairRelayControl {
  public:
    // pair 1..3. Everything passed by reference outlives the control. host is the
    // process-wide host name and address shared by the three pairs; lookup replaces the
    // real look-up, which never waits for the resolver (cachedHostLookup).
    PairRelayControl(int pair, EventLoop& loop, settings::PairSettings& settings,
                     settings::ConfigFiles& files, UserInterface& ui, PairRelayPorts& ports,
                     HostIdentity& host, HostLookup lookup = {});
    ~PairRelayControl();
    PairRelayControl(const PairRelayControl&) = delete;
    PairRelayControl& operator=(const PairRelayControl&) = delete;

    int pair() const { return pair_; }
    int line(int side) const { return profile_.lineNumber(side); }
    TKovraRepeaterXE& endpoint(int side) { return side == 1 ? *KovraRepeater1 : *KovraRepeater2; }
    const RelayLineView& view(int side) const { return view_[side - 1]; }
    bool pingButtonsEnabled() const { return pingButtonsEnabled_; }

    // ChBoxTCP<k> := on; runs ChBoxTCP<k>Click when the state changes.
    void setChBoxTCP(int side, bool on);
    // The relay switch behaviour (runs on every change of the box, and when called).
    void ChBoxTCPClick(int side);

    // Relays one event text of line side: to 127.0.0.1 with chkSameIP<k>, otherwise to
    // every ticked entry of the line's list in file order. Nothing when the endpoint is
    // not connected. Throws RelayError when a send fails (the remaining destinations are
    // not served); the endpoint's remote and the sending state are restored first.
    void SendDataIP(int side, const std::string& text);

    // The line description of both lines (each only with its relay on). Failed sends are
    // reported through the ports.
    void SendLineDadosRep();

    // Every text endpoint side reports (KovraRepeater<k>a7OnAllEvents), from the host.
    void KovraRepeaterOnAllEvents(int side, const std::string& text);
    // The same with its sender: texts of senders other than the host go to listenerText.
    void KovraRepeaterOnAllEvents(int side, const std::string& text, const TextOrigin& from);
    // A sender other than the host closed: its entries for that port leave the list.
    void listenerClosed(int side, const TextOrigin& from);

    // Who the endpoint of line side takes for the host, from the settings.
    HostRule hostRule(int side) const;

    // Carries out the first waiting command (the command timer's tick).
    void TimerCMDTimer();

    // Carries out an insertion request: entry = address ":" port.
    void InsereIpRepeaterL(int side, const std::string& entry);

    // The local address watch, once a second while the detectors run.
    void CheckLocalAddress();
    // The same comparison once at window creation, whatever chkSameIP1 says, without the
    // list step.
    void CheckLocalAddressAtCreation();

    // Read-at-hide: the endpoint's local port, remote port and remote address.
    void configureEndpoint(int side, int localPort, int remotePort, const std::string& remoteIp);
    // Disconnects the endpoint (before a save).
    void closeEndpoint(int side) { endpoint(side).SetConnected(false); }

    // Ping of line side ("Ping" button), and the ping timer's tick.
    void btPingClick(int side);
    void TimerPingTimer();

    // The relay timer's tick. It used to pump window messages to keep the window
    // responsive; the event loop does that by itself, so the tick only disables it.
    void TimerTCPInitTimer();

    // Waiting requests (for tests and the window).
    bool commandTimerEnabled() const { return timerCmd_.enabled(); }
    bool pingTimerEnabled() const { return timerPing_.enabled(); }
    bool pingPending(int side) const { return pingPending_[side - 1]; }
    bool sendingList(int side) const { return sendingList_[side - 1]; }

  private:
    struct LineRequests {
        std::string pendingIp;  // address with its trailing ":"
        int pendingPort = 0;
        bool insertIp = false;
        bool removeIp = false;
        bool startRec = false;
        bool stopRec = false;
    };

    void sendReporting(int side, const std::string& text);
    // Sets the endpoint's local port; pair 1 reports a port it cannot open (#3815).
    void setLocalPort(int side, int port);
    // The line description's mode text; manual recording switches CheckOffHook off.
    std::string_view recordingMode();
    void report(const std::exception& error);
    bool parseListRequest(std::string& msg, LineRequests& request) const;
    bool acceptRecordingFile(int side, const std::string& file) const;
    void applyHostRule(int side) { endpoint(side).setHostRule(hostRule(side)); }
    void listenerText(int side, const std::string& text, const TextOrigin& from);
    void listenerInsert(int side, const std::string& request, const TextOrigin& from);
    void listenerRemove(int side, const std::string& request, const TextOrigin& from);
    // address is the sender's own.
    bool isOwnAddress(const std::string& address, const TextOrigin& from) const;
    bool listed(int side, const TextOrigin& from) const;
    void answerListener(int side, const ListEntry& to, const std::string& text);
    void pingAnswered(int side);
    void pingText(int side, std::string& text);
    void removeRequested(int side);
    void insertRequested(int side);
    void changed() { ports_.relayPageChanged(); }

    int pair_;
    const PairProfile& profile_;
    settings::PairSettings& s_;
    settings::ConfigFiles& files_;
    UserInterface& ui_;
    PairRelayPorts& ports_;
    HostIdentity& host_;
    HostLookup lookup_;

    std::unique_ptr<TKovraRepeaterXE> KovraRepeater1;
    std::unique_ptr<TKovraRepeaterXE> KovraRepeater2;
    std::array<RelayLineView, 2> view_;
    std::array<LineRequests, 2> requests_;
    std::array<bool, 2> sendingList_{};
    std::array<bool, 2> relayOff_{true, true};
    std::array<bool, 2> pingPending_{};
    std::array<bool, 2> pingAnswered_{};
    std::array<int, 2> pingTicks_{};
    bool pingButtonsEnabled_ = true;
    bool cmdOpenConfig_ = false;
    bool cmdStartDevice_ = false;
    bool cmdStopDevice_ = false;
    bool cmdStopApp_ = false;
    bool cmdIconShow_ = false;
    bool cmdIconHide_ = false;

    Timer timerCmd_;
    Timer timerTcpInit_;
    Timer timerPing_;
};

// Binds the relay side effects of the pair's settings operations to control: relay
// switches set and run around a save, endpoints closed before it and configured at hide.
void bindRelayHooks(settings::PairSettingsHooks& hooks, PairRelayControl& control);

}  // namespace kovra::relay::control
