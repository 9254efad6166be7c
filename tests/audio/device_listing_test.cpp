// What --list-devices prints: cards with positions and inputs, capture devices with their
// DEVICE_ID, and the card each pair would take.
#include "audio/device_listing.h"

#include <gtest/gtest.h>

#include "mixer_cards.h"

namespace kovra::audio {
namespace {

using namespace test;

TEST(DeviceListing, CardsInputsCaptureDevicesAndEachPairsChoice) {
    MemoryMixer backend;
    backend.addCard(selectCard());
    backend.addCard(serverCard("linhas34"));
    backend.capture = {{"SoundMAX Digital Audio", 2}, {"Mono USB Mic", 1}, {"linhas34", 2}};
    const std::string text =
        listDevices(backend, {{1, "linhas34", 0}, {2, "Placa antiga", 0}, {3, "linhas34", -1}});
    for (const std::string line :
         {"  0  SoundMAX Digital Audio\n",
          "       recording inputs: 0 Recording Control, 1 Mic, 2 Line In, 3 Stereo Mix, 4 Phone\n",
          "  1  linhas34\n", "       recording inputs: 0 Capture\n",
          "Capture devices (DEVICE_ID and name):\n  0  SoundMAX Digital Audio\n",
          "  -  Mono USB Mic (one channel", "  1  linhas34\n",
          "  pair 1 (lines 1 and 2, [LINHAS_1e2]): linhas34 (position 1)\n",
          "  pair 2 (lines 3 and 4, [LINHAS_3e4]): SoundMAX Digital Audio (position 0); the "
          "stored name \"Placa antiga\" is not listed\n",
          "  pair 3 (lines 5 and 6, [LINHAS_5e6]): no card chosen\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n---\n" << text;
    }
    EXPECT_TRUE(backend.writes.empty());
}

TEST(DeviceListing, ASystemWithoutCards) {
    MemoryMixer none;
    const std::string text = listDevices(none, {{1, "", 5}});
    EXPECT_NE(text.find("Sound cards (position and name, as SelectIndexDevice and DeviceName "
                        "store them):\n  none\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("no card: position 5 is not listed"), std::string::npos) << text;
}

}  // namespace
}  // namespace kovra::audio
