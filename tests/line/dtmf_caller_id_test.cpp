// DTMF and FSK caller ID on a pair: state and relayed texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "line/date_texts.h"
#include "line_test_support.h"
#include "temp_folder.h"

namespace kovra::line::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::vector<std::string> dataBlock(int n, const std::string& init, const std::string& opr,
                                   const std::string& area, const std::string& phone,
                                   const std::string& name, const std::string& city,
                                   const std::string& time, const std::string& end,
                                   TimePoint date) {
    return {"DATA_FILTER_ID_INIT->" + init,
            "DATA_CHANNEL->" + std::to_string(n),
            "DATA_DATE->" + shortDateText(date),
            "DATA_OPR->" + opr,
            "DATA_CODAREA->" + area,
            "DATA_PHONE->" + phone,
            "DATA_NAME->" + name,
            "DATA_CITY->" + city,
            "DATA_COUNTRY->??",
            "DATA_TIME_INIT->" + time,
            "DATA_TIME_END->",
            "DATA_TIME_DURACTION->",
            "DATA_CEP->",
            "DATA_EMAIL->",
            "DATA_FILTER_ID_END->" + end};
}

TEST(DtmfCallerId, LoudSequenceIdentifiesTheCaller) {
    PairFixture f(1);
    f.shared(1).StartTime = f.loop.now();
    f.logic->WaveViewPeak(1, -10.0F);
    f.dtmf(1, "A");
    EXPECT_EQ(f.logic->statusText(1), "BINAGEM");
    EXPECT_EQ(f.line(1).Status, LineStatus::Identifying);
    EXPECT_TRUE(f.line(1).CallerIdActive);
    f.dtmf(1, "1123456789C");

    const LineChannel& c = f.line(1);
    EXPECT_EQ(c.Status, LineStatus::Ready);
    EXPECT_EQ(f.logic->Edit2, "A1123456789C");  // FormatBina got the shown sequence
    EXPECT_EQ(c.EdSeq, "1(19)12345-6789");
    EXPECT_EQ(c.IndexPhone, "19123456789");
    EXPECT_EQ(f.shared(1).LastIdentified, "1(19)12345-6789");
    EXPECT_EQ(c.lbReservaBL, "12345-6789");

    std::vector<std::string> expected = {"L1_DMTFKEY_INIT->A"};
    for (const char key : std::string("1123456789C")) {
        expected.push_back(std::string("L1_DMTFKEY->") + key);
    }
    expected.insert(expected.end(),
                    {"L1_CALLER_DTMF->", "L1_NUMBER_FORMAT_DTMF->1(19)12345-6789",
                     "L1_INDEX_PHONE->19123456789", "L1_DETECT_PHONE->11912345-6789"});
    const auto block =
        dataBlock(1, "", "00", "19", "12345-6789", "Desconhecido-19123456789",
                  "N\xC3\xA3o cadastrada", longTimeText(f.loop.now()), "Recebida", f.loop.now());
    expected.insert(expected.end(), block.begin(), block.end());
    EXPECT_THAT(f.relay.texts(), ElementsAreArray(expected));
}

TEST(DtmfCallerId, StartTimeIsThisCallsRecordingOrTheTimeOfTheRecord) {
    struct Case {
        const char* name;
        bool recording;
        bool keepsStart;
        bool expectStart;
    };
    const Case cases[] = {
        {"recording in progress", true, true, true},
        {"start left by an earlier call", false, true, false},
        {"line keeps no start time", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PairFixture f(1);
        const TimePoint start = f.loop.now();
        f.loop.advance(std::chrono::minutes(10));
        f.shared(1).Recording = c.recording;
        if (c.keepsStart) {
            f.shared(1).StartTime = start;
        }
        f.logic->WaveViewPeak(1, -10.0F);
        f.dtmf(1, "A1123456789C");
        const std::string expected =
            "DATA_TIME_INIT->" + longTimeText(c.expectStart ? start : f.loop.now());
        const auto texts = f.relay.texts();
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end());
    }
}

TEST(DtmfCallerId, QuietSequenceIsOnlyLogged) {
    PairFixture f(1);
    f.logic->WaveViewPeak(1, -25.0F);
    f.shared(1).StartArmed = true;
    f.recording.s(1).startTimerRunning = true;
    f.dtmf(1, "A1123456789C");

    const LineChannel& c = f.line(1);
    EXPECT_EQ(c.edTodos, "A1123456789C");
    EXPECT_FALSE(f.shared(1).StartArmed);
    EXPECT_FALSE(f.recording.s(1).startTimerRunning);
    EXPECT_EQ(c.Status, LineStatus::DialTone);
    EXPECT_FALSE(c.CallerIdActive);
    EXPECT_EQ(c.DtmfRaw, "");
    EXPECT_EQ(c.EdSeq, "");
    EXPECT_EQ(f.logic->statusText(1), "");
    EXPECT_THAT(f.relay.texts(), IsEmpty());
}

TEST(DtmfCallerId, LeadingZeroTurnsIntoCallerIdStart) {
    PairFixture f(1);
    f.logic->WaveViewPeak(1, -10.0F);
    f.dtmf(1, "0");
    EXPECT_EQ(f.line(1).EdSeq, "0");
    f.dtmf(1, "1");  // the second symbol after a "0" is taken as the "A"
    EXPECT_EQ(f.logic->statusText(1), "BINAGEM");
    EXPECT_EQ(f.line(1).DtmfRaw, "A");
    EXPECT_EQ(f.relay.texts().back(), "L1_DMTFKEY_INIT->A");

    // Pairs 2 and 3 have no such substitution.
    PairFixture g(2);
    g.logic->WaveViewPeak(1, -10.0F);
    g.dtmf(1, "01");
    EXPECT_EQ(g.line(1).Status, LineStatus::Dialling);
    EXPECT_EQ(g.line(1).EdSeq, "01");
}

TEST(DtmfCallerId, CarrierZeroIsDroppedFromTheCallerNumber) {
    PairFixture f(1);
    f.logic->WaveViewPeak(1, -10.0F);
    f.dtmf(1, "A01123456789C");
    EXPECT_EQ(f.line(1).IndexPhone, "19123456789");
    EXPECT_EQ(f.line(1).EdSeq, "1(19)12345-6789");
}

TEST(DtmfCallerId, SecondCallerIdIsKeptApartUntilItsEnd) {
    PairFixture f(1);
    f.logic->WaveViewPeak(1, -10.0F);
    f.dtmf(1, "A1123456789C");
    ASSERT_EQ(f.line(1).IndexPhone, "19123456789");
    f.shared(1).Recording = true;
    f.recording.calls.clear();

    f.dtmf(1, "A113456789");
    const LineChannel& c = f.line(1);
    EXPECT_TRUE(c.SecondId);
    EXPECT_EQ(c.SecondIdDigits, "A113456789");
    EXPECT_EQ(c.IndexPhone, "19123456789");
    EXPECT_EQ(c.CallType, "1");
    EXPECT_EQ(c.Status, LineStatus::Ready);
    EXPECT_THAT(f.recording.calls, IsEmpty());

    f.relay.sent.clear();
    f.dtmf(1, "0C");
    EXPECT_FALSE(c.SecondId);
    EXPECT_EQ(c.SecondIdDigits, "");
    EXPECT_EQ(c.Status, LineStatus::Ready);
    EXPECT_TRUE(c.CallerIdActive);
    EXPECT_EQ(c.IndexPhone, "19134567890");
    EXPECT_THAT(f.recording.calls, ElementsAre("Stop1", "Clear1"));
    EXPECT_EQ(f.relay.texts().at(1), "L1_CALLER_DTMF->");
    EXPECT_EQ(f.relay.texts().at(2), "L1_NUMBER_FORMAT_DTMF->1(19)13456-7890");
}

TEST(DtmfCallerId, EvenLineStartsWithAPlainKeyEvent) {
    PairFixture f(1);
    f.logic->WaveViewPeak(2, -10.0F);
    f.dtmf(2, "A");
    EXPECT_THAT(f.relay.texts(), ElementsAre("L2_DMTFKEY->A"));
}

TEST(DtmfCallerId, PairsTwoAndThreeGateByLevelFirst) {
    struct Case {
        int k;
        float level;
        bool taken;
    };
    const Case cases[] = {
        {1, -15.0F, true}, {1, -16.0F, false}, {2, -10.0F, true}, {2, -11.0F, false}};
    for (const Case& c : cases) {
        PairFixture f(3);
        f.logic->WaveViewPeak(c.k, c.level);
        f.shared(c.k).StartArmed = true;
        f.dtmf(c.k, "A");
        EXPECT_EQ(f.line(c.k).Status == LineStatus::Identifying, c.taken) << c.k << " " << c.level;
        // A symbol below the gate changes nothing at all, not even a pending start.
        EXPECT_EQ(f.shared(c.k).StartArmed, !c.taken);
        if (c.taken) {
            const std::string n = std::to_string(4 + c.k);
            EXPECT_EQ(f.relay.texts().at(0),
                      c.k == 1 ? "L" + n + "_DMTFKEY_INIT->A" : "L" + n + "_DMTFKEY->A");
        }
    }
}

struct FskCase {
    bool noType;
    const char* callType;
    const char* area;
    const char* display;
    const char* index;
};

TEST(FskCallerId, FormatsWithAndWithoutCallType) {
    const FskCase cases[] = {{false, "1", "19", "12345-6789", "19123456789"},
                             {true, "8", "11", "2345-6789", "1123456789"}};
    for (const FskCase& fc : cases) {
        PairFixture f(1);
        f.logic->options().chkTipoL[0] = fc.noType;
        f.logic->PTDecoderCallerID(1, "FULANO", "1123456789", "12101405");
        const LineChannel& c = f.line(1);
        EXPECT_EQ(c.CallType, fc.callType);
        EXPECT_EQ(c.AreaCode, fc.area);
        EXPECT_EQ(c.NumberDisplay, fc.display);
        EXPECT_EQ(c.IndexPhone, fc.index);
        EXPECT_TRUE(c.CallerIdActive);
        EXPECT_EQ(c.EdFskNome, "FULANO");
        EXPECT_EQ(c.EdfskData, "12101405");
        const std::string shown = std::string(fc.callType) + "(" + fc.area + ")" + fc.display;
        EXPECT_EQ(c.EdFskFone, shown);
        const auto texts = f.relay.texts();
        ASSERT_EQ(texts.size(), 4U + 15U);
        EXPECT_THAT(
            std::vector<std::string>(texts.begin(), texts.begin() + 4),
            ElementsAre("L1_CALLER_FSK->", "L1_NUMBER_FORMAT_FSK->" + shown,
                        std::string("L1_INDEX_PHONE->") + fc.index,
                        std::string("L1_DETECT_PHONE->") + fc.callType + fc.area + fc.display));
        EXPECT_EQ(texts.back(), "DATA_FILTER_ID_END->Recebida");
    }
}

TEST(FskCallerId, RecordingKeepsTheNumberNotTheEvenLineMarker) {
    for (const int pair : {1, 2}) {
        for (const int k : {1, 2}) {
            SCOPED_TRACE("pair " + std::to_string(pair) + " line " + std::to_string(k));
            PairFixture f(pair);
            f.logic->PTDecoderCallerID(k, "FULANO", "1123456789", "12101405");
            EXPECT_EQ(f.line(k).EdSeq, k == 2 ? "A" : "");
            EXPECT_EQ(f.shared(k).LastIdentified, "");
            EXPECT_EQ(f.line(k).NumberDisplay, "12345-6789");
        }
    }
}

TEST(FskCallerId, EvenLineIgnoredOnAOneLineInput) {
    PairFixture f(1);
    f.logic->setLinesOnInput(1);
    f.logic->PTDecoderCallerID(2, "", "1123456789", "");
    EXPECT_FALSE(f.line(2).CallerIdActive);
    EXPECT_THAT(f.relay.texts(), IsEmpty());
}

TEST(FskCallerId, EuropeanNumbersAreRelayedRawOnPairsTwoAndThree) {
    PairFixture f(2);
    f.logic->options().chkEuropa[1] = true;
    f.logic->PTDecoderCallerID(2, "", "+44 20 7946 0018", "");
    EXPECT_EQ(f.line(2).EdFskFone, "+44 20 7946 0018");
    EXPECT_THAT(f.relay.texts(),
                ElementsAre("L4_CALLER_FSK->", "L4_INDEX_PHONE->+44 20 7946 0018"));

    // Characters that steer the receivers never reach the wire.
    f.relay.sent.clear();
    f.logic->PTDecoderCallerID(2, "", "0044~20|7946", "");
    EXPECT_EQ(f.relay.texts().at(1), "L4_INDEX_PHONE->0044-20-7946");

    PairFixture g(1);  // pair 1 has no such option
    g.logic->options().chkEuropa[1] = true;
    g.logic->PTDecoderCallerID(2, "", "1123456789", "");
    EXPECT_EQ(g.relay.texts().at(1), "L2_NUMBER_FORMAT_FSK->1(19)12345-6789");
}

TEST(FskCallerId, PrivacyListMarksEveryMatchingLineOfThePair) {
    PairFixture f(1);
    f.privacy = {"19123456789"};
    f.logic->PTDecoderCallerID(1, "", "1123456789", "");
    EXPECT_TRUE(f.line(1).PrivateMark);
    f.logic->PTDecoderCallerID(1, "", "1134567890", "");
    EXPECT_FALSE(f.line(1).PrivateMark);
}

class CallerIdFile : public ::testing::Test {
  protected:
    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    kovra::test::TempFolder temp_{"kovra-line"};
    const std::filesystem::path dir = temp_.path();
};

TEST_F(CallerIdFile, HoldsTheLastIdentifiedNumberOnly) {
    PairFixture f(2);
    f.logic->options().CheckTexto = true;
    f.fileNames = {(dir / "BinaLinha3.txt").string(), (dir / "BinaLinha4.txt").string()};
    f.logic->PTDecoderCallerID(1, "", "1123456789", "");
    EXPECT_EQ(read(dir / "BinaLinha3.txt"), "19123456789\r\n");
    // The name is read at each write: a changed name applies to the next call.
    f.fileNames[0] = (dir / "renamed.txt").string();
    f.logic->PTDecoderCallerID(1, "", "1134567890", "");
    EXPECT_EQ(read(dir / "renamed.txt"), "19134567890\r\n");
    f.logic->PTDecoderCallerID(1, "", "1145678901", "");
    EXPECT_EQ(read(dir / "renamed.txt"), "19145678901\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "BinaLinha4.txt"));
}

TEST_F(CallerIdFile, UncheckedOrUnwritableLeavesTheCallAlone) {
    PairFixture f(1);
    f.fileNames = {(dir / "a.txt").string(), (dir / "b.txt").string()};
    f.logic->PTDecoderCallerID(1, "", "1123456789", "");
    EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));

    f.logic->options().CheckTexto = true;
    f.fileNames[0] = (dir / "missing-folder" / "a.txt").string();
    f.relay.sent.clear();
    f.logic->PTDecoderCallerID(1, "", "1123456789", "");
    EXPECT_EQ(f.line(1).IndexPhone, "19123456789");
    EXPECT_EQ(f.relay.texts().size(), 4U + 15U);
}

}  // namespace
}  // namespace kovra::line::test
