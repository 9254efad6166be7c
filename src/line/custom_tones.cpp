#include "line/custom_tones.h"

#include "platform/detectors/standard_tones.h"

namespace kovra::line {

std::vector<CustomToneArgs> customToneRows(bool hookSignalling, int windowsVersionCode) {
    // One table for the program: the decoders' own (kovra-detect uses it too).
    const std::vector<CustomToneRow> rows =
        hookSignalling ? hookToneRows(windowsVersionCode) : analogueToneRows();
    std::vector<CustomToneArgs> args;
    args.reserve(rows.size());
    for (const CustomToneRow& r : rows) {
        args.push_back({r.id, r.p2, r.p3, r.p4, r.p5, r.p6, r.p7, r.p8, r.p9});
    }
    return args;
}

}  // namespace kovra::line
