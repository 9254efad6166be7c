#include "gui/privacy_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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

PrivacyWindow::PrivacyWindow(PrivacyList& list, UserInterface& ui, HelpOpener help)
    : list_(list), ui_(ui), help_(std::move(help)) {
    setObjectName(QStringLiteral("TFormPrivate"));
    setWindowTitle(QString::fromUtf8(kPrivacyWindowTitle));
    makeListDialog(*this);

    auto* pages = child<QTabWidget>(this);
    auto* page = child<QWidget>(pages);
    pages->addTab(page, QString::fromUtf8("Privacidade de gravação"));
    auto* pageLayout = child<QVBoxLayout>(page);
    auto* group = child<QGroupBox>(
        page, QString::fromUtf8(" Não efetuar gravações dos seguintes telefones "));
    auto* grid = child<QGridLayout>(group);
    number_ = child<QLineEdit>(group);
    number_->setObjectName(QStringLiteral("EditInsere"));
    // Digits only: an entry is area code and number without separators.
    number_->setValidator(
        child<QRegularExpressionValidator>(number_, QRegularExpression(QStringLiteral("[0-9]*"))));
    insert_ = plainButton(group, "btInsere", "Inserir");
    entries_ = child<QListWidget>(group);
    entries_->setObjectName(QStringLiteral("ListBox1"));
    remove_ = plainButton(group, "btRemove", "Remover");
    manual_ = child<QCheckBox>(
        group, QString::fromUtf8("Permitir gravar no modo manual (botão na tela principal)"));
    manual_->setObjectName(QStringLiteral("chkPermiteManual"));
    problem_ = child<QLabel>(group);
    problem_->setObjectName(QStringLiteral("lbProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000;"));
    grid->addWidget(child<QLabel>(group, QString::fromUtf8("Fone com DDD (quando aplicável)")), 0,
                    0);
    grid->addWidget(number_, 1, 0);
    grid->addWidget(insert_, 1, 1);
    grid->addWidget(
        child<QLabel>(group,
                      QString::fromUtf8("Após inseir, marque para não gravar em modo automático")),
        2, 0, 1, 2);
    grid->addWidget(entries_, 3, 0);
    grid->addWidget(remove_, 3, 1, Qt::AlignTop);
    grid->addWidget(manual_, 4, 0, 1, 2);
    grid->addWidget(problem_, 5, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    pageLayout->addWidget(group);

    const ListButtons buttons = layOutListWindow(*this, pages);
    apply_ = buttons.apply;

    connect(number_, &QLineEdit::textChanged, this, [this] { syncControls(); });
    // Enter in the field inserts its text, even an empty one (which the list refuses).
    connect(number_, &QLineEdit::returnPressed, this, [this] { insert(); });
    connect(insert_, &QPushButton::clicked, this, [this] { insert(); });
    connect(entries_, &QListWidget::currentRowChanged, this, [this] { syncControls(); });
    connect(entries_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        list_.setTicked(static_cast<std::size_t>(entries_->row(item)),
                        item->checkState() == Qt::Checked);
        syncControls();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        const int row = entries_->currentRow();
        if (row >= 0) {
            list_.remove(static_cast<std::size_t>(row));
        }
        syncList();
        {
            const QSignalBlocker block(entries_);
            entries_->setCurrentRow(-1);
        }
        syncControls();
    });
    connect(manual_, &QCheckBox::clicked, this, [this](bool on) {
        list_.setPermiteManual(on);
        syncControls();
    });
    connect(buttons.apply, &QPushButton::clicked, this, [this] { apply(); });
    connect(buttons.ok, &QPushButton::clicked, this, [this] {
        if (apply()) {
            accept();
        }
    });
    connect(buttons.cancel, &QPushButton::clicked, this, [this] {
        list_.cancel();
        reject();
    });
    connect(buttons.help, &QPushButton::clicked, this, [this] {
        if (help_) {
            help_(settings::kListWindowsHelpTopic);
        }
    });
    syncList();
}

void PrivacyWindow::open() {
    syncList();
    showCentred(*this);
    number_->setFocus();
}

void PrivacyWindow::insert() {
    if (list_.insert(ss(number_->text().trimmed()))) {
        number_->clear();
        syncList();
    }
}

bool PrivacyWindow::apply() {
    const std::optional<std::string> error = list_.apply();
    syncControls();
    if (error) {
        ui_.messageBox(kPrivacySaveFailedTitle,
                       std::string(kPrivacySaveFailedText) + "\r\n" + *error, MessageIcon::Error,
                       MessageButtons::Ok);
        return false;
    }
    return true;
}

void PrivacyWindow::syncList() {
    std::vector<CheckRow> rows;
    for (const PrivacyEntry& entry : list_.entries()) {
        rows.push_back({entry.number, entry.ticked});
    }
    fillCheckList(*entries_, rows);
    syncControls();
}

void PrivacyWindow::syncControls() {
    insert_->setEnabled(!number_->text().trimmed().isEmpty());
    remove_->setEnabled(entries_->currentRow() >= 0);
    {
        const QSignalBlocker block(manual_);
        manual_->setChecked(list_.permiteManual());
    }
    apply_->setEnabled(list_.applyEnabled());
    const auto& problem = list_.readProblem();
    problem_->setVisible(problem.has_value());
    problem_->setText(problem ? QString::fromUtf8(kPrivacyUnreadable) + u' ' + qs(*problem)
                              : QString());
}

}  // namespace kovra::gui
