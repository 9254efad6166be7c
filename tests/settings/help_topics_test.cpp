// Every help entry opens a page that ships with the program.
#include "settings/help_topics.h"

#include <gtest/gtest.h>

namespace kovra::settings {
namespace {

TEST(HelpTopics, EachEntryOpensItsPageAndThePagesShipBesideTheProgram) {
    struct Case {
        std::optional<std::string> topic;
        const char* expected;  // null: the entry opens nothing
    };
    const Case cases[] = {
        {pairWindowHelpTopic(PairPage::Audio), "ConfigAudio.htm"},
        {pairWindowHelpTopic(PairPage::Recording), "ConfigAutoRec.htm"},
        {pairWindowHelpTopic(PairPage::Relay), "Repeater.htm"},
        {pairWindowHelpTopic(PairPage::Diagnostics), nullptr},
        {std::string(kListWindowsHelpTopic), "Private.htm"},
    };
    const auto folder = helpFolder(std::filesystem::path(KOVRA_BINARY_DIR) / "src" / "app");
    EXPECT_TRUE(std::filesystem::exists(folder / "index.htm"));
    for (const Case& c : cases) {
        if (!c.expected) {
            EXPECT_FALSE(c.topic.has_value());
            continue;
        }
        ASSERT_TRUE(c.topic.has_value()) << c.expected;
        EXPECT_EQ(*c.topic, c.expected);
        EXPECT_TRUE(std::filesystem::exists(helpTopicPage(folder, *c.topic))) << *c.topic;
    }
}

}  // namespace
}  // namespace kovra::settings
