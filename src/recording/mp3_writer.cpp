#include "recording/mp3_writer.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/log.h"

namespace kovra {

namespace {

constexpr int kLameModeMono = 3;

std::string cannotSaveText(const std::string& file) {
    return "Não foi possível salvar o arquivo " + file +
           ".\r\nCertifique-se de que ele não esteja aberto em outro aplicativo.";
}

}  // namespace

Mp3Writer::Mp3Writer(std::shared_ptr<const LameLibrary> lame)
    : lame_(std::move(lame)), worker_([this] { workerMain(); }) {}

Mp3Writer::~Mp3Writer() {
    StopWriting(true);
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

bool Mp3Writer::StartWriting() {
    std::unique_lock lock(mutex_);
    // A stop that did not wait may still be finishing the last file (its last frames and
    // tag): the new recording waits for it rather than being lost. On audio time a file
    // run moves faster than the worker, so this also keeps such runs repeatable.
    if (busy_ && stop_) {
        confirm_.wait_for(lock, std::chrono::milliseconds(kHandshakeTimeoutMs),
                          [this] { return !busy_; });
    }
    if (busy_) {
        return false;
    }
    if (input_ == nullptr) {
        throw ChainError("Input is not assigned");
    }
    if (lame_ == nullptr) {
        lastError_ = "MP3 encoder library not loaded";
        // Said loudly once; every later refusal (each speech burst retries) only at debug.
        logLine(refusalLogged_ ? LogLevel::Debug : LogLevel::Error,
                "Recording refused: the MP3 encoder library (" +
                    std::string(LameLibrary::kDefaultName) +
                    ") is not loaded; file not written: " + FileName);
        refusalLogged_ = true;
        return false;
    }
    if (FileName.empty()) {
        lastError_ = "File name is not assigned.";
        logLine(LogLevel::Error, "Recording refused: " + lastError_);
        return false;
    }
    // Created here, not on the worker: the caller announces the file only once it exists.
    FileHandle file(std::fopen(FileName.c_str(), "w+b"));
    if (!file) {
        const int err = errno;
        lastError_ = cannotSaveText(FileName);
        // Said loudly once per spell; every speech burst retries.
        logLine(createFailureLogged_ ? LogLevel::Debug : LogLevel::Error,
                "Recording file cannot be created: " + FileName + ": " + std::strerror(err));
        createFailureLogged_ = true;
        return false;
    }
    createFailureLogged_ = false;
    jobHandle_ = std::move(file);
    busy_ = true;
    stop_ = false;
    pauseRequested_ = false;
    state_ = WriterState::Writing;
    lastError_.clear();
    bytesTaken_ = 0;
    framesStored_ = 0;
    cutShort_ = false;
    jobFile_ = FileName;
    jobBitRate_ = BitRateKbps;
    jobQuality_ = Quality;
    if (capture_ != nullptr) {
        capture_->armForStart();
    }
    startPending_ = true;
    wake_.notify_all();
    return true;
}

void Mp3Writer::PauseWriting() {
    if (input_ == nullptr) {
        throw ChainError("Input is not assigned.");
    }
    std::unique_lock lock(mutex_);
    if (!busy_) {
        return;
    }
    pauseRequested_ = true;
    wake_.notify_all();
    if (capture_ != nullptr) {
        capture_->wakeReader();
    }
    const bool confirmed =
        confirm_.wait_for(lock, std::chrono::milliseconds(kHandshakeTimeoutMs),
                          [this] { return !busy_ || state_ == WriterState::Paused; });
    lock.unlock();
    if (!confirmed) {
        logLine(LogLevel::Warning, "Recording pause not confirmed within 10 s: " + jobFile_);
    }
    if (capture_ != nullptr) {
        capture_->stopBuffer();
    }
}

void Mp3Writer::ResumeWriting() {
    std::unique_lock lock(mutex_);
    if (!busy_) {
        return;
    }
    if (capture_ != nullptr) {
        capture_->startBuffer();
    }
    pauseRequested_ = false;
    wake_.notify_all();
    const bool confirmed =
        confirm_.wait_for(lock, std::chrono::milliseconds(kHandshakeTimeoutMs),
                          [this] { return !busy_ || state_ == WriterState::Writing; });
    if (!confirmed) {
        logLine(LogLevel::Warning, "Recording resume not confirmed within 10 s: " + jobFile_);
    }
}

void Mp3Writer::StopWriting(bool wait) {
    std::unique_lock lock(mutex_);
    if (!busy_) {
        return;
    }
    stop_ = true;
    wake_.notify_all();
    if (capture_ != nullptr) {
        // A source that drains ends its input here, on the caller's thread: the file then
        // holds exactly the audio accepted before the stop, however late the worker sees it.
        if (capture_->drainsOnStop()) {
            capture_->endInput();
        }
        capture_->wakeReader();
    }
    if (wait && !confirm_.wait_for(lock, std::chrono::milliseconds(kHandshakeTimeoutMs),
                                   [this] { return !busy_; })) {
        // A hung worker must not freeze the caller (the loop): say so and go on; the file is
        // settled when the worker comes back.
        const std::string file = jobFile_;
        lock.unlock();
        logLine(LogLevel::Warning, "Recording stop not confirmed within 10 s: " + file);
    }
}

void Mp3Writer::awaitClosed() {
    std::unique_lock lock(mutex_);
    if (busy_ && stop_) {
        confirm_.wait_for(lock, std::chrono::milliseconds(kHandshakeTimeoutMs),
                          [this] { return !busy_; });
    }
}

WriterState Mp3Writer::state() const {
    std::lock_guard lock(mutex_);
    return busy_ ? state_ : WriterState::Idle;
}

int Mp3Writer::StoredSeconds() const {
    return static_cast<int>(
        std::llround(static_cast<double>(framesStored_.load()) / kChainSampleRate));
}

int Mp3Writer::ElapsedSeconds() const {
    std::uint64_t frames = framesTaken();
    {
        std::lock_guard lock(mutex_);
        if (busy_ && capture_ != nullptr) {
            frames = capture_->framesCommitted().value_or(frames);
        }
    }
    return static_cast<int>(std::llround(static_cast<double>(frames) / kChainSampleRate));
}

std::string Mp3Writer::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

bool Mp3Writer::stopRequested() const {
    std::lock_guard lock(mutex_);
    return stop_;
}

void Mp3Writer::workerMain() {
    for (;;) {
        std::string file;
        FileHandle handle;
        int bitRate = 0;
        int quality = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || startPending_; });
            if (quit_) {
                return;
            }
            startPending_ = false;
            file = jobFile_;
            handle = std::move(jobHandle_);
            bitRate = jobBitRate_;
            quality = jobQuality_;
        }
        record(std::move(handle), file, bitRate, quality);
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
            state_ = WriterState::Idle;
            pauseRequested_ = false;
        }
        confirm_.notify_all();
    }
}

void Mp3Writer::record(FileHandle file, const std::string& fileName, int bitRateKbps, int quality) {
    const LameApi& lame = lame_->api();
    LameContext* ctx = nullptr;
    bool chainOpen = false;
    std::vector<unsigned char> out;
    std::string error;
    bool fileBroken = false;

    auto append = [&](int bytes) {
        if (bytes <= 0 || fileBroken) {
            return;
        }
        if (std::fwrite(out.data(), 1, static_cast<std::size_t>(bytes), file.get()) !=
                static_cast<std::size_t>(bytes) ||
            std::fflush(file.get()) != 0) {
            const int err = errno;
            fileBroken = true;
            cutShort_ = true;
            error = "Writing " + fileName + " failed: " + std::strerror(err);
            logLine(LogLevel::Error,
                    error + "; the recording ends here and the file keeps the audio so far");
        }
    };

    try {
        input_->open();
        chainOpen = true;

        ctx = lame.lame_init();
        if (ctx == nullptr) {
            throw ChainError("LAME init failed");
        }
        lame.lame_set_num_samples(ctx, 0);
        lame.lame_set_in_samplerate(ctx, kChainSampleRate);
        lame.lame_set_num_channels(ctx, 2);
        lame.lame_set_out_samplerate(ctx, 0);  // the encoder chooses the output rate
        lame.lame_set_mode(ctx, kLameModeMono);
        lame.lame_set_copyright(ctx, 0);
        lame.lame_set_original(ctx, 1);
        lame.lame_set_error_protection(ctx, 0);
        lame.lame_set_brate(ctx, bitRateKbps);
        lame.lame_set_quality(ctx, quality);
        if (lame.lame_init_params(ctx) == -1) {
            throw ChainError("LAME init failed");
        }
        out.resize(kEncoderOutputBytes);

        std::vector<std::int16_t> block(kWriterBlockSamples);
        bool draining = false;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                if (stop_ && !draining) {
                    if (capture_ == nullptr || !capture_->drainsOnStop()) {
                        break;
                    }
                    draining = true;
                    pauseRequested_ = false;
                }
                if (pauseRequested_ && !draining) {
                    if (state_ != WriterState::Paused) {
                        state_ = WriterState::Paused;
                        confirm_.notify_all();
                    }
                    wake_.wait_for(lock, std::chrono::milliseconds(50));
                    continue;
                }
                if (state_ != WriterState::Writing) {
                    state_ = WriterState::Writing;
                    confirm_.notify_all();
                }
            }
            if (draining && capture_ != nullptr) {
                capture_->endInput();
            }
            const std::size_t got = input_->read(block);
            if (got == 0) {
                if (capture_ == nullptr || capture_->ended()) {
                    break;
                }
                continue;  // only woken for a pause or a stop
            }
            bytesTaken_ += got * sizeof(std::int16_t);
            const int encoded = lame.lame_encode_buffer_interleaved(
                ctx, block.data(), static_cast<int>(got / 2), out.data(), kEncoderOutputBytes);
            if (encoded < 0) {
                error = "MP3 encoder error " + std::to_string(encoded) + " on " + fileName;
                logLine(LogLevel::Error, error);
                break;
            }
            append(encoded);
            if (fileBroken) {
                break;
            }
            framesStored_ += got / 2;
        }
    } catch (const ChainError& e) {
        if (error.empty()) {
            error = e.what();
        }
        logLine(LogLevel::Error, std::string("Recording failed: ") + e.what() +
                                     (fileName.empty() ? "" : " (" + fileName + ")"));
    }

    if (ctx != nullptr) {
        if (file && !out.empty()) {
            lame.id3tag_init(ctx);
            lame.id3tag_set_title(ctx, "");
            lame.id3tag_set_artist(ctx, "");
            lame.id3tag_set_album(ctx, "");
            lame.id3tag_set_year(ctx, "0");
            lame.id3tag_set_track(ctx, "0");
            lame.id3tag_set_comment(ctx, "");
            lame.id3tag_set_genre(ctx, "");
            append(lame.lame_encode_flush(ctx, out.data(), kEncoderOutputBytes));
            if (!fileBroken) {
                lame.lame_mp3_tags_fid(ctx, file.get());
            }
        }
        lame.lame_close(ctx);
    }
    file.reset();
    if (chainOpen) {
        input_->close();
    }
    if (capture_ != nullptr) {
        capture_->close();
    }
    if (!error.empty()) {
        std::lock_guard lock(mutex_);
        lastError_ = error;
    }
}

}  // namespace kovra
