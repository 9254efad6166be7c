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

// A file as Windows leaves it: CRLF, Windows-1252, a duplicate key, comments between the
// keys and at the end, odd spacing, no line end on the last line.
const std::string kWindowsMade =
    "; Kovra\r\n[LINHAS_1e2]\r\nLineName1 = S\xe3o Jos\xe9\r\nVolume=25\r\n"
    "; the second Volume is ignored\r\nVolume=80\r\n\r\n[GLOBAL]\r\nDDDLocal=11\r\n"
    "; end of file";

TEST_F(IniFileTest, AFileKeepsItsFormExceptForTheValuesWritten) {
    writeFile(path, kWindowsMade);
    IniFile ini(path);
    EXPECT_EQ(ini.readString("LINHAS_1e2", "LineName1", ""), "São José");
    EXPECT_EQ(ini.readInteger("LINHAS_1e2", "Volume", 0), 25) << "the first duplicate counts";
    EXPECT_EQ(ini.sectionKeys("LINHAS_1e2"), (std::vector<std::string>{"LineName1", "Volume"}));

    EXPECT_FALSE(ini.writeInteger("LINHAS_1e2", "Volume", 30));
    EXPECT_FALSE(ini.writeString("LINHAS_1e2", "LineName2", "Recepção"));
    EXPECT_FALSE(ini.writeString("MORVEX", "chkAtivarMorvex", "0"));
    EXPECT_EQ(readFile(path),
              "; Kovra\r\n[LINHAS_1e2]\r\nLineName1 = S\xe3o Jos\xe9\r\nVolume=30\r\n"
              "; the second Volume is ignored\r\nVolume=80\r\nLineName2=Recep\xe7\xe3o\r\n"
              "\r\n[GLOBAL]\r\nDDDLocal=11\r\n; end of file\r\n\r\n[MORVEX]\r\n"
              "chkAtivarMorvex=0\r\n");
    EXPECT_FALSE(ini.deleteKey("LINHAS_1e2", "volume"));
    EXPECT_EQ(ini.readInteger("LINHAS_1e2", "Volume", 0), 80);
}

TEST_F(IniFileTest, EachEncodingIsReadAndWrittenBackAsItCame) {
    struct Case {
        const char* name;
        std::string bytes;    // "[S]\r\nName=Ação\r\n" in the encoding
        std::string written;  // after Name := "Ré", Volume := 1
    };
    const auto utf16 = [](const std::u16string& text, bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t u : text) {
            const char hi = static_cast<char>(u >> 8);
            const char lo = static_cast<char>(u & 0xFF);
            out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return out;
    };
    const std::u16string before = u"[S]\r\nName=Ação\r\n";
    const std::u16string after = u"[S]\r\nName=Ré\r\nVolume=1\r\n";
    const std::vector<Case> cases = {
        {"UTF-8", "[S]\r\nName=Ação\r\n", "[S]\r\nName=Ré\r\nVolume=1\r\n"},
        {"UTF-8 with its mark", "\xEF\xBB\xBF[S]\r\nName=Ação\r\n",
         "\xEF\xBB\xBF[S]\r\nName=Ré\r\nVolume=1\r\n"},
        {"Windows-1252", "[S]\r\nName=A\xe7\xe3o\r\n", "[S]\r\nName=R\xe9\r\nVolume=1\r\n"},
        {"the UTF-8 mark before Windows-1252", "\xEF\xBB\xBF[S]\r\nName=A\xe7\xe3o\r\n",
         "\xEF\xBB\xBF[S]\r\nName=R\xe9\r\nVolume=1\r\n"},
        {"UTF-16 LE", utf16(before, false), utf16(after, false)},
        {"UTF-16 BE", utf16(before, true), utf16(after, true)},
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        IniFile ini(path);
        EXPECT_EQ(ini.readString("S", "Name", ""), "Ação") << c.name;
        EXPECT_FALSE(ini.writeString("S", "Name", "Ré")) << c.name;
        EXPECT_FALSE(ini.writeInteger("S", "Volume", 1)) << c.name;
        EXPECT_EQ(readFile(path), c.written) << c.name;
    }
}

TEST_F(IniFileTest, AValueWrittenAsItStandsLeavesTheFileUntouched) {
    writeFile(path, "[S]\nk = 5\nname=x\n");
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(path, old);
    IniFile ini(path);
    EXPECT_FALSE(ini.writeInteger("S", "k", 5));
    EXPECT_FALSE(ini.writeString("s", "NAME", "x"));
    EXPECT_FALSE(ini.deleteKey("S", "missing"));
    EXPECT_EQ(fs::last_write_time(path), old);
    EXPECT_EQ(readFile(path), "[S]\nk = 5\nname=x\n");
}

TEST_F(IniFileTest, AFileThatIsNotTextIsNamedReadAsEmptyAndNeverOverwritten) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"UTF-16 without its mark", std::string("[\0S\0]\0\r\0\n\0k\0=\0\x31\0", 16)},
        {"binary", std::string("\x7f"
                               "ELF\x02\x01\x01\0\0\0",
                               10)},
        {"UTF-16 cut in half a character", "\xFF\xFE[\0S\0]"},
        {"UTF-16 with a lone surrogate", std::string("\xFF\xFE\x00\xD8[\0", 6)},
        {"control bytes", "[S]\nk=1\x02\x03\n"},
    };
    for (const auto& [name, bytes] : cases) {
        writeFile(path, bytes);
        IniFile ini(path);
        EXPECT_EQ(ini.readInteger("S", "k", 7), 7) << name;
        EXPECT_TRUE(ini.readProblem()) << name;
        const IniWriteResult error = ini.writeInteger("S", "k", 4);
        ASSERT_TRUE(error) << name;
        EXPECT_NE(error->describe().find("Config.ini"), std::string::npos);
        EXPECT_EQ(readFile(path), bytes) << name;
    }
    writeFile(path, "");
    EXPECT_FALSE(IniFile(path).readProblem()) << "an empty file is an empty profile";
}

TEST_F(IniFileTest, NoWriteCanAddALineOfItsOwn) {
    writeFile(path, "[S]\nk=1\n");
    IniFile ini(path);
    EXPECT_TRUE(ini.writeString("S", "k", "2\n[GLOBAL]\nIconVisible=0"));
    EXPECT_TRUE(ini.writeString("S", "a=b", "1"));
    EXPECT_TRUE(ini.writeString("S]\r", "k", "1"));
    EXPECT_EQ(readFile(path), "[S]\nk=1\n");
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
