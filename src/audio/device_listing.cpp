#include "audio/device_listing.h"

#include <sstream>

#include "audio/audio_mixer.h"
#include "audio/pair_audio_page.h"
#include "settings/settings_keys.h"

namespace kovra::audio {

namespace {

// The inputs of a card's recording lines: the line itself, then its sources.
std::vector<std::string> recordingInputs(const TAudioMixer& mixer) {
    std::vector<std::string> inputs;
    for (const TMixerDestination& d : mixer.Destinations()) {
        if (d.LineInfo.componentType != mixer::kComponentDstWaveIn) {
            continue;
        }
        inputs.push_back(d.LineInfo.name);
        for (const TMixerConnection& s : d.ConnectionList) {
            inputs.push_back(s.LineInfo.name);
        }
    }
    return inputs;
}

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : ", ") + std::to_string(i) + " " + items[i];
    }
    return out;
}

}  // namespace

std::string listDevices(mixer::MixerBackend& backend, const std::vector<StoredCardChoice>& pairs) {
    std::ostringstream out;
    TAudioMixer mixer(backend);
    std::vector<std::string> cards;
    out << "Sound cards (position and name, as SelectIndexDevice and DeviceName store them):\n";
    if (mixer.deviceCount() == 0) {
        out << "  none\n";
    }
    for (int id = 0; id < mixer.deviceCount(); ++id) {
        mixer.SetMixerId(id);
        const bool open = mixer.MixerId() == id;
        cards.push_back(open ? mixer.ProductName() : std::string());
        out << "  " << id << "  " << (open ? mixer.ProductName() : "(its mixer cannot be opened)")
            << "\n";
        if (open) {
            const auto inputs = recordingInputs(mixer);
            out << "       recording inputs: " << (inputs.empty() ? "none" : joined(inputs))
                << "\n";
        }
    }

    out << "Capture devices (DEVICE_ID and name):\n";
    int deviceId = 0;
    for (const mixer::CaptureDeviceCaps& device : backend.captureDevices()) {
        if (device.channels != 1) {
            out << "  " << deviceId++ << "  " << device.name << "\n";
        } else {
            out << "  -  " << device.name << " (one channel: not a line input)\n";
        }
    }
    if (deviceId == 0) {
        out << "  none with two channels\n";
    }

    out << "Pairs (Config.ini):\n";
    for (const StoredCardChoice& p : pairs) {
        out << "  pair " << p.pair << " (lines " << 2 * p.pair - 1 << " and " << 2 * p.pair << ", ["
            << settings::pairSection(p.pair) << "]): ";
        const int position = restoredCardPosition(cards, p.name, p.position);
        if (position >= 0) {
            out << cards[static_cast<std::size_t>(position)] << " (position " << position << ")";
            if (!p.name.empty() && cards[static_cast<std::size_t>(position)] != p.name) {
                out << "; the stored name \"" << p.name << "\" is not listed";
            }
        } else if (p.position < 0) {
            out << "no card chosen";
        } else {
            out << "no card: position " << p.position << " is not listed";
        }
        out << "\n";
    }
    out << "A pair with SelectIndexDevice -1 has no card; otherwise it takes the card named by\n"
           "DeviceName when it is listed, else the one at position SelectIndexDevice. Each\n"
           "card serves one pair.\n";
    return out.str();
}

}  // namespace kovra::audio
