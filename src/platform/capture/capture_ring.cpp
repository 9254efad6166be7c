#include "platform/capture/capture_ring.h"

#include <algorithm>

namespace kovra {

CaptureRing::CaptureRing(std::size_t capacityFrames, int channels)
    : ch_(static_cast<std::size_t>(std::max(channels, 1))),
      capacity_(std::max<std::size_t>(capacityFrames, 1) * ch_),
      data_(std::make_unique<std::atomic<std::int16_t>[]>(capacity_)) {}

void CaptureRing::write(std::span<const std::int16_t> interleaved) {
    std::size_t n = interleaved.size() / ch_ * ch_;
    const std::int16_t* samples = interleaved.data();
    if (n > capacity_) {
        dropped_.fetch_add(n - capacity_, std::memory_order_relaxed);
        samples += n - capacity_;
        n = capacity_;
    }
    const std::uint64_t w = written_.load(std::memory_order_relaxed);
    std::uint64_t r = read_.load(std::memory_order_acquire);
    // Full: move the reader's position past the oldest frames before overwriting them. A
    // failed exchange means the reader moved on meanwhile; look again.
    while (w + n - r > capacity_) {
        const std::uint64_t oldest = w + n - capacity_;
        if (read_.compare_exchange_weak(r, oldest, std::memory_order_acq_rel,
                                        std::memory_order_acquire)) {
            dropped_.fetch_add(oldest - r, std::memory_order_relaxed);
            break;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        data_[slot(w + i)].store(samples[i], std::memory_order_relaxed);
    }
    written_.store(w + n, std::memory_order_release);
}

std::size_t CaptureRing::read(std::span<std::int16_t> out) {
    std::size_t want = out.size() / ch_ * ch_;
    std::uint64_t r = read_.load(std::memory_order_acquire);
    // A failed claim means the writer dropped the oldest frames during the copy. It moves
    // the position before it overwrites, so the part of the copy at or after the new
    // position is still sound: claim that part instead. Behind by more than half the ring,
    // the oldest frames are the ones the writer overwrites next, so a copy of them loses
    // the race to a flooding writer every time: skip to the freshest frames instead and
    // count the skipped ones as dropped. Each failed try copies half as much.
    for (int attempt = 0; attempt < 8 && want > 0; ++attempt, want = want / 2 / ch_ * ch_) {
        const std::uint64_t w = written_.load(std::memory_order_acquire);
        const std::uint64_t backlog = w - r;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(backlog, want));
        if (n == 0) {
            return 0;
        }
        const std::uint64_t copiedFrom = backlog > capacity_ / 2 ? w - n : r;
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = data_[slot(copiedFrom + i)].load(std::memory_order_relaxed);
        }
        while (r < copiedFrom + n) {
            if (read_.compare_exchange_strong(r, copiedFrom + n, std::memory_order_acq_rel,
                                              std::memory_order_acquire)) {
                if (r < copiedFrom) {
                    dropped_.fetch_add(copiedFrom - r, std::memory_order_relaxed);
                    return n;
                }
                const auto skip = static_cast<std::size_t>(r - copiedFrom);
                std::copy(out.begin() + static_cast<std::ptrdiff_t>(skip),
                          out.begin() + static_cast<std::ptrdiff_t>(n), out.begin());
                return n - skip;
            }
        }
    }
    return 0;
}

}  // namespace kovra
