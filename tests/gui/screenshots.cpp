// Renders each page of the pair windows and the tray menu to PNG files, with line 1 in
// the middle of an identified call that is being recorded. scripts/screenshots runs it
// under Xvfb: gui_screenshots OUTPUT_FOLDER.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <filesystem>
#include <iostream>

#include "../audio/mixer_cards.h"
#include "gui/pair_window.h"
#include "gui/tray_window.h"
#include "gui_test_support.h"

namespace {

using namespace kovra;

void settle() {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

bool save(const QPixmap& picture, const std::filesystem::path& file) {
    if (!picture.save(QString::fromStdString(file.string()))) {
        std::cerr << "gui_screenshots: cannot write " << file << "\n";
        return false;
    }
    std::cout << file.string() << "\n";
    return true;
}

// Line 1 answered a call from an identified number and records it; line 2 rings.
void callInProgress(LinePair& pair) {
    line::LineChannel& one = pair.logic().channel(1);
    one.StatusShown = line::StatusDisplay::HandsetHum;
    one.RingShown = 2;
    one.RingCount = 2;
    one.EdSeq = "(11)3456-7890";
    one.edTodos = "A1134567890C";
    one.edDB = "-14";
    one.EditFreq1 = "440";
    one.EditFreq2 = "1020";
    line::LineChannel& two = pair.logic().channel(2);
    two.StatusShown = line::StatusDisplay::Ringing;
    two.RingShown = 1;
    two.RingCount = 1;
    two.edDB = "-31";
}

bool shootPair(int p, const std::filesystem::path& out) {
    // Two cards in the system; pair 2 has the second, pair 1 chooses the first.
    mixer::MemoryMixer cards;
    cards.addCard(audio::test::selectCard("Placa de som USB"));
    cards.addCard(audio::test::muteCard("HDA Intel PCH"));
    cards.capture = {{"Placa de som USB", 2}, {"HDA Intel PCH", 2}};
    gui::testing::PairRig rig(p, true, {},
                              gui::testing::RigCards{&cards, 10, {"", "HDA Intel PCH", ""}});
    rig.pair().settings().CheckAutoRec = true;
    rig.pair().settings().ChBoxTCP1 = true;
    rig.pair().chooseAdapter(1);
    rig.pair().chooseCard(0);
    rig.pair().settings().Track1 = 35;
    rig.pair().Track1Change();
    callInProgress(rig.pair());
    if (p == 1) {
        rig.pair().logic().channel(1).EventMemo = "On Hook";
        rig.pair().logic().Edit2 = "A1134567890C";
    }
    gui::PairWindow window(rig.pair(), {});
    window.openFromMenu();
    rig.pair().recordingControl().StartLClick(1);
    window.resize(window.sizeHint().expandedTo(QSize(980, 620)));
    settle();
    struct Shot {
        const char* entry;
        const char* name;
    };
    const Shot shots[] = {{"PanelAudio", "audio"},
                          {"PanelRecord", "recording"},
                          {"PanelTCP", "relay"},
                          {"btBoard", "diagnostics"}};
    bool ok = true;
    for (const Shot& shot : shots) {
        window.findChild<QAbstractButton*>(shot.entry)->click();
        window.refresh();
        settle();
        ok = save(window.grab(), out / ("pair" + std::to_string(p) + "-" + shot.name + ".png")) &&
             ok;
    }
    if (p == 1) {
        window.findChild<QAbstractButton*>("PanelAudio")->click();
        window.pages().setCurrentIndex(static_cast<int>(PairPage::Tests));
        settle();
        ok = save(window.grab(), out / "pair1-tests.png") && ok;
    }
    rig.pair().recordingControl().StopLClick(1);
    window.close();
    return ok;
}

bool shootTray(const std::filesystem::path& out) {
    gui::TrayWindow tray({});
    tray.setIconVisible(true);
    QMenu& menu = tray.menu();
    menu.popup(QPoint(40, 40));
    settle();
    QMenu* settings = tray.settingsAction().menu();
    menu.setActiveAction(&tray.settingsAction());
    settings->popup(menu.geometry().topRight());
    settle();
    const QRect area = menu.geometry().united(settings->geometry()).adjusted(-8, -8, 8, 8);
    QScreen* screen = QGuiApplication::primaryScreen();
    const bool ok = save(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()),
                         out / "tray-menu.png");
    settings->hide();
    menu.hide();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: gui_screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    bool ok = shootTray(out);
    for (int p = 1; p <= 2; ++p) {  // pair 3 looks as pair 2
        ok = shootPair(p, out) && ok;
    }
    return ok ? 0 : 1;
}
