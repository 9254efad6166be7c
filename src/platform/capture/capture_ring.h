// A fixed ring of interleaved 16-bit samples from one audio thread (the producer) to the
// loop thread (the consumer). Writing never waits, allocates or locks: when the ring is
// full the oldest frames are dropped and counted, so a reader that falls behind carries on
// with the freshest audio.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace kovra {

class CaptureRing {
  public:
    // Holds capacityFrames frames of `channels` interleaved samples.
    CaptureRing(std::size_t capacityFrames, int channels);

    // Producer only. Whole frames; a block larger than the ring keeps its last frames.
    void write(std::span<const std::int16_t> interleaved);

    // Consumer only. Copies up to out.size() samples (whole frames) of the oldest audio
    // kept, removes them from the ring and returns how many were copied. A reader more than
    // half a ring behind skips to the freshest audio (the skipped frames count as dropped).
    std::size_t read(std::span<std::int16_t> out);

    // Frames dropped because the ring was full, since creation. Any thread.
    std::uint64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed) / ch_; }
    std::size_t capacityFrames() const { return capacity_ / ch_; }
    int channels() const { return static_cast<int>(ch_); }

  private:
    std::size_t slot(std::uint64_t position) const {
        return static_cast<std::size_t>(position % capacity_);
    }

    const std::size_t ch_;
    const std::size_t capacity_;  // in samples, a multiple of ch_
    // Atomic samples: the producer may overwrite what a lapped reader is copying; the
    // reader then sees its claim fail and discards the copy.
    std::unique_ptr<std::atomic<std::int16_t>[]> data_;
    std::atomic<std::uint64_t> written_{0};  // positions count samples since creation
    std::atomic<std::uint64_t> read_{0};
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace kovra
