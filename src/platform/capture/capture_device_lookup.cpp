#include "platform/capture/capture_device_lookup.h"

#include <portaudio.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "platform/mixer/alsa_cards.h"

namespace kovra {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::vector<std::pair<int, std::string>> inputDevices() {
    std::vector<std::pair<int, std::string>> devices;
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && info->maxInputChannels > 0 && info->name != nullptr) {
            devices.emplace_back(i, info->name);
        }
    }
    return devices;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// PortAudio names an ALSA PCM by its own name ("linhas12") or, for a kernel card's
// device, "<card>: <device> (hw:1,0)".
int byPcm(const std::vector<std::pair<int, std::string>>& devices, const std::string& pcm) {
    for (const auto& [index, n] : devices) {
        if (n == pcm || endsWith(n, "(" + pcm + ")")) {
            return index;
        }
    }
    return -1;
}

int byName(const std::vector<std::pair<int, std::string>>& devices, const std::string& name) {
    for (const auto& [index, n] : devices) {
        if (n == name) {
            return index;
        }
    }
    const std::string wanted = lower(name);
    for (const auto& [index, n] : devices) {
        if (lower(n) == wanted) {
            return index;
        }
    }
    int found = -1;
    for (const auto& [index, n] : devices) {
        if (!wanted.empty() && lower(n).find(wanted) != std::string::npos) {
            if (found >= 0) {
                return -1;  // ambiguous
            }
            found = index;
        }
    }
    return found;
}

std::string listed(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& n : names) {
        list += (list.empty() ? "\"" : ", \"") + n + "\"";
    }
    return list.empty() ? "none" : list;
}

}  // namespace

std::vector<std::string> portAudioCaptureNames() {
    std::vector<std::string> names;
    for (auto& [index, n] : inputDevices()) {
        names.push_back(std::move(n));
    }
    return names;
}

CaptureDevice findCaptureDevice(const std::string& name, std::string& why) {
    const auto devices = inputDevices();
    const std::vector<mixer::SoundCard> cards = mixer::listSoundCards();
    int index = -1;
    if (const mixer::SoundCard* card = mixer::findSoundCard(cards, name)) {
        if (card->pcm.empty()) {
            why = "the sound card \"" + name + "\" has no capture";
            return {};
        }
        index = byPcm(devices, card->pcm);
        if (index < 0) {
            why = "the capture of sound card \"" + name + "\" (" + card->pcm +
                  ") is not among the audio system's devices (" + listed(portAudioCaptureNames()) +
                  ")";
            return {};
        }
    } else {
        index = byName(devices, name);
        if (index < 0) {
            std::vector<std::string> known;
            for (const mixer::SoundCard& c : cards) {
                known.push_back(c.name);
            }
            why = "no sound card or capture device named \"" + name +
                  "\" (cards: " + listed(known) + "; devices: " + listed(portAudioCaptureNames()) +
                  ")";
            return {};
        }
    }
    return {index, Pa_GetDeviceInfo(index)->name};
}

}  // namespace kovra
