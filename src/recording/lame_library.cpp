#include "recording/lame_library.h"

#include <dlfcn.h>

namespace kovra {

namespace {

template <typename Fn>
bool resolve(void* handle, const char* symbol, Fn& target, std::string& error) {
    void* address = dlsym(handle, symbol);
    if (address == nullptr) {
        error = std::string("missing entry point ") + symbol;
        return false;
    }
    target = reinterpret_cast<Fn>(address);
    return true;
}

}  // namespace

std::shared_ptr<const LameLibrary> LameLibrary::load(const std::string& name, std::string& error) {
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "cannot be loaded";
        return nullptr;
    }
    std::shared_ptr<LameLibrary> lib(new LameLibrary(handle, name));
    LameApi& a = lib->api_;
    const bool ok =
        resolve(handle, "lame_init", a.lame_init, error) &&
        resolve(handle, "lame_set_num_samples", a.lame_set_num_samples, error) &&
        resolve(handle, "lame_set_in_samplerate", a.lame_set_in_samplerate, error) &&
        resolve(handle, "lame_set_num_channels", a.lame_set_num_channels, error) &&
        resolve(handle, "lame_set_out_samplerate", a.lame_set_out_samplerate, error) &&
        resolve(handle, "lame_set_mode", a.lame_set_mode, error) &&
        resolve(handle, "lame_set_copyright", a.lame_set_copyright, error) &&
        resolve(handle, "lame_set_original", a.lame_set_original, error) &&
        resolve(handle, "lame_set_error_protection", a.lame_set_error_protection, error) &&
        resolve(handle, "lame_set_brate", a.lame_set_brate, error) &&
        resolve(handle, "lame_set_quality", a.lame_set_quality, error) &&
        resolve(handle, "lame_init_params", a.lame_init_params, error) &&
        resolve(handle, "lame_encode_buffer_interleaved", a.lame_encode_buffer_interleaved,
                error) &&
        resolve(handle, "lame_encode_flush", a.lame_encode_flush, error) &&
        resolve(handle, "lame_mp3_tags_fid", a.lame_mp3_tags_fid, error) &&
        resolve(handle, "lame_close", a.lame_close, error) &&
        resolve(handle, "id3tag_init", a.id3tag_init, error) &&
        resolve(handle, "id3tag_set_title", a.id3tag_set_title, error) &&
        resolve(handle, "id3tag_set_artist", a.id3tag_set_artist, error) &&
        resolve(handle, "id3tag_set_album", a.id3tag_set_album, error) &&
        resolve(handle, "id3tag_set_year", a.id3tag_set_year, error) &&
        resolve(handle, "id3tag_set_track", a.id3tag_set_track, error) &&
        resolve(handle, "id3tag_set_comment", a.id3tag_set_comment, error) &&
        resolve(handle, "id3tag_set_genre", a.id3tag_set_genre, error);
    if (!ok) {
        error = name + ": " + error;
        return nullptr;  // the destructor closes the handle
    }
    return lib;
}

LameLibrary::~LameLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

}  // namespace kovra
