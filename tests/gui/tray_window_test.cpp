// The tray menu: its items and texts, and what each action does.
#include "gui/tray_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <vector>

#include "gui_test_support.h"

namespace kovra::gui {
namespace {

struct Calls {
    std::vector<int> opened;
    int exits = 0;
};

TrayWindow::Actions recordInto(Calls& calls) {
    return {[&calls](int pair) { calls.opened.push_back(pair); }, [&calls] { ++calls.exits; }};
}

TEST(TrayWindow, MenuHasTheSettingsSubmenuASeparatorAndExit) {
    testing::application();
    Calls calls;
    TrayWindow tray(recordInto(calls));
    const QList<QAction*> top = tray.menu().actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), QString::fromUtf8("Configurações"));
    EXPECT_TRUE(top[1]->isSeparator());
    EXPECT_EQ(top[2]->text(), QStringLiteral("Sair"));
    ASSERT_NE(top[0]->menu(), nullptr);
    QStringList items;
    for (QAction* action : top[0]->menu()->actions()) {
        items << action->text();
    }
    EXPECT_EQ(items, (QStringList{"Linhas 1 e 2", "Linhas 3 e 4", "Linhas 5 e 6"}));
    EXPECT_EQ(tray.icon().toolTip(), QStringLiteral("Kovra for Repeaters"));
}

TEST(TrayWindow, EachActionReachesItsHandler) {
    testing::application();
    Calls calls;
    TrayWindow tray(recordInto(calls));
    tray.pairAction(3).trigger();
    tray.pairAction(1).trigger();
    tray.pairAction(2).trigger();
    EXPECT_EQ(calls.opened, (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(calls.exits, 0);
    tray.exitAction().trigger();
    EXPECT_EQ(calls.exits, 1);
    // A double click on the icon opens pair 1's window.
    emit tray.icon().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(calls.opened.back(), 1);
}

TEST(TrayWindow, SettingsItemCanBeDisabledAndIconCyclesOnlyWhileRecording) {
    testing::application();
    Calls calls;
    TrayWindow tray(recordInto(calls));
    tray.setSettingsEnabled(false);
    EXPECT_FALSE(tray.settingsAction().isEnabled());
    tray.setSettingsEnabled(true);
    EXPECT_TRUE(tray.settingsAction().isEnabled());

    EXPECT_FALSE(tray.cycling());
    tray.setCycling(true);
    EXPECT_TRUE(tray.cycling());
    tray.setCycling(false);
    EXPECT_FALSE(tray.cycling());
    EXPECT_EQ(tray.imageIndex(), 0);

    tray.setIconVisible(true);
    EXPECT_TRUE(tray.iconVisible());
    tray.setIconVisible(false);
    EXPECT_FALSE(tray.iconVisible());
}

}  // namespace
}  // namespace kovra::gui
