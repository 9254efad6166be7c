// A library loaded at run time by file name, searched as the system's loader does;
// unloaded with this object. Its entry points are looked up by name.
#pragma once

#include <memory>
#include <string>

namespace kovra {

class SharedLibrary {
  public:
    // nullptr on failure, with the loader's reason in error.
    static std::unique_ptr<SharedLibrary> open(const std::string& name, std::string& error);

    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The entry point's address, or nullptr when the library has none of that name.
    void* symbol(const char* name) const;

  private:
    explicit SharedLibrary(void* handle) : handle_(handle) {}

    void* handle_;
};

}  // namespace kovra
