#include "app/pair_dialog.h"

namespace kovra {

namespace {

void call(const std::function<void()>& fn) {
    if (fn) {
        fn();
    }
}

std::string bracket(int pair) {
    const int odd = 2 * pair - 1;
    return " [Linhas " + std::to_string(odd) + " e " + std::to_string(odd + 1) + "]";
}

}  // namespace

const std::string kSavedRestartText =
    "Configurações salvas com sucesso!\r\n\r\nTalvez seja necessário reiniciar o PlugIn Kovra "
    "Repeaters 6L para que algumas configurações façam efeito";

std::string removeTitle(int pair) {
    return "Remoção das linhas " + bracket(pair);
}

std::string removeQuestion(int pair) {
    return "Confirma a remoção das linhas: " + bracket(pair) +
           " ?\r\n\r\nObs:\r\nElas poderão ser readicionadas a qualquer momento clicando\r\nno "
           "menu \"Adicionar linhas\" tela principal do aplicativo.";
}

PairDialog::PairDialog(int pair, bool diagnostics, UserInterface& ui, PairDialogFlags flags,
                       PairDialogPorts ports)
    : pair_(pair), diagnostics_(diagnostics), ui_(ui), flags_(flags), ports_(std::move(ports)) {
    flags_.ApplyEnabled = false;
}

std::string PairDialog::linesBracket() const {
    return bracket(pair_);
}

void PairDialog::choosePage(PairPage page) {
    page_ = page;
    TestPageActive = false;  // leaving "Testes" clears it
    flags_.RecordPageOpen = page == PairPage::Record;
    if (page == PairPage::Audio) {
        TabAudioShow();
    }
    if (page != PairPage::Diagnostics) {
        helpLowered_ = false;
    }
}

bool PairDialog::tabVisible(PairPage page) const {
    if (page == PairPage::Tests) {
        return pair_ == 1;  // "Testes" keeps its tab
    }
    return page == page_;
}

bool PairDialog::entryLowered(PairPage page) const {
    return page == page_ && page != PairPage::Diagnostics && page != PairPage::Tests;
}

void PairDialog::TabAudioShow() {
    flags_.ApplyEnabled = false;
    removeCaption_ = "Remover " + linesBracket();
}

void PairDialog::restartNotice() {
    const int linesOnInput = ports_.adapterPosition() + 1;
    if (flags_.SettingsShown && linesOnInput != flags_.SavedLinesOnInput) {
        ui_.messageBox(kSavedTitle, kSavedRestartText, MessageIcon::Information,
                       MessageButtons::Ok);
    }
    flags_.SavedLinesOnInput = linesOnInput;
}

void PairDialog::btApply1Click() {
    const bool saved = ports_.save().ok;
    if (pair_ == 1) {
        if (saved) {
            call(ports_.clearAutoVol);
            call(ports_.BnStopClick);
            flags_.ApplyEnabled = false;
            restartNotice();
        }
        // Pair 1 gets its detectors back even when the folders failed.
        if (!ports_.CaptureRunning()) {
            call(ports_.BnStartClick);
        }
        return;
    }
    if (!saved) {
        return;
    }
    call(ports_.clearAutoVol);
    if (!ports_.CaptureRunning()) {
        call(ports_.BnStartClick);
    }
    flags_.ApplyEnabled = false;
    restartNotice();
}

void PairDialog::btOK1Click() {
    if (flags_.ApplyEnabled) {
        btApply1Click();
    }
    flags_.ApplyEnabled = false;
    TestPageActive = false;
    call(closeWindow);
}

void PairDialog::btCancelConfgClick() {
    call(closeWindow);
}

void PairDialog::FormShow() {
    flags_.SettingsShown = true;
    lbTitDetector = kDetectorTitle;
}

void PairDialog::FormHide() {
    call(ports_.hidden);
    if (pair_ == 1) {
        choosePage(PairPage::Audio);
    }
    flags_.SettingsShown = false;
    flags_.RecordPageOpen = false;
    TestPageActive = false;
}

void PairDialog::btRemoverClick() {
    if (ui_.messageBox(removeTitle(pair_), removeQuestion(pair_), MessageIcon::Warning,
                       MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    call(ports_.BnStopClick);
    call(ports_.forgetCard);
    call(ports_.erasePair);
    flags_.ApplyEnabled = false;
    call(closeWindow);
}

}  // namespace kovra
