// The pair window's check boxes and edits that the line logic reads, named after their
// controls, plus the process-wide values it needs. Plain data: the settings layer fills
// them from the INI files and the window binds its widgets to them. Loop thread only.
#pragma once

#include <string>

namespace kovra::line {

// Process-wide values (one instance for the program, shared by the three pairs).
struct LineGlobals {
    std::string LocalDDD;         // local area code ("DDDLocal" of section GLOBAL)
    int WindowsVersionCode = 10;  // 10: any system other than the legacy ones
};

// Options of one pair window; unless noted, shared by both lines of the pair.
struct PairLineOptions {
    // Events relayed (relay page).
    bool chkSendDTMF = false;
    bool chkSendFormatado = false;
    bool chkIndexPhone = false;
    bool chkRing = false;
    bool chkNumeroDiscado = false;
    bool chkNameFile = false;
    bool CheckTexto = false;  // write each identified caller to the line's text file

    // Per line (index by side: [0] odd line, [1] even line).
    bool chkTipoL[2] = {false, false};   // do not detect the call type on this line
    bool chkEuropa[2] = {false, false};  // pairs 2 and 3: relay the FSK number unformatted

    // Recording options the line rules read.
    bool CheckAutoRec = false;
    bool CheckOffRing = false;
    bool CheckOffTom = true;
    bool CheckOffDial = true;
    bool CheckOffHook = false;

    // Hook-signalling adapter (pair 1).
    bool chkFlash1 = false;
    int SpinFlash = 300;  // ms, 50..5000

    // Level rules.
    bool chkAutoVol = false;
    int CBbuffer = 1;                 // capture buffer: 0 4096, 1 2048, 2 1024 bytes
    int SpinOffHook[2] = {-55, -55};  // pairs 2 and 3: off-hook level, dB

    bool tipoL(int k) const { return chkTipoL[k - 1]; }
    bool europa(int k) const { return chkEuropa[k - 1]; }
};

}  // namespace kovra::line
