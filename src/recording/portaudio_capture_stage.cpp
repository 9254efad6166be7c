#include "recording/portaudio_capture_stage.h"

#include <portaudio.h>

#include <algorithm>
#include <chrono>

#include "platform/capture/capture_device_lookup.h"
#include "platform/log.h"

namespace kovra {

namespace {

constexpr int kMaxDevices = 16;
constexpr std::size_t kMaxNameLength = 127;
// The writer needs no low latency, but what the device still holds at a stop is lost, so
// the latency stays at 200 ms. Every block the device delivers wakes the sound server's
// client thread and PortAudio's: the block size is asked for itself (half the latency),
// as the latency alone leaves PortAudio taking 50 ms blocks, twice the wake-ups.
constexpr PaTime kDeviceLatencySeconds = 0.2;
constexpr unsigned long kFramesPerBlock =
    static_cast<unsigned long>(kDeviceLatencySeconds / 2 * kChainSampleRate);

// The error codes the recording has always reported, from PortAudio's.
const char* deviceErrorCode(PaError e) {
    switch (e) {
        case paInvalidChannelCount:
        case paInvalidSampleRate:
        case paSampleFormatNotSupported:
            return "DSERR_BADFORMAT";
        case paInvalidDevice:
        case paHostApiNotFound:
            return "DSERR_NODRIVER";
        case paDeviceUnavailable:
            return "DSERR_ALLOCATED";
        case paBadIODeviceCombination:
        case paInvalidFlag:
            return "DSERR_INVALIDPARAM";
        case paNotInitialized:
            return "DSERR_INVALIDCALL";
        case paUnanticipatedHostError:
        case paInternalError:
            return "DSERR_GENERIC";
        default:
            return "Unknown";
    }
}

int paCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
               PaStreamCallbackFlags, void* user) {
    if (input != nullptr) {
        static_cast<PortAudioCaptureStage*>(user)->captured(static_cast<const std::int16_t*>(input),
                                                            frames);
    }
    return paContinue;
}

}  // namespace

PortAudioCaptureStage::PortAudioCaptureStage() {
    const PaError err = Pa_Initialize();
    if (err != paNoError) {
        logLine(LogLevel::Error, std::string("Recording capture: audio system not available: ") +
                                     Pa_GetErrorText(err));
        return;
    }
    initialized_ = true;
    const int count = Pa_GetDeviceCount();
    for (int i = 0; i < count && static_cast<int>(names_.size()) < kMaxDevices; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info != nullptr && info->maxInputChannels > 0) {
            names_.push_back(std::string(info->name).substr(0, kMaxNameLength));
            paIndexes_.push_back(i);
        }
    }
}

PortAudioCaptureStage::~PortAudioCaptureStage() {
    {
        std::lock_guard lock(mutex_);
        closeLocked();
    }
    if (initialized_) {
        Pa_Terminate();
    }
}

void PortAudioCaptureStage::captured(const std::int16_t* samples, unsigned long frames) {
    const std::size_t n = frames * static_cast<std::size_t>(channels_);
    const std::uint64_t w = written_.load(std::memory_order_relaxed);
    const std::uint64_t r = read_.load(std::memory_order_acquire);
    if (w - r + n > ring_.size()) {
        dropped_.fetch_add(frames, std::memory_order_relaxed);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        ring_[(w + i) % ring_.size()] = samples[i];
    }
    written_.store(w + n, std::memory_order_release);
}

void PortAudioCaptureStage::open() {
    std::lock_guard lock(mutex_);
    if (open_) {
        throw ChainError("DXAudio: The component is busy");
    }
    int device = -1;
    std::string deviceLabel;
    if (!deviceName_.empty()) {
        // The card by name, found the way the detectors' capture finds it.
        std::string why;
        const CaptureDevice found = findCaptureDevice(deviceName_, why);
        if (found.index < 0) {
            logLine(LogLevel::Error, "Recording capture: " + why);
            throw ChainError("Invalid device number");
        }
        device = found.index;
        deviceLabel = found.name;
    } else {
        if (deviceNumber_ < 0 || deviceNumber_ >= static_cast<int>(paIndexes_.size())) {
            throw ChainError("Invalid device number");
        }
        device = paIndexes_[static_cast<std::size_t>(deviceNumber_)];
        deviceLabel = names_[static_cast<std::size_t>(deviceNumber_)];
    }
    channels_ = inChannels_;
    ring_.assign(kCaptureBufferFrames * static_cast<std::size_t>(channels_), 0);
    written_ = 0;
    read_ = 0;
    {
        std::lock_guard wakeLock(wakeMutex_);
        wakeRequested_ = false;
    }
    dropped_ = 0;
    droppedLogged_ = 0;
    chunk_.clear();
    if (preRollOn_) {
        chunk_ = preRoll_.take(channels_);  // read before the device's first audio
    }
    chunkPos_ = 0;
    woken_ = false;

    PaStreamParameters in{};
    in.device = device;
    in.channelCount = channels_;
    in.sampleFormat = paInt16;
    const PaDeviceInfo* info = Pa_GetDeviceInfo(in.device);
    in.suggestedLatency =
        std::max(kDeviceLatencySeconds, info != nullptr ? info->defaultHighInputLatency : 0.0);
    PaStream* stream = nullptr;
    PaError err = Pa_OpenStream(&stream, &in, nullptr, kChainSampleRate, kFramesPerBlock, paNoFlag,
                                paCallback, this);
    if (err != paNoError) {
        logLine(LogLevel::Error,
                "Recording capture on " + deviceLabel + ": " + Pa_GetErrorText(err));
        throw ChainError(std::string("DXAudio: Failed to create DirectSound device: ") +
                         deviceErrorCode(err));
    }
    err = Pa_StartStream(stream);
    if (err != paNoError) {
        logLine(LogLevel::Error,
                "Recording capture on " + deviceLabel + ": " + Pa_GetErrorText(err));
        Pa_CloseStream(stream);
        throw ChainError("DXAudio: Failed to create DirectSound buffer");
    }
    stream_ = stream;
    openName_ = deviceLabel;
    open_ = true;
}

std::size_t PortAudioCaptureStage::read(std::span<std::int16_t> out) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        throw ChainError("DXAudio: The Stream is not opened");
    }
    woken_ = false;
    if (chunkPos_ >= chunk_.size()) {
        {
            std::unique_lock wakeLock(wakeMutex_);
            woken_ = wake_.wait_for(wakeLock, std::chrono::milliseconds(kCapturePollingMs),
                                    [this] { return wakeRequested_; });
            wakeRequested_ = false;
        }
        const std::uint64_t w = written_.load(std::memory_order_acquire);
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        const std::uint64_t available = w - r;
        chunk_.resize(available);
        for (std::uint64_t i = 0; i < available; ++i) {
            chunk_[i] = ring_[(r + i) % ring_.size()];
        }
        read_.store(w, std::memory_order_release);
        chunkPos_ = 0;
        const std::uint64_t dropped = dropped_.load();
        if (dropped != droppedLogged_) {
            ++overruns_;
            logLine(LogLevel::Warning, "Recording capture overrun on " + openName_ + ": " +
                                           std::to_string(dropped - droppedLogged_) +
                                           " frames lost (overrun " +
                                           std::to_string(overruns_.load()) + ")");
            droppedLogged_ = dropped;
        }
        if (available == 0) {
            return 0;
        }
    }
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const std::size_t n = std::min(out.size() / ch * ch, chunk_.size() - chunkPos_);
    std::copy_n(chunk_.begin() + static_cast<std::ptrdiff_t>(chunkPos_), n, out.begin());
    chunkPos_ += n;
    return n;
}

void PortAudioCaptureStage::close() {
    std::lock_guard lock(mutex_);
    closeLocked();
}

void PortAudioCaptureStage::closeLocked() {
    if (stream_ != nullptr) {
        Pa_StopStream(static_cast<PaStream*>(stream_));
        Pa_CloseStream(static_cast<PaStream*>(stream_));
        stream_ = nullptr;
    }
    open_ = false;
}

void PortAudioCaptureStage::stopBuffer() {
    std::lock_guard lock(mutex_);
    if (stream_ != nullptr) {
        Pa_StopStream(static_cast<PaStream*>(stream_));
    }
}

void PortAudioCaptureStage::startBuffer() {
    std::lock_guard lock(mutex_);
    if (stream_ != nullptr && Pa_IsStreamStopped(static_cast<PaStream*>(stream_)) == 1) {
        Pa_StartStream(static_cast<PaStream*>(stream_));
    }
}

void PortAudioCaptureStage::wakeReader() {
    std::lock_guard lock(wakeMutex_);
    wakeRequested_ = true;
    wake_.notify_all();
}

}  // namespace kovra
