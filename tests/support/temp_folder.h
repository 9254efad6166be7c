// A fresh folder of the test's own under the system's temporary folder (made with
// mkdtemp, so tests running side by side never share one), removed with its contents.
#pragma once

#include <filesystem>
#include <string>

namespace kovra::test {

class TempFolder {
  public:
    // The folder's name starts with prefix ("kovra-settings-…"), to tell whose it is.
    explicit TempFolder(const std::string& prefix = "kovra-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A name inside the folder.
    std::filesystem::path path(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

}  // namespace kovra::test
