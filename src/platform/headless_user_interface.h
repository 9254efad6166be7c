// UserInterface for runs without a desktop: every box goes to the log and gets its
// default answer.
#pragma once

#include "platform/user_interface.h"

namespace kovra {

class HeadlessUserInterface final : public UserInterface {
  public:
    MessageAnswer messageBox(const std::string& title, const std::string& text, MessageIcon icon,
                             MessageButtons buttons) override;
    void beep() override {}
    void setTrayIconVisible(bool visible) override { trayIconVisible_ = visible; }
    bool trayIconVisible() const { return trayIconVisible_; }

  private:
    bool trayIconVisible_ = true;
};

}  // namespace kovra
