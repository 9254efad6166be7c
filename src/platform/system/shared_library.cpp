#include "platform/system/shared_library.h"

#include <dlfcn.h>

namespace kovra {

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::string& name, std::string& error) {
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "cannot be loaded";
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() {
    dlclose(handle_);
}

void* SharedLibrary::symbol(const char* name) const {
    return dlsym(handle_, name);
}

}  // namespace kovra
