// Caller-ID signals: Bell 202 FSK messages (SDMF and MDMF, with their checksum) and DTMF
// caller ID ("A" ... "C"). Pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kovra-linesim/generators.h"

namespace kovra::linesim {

// What a caller-ID message says. A number or name of exactly "P" (private) or "O" (out of
// area) is sent as the reason for its absence instead. datetime is MMDDHHMM; empty leaves the
// field out of an MDMF message (SDMF always carries one: empty sends "01010000").
struct CallerIdInfo {
    std::string number;
    std::string name;
    std::string datetime;
};

// Message bytes: type, length, body, checksum (two's complement of the byte sum, so that all
// bytes including the checksum add up to 0 modulo 256). Throws std::invalid_argument when a
// field is too long for its length byte or the datetime is not eight digits.
std::vector<std::uint8_t> mdmfMessage(const CallerIdInfo& info);
std::vector<std::uint8_t> sdmfMessage(const CallerIdInfo& info);

// MDMF parameter and message type codes.
inline constexpr std::uint8_t kSdmfType = 0x04;
inline constexpr std::uint8_t kMdmfType = 0x80;
inline constexpr std::uint8_t kParamDateTime = 0x01;
inline constexpr std::uint8_t kParamNumber = 0x02;
inline constexpr std::uint8_t kParamNumberAbsent = 0x04;
inline constexpr std::uint8_t kParamName = 0x07;
inline constexpr std::uint8_t kParamNameAbsent = 0x08;

// Bell 202 transmission of a message: channel seizure (alternating bits), mark bits, then each
// byte as start bit, eight data bits LSB first, stop bit, then trailing mark bits. Phase-
// continuous FSK, mark 1200 Hz, space 2200 Hz, 1200 baud.
struct FskParams {
    double levelDbfs = -15.0;
    int seizureBits = 300;
    int markBits = 180;
    int trailingMarkBits = 12;
    bool corruptChecksum = false;  // flips the checksum byte's bits: a receiver must reject it
    double frequencyOffsetPercent = 0.0;
    // Senders' clocks: the bit rate off 1200 by this share (the whole transmission), and each
    // byte's stop bit this many bit times long (1 to 2: slow senders stretch it).
    double rateSkewPercent = 0.0;
    double stopBits = 1.0;
};
Samples fskCallerId(std::vector<std::uint8_t> message, const FskParams& params);

// The bits fskCallerId sends, in order (exposed for tests that decode them back); every stop
// bit lasts params.stopBits bit times.
std::vector<std::uint8_t> fskBits(const std::vector<std::uint8_t>& message,
                                  const FskParams& params);

// DTMF caller ID: the symbols as given (for example "A1134567890C"), with the usual shorter
// tones of caller-ID senders unless params say otherwise.
DtmfParams dtmfCallerIdDefaults();

}  // namespace kovra::linesim
