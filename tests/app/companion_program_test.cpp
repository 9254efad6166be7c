// The companion program: started from the program folder, missing one reported in its box,
// and ended at exit whoever started it.
#include "app/companion_program.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/process/process_list.h"
#include "temp_folder.h"

namespace kovra {
namespace {

namespace fs = std::filesystem;

class RecordingUserInterface final : public UserInterface {
  public:
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override {
        boxes.push_back(title + "|" + text + "|" + std::to_string(static_cast<int>(icon)));
        return defaultAnswer(buttons);
    }
    void beep() override {}
    void setTrayIconVisible(bool) override {}
    std::vector<std::string> boxes;
};

class CompanionTest : public ::testing::Test {
  protected:
    void TearDown() override { CompanionProgram(folder_, ui_, name_).end(); }

    // A companion that writes its arguments where the test can see them, then waits.
    void installCompanion(bool executable) {
        const fs::path path = folder_ / name_;
        std::ofstream(path) << "#!/bin/sh\necho \"$@\" > \"" << (folder_ / "args").string()
                            << "\"\nwhile :; do sleep 0.2; done\n";
        fs::permissions(path, executable ? fs::perms::owner_all
                                         : fs::perms::owner_read | fs::perms::owner_write);
    }
    // Bounded wait for another process; generous because CI machines are shared.
    template <typename Condition>
    bool waitFor(Condition condition) {
        for (int i = 0; i < 300; ++i) {
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return condition();
    }

    test::TempFolder temp_{"kovra-companion"};
    const fs::path folder_ = temp_.path();
    // A name of this test run alone (at most 15 characters), so runs never meet.
    std::string name_ = "Mvx" + std::to_string(::getpid() % 1000000) + ".exe";
    RecordingUserInterface ui_;
};

TEST_F(CompanionTest, MissingCompanionIsReportedInItsBoxAndNothingStarts) {
    CompanionProgram companion(folder_, ui_, name_);
    EXPECT_FALSE(companion.start());
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0], std::string("Falha Morvex|Morvex não encontrado. Para maiores "
                                        "informações, consulte seu fornecedor|") +
                                std::to_string(static_cast<int>(MessageIcon::Error)));
    EXPECT_EQ(companion.end(), 0);
}

TEST_F(CompanionTest, CompanionStartsWithItsArgumentAndEndsAtExit) {
    installCompanion(true);
    CompanionProgram companion(folder_, ui_, name_);
    ASSERT_TRUE(companion.start());
    ASSERT_TRUE(waitFor([&] { return fs::exists(folder_ / "args"); }));
    ASSERT_TRUE(waitFor([&] { return processesNamed(name_).size() == 1; }));
    std::ifstream args(folder_ / "args");
    std::string line;
    std::getline(args, line);
    EXPECT_EQ(line, "/kovra");
    EXPECT_TRUE(ui_.boxes.empty());

    // The exit ends it even through another instance that never started it.
    EXPECT_EQ(CompanionProgram(folder_, ui_, name_).end(), 1);
    EXPECT_TRUE(processesNamed(name_).empty());
}

TEST_F(CompanionTest, CompanionThatCannotRunIsRefusedWithoutTheMissingBox) {
    installCompanion(false);
    CompanionProgram companion(folder_, ui_, name_);
    EXPECT_FALSE(companion.start());
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_TRUE(processesNamed(name_).empty());
}

}  // namespace
}  // namespace kovra
