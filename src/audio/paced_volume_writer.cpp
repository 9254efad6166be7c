#include "audio/paced_volume_writer.h"

#include <utility>

namespace kovra::audio {

PacedVolumeWriter::PacedVolumeWriter(EventLoop& loop, std::function<void()> write, Millis interval)
    : write_(std::move(write)), timer_(loop, interval, [this] { intervalEnded(); }) {}

void PacedVolumeWriter::request() {
    if (timer_.enabled()) {
        pending_ = true;
        return;
    }
    timer_.setEnabled(true);
    write_();
}

void PacedVolumeWriter::intervalEnded() {
    if (!pending_) {
        timer_.setEnabled(false);
        return;
    }
    pending_ = false;
    write_();  // the timer runs on: the next interval paces the writes after this one
}

}  // namespace kovra::audio
