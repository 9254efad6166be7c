#include "platform/capture/fast_audio_driver.h"

#include <algorithm>

#include "platform/capture/wav_file_capture.h"

namespace kovra {

FastAudioDriver::FastAudioDriver(SimulatedEventLoop& loop, Millis idleStep)
    : loop_(loop), idleStep_(idleStep.count() > 0 ? idleStep : Millis(10)) {}

void FastAudioDriver::add(WavFileCapture& source) {
    if (std::find(sources_.begin(), sources_.end(), &source) == sources_.end()) {
        sources_.push_back(&source);
    }
}

void FastAudioDriver::remove(WavFileCapture& source) {
    std::erase(sources_, &source);
}

bool FastAudioDriver::step() {
    WavFileCapture* next = nullptr;
    for (WavFileCapture* s : sources_) {
        if (s->playing() && (next == nullptr || s->nextBufferDue() < next->nextBufferDue())) {
            next = s;
        }
    }
    if (next == nullptr) {
        return false;
    }
    if (next->nextBufferDue() > loop_.now()) {
        loop_.advanceTo(next->nextBufferDue());
    }
    // Timers on the way may have stopped, ended or destroyed the source.
    if (std::find(sources_.begin(), sources_.end(), next) != sources_.end() && next->playing()) {
        next->deliverNextBuffer();
    }
    loop_.runPending();
    return true;
}

int FastAudioDriver::run() {
    for (;;) {
        loop_.runPending();
        if (loop_.quitRequested()) {
            break;
        }
        bool stepped = false;
        loop_.runHandler([this, &stepped] { stepped = step(); });
        if (!stepped) {
            loop_.advance(idleStep_);
        }
    }
    // quit() was called: run() returns its code at once and clears the request.
    return loop_.run();
}

}  // namespace kovra
