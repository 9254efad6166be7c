// Dialled numbers: pair 1's time-out and pairs 2 and 3's per-digit classification.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "line/date_texts.h"
#include "line_test_support.h"

namespace kovra::line::test {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Eq;
using ::testing::IsEmpty;
using ::testing::Not;

// Dial tone taken on side k, then the digits at a good level.
void dial(PairFixture& f, int k, const std::string& digits) {
    f.logic->WaveViewPeak(k, -10.0F);
    f.logic->PTDecoderToneDetected(k, 1);
    f.logic->PTDecoderToneDetected(k, 1);
    ASSERT_EQ(f.line(k).Status, LineStatus::DialTone);
    f.relay.sent.clear();
    f.dtmf(k, digits);
}

TEST(DialledNumberPair1, AcceptedOnTheFifthTickAfterTheLastDigit) {
    PairFixture f(1);
    dial(f, 1, "1123456789");
    EXPECT_EQ(f.logic->statusText(1), "DISCANDO...");
    EXPECT_EQ(f.line(1).Status, LineStatus::Dialling);
    EXPECT_TRUE(f.logic->digitTimerRunning(1));
    f.relay.sent.clear();

    f.loop.advance(Millis(4999));
    EXPECT_FALSE(f.line(1).DialledAccepted);
    f.loop.advance(Millis(1));
    const LineChannel& c = f.line(1);
    EXPECT_TRUE(c.DialledAccepted);
    EXPECT_FALSE(f.logic->digitTimerRunning(1));
    EXPECT_EQ(c.OperatorCode, "00");
    EXPECT_EQ(c.DialArea, "11");
    EXPECT_EQ(c.DialNumber, "2345-6789");
    EXPECT_EQ(c.DialFull, "1123456789");
    EXPECT_EQ(c.EdSeq, "2345-6789");
    EXPECT_THAT(f.shared(1).DialMarks, Each(Eq(".")));
    // The odd line of pair 1 sends no call record for a made call.
    EXPECT_THAT(f.relay.texts(), ElementsAre("L1_NUMBER_FORMAT_DTMF->(11)2345-6789"));
    EXPECT_THAT(f.recording.calls, ElementsAre("Start1"));
}

TEST(DialledNumberPair1, EvenLineWaitsSevenTicksAndSendsTheRecord) {
    PairFixture f(1);
    f.logic->options().chkNumeroDiscado = false;  // not needed on this line
    dial(f, 2, "34567890");
    f.relay.sent.clear();
    f.loop.advance(Millis(6000));
    EXPECT_FALSE(f.line(2).DialledAccepted);
    f.loop.advance(Millis(1000));
    ASSERT_TRUE(f.line(2).DialledAccepted);
    const auto texts = f.relay.texts();
    ASSERT_EQ(texts.size(), 17U);
    EXPECT_EQ(texts[0], "DATA_FILTER_ID_INIT->E");
    EXPECT_EQ(texts[1], "DATA_CHANNEL->2");
    EXPECT_EQ(texts[3], "DATA_OPR->00");
    EXPECT_EQ(texts[4], "DATA_CODAREA->19");
    EXPECT_EQ(texts[5], "DATA_PHONE->3456-7890");
    EXPECT_EQ(texts[6], "DATA_NAME->Desconhecido-1934567890");
    EXPECT_EQ(texts[14], "DATA_FILTER_ID_END->Efetuada");
    EXPECT_EQ(texts[15], "L2_STATUS_DIALLING->");
    EXPECT_EQ(texts[16], "L2_NUMBER_FORMAT_DTMF->(19)3456-7890");
}

TEST(DialledNumberPair1, SplitsByLength) {
    struct Case {
        int k;
        const char* digits;
        const char* op;
        const char* area;
        const char* number;
    };
    const Case cases[] = {
        {1, "123456789", "00", "19", "12345-6789"},
        {2, "123456789", "00", "19", "1-2345-6789"},
        {1, "151134567890", "15", "11", "3456-7890"},
        {1, "1511934567890", "15", "11", "93456-7890"},
        {1, "11934567890", "00", "19", "11934567890"},  // 11 digits: taken whole
    };
    for (const Case& c : cases) {
        PairFixture f(1);
        dial(f, c.k, c.digits);
        f.loop.advance(Millis(7000));
        const LineChannel& l = f.line(c.k);
        EXPECT_TRUE(l.DialledAccepted) << c.digits;
        EXPECT_EQ(l.OperatorCode, c.op) << c.digits;
        EXPECT_EQ(l.DialArea, c.area) << c.digits;
        EXPECT_EQ(l.DialNumber, c.number) << c.digits;
    }
}

TEST(DialledNumberPair1, NewDigitRestartsTheTimeOut) {
    PairFixture f(1);
    dial(f, 1, "11234567");
    f.loop.advance(Millis(4000));
    f.dtmf(1, "89");
    f.loop.advance(Millis(4000));
    EXPECT_FALSE(f.line(1).DialledAccepted);
    f.loop.advance(Millis(1000));
    EXPECT_EQ(f.line(1).DialNumber, "2345-6789");
}

TEST(DialledNumberPair1, SpecialPrefixesAreNeverAccepted) {
    struct Case {
        const char* digits;
        bool accepted;
    };
    const Case cases[] = {{"08001234567", false}, {"07001234567", false}, {"01123456789", true}};
    for (const Case& c : cases) {
        PairFixture f(1);
        f.logic->WaveViewPeak(1, -10.0F);
        // After an identified call the raw sequence is long, so a leading "0" is dialled
        // as a digit rather than taken as the start of a caller ID.
        f.logic->PTDecoderCallerID(1, "", "1134567890", "");
        f.logic->LimpaTudo(1);
        f.relay.sent.clear();
        f.dtmf(1, c.digits);
        f.loop.advance(Millis(10000));
        EXPECT_EQ(f.line(1).DialledAccepted, c.accepted) << c.digits;
        EXPECT_EQ(f.line(1).SpecialPrefix, !c.accepted) << c.digits;
        if (c.accepted) {
            EXPECT_THAT(f.relay.texts(), Contains("L1_NUMBER_FORMAT_DTMF->(11)2345-6789"));
        } else {
            EXPECT_THAT(f.relay.texts(), Not(Contains(::testing::StartsWith("L1_NUMBER_FORMAT"))));
        }
    }
}

TEST(DialledNumberPair1, RecordingLineGetsARenameTargetInsteadOfAStart) {
    PairFixture f(1);
    dial(f, 1, "1123456789");
    f.shared(1).Recording = true;
    f.loop.advance(Millis(5000));
    EXPECT_EQ(f.shared(1).RenameTarget,
              "/rec/Linha/" + fileTimeText(f.loop.now()) + "-EFETUADA-(11)2345-6789.mp3");
    EXPECT_THAT(f.recording.calls, IsEmpty());
}

TEST(DialledNumberPair1, NoDialledNumberWhileACallerIdIsActive) {
    PairFixture f(1);
    f.logic->WaveViewPeak(1, -10.0F);
    f.logic->PTDecoderCallerID(1, "", "1134567890", "");
    f.dtmf(1, "1123456789");
    EXPECT_FALSE(f.logic->digitTimerRunning(1));
}

struct ClassifyCase {
    const char* digits;
    const char* formatted;  // last NUMBER_FORMAT_DTMF text, "" when never classified
};

TEST(DialledNumberPairs2And3, ClassifiedInsideTheHandler) {
    const ClassifyCase cases[] = {
        {"34567890", "L3_NUMBER_FORMAT_DTMF->(19)34567890"},
        {"98765432", "L3_NUMBER_FORMAT_DTMF->(19)98765432"},
        {"31834567", ""},
        {"1198765432", "L3_NUMBER_FORMAT_DTMF->(11)98765432"},
        {"1123456789", ""},
        {"211198765432", "L3_NUMBER_FORMAT_DTMF->21(11)98765432"},
    };
    for (const ClassifyCase& c : cases) {
        PairFixture f(2);
        dial(f, 1, c.digits);
        std::string last;
        for (const auto& t : f.relay.texts()) {
            if (t.rfind("L3_NUMBER_FORMAT_DTMF->", 0) == 0) {
                last = t;
            }
        }
        EXPECT_EQ(last, c.formatted) << c.digits;
        EXPECT_EQ(f.line(1).RearmState == MadeCallRearm::CallRuns, *c.formatted != '\0')
            << c.digits;
    }
}

TEST(DialledNumberPairs2And3, ClassifiedNumberSendsTheMadeCallRecord) {
    PairFixture f(3);
    dial(f, 2, "34567890");
    const auto texts = f.relay.texts();
    ASSERT_GE(texts.size(), 17U);
    const std::vector<std::string> tail(texts.end() - 17, texts.end());
    EXPECT_EQ(tail[0], "DATA_FILTER_ID_INIT->");
    EXPECT_EQ(tail[1], "DATA_CHANNEL->6");
    EXPECT_EQ(tail[2], "DATA_DATE->" + shortDateText(f.loop.now()));
    EXPECT_EQ(tail[3], "DATA_OPR->00");
    EXPECT_EQ(tail[4], "DATA_CODAREA->19");
    EXPECT_EQ(tail[5], "DATA_PHONE->34567890");
    EXPECT_EQ(tail[6], "DATA_NAME->Desconhecido-1934567890");
    EXPECT_EQ(tail[14], "DATA_FILTER_ID_END->Efetuada");
    EXPECT_EQ(tail[15], "L6_STATUS_DIALLING->");
    EXPECT_EQ(tail[16], "L6_NUMBER_FORMAT_DTMF->(19)34567890");
    EXPECT_EQ(f.line(2).lbTom, "Rearme");
    EXPECT_EQ(f.line(2).lbReservaFL, "34567890");
}

TEST(DialledNumberPairs2And3, PrivateDialledNumberIsNotClassified) {
    PairFixture f(2);
    f.privacy = {"34567890"};
    dial(f, 1, "34567890");
    EXPECT_TRUE(f.line(1).PrivateMark);
    EXPECT_EQ(f.line(1).RearmState, MadeCallRearm::Off);
    EXPECT_THAT(f.relay.texts(), Not(Contains(::testing::StartsWith("DATA_"))));
}

TEST(DialledNumberPairs2And3, ClassificationStopsAYoungRecording) {
    PairFixture f(2);
    f.shared(1).Recording = true;
    f.recording.s(1).elapsed = 5;
    dial(f, 1, "34567890");
    EXPECT_THAT(f.recording.calls, Contains("Stop1"));
}

TEST(DialledNumberPairs2And3, RearmToneEndsTheMadeCall) {
    PairFixture f(2);
    dial(f, 1, "34567890");
    ASSERT_EQ(f.line(1).RearmState, MadeCallRearm::CallRuns);
    f.recording.calls.clear();
    f.logic->PTDecoderToneDetected(1, 1);
    f.logic->PTDecoderToneDetected(1, 1);
    EXPECT_NE(f.logic->statusText(1), "REARMADO");
    f.logic->PTDecoderToneDetected(1, 1);
    EXPECT_EQ(f.logic->statusText(1), "REARMADO");
    EXPECT_THAT(f.recording.calls, ElementsAre("Clear1"));  // not recording: cleaned up
    EXPECT_EQ(f.line(1).RearmState, MadeCallRearm::Off);
}

}  // namespace
}  // namespace kovra::line::test
