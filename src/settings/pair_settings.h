// Every stored setting of one line pair, as the fields of its window's controls (named
// after those controls), plus the per-pair values derived from them. A plain value: the
// pair object owns one, the window binds its widgets to it. Loop thread only.
#pragma once

#include <string>

#include "platform/pair_profile.h"

namespace kovra::settings {

inline constexpr const char* kLocalHostAddress = "127.0.0.1";

// A drop-down list: its text and selected position (-1: none).
struct ComboState {
    std::string text;
    int itemIndex = -1;
};

struct PairSettings {
    // Defaults of a pair without stored settings (ports from the pair's line numbers).
    static PairSettings defaults(int pair);

    // "Config.ini"
    ComboState CbDevices;  // capture device
    ComboState CBList;     // recording input
    ComboState CBTipoAdp;  // pair 1 adapter: 0 "1 Linha simples", 1 "2 Linhas simples", 2 USB
    ComboState CBChannel;  // pairs 2 and 3 adapter: 0 "1 Linha", 1 two lines
    std::string edTesteDDD = "17";         // pair 1 relay test area code
    std::string edTesteFone = "34567890";  // pair 1 relay test number
    int Top = 0;                           // window position, stored at save and exit
    int DeviceID = -1;  // written only: the capture control's device number at the last save
    int Left = 0;

    // "ConfigGlobal.ini", pair section
    std::string edNomeCanal1 = "Linha 1";
    std::string edNomeCanal2 = "Linha 2";
    int CBbuffer = 1;  // capture buffer choice 0..2
    int Track1 = 25;   // recording volume, percent
    bool CheckTexto = false;
    int SpinSensi1 = 12;  // pair 1, 2..24
    int SpinSensi2 = 12;
    int SpinOffHook1 = -55;  // pairs 2 and 3, -100..10
    int SpinOffHook2 = -55;
    bool CHKSpectrum1 = false;  // pairs 2 and 3
    bool CHKSpectrum2 = false;
    bool chkEuropa1 = false;  // pairs 2 and 3
    bool chkEuropa2 = false;
    bool chkTipoL1 = false;
    bool chkTipoL2 = false;
    bool chkAutoVol = true;
    bool CheckOffHook = false;
    bool CheckAutoConfig = true;
    std::string edPortLocal1;  // relay local port text
    std::string edPortLocal2;
    std::string edPortReceive1;  // relay remote port text
    std::string edPortReceive2;
    std::string EditIPLocal1 = kLocalHostAddress;  // not stored: the announced local address
    std::string EditIPLocal2 = kLocalHostAddress;
    std::string edIPRemote1 = kLocalHostAddress;  // not stored: the host address
    std::string edIPRemote2 = kLocalHostAddress;
    bool ChBoxTCP1 = false;  // relay switches
    bool ChBoxTCP2 = false;
    bool chkSameIP1 = true;
    bool chkSameIP2 = true;
    int cbBitRat1 = 1;  // 0..4: 8, 16, 32, 64, 128 kbit/s
    int cbBitRat2 = 1;
    bool CheckAmp1 = false;  // pairs 2 and 3
    bool CheckAmp2 = false;
    int TrackBarAmp1 = 2;  // pairs 2 and 3, 0..25
    int TrackBarAmp2 = 2;
    bool CheckAutoRec = false;
    bool PreRoll = true;  // recordings start with the line's last 2 s
    bool CheckOffRing = false;
    bool CheckOffTom = true;
    bool CheckOffDial = true;
    int SpinPause = 5;      // 2..100 s
    int SpinStop = 120;     // 2..320 s
    int SpinMin = 15;       // 5..100 s
    std::string EditPasta;  // recording base folder as typed
    bool chkPermiteReceive1 = true;
    bool chkPermiteReceive2 = true;
    bool chkSendDTMF = true;
    bool chkSendFormatado = true;
    bool chkIndexPhone = true;
    bool chkRing = true;
    bool chkNumeroDiscado = true;
    bool chkNameFile = true;

    // "ConfigGlobal.ini", GLOBAL and MORVEX
    std::string EditDDDLocal;
    bool chkAtivarMorvex = false;  // pair 1

    // Per-pair values derived from the settings.
    std::string RecordingBase;    // always ends with a separator
    int SavedLinesOnInput = 0;    // adapter position + 1 as read at creation
    int LinesOnInput = 0;         // adapter position + 1 as last saved
    bool HookSignalling = false;  // pair 1 with the USB (Control Hook) adapter
    bool AutoConfigFlag = true;

    // Per-line access, side 1 (odd line) or 2 (even line).
    std::string& edNomeCanal(int k) { return k == 1 ? edNomeCanal1 : edNomeCanal2; }
    std::string& edPortLocal(int k) { return k == 1 ? edPortLocal1 : edPortLocal2; }
    std::string& edPortReceive(int k) { return k == 1 ? edPortReceive1 : edPortReceive2; }
    std::string& EditIPLocal(int k) { return k == 1 ? EditIPLocal1 : EditIPLocal2; }
    std::string& edIPRemote(int k) { return k == 1 ? edIPRemote1 : edIPRemote2; }
    bool& ChBoxTCP(int k) { return k == 1 ? ChBoxTCP1 : ChBoxTCP2; }
    bool& chkSameIP(int k) { return k == 1 ? chkSameIP1 : chkSameIP2; }
    bool& chkPermiteReceive(int k) { return k == 1 ? chkPermiteReceive1 : chkPermiteReceive2; }
    int& SpinSensi(int k) { return k == 1 ? SpinSensi1 : SpinSensi2; }
    int& SpinOffHook(int k) { return k == 1 ? SpinOffHook1 : SpinOffHook2; }
    bool& CHKSpectrum(int k) { return k == 1 ? CHKSpectrum1 : CHKSpectrum2; }
    bool& chkEuropa(int k) { return k == 1 ? chkEuropa1 : chkEuropa2; }
    bool& chkTipoL(int k) { return k == 1 ? chkTipoL1 : chkTipoL2; }
    int& cbBitRat(int k) { return k == 1 ? cbBitRat1 : cbBitRat2; }
    bool& CheckAmp(int k) { return k == 1 ? CheckAmp1 : CheckAmp2; }
    int& TrackBarAmp(int k) { return k == 1 ? TrackBarAmp1 : TrackBarAmp2; }
    const std::string& edNomeCanal(int k) const { return k == 1 ? edNomeCanal1 : edNomeCanal2; }
    const std::string& edPortLocal(int k) const { return k == 1 ? edPortLocal1 : edPortLocal2; }
    const std::string& edPortReceive(int k) const {
        return k == 1 ? edPortReceive1 : edPortReceive2;
    }
    const std::string& EditIPLocal(int k) const { return k == 1 ? EditIPLocal1 : EditIPLocal2; }
    const std::string& edIPRemote(int k) const { return k == 1 ? edIPRemote1 : edIPRemote2; }
    bool ChBoxTCP(int k) const { return k == 1 ? ChBoxTCP1 : ChBoxTCP2; }
    bool chkSameIP(int k) const { return k == 1 ? chkSameIP1 : chkSameIP2; }
    bool chkPermiteReceive(int k) const { return k == 1 ? chkPermiteReceive1 : chkPermiteReceive2; }

    // The adapter list of this pair: CBTipoAdp on pair 1, CBChannel on pairs 2 and 3.
    ComboState& adapterList(int pair) {
        return pairProfile(pair).adapterTypeList ? CBTipoAdp : CBChannel;
    }
    const ComboState& adapterList(int pair) const {
        return pairProfile(pair).adapterTypeList ? CBTipoAdp : CBChannel;
    }
};

// Folder of line n's recordings: base + "Linha" + n + "(" + name + ")".
std::string lineRecordingFolder(const std::string& recordingBase, int line,
                                const std::string& lineName);

}  // namespace kovra::settings
