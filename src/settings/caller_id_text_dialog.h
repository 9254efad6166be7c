// The caller-ID text-file dialog as a model: one dialog for the three pairs, naming the
// text file of each line of the pair it was opened for. A name chosen with "Pastas..." is
// stored at once; "Ok" stores the edits that are not blank. Loop thread only.
#pragma once

#include <array>
#include <string>

#include "platform/user_interface.h"
#include "settings/config_files.h"

namespace kovra::settings {

class CallerIdTextDialog {
  public:
    // files and ui outlive the model.
    CallerIdTextDialog(ConfigFiles& files, UserInterface& ui);

    // btGeraTextoClick of pair 1..3: the labels name its lines, the edits hold their
    // stored names (or the defaults).
    void open(int pair);

    int pair() const { return pair_; }
    // "Nome do arquivo texto a ser gerado para LINHA " + the line's number.
    std::string label(int side) const;
    const std::string& edit(int side) const { return edits_.at(index(side)); }
    void setEdit(int side, std::string text) { edits_.at(index(side)) = std::move(text); }

    // "Pastas..." confirmed with file: the edit takes it and the line's key is written
    // now. False (after a message box naming the file and the reason) when it could not be.
    bool chosen(int side, const std::string& file);
    // "Ok": every edit that is not blank goes to its line's key; a blank edit keeps the
    // name stored before. False (after a message box) when a write failed.
    bool ok();

  private:
    static std::size_t index(int side) { return side == 2 ? 1 : 0; }
    bool write(const std::array<bool, 2>& sides);

    ConfigFiles& files_;
    UserInterface& ui_;
    int pair_ = 1;
    std::array<std::string, 2> edits_;
};

inline constexpr const char* kTextFileLabel = "Nome do arquivo texto a ser gerado para LINHA ";
inline constexpr const char* kTextFileDialogTitle = "FormConfigTexto";

}  // namespace kovra::settings
