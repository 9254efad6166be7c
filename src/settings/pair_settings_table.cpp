#include "settings/pair_settings_table.h"

#include <algorithm>

#include "settings/integer_text.h"
#include "settings/settings_access.h"

namespace kovra::settings {

namespace {

constexpr int kBufferChoices = 3;
constexpr int kBitRateChoices = 5;     // 8, 16, 32, 64, 128 kbit/s
constexpr int kOffHookReplaced = -29;  // dB; stored values of this or more read as the default
constexpr int kOffHookDefault = -55;   // dB

template <class T>
using Member = T PairSettings::*;

using IntRule = std::function<int(int)>;

// A list position as a drop-down takes it: outside the list selects nothing.
int listPosition(int value, int count) {
    return value >= 0 && value < count ? value : -1;
}

IntRule clampTo(int low, int high) {
    return [low, high](int v) { return std::clamp(v, low, high); };
}

// A stored choice outside its list gives the key's default instead of no choice.
IntRule choiceOf(int count, int fallback) {
    return [count, fallback](int v) { return v >= 0 && v < count ? v : fallback; };
}

IntRule asStored() {
    return [](int v) { return v; };
}

// A key that is stored but never read back.
SettingBinding writtenOnly(SettingBinding b) {
    b.readAtCreation = false;
    return b;
}

SettingBinding row(SettingsFileId file, std::string_view section, std::string name,
                   SettingType type, SettingValue fallback, SaveStep step) {
    SettingBinding b;
    b.file = file;
    b.section = section;
    b.name = std::move(name);
    b.type = type;
    b.fallback = std::move(fallback);
    b.step = step;
    return b;
}

SettingBinding intRow(const IntKey& key, std::string name, int fallback, SaveStep step,
                      Member<int> field, IntRule rule) {
    SettingBinding b =
        row(key.file, key.section, std::move(name), SettingType::Integer, fallback, step);
    b.stored = [field](const PairSettings& s) { return SettingValue(s.*field); };
    b.apply = [field, rule = std::move(rule)](PairSettings& s, const SettingValue& v) {
        s.*field = rule(std::get<int>(v));
    };
    return b;
}

SettingBinding intRow(const IntKey& key, SaveStep step, Member<int> field,
                      IntRule rule = asStored()) {
    return intRow(key, std::string(key.name), key.fallback, step, field, std::move(rule));
}

SettingBinding intRow(const IntLineKey& key, int side, SaveStep step, Member<int> line1,
                      Member<int> line2, IntRule rule = asStored()) {
    return intRow(IntKey{key.file, key.section, key.stem, key.fallback}, key.name(side),
                  key.fallback, step, side == 1 ? line1 : line2, std::move(rule));
}

SettingBinding boolRow(SettingsFileId file, std::string_view section, std::string name,
                       bool fallback, SaveStep step, Member<bool> field) {
    SettingBinding b = row(file, section, std::move(name), SettingType::Bool, fallback, step);
    b.stored = [field](const PairSettings& s) { return SettingValue(s.*field); };
    b.apply = [field](PairSettings& s, const SettingValue& v) { s.*field = std::get<bool>(v); };
    return b;
}

SettingBinding boolRow(const BoolKey& key, SaveStep step, Member<bool> field) {
    return boolRow(key.file, key.section, std::string(key.name), key.fallback, step, field);
}

SettingBinding boolRow(const BoolLineKey& key, int side, SaveStep step, Member<bool> line1,
                       Member<bool> line2) {
    return boolRow(key.file, key.section, key.name(side), key.fallback, step,
                   side == 1 ? line1 : line2);
}

SettingBinding textRow(const TextKey& key, SaveStep step, Member<std::string> field) {
    SettingBinding b = row(key.file, key.section, std::string(key.name), SettingType::Text,
                           std::string(key.fallback), step);
    b.stored = [field](const PairSettings& s) { return SettingValue(s.*field); };
    b.apply = [field](PairSettings& s, const SettingValue& v) {
        s.*field = std::get<std::string>(v);
    };
    return b;
}

// A port typed as text and stored as a number; text that is not a number stores the
// line's default port.
SettingBinding portRow(const IntLineKey& key, int side, int defaultPort, Member<std::string> line1,
                       Member<std::string> line2) {
    const Member<std::string> field = side == 1 ? line1 : line2;
    SettingBinding b = row(key.file, key.section, key.name(side), SettingType::Integer, defaultPort,
                           SaveStep::BeforeRelaysOff);
    b.stored = [field, defaultPort](const PairSettings& s) {
        return SettingValue(integerOr(s.*field, defaultPort));
    };
    b.apply = [field](PairSettings& s, const SettingValue& v) {
        s.*field = std::to_string(std::get<int>(v));
    };
    return b;
}

// A drop-down's selected position, stored as is.
SettingBinding positionRow(const IntKey& key, SaveStep step, Member<ComboState> list) {
    SettingBinding b =
        row(key.file, key.section, std::string(key.name), SettingType::Integer, key.fallback, step);
    b.stored = [list](const PairSettings& s) { return SettingValue((s.*list).itemIndex); };
    b.apply = [list](PairSettings& s, const SettingValue& v) {
        (s.*list).itemIndex = std::max(-1, std::get<int>(v));
    };
    return b;
}

std::vector<SettingBinding> buildTable(int pair) {
    using K = SaveStep;
    const PairProfile& profile = pairProfile(pair);
    const int odd = profile.lineNumber(1);
    std::vector<SettingBinding> t;

    // "Config.ini": device, input, adapter.
    SettingBinding device =
        row(keys::kDeviceName.file, keys::kDeviceName.section, std::string(keys::kDeviceName.name),
            SettingType::Text, std::string(keys::kDeviceName.fallback), K::BeforeRelaysOff);
    device.stored = [](const PairSettings& s) { return SettingValue(s.CbDevices.text); };
    device.apply = [](PairSettings& s, const SettingValue& v) {
        s.CbDevices.text = std::get<std::string>(v);
    };
    device.missingKeepsField = true;
    t.push_back(std::move(device));
    t.push_back(writtenOnly(intRow(keys::kDeviceId, K::BeforeRelaysOff, &PairSettings::DeviceID)));
    t.push_back(
        positionRow(keys::kSelectIndexDevice, K::BeforeRelaysOff, &PairSettings::CbDevices));
    t.push_back(positionRow(keys::kSelectIndexSource, K::BeforeRelaysOff, &PairSettings::CBList));
    // The adapter stored as position + 1; also what the pair found at creation.
    const Member<ComboState> adapter =
        profile.adapterTypeList ? &PairSettings::CBTipoAdp : &PairSettings::CBChannel;
    const int adapterCount = profile.adapterCount;
    SettingBinding lines = positionRow(keys::kQtdLinha, K::BeforeRelaysOff, adapter);
    lines.stored = [adapter](const PairSettings& s) {
        return SettingValue((s.*adapter).itemIndex + 1);
    };
    lines.apply = [adapter, adapterCount](PairSettings& s, const SettingValue& v) {
        (s.*adapter).itemIndex = listPosition(std::get<int>(v) - 1, adapterCount);
        s.SavedLinesOnInput = (s.*adapter).itemIndex + 1;
    };
    t.push_back(std::move(lines));
    if (profile.relayTestValues) {
        t.push_back(textRow(keys::kEdTesteDdd, K::TestValues, &PairSettings::edTesteDDD));
        t.push_back(textRow(keys::kEdTesteFone, K::TestValues, &PairSettings::edTesteFone));
    }
    // The window position is stored at exit and with every save, and never read back.
    t.push_back(writtenOnly(intRow(keys::kConfigTop, K::Exit, &PairSettings::Top)));
    t.push_back(writtenOnly(intRow(keys::kConfigLeft, K::Exit, &PairSettings::Left)));

    // "ConfigGlobal.ini", first group.
    t.push_back(textRow(keys::kLineName1, K::BeforeRelaysOff, &PairSettings::edNomeCanal1));
    t.push_back(textRow(keys::kLineName2, K::BeforeRelaysOff, &PairSettings::edNomeCanal2));
    t.push_back(intRow(keys::kBufferRecord, K::BeforeRelaysOff, &PairSettings::CBbuffer,
                       choiceOf(kBufferChoices, keys::kBufferRecord.fallback)));
    t.push_back(intRow(keys::kVolume, K::BeforeRelaysOff, &PairSettings::Track1, clampTo(0, 100)));
    if (profile.adapterTypeList) {
        // Wins over "QTDLinha"; the USB adapter signals the hook itself.
        SettingBinding type =
            positionRow(keys::kCbTipoAdp, K::BeforeRelaysOff, &PairSettings::CBTipoAdp);
        type.apply = [adapterCount, hook = profile.hookAdapterPosition](PairSettings& s,
                                                                        const SettingValue& v) {
            s.CBTipoAdp.itemIndex = listPosition(std::get<int>(v), adapterCount);
            s.HookSignalling = hook >= 0 && s.CBTipoAdp.itemIndex == hook;
        };
        t.push_back(std::move(type));
    }
    t.push_back(boolRow(keys::kCheckTexto, K::BeforeRelaysOff, &PairSettings::CheckTexto));
    for (int k = 1; k <= 2; ++k) {
        if (profile.line.dtmfSensitivity) {
            t.push_back(intRow(keys::kSpinSensi, k, K::BeforeRelaysOff, &PairSettings::SpinSensi1,
                               &PairSettings::SpinSensi2, clampTo(2, 24)));
        }
        if (profile.line.offHookSetting) {
            t.push_back(intRow(keys::kOffHook, k, K::BeforeRelaysOff, &PairSettings::SpinOffHook1,
                               &PairSettings::SpinOffHook2, [](int v) {
                                   return v >= kOffHookReplaced ? kOffHookDefault
                                                                : std::clamp(v, -100, 10);
                               }));
        }
    }
    if (profile.recording.spectrumSwitch) {
        for (int k = 1; k <= 2; ++k) {
            t.push_back(boolRow(keys::kSpectrum, k, K::BeforeRelaysOff, &PairSettings::CHKSpectrum1,
                                &PairSettings::CHKSpectrum2));
        }
    }
    if (profile.line.europeFsk) {
        for (int k = 1; k <= 2; ++k) {
            t.push_back(boolRow(keys::kPEuropeu, k, K::BeforeRelaysOff, &PairSettings::chkEuropa1,
                                &PairSettings::chkEuropa2));
        }
    }
    for (int k = 1; k <= 2; ++k) {
        t.push_back(boolRow(keys::kChkTipoL, k, K::BeforeRelaysOff, &PairSettings::chkTipoL1,
                            &PairSettings::chkTipoL2));
    }
    t.push_back(boolRow(keys::kAutoVolume, K::BeforeRelaysOff, &PairSettings::chkAutoVol));
    t.push_back(boolRow(keys::kCheckOffHook, K::BeforeRelaysOff, &PairSettings::CheckOffHook));
    SettingBinding autoConfig =
        boolRow(keys::kCheckAutoConfig, K::BeforeRelaysOff, &PairSettings::CheckAutoConfig);
    autoConfig.apply = [](PairSettings& s, const SettingValue& v) {
        s.CheckAutoConfig = std::get<bool>(v);
        s.AutoConfigFlag = s.CheckAutoConfig;
    };
    t.push_back(std::move(autoConfig));
    for (int k = 1; k <= 2; ++k) {
        t.push_back(portRow(keys::kLocalPort, k, defaultLocalPort(odd + k - 1),
                            &PairSettings::edPortLocal1, &PairSettings::edPortLocal2));
    }
    for (int k = 1; k <= 2; ++k) {
        t.push_back(portRow(keys::kRemotePort, k, defaultRemotePort(odd + k - 1),
                            &PairSettings::edPortReceive1, &PairSettings::edPortReceive2));
    }
    // The relay switches are read at hide, where a stored port makes them count.
    for (int k = 1; k <= 2; ++k) {
        t.push_back(writtenOnly(boolRow(keys::kTcpIp, k, K::BeforeRelaysOff,
                                        &PairSettings::ChBoxTCP1, &PairSettings::ChBoxTCP2)));
    }
    for (int k = 1; k <= 2; ++k) {
        t.push_back(boolRow(keys::kChkSameIp, k, K::WhileRelaysOff, &PairSettings::chkSameIP1,
                            &PairSettings::chkSameIP2));
    }
    for (int k = 1; k <= 2; ++k) {
        t.push_back(intRow(keys::kCbBitRat, k, K::WhileRelaysOff, &PairSettings::cbBitRat1,
                           &PairSettings::cbBitRat2,
                           choiceOf(kBitRateChoices, keys::kCbBitRat.fallback)));
    }
    if (profile.recording.amplifier) {
        for (int k = 1; k <= 2; ++k) {
            t.push_back(boolRow(keys::kAmplificador, k, K::WhileRelaysOff, &PairSettings::CheckAmp1,
                                &PairSettings::CheckAmp2));
        }
        for (int k = 1; k <= 2; ++k) {
            t.push_back(intRow(keys::kTrackBarAmp, k, K::WhileRelaysOff,
                               &PairSettings::TrackBarAmp1, &PairSettings::TrackBarAmp2,
                               clampTo(0, 25)));
        }
    }
    t.push_back(boolRow(keys::kCheckAutoRec, K::WhileRelaysOff, &PairSettings::CheckAutoRec));
    t.push_back(boolRow(keys::kPreRoll, K::WhileRelaysOff, &PairSettings::PreRoll));
    t.push_back(boolRow(keys::kCheckOffRing, K::WhileRelaysOff, &PairSettings::CheckOffRing));
    t.push_back(boolRow(keys::kCheckOffTom, K::WhileRelaysOff, &PairSettings::CheckOffTom));
    t.push_back(boolRow(keys::kCheckOffDial, K::WhileRelaysOff, &PairSettings::CheckOffDial));
    t.push_back(
        intRow(keys::kSpinPause, K::WhileRelaysOff, &PairSettings::SpinPause, clampTo(2, 100)));
    t.push_back(
        intRow(keys::kSpinStop, K::WhileRelaysOff, &PairSettings::SpinStop, clampTo(2, 320)));
    t.push_back(intRow(keys::kSpinMin, K::WhileRelaysOff, &PairSettings::SpinMin, clampTo(5, 100)));
    t.push_back(writtenOnly(intRow(keys::kGlobalTop, K::WhileRelaysOff, &PairSettings::Top)));
    t.push_back(writtenOnly(intRow(keys::kGlobalLeft, K::WhileRelaysOff, &PairSettings::Left)));
    t.push_back(textRow(keys::kDddLocal, K::WhileRelaysOff, &PairSettings::EditDDDLocal));
    if (profile.companionProgram) {
        t.push_back(
            boolRow(keys::kChkAtivarMorvex, K::WhileRelaysOff, &PairSettings::chkAtivarMorvex));
    }

    // "ConfigGlobal.ini", second group.
    // Read apart: the read creates the folder or falls back to the program's.
    t.push_back(writtenOnly(textRow(keys::kEditPasta, K::AfterFolders, &PairSettings::EditPasta)));
    for (int k = 1; k <= 2; ++k) {
        t.push_back(boolRow(keys::kChkPermiteReceive, k, K::AfterFolders,
                            &PairSettings::chkPermiteReceive1, &PairSettings::chkPermiteReceive2));
    }
    t.push_back(boolRow(keys::kChkSendDtmf, K::AfterFolders, &PairSettings::chkSendDTMF));
    t.push_back(boolRow(keys::kChkSendFormatado, K::AfterFolders, &PairSettings::chkSendFormatado));
    t.push_back(boolRow(keys::kChkIndexPhone, K::AfterFolders, &PairSettings::chkIndexPhone));
    t.push_back(boolRow(keys::kChkRing, K::AfterFolders, &PairSettings::chkRing));
    t.push_back(boolRow(keys::kChkNumeroDiscado, K::AfterFolders, &PairSettings::chkNumeroDiscado));
    t.push_back(boolRow(keys::kChkNameFile, K::AfterFolders, &PairSettings::chkNameFile));
    return t;
}

}  // namespace

std::vector<SettingBinding> pairSettingsTable(int pair) {
    return buildTable(pair);
}

bool writtenBySave(SaveStep step) {
    return step == SaveStep::BeforeRelaysOff || step == SaveStep::WhileRelaysOff ||
           step == SaveStep::AfterFolders;
}

std::vector<SettingBinding> changedSettings(int pair, const PairSettings& before,
                                            const PairSettings& after) {
    std::vector<SettingBinding> changed;
    for (SettingBinding& row : buildTable(pair)) {
        if (writtenBySave(row.step) && row.stored(before) != row.stored(after)) {
            changed.push_back(std::move(row));
        }
    }
    return changed;
}

SettingValue readSetting(const SettingsAccess& access, const SettingBinding& row,
                         const PairSettings& s) {
    const SettingValue fallback = row.missingKeepsField ? row.stored(s) : row.fallback;
    const IniFile& file = access.file(row.file);
    const std::string_view section = access.section(row.section);
    switch (row.type) {
        case SettingType::Integer:
            return file.readInteger(section, row.name, std::get<int>(fallback));
        case SettingType::Bool:
            return file.readBool(section, row.name, std::get<bool>(fallback));
        case SettingType::Text:
            break;
    }
    return file.readString(section, row.name, std::get<std::string>(fallback));
}

IniWriteResult writeSetting(SettingsAccess& access, const SettingBinding& row,
                            const PairSettings& s) {
    const SettingValue value = row.stored(s);
    IniFile& file = access.file(row.file);
    const std::string_view section = access.section(row.section);
    switch (row.type) {
        case SettingType::Integer:
            return file.writeInteger(section, row.name, std::get<int>(value));
        case SettingType::Bool:
            return file.writeBool(section, row.name, std::get<bool>(value));
        case SettingType::Text:
            break;
    }
    return file.writeString(section, row.name, std::get<std::string>(value));
}

std::string settingText(const SettingValue& value) {
    if (const int* number = std::get_if<int>(&value)) {
        return std::to_string(*number);
    }
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag ? "1" : "0";
    }
    return std::get<std::string>(value);
}

}  // namespace kovra::settings
