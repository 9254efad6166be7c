// The relay page's local-address note and caller-ID text-file controls.
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/line_pair.h"
#include "gui/pair_window.h"
#include "relay/control/host_identity.h"

namespace kovra::gui {

QWidget* PairWindow::buildLocalAddressNote(QWidget* parent, int k) {
    const settings::PairSettings& s = pair_.settings();
    const relay::control::HostIdentity& host = pair_.services().host;
    // Shown only while the machine's address is unknown and the line needs it.
    auto* note = child<QLabel>(parent);
    note->setObjectName(QStringLiteral("lbLocalAddress%1").arg(k));
    note->setStyleSheet(QStringLiteral("color: #b00000;"));
    note->setWordWrap(true);
    note->hide();
    auto show = [note, &host, &s, k] {
        const QString text = qs(relay::control::localAddressProblem(host, s.chkSameIP(k)));
        if (note->text() != text) {
            note->setText(text);
            note->setVisible(!text.isEmpty());
        }
    };
    bindings_.onLoad(show);
    bindings_.onTick(show);
    return note;
}

QWidget* PairWindow::buildTextFileRow(QWidget* parent) {
    settings::PairSettings& s = pair_.settings();
    auto* row = child<QWidget>(parent);
    auto* layout = child<QHBoxLayout>(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* name = child<QPushButton>(
        row, QString::fromUtf8("Clique aquí para especificar o nome do arquivo"));
    name->setObjectName(QStringLiteral("btGeraTexto"));
    name->setAutoDefault(false);
    auto* check = bindings_.check(
        row, "Gerar arquivo texto com o nº  identificado", [&s]() -> bool& { return s.CheckTexto; },
        [this, name, &s] {
            name->setEnabled(s.CheckTexto);
            changed();
        });
    check->setObjectName(QStringLiteral("CheckTexto"));
    bindings_.onLoad([name, &s] { name->setEnabled(s.CheckTexto); });
    connect(name, &QPushButton::clicked, this, [this] {
        if (links_.openTextFiles) {
            links_.openTextFiles();
        }
    });
    layout->addWidget(check);
    layout->addWidget(name);
    layout->addStretch();
    return row;
}

}  // namespace kovra::gui
