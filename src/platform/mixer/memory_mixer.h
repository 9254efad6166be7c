// A mixer backend held in memory: cards described as data, values kept in their
// controls, every write recorded. Stands for the sound system in tests and for the
// cards of a run on WAV files (which has no mixer to change). Behaves as a sound system
// does: a single-select list refuses a selection with no entry set, a one-channel write
// sets every channel, and opens, lines and values can be made to fail.
// One thread, as MixerBackend.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/mixer/mixer_backend.h"

namespace kovra::mixer {

class MemoryMixer final : public MixerBackend {
  public:
    struct Control {
        std::uint32_t type = kControlVolume;
        std::string name;
        std::uint32_t flags = 0;
        // MUX: the names of the sources it lists; a name that is no source of the
        // destination stands for nothing (param1 0).
        std::vector<std::string> items;
        // Sized (zeros) when the card is added, if left empty.
        std::vector<std::int32_t> values;
        bool unreadable = false;  // reads are refused
        std::uint32_t id = 0;     // set when the card is added
    };
    struct Line {
        std::string name;
        std::uint32_t componentType = kComponentSrcLine;
        std::uint32_t channels = 2;
        std::vector<Control> controls;
        bool undescribed = false;      // the line cannot be described
        bool controlsRefused = false;  // its controls cannot be fetched
        std::uint32_t id = 0;          // set when the card is added
    };
    struct Destination {
        Line line;
        std::vector<Line> sources;
    };
    struct Card {
        std::string name;
        std::uint16_t manufacturerId = 1;
        std::uint16_t productId = 0;
        std::uint32_t driverVersion = 0;
        std::vector<Destination> destinations;
        int failingOpens = 0;  // this many opens fail before one succeeds
    };
    struct Write {
        int card = 0;
        std::string line;
        std::string control;
        std::vector<std::int32_t> values;
        bool accepted = false;
    };

    MemoryMixer();
    ~MemoryMixer() override;

    // Adds a card as the next device; returns its id.
    int addCard(Card card);
    Card& card(int id);
    // The control named name on the line named line of a card (destination or source),
    // null when there is none.
    Control* find(int card, const std::string& line, const std::string& control);

    // Raises a control change on every open device of the card (delivered by their
    // pollNotifications).
    void notifyControlChange(int card, std::uint32_t controlId);

    int deviceCount() override { return static_cast<int>(cards_.size()); }
    std::unique_ptr<MixerDevice> open(int id, const MixerNotifications* notify) override;
    std::vector<CaptureDeviceCaps> captureDevices() override { return capture; }

    std::vector<CaptureDeviceCaps> capture;  // what captureDevices() reports
    std::vector<Write> writes;               // every write, in order
    int opens = 0;                           // open attempts
    std::function<void(const Write&)> onWrite;

  private:
    class Device;
    struct Pending;

    std::vector<Card> cards_;
    std::vector<std::weak_ptr<Pending>> pending_;
};

}  // namespace kovra::mixer
