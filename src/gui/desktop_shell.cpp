#include "gui/desktop_shell.h"

#include <QMenu>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "app/line_pair.h"
#include "gui/help_opener.h"
#include "platform/log.h"

namespace kovra::gui {

namespace {

constexpr int kStartUpRetryMs = 200;

bool displayNamed() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

}  // namespace

DesktopShell::DesktopShell()
    : ownedApp_(QApplication::instance() == nullptr ? std::make_unique<QApplication>(argc_, argv_)
                                                    : nullptr),
      tray_({[this](int pair) { openPairWindow(pair); },
             [this] {
                 if (exit_) {
                     exit_();
                 }
             }}),
      ui_([this](bool visible) { tray_.setIconVisible(visible); }) {
    // Closing a pair window must not end the program: only "Sair" does.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!TrayWindow::trayAvailable()) {
        logLine(LogLevel::Warning,
                "no system tray on this desktop: the tray icon is not shown; the program runs "
                "on (its windows open on the host's command)");
    }
}

DesktopShell::~DesktopShell() {
    release();
}

void DesktopShell::attach(const std::array<LinePair*, 3>& pairs, std::function<void()> exit) {
    exit_ = std::move(exit);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (pairs[i] != nullptr) {
            windows_[i] = std::make_unique<PairWindow>(
                *pairs[i], [this] { windowHidden(); }, windowLinks(static_cast<int>(i) + 1));
        }
    }
    // The shared windows work on what the pairs share.
    LinePair* first = nullptr;
    for (LinePair* pair : pairs) {
        first = first != nullptr ? first : pair;
    }
    if (first == nullptr) {
        return;
    }
    PairServices& shared = first->services();
    destinations_ = std::make_unique<relay::control::DestinationListModel>(shared.files.ip(), ui_);
    destinationWindow_ = std::make_unique<DestinationWindow>(*destinations_, openHelpTopic);
    privacyWindow_ = std::make_unique<PrivacyWindow>(shared.privacy, ui_, openHelpTopic);
    textFiles_ = std::make_unique<settings::CallerIdTextDialog>(shared.files, ui_);
    textFileWindow_ = std::make_unique<TextFileWindow>(*textFiles_);
}

void DesktopShell::showDestinations(int line) {
    if (destinationWindow_) {
        destinationWindow_->openFor(line);
    }
}

void DesktopShell::showPrivacy() {
    if (privacyWindow_) {
        privacyWindow_->open();
    }
}

void DesktopShell::showCallerIdTextFiles(int pair) {
    if (textFileWindow_) {
        textFileWindow_->openFor(pair);
    }
}

PairWindowLinks DesktopShell::windowLinks(int pair) {
    // The shared windows exist once attach has made them; until then a button opens nothing.
    PairWindowLinks links;
    links.openDestinations = [this](int line) { showDestinations(line); };
    links.openPrivacy = [this] { showPrivacy(); };
    links.openTextFiles = [this, pair] { showCallerIdTextFiles(pair); };
    return links;
}

void DesktopShell::openPairWindow(int pair) {
    PairWindow* window = pairWindow(pair);
    if (window == nullptr) {
        return;
    }
    if (!window->pair().startedUp()) {
        // Asked for in the pair's first two seconds: it opens once they are over.
        QTimer::singleShot(std::chrono::milliseconds(kStartUpRetryMs), &tray_.menu(),
                           [this, pair] { openPairWindow(pair); });
        return;
    }
    // Pairs 2 and 3 keep "Configurações" off while their window is open.
    if (pair != 1) {
        tray_.setSettingsEnabled(false);
    }
    window->openFromMenu();
}

bool DesktopShell::pairWindowShown(int pair) const {
    const auto& window = windows_.at(static_cast<std::size_t>(pair - 1));
    return window && window->isVisible();
}

void DesktopShell::windowHidden() {
    tray_.setSettingsEnabled(true);
}

void DesktopShell::storePositions() {
    for (auto& window : windows_) {
        if (window) {
            window->pair().settings().Top = window->y();
            window->pair().settings().Left = window->x();
        }
    }
}

void DesktopShell::release() {
    for (QDialog* shared : {static_cast<QDialog*>(destinationWindow_.get()),
                            static_cast<QDialog*>(privacyWindow_.get()),
                            static_cast<QDialog*>(textFileWindow_.get())}) {
        if (shared != nullptr) {
            shared->hide();
        }
    }
    textFileWindow_.reset();
    textFiles_.reset();
    privacyWindow_.reset();
    destinationWindow_.reset();
    destinations_.reset();
    for (auto& window : windows_) {
        if (window) {
            window->hide();
            window.reset();
        }
    }
}

}  // namespace kovra::gui

namespace kovra {

std::unique_ptr<Desktop> makeDesktop() {
    if (!gui::displayNamed()) {
        logLine(LogLevel::Info, "no display: running headless");
        return nullptr;
    }
    return std::make_unique<gui::DesktopShell>();
}

}  // namespace kovra
