#include "gui/text_file_window.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/bindings.h"
#include "gui/list_window_parts.h"

namespace kovra::gui {

QString chooseTextFile(QWidget* parent, const QString& current) {
    QFileDialog dialog(parent, QString(), current, QStringLiteral("Arquivos texto (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

TextFileWindow::TextFileWindow(settings::CallerIdTextDialog& model, ChooseFile choose)
    : model_(model), choose_(choose ? std::move(choose) : ChooseFile(chooseTextFile)) {
    setObjectName(QStringLiteral("TFormConfigTexto"));
    setWindowTitle(QString::fromUtf8(settings::kTextFileDialogTitle));
    makeListDialog(*this);
    setMinimumWidth(520);

    auto* grid = new QGridLayout;  // NOLINT: owned by the layout it is added to
    for (int side = 1; side <= 2; ++side) {
        const auto i = static_cast<std::size_t>(side - 1);
        auto* label = child<QLabel>(this);
        label->setObjectName(QStringLiteral("Label%1").arg(side));
        auto* edit = child<QLineEdit>(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(side));
        const QByteArray name = QStringLiteral("Button%1").arg(side).toUtf8();
        auto* folders = plainButton(this, name.constData(), "Pastas...");
        connect(edit, &QLineEdit::textEdited, this,
                [this, side](const QString& text) { model_.setEdit(side, ss(text)); });
        connect(folders, &QPushButton::clicked, this, [this, side] {
            const QString file = choose_(this, qs(model_.edit(side)));
            if (!file.isEmpty()) {
                model_.chosen(side, ss(file));
                sync();
            }
        });
        labels_.at(i) = label;
        edits_.at(i) = edit;
        const int row = 2 * (side - 1);
        grid->addWidget(label, row, 0, 1, 2);
        grid->addWidget(edit, row + 1, 0);
        grid->addWidget(folders, row + 1, 1);
    }
    grid->setColumnStretch(0, 1);
    auto* ok = plainButton(this, "Button3", "Ok");
    connect(ok, &QPushButton::clicked, this, [this] {
        if (model_.ok()) {
            accept();
        }
    });
    auto* buttons = new QHBoxLayout;  // NOLINT: owned by the layout it is added to
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = child<QVBoxLayout>(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TextFileWindow::openFor(int pair) {
    model_.open(pair);
    sync();
    showCentred(*this);
}

void TextFileWindow::sync() {
    for (int side = 1; side <= 2; ++side) {
        const auto i = static_cast<std::size_t>(side - 1);
        labels_.at(i)->setText(qs(model_.label(side)));
        edits_.at(i)->setText(qs(model_.edit(side)));
    }
}

}  // namespace kovra::gui
