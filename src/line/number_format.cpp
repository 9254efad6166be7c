#include "line/number_format.h"

namespace kovra::line {

std::string digitsOnly(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            out += c;
        }
    }
    return out;
}

std::string slice(const std::string& text, std::size_t from, std::size_t count) {
    if (from >= text.size()) {
        return {};
    }
    return text.substr(from, count);
}

std::string FormatFone(const std::string& digits, bool noType, const std::string& localDdd) {
    const std::string rest1 = slice(digits, 1, 20);
    const std::string rest2 = slice(digits, 2, 20);
    const std::string rest3 = slice(digits, 3, 20);
    switch (digits.size()) {
        case 8:
            return "8" + localDdd + digits;
        case 9:
            return noType ? "8" + localDdd + digits : digits.substr(0, 1) + localDdd + rest1;
        case 10:
            return noType ? "8" + digits.substr(0, 2) + rest2
                          : digits.substr(0, 1) + localDdd + rest1;
        case 11:
            return noType ? "8" + digits.substr(0, 2) + rest2
                          : digits.substr(0, 1) + digits.substr(1, 2) + rest3;
        case 12:
            return noType ? digits : digits.substr(0, 1) + digits.substr(1, 2) + rest3;
        default:
            return digits;
    }
}

std::string callerDigits(const std::string& number) {
    const std::string original = digitsOnly(number);
    std::string digits = original;
    if (!digits.empty() && digits[0] == '0') {
        digits.erase(0, 1);
    }
    if (digits.size() > 11 && original.size() > 1 && original[1] == '0') {
        digits.erase(1, 1);
    }
    return digits;
}

std::string insertDashAfter(const std::string& text, std::size_t after) {
    if (text.size() < after) {
        return text;
    }
    return text.substr(0, after) + "-" + text.substr(after);
}

std::string withSubscriberDash(const std::string& number) {
    if (number.size() == 8) {
        return insertDashAfter(number, 4);
    }
    if (number.size() == 9) {
        return insertDashAfter(number, 5);
    }
    return number;
}

}  // namespace kovra::line
