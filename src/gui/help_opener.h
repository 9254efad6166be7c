// Opens a help topic (a page of the "Ajuda" folder beside the program) in the desktop's
// browser. The windows take it as a function so that tests can see which topic they ask for.
#pragma once

#include <functional>
#include <string>

namespace kovra::gui {

using HelpOpener = std::function<void(const std::string& topic)>;

void openHelpTopic(const std::string& topic);

}  // namespace kovra::gui
