#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "line_signals.h"

namespace kovra {
namespace {

using namespace testsignals;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

Result runDetect(const std::string& args, const TempFolder& dir) {
    const std::string errFile = dir.path("stderr.txt").string();
    const std::string command = std::string(KOVRA_BINARY_DIR) +
                                "/tools/kovra-detect/kovra-detect " + args + " 2>" + errFile;
    Result r;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return r;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        r.out.append(buffer, n);
    }
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errFile);
    std::stringstream text;
    text << err.rdbuf();
    r.err = text.str();
    return r;
}

TEST(KovraDetect, PrintsEveryEventOneALineTabSeparated) {
    TempFolder dir;
    const auto file = dir.path("pair.wav");
    // Odd line (right): digits 1 and 2. Even line (left): a caller ID, then dial tone.
    const Samples right = join({silence(300), dtmf("12"), silence(300)});
    const Samples left =
        join({silence(200), fsk(mdmf({{0x01, "12101405"}, {0x02, "1134567890"}, {0x07, "MARIA"}})),
              silence(200), tone(425, 900, -15), silence(200)});
    writeWav(file, 8000, 2, stereo(left, right));

    const Result r = runDetect(file.string(), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::regex line(R"(\d+\.\d{3}\t[12]\t(DTMF|CALLERID|TONE)\t[^\t]+)");
    std::vector<std::string> lines;
    std::istringstream out(r.out);
    double lastTime = 0;
    for (std::string l; std::getline(out, l);) {
        EXPECT_TRUE(std::regex_match(l, line)) << "'" << l << "'";
        const double time = std::stod(l);
        EXPECT_GE(time, lastTime) << "lines come in time order";
        lastTime = time;
        // time and side aside, keep what was heard
        lines.push_back(l.substr(l.find('\t') + 1));
    }
    const std::vector<std::string> expected = {
        "1\tDTMF\t1", "1\tDTMF\t2", "2\tCALLERID\tnumber=1134567890;name=MARIA;datetime=12101405",
        "2\tTONE\t1", "2\tTONE\t1"};  // 900 ms of dial tone: reported at 400 and 800 ms
    EXPECT_EQ(lines, expected) << r.out;
    // The first digit starts at 0.300 s.
    EXPECT_EQ(r.out.rfind("0.3", 0), 0U) << r.out;
}

TEST(KovraDetect, HookToneSetOnAMonoFile) {
    TempFolder dir;
    const auto file = dir.path("hook.wav");
    // 75 ms of 2969 Hz is too short for the 100 ms flash start.
    writeWav(file, 8000, 1, join({silence(100), tone(2969, 75, -6), silence(100)}));
    const Result none = runDetect(file.string() + " --tones hook", dir);
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "");

    writeWav(file, 8000, 1, join({silence(100), tone(2969, 250, -6), silence(100)}));
    const Result flash = runDetect(file.string() + " --tones hook --buffer 2", dir);
    EXPECT_EQ(flash.status, 0) << flash.err;
    EXPECT_NE(flash.out.find("\t1\tTONE\t2\n"), std::string::npos) << flash.out;
}

TEST(KovraDetect, BadFilesAndArgumentsExitWithStatus2) {
    TempFolder dir;
    std::ofstream(dir.path("text.wav")) << "not audio\n";
    writeWav(dir.path("three.wav"), 8000, 3, Samples(3 * 800));
    writeWav(dir.path("eight.wav"), 8000, 8, Samples(8 * 800));
    writeWav(dir.path("slow.wav"), 7999, 1, Samples(800));
    writeWav(dir.path("thousand.wav"), 1000, 1, Samples(800));
    ASSERT_EQ(::mkfifo(dir.path("fifo.wav").c_str(), 0600), 0);
    struct Case {
        std::string args;
        std::string inError;
    };
    const Case cases[] = {
        {dir.path("missing.wav").string(), "missing.wav: no such file"},
        {dir.path("text.wav").string(), "text.wav: cannot read as audio"},
        {dir.path("three.wav").string(), "three.wav: has 3 channels"},
        {dir.path("eight.wav").string(), "eight.wav: has 8 channels"},
        {dir.path("slow.wav").string(), "slow.wav: sample rate 7999 Hz is below 8000 Hz"},
        {dir.path("thousand.wav").string(), "thousand.wav: sample rate 1000 Hz"},
        {dir.path("fifo.wav").string(), "fifo.wav: is not a regular file"},
        {"", "FILE"},
        {dir.path("text.wav").string() + " --buffer 7", "--buffer"},
        {dir.path("text.wav").string() + " --tones digital", "--tones"},
    };
    for (const Case& c : cases) {
        const Result r = runDetect(c.args, dir);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.inError), std::string::npos) << c.args << ": " << r.err;
    }
}

}  // namespace
}  // namespace kovra
