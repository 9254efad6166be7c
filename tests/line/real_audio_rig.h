// Test fixture: renders a line script and plays it through pair 1's real detector
// controls into a PairFixture's line logic on simulated time.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kovra-linesim/line_script.h"
#include "line/detector_supervision.h"
#include "line_test_support.h"
#include "platform/capture/fast_audio_driver.h"
#include "platform/detectors/detector_factory.h"
#include "temp_folder.h"

namespace kovra::line::test {

struct QuietUi final : UserInterface {
    MessageAnswer messageBox(const std::string&, const std::string& text, MessageIcon,
                             MessageButtons) override {
        ADD_FAILURE() << "unexpected message box: " << text;
        return MessageAnswer::Ok;
    }
    void beep() override {}
    void setTrayIconVisible(bool) override {}
};

class RealAudioRig : public ::testing::Test {
  protected:
    // adapter 1: two plain lines; 2: two lines with hook signalling.
    void run(PairFixture& f, const std::string& script, int adapter = 1) {
        linesim::writeWav(wav, linesim::renderScript(script));
        FastAudioDriver driver(f.loop);
        PairDetectors detectors = makePairDetectors(f.loop, DetectorSource::wavFile(wav, &driver));
        QuietUi ui;
        PairDetectorControl control(
            *f.logic, f.loop, ui, f.globals,
            PairDetectorControls{*detectors.capture, *detectors.decoder1, *detectors.decoder2,
                                 *detectors.view1, *detectors.view2},
            DetectorPorts{});
        control.choice().CbDevicesText = wav.filename().string();
        control.choice().CbDevicesIndex = 1;
        control.choice().CBListIndex = 1;
        control.setAdapter(adapter);
        detectors.file->OnEndOfInput = [&f] { f.loop.quit(0); };
        control.BnStartClick();
        ASSERT_TRUE(detectors.capture->CaptureRunning());
        driver.run();
    }

    // The texts of side k before the end of the file, which stops the capture and is
    // reported as such.
    std::vector<std::string> textsOf(const PairFixture& f, int k) const {
        std::vector<std::string> out;
        for (const auto& [side, text] : f.relay.sent) {
            if (side == k) {
                out.push_back(text);
            }
        }
        const std::string end =
            "L" + std::to_string(k) + "_DISABLED: SoundBoard - " + wav.filename().string();
        EXPECT_TRUE(!out.empty() && out.back() == end) << "side " << k;
        if (!out.empty() && out.back() == end) {
            out.pop_back();
        }
        return out;
    }

    kovra::test::TempFolder temp_{"kovra-line"};
    const std::filesystem::path wav = temp_.path("line.wav");
};

}  // namespace kovra::line::test
