#include "kovra-linesim/caller_id.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace kovra::linesim {

namespace {

constexpr double kBaud = 1200.0;
constexpr double kMarkHz = 1200.0;
constexpr double kSpaceHz = 2200.0;

bool isAbsenceReason(const std::string& s) {
    return s == "P" || s == "O";
}

void checkDatetime(const std::string& d) {
    if (d.size() != 8) {
        throw std::invalid_argument("datetime must be 8 digits MMDDHHMM: \"" + d + "\"");
    }
    for (const char c : d) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            throw std::invalid_argument("datetime must be 8 digits MMDDHHMM: \"" + d + "\"");
        }
    }
}

void addParam(std::vector<std::uint8_t>& body, std::uint8_t type, const std::string& value) {
    if (value.size() > 255) {
        throw std::invalid_argument("caller-ID field longer than 255 bytes");
    }
    body.push_back(type);
    body.push_back(static_cast<std::uint8_t>(value.size()));
    body.insert(body.end(), value.begin(), value.end());
}

std::vector<std::uint8_t> frame(std::uint8_t type, const std::vector<std::uint8_t>& body) {
    if (body.size() > 255) {
        throw std::invalid_argument("caller-ID message longer than 255 bytes");
    }
    std::vector<std::uint8_t> msg;
    msg.reserve(body.size() + 3);
    msg.push_back(type);
    msg.push_back(static_cast<std::uint8_t>(body.size()));
    for (const std::uint8_t b : body) {
        msg.push_back(b);
    }
    unsigned sum = 0;
    for (const std::uint8_t b : msg) {
        sum += b;
    }
    msg.push_back(static_cast<std::uint8_t>(-sum & 0xFFu));
    return msg;
}

}  // namespace

std::vector<std::uint8_t> mdmfMessage(const CallerIdInfo& info) {
    std::vector<std::uint8_t> body;
    if (!info.datetime.empty()) {
        checkDatetime(info.datetime);
        addParam(body, kParamDateTime, info.datetime);
    }
    if (isAbsenceReason(info.number)) {
        addParam(body, kParamNumberAbsent, info.number);
    } else if (!info.number.empty()) {
        addParam(body, kParamNumber, info.number);
    }
    if (isAbsenceReason(info.name)) {
        addParam(body, kParamNameAbsent, info.name);
    } else if (!info.name.empty()) {
        addParam(body, kParamName, info.name);
    }
    return frame(kMdmfType, body);
}

std::vector<std::uint8_t> sdmfMessage(const CallerIdInfo& info) {
    const std::string datetime = info.datetime.empty() ? "01010000" : info.datetime;
    checkDatetime(datetime);
    std::vector<std::uint8_t> body(datetime.begin(), datetime.end());
    body.insert(body.end(), info.number.begin(), info.number.end());
    return frame(kSdmfType, body);
}

std::vector<std::uint8_t> fskBits(const std::vector<std::uint8_t>& message, const FskParams& p) {
    std::vector<std::uint8_t> bits;
    for (int i = 0; i < p.seizureBits; ++i) {
        bits.push_back(static_cast<std::uint8_t>(i & 1));
    }
    bits.insert(bits.end(), static_cast<std::size_t>(std::max(p.markBits, 0)), 1);
    for (const std::uint8_t byte : message) {
        bits.push_back(0);
        for (int b = 0; b < 8; ++b) {
            bits.push_back(static_cast<std::uint8_t>((byte >> b) & 1));
        }
        bits.push_back(1);
    }
    bits.insert(bits.end(), static_cast<std::size_t>(std::max(p.trailingMarkBits, 0)), 1);
    return bits;
}

Samples fskCallerId(std::vector<std::uint8_t> message, const FskParams& p) {
    if (p.corruptChecksum && !message.empty()) {
        message.back() = static_cast<std::uint8_t>(~message.back());
    }
    const std::vector<std::uint8_t> bits = fskBits(message, p);
    // Where each bit ends, in bit times (whole numbers unless stop bits are stretched, so that
    // the default timing is exact): stop bits, the tenth bit of each byte, may be longer.
    const std::size_t firstByteBit =
        static_cast<std::size_t>(std::max(p.seizureBits, 0) + std::max(p.markBits, 0));
    std::vector<double> ends(bits.size());
    double t = 0.0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const bool stop = i >= firstByteBit && i < firstByteBit + 10 * message.size() &&
                          (i - firstByteBit) % 10 == 9;
        t += stop ? p.stopBits : 1.0;
        ends[i] = t;
    }
    const double bitRate = kBaud * (1.0 + p.rateSkewPercent / 100.0);
    const double scale = 1.0 + p.frequencyOffsetPercent / 100.0;
    const double amplitude = sineAmplitude(p.levelDbfs);
    const auto n = static_cast<std::size_t>(std::ceil(t * kSampleRate / bitRate));
    Samples out(n);
    double phase = 0.0;
    std::size_t bit = 0;
    for (std::size_t i = 0; i < n; ++i) {
        while (bit + 1 < bits.size() &&
               static_cast<double>(i) * bitRate / kSampleRate >= ends[bit]) {
            ++bit;
        }
        const double hz = (bits[bit] ? kMarkHz : kSpaceHz) * scale;
        out[i] = static_cast<float>(amplitude * std::sin(phase));
        phase += 2.0 * std::numbers::pi * hz / kSampleRate;
        if (phase > 2.0 * std::numbers::pi) {
            phase -= 2.0 * std::numbers::pi;
        }
    }
    return out;
}

DtmfParams dtmfCallerIdDefaults() {
    DtmfParams p;
    p.onMs = 70.0;
    p.offMs = 70.0;
    return p;
}

}  // namespace kovra::linesim
