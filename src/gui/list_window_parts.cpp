#include "gui/list_window_parts.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui/bindings.h"

namespace kovra::gui {

void fillCheckList(QListWidget& list, const std::vector<CheckRow>& rows) {
    const QSignalBlocker block(&list);
    list.clear();
    for (const CheckRow& row : rows) {
        auto* item = new QListWidgetItem(qs(row.text), &list);  // NOLINT: owned by the list
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(row.ticked ? Qt::Checked : Qt::Unchecked);
    }
}

QPushButton* plainButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = child<QPushButton>(parent, QString::fromUtf8(caption));
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    return button;
}

ListButtons layOutListWindow(QDialog& window, QWidget* content) {
    ListButtons b;
    b.help = plainButton(&window, "btHelpPriv", "Ajuda");
    b.ok = plainButton(&window, "Button1", "Ok");
    b.apply = plainButton(&window, "btAplicar", "Aplicar");
    b.cancel = plainButton(&window, "Button4", "Cancelar");
    auto* row = new QHBoxLayout;  // NOLINT: owned by the layout it is added to
    row->addWidget(b.help);
    row->addStretch();
    row->addWidget(b.ok);
    row->addWidget(b.apply);
    row->addWidget(b.cancel);
    auto* layout = child<QVBoxLayout>(&window);
    layout->addWidget(content);
    layout->addLayout(row);
    return b;
}

void makeListDialog(QDialog& window) {
    window.setWindowFlag(Qt::WindowStaysOnTopHint);
    window.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    window.setWindowModality(Qt::ApplicationModal);
}

void showCentred(QDialog& window) {
    window.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace kovra::gui
