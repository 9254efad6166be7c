// The windows the pairs share (destination list, privacy list, caller-ID text files) and
// the relay page's local-address note and text-file controls: their texts, their enabling rules and
// what they write, on real settings files in a temporary program folder.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "gui/destination_window.h"
#include "gui/pair_window.h"
#include "gui/privacy_window.h"
#include "gui/text_file_window.h"
#include "gui_test_support.h"

namespace kovra::gui {
namespace {

using testing::PairRig;

template <class W>
W& widget(QWidget& window, const char* name) {
    W* found = window.findChild<W*>(QString::fromUtf8(name));
    if (found == nullptr) {
        ADD_FAILURE() << "no widget " << name;
        throw std::runtime_error("missing widget");
    }
    return *found;
}

void click(QWidget& window, const char* name) {
    widget<QAbstractButton>(window, name).click();
}

void type(QWidget& window, const char* name, const QString& text) {
    auto& edit = widget<QLineEdit>(window, name);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClicks(&edit, text);
}

QStringList rows(QWidget& window) {
    QStringList texts;
    auto& list = widget<QListWidget>(window, "ListBox1");
    for (int i = 0; i < list.count(); ++i) {
        texts << list.item(i)->text() + (list.item(i)->checkState() == Qt::Checked ? "+" : "-");
    }
    return texts;
}

void write(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

struct DestinationRig {
    PairRig rig{1};
    relay::control::DestinationListModel model{rig.pair().services().files.ip(), rig.ui};
    std::vector<std::string> topics;
    DestinationWindow window{model, [this](const std::string& t) { topics.push_back(t); }};
};

TEST(DestinationWindow, OpensOnTheLineWithItsListFirstRowTicked) {
    DestinationRig d;
    write(d.rig.home() / "ConfigIP.ini",
          "[LISTAGEM_IP_LINHA_3]\r\n10.0.0.7:6513=0\r\n10.0.0.8:6513=1\r\n10.0.0.9:6513=0\r\n");
    d.window.openFor(3);
    EXPECT_TRUE(d.window.isVisible());
    EXPECT_EQ(d.window.windowTitle(), QString::fromUtf8("Configurações de IP's Linha 3"));
    EXPECT_EQ(widget<QLabel>(d.window, "PanelLinha").text(), QStringLiteral("Linha 3"));
    EXPECT_EQ(rows(d.window), (QStringList{"10.0.0.7:6513+", "10.0.0.8:6513+", "10.0.0.9:6513-"}));
    EXPECT_FALSE(widget<QPushButton>(d.window, "btInsere").isEnabled());
    EXPECT_FALSE(widget<QPushButton>(d.window, "btRemove").isEnabled());
    EXPECT_FALSE(widget<QPushButton>(d.window, "btAplicar").isEnabled());

    // "Ok" stores the first row ticked, as shown.
    click(d.window, "Button1");
    EXPECT_FALSE(d.window.isVisible());
    EXPECT_EQ(d.rig.keys("ConfigIP.ini").at("LISTAGEM_IP_LINHA_3/10.0.0.7:6513"), "1");
    EXPECT_EQ(rows(d.window), QStringList{});  // hiding empties the list

    click(d.window, "btHelpPriv");
    EXPECT_EQ(d.topics, std::vector<std::string>{"Private.htm"});
}

TEST(DestinationWindow, InsertSelectTickApplyAndRemove) {
    DestinationRig d;
    d.window.openFor(2);
    // The key filters: letters and other signs never reach the edits.
    type(d.window, "EditInsereIP", QStringLiteral("10.0.a0.5 "));
    type(d.window, "EditPorta", QStringLiteral("65x11"));
    EXPECT_EQ(widget<QLineEdit>(d.window, "EditInsereIP").text(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(widget<QLineEdit>(d.window, "EditPorta").text(), QStringLiteral("6511"));
    EXPECT_TRUE(widget<QPushButton>(d.window, "btInsere").isEnabled());

    click(d.window, "btInsere");
    EXPECT_EQ(widget<QLabel>(d.window, "lbExist").text(), QStringLiteral("IP inserido"));
    // The only row is the first: shown ticked, stored unticked until applied.
    EXPECT_EQ(rows(d.window), QStringList{"10.0.0.5:6511+"});
    EXPECT_EQ(d.rig.keys("ConfigIP.ini").at("LISTAGEM_IP_LINHA_2/10.0.0.5:6511"), "0");
    EXPECT_TRUE(widget<QPushButton>(d.window, "btAplicar").isEnabled());
    click(d.window, "btInsere");
    EXPECT_EQ(widget<QLabel>(d.window, "lbExist").text(),
              QString::fromUtf8("IP Já existe na listagem"));

    type(d.window, "EditInsereIP", QStringLiteral("10.0.0.6"));
    EXPECT_EQ(widget<QLabel>(d.window, "lbExist").text(), QString());
    click(d.window, "btInsere");
    EXPECT_EQ(rows(d.window), (QStringList{"10.0.0.5:6511+", "10.0.0.6:6511-"}));

    // Clicking a row copies it into the edits and enables "Remover".
    auto& list = widget<QListWidget>(d.window, "ListBox1");
    list.setCurrentRow(1);
    list.setCurrentRow(0);
    EXPECT_EQ(widget<QLineEdit>(d.window, "EditInsereIP").text(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(widget<QLineEdit>(d.window, "EditPorta").text(), QStringLiteral("6511"));
    EXPECT_TRUE(widget<QPushButton>(d.window, "btRemove").isEnabled());

    list.item(1)->setCheckState(Qt::Checked);
    click(d.window, "btAplicar");
    EXPECT_FALSE(widget<QPushButton>(d.window, "btAplicar").isEnabled());
    EXPECT_EQ(d.rig.keys("ConfigIP.ini").at("LISTAGEM_IP_LINHA_2/10.0.0.6:6511"), "1");

    click(d.window, "btRemove");
    EXPECT_EQ(rows(d.window), QStringList{"10.0.0.6:6511+"});
    EXPECT_FALSE(d.rig.keys("ConfigIP.ini").contains("LISTAGEM_IP_LINHA_2/10.0.0.5:6511"));
    EXPECT_FALSE(widget<QPushButton>(d.window, "btRemove").isEnabled());

    // Cancelling loses only tick changes: insertions and removals are in the file already.
    list.item(0)->setCheckState(Qt::Unchecked);
    click(d.window, "Button4");
    EXPECT_FALSE(d.window.isVisible());
    EXPECT_EQ(d.rig.keys("ConfigIP.ini").at("LISTAGEM_IP_LINHA_2/10.0.0.6:6511"), "1");
}

TEST(DestinationWindow, MissingAddressOrPortIsRefused) {
    // No address: "Inserir" stays off. No port, or port 0: the error box.
    const struct {
        const char* address;
        const char* port;
        bool box;
    } cases[] = {{"", "6511", false}, {"10.0.0.5", "", true}, {"10.0.0.5", "0", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address) + ":" + c.port);
        DestinationRig d;
        d.window.openFor(1);
        type(d.window, "EditInsereIP", QString::fromUtf8(c.address));
        type(d.window, "EditPorta", QString::fromUtf8(c.port));
        EXPECT_EQ(widget<QPushButton>(d.window, "btInsere").isEnabled(), c.box);
        click(d.window, "btInsere");
        ASSERT_EQ(d.rig.ui.boxes.size(), c.box ? 1U : 0U);
        if (c.box) {
            EXPECT_EQ(d.rig.ui.boxes[0].title, "Erro");
            EXPECT_EQ(d.rig.ui.boxes[0].text, "Verifique o numero do IP ou da porta !");
        }
        EXPECT_EQ(rows(d.window), QStringList{});
    }
}

struct PrivacyRig {
    PairRig rig{2};
    std::filesystem::path file = rig.pair().services().privacy.file();
    std::vector<std::string> topics;
    PrivacyWindow window{rig.pair().services().privacy, rig.ui,
                         [this](const std::string& t) { topics.push_back(t); }};
};

TEST(PrivacyWindow, DigitsOnlyEnterInsertsTickAndApplyProtects) {
    PrivacyRig p;
    std::filesystem::create_directories(p.file.parent_path());
    p.window.open();
    EXPECT_EQ(p.window.windowTitle(), QString::fromUtf8("Lista de privacidade de gravações"));
    EXPECT_TRUE(widget<QCheckBox>(p.window, "chkPermiteManual").isChecked());
    EXPECT_FALSE(widget<QPushButton>(p.window, "btInsere").isEnabled());
    auto& field = widget<QLineEdit>(p.window, "EditInsere");
    QTest::keyClicks(&field, QStringLiteral("11 34-56x7890"));
    EXPECT_EQ(field.text(), QStringLiteral("1134567890"));
    EXPECT_TRUE(widget<QPushButton>(p.window, "btInsere").isEnabled());
    QTest::keyClick(&field, Qt::Key_Return);
    QTest::keyClick(&field, Qt::Key_Return);  // an empty field inserts nothing
    QTest::keyClicks(&field, QStringLiteral("34567890"));
    click(p.window, "btInsere");
    EXPECT_EQ(rows(p.window), (QStringList{"1134567890-", "34567890-"}));
    EXPECT_TRUE(p.window.isVisible());

    widget<QListWidget>(p.window, "ListBox1").item(0)->setCheckState(Qt::Checked);
    click(p.window, "chkPermiteManual");
    click(p.window, "Button1");
    EXPECT_FALSE(p.window.isVisible());
    EXPECT_TRUE(p.rig.ui.boxes.empty());
    auto& list = p.rig.pair().services().privacy;
    EXPECT_TRUE(list.isPrivate("1134567890"));
    EXPECT_FALSE(list.isPrivate("34567890"));
    const auto keys = p.rig.keys("KOVRA-AUTO_BACKUP/ConfigPriv.ini");
    EXPECT_EQ(keys.at("PRIVACIDADE/1134567890"), "1");
    EXPECT_EQ(keys.at("PRIVACIDADE/34567890"), "0");
    EXPECT_EQ(keys.at("PRIVACIDADE_MANUAL/chkPermiteManual"), "0");

    click(p.window, "btHelpPriv");
    EXPECT_EQ(p.topics, std::vector<std::string>{"Private.htm"});
}

TEST(PrivacyWindow, RemoveDisablesItselfAndCancelKeepsChangesForTheNextOpening) {
    PrivacyRig p;
    write(p.file, "[PRIVACIDADE]\r\n1134567890=1\r\n2134567890=0\r\n");
    auto& list = p.rig.pair().services().privacy;
    list.load();
    p.window.open();
    EXPECT_EQ(rows(p.window), (QStringList{"1134567890+", "2134567890-"}));
    EXPECT_FALSE(widget<QPushButton>(p.window, "btRemove").isEnabled());
    widget<QListWidget>(p.window, "ListBox1").setCurrentRow(0);
    EXPECT_TRUE(widget<QPushButton>(p.window, "btRemove").isEnabled());
    click(p.window, "btRemove");
    EXPECT_FALSE(widget<QPushButton>(p.window, "btRemove").isEnabled());
    EXPECT_FALSE(widget<QPushButton>(p.window, "btAplicar").isEnabled());
    click(p.window, "Button4");

    // Neither the file nor the active list changed; the window still shows the removal.
    EXPECT_TRUE(list.isPrivate("1134567890"));
    EXPECT_EQ(p.rig.keys("KOVRA-AUTO_BACKUP/ConfigPriv.ini").at("PRIVACIDADE/1134567890"), "1");
    p.window.open();
    EXPECT_EQ(rows(p.window), QStringList{"2134567890-"});
}

TEST(PrivacyWindow, AFailedSaveSaysSoKeepsTheTickedNumbersAndStaysOpen) {
    PrivacyRig p;  // the list's folder does not exist: the file cannot be written
    p.window.open();
    QTest::keyClicks(&widget<QLineEdit>(p.window, "EditInsere"), QStringLiteral("1134567890"));
    click(p.window, "btInsere");
    widget<QListWidget>(p.window, "ListBox1").item(0)->setCheckState(Qt::Checked);
    click(p.window, "Button1");
    ASSERT_EQ(p.rig.ui.boxes.size(), 1U);
    EXPECT_EQ(p.rig.ui.boxes[0].title, "Erro ao gravar configurações");
    EXPECT_NE(p.rig.ui.boxes[0].text.find("ConfigPriv.ini"), std::string::npos);
    EXPECT_TRUE(p.window.isVisible());
    EXPECT_TRUE(widget<QPushButton>(p.window, "btAplicar").isEnabled());
    EXPECT_TRUE(p.rig.pair().services().privacy.isPrivate("1134567890"));
    EXPECT_FALSE(std::filesystem::exists(p.file));
}

TEST(PrivacyWindow, AnUnreadableListIsShownAsSuch) {
    PrivacyRig p;
    std::filesystem::create_directories(p.file);  // a folder where the file should be
    p.rig.pair().services().privacy.load();
    p.window.open();
    EXPECT_TRUE(widget<QLabel>(p.window, "lbProblem").isVisibleTo(&p.window));
    EXPECT_TRUE(widget<QLabel>(p.window, "lbProblem")
                    .text()
                    .startsWith(QString::fromUtf8("A lista de privacidade não pôde ser lida")));
}

struct TextFileRig {
    PairRig rig{2};
    settings::CallerIdTextDialog model{rig.pair().services().files, rig.ui};
    QString chosen;
    TextFileWindow window{model, [this](QWidget*, const QString&) { return chosen; }};
};

TEST(TextFileWindow, NamesThePairsLinesWithTheirDefaults) {
    TextFileRig t;
    t.window.openFor(2);
    EXPECT_EQ(t.window.windowTitle(), QStringLiteral("FormConfigTexto"));
    EXPECT_EQ(widget<QLabel>(t.window, "Label1").text(),
              QStringLiteral("Nome do arquivo texto a ser gerado para LINHA 3"));
    EXPECT_EQ(widget<QLabel>(t.window, "Label2").text(),
              QStringLiteral("Nome do arquivo texto a ser gerado para LINHA 4"));
    EXPECT_TRUE(widget<QLineEdit>(t.window, "Edit1").text().endsWith("BinaLinha3.txt"));
    EXPECT_TRUE(widget<QLineEdit>(t.window, "Edit2").text().endsWith("BinaLinha4.txt"));
}

TEST(TextFileWindow, FoldersWritesAtOnceAndOkKeepsANameLeftBlank) {
    TextFileRig t;
    t.window.openFor(2);
    // "Pastas..." cancelled: nothing changes; confirmed: written before "Ok".
    click(t.window, "Button1");
    EXPECT_FALSE(t.rig.keys("ConfigGlobal.ini").contains("LINHAS_3e4/ArqTexto1"));
    t.chosen = QString::fromStdString((t.rig.home() / "bina3.txt").string());
    click(t.window, "Button1");
    EXPECT_EQ(widget<QLineEdit>(t.window, "Edit1").text(), t.chosen);
    EXPECT_EQ(t.rig.keys("ConfigGlobal.ini").at("LINHAS_3e4/ArqTexto1"), t.chosen.toStdString());

    type(t.window, "Edit1", QStringLiteral("  "));
    type(t.window, "Edit2", QStringLiteral("/dados/bina4.txt"));
    click(t.window, "Button3");
    EXPECT_FALSE(t.window.isVisible());
    const auto keys = t.rig.keys("ConfigGlobal.ini");
    EXPECT_EQ(keys.at("LINHAS_3e4/ArqTexto1"), t.chosen.toStdString());
    EXPECT_EQ(keys.at("LINHAS_3e4/ArqTexto2"), "/dados/bina4.txt");
    // The line logic reads the name at each write: the pair's storage sees it now.
    t.window.openFor(2);
    EXPECT_EQ(widget<QLineEdit>(t.window, "Edit2").text(), QStringLiteral("/dados/bina4.txt"));
}

TEST(RelayPage, TextFileSwitchEnablesItsButtonWhichOpensTheDialog) {
    PairRig rig(3);
    int opened = 0;
    PairWindowLinks links;
    links.openTextFiles = [&opened] { ++opened; };
    PairWindow window(rig.pair(), {}, links);
    window.openFromMenu();
    click(window, "PanelTCP");
    auto& button = widget<QPushButton>(window, "btGeraTexto");
    EXPECT_FALSE(button.isEnabled());
    click(window, "CheckTexto");
    EXPECT_TRUE(rig.pair().settings().CheckTexto);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_TRUE(widget<QPushButton>(window, "btApply1").isEnabled());
    click(window, "btGeraTexto");
    EXPECT_EQ(opened, 1);
    click(window, "CheckTexto");
    EXPECT_FALSE(button.isEnabled());
}

TEST(RelayPage, AnUnresolvedLocalAddressIsShownUnlessTheLineSendsLocally) {
    struct Case {
        bool sameIp;
        std::string address;
        bool shown;
    };
    const Case cases[] = {{false, "", true}, {true, "", false}, {false, "192.168.0.10", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address + (c.sameIp ? " local" : ""));
        PairRig rig(2);
        rig.pair().settings().chkSameIP1 = c.sameIp;
        rig.pair().services().host = {"central", c.address};
        PairWindow window(rig.pair(), {});
        window.openFromMenu();
        click(window, "PanelTCP");
        window.refresh();
        EXPECT_EQ(
            widget<QLabel>(window, "lbLocalAddress1").text(),
            c.shown ? QString::fromUtf8("Endereço local não resolvido (central)") : QString());
    }
}

}  // namespace
}  // namespace kovra::gui
