#include "platform/capture/portaudio_capture.h"

#include <portaudio.h>
#include <soxr.h>

#include <atomic>
#include <span>

#include "platform/capture/capture_device_lookup.h"
#include "platform/log.h"

namespace kovra {

namespace {

// Keeps PortAudio initialised while a user needs it (PortAudio counts the calls itself).
bool paInitialize() {
    const PaError err = Pa_Initialize();
    if (err != paNoError) {
        logLine(LogLevel::Error,
                std::string("Capture: audio system unavailable: ") + Pa_GetErrorText(err));
        return false;
    }
    return true;
}

}  // namespace

// State shared with the audio thread. Destroyed only after the stream is closed.
struct PortAudioCapture::Stream {
    PaStream* pa = nullptr;
    CaptureRing* ring = nullptr;
    std::atomic<bool>* ended = nullptr;
    int channels = 1;
    double rate = DetectorCapture::kSampleRate;
    soxr_t resampler = nullptr;  // device rate to 8000 Hz, loop thread only

    ~Stream() {
        if (resampler != nullptr) {
            soxr_delete(resampler);
        }
    }

    // The audio thread: a copy into the preallocated ring, nothing else.
    static int callback(const void* input, void* /*output*/, unsigned long frames,
                        const PaStreamCallbackTimeInfo* /*time*/, PaStreamCallbackFlags /*flags*/,
                        void* user) {
        auto* s = static_cast<Stream*>(user);
        if (input != nullptr) {
            s->ring->write(
                std::span<const std::int16_t>(static_cast<const std::int16_t*>(input),
                                              frames * static_cast<unsigned>(s->channels)));
        }
        return paContinue;
    }

    static void finished(void* user) {
        static_cast<Stream*>(user)->ended->store(true, std::memory_order_release);
    }
};

// PortAudio starts at the first capture, so a pair that never captures leaves the audio
// system alone.
PortAudioCapture::PortAudioCapture(EventLoop& loop) : RingFedCapture(loop) {}

PortAudioCapture::~PortAudioCapture() {
    closeSource();
    if (paReady_) {
        Pa_Terminate();
    }
}

std::vector<std::string> PortAudioCapture::captureDeviceNames() {
    std::vector<std::string> names;
    if (Pa_Initialize() != paNoError) {
        return names;
    }
    names = portAudioCaptureNames();
    Pa_Terminate();
    return names;
}

bool PortAudioCapture::openSource() {
    if (!paReady_) {
        paReady_ = paInitialize();
    }
    if (!paReady_) {
        logLine(LogLevel::Error,
                "Capture: cannot open \"" + WaveInDevice + "\": the audio system is unavailable");
        return false;
    }
    std::string why;
    const int index = findCaptureDevice(WaveInDevice, why).index;
    if (index < 0) {
        logLine(LogLevel::Error, "Capture: cannot open \"" + WaveInDevice + "\": " + why);
        return false;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    if (info->maxInputChannels < channels()) {
        logLine(LogLevel::Error, "Capture: device \"" + std::string(info->name) + "\" has " +
                                     std::to_string(info->maxInputChannels) +
                                     " input channel(s); " + std::to_string(channels()) +
                                     " needed");
        return false;
    }
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = channels();
    params.sampleFormat = paInt16;
    params.suggestedLatency = info->defaultLowInputLatency;

    double rate = kSampleRate;
    if (Pa_IsFormatSupported(&params, nullptr, rate) != paFormatIsSupported) {
        rate = info->defaultSampleRate;
    }
    auto stream = std::make_unique<Stream>();
    stream->channels = channels();
    stream->rate = rate;
    if (rate != kSampleRate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        stream->resampler = soxr_create(rate, kSampleRate, static_cast<unsigned>(channels()),
                                        &error, &io, nullptr, nullptr);
        if (stream->resampler == nullptr) {
            logLine(LogLevel::Error, std::string("Capture: cannot resample from ") +
                                         std::to_string(rate) + " Hz: " + error);
            return false;
        }
    }
    const auto deviceFrames =
        static_cast<unsigned long>(static_cast<double>(framesPerBuffer()) * rate / kSampleRate);
    stream->ring = &openRing(rate, deviceFrames, info->name);
    stream->ended = &sourceEndedFlag();
    PaError err = Pa_OpenStream(&stream->pa, &params, nullptr, rate, deviceFrames, paClipOff,
                                &Stream::callback, stream.get());
    if (err == paNoError) {
        err = Pa_SetStreamFinishedCallback(stream->pa, &Stream::finished);
    }
    if (err == paNoError) {
        err = Pa_StartStream(stream->pa);
    }
    if (err != paNoError) {
        logLine(LogLevel::Error, "Capture: cannot start \"" + std::string(info->name) +
                                     "\": " + Pa_GetErrorText(err));
        if (stream->pa != nullptr) {
            Pa_CloseStream(stream->pa);
        }
        closeRing();
        return false;
    }
    logLine(LogLevel::Info, "Capture: \"" + std::string(info->name) + "\" started at " +
                                std::to_string(static_cast<int>(rate)) + " Hz, " +
                                std::to_string(channels()) + " channel(s)");
    deviceIndex_ = index;
    stream_ = std::move(stream);
    return true;
}

void PortAudioCapture::closeSource() {
    if (!stream_) {
        return;
    }
    // Closing joins the audio thread; only then may the ring go.
    Pa_AbortStream(stream_->pa);
    Pa_CloseStream(stream_->pa);
    closeRing();
    stream_.reset();
    deviceIndex_ = -1;
}

void PortAudioCapture::onDrained(std::span<const std::int16_t> block) {
    if (!stream_) {
        return;
    }
    if (stream_->resampler == nullptr) {
        deliverFrames(block);
        return;
    }
    const std::size_t inFrames = block.size() / static_cast<std::size_t>(stream_->channels);
    const std::size_t outFrames =
        static_cast<std::size_t>(static_cast<double>(inFrames) * kSampleRate / stream_->rate) + 64;
    const auto channels = static_cast<std::size_t>(stream_->channels);
    resampled_.resize(outFrames * channels);
    std::size_t done = 0;
    soxr_process(stream_->resampler, block.data(), inFrames, nullptr, resampled_.data(), outFrames,
                 &done);
    // A member, not the stream's: a consumer may stop the capture during the delivery.
    deliverFrames(std::span<const std::int16_t>(resampled_).first(done * channels));
}

}  // namespace kovra
