#include "settings/caller_id_text_dialog.h"

#include <algorithm>

#include "settings/pair_settings_storage.h"
#include "settings/settings_access.h"

namespace kovra::settings {

namespace {

bool blank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c <= ' '; });
}

}  // namespace

CallerIdTextDialog::CallerIdTextDialog(ConfigFiles& files, UserInterface& ui)
    : files_(files), ui_(ui) {}

void CallerIdTextDialog::open(int pair) {
    pair_ = pair;
    const PairSettingsStorage storage(pair, files_, ui_);
    for (int side = 1; side <= 2; ++side) {
        edits_.at(index(side)) = storage.callerIdTextFile(side);
    }
}

std::string CallerIdTextDialog::label(int side) const {
    return kTextFileLabel + std::to_string(2 * pair_ - 2 + side);
}

bool CallerIdTextDialog::chosen(int side, const std::string& file) {
    setEdit(side, file);
    return write({side == 1, side == 2});
}

bool CallerIdTextDialog::ok() {
    return write({!blank(edits_[0]), !blank(edits_[1])});
}

bool CallerIdTextDialog::write(const std::array<bool, 2>& sides) {
    SettingsAccess access(files_, pair_);
    std::optional<IniError> failure;
    auto keep = [&failure](IniWriteResult result) {
        if (result && !failure) {
            failure = std::move(*result);
        }
    };
    for (int side = 1; side <= 2; ++side) {
        if (sides.at(index(side))) {
            keep(access.write(keys::kArqTexto, side, edits_.at(index(side))));
        }
    }
    keep(files_.global().flush());
    if (failure) {
        ui_.messageBox(kSettingsWriteTitle,
                       "Não foi possível gravar o nome do arquivo texto.\r\n" + failure->describe(),
                       MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    return true;
}

}  // namespace kovra::settings
