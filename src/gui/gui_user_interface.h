// UserInterface of a desktop run: message boxes as dialogs over the active window, the
// desktop's beep, and the tray icon's visibility. Loop (GUI) thread only.
#pragma once

#include <functional>
#include <vector>

#include "platform/user_interface.h"

class QMessageBox;

namespace kovra::gui {

class GuiUserInterface final : public UserInterface {
  public:
    // trayVisible shows or hides the tray icon.
    explicit GuiUserInterface(std::function<void(bool)> trayVisible)
        : trayVisible_(std::move(trayVisible)) {}

    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override;
    void beep() override;
    void setTrayIconVisible(bool visible) override;
    // Closes the boxes now open; true when there was one.
    bool closeOpenBoxes();

  private:
    std::function<void(bool)> trayVisible_;
    std::vector<QMessageBox*> open_;  // boxes shown now, innermost last
};

}  // namespace kovra::gui
