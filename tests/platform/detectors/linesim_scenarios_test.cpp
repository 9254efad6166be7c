// Line scripts rendered by the line simulator, heard by a whole pair's detector set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kovra-linesim/line_script.h"
#include "line_signals.h"
#include "platform/detectors/file_detection.h"

namespace kovra {
namespace {

// side, kind and value of each event in order; positions are checked elsewhere.
std::vector<std::string> heard(const std::vector<DetectedEvent>& events) {
    std::vector<std::string> out;
    for (const DetectedEvent& e : events) {
        out.push_back(std::to_string(e.side) + " " + e.kind + " " + e.value);
    }
    return out;
}

TEST(LineScripts, APairHearsWhatTheScriptPlays) {
    struct Case {
        std::string label;
        std::string script;
        std::vector<CustomToneRow> tones;
        int bufferBytes;
        std::vector<std::string> expected;
    };
    const std::string cid = "CALLERID number=1134567890;name=OFICINA CENTRAL;datetime=12101405";
    const Case cases[] = {
        {"incoming call on line 1",
         "ring 1 on=400\nsilence 500ms\n"
         "fsk number=1134567890 name=\"OFICINA CENTRAL\" datetime=12101405\nsilence 300ms\n"
         "noise snr=30\n",
         analogueToneRows(),
         2048,
         {"1 TONE 3", "1 TONE 4", "1 TONE 3", "1 TONE 4", "1 " + cid}},
        {"line 2 dials out while line 1 is quiet",
         "lines 2\nline 2\ndialtone 1s\ndial 0800\nspeech 2s\n",
         analogueToneRows(),
         4096,
         {"2 TONE 1", "2 TONE 1", "2 DTMF 0", "2 DTMF 8", "2 DTMF 0", "2 DTMF 0"}},
        {"handset lifted and put back on the hook adapter",
         "silence 200ms\nhook-lift\nsilence 500ms\nhook-down\nsilence 200ms\n",
         hookToneRows(10),
         1024,
         {"1 TONE 1", "1 TONE 1", "1 TONE 1", "1 TONE 2", "1 TONE 3"}},
        {"legacy adapter tones",
         "silence 200ms\nhook-down legacy\nsilence 200ms\n",
         hookToneRows(5),
         2048,
         {"1 TONE 4", "1 TONE 5"}},
        {"quiet caller ID and strong high-group DTMF",
         "fsk number=1134567890 level=-40\nsilence 300ms\ndial 19 level=-10 twist=4\n"
         "silence 100ms\n",
         analogueToneRows(),
         2048,
         {"1 CALLERID number=1134567890;name=;datetime=", "1 DTMF 1", "1 DTMF 9"}},
        {"a bad checksum is dropped",
         "fsk number=1134567890 checksum=bad\nsilence 300ms\n",
         analogueToneRows(),
         2048,
         {}},
    };
    testsignals::TempFolder dir;
    for (const Case& c : cases) {
        const auto file = dir.path("line.wav");
        linesim::writeWav(file, linesim::renderScript(c.script));
        FileDetectionOptions options;
        options.tones = c.tones;
        options.bufferBytes = c.bufferBytes;
        EXPECT_EQ(heard(detectFile(file, options)), c.expected) << c.label;
    }
}

}  // namespace
}  // namespace kovra
