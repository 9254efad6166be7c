// The Bell 202 caller-ID receiver on audio from the line simulator.
#include "platform/detectors/fsk_receiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "kovra-linesim/caller_id.h"
#include "kovra-linesim/generators.h"
#include "platform/detectors/caller_id_message.h"

namespace kovra {
namespace {

using linesim::CallerIdInfo;
using linesim::FskParams;
using linesim::Samples;

void append(Samples& to, const Samples& from) {
    to.insert(to.end(), from.begin(), from.end());
}

void addNoise(Samples& s, double snrDb, std::uint32_t seed) {
    const Samples noise = linesim::whiteNoise(s.size(), linesim::activeLevelDbfs(s) - snrDb, seed);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] += noise[i];
    }
}

// Each message heard, parsed, with the audio fed in chunks of the given size.
std::vector<CallerIdFields> hear(const Samples& audio, std::size_t chunk = 160) {
    std::vector<std::int16_t> pcm(audio.size());
    std::transform(audio.begin(), audio.end(), pcm.begin(), [](float x) {
        return static_cast<std::int16_t>(
            std::clamp(std::lround(x * 32767.0F), long{-32768}, long{32767}));
    });
    std::vector<CallerIdFields> heard;
    FskCallerIdReceiver rx([&heard](std::span<const std::uint8_t> message) {
        const auto fields = parseCallerIdMessage(message);
        ASSERT_TRUE(fields.has_value()) << "delivered a message the parser rejects";
        heard.push_back(*fields);
    });
    for (std::size_t at = 0; at < pcm.size(); at += chunk) {
        rx.process(
            std::span<const std::int16_t>(pcm.data() + at, std::min(chunk, pcm.size() - at)));
    }
    return heard;
}

// Messages with 300 ms of silence either side.
Samples messages(const std::vector<std::vector<std::uint8_t>>& bytes, const FskParams& params) {
    Samples out;
    for (const auto& m : bytes) {
        append(out, linesim::silence(300.0));
        append(out, linesim::fskCallerId(m, params));
        append(out, linesim::silence(300.0));
    }
    return out;
}

TEST(FskReceiver, HearsEveryFieldOfSdmfAndMdmf) {
    struct Case {
        std::string label;
        std::vector<std::uint8_t> message;
        FskParams params;
        std::size_t chunk;
        CallerIdFields expected;
    };
    const CallerIdInfo full{"1134567890", "MARIA SILVA", "12251405"};
    FskParams loud;
    loud.levelDbfs = -3.0;
    FskParams quiet;
    quiet.levelDbfs = -40.0;
    FskParams callWaiting;  // no seizure and a short mark period
    callWaiting.seizureBits = 0;
    callWaiting.markBits = 80;
    FskParams offTune;
    offTune.frequencyOffsetPercent = -1.5;
    const std::vector<Case> cases = {
        {"MDMF, all fields",
         linesim::mdmfMessage(full),
         {},
         160,
         {"MARIA SILVA", "1134567890", "", "12251405"}},
        {"MDMF, private number, name out of area",
         linesim::mdmfMessage({"P", "O", "01020304"}),
         {},
         160,
         {"O", "P", "", "01020304"}},
        {"MDMF without a date",
         linesim::mdmfMessage({"5551234", "ANA", ""}),
         {},
         160,
         {"ANA", "5551234", "", ""}},
        {"SDMF", linesim::sdmfMessage(full), {}, 160, {"", "1134567890", "", "12251405"}},
        {"SDMF, private",
         linesim::sdmfMessage({"P", "", "11111111"}),
         {},
         160,
         {"", "P", "", "11111111"}},
        {"MDMF at -3 dBFS, fed one sample at a time",
         linesim::mdmfMessage(full),
         loud,
         1,
         {"MARIA SILVA", "1134567890", "", "12251405"}},
        {"MDMF at -40 dBFS, odd chunks",
         linesim::mdmfMessage(full),
         quiet,
         37,
         {"MARIA SILVA", "1134567890", "", "12251405"}},
        {"SDMF on call waiting",
         linesim::sdmfMessage(full),
         callWaiting,
         160,
         {"", "1134567890", "", "12251405"}},
        {"MDMF with tones 1.5 % low",
         linesim::mdmfMessage(full),
         offTune,
         160,
         {"MARIA SILVA", "1134567890", "", "12251405"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::vector<CallerIdFields> heard = hear(messages({c.message}, c.params), c.chunk);
        ASSERT_EQ(heard.size(), 1U);
        EXPECT_EQ(heard[0], c.expected);
    }
}

TEST(FskReceiver, NeverReportsAMessageWhoseChecksumFails) {
    FskParams bad;
    bad.corruptChecksum = true;
    std::vector<std::vector<std::uint8_t>> sent;
    for (int i = 0; i < 6; ++i) {
        const CallerIdInfo info{"11" + std::to_string(34567000 + i), "CLIENTE " + std::to_string(i),
                                "1201140" + std::to_string(i)};
        sent.push_back(i % 2 ? linesim::sdmfMessage(info) : linesim::mdmfMessage(info));
    }
    EXPECT_TRUE(hear(messages(sent, bad)).empty());
    Samples noisy = messages(sent, bad);
    addNoise(noisy, 10.0, 3);
    EXPECT_TRUE(hear(noisy).empty());
}

TEST(FskReceiver, HearsMessagesInNoiseAtSnr8) {
    std::vector<std::vector<std::uint8_t>> sent;
    for (int i = 0; i < 8; ++i) {
        const CallerIdInfo info{"11" + std::to_string(34567000 + i), "CLIENTE " + std::to_string(i),
                                "1201140" + std::to_string(i)};
        sent.push_back(i % 2 ? linesim::sdmfMessage(info) : linesim::mdmfMessage(info));
    }
    FskParams params;
    params.levelDbfs = -12.0;
    Samples audio = messages(sent, params);
    addNoise(audio, 8.0, 42);
    const std::vector<CallerIdFields> heard = hear(audio);
    ASSERT_EQ(heard.size(), sent.size());
    for (std::size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].callerNumber, "11" + std::to_string(34567000 + i));
    }
}

// Real senders' clocks: a bit rate up to 5 % off 1200 and stop bits stretched up to two bit
// times; the receiver re-times on every start bit, as a UART does.
TEST(FskReceiver, FollowsSkewedClocksAndStretchedStopBits) {
    struct Case {
        double skewPercent;
        double stopBits;
        double snrDb;
    };
    const std::vector<Case> cases = {
        {0.0, 1.5, 99.0},  {0.0, 2.0, 99.0},  {0.0, 1.25, 99.0},
        {-4.5, 1.0, 99.0}, {-5.0, 1.0, 99.0}, {5.0, 1.0, 99.0},
        {-4.5, 1.5, 15.0}, {5.0, 2.0, 15.0},  {0.0, 1.5, 10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("skew " + std::to_string(c.skewPercent) + " %, stop bits " +
                     std::to_string(c.stopBits) + ", SNR " + std::to_string(c.snrDb));
        std::vector<std::vector<std::uint8_t>> sent;
        for (int i = 0; i < 6; ++i) {
            const CallerIdInfo info{"11" + std::to_string(34567000 + i),
                                    "CLIENTE " + std::to_string(i), "1201140" + std::to_string(i)};
            sent.push_back(i % 2 ? linesim::sdmfMessage(info) : linesim::mdmfMessage(info));
        }
        FskParams params;
        params.levelDbfs = -12.0;
        params.rateSkewPercent = c.skewPercent;
        params.stopBits = c.stopBits;
        Samples audio = messages(sent, params);
        if (c.snrDb < 90.0) {
            addNoise(audio, c.snrDb, 11);
        }
        const std::vector<CallerIdFields> heard = hear(audio);
        ASSERT_EQ(heard.size(), sent.size());
        for (std::size_t i = 0; i < heard.size(); ++i) {
            EXPECT_EQ(heard[i].callerNumber, "11" + std::to_string(34567000 + i));
            EXPECT_EQ(heard[i].dateTime, "1201140" + std::to_string(i));
        }
    }
}

// Damage that a one-byte checksum lets through must not reach the user as caller ID.
TEST(CallerIdMessage, RejectsDatesThatAreNotEightDigitsAndLengthsBeyondTheMessage) {
    const auto withoutChecksum = [](std::vector<std::uint8_t> m) {
        m.pop_back();
        return m;
    };
    const auto parse = [](const std::vector<std::uint8_t>& m) { return parseCallerIdMessage(m); };
    EXPECT_TRUE(parse(withoutChecksum(linesim::sdmfMessage({"1134567890", "", "12251405"}))));
    EXPECT_TRUE(parse(withoutChecksum(linesim::mdmfMessage({"1134567890", "ANA", "12251405"}))));

    std::vector<std::uint8_t> sdmf =
        withoutChecksum(linesim::sdmfMessage({"1134567890", "", "12251405"}));
    sdmf[5] = 0xB7;  // a date byte hit by noise
    EXPECT_FALSE(parse(sdmf));
    // MDMF: date-time parameter first (type, length 8, digits).
    std::vector<std::uint8_t> mdmf =
        withoutChecksum(linesim::mdmfMessage({"1134567890", "ANA", "12251405"}));
    std::vector<std::uint8_t> badDigit = mdmf;
    badDigit[4 + 3] = 'x';
    EXPECT_FALSE(parse(badDigit));
    std::vector<std::uint8_t> shortDate = {0x80, 8, 0x01, 6, '1', '2', '2', '5', '1', '4'};
    EXPECT_FALSE(parse(shortDate));
    std::vector<std::uint8_t> longParam = mdmf;
    longParam[2 + 10 + 1] = 0xF8;  // the number's length byte claims more than the message holds
    EXPECT_FALSE(parse(longParam));
}

TEST(FskReceiver, HearsNothingInSpeechOrNoise) {
    EXPECT_TRUE(hear(linesim::speechLike(60000.0, -20.0, 5)).empty());
    EXPECT_TRUE(hear(linesim::speechLike(30000.0, -6.0, 6)).empty());
    EXPECT_TRUE(hear(linesim::whiteNoise(30 * 8000, -20.0, 7)).empty());
}

}  // namespace
}  // namespace kovra
