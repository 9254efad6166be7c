// MP3 writer of one line: a worker thread (created with the writer, reused for every
// recording) pulls 16000 Hz stereo audio from the chain, encodes it with libmp3lame
// (mono output) and writes FileName, ending with an ID3v1 tag.
// Loop thread: every operation below. The worker only touches the chain and the file.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "recording/capture_stage.h"
#include "recording/lame_library.h"

namespace kovra {

enum class WriterState { Idle, Writing, Paused };

inline constexpr int kHandshakeTimeoutMs = 10000;
inline constexpr int kEncoderOutputBytes = 17440;

class Mp3Writer {
  public:
    // lame may be null (encoder missing): every start is then refused with a log line.
    explicit Mp3Writer(std::shared_ptr<const LameLibrary> lame);
    // Stops a running recording, waits for its file to be closed, ends the worker.
    ~Mp3Writer();
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    // The chain: input is its last stage (read by the writer), capture its first (paused
    // and resumed by the writer). Set while idle.
    void setInput(AudioStage* input) { input_ = input; }
    void setCapture(CaptureStage* capture) { capture_ = capture; }

    // Target file (replaced if it exists). Read at StartWriting.
    std::string FileName;
    int BitRateKbps = 16;
    int Quality = 5;

    // Starts a recording unless one runs. Returns true when the file exists and the worker
    // was started. Refused (false, logged, reason in lastError()) when the encoder library
    // is not loaded or the file cannot be created: a start is announced only for a file
    // that exists. Throws ChainError "Input is not assigned" without an input. Failures of
    // the chain or the encoder happen on the worker: they are logged, kept in lastError()
    // and the writer goes back to Idle.
    bool StartWriting();
    // Handshakes of at most kHandshakeTimeoutMs with the worker; only while busy.
    void PauseWriting();
    void ResumeWriting();
    // Asks the worker to finish (also when paused). wait: return once the file is closed,
    // or after kHandshakeTimeoutMs with a warning in the log.
    void StopWriting(bool wait);

    // After a stop that did not wait: waits, at most kHandshakeTimeoutMs, until the file
    // is closed, so what it holds is known.
    void awaitClosed();

    WriterState state() const;
    // Seconds of audio taken for the current or last recording, rounded; paused time
    // does not count. For a pushed source it counts every sample accepted before the
    // stop (the worker drains them), so it follows the audio, not the worker's pace.
    int ElapsedSeconds() const;
    // Seconds of audio that reached the file, rounded. Less than ElapsedSeconds() when a
    // write failed (a full disk): the recording then ended early (cutShort()).
    int StoredSeconds() const;
    bool cutShort() const { return cutShort_.load(); }
    std::string lastError() const;
    bool encoderLoaded() const { return lame_ != nullptr; }

  private:
    void workerMain();
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

    void record(FileHandle file, const std::string& fileName, int bitRateKbps, int quality);
    bool stopRequested() const;
    std::uint64_t framesTaken() const { return bytesTaken_.load() / 4; }

    std::shared_ptr<const LameLibrary> lame_;
    AudioStage* input_ = nullptr;
    CaptureStage* capture_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable wake_;     // the worker waits for work and pause changes
    std::condition_variable confirm_;  // the loop thread waits for the worker
    bool quit_ = false;
    bool startPending_ = false;
    bool busy_ = false;
    bool stop_ = false;
    bool pauseRequested_ = false;
    WriterState state_ = WriterState::Idle;
    std::string lastError_;
    bool refusalLogged_ = false;
    std::string jobFile_;
    int jobBitRate_ = 16;
    int jobQuality_ = 5;
    FileHandle jobHandle_;  // created by StartWriting, taken by the worker
    std::atomic<std::uint64_t> bytesTaken_{0};
    std::atomic<std::uint64_t> framesStored_{0};
    std::atomic<bool> cutShort_{false};
    bool createFailureLogged_ = false;
    std::thread worker_;
};

}  // namespace kovra
