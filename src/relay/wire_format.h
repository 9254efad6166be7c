// The relay's wire format in one place: framing lengths, fillers, prefixes and the tokens
// the endpoint itself builds or matches. Texts are 7-bit ASCII, one byte per character.
#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

namespace kovra::relay::wire {

// Datagram framing -----------------------------------------------------------------------

// Length that event messages (with kFiller) and handshake and close datagrams (with
// kHandshakeFiller) are extended to; also the length kept of a call record's e-mail.
inline constexpr std::size_t kMinLength = 150;
// Only this many characters of a received datagram count.
inline constexpr std::size_t kReceiveCut = 250;
// Event messages start with this; every '&' is removed on receipt.
inline constexpr std::string_view kEventStart = "&&";
// Ends every datagram; every '@' is removed on receipt.
inline constexpr char kTerminator = '@';
inline constexpr char kAmpersand = '&';
// Event-message filler: a control character, so receivers trim it off the end of values.
inline constexpr char kFiller = '\0';
// Fills handshake and close datagrams after their terminator.
inline constexpr char kHandshakeFiller = 'K';
// Replaces each non-ASCII character when sending and each byte above 127 on receipt.
inline constexpr char kNonAscii = '?';
// Characters with codes up to this are trimmed from both ends of texts.
inline constexpr unsigned char kTrimMax = 32;

// Handshake datagram: "I" address "P" port "VZ" flag "@" then 'K' up to kMinLength.
inline constexpr char kHandshakeStart = 'I';
inline constexpr char kHandshakePort = 'P';
inline constexpr char kHandshakeFlagMark = 'V';
inline constexpr char kHandshakeFlagStart = 'Z';
inline constexpr std::string_view kHandshakeFlagPrefix = "VZ";
inline constexpr char kFlagTrue = 'T';
inline constexpr char kFlagFalse = 'F';

// Close datagram: this text then 'K' up to kMinLength.
inline constexpr std::string_view kCloseText = "~Finalizada@";

// Characters that steer a receiver wherever they stand in an event message.
inline constexpr char kCloseMark = '~';      // stop calling, disconnect, do not report
inline constexpr char kHangUpMark = '|';     // stop calling, disconnect, still report
inline constexpr char kStartCallMark = '^';  // start calling, still report

// Texts the endpoint builds ("L" + line number + token) -----------------------------------

inline constexpr std::string_view kLinePrefix = "L";
inline constexpr std::string_view kHandshakeToken = "_HANDSHAKE_I";
// Characters removed from the front of a "_HANDSHAKE_I" text: "L<n>_HANDSHAKE_I".
inline constexpr std::size_t kHandshakeTextSkip = 14;
inline constexpr std::string_view kAwaitingToken = "_AWAITING_FOR_KOVRA";
inline constexpr std::string_view kNotSendingText = "ERROR_KOVRA_NOT_SENDING_FOR_L";
inline constexpr std::string_view kAppPlugedToken = "_APP_PLUGED->";
inline constexpr std::string_view kInsertIpToken = "_INSERT_IP->";
inline constexpr std::string_view kPingWord = "PING";
inline constexpr std::string_view kPingReplyIpToken = "_IP_";  // "L<k>_IP_" addr "_PR_" port
inline constexpr std::string_view kPingReplyPortToken = "_PR_";
inline constexpr std::string_view kIpRemovedToken = "_IP_REMOVED->";
inline constexpr std::string_view kIpInsertedToken = "_IP_INSERTED->";
inline constexpr std::string_view kConnectedToken = "_KOVRA_CONNECTED_WITH_SUCESS";
inline constexpr std::string_view kDisconnectedToken = "_REPEATER_DISCONNECTED !";

// Line events a subscriber decodes, with the fixed character positions (1-based) or the
// count of leading characters it drops, as measured for a one-digit line prefix.
inline constexpr std::string_view kKeyInitToken = "_DMTFKEY_INIT->";
inline constexpr std::size_t kKeyInitCharPos = 18;
inline constexpr std::string_view kKeyToken = "_DMTFKEY->";
inline constexpr std::size_t kKeyCharPos = 13;
inline constexpr std::string_view kFormatDtmfToken = "_NUMBER_FORMAT_DTMF->";
inline constexpr std::size_t kFormatDtmfSkip = 23;
inline constexpr std::string_view kFormatFskToken = "_NUMBER_FORMAT_FSK->";
inline constexpr std::size_t kFormatFskSkip = 22;
inline constexpr std::string_view kIndexPhoneToken = "_INDEX_PHONE->";
inline constexpr std::size_t kIndexPhoneSkip = 16;
inline constexpr std::string_view kDetectPhoneToken = "_DETECT_PHONE->";
inline constexpr std::size_t kDetectPhoneSkip = 17;
inline constexpr std::string_view kDialToneToken = "_STATUS_DIALTONE";
inline constexpr std::string_view kDiallingToken = "_STATUS_DIALLING";
inline constexpr std::string_view kOffHookToken = "_OFF_HOOK";  // matched on any line
inline constexpr std::string_view kCallerFskToken = "_CALLER_FSK";
inline constexpr std::string_view kCallerDtmfToken = "_CALLER_DTMF";
inline constexpr std::string_view kRingCountToken = "_RING_COUNT->";
inline constexpr std::size_t kRingCountCharPos = 16;
inline constexpr std::string_view kFileStartToken = "_REC_FILE_START->";
inline constexpr std::string_view kFileStopToken = "_REC_FILE_STOP->";
inline constexpr std::string_view kValueArrow = "->";
inline constexpr char kFileTimeMark = '#';
inline constexpr std::size_t kFileDurationLength = 10;

// Detect-phone value: type at 1, area code at 2-3, number at 4-12 (1-based).
inline constexpr std::size_t kDetectAreaPos = 2;
inline constexpr std::size_t kDetectAreaLength = 2;
inline constexpr std::size_t kDetectNumberPos = 4;
inline constexpr std::size_t kDetectNumberLength = 9;

// Statuses raised for the line events.
inline constexpr std::string_view kStatusDialTone = "DIALTONE";
inline constexpr std::string_view kStatusDialling = "DIALLING";
inline constexpr std::string_view kStatusOffHook = "OFF_HOOK";
inline constexpr std::string_view kStatusCallerFsk = "CALLER_ID_FSK";
inline constexpr std::string_view kStatusCallerDtmf = "BINA_DTMF";
inline constexpr std::string_view kStatusBreakFsk = "BREAK_FSK";
inline constexpr std::string_view kStatusBreakDtmf = "BREAK_DTMF";
inline constexpr std::string_view kStatusRingCount = "RING_COUNT";
inline constexpr std::string_view kStatusRecordStart = "RECORD_START";
inline constexpr std::string_view kStatusRecordStop = "RECORD_STOP";

// Call-record block: token and the characters kept of its value ---------------------------

struct CallRecordField {
    std::string_view token;
    std::size_t keep;
};

// In block order; the index is the field's place in CallRecord.
inline constexpr CallRecordField kCallRecordFields[] = {
    {"DATA_FILTER_ID_INIT->", 20},
    {"DATA_CHANNEL->", 2},
    {"DATA_DATE->", 15},
    {"DATA_OPR->", 5},
    {"DATA_CODAREA->", 5},
    {"DATA_PHONE->", 20},
    {"DATA_NAME->", 60},
    {"DATA_CITY->", 60},
    {"DATA_COUNTRY->", 10},
    {"DATA_TIME_INIT->", 10},
    {"DATA_TIME_END->", 10},
    {"DATA_TIME_DURACTION->", 10},
    {"DATA_CEP->", 20},
    {"DATA_EMAIL->", kMinLength},
    {"DATA_FILTER_ID_END->", 20},
};
inline constexpr std::size_t kCallRecordFieldCount = std::size(kCallRecordFields);

// Call status from the filter code, first letter found wins, in this order.
inline constexpr std::string_view kCallStatusDialling = "Discando...";
inline constexpr std::string_view kCallStatusMade = "Efetuada";
inline constexpr std::string_view kCallStatusReceived = "Recebida";
inline constexpr std::string_view kCallStatusUnidentified = "Não identificada";  // UTF-8
// The control's text while no call record is complete.
inline constexpr std::string_view kNoCallText = "(00) 0000-0000";

}  // namespace kovra::relay::wire
