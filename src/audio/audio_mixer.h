// TAudioMixer: the mixer of one sound card at a time, as a tree of its destination lines,
// their source lines and every line's controls, taken when the device is opened, plus
// the two operations that read and write one line's volume and mute or selection.
// Works over any MixerBackend (the platform's mixer or one in memory). Loop thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/mixer/mixer_backend.h"

namespace kovra::audio {

struct TMixerConnection {
    mixer::MixerLine LineInfo;
    std::vector<mixer::MixerControl> ControlList;  // empty when the fetch failed
};

struct TMixerDestination {
    mixer::MixerLine LineInfo;
    std::vector<mixer::MixerControl> ControlList;
    std::vector<TMixerConnection> ConnectionList;  // its source lines, in source order
};

// What QueryLineState reads of one line. Levels are raw values (0..65535), -1 unknown.
struct LineState {
    int LeftLevel = -1;
    int RightLevel = -1;
    int MuteState = -1;  // 1 muted (or selected, FromSelector), 0 not, -1 unknown
    bool TwoChannels = false;
    bool LevelDisabled = true;
    bool SwitchDisabled = true;
    bool FromSelector = false;
};

class TAudioMixer {
  public:
    using TMixerChange =
        std::function<void(TAudioMixer& sender, std::uint32_t mixerH, std::uint32_t id)>;

    inline static const std::string kSelectCaption = "Selecionar";
    inline static const std::string kMuteCaption = "Sem áudio";

    // Counts the devices once and opens device 0 when there is one.
    explicit TAudioMixer(mixer::MixerBackend& backend);
    ~TAudioMixer();
    TAudioMixer(const TAudioMixer&) = delete;
    TAudioMixer& operator=(const TAudioMixer&) = delete;

    // Opens device id (reopening the open one rebuilds its tree); ids outside
    // 0 .. deviceCount() - 1 change nothing. A device that cannot be opened leaves
    // MixerId -1 and an empty tree.
    void SetMixerId(int id);
    int MixerId() const { return mixerId_; }
    int deviceCount() const { return deviceCount_; }

    const std::string& ProductName() const { return productName_; }
    const std::string& Manufacturer() const { return manufacturer_; }
    std::uint32_t DriverVersion() const { return driverVersion_; }
    std::uint32_t ProductId() const { return productId_; }
    int NumberOfLine() const { return numberOfLine_; }

    const std::vector<TMixerDestination>& Destinations() const { return destinations_; }
    // Destination d, or null when there is none.
    const TMixerDestination* Destination(int d) const;

    // Reads line c of destination d (c = -1: the destination line itself). False when no
    // device or destination d is there; sets ModeCaption and SelectMode.
    bool QueryLineState(int d, int c, LineState& state);
    // Writes volume (left -1: untouched; right -1: as left) and mute or selection (-1:
    // untouched) of line c of destination d. False when no device or destination d is
    // there; refused writes are ignored.
    bool ApplyLineState(int d, int c, int leftLevel, int rightLevel, int muteState);

    // Writes the values of one control of the open device; false when refused or closed.
    bool writeControl(std::uint32_t controlId, std::uint32_t channels, std::uint32_t items,
                      const std::vector<std::int32_t>& values);

    // Raises OnLineChange / OnControlChange for the notifications the device received.
    void pollNotifications();

    std::string ModeCaption;
    bool SelectMode = false;
    TMixerChange OnLineChange;
    TMixerChange OnControlChange;

  private:
    void close();
    void openDevice(int id);
    std::vector<mixer::MixerControl> fetchControls(const mixer::MixerLine& line);
    std::optional<std::vector<std::int32_t>> read(const mixer::MixerControl& control,
                                                  std::uint32_t channels);
    // Line c of destination d (-1: the destination itself): its controls (null when the
    // source does not exist), channel count and line id.
    struct LineRef {
        const std::vector<mixer::MixerControl>* controls = nullptr;
        std::uint32_t channels = 0;
        std::uint32_t lineId = 0;
    };
    LineRef line(const TMixerDestination& destination, int c) const;
    // Position of the MUX item that stands for source c, or -1.
    int selectorItem(const mixer::MixerControl& mux, std::uint32_t channels,
                     std::uint32_t sourceLineId);

    mixer::MixerBackend& backend_;
    mixer::MixerNotifications notifications_;
    std::unique_ptr<mixer::MixerDevice> device_;
    int deviceCount_ = 0;
    int mixerId_ = -1;
    std::string productName_;
    std::string manufacturer_;
    std::uint32_t driverVersion_ = 0;
    std::uint32_t productId_ = 0;
    int numberOfLine_ = 0;
    std::vector<TMixerDestination> destinations_;
};

}  // namespace kovra::audio
