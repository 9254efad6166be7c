// The destination-list window (one for all six lines) as a model the window binds to:
// the rows of a line's list with their ticks, the two edits, the result label and the
// enabled states of its buttons. Changes go to "ConfigIP.ini" as the buttons say. Loop
// thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/user_interface.h"
#include "settings/ini_file.h"

namespace kovra::relay::control {

class DestinationListModel {
  public:
    struct Row {
        std::string entry;  // address ":" port, as stored
        bool ticked = false;
    };

    // ip is "ConfigIP.ini"; both outlive the model.
    DestinationListModel(settings::IniFile& ip, UserInterface& ui);

    // btIPAvanc<k>Click: the window's line, caption and panel, then FormShow loads it.
    void open(int line);
    // FormHide: the rows are emptied.
    void hide();
    // Loads the line's rows in file order; the first row is ticked whatever it stores.
    void load();

    int line() const { return line_; }
    std::string caption() const;     // "Configurações de IP's Linha " + n
    std::string panelLinha() const;  // "Linha " + n
    const std::vector<Row>& rows() const { return rows_; }
    int selectedRow() const { return selected_; }
    const std::string& editInsereIP() const { return editInsereIP_; }
    const std::string& editPorta() const { return editPorta_; }
    const std::string& lbExist() const { return lbExist_; }
    bool insertEnabled() const { return insertEnabled_; }
    bool removeEnabled() const { return removeEnabled_; }
    bool applyEnabled() const { return applyEnabled_; }

    // The edits keep only what their key filters let through: digits and "." for the
    // address, digits for the port. A change of the address empties lbExist and enables
    // "Inserir" exactly when the trimmed text is not empty.
    void setEditInsereIP(const std::string& text);
    void setEditPorta(const std::string& text);

    // "Inserir": false (with the error box) when address or port is missing or "0".
    bool insert();
    // Clicking a row: enables "Remover" and copies the row into the two edits.
    void select(int row);
    // Ticking or unticking a row enables "Aplicar".
    void setTicked(int row, bool ticked);
    // "Remover": deletes the selected row's entry from the file and the list.
    void remove();
    // "Aplicar": stores every row's tick state.
    void apply();
    // "Ok": apply, empty the address, port "0"; the window then closes.
    void ok();

  private:
    std::string section() const;
    // Keeps the first failed write of an operation; showFailure() reports it once.
    void fail(const settings::IniWriteResult& result);
    void showFailure();

    settings::IniFile& ip_;
    UserInterface& ui_;
    int line_ = 1;
    std::vector<Row> rows_;
    int selected_ = -1;
    std::string editInsereIP_;
    std::string editPorta_ = "0";
    std::string lbExist_ = "..";
    bool insertEnabled_ = false;
    bool removeEnabled_ = false;
    bool applyEnabled_ = false;
    std::optional<settings::IniError> failure_;
};

inline constexpr const char* kListErrorText = "Verifique o numero do IP ou da porta !";
inline constexpr const char* kListErrorTitle = "Erro";
inline constexpr const char* kListInserted = "IP inserido";
inline constexpr const char* kListExists = "IP Já existe na listagem";

}  // namespace kovra::relay::control
