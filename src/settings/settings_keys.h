// The table of every stored setting: which file, which section, the key's name and the
// default its readers supply. Readers and writers name keys through this table only.
#pragma once

#include <string>
#include <string_view>

namespace kovra::settings {

enum class SettingsFileId {
    Config,        // "Config.ini": capture device, input, adapter, test values, geometry
    ConfigGlobal,  // "ConfigGlobal.ini": every other pair setting, GLOBAL, MORVEX
    ConfigIp,      // "ConfigIP.ini": destination lists and host notes
};

// Section of a key; kPairSection stands for the pair's own section ("LINHAS_1e2" …).
inline constexpr std::string_view kPairSection = "";
inline constexpr std::string_view kGlobalSection = "GLOBAL";
inline constexpr std::string_view kMorvexSection = "MORVEX";
inline constexpr std::string_view kGeneralSection = "GERAL";

// A key of one value. For keys whose default depends on the line or the program folder
// the fallback here is a placeholder and the function named in its comment gives it.
template <class T>
struct Key {
    SettingsFileId file;
    std::string_view section;
    std::string_view name;
    T fallback;
};

// A key held once per line of a pair: the name is stem + "1" (odd line) or "2" (even).
template <class T>
struct LineKey {
    SettingsFileId file;
    std::string_view section;
    std::string_view stem;
    T fallback;

    std::string name(int side) const { return std::string(stem) + (side == 1 ? "1" : "2"); }
};

using IntKey = Key<int>;
using BoolKey = Key<bool>;
using TextKey = Key<std::string_view>;
using IntLineKey = LineKey<int>;
using BoolLineKey = LineKey<bool>;
using TextLineKey = LineKey<std::string_view>;

// Pair section name of pair 1..3: "LINHAS_1e2", "LINHAS_3e4", "LINHAS_5e6".
std::string pairSection(int pair);
// Destination list of line 1..6, and the host notes written when a relay switch turns on.
std::string ipListSection(int line);
std::string repeaterSection(int line);

// Line-number dependent defaults: the digits "382" / "651" followed by the line number.
int defaultLocalPort(int line);
int defaultRemotePort(int line);
// Default caller-ID text file of a line, under the given root ("BinaLinha<n>.txt").
std::string defaultCallerIdTextFile(std::string_view root, int line);

namespace keys {

constexpr auto F = SettingsFileId::Config;
constexpr auto G = SettingsFileId::ConfigGlobal;

// "Config.ini", pair section.
inline constexpr TextKey kDeviceName{F, kPairSection, "DeviceName", ""};  // device list text
inline constexpr IntKey kDeviceId{F, kPairSection, "DeviceID", -1};       // written only
inline constexpr IntKey kSelectIndexDevice{F, kPairSection, "SelectIndexDevice", -1};
inline constexpr IntKey kSelectIndexSource{F, kPairSection, "SelectIndexSource", -1};
inline constexpr IntKey kQtdLinha{F, kPairSection, "QTDLinha", -1};         // adapter position + 1
inline constexpr TextKey kEdTesteDdd{F, kPairSection, "EdTesteDDD", "17"};  // pair 1
inline constexpr TextKey kEdTesteFone{F, kPairSection, "EdTesteFone", "34567890"};  // pair 1
inline constexpr IntKey kConfigTop{F, kPairSection, "TOP", 0};    // written at exit only
inline constexpr IntKey kConfigLeft{F, kPairSection, "LEFT", 0};  // written at exit only

// "Config.ini", section GERAL: written at exit, never read back.
inline constexpr IntKey kMainTop{F, kGeneralSection, "MainTop", 0};
inline constexpr IntKey kMainLeft{F, kGeneralSection, "MainLeft", 0};
inline constexpr IntKey kMainHeight{F, kGeneralSection, "Main_Height", 0};
inline constexpr IntKey kMainWidth{F, kGeneralSection, "Main_Width", 0};

// "ConfigGlobal.ini", pair section, written by the first step of a save.
inline constexpr TextKey kLineName1{G, kPairSection, "LineName1", "Linha 1"};
inline constexpr TextKey kLineName2{G, kPairSection, "LineName2", "Linha 2"};
inline constexpr IntKey kBufferRecord{G, kPairSection, "BufferRecord", 1};
inline constexpr IntKey kVolume{G, kPairSection, "Volume", 25};
inline constexpr IntKey kCbTipoAdp{G, kPairSection, "CBTipoAdp", 1};  // pair 1
inline constexpr BoolKey kCheckTexto{G, kPairSection, "CheckTexto", false};
inline constexpr IntLineKey kSpinSensi{G, kPairSection, "SpinSensi", 12};    // pair 1
inline constexpr IntLineKey kOffHook{G, kPairSection, "OffHook", -55};       // pairs 2, 3
inline constexpr BoolLineKey kSpectrum{G, kPairSection, "Spectrum", false};  // pairs 2, 3
inline constexpr BoolLineKey kPEuropeu{G, kPairSection, "PEuropeu", false};  // pairs 2, 3
inline constexpr BoolLineKey kChkTipoL{G, kPairSection, "chkTipoL", false};
inline constexpr BoolKey kAutoVolume{G, kPairSection, "AutoVolume", true};
inline constexpr BoolKey kCheckOffHook{G, kPairSection, "CheckOffHook", false};
inline constexpr BoolKey kCheckAutoConfig{G, kPairSection, "CheckAutoConfig", true};
inline constexpr IntLineKey kLocalPort{G, kPairSection, "LocalPort", 0};    // defaultLocalPort
inline constexpr IntLineKey kRemotePort{G, kPairSection, "RemotePort", 0};  // defaultRemotePort
inline constexpr TextLineKey kRemoteIp{G, kPairSection, "RemoteIP", ""};    // never written
// Most entries a line's destination list may reach through requests from the network.
inline constexpr IntLineKey kMaxListeners{G, kPairSection, "MaxListeners", 32};
inline constexpr BoolLineKey kTcpIp{G, kPairSection, "TCP/IP_L", true};  // relay switch
inline constexpr BoolLineKey kChkSameIp{G, kPairSection, "chkSameIP", true};
inline constexpr IntLineKey kCbBitRat{G, kPairSection, "cbBitRat", 1};
inline constexpr BoolLineKey kAmplificador{G, kPairSection, "Amplificador", false};  // 2, 3
inline constexpr IntLineKey kTrackBarAmp{G, kPairSection, "TrackBarAmp", 2};         // 2, 3
inline constexpr BoolKey kCheckAutoRec{G, kPairSection, "CheckAutoRec", false};
inline constexpr BoolKey kPreRoll{G, kPairSection, "PreRoll", true};  // ours; others ignore it
inline constexpr BoolKey kCheckOffRing{G, kPairSection, "CheckOffRing", false};
inline constexpr BoolKey kCheckOffTom{G, kPairSection, "CheckOffTom", true};
inline constexpr BoolKey kCheckOffDial{G, kPairSection, "CheckOffDial", true};
inline constexpr IntKey kSpinPause{G, kPairSection, "SpinPause", 5};
inline constexpr IntKey kSpinStop{G, kPairSection, "SpinStop", 120};
inline constexpr IntKey kSpinMin{G, kPairSection, "SpinMin", 15};
inline constexpr IntKey kGlobalTop{G, kPairSection, "TOP", 0};
inline constexpr IntKey kGlobalLeft{G, kPairSection, "LEFT", 0};

// "ConfigGlobal.ini", pair section, written by the second step of a save.
inline constexpr TextKey kEditPasta{G, kPairSection, "EditPasta", ""};  // program folder + MP3
inline constexpr BoolLineKey kChkPermiteReceive{G, kPairSection, "chkPermiteReceive", true};
inline constexpr BoolKey kChkSendDtmf{G, kPairSection, "chkSendDTMF", true};
inline constexpr BoolKey kChkSendFormatado{G, kPairSection, "chkSendFormatado", true};
inline constexpr BoolKey kChkIndexPhone{G, kPairSection, "chkIndexPhone", true};
inline constexpr BoolKey kChkRing{G, kPairSection, "chkRing", true};
inline constexpr BoolKey kChkNumeroDiscado{G, kPairSection, "chkNumeroDiscado", true};
inline constexpr BoolKey kChkNameFile{G, kPairSection, "chkNameFile", true};

// "ConfigGlobal.ini", pair section, written only by the caller-ID text-file dialog.
inline constexpr TextLineKey kArqTexto{G, kPairSection, "ArqTexto", ""};  // defaultCallerIdTextFile

// "ConfigGlobal.ini", process-wide sections.
inline constexpr TextKey kDddLocal{G, kGlobalSection, "DDDLocal", ""};
inline constexpr BoolKey kIconVisible{G, kGlobalSection, "IconVisible", true};
// Every sender may command the relay, as before the host rule (off: the host alone).
inline constexpr BoolKey kRelayOpenCommands{G, kGlobalSection, "RelayOpenCommands", false};
inline constexpr BoolKey kChkAtivarMorvex{G, kMorvexSection, "chkAtivarMorvex", false};

// "ConfigIP.ini": host notes of REPEATER_LINHA_<n> besides the host's own address key.
inline constexpr std::string_view kKovraIp = "Kovra-IP";
inline constexpr std::string_view kKovraPorta = "Kovra-PORTA";

}  // namespace keys

}  // namespace kovra::settings
