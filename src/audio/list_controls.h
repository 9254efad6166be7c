// The list controls of the sound-card models as plain state: items and the selected
// position, and for a check list a mark per item. Windows bind their widgets to them.
#pragma once

#include <string>
#include <vector>

namespace kovra::audio {

struct ItemList {
    std::vector<std::string> Items;
    int ItemIndex = -1;  // -1: nothing selected

    bool selected() const { return ItemIndex >= 0 && ItemIndex < count(); }
    int count() const { return static_cast<int>(Items.size()); }
    // The selected item's text, empty when nothing is selected.
    std::string text() const {
        return selected() ? Items[static_cast<std::size_t>(ItemIndex)] : std::string();
    }
    void clear() {
        Items.clear();
        ItemIndex = -1;
    }
    // Selects position (nothing when outside the list).
    void select(int position) { ItemIndex = position >= 0 && position < count() ? position : -1; }
    // Position of the first item equal to text, -1 when none is.
    int indexOf(const std::string& text) const {
        for (int i = 0; i < count(); ++i) {
            if (Items[static_cast<std::size_t>(i)] == text) {
                return i;
            }
        }
        return -1;
    }
};

struct CheckList : ItemList {
    std::vector<bool> Checked;

    void add(std::string item) {
        Items.push_back(std::move(item));
        Checked.push_back(false);
    }
    void clear() {
        ItemList::clear();
        Checked.clear();
    }
    bool checked(int i) const {
        return i >= 0 && i < static_cast<int>(Checked.size()) &&
               Checked[static_cast<std::size_t>(i)];
    }
};

}  // namespace kovra::audio
