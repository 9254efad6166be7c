// The MP3 encoder (libmp3lame), loaded at run time so that a machine without it still
// runs everything but recording. Immutable after load(); shared by all writers, any thread.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/system/shared_library.h"

namespace kovra {

// Opaque encoder context (lame_global_flags of libmp3lame).
struct LameContext;

struct LameApi {
    LameContext* (*lame_init)() = nullptr;
    int (*lame_set_num_samples)(LameContext*, unsigned long) = nullptr;
    int (*lame_set_in_samplerate)(LameContext*, int) = nullptr;
    int (*lame_set_num_channels)(LameContext*, int) = nullptr;
    int (*lame_set_out_samplerate)(LameContext*, int) = nullptr;
    int (*lame_set_mode)(LameContext*, int) = nullptr;  // enum MPEG_mode; 3 = MONO
    int (*lame_set_copyright)(LameContext*, int) = nullptr;
    int (*lame_set_original)(LameContext*, int) = nullptr;
    int (*lame_set_error_protection)(LameContext*, int) = nullptr;
    int (*lame_set_brate)(LameContext*, int) = nullptr;
    int (*lame_set_quality)(LameContext*, int) = nullptr;
    int (*lame_init_params)(LameContext*) = nullptr;
    int (*lame_encode_buffer_interleaved)(LameContext*, short int*, int, unsigned char*,
                                          int) = nullptr;
    int (*lame_encode_flush)(LameContext*, unsigned char*, int) = nullptr;
    // Fills the first frame's info tag (encoder delay, padding, length) so that players
    // show and play exactly the recorded audio; needs the file open for reading too.
    void (*lame_mp3_tags_fid)(LameContext*, std::FILE*) = nullptr;
    int (*lame_close)(LameContext*) = nullptr;
    void (*id3tag_init)(LameContext*) = nullptr;
    void (*id3tag_set_title)(LameContext*, const char*) = nullptr;
    void (*id3tag_set_artist)(LameContext*, const char*) = nullptr;
    void (*id3tag_set_album)(LameContext*, const char*) = nullptr;
    void (*id3tag_set_year)(LameContext*, const char*) = nullptr;
    int (*id3tag_set_track)(LameContext*, const char*) = nullptr;
    void (*id3tag_set_comment)(LameContext*, const char*) = nullptr;
    int (*id3tag_set_genre)(LameContext*, const char*) = nullptr;
};

class LameLibrary {
  public:
    static constexpr const char* kDefaultName = "libmp3lame.so.0";

    // Loads the library by file name (searched as the dynamic loader does) and resolves
    // every entry point. On failure returns nullptr and puts the reason in error.
    static std::shared_ptr<const LameLibrary> load(const std::string& name, std::string& error);

    LameLibrary(const LameLibrary&) = delete;
    LameLibrary& operator=(const LameLibrary&) = delete;

    const LameApi& api() const { return api_; }
    const std::string& name() const { return name_; }

  private:
    LameLibrary(std::unique_ptr<SharedLibrary> library, std::string name)
        : library_(std::move(library)), name_(std::move(name)) {}

    std::unique_ptr<SharedLibrary> library_;
    std::string name_;
    LameApi api_;
};

}  // namespace kovra
