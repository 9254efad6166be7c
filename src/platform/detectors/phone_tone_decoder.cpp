#include "platform/detectors/phone_tone_decoder.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/detectors/caller_id_message.h"
#include "platform/detectors/fsk_receiver.h"
#include "platform/log.h"

namespace kovra {

namespace {

constexpr int kChunkSamples = 80;  // 10 ms: the resolution of event positions
constexpr float kMinSensitivity = 2.0F;
constexpr float kMaxSensitivity = 24.0F;
// dBm0 of a full-scale sine: converts the sensitivity's threshold to the DTMF receiver's
// dBFS.
constexpr double kFullScaleSineDbm0 = 3.14;

// The CAS alert tone that announces a caller ID on call waiting.
CustomToneParams casToneSpec() {
    CustomToneParams cas;
    cas.id = 1;
    cas.onMs = 50;
    cas.frequency1Hz = 2130;
    cas.frequency2Hz = 2750;
    cas.toleranceHz = 50;
    cas.minLevelDbfs = -40.0F;
    cas.reportOnce = 1;
    return cas;
}

}  // namespace

struct PhoneToneDecoder::Event {
    enum class Kind { Dtmf, CallerId, Tone };
    Kind kind = Kind::Dtmf;
    char key = 0;
    double levelDbfs = 0.0;
    int toneId = 0;
    CallerIdFields callerId;
    std::int64_t position = 0;
};

struct PhoneToneDecoder::Engines {
    DtmfDetector dtmf;
    std::vector<DtmfSymbol> symbols;
    FskCallerIdReceiver fsk;
    explicit Engines(FskCallerIdReceiver::MessageHandler onMessage) : fsk(std::move(onMessage)) {}
};

PhoneToneDecoder::PhoneToneDecoder()
    : engines_(std::make_unique<Engines>([this](std::span<const std::uint8_t> message) {
          onCallerIdMessage(message.data(), static_cast<int>(message.size()));
      })) {
    casTone_.add(casToneSpec());
    onCaptureStarted(1);
}

PhoneToneDecoder::~PhoneToneDecoder() {
    if (source_ != nullptr) {
        source_->detach(*this);
    }
}

int PhoneToneDecoder::dtmfThresholdDbm0(float sensitivity) {
    const float s = std::isfinite(sensitivity)
                        ? std::clamp(sensitivity, kMinSensitivity, kMaxSensitivity)
                        : 12.0F;
    return static_cast<int>(std::lround(-18.0F - 2.0F * s));
}

void PhoneToneDecoder::SetAudioSource(TWaveExCtrl* source) {
    auto* capture = dynamic_cast<DetectorCapture*>(source);
    if (source != nullptr && capture == nullptr) {
        logLine(LogLevel::Error, "Decoder: the audio source is not a detector capture control");
        return;
    }
    if (source_ != nullptr) {
        source_->detach(*this);
    }
    source_ = capture;
    if (source_ != nullptr) {
        source_->attach(*this, DetectorCapture::Role::Decoder);
    }
}

void PhoneToneDecoder::ClearCustomTones() {
    tones_.clear();
}

void PhoneToneDecoder::AddCustomTone(int id, int p2, int p3, int p4, int p5, int p6, int p7,
                                     float p8, int p9) {
    CustomToneParams params;
    params.id = id;
    params.onMs = std::max(0, p2);
    params.bridgeMs = std::max(0, p3);
    params.frequency1Hz = p4;
    params.frequency2Hz = p5;
    params.toleranceHz = std::max(0, p6);
    params.minSharePercent = std::clamp(p7, 0, 100);
    params.minLevelDbfs = std::isfinite(p8) ? p8 : 0.0F;
    params.reportOnce = p9;
    if (!tones_.add(params)) {
        logLine(LogLevel::Error, "Decoder: custom tone " + std::to_string(id) +
                                     " ignored: it needs a frequency between 1 and 3999 Hz");
    }
}

void PhoneToneDecoder::GetPeakFrequencies(double& f1, double& f2) const {
    f1 = peaks_.first();
    f2 = peaks_.second();
}

void PhoneToneDecoder::onCaptureStarted(int /*channels*/) {
    // The receivers start afresh with positions from 0.
    engines_->dtmf.reset();
    engines_->fsk.reset();
    appliedThresholdDbm0_ = 1000;
    tones_.reset();
    casTone_.reset();
    peaks_.reset();
    lastCasPosition_ = -1;
    chunkEnd_ = 0;
}

void PhoneToneDecoder::onCallerIdMessage(const std::uint8_t* message, int length) {
    if (length <= 0) {
        return;
    }
    const std::optional<CallerIdFields> fields = parseCallerIdMessage(
        std::span<const std::uint8_t>(message, static_cast<std::size_t>(length)));
    if (!fields) {
        return;
    }
    const bool callWaiting = lastCasPosition_ >= 0 &&
                             chunkEnd_ - lastCasPosition_ <=
                                 std::int64_t{kCidcwWindowMs} * DetectorCapture::kSampleRate / 1000;
    if (callWaiting ? MonitorCIDCW : MonitorCallerID) {
        Event e;
        e.kind = Event::Kind::CallerId;
        e.callerId = *fields;
        e.position = chunkEnd_;
        events_.push_back(std::move(e));
    }
}

void PhoneToneDecoder::onCaptureBuffer(const CaptureBuffer& buffer) {
    const std::size_t frames = buffer.frames();
    const auto channels = static_cast<std::size_t>(buffer.channels);
    const auto index = static_cast<std::size_t>(channelIndex(DecodeChannel, buffer.channels));
    mono_.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        mono_[f] = buffer.interleaved[f * channels + index];
    }
    const int threshold = dtmfThresholdDbm0(DTMFParams.Sensitivity);
    if (threshold != appliedThresholdDbm0_) {
        engines_->dtmf.setMinToneLevelDbfs(threshold - kFullScaleSineDbm0);
        appliedThresholdDbm0_ = threshold;
    }
    events_.clear();
    const bool fsk = MonitorCallerID || MonitorCIDCW;
    for (std::size_t at = 0; at < frames; at += kChunkSamples) {
        const std::size_t n = std::min<std::size_t>(kChunkSamples, frames - at);
        const std::int64_t start = buffer.startFrame + static_cast<std::int64_t>(at);
        const std::span<const std::int16_t> chunk(mono_.data() + at, n);
        chunkEnd_ = start + static_cast<std::int64_t>(n);
        // The receiver is always fed so it stays in step; digits count only when monitored.
        engines_->symbols.clear();
        engines_->dtmf.process(chunk, engines_->symbols);
        if (MonitorDTMF) {
            for (const DtmfSymbol& symbol : engines_->symbols) {
                Event e;
                e.kind = Event::Kind::Dtmf;
                e.key = symbol.key;
                e.levelDbfs = symbol.levelDbfs;
                e.position = symbol.position;
                events_.push_back(e);
            }
        }
        if (fsk) {
            listenForCas(chunk, start);
            engines_->fsk.process(chunk);
        }
        if (MonitorCustomTone) {
            tones_.process(chunk, start, [this](int id, std::int64_t position) {
                Event e;
                e.kind = Event::Kind::Tone;
                e.toneId = id;
                e.position = position;
                events_.push_back(e);
            });
        }
    }
    if (EnableSpectrumConversion) {
        peaks_.analyze(mono_);
    } else {
        peaks_.reset();
    }
    std::stable_sort(events_.begin(), events_.end(),
                     [](const Event& a, const Event& b) { return a.position < b.position; });
    // Handlers may change this decoder; raise from a copy.
    const std::vector<Event> events = std::move(events_);
    events_.clear();
    raise(events);
    if (EnableSpectrumConversion && OnSpectrumData) {
        OnSpectrumData();
    }
}

void PhoneToneDecoder::listenForCas(std::span<const std::int16_t> chunk, std::int64_t start) {
    // The alert tone only tells a call-waiting caller ID from an on-hook one. While both are
    // monitored alike that decides nothing, and its two bands are a good part of the
    // decoder's work on every line: it is heard afresh once the two differ.
    if (MonitorCallerID == MonitorCIDCW) {
        if (casListening_) {
            casListening_ = false;
            casTone_.reset();
            lastCasPosition_ = -1;
        }
        return;
    }
    casListening_ = true;
    casTone_.process(chunk, start,
                     [this](int, std::int64_t position) { lastCasPosition_ = position; });
}

void PhoneToneDecoder::raise(const std::vector<Event>& events) {
    for (const Event& e : events) {
        switch (e.kind) {
            case Event::Kind::Dtmf:
                if (OnDTMF) {
                    DTMFLevel = e.levelDbfs;
                    OnDTMF(e.key, e.position);
                }
                break;
            case Event::Kind::CallerId:
                if (OnCallerID) {
                    OnCallerID(e.callerId.name, e.callerId.callerNumber, e.callerId.calledNumber,
                               e.callerId.dateTime, e.position);
                }
                break;
            case Event::Kind::Tone:
                if (OnToneDetected) {
                    OnToneDetected(e.toneId, e.position);
                }
                break;
        }
    }
}

}  // namespace kovra
