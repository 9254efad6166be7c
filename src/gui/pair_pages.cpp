// The recording and "Testes" pages of the pair window, and the line displays.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/line_pair.h"
#include "audio/audio_texts.h"
#include "audio/pair_audio_page.h"
#include "gui/pair_window.h"
#include "platform/pair_profile.h"

namespace kovra::gui {

namespace {

constexpr std::array<int, 5> kBitRatesKbps = {8, 16, 32, 64, 128};
constexpr int kFlashMinMs = 50;
constexpr int kSensitivityMin = 2;
constexpr int kSensitivityMax = 24;
constexpr int kFlashMaxMs = 5000;

QString kbPerMinute(int item) {
    const int kbps = kBitRatesKbps.at(static_cast<std::size_t>(std::clamp(item, 0, 4)));
    return QString::number(kbps * 60 / 8) + QStringLiteral(" KB por minuto");
}

QStringList bitRateItems() {
    QStringList items;
    for (const int kbps : kBitRatesKbps) {
        items << QStringLiteral("%1 Kbps").arg(kbps);
    }
    return items;
}

QLabel* label(QWidget* parent, const char* text) {
    return child<QLabel>(parent, QString::fromUtf8(text));
}

}  // namespace

QWidget* PairWindow::buildLineDisplay(int k) {
    line::LineChannel& c = pair_.logic().channel(k);
    settings::PairSettings& s = pair_.settings();
    const PairProfile& profile = pairProfile(pair_.pair());
    auto* box =
        child<QGroupBox>(this, QString::fromUtf8("Diagnósticos e testes ") + qs(s.edNomeCanal(k)));
    box->setObjectName(QStringLiteral("GBDiaginL%1").arg(k));
    auto* form = child<QFormLayout>(box);
    const line::PairLineLogic& logic = pair_.logic();
    auto* status = bindings_.liveText(box, [&logic, k] { return logic.statusText(k); });
    status->setObjectName(QStringLiteral("edSTATUS%1").arg(k));
    auto* ring = bindings_.liveText(box, [&logic, k] { return logic.ringText(k); });
    ring->setObjectName(QStringLiteral("edRing%1").arg(k));
    ring->setAlignment(Qt::AlignRight);
    auto* number = bindings_.liveText(box, [&c] { return c.EdSeq; });
    number->setObjectName(QStringLiteral("EdSeq%1").arg(k));
    auto* fsk = bindings_.liveText(box, [&c] {
        std::string shown = c.EdFskFone;
        for (const std::string* part : {&c.EdFskNome, &c.EdfskData}) {
            if (!part->empty()) {
                shown += (shown.empty() ? "" : "  ") + *part;
            }
        }
        return shown;
    });
    fsk->setObjectName(QStringLiteral("EdFskFone%1").arg(k));
    auto* level = bindings_.liveText(box, [&c] { return c.edDB; });
    level->setObjectName(QStringLiteral("edDB%1").arg(k));
    auto* tone = bindings_.liveLabel(box, [&c] { return c.lbTom; });
    tone->setObjectName(QStringLiteral("lbTom%1").arg(k));
    auto* clear = child<QPushButton>(box, QStringLiteral("Limpar"));
    clear->setObjectName(QStringLiteral("btClearResult%1").arg(k));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, this, [this, k] {
        pair_.logic().btClearResultClick(k);
        bindings_.tick();
    });
    auto* levelRow = child<QWidget>(box);
    auto* levelLayout = child<QHBoxLayout>(levelRow);
    levelLayout->setContentsMargins(0, 0, 0, 0);
    levelLayout->addWidget(level, 1);
    levelLayout->addWidget(tone);
    levelLayout->addWidget(clear);
    form->addRow(label(box, "Status:"), status);
    form->addRow(label(box, "Toques:"), ring);
    form->addRow(label(box, "Número:"), number);
    form->addRow(label(box, "Bina FSK:"), fsk);
    form->addRow(label(box, "Nível (dB):"), levelRow);

    // The line's own options: they take effect when the settings are applied.
    auto edit = [this] { changed(); };
    auto* tipo = bindings_.check(
        box, "Não detectar o tipo de chamada nesta linha",
        [&s, k]() -> bool& { return s.chkTipoL(k); }, edit);
    tipo->setObjectName(QStringLiteral("chkTipoL%1").arg(k));
    form->addRow(tipo);
    if (profile.line.europeFsk || profile.recording.spectrumSwitch) {
        auto* row = child<QWidget>(box);
        auto* rowLayout = child<QHBoxLayout>(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        if (profile.line.europeFsk) {
            auto* europe = bindings_.check(
                row, "Ativar FSK padrão Europeu", [&s, k]() -> bool& { return s.chkEuropa(k); },
                edit);
            europe->setObjectName(QStringLiteral("chkEuropa%1").arg(k));
            rowLayout->addWidget(europe);
        }
        if (profile.recording.spectrumSwitch) {
            auto* spectrum = bindings_.check(
                row, "Spectrum", [&s, k]() -> bool& { return s.CHKSpectrum(k); }, edit);
            spectrum->setObjectName(QStringLiteral("CHKSpectrum%1").arg(k));
            // Off while the line records.
            RecordingControl& recording = pair_.recordingControl();
            auto enable = [spectrum, &recording, k] {
                spectrum->setEnabled(recording.state(k).spectrumEnabled);
            };
            bindings_.onLoad(enable);
            bindings_.onTick(enable);
            rowLayout->addWidget(spectrum);
        }
        rowLayout->addStretch();
        form->addRow(row);
    }
    if (profile.line.dtmfSensitivity) {
        // The decoder takes each change at once; the file on the next save.
        auto* sensitivity = bindings_.spin(
            box, kSensitivityMin, kSensitivityMax, [&s, k]() -> int& { return s.SpinSensi(k); },
            [this, &s, k] {
                pair_.detectorControl().setSensitivity(k, static_cast<float>(s.SpinSensi(k)));
                changed();
            });
        sensitivity->setObjectName(QStringLiteral("SpinSensi%1").arg(k));
        form->addRow(label(box, "Sensibilidade DTMF:"), sensitivity);
    }
    return box;
}

QWidget* PairWindow::buildRecordPage() {
    settings::PairSettings& s = pair_.settings();
    const int p = pair_.pair();
    auto* page = child<QWidget>(this);
    auto* layout = child<QVBoxLayout>(page);
    auto* options = child<QGroupBox>(
        page, QString::fromUtf8(" Opções de gravações (válidas para as duas linhas) "));
    auto* grid = child<QGridLayout>(options);
    auto edit = [this] { changed(); };

    auto* autoRec = bindings_.check(
        options, "Gravar em modo automático", [&s]() -> bool& { return s.CheckAutoRec; },
        [this, &s] {
            recordRules_.CheckAutoRecClick(s.CheckAutoRec, s.CheckOffHook);
            changed();
        });
    autoRec->setObjectName(QStringLiteral("CheckAutoRec"));
    auto* offRing = bindings_.check(
        options,
        "Toque da campainha finaliza gravação (use somente se não "
        "tiver serviço de bina habiltado na linha) ",
        [&s]() -> bool& { return s.CheckOffRing; }, edit);
    offRing->setObjectName(QStringLiteral("CheckOffRing"));
    auto* offTom = bindings_.check(
        options, "Tom de discar finaliza gravação em curso",
        [&s]() -> bool& { return s.CheckOffTom; }, edit);
    offTom->setObjectName(QStringLiteral("CheckOffTom"));
    auto* offDial = bindings_.check(
        options,
        p == 1 ? "Ao iniciar uma nova chamada, finalizar gravação em curso"
               : "Ao iniciar uma chamada, finalizar gravação em curso",
        [&s]() -> bool& { return s.CheckOffDial; }, edit);
    offDial->setObjectName(QStringLiteral("CheckOffDial"));
    auto* offHook = bindings_.check(
        options,
        p == 1 ? "Iniciar a gravação ao retirar o fone do gancho"
               : "Finalizar gravação ao colocar o fone no gancho",
        [&s]() -> bool& { return s.CheckOffHook; },
        [this, &s] {
            recordRules_.CheckOffHookClick(s.CheckAutoRec, s.CheckOffHook);
            changed();
        });
    offHook->setObjectName(QStringLiteral("CheckOffHook"));
    stopOptions_ = {offTom, offDial};
    const PairProfile& profile = pairProfile(p);
    // The hook adapter's flash: both lines share the switch and the wait.
    QWidget* flashRow = nullptr;
    if (profile.line.hasHookSignalling) {
        hookOnly_.push_back(offHook);
        line::PairLineOptions& o = pair_.logic().options();
        flashRow = child<QWidget>(options);
        auto* flashLayout = child<QHBoxLayout>(flashRow);
        flashLayout->setContentsMargins(0, 0, 0, 0);
        auto* flash = bindings_.check(
            flashRow, audio::texts::kFlash, [&o]() -> bool& { return o.chkFlash1; }, edit);
        flash->setObjectName(QStringLiteral("chkFlash1"));
        auto* flashTime = label(flashRow, audio::texts::kFlashTime);
        flashTime->setObjectName(QStringLiteral("Label60"));
        auto* spinFlash = bindings_.spin(
            flashRow, kFlashMinMs, kFlashMaxMs, [&o]() -> int& { return o.SpinFlash; }, edit);
        spinFlash->setObjectName(QStringLiteral("SpinFlash"));
        auto* flashUnit = label(flashRow, audio::texts::kFlashUnit);
        flashUnit->setObjectName(QStringLiteral("Label61"));
        flashLayout->addWidget(flash);
        flashLayout->addWidget(flashTime);
        flashLayout->addWidget(spinFlash);
        flashLayout->addWidget(flashUnit);
        flashLayout->addStretch();
        hookOnly_.push_back(flashRow);
    }

    auto* lbPause = label(options, "PAUSAR após silencio de");
    auto* spinPause = bindings_.spin(
        options, 2, 100, [&s]() -> int& { return s.SpinPause; }, edit);
    spinPause->setObjectName(QStringLiteral("SpinPause"));
    auto* sgs1 = label(options, "sgs");
    auto* lbStop = label(options, "PARAR após pausado por");
    auto* spinStop = bindings_.spin(
        options, 2, 320, [&s]() -> int& { return s.SpinStop; }, edit);
    spinStop->setObjectName(QStringLiteral("SpinStop"));
    auto* sgs2 = label(options, "sgs");
    silence_ = {lbPause, spinPause, sgs1, lbStop, spinStop, sgs2};
    auto* lbMin = label(options, "Descartar gravações cujo tempo seja menor que");
    auto* spinMin = bindings_.spin(
        options, 5, 100, [&s]() -> int& { return s.SpinMin; }, edit);
    spinMin->setObjectName(QStringLiteral("SpinMin"));

    int row = 0;
    for (QWidget* box : {static_cast<QWidget*>(autoRec), static_cast<QWidget*>(offRing),
                         static_cast<QWidget*>(offTom), static_cast<QWidget*>(offDial),
                         static_cast<QWidget*>(offHook)}) {
        grid->addWidget(box, row++, 0, 1, 3);
    }
    if (flashRow != nullptr) {
        grid->addWidget(flashRow, row++, 0, 1, 3);
    }
    grid->addWidget(lbPause, row, 0);
    grid->addWidget(spinPause, row, 1);
    grid->addWidget(sgs1, row++, 2);
    grid->addWidget(lbStop, row, 0);
    grid->addWidget(spinStop, row, 1);
    grid->addWidget(sgs2, row++, 2);
    grid->addWidget(lbMin, row, 0);
    grid->addWidget(spinMin, row, 1);
    grid->addWidget(label(options, "segundos"), row++, 2);
    grid->setColumnStretch(0, 1);
    layout->addWidget(options);

    auto* folder = child<QGroupBox>(
        page, QString::fromUtf8(" Salvar arquivos de gravações em (neste PC ou numa "
                                "pasta compartilhada na rede local) "));
    auto* folderRow = child<QHBoxLayout>(folder);
    auto* pasta = bindings_.text(
        folder, [&s]() -> std::string& { return s.EditPasta; }, edit);
    pasta->setObjectName(QStringLiteral("EditPasta"));
    auto* choose = child<QPushButton>(folder, QStringLiteral("..."));
    choose->setObjectName(QStringLiteral("btSelePasta"));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this, pasta, &s] {
        s.EditPasta = s.RecordingBase;
        pasta->setText(qs(s.EditPasta));
        const QString chosen = QFileDialog::getExistingDirectory(
            this, QString::fromUtf8("Selecione a pasta onde serão salvas as gravações"),
            qs(s.RecordingBase));
        if (!chosen.isEmpty()) {
            s.EditPasta = ss(chosen);
            s.RecordingBase = s.EditPasta;
            pasta->setText(chosen);
            changed();
        }
    });
    folderRow->addWidget(pasta, 1);
    folderRow->addWidget(choose);
    layout->addWidget(folder);

    auto* quality = child<QWidget>(page);
    auto* qualityRow = child<QHBoxLayout>(quality);
    qualityRow->setContentsMargins(0, 0, 0, 0);
    for (int k = 1; k <= 2; ++k) {
        auto* group =
            child<QGroupBox>(quality, QString::fromUtf8(" Amplificador de volume Linha ") +
                                          QString::number(pair_.line(k)) + u' ');
        auto* form = child<QFormLayout>(group);
        auto* rate = bindings_.combo(
            group, bitRateItems(), [&s, k]() -> int& { return s.cbBitRat(k); },
            [this, &s, k] {
                if (!pair_.recordingControl().Recording(k)) {
                    pair_.recordingControl().setBitRateItem(k, s.cbBitRat(k));
                }
                changed();
            });
        rate->setObjectName(QStringLiteral("cbBitRat%1").arg(k));
        auto* figure = child<QLabel>(group);
        bindings_.onLoad([figure, &s, k] { figure->setText(kbPerMinute(s.cbBitRat(k))); });
        connect(rate, &QComboBox::currentIndexChanged, figure,
                [figure](int item) { figure->setText(kbPerMinute(item)); });
        auto* rateRow = child<QWidget>(group);
        auto* rateLayout = child<QHBoxLayout>(rateRow);
        rateLayout->setContentsMargins(0, 0, 0, 0);
        rateLayout->addWidget(rate);
        rateLayout->addWidget(figure, 1);
        form->addRow(label(group, "Qualidade:"), rateRow);
        if (p != 1) {
            auto* amp = bindings_.check(
                group, "Amplificador sempre ligado", [&s, k]() -> bool& { return s.CheckAmp(k); },
                edit);
            amp->setObjectName(QStringLiteral("CheckAmp%1").arg(k));
            auto* gain = bindings_.slider(
                group, 1, 25, [&s, k]() -> int& { return s.TrackBarAmp(k); }, edit);
            gain->setObjectName(QStringLiteral("TrackBarAmp%1").arg(k));
            auto* percent = bindings_.liveLabel(
                group, [&s, k] { return std::to_string(s.TrackBarAmp(k) * 4) + "%"; });
            auto* gainRow = child<QWidget>(group);
            auto* gainLayout = child<QHBoxLayout>(gainRow);
            gainLayout->setContentsMargins(0, 0, 0, 0);
            gainLayout->addWidget(gain, 1);
            gainLayout->addWidget(percent);
            form->addRow(amp);
            form->addRow(gainRow);
        }
        qualityRow->addWidget(group);
    }
    layout->addWidget(quality);
    if (profile.recording.testRecording) {
        layout->addWidget(buildTestRecordingPanel(page));
    }
    if (profile.recording.privacyButton) {
        auto* privacy =
            child<QPushButton>(page, QString::fromUtf8("Não gravar os seguintes telefones..."));
        privacy->setObjectName(QStringLiteral("btPrivate"));
        privacy->setAutoDefault(false);
        connect(privacy, &QPushButton::clicked, this, [this] {
            if (links_.openPrivacy) {
                links_.openPrivacy();
            }
        });
        layout->addWidget(privacy, 0, Qt::AlignLeft);
    }
    layout->addStretch();
    return page;
}

QWidget* PairWindow::buildTestsPage() {
    settings::PairSettings& s = pair_.settings();
    auto* page = child<QWidget>(this);
    auto* form = child<QFormLayout>(page);
    auto edit = [this] { changed(); };
    auto* ddd = bindings_.text(
        page, [&s]() -> std::string& { return s.edTesteDDD; }, edit);
    ddd->setObjectName(QStringLiteral("edTesteDDD"));
    auto* fone = bindings_.text(
        page, [&s]() -> std::string& { return s.edTesteFone; }, edit);
    fone->setObjectName(QStringLiteral("edTesteFone"));
    form->addRow(label(page, "DDD:"), ddd);
    form->addRow(label(page, "Fone:"), fone);
    return page;
}

}  // namespace kovra::gui
