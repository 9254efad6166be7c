// The port through which the system talks to the person at the machine: message boxes,
// the beep, the tray icon state. The GUI shows dialogs; headless mode logs and answers
// the default button. Loop thread only.
#pragma once

#include <string>

namespace kovra {

enum class MessageIcon { None, Information, Warning, Error, Question };

// Button sets and answers, as the message boxes of the windows use them.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // Shows text (lines joined by CR LF) and returns the button chosen.
    virtual MessageAnswer messageBox(const std::string& title, const std::string& text,
                                     MessageIcon icon, MessageButtons buttons) = 0;
    virtual void beep() = 0;
    virtual void setTrayIconVisible(bool visible) = 0;
};

// The answer a box gives when nobody is there to click: its default (first) button.
MessageAnswer defaultAnswer(MessageButtons buttons);

}  // namespace kovra
