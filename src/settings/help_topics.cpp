#include "settings/help_topics.h"

namespace kovra::settings {

std::optional<std::string> pairWindowHelpTopic(PairPage page) {
    switch (page) {
        case PairPage::Audio:
            return "ConfigAudio.htm";
        case PairPage::Recording:
            return "ConfigAutoRec.htm";
        case PairPage::Relay:
            return "Repeater.htm";
        case PairPage::Diagnostics:
            break;
    }
    return std::nullopt;
}

std::filesystem::path helpFolder(const std::filesystem::path& programFolder) {
    return programFolder / "Ajuda";
}

std::filesystem::path helpTopicPage(const std::filesystem::path& folder, const std::string& topic) {
    return folder / "html" / topic;
}

}  // namespace kovra::settings
