#include "gui/pair_window.h"

#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/line_pair.h"
#include "app/startup_values.h"
#include "gui/help_opener.h"
#include "gui/test_player.h"
#include "platform/log.h"
#include "platform/pair_profile.h"
#include "platform/process/instance_lock.h"
#include "settings/help_topics.h"

namespace kovra::gui {

namespace {

constexpr int kColumnWidth = 150;

struct ColumnEntry {
    const char* name;
    const char* caption;
};

// The button column, top to bottom: audio, recording, help, relay.
constexpr std::array<ColumnEntry, 4> kColumn = {{
    {"PanelAudio", "Áudio"},
    {"PanelRecord", "Gravação automática"},
    {"PanelHelp", "Arquivo de juda"},
    {"PanelTCP", "Repeater - Serviço Externo via IP"},
}};

}  // namespace

QString pairWindowTitle(int pair) {
    const int odd = 2 * pair - 1;
    return QString::fromUtf8(kProductTitle) +
           QStringLiteral(" [Linhas %1 e %2]").arg(odd).arg(odd + 1);
}

PairWindow::PairWindow(LinePair& pair, std::function<void()> hidden, PairWindowLinks links)
    : pair_(pair), dialog_(pair.dialog()), hidden_(std::move(hidden)), links_(std::move(links)) {
    setObjectName(QStringLiteral("TFormLinhas%1").arg(pair.pair()));
    setWindowTitle(pairWindowTitle(pair.pair()));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);

    pages_ = child<QTabWidget>(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    const QString lines = qs(dialog_.linesBracket());
    pageWidgets_[0] = buildAudioPage();
    pageWidgets_[1] = buildRecordPage();
    pageWidgets_[2] = buildDiagnosticsPage();
    pageWidgets_[3] = buildRelayPage();
    pages_->addTab(pageWidgets_[0], QString::fromUtf8("Configurações de áudio ") + lines);
    pages_->addTab(pageWidgets_[1], QString::fromUtf8("Configurações de gravação ") + lines);
    pages_->addTab(pageWidgets_[2], QString::fromUtf8("Diagnósticos"));
    pages_->addTab(pageWidgets_[3], QString::fromUtf8("Repeaters ") + lines);
    if (pair.pair() == 1) {
        pageWidgets_[4] = buildTestsPage();
        pages_->addTab(pageWidgets_[4], QStringLiteral("Testes"));
    }
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (!syncing_ && pair_.pair() == 1) {
            dialog_.setTestPageActive(index == static_cast<int>(PairPage::Tests));
            syncState();
        }
    });

    lbTitDetector_ = child<QLabel>(this);
    lbTitDetector_->setObjectName(QStringLiteral("lbTitDetector"));
    bnStart_ = child<QPushButton>(this, QStringLiteral("Iniciar"));
    bnStart_->setObjectName(QStringLiteral("BnStart"));
    bnStop_ = child<QPushButton>(this, QStringLiteral("Parar"));
    bnStop_->setObjectName(QStringLiteral("BnStop"));
    auto* ok = child<QPushButton>(this, QStringLiteral("Ok"));
    ok->setObjectName(QStringLiteral("btOK1"));
    btApply1_ = child<QPushButton>(this, QStringLiteral("Aplicar"));
    btApply1_->setObjectName(QStringLiteral("btApply1"));
    auto* cancel = child<QPushButton>(this, QStringLiteral("Cancelar"));
    cancel->setObjectName(QStringLiteral("btCancelConfg"));
    for (QPushButton* button : {bnStart_, bnStop_, ok, btApply1_, cancel}) {
        button->setAutoDefault(false);
    }
    // Enter in an edit is "Ok", as in any dialog.
    ok->setDefault(true);
    connect(bnStart_, &QPushButton::clicked, this, [this] {
        pair_.detectorControl().BnStartClick();
        syncState();
    });
    connect(bnStop_, &QPushButton::clicked, this, [this] {
        pair_.detectorControl().BnStopClick();
        syncState();
    });
    connect(ok, &QPushButton::clicked, this, [this] { dialog_.btOK1Click(); });
    connect(btApply1_, &QPushButton::clicked, this, [this] {
        dialog_.btApply1Click();
        bindings_.load();
        syncState();
    });
    connect(cancel, &QPushButton::clicked, this, [this] { dialog_.btCancelConfgClick(); });
    dialog_.closeWindow = [this] { done(QDialog::Rejected); };

    auto* bottom = new QHBoxLayout;  // NOLINT: owned by the layout it is added to
    bottom->addWidget(lbTitDetector_);
    bottom->addWidget(bnStart_);
    bottom->addWidget(bnStop_);
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(btApply1_);
    bottom->addWidget(cancel);
    auto* right = new QVBoxLayout;  // NOLINT: owned by the layout it is added to
    right->addWidget(pages_, 1);
    right->addLayout(bottom);
    auto* main = child<QHBoxLayout>(this);
    main->addWidget(buildColumn());
    main->addLayout(right, 1);

    live_.setInterval(kRefreshMs);
    connect(&live_, &QTimer::timeout, this, [this] {
        bindings_.tick();
        syncState();
    });
    choose(PairPage::Audio);
    bindings_.load();
    syncState();
}

PairWindow::~PairWindow() {
    live_.stop();
    dialog_.closeWindow = {};
}

QWidget* PairWindow::buildColumn() {
    auto* column = child<QWidget>(this);
    column->setFixedWidth(kColumnWidth);
    auto* layout = child<QVBoxLayout>(column);
    layout->setContentsMargins(0, 0, 0, 0);
    constexpr std::array<PairPage, 4> kPages = {PairPage::Audio, PairPage::Record,
                                                PairPage::Diagnostics, PairPage::Relay};
    for (std::size_t i = 0; i < kColumn.size(); ++i) {
        auto* entry = child<QToolButton>(column);
        entry->setObjectName(QString::fromUtf8(kColumn[i].name));
        entry->setText(QString::fromUtf8(kColumn[i].caption));
        entry->setToolButtonStyle(Qt::ToolButtonTextOnly);
        entry->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        entry->setMinimumHeight(48);
        entry->setCheckable(true);
        entry->setAutoRaise(true);
        // Long captions wrap inside the column instead of being cut.
        entry->setStyleSheet(QStringLiteral("QToolButton { text-align: center; }"));
        const PairPage page = kPages[i];
        if (page == PairPage::Diagnostics) {
            connect(entry, &QToolButton::clicked, this, [this] {
                dialog_.helpClicked();
                openHelp();
                syncState();
            });
        } else {
            connect(entry, &QToolButton::clicked, this, [this, page] { choose(page); });
        }
        entries_[i] = entry;
        layout->addWidget(entry);
    }
    // A long caption on a tool button does not wrap: a label inside it does.
    for (QToolButton* entry : entries_) {
        const QString caption = entry->text();
        entry->setText(QString());
        auto* label = child<QLabel>(entry, caption);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* inner = child<QVBoxLayout>(entry);
        inner->setContentsMargins(4, 2, 4, 2);
        inner->addWidget(label);
    }
    btBoard_ = child<QPushButton>(column, QString::fromUtf8("Diagnósticos"));
    btBoard_->setObjectName(QStringLiteral("btBoard"));
    btBoard_->setAutoDefault(false);
    btBoard_->setVisible(dialog_.diagnosticsButtonVisible());
    connect(btBoard_, &QPushButton::clicked, this, [this] { choose(PairPage::Diagnostics); });
    layout->addWidget(btBoard_);
    layout->addStretch();
    if (pairProfile(pair_.pair()).line.hasHookSignalling) {
        layout->addWidget(buildHookBlock(column));
    }
    return column;
}

QWidget* PairWindow::buildHookBlock(QWidget* column) {
    auto* block = child<QGroupBox>(column, QStringLiteral("Controle de gancho"));
    block->setObjectName(QStringLiteral("Panel7"));
    auto* layout = child<QVBoxLayout>(block);
    layout->setContentsMargins(4, 4, 4, 4);
    // Both lines write into the same two memos, each line's text on its own row.
    auto memo = [this, block](const QString& name, std::string line::LineChannel::*field) {
        auto* edit = child<QPlainTextEdit>(block);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 3 + 10);
        auto refresh = [this, edit, field] {
            QStringList rows;
            for (int k = 1; k <= 2; ++k) {
                const std::string& text = pair_.logic().channel(k).*field;
                if (!text.empty()) {
                    rows << qs(text);
                }
            }
            const QString text = rows.join(u'\n');
            if (edit->toPlainText() != text) {
                edit->setPlainText(text);
            }
        };
        bindings_.onLoad(refresh);
        bindings_.onTick(refresh);
        return edit;
    };
    layout->addWidget(memo(QStringLiteral("Memo3"), &line::LineChannel::HookMemo));
    layout->addWidget(memo(QStringLiteral("Memo4"), &line::LineChannel::EventMemo));
    auto* clear = child<QPushButton>(block, QStringLiteral("Limpa"));
    clear->setObjectName(QStringLiteral("Button5"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, [this] {
        for (int k = 1; k <= 2; ++k) {
            pair_.logic().channel(k).HookMemo.clear();
            pair_.logic().channel(k).EventMemo.clear();
        }
        bindings_.tick();
    });
    layout->addWidget(clear);
    auto* raw = bindings_.liveText(block, [this] { return pair_.logic().Edit2; });
    raw->setObjectName(QStringLiteral("Edit2"));
    layout->addWidget(raw);
    return block;
}

void PairWindow::openHelp() {
    static constexpr std::array<settings::PairPage, 4> kHelpPages = {
        settings::PairPage::Audio, settings::PairPage::Recording, settings::PairPage::Diagnostics,
        settings::PairPage::Relay};
    const auto index = static_cast<std::size_t>(dialog_.page());
    if (index >= kHelpPages.size()) {
        return;
    }
    const auto topic = settings::pairWindowHelpTopic(kHelpPages.at(index));
    if (!topic) {
        return;  // the diagnostics page has no topic
    }
    openHelpTopic(*topic);
}

void PairWindow::choose(PairPage page) {
    dialog_.choosePage(page);
    syncState();
}

void PairWindow::changed() {
    dialog_.changed();
    syncState();
}

void PairWindow::openFromMenu() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    choose(PairPage::Audio);
    show();
    raise();
    activateWindow();
    // The first thing a user changes here is a line's name.
    if (auto* name = findChild<QWidget*>(QStringLiteral("edNomeCanal1"))) {
        name->setFocus();
    }
}

void PairWindow::refresh() {
    bindings_.load();
    syncState();
}

void PairWindow::syncState() {
    syncing_ = true;
    const PairPage chosen = dialog_.page();
    for (int i = 0; i <= static_cast<int>(PairPage::Relay); ++i) {
        pages_->setTabVisible(i, dialog_.tabVisible(static_cast<PairPage>(i)));
    }
    // "Testes" shows over the chosen page while its tab is picked.
    pages_->setCurrentIndex(dialog_.TestPageActive ? static_cast<int>(PairPage::Tests)
                                                   : static_cast<int>(chosen));
    constexpr std::array<PairPage, 4> kPages = {PairPage::Audio, PairPage::Record,
                                                PairPage::Diagnostics, PairPage::Relay};
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const bool lowered = kPages[i] == PairPage::Diagnostics ? dialog_.helpLowered()
                                                                : dialog_.entryLowered(kPages[i]);
        entries_[i]->setChecked(lowered);
    }
    const line::PairDetectorControl& detectors = pair_.detectorControl();
    btApply1_->setEnabled(detectors.ApplyEnabled);
    bnStart_->setEnabled(detectors.BnStartEnabled);
    bnStop_->setEnabled(detectors.BnStopEnabled);
    lbTitDetector_->setText(qs(dialog_.lbTitDetector));
    if (btRemover_ != nullptr) {
        btRemover_->setText(qs(dialog_.btRemoverCaption()));
        btRemover_->setEnabled(pair_.settings().CbDevices.itemIndex >= 0);
    }
    for (QWidget* w : stopOptions_) {
        w->setEnabled(recordRules_.stopOptionsEnabled());
    }
    for (QWidget* w : silence_) {
        w->setEnabled(recordRules_.silenceEnabled());
    }
    // The hook adapter's controls follow the audio page's last adapter change; without a
    // card model (a file input) they follow the stored adapter.
    const audio::PairAudioPage* audio = pair_.audioPage();
    const bool hookAdapter = audio != nullptr
                                 ? audio->FlashRowVisible
                                 : pair_.settings().adapterList(pair_.pair()).itemIndex ==
                                       pairProfile(pair_.pair()).hookAdapterPosition;
    for (QWidget* w : hookOnly_) {
        w->setVisible(hookAdapter);
    }
    for (const auto& sync : syncers_) {
        sync();
    }
    syncing_ = false;
}

void PairWindow::showEvent(QShowEvent* event) {
    stopTestRecordings();
    dialog_.FormShow();
    const settings::PairSettings& s = pair_.settings();
    recordRules_ = RecordingPageRules(s.CheckAutoRec, s.CheckOffHook);
    bindings_.load();
    syncState();
    live_.start();
    QDialog::showEvent(event);
}

void PairWindow::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (event->spontaneous()) {
        return;  // minimised by the platform, not closed
    }
    live_.stop();
    // The position is kept for the exit write.
    pair_.settings().Top = y();
    pair_.settings().Left = x();
    dialog_.FormHide();
    if (hidden_) {
        hidden_();
    }
}

void PairWindow::changeEvent(QEvent* event) {
    // The window ignores the platform's minimise command.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized)) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    QDialog::changeEvent(event);
}

void PairWindow::reject() {
    dialog_.btCancelConfgClick();
}

}  // namespace kovra::gui
