// Caller-ID messages of the Bell 202 (CLASS) standard, as FskCallerIdReceiver delivers
// them (type, length, body; the checksum already verified and removed):
//   SDMF (type 0x04): "MMDDHHMM" then the number, or "P" (private) / "O" (out of area).
//   MDMF (type 0x80): parameters 0x01 date-time, 0x02 number, 0x03 called number,
//   0x04 reason the number is absent ("P"/"O"), 0x07 name, 0x08 reason the name is absent.
// Absent fields stay empty; a reason for an absent number or name is passed on as that
// field's text. The date-time is the message's own "MMDDHHMM" text. Bytes above 0x7F are
// read as Latin-1 and returned as UTF-8; control characters are dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kovra {

struct CallerIdFields {
    std::string name;
    std::string callerNumber;
    std::string calledNumber;
    std::string dateTime;
    bool operator==(const CallerIdFields&) const = default;
};

inline constexpr std::uint8_t kSdmfCallerId = 0x04;
inline constexpr std::uint8_t kMdmfCallerId = 0x80;

// nullopt for another message type (message waiting, …), a message whose lengths do not
// add up, or one whose date-time is not eight digits (damage the checksum missed).
std::optional<CallerIdFields> parseCallerIdMessage(std::span<const std::uint8_t> message);

}  // namespace kovra
