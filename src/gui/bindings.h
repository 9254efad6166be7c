// Binds widgets to model fields: the settings go into the widgets when the window shows
// (load), a user's edit goes into the field and runs the change behaviour, and live
// fields are refreshed on each tick while the window is on screen. Widgets are owned by
// their Qt parents. GUI thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;
class QWidget;

namespace kovra::gui {

// A Qt-parented widget: the parent deletes it.
template <class W, class... Args>
W* child(QWidget* parent, Args&&... args) {
    return new W(std::forward<Args>(args)..., parent);  // NOLINT: owned by parent
}

QString qs(const std::string& text);
std::string ss(const QString& text);

class Bindings {
  public:
    using Changed = std::function<void()>;

    QCheckBox* check(QWidget* parent, const char* caption, std::function<bool&()> field,
                     Changed changed);
    QSpinBox* spin(QWidget* parent, int min, int max, std::function<int&()> field, Changed changed);
    QLineEdit* text(QWidget* parent, std::function<std::string&()> field, Changed changed);
    QComboBox* combo(QWidget* parent, const QStringList& items, std::function<int&()> index,
                     Changed changed);
    QSlider* slider(QWidget* parent, int min, int max, std::function<int&()> field,
                    Changed changed);
    // A read-only text refreshed while the window is on screen.
    QLineEdit* liveText(QWidget* parent, std::function<std::string()> value);
    QLabel* liveLabel(QWidget* parent, std::function<std::string()> value);

    void onLoad(std::function<void()> fn) { loaders_.push_back(std::move(fn)); }
    void onTick(std::function<void()> fn) { live_.push_back(std::move(fn)); }

    void load();
    void tick();

  private:
    std::vector<std::function<void()>> loaders_;
    std::vector<std::function<void()>> live_;
};

}  // namespace kovra::gui
