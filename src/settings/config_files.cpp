#include "settings/config_files.h"

#include <system_error>
#include <utility>

#include "settings/filesystem_root.h"

namespace kovra::settings {

namespace fs = std::filesystem;

namespace {

fs::path absoluteFolder(const fs::path& folder) {
    std::error_code ec;
    fs::path result = fs::absolute(folder, ec);
    return ec ? folder : result.lexically_normal();
}

}  // namespace

ConfigFiles::ConfigFiles(fs::path programFolder, std::optional<fs::path> backupRoot)
    : programFolder_(absoluteFolder(programFolder)),
      config_(programFolder_ / kConfigFileName),
      global_(programFolder_ / kConfigGlobalFileName),
      ip_(programFolder_ / kConfigIpFileName),
      privacy_((backupRoot ? *backupRoot : filesystemRoot(programFolder_)) / kBackupFolderName /
               kPrivacyFileName) {}

IniFile& ConfigFiles::file(SettingsFileId id) {
    return const_cast<IniFile&>(std::as_const(*this).file(id));
}

const IniFile& ConfigFiles::file(SettingsFileId id) const {
    switch (id) {
        case SettingsFileId::Config:
            return config_;
        case SettingsFileId::ConfigGlobal:
            return global_;
        case SettingsFileId::ConfigIp:
            break;
    }
    return ip_;
}

std::string ConfigFiles::defaultRecordingBase() const {
    std::string base = (programFolder_ / "MP3").string();
    base += fs::path::preferred_separator;
    return base;
}

}  // namespace kovra::settings
