#include "platform/mixer/alsa_mixer.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "platform/log.h"

namespace kovra::mixer {

namespace {

enum class Kind { PlaybackVolume, CaptureVolume, PlaybackMute, CaptureMute, Select, Booster };

// One simple-mixer element and what it offers.
struct Element {
    snd_mixer_elem_t* elem = nullptr;
    std::string name;
    bool playbackVolume = false;
    bool captureVolume = false;
    bool playbackSwitch = false;
    bool captureSwitch = false;
    bool captureEnum = false;
    bool exclusive = false;  // its capture switch turns the others of its group off
    int group = 0;
    bool booster = false;
    bool used = false;  // taken as a source already
};

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool boostName(const std::string& name) {
    const std::string l = lower(name);
    return l.find("boost") != std::string::npos || l.find("auto gain") != std::string::npos ||
           l.find("agc") != std::string::npos;
}

std::vector<Element> readElements(snd_mixer_t* mixer) {
    std::vector<Element> elements;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e != nullptr;
         e = snd_mixer_elem_next(e)) {
        Element el;
        el.elem = e;
        el.name = snd_mixer_selem_get_name(e);
        if (const unsigned index = snd_mixer_selem_get_index(e); index > 0) {
            el.name += " " + std::to_string(index);
        }
        el.playbackVolume = snd_mixer_selem_has_playback_volume(e) != 0;
        el.captureVolume = snd_mixer_selem_has_capture_volume(e) != 0;
        el.playbackSwitch = snd_mixer_selem_has_playback_switch(e) != 0 ||
                            snd_mixer_selem_has_common_switch(e) != 0;
        el.captureSwitch = snd_mixer_selem_has_capture_switch(e) != 0;
        el.captureEnum =
            snd_mixer_selem_is_enumerated(e) != 0 && snd_mixer_selem_is_enum_capture(e) != 0;
        el.exclusive = el.captureSwitch && snd_mixer_selem_has_capture_switch_exclusive(e) != 0;
        el.group = el.exclusive ? snd_mixer_selem_get_capture_group(e) : 0;
        el.booster = !el.playbackVolume && !el.captureVolume &&
                     (el.playbackSwitch || el.captureSwitch) && boostName(el.name);
        elements.push_back(el);
    }
    return elements;
}

snd_mixer_selem_channel_id_t channelId(snd_mixer_elem_t* elem, bool capture, std::uint32_t ch) {
    const bool mono = capture ? snd_mixer_selem_is_capture_mono(elem) != 0
                              : snd_mixer_selem_is_playback_mono(elem) != 0;
    if (mono || ch == 0) {
        return SND_MIXER_SCHN_FRONT_LEFT;
    }
    return SND_MIXER_SCHN_FRONT_RIGHT;
}

std::int32_t toRaw(long value, long min, long max) {
    if (max <= min) {
        return 0;
    }
    const double raw =
        static_cast<double>(value - min) * kVolumeMax / static_cast<double>(max - min);
    return static_cast<std::int32_t>(
        std::clamp(std::lround(raw), 0L, static_cast<long>(kVolumeMax)));
}

long fromRaw(std::int32_t raw, long min, long max) {
    const double clamped = std::clamp<std::int32_t>(raw, 0, kVolumeMax);
    return min + std::lround(clamped * static_cast<double>(max - min) / kVolumeMax);
}

class AlsaDevice final : public MixerDevice {
  public:
    struct Control {
        MixerControl info;
        Kind kind = Kind::CaptureVolume;
        snd_mixer_elem_t* elem = nullptr;
        std::vector<snd_mixer_elem_t*> items;  // Select: the element of each item (or null)
        std::uint32_t lineChannels = 2;
    };
    struct Line {
        MixerLine info;
        std::vector<std::uint32_t> controls;
    };
    struct Destination {
        Line line;
        std::vector<Line> sources;
    };

    AlsaDevice(snd_mixer_t* mixer, const SoundCard& card, const MixerNotifications* notify)
        : mixer_(mixer), card_(card) {
        if (notify != nullptr) {
            notify_ = *notify;
        }
        build();
    }
    ~AlsaDevice() override { snd_mixer_close(mixer_); }
    AlsaDevice(const AlsaDevice&) = delete;
    AlsaDevice& operator=(const AlsaDevice&) = delete;

    MixerCaps caps() const override {
        return {0, 0, SND_LIB_VERSION, card_.name.substr(0, kProductNameMax),
                static_cast<std::uint32_t>(destinations_.size())};
    }

    std::optional<MixerLine> destinationLine(std::uint32_t destination) override {
        if (destination >= destinations_.size()) {
            return std::nullopt;
        }
        return destinations_[destination].line.info;
    }

    std::optional<MixerLine> sourceLine(std::uint32_t destination, std::uint32_t source) override {
        if (destination >= destinations_.size() ||
            source >= destinations_[destination].sources.size()) {
            return std::nullopt;
        }
        return destinations_[destination].sources[source].info;
    }

    std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) override {
        const Line* line = findLine(lineId);
        if (line == nullptr) {
            return std::nullopt;
        }
        std::vector<MixerControl> out;
        for (const std::uint32_t id : line->controls) {
            out.push_back(controls_.at(id).info);
        }
        return out;
    }

    std::optional<std::vector<std::int32_t>> controlValues(std::uint32_t controlId,
                                                           std::uint32_t channels,
                                                           std::uint32_t items) override {
        const auto it = controls_.find(controlId);
        if (it == controls_.end() || items != it->second.info.items || channels == 0) {
            return std::nullopt;
        }
        const Control& c = it->second;
        if (c.kind == Kind::Select) {
            return readSelect(c, channels);
        }
        if (c.elem == nullptr) {
            return std::nullopt;
        }
        std::vector<std::int32_t> out;
        for (std::uint32_t ch = 0; ch < channels; ++ch) {
            const auto value = readOne(c, ch);
            if (!value) {
                return std::nullopt;
            }
            out.push_back(*value);
        }
        return out;
    }

    std::optional<std::vector<MixerItemText>> controlItemTexts(std::uint32_t controlId,
                                                               std::uint32_t channels,
                                                               std::uint32_t items) override {
        const auto it = controls_.find(controlId);
        if (it == controls_.end() || it->second.kind != Kind::Select ||
            items != it->second.info.items) {
            return std::nullopt;
        }
        std::vector<MixerItemText> out;
        for (std::size_t i = 0; i < itemTexts_.at(controlId).size(); ++i) {
            for (std::uint32_t ch = 0; ch < channels; ++ch) {
                out.push_back(itemTexts_.at(controlId)[i]);
            }
        }
        return out;
    }

    bool setControlValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                          const std::vector<std::int32_t>& values) override {
        const auto it = controls_.find(controlId);
        const std::size_t entries = std::max<std::uint32_t>(1, items);
        if (it == controls_.end() || channels == 0 || items != it->second.info.items ||
            values.size() != entries * channels) {
            return false;
        }
        const Control& c = it->second;
        if (c.kind == Kind::Select) {
            return writeSelect(c, channels, values);
        }
        if (c.elem == nullptr) {
            return false;
        }
        return writeValues(c, channels, values);
    }

    void pollNotifications() override {
        const int count = snd_mixer_poll_descriptors_count(mixer_);
        if (count <= 0) {
            return;
        }
        std::vector<pollfd> fds(static_cast<std::size_t>(count));
        if (snd_mixer_poll_descriptors(mixer_, fds.data(), static_cast<unsigned>(count)) < 0 ||
            ::poll(fds.data(), fds.size(), 0) <= 0) {
            return;
        }
        snd_mixer_handle_events(mixer_);
    }

  private:
    static int elementEvent(snd_mixer_elem_t* elem, unsigned int mask) {
        auto* self = static_cast<AlsaDevice*>(snd_mixer_elem_get_callback_private(elem));
        if (self != nullptr) {
            self->onElementEvent(elem, mask);
        }
        return 0;
    }

    void onElementEvent(snd_mixer_elem_t* elem, unsigned int mask) {
        const auto it = elementControls_.find(elem);
        if (it == elementControls_.end()) {
            return;
        }
        if (mask == SND_CTL_EVENT_MASK_REMOVE) {
            // The element is gone (a card unplugged): its controls read nothing from now.
            for (auto& [id, control] : controls_) {
                if (control.elem == elem) {
                    control.elem = nullptr;
                }
                std::replace(control.items.begin(), control.items.end(), elem,
                             static_cast<snd_mixer_elem_t*>(nullptr));
            }
            if (notify_.lineChanged && !destinations_.empty()) {
                notify_.lineChanged(destinations_.back().line.info.lineId);
            }
            return;
        }
        if ((mask & SND_CTL_EVENT_MASK_VALUE) != 0 && notify_.controlChanged) {
            for (const std::uint32_t id : it->second) {
                notify_.controlChanged(id);
            }
        }
    }

    const Line* findLine(std::uint32_t lineId) const {
        for (const Destination& d : destinations_) {
            if (d.line.info.lineId == lineId) {
                return &d.line;
            }
            for (const Line& s : d.sources) {
                if (s.info.lineId == lineId) {
                    return &s;
                }
            }
        }
        return nullptr;
    }

    std::optional<std::int32_t> readOne(const Control& c, std::uint32_t ch) const {
        const bool capture =
            c.kind == Kind::CaptureVolume || c.kind == Kind::CaptureMute ||
            (c.kind == Kind::Booster && !snd_mixer_selem_has_playback_switch(c.elem) &&
             !snd_mixer_selem_has_common_switch(c.elem));
        const snd_mixer_selem_channel_id_t id = channelId(c.elem, capture, ch);
        long value = 0;
        long min = 0;
        long max = 0;
        int on = 0;
        switch (c.kind) {
            case Kind::PlaybackVolume:
                if (snd_mixer_selem_get_playback_volume(c.elem, id, &value) < 0) {
                    return std::nullopt;
                }
                snd_mixer_selem_get_playback_volume_range(c.elem, &min, &max);
                return toRaw(value, min, max);
            case Kind::CaptureVolume:
                if (snd_mixer_selem_get_capture_volume(c.elem, id, &value) < 0) {
                    return std::nullopt;
                }
                snd_mixer_selem_get_capture_volume_range(c.elem, &min, &max);
                return toRaw(value, min, max);
            case Kind::PlaybackMute:
                if (snd_mixer_selem_get_playback_switch(c.elem, id, &on) < 0) {
                    return std::nullopt;
                }
                return on != 0 ? 0 : 1;
            case Kind::CaptureMute:
                if (snd_mixer_selem_get_capture_switch(c.elem, id, &on) < 0) {
                    return std::nullopt;
                }
                return on != 0 ? 0 : 1;
            case Kind::Booster:
                if ((capture ? snd_mixer_selem_get_capture_switch(c.elem, id, &on)
                             : snd_mixer_selem_get_playback_switch(c.elem, id, &on)) < 0) {
                    return std::nullopt;
                }
                return on != 0 ? 1 : 0;
            case Kind::Select:
                break;
        }
        return std::nullopt;
    }

    bool writeValues(const Control& c, std::uint32_t channels,
                     const std::vector<std::int32_t>& values) const {
        const bool uniform = channels == 1 || (c.info.flags & kFlagUniform) != 0;
        long min = 0;
        long max = 0;
        int err = 0;
        switch (c.kind) {
            case Kind::PlaybackVolume:
                snd_mixer_selem_get_playback_volume_range(c.elem, &min, &max);
                if (uniform) {
                    return snd_mixer_selem_set_playback_volume_all(
                               c.elem, fromRaw(values[0], min, max)) >= 0;
                }
                for (std::uint32_t ch = 0; ch < channels && ch < 2; ++ch) {
                    err |= snd_mixer_selem_set_playback_volume(c.elem, channelId(c.elem, false, ch),
                                                               fromRaw(values[ch], min, max));
                }
                return err >= 0;
            case Kind::CaptureVolume:
                snd_mixer_selem_get_capture_volume_range(c.elem, &min, &max);
                if (uniform) {
                    return snd_mixer_selem_set_capture_volume_all(
                               c.elem, fromRaw(values[0], min, max)) >= 0;
                }
                for (std::uint32_t ch = 0; ch < channels && ch < 2; ++ch) {
                    err |= snd_mixer_selem_set_capture_volume(c.elem, channelId(c.elem, true, ch),
                                                              fromRaw(values[ch], min, max));
                }
                return err >= 0;
            case Kind::PlaybackMute:
                return snd_mixer_selem_set_playback_switch_all(c.elem, values[0] == 0 ? 1 : 0) >= 0;
            case Kind::CaptureMute:
                return snd_mixer_selem_set_capture_switch_all(c.elem, values[0] == 0 ? 1 : 0) >= 0;
            case Kind::Booster: {
                const int on = values[0] != 0 ? 1 : 0;
                bool ok = true;
                if (snd_mixer_selem_has_playback_switch(c.elem) != 0 ||
                    snd_mixer_selem_has_common_switch(c.elem) != 0) {
                    ok = snd_mixer_selem_set_playback_switch_all(c.elem, on) >= 0 && ok;
                }
                if (snd_mixer_selem_has_capture_switch(c.elem) != 0) {
                    ok = snd_mixer_selem_set_capture_switch_all(c.elem, on) >= 0 && ok;
                }
                return ok;
            }
            case Kind::Select:
                break;
        }
        return false;
    }

    std::optional<std::vector<std::int32_t>> readSelect(const Control& c,
                                                        std::uint32_t channels) const {
        std::vector<std::int32_t> selected(c.info.items, 0);
        if (c.elem != nullptr) {
            unsigned int item = 0;
            if (snd_mixer_selem_get_enum_item(c.elem, SND_MIXER_SCHN_FRONT_LEFT, &item) < 0) {
                return std::nullopt;
            }
            if (item < selected.size()) {
                selected[item] = 1;
            }
        } else {
            for (std::size_t i = 0; i < c.items.size(); ++i) {
                int on = 0;
                if (c.items[i] == nullptr || snd_mixer_selem_get_capture_switch(
                                                 c.items[i], SND_MIXER_SCHN_FRONT_LEFT, &on) < 0) {
                    return std::nullopt;
                }
                selected[i] = on != 0 ? 1 : 0;
            }
        }
        std::vector<std::int32_t> out;
        for (const std::int32_t v : selected) {
            out.insert(out.end(), channels, v);
        }
        return out;
    }

    bool writeSelect(const Control& c, std::uint32_t channels,
                     const std::vector<std::int32_t>& values) const {
        int chosen = -1;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i] != 0) {
                const int item = static_cast<int>(i / channels);
                if (chosen >= 0 && chosen != item) {
                    return false;  // a single-select list takes one item
                }
                chosen = item;
            }
        }
        if (chosen < 0) {
            return false;  // and never none
        }
        if (c.elem != nullptr) {
            bool ok = false;
            for (const auto ch : {SND_MIXER_SCHN_FRONT_LEFT, SND_MIXER_SCHN_FRONT_RIGHT}) {
                ok =
                    snd_mixer_selem_set_enum_item(c.elem, ch, static_cast<unsigned>(chosen)) >= 0 ||
                    ok;
            }
            return ok;
        }
        snd_mixer_elem_t* item = c.items.at(static_cast<std::size_t>(chosen));
        return item != nullptr && snd_mixer_selem_set_capture_switch_all(item, 1) >= 0;
    }

    std::uint32_t addControl(Line& line, Kind kind, snd_mixer_elem_t* elem, std::uint32_t type,
                             const std::string& name) {
        Control c;
        c.kind = kind;
        c.elem = elem;
        c.lineChannels = line.info.channels;
        c.info.controlId = nextControlId_++;
        c.info.controlType = type;
        c.info.name = name;
        bool uniform = true;
        if (elem != nullptr) {
            switch (kind) {
                case Kind::PlaybackVolume:
                    uniform = snd_mixer_selem_is_playback_mono(elem) != 0 ||
                              snd_mixer_selem_has_playback_volume_joined(elem) != 0;
                    break;
                case Kind::CaptureVolume:
                    uniform = snd_mixer_selem_is_capture_mono(elem) != 0 ||
                              snd_mixer_selem_has_capture_volume_joined(elem) != 0;
                    break;
                case Kind::PlaybackMute:
                    uniform = snd_mixer_selem_is_playback_mono(elem) != 0 ||
                              snd_mixer_selem_has_playback_switch_joined(elem) != 0;
                    break;
                case Kind::CaptureMute:
                    uniform = snd_mixer_selem_is_capture_mono(elem) != 0 ||
                              snd_mixer_selem_has_capture_switch_joined(elem) != 0;
                    break;
                default:
                    break;
            }
            if (snd_mixer_selem_is_active(elem) == 0) {
                c.info.flags |= kFlagDisabled;
            }
            elementControls_[elem].push_back(c.info.controlId);
        }
        if (uniform) {
            c.info.flags |= kFlagUniform;
        }
        line.controls.push_back(c.info.controlId);
        const std::uint32_t id = c.info.controlId;
        controls_.emplace(id, std::move(c));
        return id;
    }

    Line makeLine(std::uint32_t destination, std::uint32_t source, std::uint32_t type,
                  const std::string& name, std::uint32_t channels) {
        Line line;
        line.info.destination = destination;
        line.info.source = source;
        line.info.lineId = nextLineId_++;
        line.info.componentType = type;
        line.info.channels = channels;
        line.info.name = name.substr(0, kLineNameMax);
        return line;
    }

    static std::uint32_t channelsOf(const Element* el, bool capture) {
        if (el == nullptr) {
            return 2;
        }
        const bool mono = capture ? snd_mixer_selem_is_capture_mono(el->elem) != 0
                                  : snd_mixer_selem_is_playback_mono(el->elem) != 0;
        return mono ? 1 : 2;
    }

    static Element* named(std::vector<Element>& elements, const std::string& name,
                          bool (*wanted)(const Element&)) {
        for (Element& e : elements) {
            if (!e.used && e.name == name && wanted(e)) {
                return &e;
            }
        }
        return nullptr;
    }

    static bool playbackLine(const Element& e) {
        return !e.booster && (e.playbackVolume || e.playbackSwitch);
    }
    static bool captureLine(const Element& e) {
        return !e.booster && (e.captureVolume || e.captureSwitch);
    }

    void build() {
        std::vector<Element> elements = readElements(mixer_);
        if (std::any_of(elements.begin(), elements.end(), playbackLine)) {
            buildPlayback(elements);
        }
        const bool capture = std::any_of(elements.begin(), elements.end(), [](const Element& e) {
            return captureLine(e) || e.captureEnum;
        });
        if (capture) {
            buildCapture(elements);
        }
        for (Element& e : elements) {
            if (e.booster) {
                addBooster(e);
            }
        }
        for (std::size_t d = 0; d < destinations_.size(); ++d) {
            Destination& dest = destinations_[d];
            dest.line.info.connections = static_cast<std::uint32_t>(dest.sources.size());
            dest.line.info.controls = static_cast<std::uint32_t>(dest.line.controls.size());
            for (Line& s : dest.sources) {
                s.info.controls = static_cast<std::uint32_t>(s.controls.size());
            }
        }
        for (auto& [elem, ids] : elementControls_) {
            snd_mixer_elem_set_callback(elem, &AlsaDevice::elementEvent);
            snd_mixer_elem_set_callback_private(elem, this);
        }
    }

    void buildPlayback(std::vector<Element>& elements) {
        const auto d = static_cast<std::uint32_t>(destinations_.size());
        Element* master = named(elements, "Master", playbackLine);
        Destination dest{makeLine(d, 0, kComponentDstSpeakers, "Master", channelsOf(master, false)),
                         {}};
        if (master != nullptr) {
            master->used = true;
            addPlayback(dest.line, *master);
        }
        for (const Element& e : elements) {
            if (!e.used && playbackLine(e)) {
                Line source = makeLine(d, static_cast<std::uint32_t>(dest.sources.size()),
                                       kComponentSrcAnalog, e.name, channelsOf(&e, false));
                addPlayback(source, e);
                dest.sources.push_back(std::move(source));
            }
        }
        for (Element& e : elements) {
            e.used = false;  // the capture side takes elements on its own
        }
        destinations_.push_back(std::move(dest));
    }

    void addPlayback(Line& line, const Element& e) {
        if (e.playbackVolume) {
            addControl(line, Kind::PlaybackVolume, e.elem, kControlVolume, e.name + " Volume");
        }
        if (e.playbackSwitch) {
            addControl(line, Kind::PlaybackMute, e.elem, kControlMute, e.name + " Mute");
        }
    }

    void addCapture(Line& line, const Element& e, bool withMute) {
        if (e.captureVolume) {
            addControl(line, Kind::CaptureVolume, e.elem, kControlVolume, e.name + " Volume");
        }
        if (withMute && e.captureSwitch) {
            addControl(line, Kind::CaptureMute, e.elem, kControlMute, e.name + " Mute");
        }
    }

    void buildCapture(std::vector<Element>& elements) {
        const auto d = static_cast<std::uint32_t>(destinations_.size());
        Element* main = named(elements, "Capture", captureLine);
        Destination dest{makeLine(d, 0, kComponentDstWaveIn, "Capture", channelsOf(main, true)),
                         {}};
        auto addSource = [&](const std::string& name, const Element* e, bool withMute) {
            Line source =
                makeLine(d, static_cast<std::uint32_t>(dest.sources.size()),
                         lower(name).find("mic") != std::string::npos ? kComponentSrcMicrophone
                                                                      : kComponentSrcLine,
                         name, channelsOf(e, true));
            if (e != nullptr) {
                addCapture(source, *e, withMute);
            }
            dest.sources.push_back(std::move(source));
            return dest.sources.back().info.lineId;
        };

        // The selection list: the capture enumeration, or the exclusive capture switches.
        const auto enumIt = std::find_if(elements.begin(), elements.end(),
                                         [](const Element& e) { return e.captureEnum; });
        std::vector<MixerItemText> texts;
        Control select;
        select.kind = Kind::Select;
        if (enumIt != elements.end()) {
            enumIt->used = true;
            select.elem = enumIt->elem;
            const int count = snd_mixer_selem_get_enum_items(enumIt->elem);
            for (int i = 0; i < count; ++i) {
                char text[64] = {};
                snd_mixer_selem_get_enum_item_name(enumIt->elem, static_cast<unsigned>(i),
                                                   sizeof text, text);
                Element* e = named(elements, text, captureLine);
                if (e != nullptr && e != main) {
                    e->used = true;
                } else {
                    e = nullptr;
                }
                texts.push_back({addSource(text, e, true), text});
            }
        } else {
            const auto first = std::find_if(elements.begin(), elements.end(),
                                            [](const Element& e) { return e.exclusive; });
            for (Element& e : elements) {
                if (first != elements.end() && e.exclusive && e.group == first->group &&
                    &e != main) {
                    e.used = true;
                    select.items.push_back(e.elem);
                    texts.push_back({addSource(e.name, &e, false), e.name});
                }
            }
        }
        if (!texts.empty()) {
            const std::uint32_t id =
                addControl(dest.line, Kind::Select, select.elem, kControlMux,
                           enumIt != elements.end() ? enumIt->name : "Capture Source");
            Control& added = controls_.at(id);
            added.items = select.items;
            added.info.items = static_cast<std::uint32_t>(texts.size());
            for (snd_mixer_elem_t* item : select.items) {
                elementControls_[item].push_back(id);
            }
            itemTexts_[id] = texts;
        }
        if (main != nullptr) {
            main->used = true;
            addCapture(dest.line, *main, true);
        }
        for (Element& e : elements) {
            if (!e.used && captureLine(e)) {
                e.used = true;
                addSource(e.name, &e, true);
            }
        }
        destinations_.push_back(std::move(dest));
    }

    void addBooster(const Element& e) {
        if (destinations_.empty()) {
            return;
        }
        Destination& capture = destinations_.back();
        Line* target = &capture.line;
        std::size_t best = 0;
        for (Line& source : capture.sources) {
            const std::string& n = source.info.name;
            if (n.size() > best && e.name.size() > n.size() &&
                e.name.compare(0, n.size(), n) == 0 && e.name[n.size()] == ' ') {
                target = &source;
                best = n.size();
            }
        }
        addControl(*target, Kind::Booster, e.elem, kControlOnOff, e.name);
    }

    snd_mixer_t* mixer_;
    SoundCard card_;
    MixerNotifications notify_;
    std::vector<Destination> destinations_;
    std::map<std::uint32_t, Control> controls_;
    std::map<std::uint32_t, std::vector<MixerItemText>> itemTexts_;
    std::map<snd_mixer_elem_t*, std::vector<std::uint32_t>> elementControls_;
    std::uint32_t nextLineId_ = 1;
    std::uint32_t nextControlId_ = 1;
};

}  // namespace

AlsaMixer::AlsaMixer() : AlsaMixer(listSoundCards()) {}

AlsaMixer::AlsaMixer(std::vector<SoundCard> cards) : cards_(std::move(cards)) {}

std::unique_ptr<MixerDevice> AlsaMixer::open(int id, const MixerNotifications* notify) {
    if (id < 0 || id >= deviceCount()) {
        return nullptr;
    }
    const SoundCard& card = cards_[static_cast<std::size_t>(id)];
    snd_mixer_t* mixer = nullptr;
    int err = snd_mixer_open(&mixer, 0);
    if (err >= 0) {
        err = snd_mixer_attach(mixer, card.ctl.c_str());
        if (err >= 0) {
            err = snd_mixer_selem_register(mixer, nullptr, nullptr);
        }
        if (err >= 0) {
            err = snd_mixer_load(mixer);
        }
        if (err < 0) {
            snd_mixer_close(mixer);
        }
    }
    if (err < 0) {
        logLine(LogLevel::Warning, "Mixer: cannot open the mixer of \"" + card.name + "\" (" +
                                       card.ctl + "): " + snd_strerror(err));
        return nullptr;
    }
    return std::make_unique<AlsaDevice>(mixer, card, notify);
}

std::vector<CaptureDeviceCaps> AlsaMixer::captureDevices() {
    std::vector<CaptureDeviceCaps> devices;
    for (const SoundCard& card : cards_) {
        if (!card.pcm.empty()) {
            devices.push_back({card.name, card.captureChannels});
        }
    }
    return devices;
}

}  // namespace kovra::mixer
