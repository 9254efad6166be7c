// What `kovra-plugin --list-devices` prints: the sound cards as the program names them,
// with the positions "SelectIndexDevice" stores, the recording inputs of each, the
// capture devices with the numbers the relay reports (DEVICE_ID), and the card each pair
// would take at start-up. Reads the mixers; writes nothing. Loop thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/mixer/mixer_backend.h"

namespace kovra::audio {

// A pair's stored choice ("DeviceName", "SelectIndexDevice" of its section).
struct StoredCardChoice {
    int pair = 1;
    std::string name;
    int position = -1;
};

std::string listDevices(mixer::MixerBackend& backend, const std::vector<StoredCardChoice>& pairs);

}  // namespace kovra::audio
