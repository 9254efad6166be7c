// Pure number texts of caller identification: splitting a caller's digits into call
// type, area code and subscriber number, and the dashes of a shown number. Any thread.
#pragma once

#include <string>

namespace kovra::line {

// Keeps only the characters '0'..'9' of text.
std::string digitsOnly(const std::string& text);

// Type, area and number of a caller's digits, concatenated. noType is the line's
// "do not detect the call type" box; localDdd fills in a missing area code. Digits of an
// unexpected length come back unchanged.
std::string FormatFone(const std::string& digits, bool noType, const std::string& localDdd);

// The digit text FormatBina formats: digits only, a leading '0' dropped, and for more
// than 11 digits a carrier-style second '0' dropped as well.
std::string callerDigits(const std::string& number);

// A subscriber number as shown: "-" before the last four digits of an 8- or 9-digit
// number, anything else unchanged.
std::string withSubscriberDash(const std::string& number);

// Inserts "-" after the first `after` characters (unchanged when the text is shorter).
std::string insertDashAfter(const std::string& text, std::size_t after);

// Characters [from, from + count) of text, empty or cut short where text is shorter.
std::string slice(const std::string& text, std::size_t from, std::size_t count = std::string::npos);

}  // namespace kovra::line
