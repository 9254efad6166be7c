// The tray icon and its menu: the only part of the main window a user meets. Opens the
// pair windows and asks for the orderly end; cycles its four images while a line
// records. Loop (GUI) thread only.
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace kovra::gui {

class TrayWindow {
  public:
    static constexpr int kImages = 4;
    static constexpr int kAnimationStepMs = 100;

    struct Actions {
        std::function<void(int pair)> openPair;  // "Linhas 1 e 2" … and a double click (pair 1)
        std::function<void()> exit;              // "Sair"
    };

    explicit TrayWindow(Actions actions);
    ~TrayWindow();
    TrayWindow(const TrayWindow&) = delete;
    TrayWindow& operator=(const TrayWindow&) = delete;

    // Whether the desktop has a notification area to show the icon in.
    static bool trayAvailable();

    void setIconVisible(bool visible);
    bool iconVisible() const { return iconVisible_; }
    // Animation on: the images follow each other every 100 ms; off: the first image.
    void setCycling(bool cycling);
    bool cycling() const { return animation_.isActive(); }
    int imageIndex() const { return image_; }
    // "Configurações" is disabled while the window of pair 2 or 3 is open.
    void setSettingsEnabled(bool enabled);

    QMenu& menu() { return *menu_; }
    QAction& settingsAction();
    QAction& pairAction(int pair);
    QAction& exitAction();
    QSystemTrayIcon& icon() { return icon_; }

  private:
    void step();

    Actions actions_;
    std::unique_ptr<QMenu> menu_;
    QMenu* settingsMenu_ = nullptr;  // owned by menu_
    std::array<QAction*, 3> pairActions_{};
    QAction* exitAction_ = nullptr;
    std::array<QIcon, kImages> images_;
    QSystemTrayIcon icon_;
    QTimer animation_;
    int image_ = 0;
    bool iconVisible_ = false;
};

// The four images of the icon, drawn here so that no picture file is needed.
std::array<QIcon, TrayWindow::kImages> trayImages();

}  // namespace kovra::gui
