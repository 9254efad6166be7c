#include "platform/headless_user_interface.h"

#include <string>

#include "platform/log.h"

namespace kovra {

MessageAnswer defaultAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            return MessageAnswer::Ok;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Yes;
    }
    return MessageAnswer::Ok;
}

MessageAnswer HeadlessUserInterface::messageBox(const std::string& title, const std::string& text,
                                                MessageIcon /*icon*/, MessageButtons buttons) {
    std::string flat = text;
    for (auto& c : flat) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    logLine(LogLevel::Warning, "message box [" + title + "]: " + flat);
    return defaultAnswer(buttons);
}

}  // namespace kovra
