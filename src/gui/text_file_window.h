// The caller-ID text-file dialog: one dialog for the three pairs, naming the file each line
// of a pair writes its identified callers to. Every rule is in CallerIdTextDialog. GUI
// thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <functional>

#include "settings/caller_id_text_dialog.h"

class QLabel;
class QLineEdit;

namespace kovra::gui {

class TextFileWindow final : public QDialog {
  public:
    // Asks the user for a file to save to, starting at current; empty when cancelled.
    using ChooseFile = std::function<QString(QWidget* parent, const QString& current)>;

    // model outlives the window. choose defaults to the desktop's save-file dialog.
    explicit TextFileWindow(settings::CallerIdTextDialog& model, ChooseFile choose = {});

    // btGeraTextoClick of pair p: its two lines' names; centred, on top, modal.
    void openFor(int pair);
    settings::CallerIdTextDialog& model() { return model_; }

  private:
    void sync();

    settings::CallerIdTextDialog& model_;
    ChooseFile choose_;
    std::array<QLabel*, 2> labels_{};
    std::array<QLineEdit*, 2> edits_{};
};

// The save-file dialog for a text file: extension "txt" added when none is typed.
QString chooseTextFile(QWidget* parent, const QString& current);

}  // namespace kovra::gui
