// The desktop run's windows: the application object, the tray icon with its menu, the
// three pair windows and the message boxes. Loop (GUI) thread only.
#pragma once

#include <QApplication>
#include <array>
#include <functional>
#include <memory>

#include "app/desktop.h"
#include "gui/gui_user_interface.h"
#include "gui/pair_window.h"
#include "gui/tray_window.h"

namespace kovra::gui {

class DesktopShell final : public Desktop {
  public:
    // Uses the running QApplication when there is one (tests), otherwise makes its own.
    DesktopShell();
    ~DesktopShell() override;

    UserInterface& ui() override { return ui_; }
    void attach(const std::array<LinePair*, 3>& pairs, std::function<void()> exit) override;
    void openPairWindow(int pair) override;
    bool pairWindowShown(int pair) const override;
    void setTrayCycling(bool cycling) override { tray_.setCycling(cycling); }
    bool closeMessageBoxes() override { return ui_.closeOpenBoxes(); }
    void storePositions() override;
    void release() override;

    TrayWindow& tray() { return tray_; }
    PairWindow* pairWindow(int pair) {
        return windows_.at(static_cast<std::size_t>(pair - 1)).get();
    }

  private:
    void windowHidden();
    // What the pair windows' buttons open outside them.
    PairWindowLinks windowLinks();

    // QApplication keeps references to argc and argv: they live as long as it does.
    int argc_ = 1;
    char arg0_[13] = "kovra-plugin";
    char* argv_[2] = {arg0_, nullptr};
    std::unique_ptr<QApplication> ownedApp_;
    std::function<void()> exit_;
    TrayWindow tray_;
    GuiUserInterface ui_;
    std::array<std::unique_ptr<PairWindow>, 3> windows_;
};

}  // namespace kovra::gui
