// Line event texts ("L" + line number + "_" + token) produced by the line logic. The
// tokens are the peers' protocol: keep them byte for byte (typos included).
#pragma once

#include <string>

namespace kovra::line {

inline constexpr const char* kDtmfKeyInit = "DMTFKEY_INIT->";
inline constexpr const char* kDtmfKey = "DMTFKEY->";
inline constexpr const char* kRingCount = "RING_COUNT->";
inline constexpr const char* kStatusDialTone = "STATUS_DIALTONE";
inline constexpr const char* kStatusOffHook = "STATUS_OFF_HOOK";
inline constexpr const char* kStatusOnHook = "STATUS_ON_HOOK";
inline constexpr const char* kIdCanceled = "ID_CANCELED->";
inline constexpr const char* kCallerFsk = "CALLER_FSK->";
inline constexpr const char* kCallerDtmf = "CALLER_DTMF->";
inline constexpr const char* kNumberFormatFsk = "NUMBER_FORMAT_FSK->";
inline constexpr const char* kNumberFormatDtmf = "NUMBER_FORMAT_DTMF->";
inline constexpr const char* kIndexPhone = "INDEX_PHONE->";
inline constexpr const char* kDetectPhone = "DETECT_PHONE->";
inline constexpr const char* kStatusDialling = "STATUS_DIALLING->";

// "L3_" + token.
inline std::string lineEvent(int n, const std::string& token) {
    return "L" + std::to_string(n) + "_" + token;
}

// A value made safe for an event text: the framing characters "@" and "&" and the
// receiver's control characters "~", "|" and "^" become "-".
inline std::string safeValue(std::string value) {
    for (char& c : value) {
        if (c == '@' || c == '&' || c == '~' || c == '|' || c == '^') {
            c = '-';
        }
    }
    return value;
}

// Call-record (DATA_) texts; sent without the line prefix.
inline constexpr const char* kDataInit = "DATA_FILTER_ID_INIT->";
inline constexpr const char* kDataEnd = "DATA_FILTER_ID_END->";
inline constexpr const char* kDirectionReceived = "Recebida";
inline constexpr const char* kDirectionMade = "Efetuada";

}  // namespace kovra::line
