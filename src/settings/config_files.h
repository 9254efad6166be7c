// The shared settings files of one run: "Config.ini", "ConfigGlobal.ini" and
// "ConfigIP.ini" in the program folder, and the privacy list "ConfigPriv.ini" under
// "KOVRA-AUTO_BACKUP" at the root of the program folder's filesystem. Created once at
// start-up and shared by every window until the process ends. Loop thread only.
#pragma once

#include <filesystem>
#include <optional>

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace kovra::settings {

inline constexpr const char* kConfigFileName = "Config.ini";
inline constexpr const char* kConfigGlobalFileName = "ConfigGlobal.ini";
inline constexpr const char* kConfigIpFileName = "ConfigIP.ini";
inline constexpr const char* kBackupFolderName = "KOVRA-AUTO_BACKUP";
inline constexpr const char* kPrivacyFileName = "ConfigPriv.ini";

class ConfigFiles {
  public:
    // programFolder: "--home DIR" when given, otherwise the executable's folder (the app
    // resolves it). backupRoot replaces the filesystem root that holds the privacy list
    // (tests, or a root that cannot be written); by default the mount point of the
    // program folder. Nothing is read or created here.
    explicit ConfigFiles(std::filesystem::path programFolder,
                         std::optional<std::filesystem::path> backupRoot = std::nullopt);
    ConfigFiles(const ConfigFiles&) = delete;
    ConfigFiles& operator=(const ConfigFiles&) = delete;

    IniFile& config() { return config_; }
    IniFile& global() { return global_; }
    IniFile& ip() { return ip_; }
    IniFile& privacy() { return privacy_; }
    const IniFile& config() const { return config_; }
    const IniFile& global() const { return global_; }
    const IniFile& ip() const { return ip_; }
    IniFile& file(SettingsFileId id);
    const IniFile& file(SettingsFileId id) const;

    // The program folder as given (absolute).
    const std::filesystem::path& programFolder() const { return programFolder_; }
    // The folder of the privacy list: <root>/KOVRA-AUTO_BACKUP.
    std::filesystem::path backupFolder() const { return privacy_.path().parent_path(); }
    // Default recording base: program folder + "MP3" + separator.
    std::string defaultRecordingBase() const;

  private:
    std::filesystem::path programFolder_;
    IniFile config_;
    IniFile global_;
    IniFile ip_;
    IniFile privacy_;
};

}  // namespace kovra::settings
