// Formats the subscriber endpoint's events as output lines for kovra-listen: plain
// tab-separated "event<TAB>key=value…" lines, or one JSON object per line.
#pragma once

#include <string>
#include <vector>

namespace kovra::listen {

// One value of an output line.
struct Field {
    std::string key;
    std::string value;
    bool literal = false;  // JSON number or boolean: written without quotes
};

// One output line, without the newline.
std::string formatLine(const std::string& event, const std::vector<Field>& fields, bool json);

// The text as a JSON string literal (quotes included), control characters escaped.
std::string jsonString(const std::string& text);

}  // namespace kovra::listen
