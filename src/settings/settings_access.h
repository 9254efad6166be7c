// Typed reads and writes of table keys (settings_keys.h) for one pair: resolves the
// key's file and section. Loop thread only; the files outlive this object.
#pragma once

#include <string>
#include <string_view>

#include "settings/config_files.h"
#include "settings/settings_keys.h"

namespace kovra::settings {

class SettingsAccess {
  public:
    SettingsAccess(ConfigFiles& files, int pair) : files_(files), pairSection_(pairSection(pair)) {}

    // With the table's default, or an explicit one where the default is computed.
    int read(const IntKey& key) const { return read(key, key.fallback); }
    int read(const IntKey& key, int fallback) const {
        return file(key.file).readInteger(section(key.section), key.name, fallback);
    }
    bool read(const BoolKey& key) const { return read(key, key.fallback); }
    bool read(const BoolKey& key, bool fallback) const {
        return file(key.file).readBool(section(key.section), key.name, fallback);
    }
    std::string read(const TextKey& key) const { return read(key, key.fallback); }
    std::string read(const TextKey& key, std::string_view fallback) const {
        return file(key.file).readString(section(key.section), key.name, fallback);
    }
    int read(const IntLineKey& key, int side) const { return read(key, side, key.fallback); }
    int read(const IntLineKey& key, int side, int fallback) const {
        return file(key.file).readInteger(section(key.section), key.name(side), fallback);
    }
    bool read(const BoolLineKey& key, int side) const { return read(key, side, key.fallback); }
    bool read(const BoolLineKey& key, int side, bool fallback) const {
        return file(key.file).readBool(section(key.section), key.name(side), fallback);
    }
    std::string read(const TextLineKey& key, int side) const {
        return read(key, side, key.fallback);
    }
    std::string read(const TextLineKey& key, int side, std::string_view fallback) const {
        return file(key.file).readString(section(key.section), key.name(side), fallback);
    }

    IniWriteResult write(const IntKey& key, int value) {
        return file(key.file).writeInteger(section(key.section), key.name, value);
    }
    IniWriteResult write(const BoolKey& key, bool value) {
        return file(key.file).writeBool(section(key.section), key.name, value);
    }
    IniWriteResult write(const TextKey& key, std::string_view value) {
        return file(key.file).writeString(section(key.section), key.name, value);
    }
    IniWriteResult write(const IntLineKey& key, int side, int value) {
        return file(key.file).writeInteger(section(key.section), key.name(side), value);
    }
    IniWriteResult write(const BoolLineKey& key, int side, bool value) {
        return file(key.file).writeBool(section(key.section), key.name(side), value);
    }
    IniWriteResult write(const TextLineKey& key, int side, std::string_view value) {
        return file(key.file).writeString(section(key.section), key.name(side), value);
    }

    IniFile& file(SettingsFileId id) { return files_.file(id); }
    const IniFile& file(SettingsFileId id) const { return files_.file(id); }
    const std::string& pairSectionName() const { return pairSection_; }
    // The section a key names: kPairSection resolves to this pair's.
    std::string_view section(std::string_view keySection) const {
        return keySection == kPairSection ? std::string_view(pairSection_) : keySection;
    }

  private:
    ConfigFiles& files_;
    std::string pairSection_;
};

}  // namespace kovra::settings
