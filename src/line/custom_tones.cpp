#include "line/custom_tones.h"

namespace kovra::line {

std::vector<CustomToneArgs> customToneRows(bool hookSignalling, int windowsVersionCode) {
    if (!hookSignalling) {
        return {{1, 400, 0, 400, 400, 0, 0, -20.0F, 0},
                {3, 200, 0, 20, 0, 0, 0, -9.0F, 0},
                {4, 200, 0, 0, 20, 0, 0, -9.0F, 0}};
    }
    if (windowsVersionCode >= 6) {
        return {{1, 40, 40, 484, 0, 0, 0, -12.0F, 0},
                {2, 100, 0, 2969, 0, 0, 0, -12.0F, 0},
                {3, 60, 0, 2656, 0, 0, 0, -12.0F, 0}};
    }
    return {{1, 40, 40, 484, 0, 0, 0, -12.0F, 0},
            {4, 100, 0, 2906, 0, 0, 0, -12.0F, 0},
            {5, 60, 0, 2609, 0, 0, 0, -12.0F, 0}};
}

}  // namespace kovra::line
