#include "relay/control/destination_list_model.h"

#include <gtest/gtest.h>

#include "control_test_support.h"
#include "settings/ini_file.h"

namespace kovra::relay::control {
namespace {

using namespace testing;

class DestinationListTest : public ::testing::Test {
  protected:
    TempFolder folder;
    settings::IniFile ip{folder.path() / "ConfigIP.ini"};
    FakeUserInterface ui;
    DestinationListModel model{ip, ui};
};

TEST_F(DestinationListTest, OpeningTicksTheFirstRowAndOkStoresIt) {
    ASSERT_FALSE(ip.writeBool("LISTAGEM_IP_LINHA_2", "10.0.0.9:6512", false));
    ASSERT_FALSE(ip.writeBool("LISTAGEM_IP_LINHA_2", "10.0.0.1:6512", false));
    model.open(2);
    EXPECT_EQ(model.caption(), "Configurações de IP's Linha 2");
    EXPECT_EQ(model.panelLinha(), "Linha 2");
    ASSERT_EQ(model.rows().size(), 2u);
    EXPECT_EQ(model.rows()[0].entry, "10.0.0.9:6512");
    EXPECT_TRUE(model.rows()[0].ticked);
    EXPECT_FALSE(model.rows()[1].ticked);
    model.ok();
    EXPECT_TRUE(ip.readBool("LISTAGEM_IP_LINHA_2", "10.0.0.9:6512", false));
    EXPECT_FALSE(ip.readBool("LISTAGEM_IP_LINHA_2", "10.0.0.1:6512", true));
    EXPECT_EQ(model.editPorta(), "0");
    model.hide();
    EXPECT_TRUE(model.rows().empty());
}

TEST_F(DestinationListTest, InsertStoresUntickedOnceAndChecksItsInput) {
    model.open(1);
    model.setEditInsereIP("10.0.0.5x");
    EXPECT_EQ(model.editInsereIP(), "10.0.0.5");
    EXPECT_TRUE(model.insertEnabled());
    model.setEditPorta("0");
    EXPECT_FALSE(model.insert());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0], "Erro|Verifique o numero do IP ou da porta !");

    ASSERT_FALSE(ip.writeBool("LISTAGEM_IP_LINHA_1", "10.0.0.1:6511", true));
    model.load();
    model.setEditPorta("65a11");
    EXPECT_TRUE(model.insert());
    EXPECT_EQ(model.lbExist(), "IP inserido");
    EXPECT_EQ(ip.readString("LISTAGEM_IP_LINHA_1", "10.0.0.5:6511", ""), "0");
    EXPECT_TRUE(model.applyEnabled());
    EXPECT_TRUE(model.insert());
    EXPECT_EQ(model.lbExist(), "IP Já existe na listagem");
    EXPECT_EQ(ip.sectionKeys("LISTAGEM_IP_LINHA_1"),
              (std::vector<std::string>{"10.0.0.1:6511", "10.0.0.5:6511"}));
    model.setEditInsereIP("10.0.0.6");
    EXPECT_EQ(model.lbExist(), "");
}

TEST_F(DestinationListTest, SelectFillsTheEditsAndRemoveDeletesTheEntry) {
    ASSERT_FALSE(ip.writeBool("LISTAGEM_IP_LINHA_3", "10.0.0.5:6511", true));
    model.open(3);
    EXPECT_FALSE(model.removeEnabled());
    model.select(0);
    EXPECT_EQ(model.editInsereIP(), "10.0.0.5");
    EXPECT_EQ(model.editPorta(), "6511");
    EXPECT_TRUE(model.removeEnabled());
    model.remove();
    EXPECT_TRUE(model.rows().empty());
    EXPECT_FALSE(model.removeEnabled());
    EXPECT_FALSE(ip.sectionExists("LISTAGEM_IP_LINHA_3"));
}

TEST_F(DestinationListTest, ApplyStoresEveryTick) {
    ASSERT_FALSE(ip.writeBool("LISTAGEM_IP_LINHA_4", "a:1", true));
    ASSERT_FALSE(ip.writeBool("LISTAGEM_IP_LINHA_4", "b:2", false));
    model.open(4);
    model.setTicked(0, false);
    model.setTicked(1, true);
    model.apply();
    EXPECT_FALSE(model.applyEnabled());
    EXPECT_EQ(ip.readString("LISTAGEM_IP_LINHA_4", "a:1", ""), "0");
    EXPECT_EQ(ip.readString("LISTAGEM_IP_LINHA_4", "b:2", ""), "1");
}

}  // namespace
}  // namespace kovra::relay::control
