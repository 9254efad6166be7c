#include "gui/gui_user_interface.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "platform/log.h"

namespace kovra::gui {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

MessageAnswer answer(int button) {
    switch (button) {
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            return MessageAnswer::Ok;
    }
}

}  // namespace

MessageAnswer GuiUserInterface::messageBox(const std::string& title, const std::string& text,
                                           MessageIcon icon, MessageButtons buttons) {
    // The log keeps every box, as a headless run would.
    logLine(LogLevel::Info, title + ": " + text);
    QString body = QString::fromStdString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(qtIcon(icon), QString::fromStdString(title), body, qtButtons(buttons),
                    QApplication::activeWindow());
    // A question's safe answer is the default: Yes/No boxes default to No.
    if (buttons == MessageButtons::YesNo) {
        box.setDefaultButton(QMessageBox::No);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    open_.push_back(&box);
    const int chosen = box.exec();
    open_.pop_back();
    return answer(chosen);
}

bool GuiUserInterface::closeOpenBoxes() {
    for (QMessageBox* box : open_) {
        box->reject();
    }
    return !open_.empty();
}

void GuiUserInterface::beep() {
    QApplication::beep();
}

void GuiUserInterface::setTrayIconVisible(bool visible) {
    if (trayVisible_) {
        trayVisible_(visible);
    }
}

}  // namespace kovra::gui
