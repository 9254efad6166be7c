// The test recordings of the recording page (pairs whose profile has them): a test on
// either line, the list of the run's test files, the player, "Excluir" and "Pasta".
#include <QComboBox>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <filesystem>

#include "app/line_pair.h"
#include "gui/pair_window.h"
#include "gui/test_player.h"

namespace kovra::gui {

namespace {

QString minutes(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The size of a file being written, as the page shows it ("12 KB"); empty when unknown.
QString sizeText(const std::string& file) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(file, error);
    return error ? QString() : QStringLiteral("%1 KB").arg((bytes + 512) / 1024);
}

}  // namespace

QWidget* PairWindow::buildTestRecordingPanel(QWidget* page) {
    player_ = std::make_unique<MediaTestPlayer>();
    testList_ = std::make_unique<TestRecordingList>(*player_);
    RecordingControl& recording = pair_.recordingControl();

    auto* panel = child<QGroupBox>(page, QString::fromUtf8(" Gravação de teste "));
    auto* grid = child<QGridLayout>(panel);
    int row = 0;
    std::array<QLabel*, 2> sizes{};
    std::array<QPushButton*, 2> starts{};
    std::array<QPushButton*, 2> stops{};
    for (int k = 1; k <= 2; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        auto* start = child<QPushButton>(panel, QString::fromUtf8("Iniciar uma gravação de teste"));
        start->setObjectName(QStringLiteral("btRecTest%1").arg(k));
        start->setAutoDefault(false);
        auto* stop = child<QPushButton>(panel, QStringLiteral("Parar"));
        stop->setObjectName(QStringLiteral("bsStopTestRec%1").arg(k));
        stop->setAutoDefault(false);
        stop->setEnabled(false);
        auto* size = child<QLabel>(panel);
        size->setObjectName(QStringLiteral("lbCountTam%1").arg(k));
        size->setMinimumWidth(size->fontMetrics().horizontalAdvance(QStringLiteral("00000 KB")));
        connect(start, &QPushButton::clicked, this, [this, k] { startTestRecording(k); });
        connect(stop, &QPushButton::clicked, this, [this, k] { stopTestRecording(k); });
        grid->addWidget(child<QLabel>(panel, QStringLiteral("Linha %1").arg(pair_.line(k))), row,
                        0);
        grid->addWidget(start, row, 1);
        grid->addWidget(stop, row, 2);
        grid->addWidget(child<QLabel>(panel, QStringLiteral("Tamanho:")), row, 3);
        grid->addWidget(size, row++, 4);
        sizes[i] = size;
        starts[i] = start;
        stops[i] = stop;
    }

    auto* files = child<QComboBox>(panel);
    files->setObjectName(QStringLiteral("CBFileTestOut"));
    files->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(files, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) {
            testList_->choose(static_cast<std::size_t>(index));
        }
        showTestFiles();
    });
    auto* remove = child<QPushButton>(panel, QStringLiteral("Excluir"));
    remove->setObjectName(QStringLiteral("Button3"));
    remove->setAutoDefault(false);
    connect(remove, &QPushButton::clicked, this, [this] {
        testList_->deleteChosen();
        showTestFiles();
    });
    auto* folder = child<QLabel>(panel, QStringLiteral("<a href=\"pasta\">Pasta</a>"));
    folder->setObjectName(QStringLiteral("Label35"));
    connect(folder, &QLabel::linkActivated, this, [this] {
        const std::filesystem::path chosen = testList_->chosenFolder();
        if (!chosen.empty()) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(chosen.string())));
        }
    });
    auto* filesRow = new QHBoxLayout;  // NOLINT: owned by the layout it is added to
    filesRow->addWidget(files, 1);
    filesRow->addWidget(remove);
    filesRow->addWidget(folder);
    grid->addWidget(child<QLabel>(panel, QStringLiteral("Arquivos gerados para testes")), row++, 0,
                    1, 5);
    grid->addLayout(filesRow, row++, 0, 1, 6);

    // The player: play, pause and stop, and where it is in the file.
    auto* playerRow = new QHBoxLayout;  // NOLINT: owned by the layout it is added to
    const std::array<std::pair<const char*, QStyle::StandardPixmap>, 3> kButtons = {
        {{"MediaPlay", QStyle::SP_MediaPlay},
         {"MediaPause", QStyle::SP_MediaPause},
         {"MediaStop", QStyle::SP_MediaStop}}};
    std::array<QToolButton*, 3> buttons{};
    for (std::size_t b = 0; b < kButtons.size(); ++b) {
        auto* button = child<QToolButton>(panel);
        button->setObjectName(QString::fromUtf8(kButtons[b].first));
        button->setIcon(style()->standardIcon(kButtons[b].second));
        playerRow->addWidget(button);
        buttons[b] = button;
    }
    connect(buttons[0], &QToolButton::clicked, this, [this] { player_->play(); });
    connect(buttons[1], &QToolButton::clicked, this, [this] { player_->pause(); });
    connect(buttons[2], &QToolButton::clicked, this, [this] { player_->stop(); });
    auto* where = child<QLabel>(panel);
    where->setObjectName(QStringLiteral("lbPlayerPosition"));
    playerRow->addWidget(where);
    playerRow->addStretch();
    grid->addWidget(child<QLabel>(panel, QStringLiteral("Player")), row++, 0, 1, 5);
    grid->addLayout(playerRow, row++, 0, 1, 5);
    grid->setColumnStretch(5, 1);
    testFiles_ = files;

    syncers_.push_back([this, &recording, sizes, starts, stops, buttons, where] {
        for (int k = 1; k <= 2; ++k) {
            const auto i = static_cast<std::size_t>(k - 1);
            const bool running = recording.testRecording(k);
            starts[i]->setEnabled(!running);
            stops[i]->setEnabled(running);
            if (running) {
                sizes[i]->setText(sizeText(recording.chain(k).writer().FileName));
            }
        }
        for (QToolButton* button : buttons) {
            button->setEnabled(player_->loaded());
        }
        where->setText(player_->loaded() ? minutes(player_->position()) + QStringLiteral(" / ") +
                                               minutes(player_->duration())
                                         : QString());
    });
    return panel;
}

void PairWindow::startTestRecording(int k) {
    settings::PairSettings& s = pair_.settings();
    // The amplifier as the page shows it now, not as stored.
    const auto file = pair_.recordingControl().startTestRecording(
        k, AmplifierSetting{s.CheckAmp(k), s.TrackBarAmp(k)});
    if (auto* size = findChild<QLabel*>(QStringLiteral("lbCountTam%1").arg(k))) {
        size->clear();
    }
    if (file) {
        const QSignalBlocker block(testFiles_);
        testFiles_->setCurrentIndex(-1);
    }
    syncState();
}

void PairWindow::stopTestRecording(int k) {
    if (const auto file = pair_.recordingControl().stopTestRecording(k)) {
        testList_->add(*file);
    }
    showTestFiles();
    syncState();
}

void PairWindow::stopTestRecordings() {
    if (!testList_) {
        return;
    }
    for (int k = 1; k <= 2; ++k) {
        if (pair_.recordingControl().testRecording(k)) {
            stopTestRecording(k);
        }
    }
}

void PairWindow::showTestFiles() {
    const QSignalBlocker block(testFiles_);
    testFiles_->clear();
    for (const std::string& file : testList_->files()) {
        testFiles_->addItem(qs(file));
    }
    const auto chosen = testList_->chosen();
    testFiles_->setCurrentIndex(chosen ? static_cast<int>(*chosen) : -1);
}

}  // namespace kovra::gui
