// The privacy list on a real file: loading, matching, applying, cancelling, and a write
// that fails.
#include "recording/privacy_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "temp_folder.h"

namespace kovra {
namespace {

namespace fs = std::filesystem;

class PrivacyListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root_ / "KOVRA-AUTO_BACKUP");
        file_ = root_ / "KOVRA-AUTO_BACKUP" / "ConfigPriv.ini";
    }
    void writeFile(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
    std::string fileText() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    kovra::test::TempFolder temp_{"kovra-priv"};
    const fs::path root_ = temp_.path();
    fs::path file_;
};

TEST_F(PrivacyListTest, LoadsTickedEntriesAsTheActiveListAndMatchesExactly) {
    writeFile(
        "[OUTRA]\r\nx=1\r\n[PRIVACIDADE]\r\n1134567890=1\r\n34567890=0\r\n2199998888=abc\r\n"
        "4733334444=1\r\n[PRIVACIDADE_MANUAL]\r\nchkPermiteManual=0\r\n");
    PrivacyList list(file_);
    list.load();
    EXPECT_EQ(list.entries(), (std::vector<PrivacyEntry>{{"1134567890", true},
                                                         {"34567890", false},
                                                         {"2199998888", false},
                                                         {"4733334444", true}}));
    EXPECT_EQ(list.active(), (std::vector<std::string>{"1134567890", "4733334444"}));
    EXPECT_FALSE(list.permiteManual());
    EXPECT_FALSE(list.applyEnabled());

    struct Case {
        const char* number;
        bool isPrivate;
    };
    for (const Case c : {Case{"1134567890", true}, Case{"34567890", false},  // not ticked
                         Case{"01134567890", false}, Case{"113456789", false}, Case{"", false}}) {
        EXPECT_EQ(list.isPrivate(c.number), c.isPrivate) << c.number;
    }
}

TEST_F(PrivacyListTest, AMissingFileGivesAnEmptyListAndDefaults) {
    PrivacyList list(root_ / "nowhere" / "ConfigPriv.ini");
    list.load();
    EXPECT_TRUE(list.entries().empty());
    EXPECT_TRUE(list.active().empty());
    EXPECT_TRUE(list.permiteManual());
}

TEST_F(PrivacyListTest, ApplyWritesTheListAndOnlyTickedNumbersBecomeActive) {
    writeFile("[OUTRA]\r\nx=1\r\n");
    PrivacyList list(file_);
    list.load();
    EXPECT_FALSE(PrivacyList::acceptsKey('a'));
    EXPECT_TRUE(PrivacyList::acceptsKey('7'));
    EXPECT_TRUE(PrivacyList::acceptsKey('\b'));
    EXPECT_FALSE(list.insert("12a"));
    EXPECT_FALSE(list.insert(""));
    ASSERT_TRUE(list.insert("1134567890"));
    ASSERT_TRUE(list.insert("34567890"));
    ASSERT_TRUE(list.insert("1134567890"));  // equal entries are stored once
    EXPECT_TRUE(list.applyEnabled());
    EXPECT_TRUE(list.active().empty());  // nothing applied yet
    list.setTicked(0, true);
    list.setTicked(2, true);

    EXPECT_EQ(list.apply(), std::nullopt);
    EXPECT_FALSE(list.applyEnabled());
    EXPECT_TRUE(list.isPrivate("1134567890"));
    EXPECT_FALSE(list.isPrivate("34567890"));
    EXPECT_EQ(fileText(),
              "[OUTRA]\r\nx=1\r\n\r\n[PRIVACIDADE]\r\n1134567890=1\r\n34567890=0\r\n"
              "\r\n[PRIVACIDADE_MANUAL]\r\nchkPermiteManual=1\r\n");

    // Untick and remove: the list switches the number off again.
    list.setTicked(0, false);
    list.remove(2);
    list.remove(1);
    EXPECT_EQ(list.apply(), std::nullopt);
    EXPECT_FALSE(list.isPrivate("1134567890"));

    PrivacyList reread(file_);
    reread.load();
    EXPECT_EQ(reread.entries(), (std::vector<PrivacyEntry>{{"1134567890", false}}));
    EXPECT_TRUE(reread.active().empty());
}

TEST_F(PrivacyListTest, AUtf16ListSavedOnWindowsIsReadAndKeptInUtf16) {
    const auto utf16 = [](std::string_view ascii) {
        std::string out = "\xFF\xFE";
        for (const char c : ascii) {
            out += c;
            out += '\0';
        }
        return out;
    };
    writeFile(utf16("; lista\r\n[PRIVACIDADE]\r\n1134567890=1\r\n"));
    PrivacyList list(file_);
    list.load();
    EXPECT_FALSE(list.readProblem());
    EXPECT_TRUE(list.isPrivate("1134567890"));
    ASSERT_TRUE(list.insert("34567890"));
    EXPECT_EQ(list.apply(), std::nullopt);
    EXPECT_EQ(fileText(), utf16("; lista\r\n[PRIVACIDADE]\r\n1134567890=1\r\n34567890=0\r\n"
                                "\r\n[PRIVACIDADE_MANUAL]\r\nchkPermiteManual=1\r\n"));
}

TEST_F(PrivacyListTest, AListThatCannotBeReadAllowsNoRecordingAndIsNeverOverwritten) {
    const std::string binary("[PRIVACIDADE]\0\0\x01", 16);
    writeFile(binary);
    PrivacyList list(file_);
    list.load();
    ASSERT_TRUE(list.readProblem());
    EXPECT_FALSE(list.recordingAllowed());
    list.insert("1134567890");
    list.setTicked(0, true);
    EXPECT_TRUE(list.apply().has_value());
    EXPECT_EQ(fileText(), binary);
}

TEST_F(PrivacyListTest, CancelKeepsTheFileAndTheActiveList) {
    writeFile("[PRIVACIDADE]\r\n1134567890=1\r\n");
    PrivacyList list(file_);
    list.load();
    const std::string before = fileText();
    list.insert("999");
    list.setTicked(1, true);
    list.cancel();
    EXPECT_EQ(fileText(), before);
    EXPECT_EQ(list.active(), (std::vector<std::string>{"1134567890"}));
    EXPECT_EQ(list.entries().size(), 2u);  // shown again on the next opening
}

TEST_F(PrivacyListTest, AFailedWriteKeepsTheTickedNumbersProtectedAndSaysWhy) {
    const fs::path missing = root_ / "no-backup-folder" / "ConfigPriv.ini";
    PrivacyList list(missing);
    list.load();
    list.insert("1134567890");
    list.setTicked(0, true);
    const auto error = list.apply();
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(missing.string()), std::string::npos) << *error;
    EXPECT_TRUE(list.isPrivate("1134567890"));
    EXPECT_TRUE(list.applyEnabled());                 // the user can try again
    EXPECT_FALSE(fs::exists(missing.parent_path()));  // the folder is never created
}

}  // namespace
}  // namespace kovra
