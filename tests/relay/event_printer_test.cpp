// kovra-listen's output lines: one line per event whatever the values hold.
#include "event_printer.h"

#include <gtest/gtest.h>

namespace kovra::listen {
namespace {

TEST(EventPrinter, ValuesNeverBreakTheLine) {
    const std::vector<Field> fields{
        {"line", "1", false}, {"text", "a\tb\nc\"d\\e\x01", false}, {"count", "2", true}};
    EXPECT_EQ(formatLine("x", fields, false), "x\tline=1\ttext=a\\tb\\nc\"d\\\\e\\u0001\tcount=2");
    EXPECT_EQ(formatLine("x", fields, true),
              R"({"event":"x","line":"1","text":"a\tb\nc\"d\\e\u0001","count":2})");
}

}  // namespace
}  // namespace kovra::listen
