// The desktop run's windows: the application object, the tray icon with its menu, the
// three pair windows and the message boxes. Loop (GUI) thread only.
#pragma once

#include <QApplication>
#include <array>
#include <functional>
#include <memory>

#include "app/desktop.h"
#include "gui/destination_window.h"
#include "gui/gui_user_interface.h"
#include "gui/pair_window.h"
#include "gui/privacy_window.h"
#include "gui/text_file_window.h"
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

    // The windows shared by the pairs, opened from a pair window: the destination list of
    // line n (btIPAvanc), the privacy list (btPrivate), the text-file names of a pair
    // (btGeraTexto). Each does nothing before attach.
    void showDestinations(int line);
    void showPrivacy();
    void showCallerIdTextFiles(int pair);

    TrayWindow& tray() { return tray_; }
    PairWindow* pairWindow(int pair) {
        return windows_.at(static_cast<std::size_t>(pair - 1)).get();
    }
    DestinationWindow* destinationWindow() { return destinationWindow_.get(); }
    PrivacyWindow* privacyWindow() { return privacyWindow_.get(); }
    TextFileWindow* textFileWindow() { return textFileWindow_.get(); }

  private:
    void windowHidden();
    // What the pair windows' buttons open outside them.
    PairWindowLinks windowLinks(int pair);

    // QApplication keeps references to argc and argv: they live as long as it does.
    int argc_ = 1;
    char arg0_[13] = "kovra-plugin";
    char* argv_[2] = {arg0_, nullptr};
    std::unique_ptr<QApplication> ownedApp_;
    std::function<void()> exit_;
    TrayWindow tray_;
    GuiUserInterface ui_;
    std::array<std::unique_ptr<PairWindow>, 3> windows_;
    std::unique_ptr<relay::control::DestinationListModel> destinations_;
    std::unique_ptr<DestinationWindow> destinationWindow_;
    std::unique_ptr<PrivacyWindow> privacyWindow_;
    std::unique_ptr<settings::CallerIdTextDialog> textFiles_;
    std::unique_ptr<TextFileWindow> textFileWindow_;
};

}  // namespace kovra::gui
