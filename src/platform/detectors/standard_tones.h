// The custom tones a line pair defines on its decoders at its first start (the rows its
// start-up passes to AddCustomTone), as data: the analogue set (dial tone, ring) and the
// hook-signalling set of the two-line adapter (hook burst, flash start and end, whose
// frequencies differ with the platform version code).
#pragma once

#include <vector>

#include "platform/detector_controls.h"

namespace kovra {

// Tone identifiers the decoders report in OnToneDetected.
inline constexpr int kDialToneId = 1;
inline constexpr int kRingToneId = 3;
inline constexpr int kRingToneAltId = 4;  // the ring's second row
inline constexpr int kHookBurstId = 1;
inline constexpr int kFlashStartId = 2;
inline constexpr int kFlashEndId = 3;
inline constexpr int kLegacyFlashStartId = 4;  // the adapter's tones on legacy systems
inline constexpr int kLegacyFlashEndId = 5;

struct CustomToneRow {
    int id;
    int p2, p3, p4, p5, p6, p7;
    float p8;
    int p9;
};

// Dial tone (id 1) and ring (ids 3 and 4).
inline std::vector<CustomToneRow> analogueToneRows() {
    return {{kDialToneId, 400, 0, 400, 400, 0, 0, -20.0F, 0},
            {kRingToneId, 200, 0, 20, 0, 0, 0, -9.0F, 0},
            {kRingToneAltId, 200, 0, 0, 20, 0, 0, -9.0F, 0}};
}

// Hook burst (id 1), flash start (2 or 4) and flash end (3 or 5); windowsVersionCode 6 or
// more selects ids 2 and 3.
inline std::vector<CustomToneRow> hookToneRows(int windowsVersionCode) {
    std::vector<CustomToneRow> rows = {{kHookBurstId, 40, 40, 484, 0, 0, 0, -12.0F, 0}};
    if (windowsVersionCode >= 6) {
        rows.push_back({kFlashStartId, 100, 0, 2969, 0, 0, 0, -12.0F, 0});
        rows.push_back({kFlashEndId, 60, 0, 2656, 0, 0, 0, -12.0F, 0});
    } else {
        rows.push_back({kLegacyFlashStartId, 100, 0, 2906, 0, 0, 0, -12.0F, 0});
        rows.push_back({kLegacyFlashEndId, 60, 0, 2609, 0, 0, 0, -12.0F, 0});
    }
    return rows;
}

inline void addCustomTones(TPhoneToneDecoder& decoder, const std::vector<CustomToneRow>& rows) {
    for (const CustomToneRow& r : rows) {
        decoder.AddCustomTone(r.id, r.p2, r.p3, r.p4, r.p5, r.p6, r.p7, r.p8, r.p9);
    }
}

}  // namespace kovra
