// Caller identification and dialled numbers of a pair: FormatBina, the dialled-number
// time-out of pair 1, the per-digit classification of pairs 2 and 3, the call record.
#include "line/caller_id_file.h"
#include "line/date_texts.h"
#include "line/line_events.h"
#include "line/line_thresholds.h"
#include "line/number_format.h"
#include "line/pair_line_logic.h"

namespace kovra::line {
namespace {

const char* const kUnknownName = "Desconhecido-";
const char* const kUnknownCity = "N\xC3\xA3o cadastrada";  // "Não cadastrada"
const char* const kUnknownCountry = "??";

CallRecord unknownCaller(const std::string& index) {
    return CallRecord{kUnknownName + index, kUnknownCity, kUnknownCountry, "", ""};
}

std::string operatorText(const std::string& op) {
    return op == "00" ? std::string() : op;
}

}  // namespace

void PairLineLogic::FormatBina(const std::string& number, const std::string& source, int k) {
    try {
        formatBina(number, source, k);
    } catch (...) {
        // Never fails outward: the call handling goes on with what was done.
    }
}

void PairLineLogic::formatBina(const std::string& number, const std::string& source, int k) {
    LineChannel& c = channel(k);
    if (traits_.rawNumberInEdit2) {
        Edit2 = number;
    }
    const std::string digits = callerDigits(number);
    const std::string formatted = FormatFone(digits, options_.tipoL(k), globals_.LocalDDD);
    const std::string callType = slice(formatted, 0, 1);
    const std::string area = slice(formatted, 1, 2);
    const std::string subscriber = slice(formatted, 3, 20);

    if (recording(k) && !options_.CheckOffHook) {
        recording_.StopLClick(k);
        counters(k).lbStopModo = "Binagem";
    }
    c.CallType = callType;
    c.AreaCode = area;
    c.NumberDisplay = withSubscriberDash(subscriber);
    c.IndexPhone = area + subscriber;
    c.CallerIdPeaks = 0;
    c.Record = unknownCaller(c.IndexPhone);

    const std::string shown = c.CallType + "(" + c.AreaCode + ")" + c.NumberDisplay;
    const std::string detected = c.CallType + c.AreaCode + c.NumberDisplay;
    if (source != "Dtmf") {
        const bool relaySwitch = ports_.ChBoxTCP && ports_.ChBoxTCP(k);
        if (traits_.europeFsk && relaySwitch && options_.europa(k)) {
            // Numbering plans other than ours: relay the number as it came.
            c.EdFskFone = number;
            send(k, options_.chkIndexPhone, kCallerFsk);
            send(k, options_.chkIndexPhone, kIndexPhone + safeValue(number));
            return;
        }
        c.EdFskFone = shown;
        c.DtmfRaw = shown;
        send(k, options_.chkIndexPhone, kCallerFsk);
        send(k, options_.chkSendFormatado, kNumberFormatFsk + shown);
        send(k, options_.chkIndexPhone, kIndexPhone + c.IndexPhone);
        send(k, options_.chkIndexPhone, kDetectPhone + detected);
    } else {
        c.EdSeq = shown;
        c.DtmfRaw = shown;
        send(k, options_.chkIndexPhone, kCallerDtmf);
        send(k, options_.chkSendFormatado, kNumberFormatDtmf + shown);
        send(k, options_.chkIndexPhone, kIndexPhone + c.IndexPhone);
        send(k, options_.chkIndexPhone, kDetectPhone + detected);
    }

    writeCallerIdFile(k);

    // An FSK caller is shown in its own field: EdSeq holds at most the even line's "A"
    // marker, which must not replace the number the recording is named after.
    counters(k).LastIdentified = source == "Dtmf" ? c.EdSeq : std::string();
    c.lbNomeFile = c.IndexPhone;
    c.DialDigits.clear();
    if (k == 1) {
        c.lbReservaBL = c.NumberDisplay;
        c.lbReservaFL.clear();
    }
    markPrivateLines(k);
    if (options_.chkNumeroDiscado) {
        sendDataBlock(k, "", "00", c.AreaCode, c.NumberDisplay, c.Record, kDirectionReceived);
    }
}

void PairLineLogic::writeCallerIdFile(int k) {
    LineChannel& c = channel(k);
    if (!options_.CheckTexto || c.IndexPhone.empty()) {
        return;
    }
    c.Memo = c.IndexPhone;
    const std::string path = ports_.callerIdFileName ? ports_.callerIdFileName(k) : std::string();
    // Errors are ignored: another program may hold the file; the call goes on.
    (void)line::writeCallerIdFile(path, c.Memo);
}

void PairLineLogic::markPrivateLines(int k) {
    channel(k).PrivateMark = false;
    for (LineChannel& line : lines_) {
        if (isPrivate(line.IndexPhone)) {
            line.PrivateMark = true;
        }
    }
}

std::string PairLineLogic::recordingStartText(int k) const {
    // The start of this call as the line knows it: the recording in progress, else the time
    // of the record itself. The start time a line keeps after a recording has ended belongs
    // to an earlier call and is never reported for this one.
    const std::optional<TimePoint> start = counters(k).StartTime;
    return longTimeText(start && recording(k) ? *start : loop_.now());
}

void PairLineLogic::sendDataBlock(int k, const std::string& initCode, const std::string& opr,
                                  const std::string& area, const std::string& phone,
                                  const CallRecord& record, const char* direction) {
    const auto out = [&](const std::string& text) { sendPlain(k, true, text); };
    out(kDataInit + initCode);
    out("DATA_CHANNEL->" + std::to_string(lineNumber(k)));
    out("DATA_DATE->" + shortDateText(loop_.now()));
    out("DATA_OPR->" + opr);
    out("DATA_CODAREA->" + area);
    out("DATA_PHONE->" + phone);
    out("DATA_NAME->" + safeValue(record.name));
    out("DATA_CITY->" + safeValue(record.city));
    out("DATA_COUNTRY->" + record.country);
    out("DATA_TIME_INIT->" + recordingStartText(k));
    out("DATA_TIME_END->");
    out("DATA_TIME_DURACTION->");
    out("DATA_CEP->" + record.cep);
    out("DATA_EMAIL->" + record.email);
    out(std::string(kDataEnd) + direction);
}

// ------------------------------------------------- dialled number, pair 1 (time-out)

void PairLineLogic::TimerDigitoOkTimer(int k) {
    try {
        digitTimeout(k);
    } catch (...) {
        // The tick's state stays as far as it got.
    }
}

void PairLineLogic::digitTimeout(int k) {
    LineChannel& c = channel(k);
    ++c.DigitTicks;
    if (c.DigitTicks <= kDigitTimeoutTicks[k - 1]) {
        return;
    }
    digitTimers_[k - 1].setEnabled(false);
    c.DigitTicks = 0;
    counters(k).DialMarks.fill(".");
    c.Record.name = ".";
    c.Record.city = ".";
    c.Record.country = kUnknownCountry;

    const std::string shown = c.EdSeq;
    c.DialDigits = shown;
    c.DialledAccepted = shown.size() >= kMinDialledDigits;
    c.OperatorCode = "00";
    c.DialArea = globals_.LocalDDD;
    c.DialNumber = shown;
    c.DialFull = shown;
    const std::string& d = c.DialDigits;
    bool split = true;
    switch (d.size()) {
        case 8:
        case 9:
            break;
        case 10:
            c.DialArea = d.substr(0, 2);
            c.DialNumber = d.substr(2);
            break;
        case 12:
        case 13:
            c.OperatorCode = d.substr(0, 2);
            c.DialArea = d.substr(2, 2);
            c.DialNumber = d.substr(4);
            break;
        default:
            split = false;
    }
    if (split) {
        c.DialledAccepted = true;
        c.DialFull = c.DialArea + c.DialNumber;
    }
    if (c.DialNumber.size() == 8) {
        c.DialNumber = insertDashAfter(c.DialNumber, 4);
    } else if (c.DialNumber.size() == 9) {
        c.DialNumber = insertDashAfter(c.DialNumber, 5);
        if (k == 2) {
            c.DialNumber = insertDashAfter(c.DialNumber, 1);
        }
    }
    c.EdSeq = c.DialNumber;
    if (!c.DialledAccepted) {
        return;
    }
    const std::string formattedDtmf =
        kNumberFormatDtmf + operatorText(c.OperatorCode) + "(" + c.DialArea + ")" + c.DialNumber;
    c.NumberDisplay.clear();
    if (k == 1) {
        send(k, options_.chkSendFormatado, formattedDtmf);
    } else {
        c.Record = unknownCaller(c.DialFull);
        // The even line relays its made call whatever chkNumeroDiscado says.
        sendDataBlock(k, "E", c.OperatorCode, c.DialArea, c.DialNumber, c.Record, kDirectionMade);
        send(k, options_.chkSendDTMF, kStatusDialling);
        send(k, options_.chkSendFormatado, formattedDtmf);
    }
    if (recording(k)) {
        const std::string t = fileTimeText(loop_.now());  // "14h05m09s"
        counters(k).RenameTarget =
            counters(k).LineFolder + t + "-EFETUADA-(" + c.DialArea + ")" + c.DialNumber + ".mp3";
    } else {
        recording_.StartLClick(k);
    }
}

// ------------------------------------------- dialled number, pairs 2 and 3 (per digit)

void PairLineLogic::classifyDialled(int k, LineChannel& c) {
    if (recording(k) && recording_.ElapsedSeconds(k) < kEarlyRecordingSeconds &&
        options_.CheckOffDial) {
        recording_.StopLClick(k);
    }
    c.PrivateMark = false;
    c.RearmState = MadeCallRearm::Off;
    c.Record = CallRecord{};
    c.lbNomeFile.clear();
    if (!c.DialDigits.empty() && c.DialDigits[0] == '0') {
        c.DialDigits.erase(0, 1);
    }
    const std::string& d = c.DialDigits;
    const std::string& ddd = globals_.LocalDDD;
    const std::size_t len = d.size();
    const auto digit = [&](std::size_t i) { return i < len ? d[i] : '\0'; };
    bool classified = true;
    std::string index;
    c.OperatorCode = "00";
    if (len == 12) {
        c.OperatorCode = d.substr(0, 2);
        c.DialArea = d.substr(2, 2);
        c.DialNumber = d.substr(4, 8);
        index = d.substr(4);
    } else if (len == 10 && digit(2) > '6') {
        c.DialArea = d.substr(0, 2);
        c.DialNumber = d.substr(2, 8);
        index = d;
    } else if (len == 8 &&
               ((digit(0) >= '2' && digit(0) <= '6' && digit(2) < '7') || digit(0) > '6')) {
        c.DialArea = ddd;
        c.DialNumber = d;
        index = ddd + d;
    } else if (len == 9 && digit(0) == '0') {
        c.DialArea = ddd;
        c.DialNumber = d.substr(1);
        index = ddd + c.DialNumber;
    } else {
        classified = false;
        c.DialArea.clear();
        c.DialNumber = c.EdSeq;
        index = c.EdSeq;
    }
    c.DialFull = index;
    if (classified) {
        if (recording(k)) {
            recording_.StopLClick(k);
        }
        c.RearmState = MadeCallRearm::CallRuns;
        c.lbTom = "Rearme";
    }
    c.EdSeq = c.DialNumber;
    if (isPrivate(index) || isPrivate(c.DialNumber)) {
        c.PrivateMark = true;
    }
    if (!classified) {
        return;
    }
    c.Record = unknownCaller(index);
    c.lbReservaFL = c.DialNumber;
    c.lbReservaBL.clear();
    if (options_.chkNumeroDiscado) {
        sendDataBlock(k, "", c.OperatorCode, c.DialArea, c.DialNumber, c.Record, kDirectionMade);
    }
    send(k, options_.chkSendDTMF, kStatusDialling);
    send(k, options_.chkSendFormatado,
         kNumberFormatDtmf + operatorText(c.OperatorCode) + "(" + c.DialArea + ")" + c.DialNumber);
}

}  // namespace kovra::line
