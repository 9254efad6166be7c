// How recordings and their folders are named: the line's day folder, the start time in
// file names, the kind of call and the name part built from the line's numbers, the
// duration text of the stop event. Pure functions; any thread.
#pragma once

#include <ctime>
#include <string>

namespace kovra {

// The call fields of a line that a recording start reads and rewrites. The line logic
// owns them (its LineChannel); the recording control sees them through this view.
struct RecordingCallView {
    std::string& CallType;
    std::string& AreaCode;
    std::string& NumberDisplay;
    std::string& OperatorCode;
    std::string& DialArea;
    std::string& DialNumber;
    std::string& DialFull;
    std::string& DialDigits;
    std::string& EdSeq;        // the shown number
    std::string& lbNomeFile;   // diagnostics label of the file's number
    std::string& lbReservaBL;  // reserve caller number for the next recording
    std::string& lbReservaFL;  // reserve dialled number for the next recording
    bool& PrivateMark;
    bool& CallerIdActive;
};

inline constexpr const char* kKindReceived = "RECEBIDA";
inline constexpr const char* kKindMade = "EFETUADA";
inline constexpr const char* kKindUnidentified = "NãoIdentificado";

// "09-12-2026": the short date, day-month-year, with "-" as separator.
std::string dayFolderDate(const std::tm& local);
// "14h05m09s".
std::string fileTimeText(const std::tm& local);
// "00:03:17" from seconds; 24 hours or more wrap.
std::string durationText(long long seconds);

// base (ending in a separator) + "Linha" + n + "(" + line name + ")", no final separator.
std::string lineFolderPath(const std::string& base, int line, const std::string& lineName);
// The day folder of a line: lineFolderPath + separator + date + separator.
std::string dayFolderPath(const std::string& base, int line, const std::string& lineName,
                          const std::tm& local);

// The kind of call and the texts built from the line's numbers at a start.
struct RecordingNaming {
    std::string kind;          // kKindReceived, kKindMade or kKindUnidentified
    std::string lbNomeFile;    // diagnostics label
    std::string lbDeleteFile;  // diagnostics label
    std::string namePart;      // pairs 2 and 3: "RECEBIDA-(11)3456-7890" and the like
};

// Chooses the kind from the view's numbers (removing "*", "#", "(" and ")" from the
// number used) and builds the labels and the name part. oddLine: the pair's odd line.
RecordingNaming nameRecording(RecordingCallView& call, bool oddLine);

// Pair 1: folder + time + "-" + kind + "-" + shown number (from its "(" when that is its
// second character) + ".mp3".
std::string pairOneFileName(const std::string& folder, const std::tm& local,
                            const std::string& kind, const std::string& shown);
// Pairs 2 and 3: folder + name part + "-" + time + ".mp3".
std::string pairFileName(const std::string& folder, const std::tm& local,
                         const std::string& namePart);

// A text made safe as one path component: separators and control characters become "_".
std::string pathComponent(std::string text);

}  // namespace kovra
