// Finding a window's widgets by their object names, for the window tests.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <stdexcept>

namespace kovra::gui::testing {

// The widget of that name and type inside window; a test failure, and an exception that
// ends the test, when there is none.
template <class W>
W& widget(QWidget& window, const QString& name) {
    W* found = window.findChild<W*>(name);
    if (found == nullptr) {
        ADD_FAILURE() << "no widget " << name.toStdString();
        throw std::runtime_error("missing widget");
    }
    return *found;
}

// Whether the widget would be seen with its window on screen (its page chosen).
inline bool shown(QWidget& window, const QString& name) {
    return widget<QWidget>(window, name).isVisibleTo(&window);
}

}  // namespace kovra::gui::testing
