// The one way a card name becomes a PortAudio capture device: the detectors' capture and
// the recording capture of a pair both open their card through it, so a pair records
// the card it listens to. A name from the program's card list (listSoundCards) opens
// that card's capture PCM; any other name is taken as a PortAudio device name, matched
// exactly, then ignoring letter case, then as a part of exactly one device's name.
// PortAudio must be initialised by the caller. Any thread that may call PortAudio.
#pragma once

#include <string>
#include <vector>

namespace kovra {

struct CaptureDevice {
    int index = -1;    // PortAudio device index, -1 when not found
    std::string name;  // PortAudio's name of the device
};

// Finds the capture device of name; index -1 when there is none, with why set to a
// message that names the card and the devices there are.
CaptureDevice findCaptureDevice(const std::string& name, std::string& why);

// PortAudio's capture devices, for messages and device lists.
std::vector<std::string> portAudioCaptureNames();

}  // namespace kovra
