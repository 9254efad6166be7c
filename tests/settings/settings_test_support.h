// Raw file access and a recording UserInterface for the settings tests (and the shared
// temporary folder).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/user_interface.h"
#include "temp_folder.h"

namespace kovra::settings::testing {

using kovra::test::TempFolder;

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

struct ShownBox {
    std::string title;
    std::string text;
    MessageIcon icon;
};

class RecordingUserInterface final : public UserInterface {
  public:
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override {
        boxes.push_back({title, text, icon});
        return defaultAnswer(buttons);
    }
    void beep() override {}
    void setTrayIconVisible(bool visible) override { trayIcon.push_back(visible); }

    std::vector<ShownBox> boxes;
    std::vector<bool> trayIcon;
};

}  // namespace kovra::settings::testing
