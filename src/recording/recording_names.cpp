#include "recording/recording_names.h"

#include <algorithm>
#include <cstdio>

namespace kovra {

namespace {

constexpr char kSeparator = '/';

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

void removeMarks(std::string& number) {
    std::erase_if(number, [](char c) { return c == '*' || c == '#' || c == '(' || c == ')'; });
}

// Characters 1-4, "-", characters 5-18 (1-based), as far as the text goes.
std::string dashedNumber(const std::string& number) {
    return number.substr(0, 4) + "-" + (number.size() > 4 ? number.substr(4, 14) : "");
}

}  // namespace

std::string dayFolderDate(const std::tm& t) {
    return twoDigits(t.tm_mday) + "-" + twoDigits(t.tm_mon + 1) + "-" +
           std::to_string(t.tm_year + 1900);
}

std::string fileTimeText(const std::tm& t) {
    return twoDigits(t.tm_hour) + "h" + twoDigits(t.tm_min) + "m" + twoDigits(t.tm_sec) + "s";
}

std::string durationText(long long seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    seconds %= 24 * 3600;
    return twoDigits(static_cast<int>(seconds / 3600)) + ":" +
           twoDigits(static_cast<int>(seconds / 60 % 60)) + ":" +
           twoDigits(static_cast<int>(seconds % 60));
}

std::string pathComponent(std::string text) {
    for (char& c : text) {
        if (c == '/' || c == '\\' || (static_cast<unsigned char>(c) < 0x20)) {
            c = '_';
        }
    }
    return text;
}

std::string lineFolderPath(const std::string& base, int line, const std::string& lineName) {
    std::string folder = base;
    if (!folder.empty() && folder.back() != kSeparator) {
        folder += kSeparator;
    }
    return folder + "Linha" + std::to_string(line) + "(" + pathComponent(lineName) + ")";
}

std::string dayFolderPath(const std::string& base, int line, const std::string& lineName,
                          const std::tm& local) {
    return lineFolderPath(base, line, lineName) + kSeparator + dayFolderDate(local) + kSeparator;
}

RecordingNaming nameRecording(RecordingCallView& call, bool oddLine) {
    RecordingNaming n;
    if (!call.NumberDisplay.empty()) {
        n.kind = kKindReceived;
        removeMarks(call.NumberDisplay);
        n.lbNomeFile = "->" + call.CallType + "(" + call.AreaCode + ")" + call.NumberDisplay;
        n.lbDeleteFile = "(" + call.AreaCode + ")" + call.NumberDisplay;
        if (oddLine) {
            if (n.lbDeleteFile.size() > 4) {
                n.lbDeleteFile.insert(4, "-");
            }
            n.lbDeleteFile = n.lbDeleteFile.substr(0, 18);
        }
        n.namePart = n.kind + "-(" + call.AreaCode + ")" + call.NumberDisplay;
    } else if (!call.DialNumber.empty()) {
        n.kind = kKindMade;
        removeMarks(call.DialNumber);
        n.lbDeleteFile = "(" + call.DialArea + ")" + dashedNumber(call.DialNumber);
        n.lbNomeFile = n.lbDeleteFile + "->";
        n.namePart = n.kind + "-" + n.lbDeleteFile;
    } else {
        n.kind = kKindUnidentified;
        n.lbNomeFile = n.kind;
        n.lbDeleteFile = n.kind;
        n.namePart = n.kind;
    }
    return n;
}

std::string pairOneFileName(const std::string& folder, const std::tm& local,
                            const std::string& kind, const std::string& shown) {
    std::string s = shown;
    if (s.size() > 1 && s[1] == '(') {
        s = s.substr(1, 20);
    }
    return folder + fileTimeText(local) + "-" + kind + "-" + pathComponent(s) + ".mp3";
}

std::string pairFileName(const std::string& folder, const std::tm& local,
                         const std::string& namePart) {
    return folder + pathComponent(namePart) + "-" + fileTimeText(local) + ".mp3";
}

}  // namespace kovra
