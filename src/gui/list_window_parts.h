// What the destination and privacy windows share: the check list they edit, their buttons,
// and how they open (on top, centred, modal to the application). GUI thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace kovra::gui {

struct CheckRow {
    std::string text;
    bool ticked = false;
};

// Fills list with rows (one checkable item each), without reporting the ticks as changes.
void fillCheckList(QListWidget& list, const std::vector<CheckRow>& rows);
// A button that Enter does not press.
QPushButton* plainButton(QWidget* parent, const char* name, const char* caption);
// The bottom row both list windows have: "Ajuda" on the left, "Ok", "Aplicar" and
// "Cancelar" on the right; content goes above it.
struct ListButtons {
    QPushButton* help = nullptr;    // btHelpPriv
    QPushButton* ok = nullptr;      // Button1
    QPushButton* apply = nullptr;   // btAplicar
    QPushButton* cancel = nullptr;  // Button4
};
ListButtons layOutListWindow(QDialog& window, QWidget* content);

// Keeps window on top of the application's other windows and makes it modal to them.
void makeListDialog(QDialog& window);
// Centres window on the primary screen and shows it.
void showCentred(QDialog& window);

}  // namespace kovra::gui
