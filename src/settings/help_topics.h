// Which help page each window opens, and where the help lives: the folder "Ajuda" beside the
// executable, its topics under "html/". The windows open the page in the desktop's browser.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kovra::settings {

// The pages of a line-pair window that its help entry can be pressed on.
enum class PairPage { Audio, Recording, Diagnostics, Relay };

// The topic of the pair window's help entry; the diagnostics page has none.
std::optional<std::string> pairWindowHelpTopic(PairPage page);
// The destination list and privacy list windows share one topic.
inline constexpr const char* kListWindowsHelpTopic = "Private.htm";

// programFolder + "Ajuda".
std::filesystem::path helpFolder(const std::filesystem::path& programFolder);
// The page of a topic inside the help folder.
std::filesystem::path helpTopicPage(const std::filesystem::path& folder, const std::string& topic);

}  // namespace kovra::settings
