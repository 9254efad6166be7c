#include "platform/mixer/alsa_cards.h"

#include <alsa/asoundlib.h>

#include <map>
#include <memory>

#include "platform/mixer/mixer_backend.h"

namespace kovra::mixer {

namespace {

constexpr int kUnknownChannels = 2;

// Most capture channels of a PCM, kUnknownChannels when it cannot be opened now (a card
// that another program holds), 0 when it has no capture.
int captureChannels(const std::string& pcm) {
    snd_pcm_t* handle = nullptr;
    const int err = snd_pcm_open(&handle, pcm.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) {
        return err == -EBUSY || err == -EAGAIN ? kUnknownChannels : 0;
    }
    snd_pcm_hw_params_t* params = nullptr;
    snd_pcm_hw_params_alloca(&params);
    unsigned int channels = kUnknownChannels;
    if (snd_pcm_hw_params_any(handle, params) >= 0) {
        snd_pcm_hw_params_get_channels_max(params, &channels);
    }
    snd_pcm_close(handle);
    return static_cast<int>(channels);
}

bool controlOpens(const std::string& name) {
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, name.c_str(), SND_CTL_NONBLOCK) < 0) {
        return false;
    }
    snd_ctl_close(ctl);
    return true;
}

// The first capture device of a kernel card, -1 when it has none.
int firstCaptureDevice(snd_ctl_t* ctl) {
    snd_pcm_info_t* info = nullptr;
    snd_pcm_info_alloca(&info);
    int device = -1;
    while (snd_ctl_pcm_next_device(ctl, &device) >= 0 && device >= 0) {
        snd_pcm_info_set_device(info, static_cast<unsigned>(device));
        snd_pcm_info_set_subdevice(info, 0);
        snd_pcm_info_set_stream(info, SND_PCM_STREAM_CAPTURE);
        if (snd_ctl_pcm_info(ctl, info) >= 0) {
            return device;
        }
    }
    return -1;
}

void addKernelCards(std::vector<SoundCard>& cards) {
    int number = -1;
    while (snd_card_next(&number) >= 0 && number >= 0) {
        const std::string ctlName = "hw:" + std::to_string(number);
        snd_ctl_t* ctl = nullptr;
        if (snd_ctl_open(&ctl, ctlName.c_str(), SND_CTL_NONBLOCK) < 0) {
            continue;
        }
        SoundCard card;
        card.ctl = ctlName;
        char* name = nullptr;
        if (snd_card_get_name(number, &name) >= 0 && name != nullptr) {
            card.name = name;
            free(name);  // NOLINT: allocated by ALSA
        } else {
            card.name = ctlName;
        }
        const int device = firstCaptureDevice(ctl);
        snd_ctl_close(ctl);
        if (device >= 0) {
            card.pcm = ctlName + "," + std::to_string(device);
            card.captureChannels = captureChannels(card.pcm);
        }
        cards.push_back(std::move(card));
    }
}

void addConfigCards(std::vector<SoundCard>& cards) {
    snd_config_t* top = nullptr;
    if (snd_config_update_ref(&top) < 0) {
        return;
    }
    snd_config_t* controls = nullptr;
    if (snd_config_search(top, "ctl", &controls) >= 0) {
        snd_config_iterator_t i = nullptr;
        snd_config_iterator_t next = nullptr;
        snd_config_for_each(i, next, controls) {
            snd_config_t* entry = snd_config_iterator_entry(i);
            const char* id = nullptr;
            snd_config_t* found = nullptr;
            if (snd_config_get_id(entry, &id) < 0 || id == nullptr ||
                snd_config_get_type(entry) != SND_CONFIG_TYPE_COMPOUND ||
                snd_config_search(entry, "@args", &found) >= 0) {
                continue;
            }
            const std::string name = id;
            if (name == "default" || name == "sysdefault" ||
                snd_config_search(top, ("pcm." + name).c_str(), &found) < 0 ||
                !controlOpens(name)) {
                continue;
            }
            cards.push_back({name, name, name, captureChannels(name)});
            if (cards.back().captureChannels == 0) {
                cards.back().pcm.clear();
            }
        }
    }
    snd_config_unref(top);
}

}  // namespace

std::vector<SoundCard> listSoundCards() {
    std::vector<SoundCard> cards;
    addKernelCards(cards);
    addConfigCards(cards);
    std::map<std::string, int> seen;
    for (SoundCard& card : cards) {
        const int count = ++seen[card.name];
        if (count > 1) {
            card.name = std::to_string(count) + "- " + card.name;
        }
        card.name = card.name.substr(0, kProductNameMax);
    }
    return cards;
}

const SoundCard* findSoundCard(const std::vector<SoundCard>& cards, const std::string& name) {
    for (const SoundCard& card : cards) {
        if (card.name == name) {
            return &card;
        }
    }
    return nullptr;
}

}  // namespace kovra::mixer
