#include "platform/detectors/caller_id_message.h"

#include <algorithm>

namespace kovra {

namespace {

constexpr std::uint8_t kParamDateTime = 0x01;
constexpr std::uint8_t kParamNumber = 0x02;
constexpr std::uint8_t kParamCalledNumber = 0x03;
constexpr std::uint8_t kParamNumberAbsent = 0x04;
constexpr std::uint8_t kParamName = 0x07;
constexpr std::uint8_t kParamNameAbsent = 0x08;
constexpr std::size_t kDateTimeLength = 8;

std::string text(std::span<const std::uint8_t> bytes) {
    std::string out;
    for (const std::uint8_t b : bytes) {
        if (b < 0x20 || b == 0x7F) {
            continue;
        }
        if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

// A damaged message can pass the one-byte checksum by chance; its date is the field most
// likely to show it, and a real one is always "MMDDHHMM".
bool isDateTime(std::span<const std::uint8_t> bytes) {
    return bytes.size() == kDateTimeLength &&
           std::all_of(bytes.begin(), bytes.end(),
                       [](std::uint8_t b) { return b >= '0' && b <= '9'; });
}

}  // namespace

std::optional<CallerIdFields> parseCallerIdMessage(std::span<const std::uint8_t> message) {
    if (message.size() < 2 || message[1] != message.size() - 2) {
        return std::nullopt;
    }
    const auto body = message.subspan(2);
    CallerIdFields fields;
    if (message[0] == kSdmfCallerId) {
        if (body.size() < kDateTimeLength || !isDateTime(body.first(kDateTimeLength))) {
            return std::nullopt;
        }
        fields.dateTime = text(body.first(kDateTimeLength));
        fields.callerNumber = text(body.subspan(kDateTimeLength));
        return fields;
    }
    if (message[0] != kMdmfCallerId) {
        return std::nullopt;
    }
    std::size_t pos = 0;
    while (pos < body.size()) {
        if (pos + 2 > body.size()) {
            return std::nullopt;
        }
        const std::uint8_t type = body[pos];
        const std::size_t length = body[pos + 1];
        if (pos + 2 + length > body.size()) {
            return std::nullopt;
        }
        const std::string value = text(body.subspan(pos + 2, length));
        switch (type) {
            case kParamDateTime:
                if (!isDateTime(body.subspan(pos + 2, length))) {
                    return std::nullopt;
                }
                fields.dateTime = value;
                break;
            case kParamNumber:
                fields.callerNumber = value;
                break;
            case kParamCalledNumber:
                fields.calledNumber = value;
                break;
            case kParamNumberAbsent:
                if (fields.callerNumber.empty()) {
                    fields.callerNumber = value;
                }
                break;
            case kParamName:
                fields.name = value;
                break;
            case kParamNameAbsent:
                if (fields.name.empty()) {
                    fields.name = value;
                }
                break;
            default:
                break;  // other parameters are not shown
        }
        pos += 2 + length;
    }
    return fields;
}

}  // namespace kovra
