#include "recording/lame_library.h"

namespace kovra {

namespace {

template <typename Fn>
bool resolve(const SharedLibrary& library, const char* symbol, Fn& target, std::string& error) {
    void* address = library.symbol(symbol);
    if (address == nullptr) {
        error = std::string("missing entry point ") + symbol;
        return false;
    }
    target = reinterpret_cast<Fn>(address);
    return true;
}

}  // namespace

std::shared_ptr<const LameLibrary> LameLibrary::load(const std::string& name, std::string& error) {
    std::unique_ptr<SharedLibrary> library = SharedLibrary::open(name, error);
    if (!library) {
        return nullptr;
    }
    const SharedLibrary& handle = *library;
    std::shared_ptr<LameLibrary> lib(new LameLibrary(std::move(library), name));
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
        return nullptr;  // the library is unloaded with lib
    }
    return lib;
}

}  // namespace kovra
