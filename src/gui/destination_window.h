// The destination-list window: one window for the six lines, editing the line's list of
// addresses and ports that its events go to (insert, remove, tick, apply). Every rule is
// in DestinationListModel. GUI thread only.
#pragma once

#include <QDialog>

#include "gui/help_opener.h"
#include "relay/control/destination_list_model.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kovra::gui {

class DestinationWindow final : public QDialog {
  public:
    // model outlives the window; help opens the window's help topic.
    DestinationWindow(relay::control::DestinationListModel& model, HelpOpener help);

    // btIPAvanc<k>Click of line n: caption, panel and list of line n; centred, on top, modal.
    void openFor(int line);
    relay::control::DestinationListModel& model() { return model_; }

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void syncList();
    void syncControls();

    relay::control::DestinationListModel& model_;
    HelpOpener help_;
    QLabel* panelLinha_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* port_ = nullptr;
    QPushButton* insert_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* exists_ = nullptr;
    QPushButton* apply_ = nullptr;
};

}  // namespace kovra::gui
