#include "gui/tray_window.h"

#include <QAction>
#include <QColor>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "gui/tray_texts.h"

namespace kovra::gui {

std::array<QIcon, TrayWindow::kImages> trayImages() {
    // A handset on a blue disc; the recording images add a red dot that goes round.
    std::array<QIcon, TrayWindow::kImages> images;
    for (int i = 0; i < TrayWindow::kImages; ++i) {
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x5f, 0xb0));
        p.drawEllipse(1, 1, 30, 30);
        p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(8, 8, 16, 16, 200 * 16, 140 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(5, 14, 6, 9, 2, 2);
        p.drawRoundedRect(21, 14, 6, 9, 2, 2);
        if (i > 0) {
            static constexpr std::array<QPoint, 3> kDots = {QPoint(25, 6), QPoint(25, 26),
                                                            QPoint(7, 26)};
            p.setBrush(QColor(0xe0, 0x20, 0x20));
            p.drawEllipse(kDots.at(static_cast<std::size_t>(i - 1)), 5, 5);
        }
        images.at(static_cast<std::size_t>(i)) = QIcon(pixmap);
    }
    return images;
}

TrayWindow::TrayWindow(Actions actions)
    : actions_(std::move(actions)), menu_(std::make_unique<QMenu>()), images_(trayImages()) {
    settingsMenu_ = menu_->addMenu(QString::fromUtf8(texts::kMenuSettings));
    for (int p = 1; p <= 3; ++p) {
        QAction* action =
            settingsMenu_->addAction(QString::fromUtf8(texts::kMenuPair[p - 1]), [this, p] {
                if (actions_.openPair) {
                    actions_.openPair(p);
                }
            });
        pairActions_.at(static_cast<std::size_t>(p - 1)) = action;
    }
    menu_->addSeparator();
    exitAction_ = menu_->addAction(QString::fromUtf8(texts::kMenuExit), [this] {
        if (actions_.exit) {
            actions_.exit();
        }
    });

    icon_.setIcon(images_[0]);
    icon_.setToolTip(QString::fromUtf8(texts::kTrayHint));
    icon_.setContextMenu(menu_.get());
    QObject::connect(&icon_, &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick && actions_.openPair) {
                             actions_.openPair(1);
                         }
                     });
    animation_.setInterval(kAnimationStepMs);
    QObject::connect(&animation_, &QTimer::timeout, [this] { step(); });
}

TrayWindow::~TrayWindow() {
    animation_.stop();
    icon_.hide();
    icon_.setContextMenu(nullptr);
}

bool TrayWindow::trayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayWindow::setIconVisible(bool visible) {
    iconVisible_ = visible;
    icon_.setVisible(visible);
}

void TrayWindow::setCycling(bool cycling) {
    if (cycling == animation_.isActive()) {
        return;
    }
    if (cycling) {
        animation_.start();
    } else {
        animation_.stop();
        image_ = 0;
        icon_.setIcon(images_[0]);
    }
}

void TrayWindow::step() {
    image_ = (image_ + 1) % kImages;
    icon_.setIcon(images_.at(static_cast<std::size_t>(image_)));
}

void TrayWindow::setSettingsEnabled(bool enabled) {
    settingsMenu_->setEnabled(enabled);
}

QAction& TrayWindow::settingsAction() {
    return *settingsMenu_->menuAction();
}

QAction& TrayWindow::pairAction(int pair) {
    return *pairActions_.at(static_cast<std::size_t>(pair - 1));
}

QAction& TrayWindow::exitAction() {
    return *exitAction_;
}

}  // namespace kovra::gui
