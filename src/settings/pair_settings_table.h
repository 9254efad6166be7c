// The binding of every stored pair setting to its PairSettings field: key (file, section,
// name, type, default), when it is written, and how the field's value is stored. Reading,
// saving and the window's "Aplicar" all go through this table, so each key is bound once.
// Keys that bind to no field (the tray icon, the host address, the caller-ID text files,
// the main window's geometry) are read and written through settings_keys.h directly.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/ini_file.h"
#include "settings/pair_settings.h"
#include "settings/settings_keys.h"

namespace kovra::settings {

class SettingsAccess;

enum class SettingType { Integer, Bool, Text };

// A value as the file holds it: ports as numbers, the adapter as position + 1, and so on.
using SettingValue = std::variant<int, bool, std::string>;

// When a save writes the key; the order of the table is the order of the writes.
enum class SaveStep {
    BeforeRelaysOff,  // first group, before the relay switches go off
    WhileRelaysOff,   // first group, once they are off
    AfterFolders,     // second group, once every line folder exists
    Exit,             // the exit write of the window position
    TestValues,       // the relay test button of pair 1
};

struct SettingBinding {
    SettingsFileId file;
    std::string_view section;  // kPairSection: the pair's own section
    std::string name;          // full key name, line keys with their side ("SpinSensi1")
    SettingType type;
    SettingValue fallback;
    SaveStep step;
    // Read into the field at creation. False for keys that are only written, and for
    // the recording folder, whose read creates the folder or falls back.
    bool readAtCreation = true;
    // A missing key leaves the field as it is (the device list's current text).
    bool missingKeepsField = false;
    // The field's value as stored.
    std::function<SettingValue(const PairSettings&)> stored;
    // A stored value into the field, brought within the control's range.
    std::function<void(PairSettings&, const SettingValue&)> apply;
};

// Every key of pair 1..3 that binds to a field, in the order of the writes.
std::vector<SettingBinding> pairSettingsTable(int pair);

// The rows a save ("Aplicar"/"Ok") writes whose stored value differs between two states
// of the same pair: what "Aplicar" changes in the files.
std::vector<SettingBinding> changedSettings(int pair, const PairSettings& before,
                                            const PairSettings& after);

// True for the steps of a save.
bool writtenBySave(SaveStep step);

// The row's value in the files (its default, or the field's when missingKeepsField).
SettingValue readSetting(const SettingsAccess& access, const SettingBinding& row,
                         const PairSettings& s);
IniWriteResult writeSetting(SettingsAccess& access, const SettingBinding& row,
                            const PairSettings& s);

// The value as the file's text ("1"/"0" for booleans).
std::string settingText(const SettingValue& value);

}  // namespace kovra::settings
