#include "audio/audio_mixer.h"

namespace kovra::audio {

using mixer::MixerControl;
using mixer::MixerLine;

namespace {

constexpr int kOpenAttemptsWithNotifications = 2;
constexpr std::uint16_t kMicrosoftManufacturerId = 1;

bool has(const MixerControl& control, std::uint32_t flag) {
    return (control.flags & flag) != 0;
}

std::uint32_t valueChannels(const MixerControl& control, std::uint32_t lineChannels) {
    return has(control, mixer::kFlagUniform) ? 1 : std::max<std::uint32_t>(1, lineChannels);
}

}  // namespace

TAudioMixer::TAudioMixer(mixer::MixerBackend& backend) : backend_(backend) {
    notifications_.lineChanged = [this](std::uint32_t id) {
        if (OnLineChange) {
            OnLineChange(*this, static_cast<std::uint32_t>(mixerId_), id);
        }
    };
    notifications_.controlChanged = [this](std::uint32_t id) {
        if (OnControlChange) {
            OnControlChange(*this, static_cast<std::uint32_t>(mixerId_), id);
        }
    };
    deviceCount_ = backend_.deviceCount();
    if (deviceCount_ > 0) {
        SetMixerId(0);
    }
}

TAudioMixer::~TAudioMixer() {
    close();
}

void TAudioMixer::SetMixerId(int id) {
    if (id < 0 || id >= deviceCount_) {
        return;
    }
    close();
    openDevice(id);
}

void TAudioMixer::close() {
    device_.reset();
    mixerId_ = -1;
    destinations_.clear();
}

void TAudioMixer::openDevice(int id) {
    for (int attempt = 0; attempt < kOpenAttemptsWithNotifications && !device_; ++attempt) {
        device_ = backend_.open(id, &notifications_);
    }
    if (!device_) {
        device_ = backend_.open(id, nullptr);
    }
    if (!device_) {
        return;
    }
    mixerId_ = id;
    const mixer::MixerCaps caps = device_->caps();
    manufacturer_ = caps.manufacturerId == kMicrosoftManufacturerId
                        ? std::string("Microsoft")
                        : std::to_string(caps.manufacturerId) + " = Unknown";
    driverVersion_ = caps.driverVersion;
    productId_ = caps.productId;
    productName_ = caps.productName.substr(0, mixer::kProductNameMax);
    numberOfLine_ = static_cast<int>(caps.destinations);

    for (std::uint32_t d = 0; d < caps.destinations; ++d) {
        const std::optional<MixerLine> line = device_->destinationLine(d);
        if (!line) {
            continue;
        }
        TMixerDestination destination{*line, fetchControls(*line), {}};
        for (std::uint32_t s = 0; s < line->connections; ++s) {
            if (const std::optional<MixerLine> source = device_->sourceLine(d, s)) {
                destination.ConnectionList.push_back({*source, fetchControls(*source)});
            }
        }
        destinations_.push_back(std::move(destination));
    }
}

std::vector<MixerControl> TAudioMixer::fetchControls(const MixerLine& line) {
    if (line.controls == 0) {
        return {};
    }
    std::optional<std::vector<MixerControl>> controls = device_->lineControls(line.lineId);
    return controls ? std::move(*controls) : std::vector<MixerControl>{};
}

const TMixerDestination* TAudioMixer::Destination(int d) const {
    if (d < 0 || d >= static_cast<int>(destinations_.size())) {
        return nullptr;
    }
    return &destinations_[static_cast<std::size_t>(d)];
}

std::optional<std::vector<std::int32_t>> TAudioMixer::read(const MixerControl& control,
                                                           std::uint32_t channels) {
    if (!device_) {
        return std::nullopt;
    }
    auto values = device_->controlValues(control.controlId, channels, control.items);
    const std::size_t expected = std::max<std::size_t>(1, control.items) * channels;
    if (!values || values->size() < expected) {
        return std::nullopt;
    }
    return values;
}

TAudioMixer::LineRef TAudioMixer::line(const TMixerDestination& destination, int c) const {
    if (c < 0) {
        return {&destination.ControlList, destination.LineInfo.channels,
                destination.LineInfo.lineId};
    }
    if (c >= static_cast<int>(destination.ConnectionList.size())) {
        return {};
    }
    const TMixerConnection& source = destination.ConnectionList[static_cast<std::size_t>(c)];
    return {&source.ControlList, source.LineInfo.channels, source.LineInfo.lineId};
}

int TAudioMixer::selectorItem(const MixerControl& mux, std::uint32_t channels,
                              std::uint32_t sourceLineId) {
    const auto texts = device_->controlItemTexts(mux.controlId, channels, mux.items);
    if (!texts) {
        return -1;
    }
    for (std::size_t i = 0; i < texts->size(); i += channels) {
        if ((*texts)[i].param1 == sourceLineId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool TAudioMixer::QueryLineState(int d, int c, LineState& state) {
    state = LineState{};
    ModeCaption.clear();
    SelectMode = false;
    const TMixerDestination* destination = Destination(d);
    if (!device_ || destination == nullptr) {
        return false;
    }
    const auto [controls, channels, lineId] = line(*destination, c);

    if (c >= 0 && controls != nullptr) {
        const std::uint32_t destChannels = destination->LineInfo.channels;
        for (const MixerControl& control : destination->ControlList) {
            if (state.MuteState != -1) {
                break;
            }
            if (control.controlType != mixer::kControlMux) {
                continue;
            }
            ModeCaption = kSelectCaption;
            SelectMode = true;
            const std::uint32_t ch = valueChannels(control, destChannels);
            const auto values = read(control, ch);
            if (!values) {
                continue;
            }
            const int item = selectorItem(control, ch, lineId);
            if (item >= 0 && item < static_cast<int>(values->size())) {
                state.MuteState = (*values)[static_cast<std::size_t>(item)];
                state.SwitchDisabled = has(control, mixer::kFlagDisabled);
                state.FromSelector = true;
            }
        }
    }
    if (controls == nullptr) {
        return true;
    }
    for (const MixerControl& control : *controls) {
        if (state.LeftLevel != -1 && state.MuteState != -1) {
            break;
        }
        if (has(control, mixer::kFlagMultiple)) {
            continue;
        }
        if (control.controlType == mixer::kControlVolume && state.LeftLevel == -1) {
            state.LevelDisabled = has(control, mixer::kFlagDisabled);
            const std::uint32_t ch = valueChannels(control, channels);
            const auto values = read(control, ch);
            if (!values) {
                continue;
            }
            state.LeftLevel = (*values)[0];
            if (ch >= 2) {
                state.RightLevel = (*values)[1];
                state.TwoChannels = true;
            } else {
                state.RightLevel = state.LeftLevel;
            }
        } else if (control.controlType == mixer::kControlMute && state.MuteState == -1) {
            ModeCaption = kMuteCaption;
            SelectMode = false;
            state.SwitchDisabled = has(control, mixer::kFlagDisabled);
            const auto values = read(control, valueChannels(control, channels));
            if (!values) {
                continue;
            }
            state.MuteState = (*values)[0] != 0 ? 1 : 0;
        }
    }
    return true;
}

bool TAudioMixer::ApplyLineState(int d, int c, int leftLevel, int rightLevel, int muteState) {
    const TMixerDestination* destination = Destination(d);
    if (!device_ || destination == nullptr) {
        return false;
    }
    const auto [controls, channels, lineId] = line(*destination, c);

    bool muteDone = muteState == -1;
    if (!muteDone && c >= 0 && controls != nullptr) {
        for (const MixerControl& control : destination->ControlList) {
            if (control.controlType != mixer::kControlMux) {
                continue;
            }
            muteDone = true;
            const std::uint32_t ch = valueChannels(control, destination->LineInfo.channels);
            const int item = selectorItem(control, ch, lineId);
            if (item >= 0) {
                std::vector<std::int32_t> values(std::max<std::size_t>(1, control.items) * ch, 0);
                if (static_cast<std::size_t>(item) < values.size()) {
                    values[static_cast<std::size_t>(item)] = muteState;
                    writeControl(control.controlId, ch, control.items, values);
                }
            }
            break;
        }
    }
    if (controls == nullptr) {
        return true;
    }
    bool volumeDone = leftLevel == -1;
    for (const MixerControl& control : *controls) {
        if (volumeDone && muteDone) {
            break;
        }
        if (has(control, mixer::kFlagMultiple)) {
            continue;
        }
        const std::uint32_t ch = valueChannels(control, channels);
        if (control.controlType == mixer::kControlVolume && !volumeDone) {
            std::vector<std::int32_t> values{leftLevel};
            if (ch >= 2) {
                values.push_back(rightLevel == -1 ? leftLevel : rightLevel);
                values.resize(ch, values.back());
            }
            writeControl(control.controlId, ch, control.items, values);
            volumeDone = true;
        } else if (control.controlType == mixer::kControlMute && !muteDone) {
            writeControl(control.controlId, ch, control.items,
                         std::vector<std::int32_t>(ch, muteState));
            muteDone = true;
        }
    }
    return true;
}

bool TAudioMixer::writeControl(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                               const std::vector<std::int32_t>& values) {
    return device_ && device_->setControlValues(controlId, channels, items, values);
}

void TAudioMixer::pollNotifications() {
    if (device_) {
        device_->pollNotifications();
    }
}

}  // namespace kovra::audio
