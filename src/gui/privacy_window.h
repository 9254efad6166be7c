// The privacy window: the numbers whose calls are never recorded, ticked to be active,
// with the manual-recording option. Every rule is in PrivacyList; a failed save is said
// in a message box. GUI thread only.
#pragma once

#include <QDialog>

#include "gui/help_opener.h"
#include "platform/user_interface.h"
#include "recording/privacy_list.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kovra::gui {

class PrivacyWindow final : public QDialog {
  public:
    // list and ui outlive the window; help opens the window's help topic.
    PrivacyWindow(PrivacyList& list, UserInterface& ui, HelpOpener help);

    // btPrivateClick: the list as it stands (with changes not yet applied); centred, on
    // top, modal.
    void open();
    PrivacyList& list() { return list_; }

  private:
    void insert();
    // False (after the message box) when the list could not be saved.
    bool apply();
    void syncList();
    void syncControls();

    PrivacyList& list_;
    UserInterface& ui_;
    HelpOpener help_;
    QLineEdit* number_ = nullptr;
    QPushButton* insert_ = nullptr;
    QListWidget* entries_ = nullptr;
    QPushButton* remove_ = nullptr;
    QCheckBox* manual_ = nullptr;
    QPushButton* apply_ = nullptr;
    QLabel* problem_ = nullptr;
};

inline constexpr const char* kPrivacyWindowTitle = "Lista de privacidade de gravações";
inline constexpr const char* kPrivacySaveFailedTitle = "Erro ao gravar configurações";
inline constexpr const char* kPrivacySaveFailedText =
    "A lista de privacidade não foi gravada. Os números marcados continuam protegidos até o "
    "programa ser fechado.";
inline constexpr const char* kPrivacyUnreadable =
    "A lista de privacidade não pôde ser lida: nenhuma chamada é gravada até que ela seja "
    "corrigida.";

}  // namespace kovra::gui
