#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "settings_test_support.h"

namespace kovra::settings {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
  protected:
    TempFolder folder;
    fs::path path = folder.path() / "Config.ini";
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsCreatedByTheFirstWrite) {
    IniFile ini(path);
    EXPECT_EQ(ini.readString("S", "k", "dflt"), "dflt");
    EXPECT_EQ(ini.readInteger("S", "k", 7), 7);
    EXPECT_TRUE(ini.readBool("S", "k", true));
    EXPECT_FALSE(ini.sectionExists("S"));
    EXPECT_FALSE(fs::exists(path));

    EXPECT_FALSE(ini.writeInteger("S", "k", 5));
    EXPECT_EQ(readFile(path), "[S]\nk=5\n");
}

TEST_F(IniFileTest, WritesReplaceInPlaceAppendKeysToTheirSectionAndSectionsToTheEnd) {
    writeFile(path, "; kept comment\n\n[One]\nA=1\nB=2\n\n[Two]\nC=3\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.writeString("ONE", "a", "10"));  // names match without regard to case
    EXPECT_FALSE(ini.writeString("one", "New", "x"));
    EXPECT_FALSE(ini.writeString("Three", "D", "4"));
    EXPECT_EQ(readFile(path),
              "; kept comment\n\n[One]\nA=10\nB=2\nNew=x\n\n[Two]\nC=3\n\n[Three]\nD=4\n");
    EXPECT_EQ(ini.sectionKeys("one"), (std::vector<std::string>{"A", "B", "New"}));
    EXPECT_EQ(ini.readString("tWo", "c", ""), "3");
}

TEST_F(IniFileTest, IntegersAndBooleansReadAsTheRulesSay) {
    struct Case {
        const char* stored;
        int integer;   // read with default -1
        bool boolean;  // read with default true
    };
    const Case cases[] = {
        {"16", 16, true}, {"0x10", 16, true}, {"0X1f", 31, true},        {" 12 ", 12, true},
        {"-5", -5, true}, {"0", 0, false},    {"abc", -1, true},         {"12abc", -1, true},
        {"", -1, true},   {"0x", -1, true},   {"99999999999", -1, true},
    };
    std::string text = "[N]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        text += "k" + std::to_string(i) + "=" + cases[i].stored + "\n";
    }
    writeFile(path, text);
    const IniFile ini(path);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string key = "k" + std::to_string(i);
        EXPECT_EQ(ini.readInteger("N", key, -1), cases[i].integer) << cases[i].stored;
        EXPECT_EQ(ini.readBool("N", key, true), cases[i].boolean) << cases[i].stored;
    }
}

TEST_F(IniFileTest, BooleansAreWrittenAsOneAndZero) {
    IniFile ini(path);
    EXPECT_FALSE(ini.writeBool("B", "on", true));
    EXPECT_FALSE(ini.writeBool("B", "off", false));
    EXPECT_EQ(readFile(path), "[B]\non=1\noff=0\n");
}

TEST_F(IniFileTest, SectionWithoutKeysCountsAsMissing) {
    writeFile(path, "[Empty]\n[Full]\nx=1\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.sectionExists("Empty"));
    EXPECT_TRUE(ini.sectionExists("full"));
    EXPECT_FALSE(ini.deleteKey("Full", "X"));
    EXPECT_FALSE(ini.sectionExists("Full"));
    EXPECT_TRUE(ini.sectionKeys("Full").empty());
}

TEST_F(IniFileTest, EraseSectionRemovesHeaderAndKeysAndNothingElse) {
    writeFile(path, "[A]\nx=1\n\n[B]\ny=2\nz=3\n\n[C]\nw=4\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.eraseSection("b"));
    EXPECT_EQ(readFile(path), "[A]\nx=1\n\n[C]\nw=4\n");
    EXPECT_FALSE(ini.eraseSection("Missing"));
    EXPECT_FALSE(ini.deleteKey("A", "missing"));
    EXPECT_EQ(readFile(path), "[A]\nx=1\n\n[C]\nw=4\n");
}

TEST_F(IniFileTest, Windows1252FileIsReadAndRewrittenAsUtf8) {
    writeFile(path, "[LINHAS_1e2]\nLineName1=S\xe3o Jos\xe9\nLineName2=\x80 caf\xe9\n");
    IniFile ini(path);
    EXPECT_EQ(ini.readString("LINHAS_1e2", "LineName1", ""), "São José");
    EXPECT_EQ(ini.readString("LINHAS_1e2", "LineName2", ""), "€ café");
    EXPECT_FALSE(ini.writeString("LINHAS_1e2", "Volume", "25"));
    EXPECT_EQ(readFile(path), "[LINHAS_1e2]\nLineName1=São José\nLineName2=€ café\nVolume=25\n");
}

TEST_F(IniFileTest, Utf8FileIsReadAsItIs) {
    writeFile(path, "[S]\nName=Gravação\n");
    EXPECT_EQ(IniFile(path).readString("S", "name", ""), "Gravação");
}

TEST_F(IniFileTest, ChangesMadeByAnotherProgramAreSeen) {
    IniFile ini(path);
    EXPECT_FALSE(ini.writeInteger("S", "k", 1));
    writeFile(path, "[S]\nk=2\nmore=3\n");
    EXPECT_EQ(ini.readInteger("S", "k", 0), 2);
    EXPECT_EQ(ini.readInteger("S", "more", 0), 3);
}

TEST_F(IniFileTest, FailedWriteNamesFileAndReasonAndKeepsTheValueForTheNextWrite) {
    // A file where the folder should be: not even root can create files inside it.
    const fs::path blocker = folder.path() / "blocked";
    writeFile(blocker, "x");
    IniFile ini(blocker / "Config.ini");

    const IniWriteResult error = ini.writeInteger("S", "Volume", 40);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->file, blocker / "Config.ini");
    EXPECT_FALSE(error->reason.empty());
    EXPECT_NE(error->describe().find("Config.ini"), std::string::npos);
    EXPECT_TRUE(ini.hasUnsavedChanges());
    EXPECT_EQ(ini.readInteger("S", "Volume", 0), 40);

    fs::remove(blocker);
    fs::create_directory(blocker);
    EXPECT_FALSE(ini.flush());
    EXPECT_FALSE(ini.hasUnsavedChanges());
    EXPECT_EQ(readFile(blocker / "Config.ini"), "[S]\nVolume=40\n");
}

TEST_F(IniFileTest, ExistingFileThatCannotBeReadIsNeverOverwritten) {
    fs::create_directory(path);  // a folder in the file's place
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("S", "k", 3), 3);
    EXPECT_TRUE(ini.writeInteger("S", "k", 4));
    EXPECT_TRUE(fs::is_directory(path));
}

}  // namespace
}  // namespace kovra::settings
