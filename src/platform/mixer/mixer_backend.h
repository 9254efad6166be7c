// The sound cards' mixers and capture devices as the mixer model sees them: devices,
// destination lines with their source lines, and controls, in the shape of the legacy
// mixer interface the model was built on (an ALSA adapter and an in-memory one implement
// it). A backend and its open devices are used from one thread (the loop thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovra::mixer {

// Component types of lines.
inline constexpr std::uint32_t kComponentDstSpeakers = 4;
inline constexpr std::uint32_t kComponentDstWaveIn = 7;  // the recording destination
inline constexpr std::uint32_t kComponentSrcLine = 0x1002;
inline constexpr std::uint32_t kComponentSrcMicrophone = 0x1003;
inline constexpr std::uint32_t kComponentSrcAnalog = 0x100A;

// Control types the system recognises.
inline constexpr std::uint32_t kControlMux = 0x70010001;     // single-select list of sources
inline constexpr std::uint32_t kControlVolume = 0x50030001;  // 0..65535 per channel
inline constexpr std::uint32_t kControlMute = 0x20010002;    // true: muted
inline constexpr std::uint32_t kControlOnOff = 0x20010001;   // any other on/off switch

// Control flags.
inline constexpr std::uint32_t kFlagUniform = 1;  // one value for all channels
inline constexpr std::uint32_t kFlagMultiple = 2;
inline constexpr std::uint32_t kFlagDisabled = 0x80000000U;

inline constexpr std::int32_t kVolumeMax = 65535;
inline constexpr std::size_t kProductNameMax = 31;
inline constexpr std::size_t kLineNameMax = 63;

struct MixerCaps {
    std::uint16_t manufacturerId = 0;
    std::uint16_t productId = 0;
    std::uint32_t driverVersion = 0;
    std::string productName;  // at most kProductNameMax characters
    std::uint32_t destinations = 0;
};

struct MixerLine {
    std::uint32_t destination = 0;  // index of the destination (of its destination, for a source)
    std::uint32_t source = 0;       // index among the destination's sources (sources only)
    std::uint32_t lineId = 0;
    std::uint32_t componentType = 0;
    std::uint32_t channels = 1;
    std::uint32_t connections = 0;  // sources of a destination
    std::uint32_t controls = 0;
    std::string name;  // at most kLineNameMax characters
};

struct MixerControl {
    std::uint32_t controlId = 0;
    std::uint32_t controlType = 0;
    std::uint32_t flags = 0;
    std::uint32_t items = 0;  // entries of a list control (MUX); 0 otherwise
    std::string name;
};

// One entry of a list control: param1 is the line id of the source it stands for.
struct MixerItemText {
    std::uint32_t param1 = 0;
    std::string name;
};

// A capture device as the capture device list reports it.
struct CaptureDeviceCaps {
    std::string name;
    int channels = 2;
};

// Change notifications of an open device; the ids are line or control ids.
struct MixerNotifications {
    std::function<void(std::uint32_t lineId)> lineChanged;
    std::function<void(std::uint32_t controlId)> controlChanged;
};

// One open mixer device. Every query answers nothing (std::nullopt) when the platform
// refuses it; writes answer false. Values are laid out item-major, channel-minor:
// (items or 1) x channels.
class MixerDevice {
  public:
    virtual ~MixerDevice() = default;

    virtual MixerCaps caps() const = 0;
    virtual std::optional<MixerLine> destinationLine(std::uint32_t destination) = 0;
    virtual std::optional<MixerLine> sourceLine(std::uint32_t destination,
                                                std::uint32_t source) = 0;
    // All controls of a line at once, in the platform's order.
    virtual std::optional<std::vector<MixerControl>> lineControls(std::uint32_t lineId) = 0;
    virtual std::optional<std::vector<std::int32_t>> controlValues(std::uint32_t controlId,
                                                                   std::uint32_t channels,
                                                                   std::uint32_t items) = 0;
    virtual std::optional<std::vector<MixerItemText>> controlItemTexts(std::uint32_t controlId,
                                                                       std::uint32_t channels,
                                                                       std::uint32_t items) = 0;
    virtual bool setControlValues(std::uint32_t controlId, std::uint32_t channels,
                                  std::uint32_t items, const std::vector<std::int32_t>& values) = 0;
    // Delivers the notifications that arrived since the last call, on the caller's thread.
    virtual void pollNotifications() {}
};

class MixerBackend {
  public:
    virtual ~MixerBackend() = default;

    // Mixer devices in the system (sound cards), numbered 0 .. deviceCount() - 1 in a
    // stable order.
    virtual int deviceCount() = 0;
    // Opens device id; notify (may be null) receives its change notifications. Null when
    // the device cannot be opened.
    virtual std::unique_ptr<MixerDevice> open(int id, const MixerNotifications* notify) = 0;
    // Capture devices in device order.
    virtual std::vector<CaptureDeviceCaps> captureDevices() = 0;
};

}  // namespace kovra::mixer
