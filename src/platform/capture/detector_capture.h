// The detector capture control on this platform: TWaveExCtrl over a sample source (a live
// device or a WAV file, see the subclasses). It cuts the source's audio into buffers of
// RecordBufferLength bytes and runs one cycle per filled buffer on the event loop: the
// sample observer, then OnPeak of every attached level view, then every attached decoder
// (its events, then OnSpectrumData). Loop thread only; sources feed it on the loop thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/detector_controls.h"
#include "platform/event_loop.h"

namespace kovra {

// One filled capture buffer: interleaved 16-bit frames at 8000 Hz. Channel 0 is the left
// channel (the pair's even line), 1 the right (the odd line); mono has channel 0 only.
struct CaptureBuffer {
    std::span<const std::int16_t> interleaved;
    int channels = 1;
    std::int64_t startFrame = 0;  // index of the buffer's first frame since StartCapture
    std::size_t frames() const { return interleaved.size() / static_cast<std::size_t>(channels); }
};

// Index into an interleaved frame for a control's channel number (1: right = odd line,
// 0: left = even line); a mono buffer always yields 0.
inline int channelIndex(int controlChannel, int channels) {
    return channels >= 2 ? (controlChannel == 0 ? 0 : 1) : 0;
}

// What level views and decoders implement to hear a capture control.
class CaptureConsumer {
  public:
    // Capture (re)started with this many channels; positions count from 0 again.
    virtual void onCaptureStarted(int channels) = 0;
    virtual void onCaptureBuffer(const CaptureBuffer& buffer) = 0;
    // The capture control is going away; forget it.
    virtual void onCaptureGone() = 0;

  protected:
    ~CaptureConsumer() = default;
};

class DetectorCapture : public TWaveExCtrl {
  public:
    static constexpr int kSampleRate = 8000;
    static constexpr int kFormatMono = 6;
    static constexpr int kFormatStereo = 7;
    static constexpr int kMaxBufferBytes = 1 << 20;

    enum class Role { LevelView, Decoder };
    using SampleObserver = std::function<void(const CaptureBuffer&)>;

    explicit DetectorCapture(EventLoop& loop);
    ~DetectorCapture() override;
    DetectorCapture(const DetectorCapture&) = delete;
    DetectorCapture& operator=(const DetectorCapture&) = delete;

    // 6: mono, 7: stereo; any other value is logged and ignored. Takes effect at StartCapture.
    void SelectFormat(int format) override;
    // Reads the format and RecordBufferLength (a positive multiple of the frame size, at
    // most kMaxBufferBytes) and opens the source. Failures are logged; CaptureRunning()
    // stays false. Starting a running capture does nothing.
    void StartCapture(int flags) override;
    // Stops a running capture; OnRecordDone is posted to the loop either way, so a stop
    // request is always answered.
    void StopCapture() override;
    bool CaptureRunning() const override { return running_; }
    // True from a stop until its OnRecordDone has been raised.
    bool CaptureBusy() const override { return stopPending_ > 0; }

    // Level views are served before decoders. A consumer attaches to one capture at most;
    // both sides detach themselves when destroyed.
    void attach(CaptureConsumer& consumer, Role role);
    void detach(CaptureConsumer& consumer);

    // Sees every buffer before the views and decoders (the recording chain may want the
    // same audio).
    void setSampleObserver(SampleObserver observer) { sampleObserver_ = std::move(observer); }

    int selectedChannels() const { return selectedChannels_; }
    // Of the running (or last) capture.
    int channels() const { return channels_; }
    std::size_t framesPerBuffer() const { return framesPerBuffer_; }

  protected:
    EventLoop& loop() { return loop_; }
    // Opens the source for channels() and framesPerBuffer(); false, after logging why, on
    // failure.
    virtual bool openSource() = 0;
    virtual void closeSource() = 0;
    // Sources hand audio here on the loop thread: interleaved, channels() wide. Every filled
    // buffer runs one cycle; the rest waits for more audio.
    void deliverFrames(std::span<const std::int16_t> interleaved);
    // For a source that ends by itself (device lost, end of file): stops and posts
    // OnRecordDone. The reason is logged.
    void stopBySource(std::string_view reason);
    // A handle that expires with this object, for tasks posted to the loop.
    std::weak_ptr<void> lifeToken() const { return alive_; }

  private:
    struct Attached {
        CaptureConsumer* consumer;
        Role role;
    };
    void dispatch(std::span<const std::int16_t> buffer);
    void postRecordDone();

    EventLoop& loop_;
    int selectedChannels_ = 1;
    int channels_ = 1;
    std::size_t framesPerBuffer_ = 0;
    bool running_ = false;
    int stopPending_ = 0;
    std::uint64_t generation_ = 0;  // counts starts
    std::int64_t framesDelivered_ = 0;
    std::vector<std::int16_t> pending_;
    std::vector<Attached> consumers_;
    SampleObserver sampleObserver_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace kovra
