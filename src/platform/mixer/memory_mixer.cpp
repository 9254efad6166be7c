#include "platform/mixer/memory_mixer.h"

#include <algorithm>
#include <stdexcept>

namespace kovra::mixer {

namespace {

constexpr std::uint32_t kFirstLineId = 1;
constexpr std::uint32_t kFirstControlId = 1000;

std::uint32_t valueChannels(const MemoryMixer::Control& control, std::uint32_t lineChannels) {
    return (control.flags & kFlagUniform) != 0 ? 1 : lineChannels;
}

std::size_t valueCount(const MemoryMixer::Control& control, std::uint32_t lineChannels) {
    return std::max<std::size_t>(1, control.items.size()) * valueChannels(control, lineChannels);
}

MixerLine describe(const MemoryMixer::Line& line, std::uint32_t destination, std::uint32_t source,
                   std::uint32_t connections) {
    MixerLine info;
    info.destination = destination;
    info.source = source;
    info.lineId = line.id;
    info.componentType = line.componentType;
    info.channels = line.channels;
    info.connections = connections;
    info.controls = static_cast<std::uint32_t>(line.controls.size());
    info.name = line.name.substr(0, kLineNameMax);
    return info;
}

}  // namespace

struct MemoryMixer::Pending {
    int card = 0;
    std::vector<std::uint32_t> controlIds;
};

class MemoryMixer::Device final : public MixerDevice {
  public:
    Device(MemoryMixer& owner, int card, const MixerNotifications* notify,
           std::shared_ptr<Pending> pending)
        : owner_(owner), card_(card), pending_(std::move(pending)) {
        if (notify != nullptr) {
            notify_ = *notify;
        }
    }

    MixerCaps caps() const override {
        const Card& c = owner_.cards_[static_cast<std::size_t>(card_)];
        return {c.manufacturerId, c.productId, c.driverVersion, c.name.substr(0, kProductNameMax),
                static_cast<std::uint32_t>(c.destinations.size())};
    }

    std::optional<MixerLine> destinationLine(std::uint32_t destination) override {
        Card& c = card();
        if (destination >= c.destinations.size()) {
            return std::nullopt;
        }
        const Destination& d = c.destinations[destination];
        if (d.line.undescribed) {
            return std::nullopt;
        }
        return describe(d.line, destination, 0, static_cast<std::uint32_t>(d.sources.size()));
    }

    std::optional<MixerLine> sourceLine(std::uint32_t destination, std::uint32_t source) override {
        Card& c = card();
        if (destination >= c.destinations.size() ||
            source >= c.destinations[destination].sources.size()) {
            return std::nullopt;
        }
        const Line& line = c.destinations[destination].sources[source];
        if (line.undescribed) {
            return std::nullopt;
        }
        return describe(line, destination, source, 0);
    }

    std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) override {
        const Line* line = findLine(lineId);
        if (line == nullptr || line->controlsRefused) {
            return std::nullopt;
        }
        std::vector<MixerControl> controls;
        for (const Control& c : line->controls) {
            controls.push_back(
                {c.id, c.type, c.flags, static_cast<std::uint32_t>(c.items.size()), c.name});
        }
        return controls;
    }

    std::optional<std::vector<std::int32_t>> controlValues(std::uint32_t controlId,
                                                           std::uint32_t channels,
                                                           std::uint32_t items) override {
        auto [line, control] = findControl(controlId);
        if (control == nullptr || control->unreadable || items != control->items.size()) {
            return std::nullopt;
        }
        const std::uint32_t stored = valueChannels(*control, line->channels);
        const std::size_t entries = std::max<std::size_t>(1, items);
        std::vector<std::int32_t> out;
        for (std::size_t item = 0; item < entries; ++item) {
            for (std::uint32_t ch = 0; ch < channels; ++ch) {
                out.push_back(control->values[item * stored + std::min(ch, stored - 1)]);
            }
        }
        return out;
    }

    std::optional<std::vector<MixerItemText>> controlItemTexts(std::uint32_t controlId,
                                                               std::uint32_t channels,
                                                               std::uint32_t items) override {
        auto [line, control] = findControl(controlId);
        if (control == nullptr || control->unreadable || items != control->items.size()) {
            return std::nullopt;
        }
        std::vector<MixerItemText> texts;
        for (const std::string& item : control->items) {
            const Line* source = sourceNamed(*line, item);
            for (std::uint32_t ch = 0; ch < channels; ++ch) {
                texts.push_back({source != nullptr ? source->id : 0, item});
            }
        }
        return texts;
    }

    bool setControlValues(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                          const std::vector<std::int32_t>& values) override {
        auto [line, control] = findControl(controlId);
        if (control == nullptr) {
            return false;
        }
        const bool accepted = apply(*line, *control, channels, items, values);
        Write write{card_, line->name, control->name, values, accepted};
        owner_.writes.push_back(write);
        if (owner_.onWrite) {
            owner_.onWrite(write);
        }
        return accepted;
    }

    void pollNotifications() override {
        std::vector<std::uint32_t> ids;
        ids.swap(pending_->controlIds);
        for (const std::uint32_t id : ids) {
            if (notify_.controlChanged) {
                notify_.controlChanged(id);
            }
        }
    }

  private:
    Card& card() { return owner_.cards_[static_cast<std::size_t>(card_)]; }

    Line* findLine(std::uint32_t lineId) {
        for (Destination& d : card().destinations) {
            if (d.line.id == lineId) {
                return &d.line;
            }
            for (Line& s : d.sources) {
                if (s.id == lineId) {
                    return &s;
                }
            }
        }
        return nullptr;
    }

    std::pair<Line*, Control*> findControl(std::uint32_t controlId) {
        auto inLine = [controlId](Line& line) -> Control* {
            for (Control& c : line.controls) {
                if (c.id == controlId) {
                    return &c;
                }
            }
            return nullptr;
        };
        for (Destination& d : card().destinations) {
            if (Control* c = inLine(d.line)) {
                return {&d.line, c};
            }
            for (Line& s : d.sources) {
                if (Control* c = inLine(s)) {
                    return {&s, c};
                }
            }
        }
        return {nullptr, nullptr};
    }

    // The source of the destination that owns line (a MUX sits on a destination).
    const Line* sourceNamed(const Line& destinationLine, const std::string& name) {
        for (Destination& d : card().destinations) {
            if (&d.line != &destinationLine) {
                continue;
            }
            for (const Line& s : d.sources) {
                if (s.name == name) {
                    return &s;
                }
            }
        }
        return nullptr;
    }

    static bool apply(const Line& line, Control& control, std::uint32_t channels,
                      std::uint32_t items, const std::vector<std::int32_t>& values) {
        const std::uint32_t stored = valueChannels(control, line.channels);
        const std::size_t entries = std::max<std::size_t>(1, items);
        if (items != control.items.size() || channels == 0 || values.size() != entries * channels) {
            return false;
        }
        if (control.type == kControlMux) {
            // A single-select list always has exactly one entry selected.
            const auto set =
                std::count_if(values.begin(), values.end(), [](std::int32_t v) { return v != 0; });
            if (set != static_cast<long>(channels)) {
                return false;
            }
        }
        for (std::size_t item = 0; item < entries; ++item) {
            for (std::uint32_t ch = 0; ch < stored; ++ch) {
                // One channel written sets every channel.
                control.values[item * stored + ch] =
                    values[item * channels + std::min(ch, channels - 1)];
            }
        }
        return true;
    }

    MemoryMixer& owner_;
    int card_;
    MixerNotifications notify_;
    std::shared_ptr<Pending> pending_;
};

MemoryMixer::MemoryMixer() = default;
MemoryMixer::~MemoryMixer() = default;

int MemoryMixer::addCard(Card card) {
    std::uint32_t lineId = kFirstLineId;
    std::uint32_t controlId = kFirstControlId;
    auto prepare = [&](Line& line) {
        line.id = lineId++;
        for (Control& c : line.controls) {
            c.id = controlId++;
            const std::size_t count = valueCount(c, line.channels);
            if (c.values.size() != count) {
                c.values.resize(count, 0);
            }
        }
    };
    for (Destination& d : card.destinations) {
        prepare(d.line);
        for (Line& s : d.sources) {
            prepare(s);
        }
    }
    cards_.push_back(std::move(card));
    return static_cast<int>(cards_.size()) - 1;
}

MemoryMixer::Card& MemoryMixer::card(int id) {
    return cards_.at(static_cast<std::size_t>(id));
}

MemoryMixer::Control* MemoryMixer::find(int card, const std::string& line,
                                        const std::string& control) {
    auto inLine = [&](Line& l) -> Control* {
        if (l.name != line) {
            return nullptr;
        }
        for (Control& c : l.controls) {
            if (c.name == control) {
                return &c;
            }
        }
        return nullptr;
    };
    for (Destination& d : cards_.at(static_cast<std::size_t>(card)).destinations) {
        if (Control* c = inLine(d.line)) {
            return c;
        }
        for (Line& s : d.sources) {
            if (Control* c = inLine(s)) {
                return c;
            }
        }
    }
    return nullptr;
}

void MemoryMixer::notifyControlChange(int card, std::uint32_t controlId) {
    (void)cards_.at(static_cast<std::size_t>(card));
    for (auto& weak : pending_) {
        if (auto p = weak.lock(); p && p->card == card) {
            p->controlIds.push_back(controlId);
        }
    }
}

std::unique_ptr<MixerDevice> MemoryMixer::open(int id, const MixerNotifications* notify) {
    ++opens;
    if (id < 0 || id >= deviceCount()) {
        return nullptr;
    }
    Card& c = cards_[static_cast<std::size_t>(id)];
    if (c.failingOpens > 0) {
        --c.failingOpens;
        return nullptr;
    }
    auto pending = std::make_shared<Pending>();
    pending->card = id;
    std::erase_if(pending_, [](const std::weak_ptr<Pending>& w) { return w.expired(); });
    pending_.push_back(pending);
    return std::make_unique<Device>(*this, id, notify, std::move(pending));
}

}  // namespace kovra::mixer
