#include "gui/destination_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/bindings.h"
#include "gui/list_window_parts.h"
#include "settings/help_topics.h"

namespace kovra::gui {

DestinationWindow::DestinationWindow(relay::control::DestinationListModel& model, HelpOpener help)
    : model_(model), help_(std::move(help)) {
    setObjectName(QStringLiteral("TFormAvancIP"));
    makeListDialog(*this);

    auto* pages = child<QTabWidget>(this);
    auto* page = child<QWidget>(pages);
    pages->addTab(page, QStringLiteral("Listagem de IP dos Repeaters"));
    auto* pageLayout = child<QVBoxLayout>(page);
    panelLinha_ = child<QLabel>(page);
    panelLinha_->setObjectName(QStringLiteral("PanelLinha"));
    panelLinha_->setAlignment(Qt::AlignCenter);
    panelLinha_->setFrameShape(QFrame::StyledPanel);
    QFont bold = panelLinha_->font();
    bold.setBold(true);
    panelLinha_->setFont(bold);
    pageLayout->addWidget(panelLinha_);

    auto* group = child<QGroupBox>(
        page, QString::fromUtf8(" Insira os IP's para os quais serão enviados os eventos "));
    auto* grid = child<QGridLayout>(group);
    address_ = child<QLineEdit>(group);
    address_->setObjectName(QStringLiteral("EditInsereIP"));
    // The key filters: digits and "." for the address, digits for the port.
    address_->setValidator(child<QRegularExpressionValidator>(
        address_, QRegularExpression(QStringLiteral("[0-9.]*"))));
    port_ = child<QLineEdit>(group);
    port_->setObjectName(QStringLiteral("EditPorta"));
    port_->setAlignment(Qt::AlignRight);
    port_->setValidator(
        child<QRegularExpressionValidator>(port_, QRegularExpression(QStringLiteral("[0-9]*"))));
    port_->setMaximumWidth(90);
    insert_ = plainButton(group, "btInsere", "Inserir");
    exists_ = child<QLabel>(group);
    exists_->setObjectName(QStringLiteral("lbExist"));
    list_ = child<QListWidget>(group);
    list_->setObjectName(QStringLiteral("ListBox1"));
    remove_ = plainButton(group, "btRemove", "Remover");
    grid->addWidget(child<QLabel>(group, QStringLiteral("IP do Repeater")), 0, 0);
    grid->addWidget(child<QLabel>(group, QStringLiteral("Porta")), 0, 1);
    grid->addWidget(address_, 1, 0);
    grid->addWidget(port_, 1, 1);
    grid->addWidget(insert_, 1, 2);
    grid->addWidget(exists_, 2, 0, 1, 3);
    grid->addWidget(
        child<QLabel>(group, QString::fromUtf8("Após inseir, marque  os IP's desejados")), 3, 0, 1,
        3);
    grid->addWidget(list_, 4, 0, 1, 2);
    grid->addWidget(remove_, 4, 2, Qt::AlignTop);
    grid->setColumnStretch(0, 1);
    pageLayout->addWidget(group);

    const ListButtons buttons = layOutListWindow(*this, pages);
    apply_ = buttons.apply;

    connect(address_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.setEditInsereIP(ss(text));
        syncControls();
    });
    connect(port_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_.setEditPorta(ss(text));
        syncControls();
    });
    connect(insert_, &QPushButton::clicked, this, [this] {
        model_.insert();
        syncList();
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            model_.select(row);
            syncControls();
        }
    });
    connect(list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        model_.setTicked(list_->row(item), item->checkState() == Qt::Checked);
        syncControls();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        model_.remove();
        syncList();
    });
    connect(buttons.apply, &QPushButton::clicked, this, [this] {
        model_.apply();
        syncControls();
    });
    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        model_.ok();
        accept();
    });
    connect(buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(buttons.help, &QPushButton::clicked, this, [this] {
        if (help_) {
            help_(settings::kListWindowsHelpTopic);
        }
    });
}

void DestinationWindow::openFor(int line) {
    model_.open(line);
    setWindowTitle(qs(model_.caption()));
    syncList();
    showCentred(*this);
    address_->setFocus();
}

void DestinationWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        model_.hide();
        syncList();
    }
}

void DestinationWindow::syncList() {
    std::vector<CheckRow> rows;
    for (const auto& row : model_.rows()) {
        rows.push_back({row.entry, row.ticked});
    }
    fillCheckList(*list_, rows);
    {
        const QSignalBlocker block(list_);
        list_->setCurrentRow(model_.selectedRow());
    }
    syncControls();
}

void DestinationWindow::syncControls() {
    panelLinha_->setText(qs(model_.panelLinha()));
    if (address_->text() != qs(model_.editInsereIP())) {
        address_->setText(qs(model_.editInsereIP()));
    }
    if (port_->text() != qs(model_.editPorta())) {
        port_->setText(qs(model_.editPorta()));
    }
    exists_->setText(qs(model_.lbExist()));
    insert_->setEnabled(model_.insertEnabled());
    remove_->setEnabled(model_.removeEnabled());
    apply_->setEnabled(model_.applyEnabled());
}

}  // namespace kovra::gui
