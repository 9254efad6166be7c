// The custom tones a pair defines on both decoders at its first start: the analogue set
// (dial tone id 1, ring ids 3 and 4) or the hook-signalling adapter's set (hook burst id 1,
// flash start and end ids 2/3, or 4/5 on legacy systems). The parameters' meaning is the
// decoder's (see its AddCustomTone). Any thread.
#pragma once

#include <vector>

namespace kovra::line {

struct CustomToneArgs {
    int id;
    int p2, p3, p4, p5, p6, p7;
    float p8;  // dB
    int p9;
};

std::vector<CustomToneArgs> customToneRows(bool hookSignalling, int windowsVersionCode);

}  // namespace kovra::line
