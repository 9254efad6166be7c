// Renders each page of the pair windows, the windows the pairs share (destination list,
// privacy list, caller-ID text files) and the tray menu to PNG files, with line 1 in the
// middle of an identified call that is being recorded. scripts/screenshots runs it under
// Xvfb: gui_screenshots OUTPUT_FOLDER.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "../audio/mixer_cards.h"
#include "gui/destination_window.h"
#include "gui/pair_window.h"
#include "gui/privacy_window.h"
#include "gui/text_file_window.h"
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

void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// The shared windows as a user meets them: a list with a few entries each.
bool shootSharedWindows(const std::filesystem::path& out) {
    gui::testing::PairRig rig(2, false,
                              {{"ArqTexto1", "/home/central/bina/linha3.txt"},
                               {"ArqTexto2", "/home/central/bina/linha4.txt"}});
    PairServices& shared = rig.pair().services();
    writeFile(rig.home() / "ConfigIP.ini",
              "[LISTAGEM_IP_LINHA_3]\r\n127.0.0.1:6513=1\r\n192.168.0.20:6513=1\r\n"
              "192.168.0.31:7000=0\r\n");
    writeFile(shared.privacy.file(),
              "[PRIVACIDADE]\r\n1134567890=1\r\n2133334444=1\r\n1140041234=0\r\n");
    shared.privacy.load();
    bool ok = true;

    relay::control::DestinationListModel destinations(shared.files.ip(), rig.ui);
    gui::DestinationWindow list(destinations, {});
    list.openFor(3);
    list.findChild<QListWidget*>("ListBox1")->setCurrentRow(1);
    settle();
    ok = save(list.grab(), out / "destinations.png") && ok;
    list.close();

    gui::PrivacyWindow privacy(shared.privacy, rig.ui, {});
    privacy.open();
    settle();
    ok = save(privacy.grab(), out / "privacy.png") && ok;
    privacy.close();

    settings::CallerIdTextDialog names(shared.files, rig.ui);
    gui::TextFileWindow text(names, {});
    text.openFor(2);
    settle();
    ok = save(text.grab(), out / "text-files.png") && ok;
    text.close();
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
    ok = shootSharedWindows(out) && ok;
    return ok ? 0 : 1;
}
