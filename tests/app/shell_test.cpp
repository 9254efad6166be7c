#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/error_logs.h"
#include "app/startup_values.h"
#include "app/watchdog.h"
#include "temp_folder.h"

namespace kovra {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(StartupValues, NameCarriesSystemReleaseAndBuildAndCodeIsTen) {
    const StartupValues v =
        makeStartupValues({"Linux", "6.1.0-18-amd64", "#70001 SMP PREEMPT_DYNAMIC Debian"});
    // 70001 keeps its low 16 bits: 70001 - 65536 = 4465.
    EXPECT_EQ(v.OsName, "Linux 6.1.0-18-amd64 Build (xx) 4465");
    EXPECT_EQ(v.WindowsVersionCode, 10);
    EXPECT_EQ(v.ProductTitle, "PlugIn Kovra Repeaters - FSK / DTMF [Versão 2.0.1.8]");
    EXPECT_EQ(v.ProductVersion, "2.0.1.8");
}

struct SilentPairsCase {
    const char* name;
    std::array<Watchdog::PairView, 3> pairs;
    int silentPairMask;  // pairs whose decoders stay silent
    int seconds;
    int expectedFailures;
    std::string expectedMessage;
};

TEST(Watchdog, RestartsOnlyForRunningPairsSilentMoreThanThirtySeconds) {
    const Watchdog::PairView running{true, true, "hw:1"};
    const Watchdog::PairView running2{true, true, "hw:2"};
    const Watchdog::PairView noDevice{false, true, ""};
    const Watchdog::PairView stopped{true, false, "hw:3"};
    const Watchdog::PairView fileEnded{true, true, "calls.wav", true};
    const std::vector<SilentPairsCase> cases = {
        {"silent 31 s",
         {running, stopped, stopped},
         0b001,
         31,
         1,
         "Falha no detector [Linhas 1 e 2] -> hw:1"},
        {"silent 30 s is still fine", {running, stopped, stopped}, 0b001, 30, 0, ""},
        {"empty device list never counts", {noDevice, noDevice, noDevice}, 0b111, 500, 0, ""},
        {"stopped pairs never count", {stopped, stopped, stopped}, 0b111, 500, 0, ""},
        {"a file played to its end never counts", {fileEnded, running, stopped}, 0b001, 500, 0, ""},
        {"two failing: lower pair named",
         {stopped, running, running2},
         0b110,
         40,
         1,
         "Falha no detector [Linhas 3 e 4] -> hw:1"},
        {"events keep a pair alive",
         {running, running2, stopped},
         0b010,
         31,
         1,
         "Falha no detector [Linhas 3 e 4] -> hw:2"},
    };
    for (const auto& c : cases) {
        int failures = 0;
        std::string message;
        Watchdog dog([&](const std::string& m) {
            ++failures;
            message = m;
        });
        for (int s = 0; s < c.seconds; ++s) {
            for (int p = 1; p <= 3; ++p) {
                if ((c.silentPairMask & (1 << (p - 1))) == 0) {
                    dog.detectorEvent(p);
                }
            }
            dog.tick(c.pairs);
        }
        EXPECT_EQ(failures, c.expectedFailures) << c.name;
        EXPECT_EQ(message, c.expectedMessage) << c.name;
    }
}

TEST(Watchdog, FailsOnceAndThenStaysStopped) {
    int failures = 0;
    Watchdog dog([&](const std::string&) { ++failures; });
    const std::array<Watchdog::PairView, 3> pairs = {Watchdog::PairView{true, true, "d"}, {}, {}};
    for (int s = 0; s < 100; ++s) {
        dog.tick(pairs);
    }
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(dog.stopped());
}

class ErrorLogsTest : public ::testing::Test {
  protected:
    void SetUp() override { values_ = makeStartupValues({"Linux", "6.1", "#1"}); }
    kovra::test::TempFolder temp_{"kovra-logs"};
    const std::filesystem::path folder_ = temp_.path();
    StartupValues values_;
    TimePoint launch_ = std::chrono::system_clock::now();
};

TEST_F(ErrorLogsTest, DetectorFailureRecordHasItsNineLines) {
    ErrorLogs logs(folder_, "kovra-plugin", values_, launch_);
    logs.writeDetectorFailure("Falha no detector [Linhas 1 e 2] -> hw:1", launch_);
    const std::string text = readFile(folder_ / "FalhaDetector.log");
    const std::string when = formatDateTime(launch_);
    const std::string expected =
        "\r\nAplicativo: PlugIn Kovra Repeaters - FSK / DTMF [Versão 2.0.1.8]\r\n"
        "Aplicativo iniciado em: " +
        when +
        "\r\n"
        "Data e hora do erro: " +
        when +
        "\r\n"
        "Sistemna operacional: Linux 6.1 Build (xx) 1\r\n"
        "Mensagem: Falha no detector [Linhas 1 e 2] -> hw:1\r\n"
        "Classe do erro: \r\n\r\n" +
        std::string(74, '-') + "\r\n";
    EXPECT_EQ(text, expected);
}

TEST_F(ErrorLogsTest, ExceptionLogRecordsContextOnceAndSkipsPortErrors) {
    ErrorLogs logs(folder_, "kovra-plugin", values_, launch_);
    logs.ErrorContext = "TimerDelete1";
    EXPECT_TRUE(logs.logException(std::runtime_error("disco cheio"), launch_));
    EXPECT_TRUE(logs.ErrorContext.empty());
    EXPECT_TRUE(logs.logException("Erro #3815 : porta 3821", "EKovra", launch_));
    const std::string text = readFile(folder_ / "kovra-plugin.log");
    EXPECT_NE(text.find("Versão: 2.0.1.8\r\n"), std::string::npos);
    EXPECT_NE(text.find("Mensagem: disco cheio\r\nClasse do erro: std::runtime_error\r\n"
                        "Function: TimerDelete1\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("#3815"), std::string::npos);
}

TEST_F(ErrorLogsTest, UnwritableLogIsReportedNotHidden) {
    ErrorLogs logs(folder_ / "missing" / "deeper", "kovra-plugin", values_, launch_);
    EXPECT_THROW(logs.writeDetectorFailure("x", launch_), std::runtime_error);
    EXPECT_FALSE(logs.logException("y", "E", launch_));
}

}  // namespace
}  // namespace kovra
