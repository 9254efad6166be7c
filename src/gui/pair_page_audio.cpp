// The audio page of the pair window: card, recording input, adapter and volume bound to the
// pair's audio page model, the line displays, the line names, the area code and the
// removal of the pair.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "app/line_pair.h"
#include "audio/audio_texts.h"
#include "audio/pair_audio_page.h"
#include "gui/pair_window.h"

namespace kovra::gui {

namespace {

constexpr int kLineNameMax = 9;

// Typing into a line name accepts letters A to Z and a to z, digits, "-" and the editing
// keys; the name becomes part of a folder name.
class LineNameKeys final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            if (text.size() == 1 && text[0].isPrint()) {
                const QChar c = text[0];
                const bool allowed = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                                     (c >= u'0' && c <= u'9') || c == u'-';
                if (!allowed) {
                    return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// Runs a function when the watched widget loses the focus (leaving a list).
class FocusLeft final : public QObject {
  public:
    FocusLeft(std::function<void()> left, QObject* parent)
        : QObject(parent), left_(std::move(left)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) {
            left_();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> left_;
};

QLabel* label(QWidget* parent, const char* text) {
    return child<QLabel>(parent, QString::fromUtf8(text));
}

// Puts items into a list when they changed and selects position (-1: nothing shown).
void fill(QComboBox* box, const std::vector<std::string>& items, int position) {
    const QSignalBlocker block(box);
    QStringList list;
    for (const std::string& item : items) {
        list << qs(item);
    }
    QStringList shown;
    for (int i = 0; i < box->count(); ++i) {
        shown << box->itemText(i);
    }
    if (shown != list) {
        box->clear();
        box->addItems(list);
    }
    box->setCurrentIndex(position < box->count() ? position : -1);
}

QStringList texts(const char* const* items, std::size_t count) {
    QStringList list;
    for (std::size_t i = 0; i < count; ++i) {
        list << QString::fromUtf8(items[i]);
    }
    return list;
}

}  // namespace

QWidget* PairWindow::buildAudioPage() {
    settings::PairSettings& s = pair_.settings();
    const PairProfile& profile = pairProfile(pair_.pair());
    auto* page = child<QWidget>(this);
    auto* layout = child<QVBoxLayout>(page);

    auto* card = child<QGroupBox>(page, QString::fromUtf8(" Placa de som "));
    auto* grid = child<QGridLayout>(card);
    int row = 0;

    // The card list: the system's cards, chosen one per pair.
    auto* devices = child<QComboBox>(card);
    devices->setObjectName(QStringLiteral("CbDevices"));
    devices->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* lbID = child<QLabel>(card);
    lbID->setObjectName(QStringLiteral("lbID"));
    grid->addWidget(label(card, "Placa de som:"), row, 0);
    grid->addWidget(devices, row, 1);
    grid->addWidget(lbID, row++, 2);
    auto* inUse = label(card, audio::texts::kCardInUse);
    inUse->setObjectName(QStringLiteral("PanelPlacaJaEmUso"));
    inUse->setStyleSheet(QStringLiteral(
        "QLabel { background: #c00000; color: white; font-weight: bold; padding: 4px; }"));
    grid->addWidget(inUse, row++, 1, 1, 2);

    // The recording input (only where the system lets a program choose it).
    auto* lbCBDest = label(card, audio::texts::kRecordingInput);
    lbCBDest->setObjectName(QStringLiteral("lbCBDest"));
    auto* input = child<QComboBox>(card);
    input->setObjectName(QStringLiteral("CBList"));
    grid->addWidget(lbCBDest, row, 0);
    grid->addWidget(input, row++, 1, 1, 2);

    // The adapter: pair 1 chooses its type, pairs 2 and 3 how many lines the input carries.
    QComboBox* adapterList = nullptr;
    std::array<QRadioButton*, 2> lineCount{};
    if (profile.adapterTypeList) {
        adapterList = child<QComboBox>(card);
        adapterList->addItems(
            texts(audio::texts::kAdapterPair1, std::size(audio::texts::kAdapterPair1)));
        adapterList->setObjectName(QStringLiteral("CBTipoAdp"));
        connect(adapterList, &QComboBox::activated, this, [this](int position) {
            pair_.chooseAdapter(position);
            refreshAfterAudioChange();
        });
        grid->addWidget(label(card, "Tipo do adaptador"), row, 0);
        grid->addWidget(adapterList, row++, 1, 1, 2);
    } else {
        auto* group = child<QGroupBox>(card, QString::fromUtf8(audio::texts::kLineCountCaption));
        group->setObjectName(QStringLiteral("CBChannel"));
        auto* radios = child<QHBoxLayout>(group);
        auto* buttons = child<QButtonGroup>(group);
        for (int i = 0; i < 2; ++i) {
            auto* radio = child<QRadioButton>(
                group, QString::fromUtf8(audio::texts::kLineCount[static_cast<std::size_t>(i)]));
            radio->setObjectName(QStringLiteral("CBChannel%1").arg(i));
            buttons->addButton(radio, i);
            radios->addWidget(radio);
            lineCount[static_cast<std::size_t>(i)] = radio;
        }
        radios->addStretch();
        connect(buttons, &QButtonGroup::idClicked, this, [this](int position) {
            pair_.chooseAdapter(position);
            refreshAfterAudioChange();
        });
        grid->addWidget(group, row++, 0, 1, 3);
    }

    // The one-line hints.
    auto* hint1 = label(
        card, profile.adapterTypeList ? audio::texts::kHintPair1 : audio::texts::kHintPairs2And3);
    hint1->setObjectName(QStringLiteral("lbInfQTDLinha1"));
    hint1->setWordWrap(true);
    auto* hint2 = label(card, audio::texts::kHintOneLine);
    hint2->setObjectName(QStringLiteral("lbInfQTDLinha2"));
    auto* hint3 = label(card, audio::texts::kHintTwoLines);
    hint3->setObjectName(QStringLiteral("lbInfQTDLinha3"));
    grid->addWidget(hint1, row++, 0, 1, 3);
    grid->addWidget(hint2, row++, 0, 1, 3);
    grid->addWidget(hint3, row++, 0, 1, 3);

    auto* autoConfig = bindings_.check(
        card, audio::texts::kAutoConfig, [&s]() -> bool& { return s.CheckAutoConfig; },
        [this] {
            if (audio::PairAudioPage* model = pair_.audioPage()) {
                model->CheckAutoConfigClick();
            }
        });
    autoConfig->setObjectName(QStringLiteral("CheckAutoConfig"));
    grid->addWidget(autoConfig, row++, 0, 1, 3);

    // The volume row, replaced by the detection notice for the two-line USB adapter.
    auto* codec = child<QWidget>(card);
    codec->setObjectName(QStringLiteral("PanelCODEC"));
    auto* codecGrid = child<QGridLayout>(codec);
    codecGrid->setContentsMargins(0, 0, 0, 0);
    auto* lbVol = child<QLabel>(codec);
    lbVol->setObjectName(QStringLiteral("lbVol"));
    lbVol->setMinimumWidth(lbVol->fontMetrics().horizontalAdvance(QStringLiteral("0000%")));
    auto* volume = child<QSlider>(codec, Qt::Horizontal);
    volume->setObjectName(QStringLiteral("Track1"));
    volume->setRange(0, audio::PairAudioPage::kTrack1Max);
    connect(volume, &QSlider::valueChanged, this, [this, &s, volume](int position) {
        s.Track1 = position;
        pair_.Track1Change();
        if (volume->value() != s.Track1) {
            const QSignalBlocker block(volume);
            volume->setValue(s.Track1);
        }
        refreshAfterAudioChange();
    });
    auto* level = bindings_.liveText(codec, [this] { return pair_.logic().edDBMestre; });
    level->setObjectName(QStringLiteral("edDBMestre"));
    level->setAlignment(Qt::AlignRight);
    level->setMaximumWidth(level->fontMetrics().horizontalAdvance(QStringLiteral("-000.0")) + 16);
    auto* ideal = label(codec, audio::texts::kIdealHint);
    auto* range = label(codec, audio::texts::kIdealRange);
    auto* autoVol = child<QCheckBox>(codec, QString::fromUtf8(audio::texts::kAutoVolume));
    autoVol->setObjectName(QStringLiteral("chkAutoVol"));
    connect(autoVol, &QCheckBox::clicked, this, [this](bool on) {
        pair_.setAutoVolume(on);
        syncState();
    });
    bindings_.onLoad([autoVol, &s] {
        const QSignalBlocker block(autoVol);
        autoVol->setChecked(s.chkAutoVol);
    });
    auto* levelRow = new QHBoxLayout;  // NOLINT: owned by the layout it is added to
    levelRow->addWidget(ideal);
    levelRow->addWidget(level);
    levelRow->addWidget(range);
    levelRow->addStretch();
    codecGrid->addWidget(label(codec, audio::texts::kVolume), 0, 0);
    codecGrid->addWidget(lbVol, 0, 1);
    codecGrid->addWidget(volume, 0, 2);
    codecGrid->addLayout(levelRow, 1, 0, 1, 3);
    codecGrid->addWidget(autoVol, 2, 0, 1, 3);
    codecGrid->setColumnStretch(2, 1);
    grid->addWidget(codec, row++, 0, 1, 3);
    auto* detected = label(card, audio::texts::kCodecDetected);
    detected->setObjectName(QStringLiteral("PanelCODECDETECTADO"));
    detected->setWordWrap(true);
    detected->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; padding: 4px; }"));
    grid->addWidget(detected, row++, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    layout->addWidget(card);

    connect(devices, &QComboBox::activated, this, [this](int position) {
        pair_.chooseCard(position);
        refreshAfterAudioChange();
    });
    connect(input, &QComboBox::activated, this, [this, input](int position) {
        pair_.settings().CBList = {ss(input->itemText(position)), position};
        pair_.CBListChange();
        refreshAfterAudioChange();
    });
    if (audio::PairAudioPage* model = pair_.audioPage()) {
        devices->installEventFilter(child<FocusLeft>(devices, [this, model] {
            model->CbDevicesExit();
            syncState();
        }));
        input->installEventFilter(child<FocusLeft>(input, [this, model] {
            model->CBListExit();
            syncState();
        }));
    }

    // The two lines' displays, each with the line's name on top.
    auto* displays = child<QWidget>(page);
    auto* displayRow = child<QHBoxLayout>(displays);
    displayRow->setContentsMargins(0, 0, 0, 0);
    auto* keys = child<LineNameKeys>(displays);
    QWidget* evenLine = nullptr;
    for (int k = 1; k <= 2; ++k) {
        QWidget* display = buildLineDisplay(k);
        displayRow->addWidget(display);
        auto* name = bindings_.text(
            display, [&s, k]() -> std::string& { return s.edNomeCanal(k); }, [this] { changed(); });
        name->setObjectName(QStringLiteral("edNomeCanal%1").arg(k));
        name->setMaxLength(kLineNameMax);
        name->installEventFilter(keys);
        // Pasted text is not filtered, but a path separator never reaches a folder name.
        connect(name, &QLineEdit::textEdited, this, [name, &s, k](const QString& text) {
            QString clean = text;
            clean.remove(u'/').remove(u'\\');
            if (clean != text) {
                name->setText(clean);
                s.edNomeCanal(k) = ss(clean);
            }
        });
        auto* nameLabel = label(display, "Nome da linha");
        nameLabel->setObjectName(QStringLiteral("LbNomeCanal%1").arg(k));
        if (auto* form = qobject_cast<QFormLayout*>(display->layout())) {
            form->insertRow(0, nameLabel, name);
        }
        if (k == 2) {
            evenLine = display;
        }
    }
    layout->addWidget(displays);

    auto* remove = child<QGroupBox>(page, QStringLiteral(" Remover linhas "));
    auto* removeRow = child<QHBoxLayout>(remove);
    auto* ddd = bindings_.text(
        remove, [&s]() -> std::string& { return s.EditDDDLocal; },
        [this, &s] {
            // The process-wide area code follows every change; the file on the next save.
            pair_.services().globals.LocalDDD = s.EditDDDLocal;
            changed();
        });
    ddd->setObjectName(QStringLiteral("EditDDDLocal"));
    btRemover_ = child<QPushButton>(remove, QString::fromUtf8(PairDialog::kRemoveCaption));
    btRemover_->setObjectName(QStringLiteral("btRemover"));
    btRemover_->setAutoDefault(false);
    connect(btRemover_, &QPushButton::clicked, this, [this] {
        dialog_.btRemoverClick();
        syncState();
    });
    removeRow->addWidget(label(remove, "DDDLocal"));
    removeRow->addWidget(ddd);
    removeRow->addStretch();
    removeRow->addWidget(btRemover_);
    layout->addWidget(remove);
    layout->addStretch();

    // What the page shows follows the model; a file input has no model and shows its file.
    syncers_.push_back([this, &s, devices, lbID, inUse, lbCBDest, input, adapterList, lineCount,
                        hint1, hint2, hint3, codec, lbVol, volume, detected, evenLine] {
        const audio::PairAudioPage* model = pair_.audioPage();
        const int adapterPosition = s.adapterList(pair_.pair()).itemIndex;
        if (adapterList != nullptr) {
            const QSignalBlocker block(adapterList);
            adapterList->setCurrentIndex(adapterPosition);
        }
        for (std::size_t i = 0; i < lineCount.size(); ++i) {
            if (lineCount[i] != nullptr) {
                const QSignalBlocker block(lineCount[i]);
                // A group keeps one button checked: none checked needs it off for a moment.
                lineCount[i]->setAutoExclusive(false);
                lineCount[i]->setChecked(adapterPosition == static_cast<int>(i));
                lineCount[i]->setAutoExclusive(true);
            }
        }
        {
            const QSignalBlocker block(volume);
            volume->setValue(s.Track1);
        }
        if (model == nullptr) {
            fill(devices, {s.CbDevices.text}, s.CbDevices.text.empty() ? -1 : 0);
            devices->setEnabled(false);
            lbID->clear();
            for (QWidget* w : {static_cast<QWidget*>(inUse), static_cast<QWidget*>(lbCBDest),
                               static_cast<QWidget*>(input), static_cast<QWidget*>(hint1),
                               static_cast<QWidget*>(hint2), static_cast<QWidget*>(hint3),
                               static_cast<QWidget*>(detected)}) {
                w->setVisible(false);
            }
            lbVol->setText(QString::number(s.Track1) + u'%');
            return;
        }
        fill(devices, model->CbDevicesItems, s.CbDevices.itemIndex);
        lbID->setText(qs(model->lbID));
        inUse->setVisible(model->PanelPlacaJaEmUsoVisible);
        fill(input, model->CBListItems, s.CBList.itemIndex);
        input->setVisible(model->CBListVisible);
        input->setEnabled(model->CBListEnabled && !s.CbDevices.text.empty());
        lbCBDest->setVisible(model->lbCBDestVisible);
        for (QWidget* hint : {hint1, hint2, hint3}) {
            hint->setVisible(model->HintsVisible);
        }
        codec->setVisible(model->PanelCODECVisible);
        detected->setVisible(model->PanelCODECDETECTADOVisible);
        lbVol->setText(qs(model->lbVol));
        volume->setEnabled(model->Track1Enabled);
        evenLine->setVisible(model->EvenLineVisible);
    });
    return page;
}

void PairWindow::refreshAfterAudioChange() {
    bindings_.load();
    syncState();
}

}  // namespace kovra::gui
