#include "relay/control/destination_list_model.h"

#include <algorithm>
#include <cctype>

#include "settings/settings_keys.h"

namespace kovra::relay::control {

namespace {

std::string keepOnly(const std::string& text, bool allowDot) {
    std::string kept;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) || (allowDot && c == '.')) {
            kept.push_back(c);
        }
    }
    return kept;
}

bool blank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return c <= ' '; });
}

}  // namespace

DestinationListModel::DestinationListModel(settings::IniFile& ip, UserInterface& ui)
    : ip_(ip), ui_(ui) {}

std::string DestinationListModel::section() const {
    return settings::ipListSection(line_);
}

std::string DestinationListModel::caption() const {
    return "Configurações de IP's Linha " + std::to_string(line_);
}

std::string DestinationListModel::panelLinha() const {
    return "Linha " + std::to_string(line_);
}

void DestinationListModel::open(int line) {
    line_ = line;
    load();
}

void DestinationListModel::hide() {
    rows_.clear();
    selected_ = -1;
}

void DestinationListModel::load() {
    rows_.clear();
    selected_ = -1;
    const std::string list = section();
    if (!ip_.sectionExists(list)) {
        return;
    }
    for (const std::string& entry : ip_.sectionKeys(list)) {
        rows_.push_back({entry, ip_.readBool(list, entry, false)});
    }
    rows_.front().ticked = true;
}

void DestinationListModel::setEditInsereIP(const std::string& text) {
    editInsereIP_ = keepOnly(text, true);
    lbExist_.clear();
    insertEnabled_ = !blank(editInsereIP_);
}

void DestinationListModel::setEditPorta(const std::string& text) {
    editPorta_ = keepOnly(text, false);
}

void DestinationListModel::fail(const settings::IniWriteResult& result) {
    if (result && !failure_) {
        failure_ = *result;
    }
}

void DestinationListModel::showFailure() {
    if (failure_) {
        ui_.messageBox(kListErrorTitle, "Não foi possível gravar " + failure_->describe(),
                       MessageIcon::Error, MessageButtons::Ok);
        failure_.reset();
    }
}

bool DestinationListModel::insert() {
    if (blank(editInsereIP_) || blank(editPorta_) || editPorta_ == "0") {
        ui_.messageBox(kListErrorTitle, kListErrorText, MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    const std::string entry = editInsereIP_ + ":" + editPorta_;
    const bool present =
        std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) { return row.entry == entry; });
    if (!present) {
        fail(ip_.writeBool(section(), entry, false));
        fail(ip_.flush());
        showFailure();
        lbExist_ = kListInserted;
    } else {
        lbExist_ = kListExists;
    }
    load();
    applyEnabled_ = true;
    return true;
}

void DestinationListModel::select(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    selected_ = row;
    removeEnabled_ = true;
    const std::string& entry = rows_[row].entry;
    const auto colon = entry.find(':');
    editInsereIP_ = entry.substr(0, colon);
    editPorta_ = colon == std::string::npos ? std::string() : entry.substr(colon + 1);
    lbExist_.clear();
}

void DestinationListModel::setTicked(int row, bool ticked) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    rows_[row].ticked = ticked;
    applyEnabled_ = true;
}

void DestinationListModel::remove() {
    if (selected_ < 0 || selected_ >= static_cast<int>(rows_.size())) {
        return;
    }
    fail(ip_.deleteKey(section(), rows_[selected_].entry));
    fail(ip_.flush());
    showFailure();
    rows_.erase(rows_.begin() + selected_);
    selected_ = -1;
    removeEnabled_ = false;
    applyEnabled_ = true;
}

void DestinationListModel::apply() {
    for (const Row& row : rows_) {
        fail(ip_.writeBool(section(), row.entry, row.ticked));
    }
    fail(ip_.flush());
    showFailure();
    applyEnabled_ = false;
}

void DestinationListModel::ok() {
    apply();
    editInsereIP_.clear();
    editPorta_ = "0";
}

}  // namespace kovra::relay::control
