#include "settings/pair_settings.h"

#include "settings/settings_keys.h"

namespace kovra::settings {

PairSettings PairSettings::defaults(int pair) {
    PairSettings s;
    const int odd = 2 * pair - 1;
    s.edPortLocal1 = std::to_string(defaultLocalPort(odd));
    s.edPortLocal2 = std::to_string(defaultLocalPort(odd + 1));
    s.edPortReceive1 = std::to_string(defaultRemotePort(odd));
    s.edPortReceive2 = std::to_string(defaultRemotePort(odd + 1));
    return s;
}

std::string lineRecordingFolder(const std::string& recordingBase, int line,
                                const std::string& lineName) {
    return recordingBase + "Linha" + std::to_string(line) + "(" + lineName + ")";
}

}  // namespace kovra::settings
