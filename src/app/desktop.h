// The windows of a desktop run: the tray icon with its menu and the three pair windows.
// Without one the program runs headless. Loop thread only.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "platform/user_interface.h"

namespace kovra {

class LinePair;

class Desktop {
  public:
    virtual ~Desktop() = default;

    // Message boxes, the beep and the tray icon.
    virtual UserInterface& ui() = 0;
    // The pairs exist (pair p at index p - 1): their windows are made, hidden. exit asks
    // for the orderly end, as "Sair" does.
    virtual void attach(const std::array<LinePair*, 3>& pairs, std::function<void()> exit) = 0;
    // Opens pair p's window as its tray menu entry does: centred, on its audio page.
    virtual void openPairWindow(int pair) = 0;
    virtual bool pairWindowShown(int pair) const = 0;
    // The tray icon cycles its images while a line records.
    virtual void setTrayCycling(bool cycling) = 0;
    // Closes any open message box (as its default answer would); true when one was
    // open. The exit waits for the handler that opened it to return first.
    virtual bool closeMessageBoxes() = 0;
    // Exit: each window's position into its pair's settings, then the windows close and
    // go, before their pairs do.
    virtual void storePositions() = 0;
    virtual void release() = 0;
};

// Made by the desktop library (kovra_gui). Null when no display can be opened: the
// program then runs headless.
std::unique_ptr<Desktop> makeDesktop();

}  // namespace kovra
