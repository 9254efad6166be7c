// The line-pair window: one design for the three pairs, with pair 1's extra and missing
// controls as data. Shows and edits its pair's settings, line state, recording and relay
// models; every rule is in the pair's models (PairDialog and the rest). GUI thread only.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "app/pair_dialog.h"
#include "gui/bindings.h"
#include "recording/recording_page_rules.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

class QComboBox;

namespace kovra {
class LinePair;
class TestRecordingList;
}  // namespace kovra

namespace kovra::gui {

class MediaTestPlayer;

// The shared windows a pair window opens; each may be left empty (nothing opens).
struct PairWindowLinks {
    std::function<void(int line)> openDestinations;  // btIPAvanc<k>: line n's destination list
    std::function<void()> openPrivacy;               // btPrivate: the privacy list
    std::function<void()> openTextFiles;  // btGeraTexto: the text-file names of this pair
};

class PairWindow final : public QDialog {
  public:
    // Live fields are refreshed this often while the window is on screen.
    static constexpr int kRefreshMs = 250;

    // pair outlives the window. hidden runs each time the window hides (the tray menu
    // enables "Configurações" again).
    PairWindow(LinePair& pair, std::function<void()> hidden, PairWindowLinks links = {});
    ~PairWindow() override;

    // As the tray menu opens it: centred, on the audio page, modal to the application.
    void openFromMenu();
    LinePair& pair() { return pair_; }
    QTabWidget& pages() { return *pages_; }
    // Brings every control in line with the models now.
    void refresh();
    // The recording page's test recordings and their player; null where the pair has none.
    TestRecordingList* testRecordings() { return testList_.get(); }
    MediaTestPlayer* testPlayer() { return player_.get(); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void reject() override;  // Esc and the close box: "Cancelar"

  private:
    struct Context;
    QWidget* buildColumn();
    QWidget* buildHookBlock(QWidget* column);
    QWidget* buildAudioPage();
    QWidget* buildRecordPage();
    QWidget* buildDiagnosticsPage();
    QWidget* buildRelayPage();
    QWidget* buildTestsPage();
    QWidget* buildTestRecordingPanel(QWidget* page);
    void startTestRecording(int k);
    void stopTestRecording(int k);
    // A test running on either line is stopped as by its "Parar" (the window is shown).
    void stopTestRecordings();
    void showTestFiles();
    QWidget* buildLineDisplay(int k);
    // Relay page: a note under line k's settings while this machine's address is not
    // known; the caller-ID text-file switch and its button.
    QWidget* buildLocalAddressNote(QWidget* parent, int k);
    QWidget* buildTextFileRow(QWidget* parent);
    void choose(PairPage page);
    void openHelp();
    void changed();
    void syncState();
    // After a change on the audio page: the settings and the model's state into the widgets.
    void refreshAfterAudioChange();

    LinePair& pair_;
    PairDialog& dialog_;
    std::function<void()> hidden_;
    PairWindowLinks links_;
    Bindings bindings_;
    RecordingPageRules recordRules_{false, false};
    QTabWidget* pages_ = nullptr;
    std::array<QWidget*, 5> pageWidgets_{};
    std::array<QToolButton*, 4> entries_{};  // audio, record, help, relay
    QPushButton* btBoard_ = nullptr;
    QPushButton* btApply1_ = nullptr;
    QPushButton* bnStart_ = nullptr;
    QPushButton* bnStop_ = nullptr;
    QPushButton* btRemover_ = nullptr;
    QLabel* lbTitDetector_ = nullptr;
    std::vector<QWidget*> stopOptions_;  // CheckOffTom, CheckOffDial
    std::vector<QWidget*> silence_;      // SpinPause, SpinStop and their labels
    std::vector<QWidget*> hookOnly_;     // pair 1: visible with the hook adapter
    // Brings a page's widgets in line with its model, on every syncState.
    std::vector<std::function<void()>> syncers_;
    std::unique_ptr<MediaTestPlayer> player_;
    std::unique_ptr<TestRecordingList> testList_;  // plays through player_
    QComboBox* testFiles_ = nullptr;
    QTimer live_;
    bool syncing_ = false;
};

// " [Linhas 1 e 2]" and the product title: the window's title.
QString pairWindowTitle(int pair);

}  // namespace kovra::gui
