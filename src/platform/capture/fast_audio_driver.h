// Runs a SimulatedEventLoop as fast as the CPU allows for file input: each step moves the
// clock to the moment the earliest pending file buffer is complete and then delivers it, so
// timers fire at the audio positions where they would fire in real time. With no file
// playing, the clock moves in idle steps so timers (start delays, re-arms) still run.
// Loop thread only (the thread that calls run()).
#pragma once

#include <vector>

#include "platform/event_loop.h"
#include "platform/simulated_event_loop.h"

namespace kovra {

class WavFileCapture;

class FastAudioDriver {
  public:
    explicit FastAudioDriver(SimulatedEventLoop& loop, Millis idleStep = Millis(10));
    FastAudioDriver(const FastAudioDriver&) = delete;
    FastAudioDriver& operator=(const FastAudioDriver&) = delete;

    SimulatedEventLoop& loop() { return loop_; }

    // File captures register themselves while they exist.
    void add(WavFileCapture& source);
    void remove(WavFileCapture& source);

    // Delivers the earliest pending buffer of any playing file, first moving the clock to
    // its due time. False (nothing done) when no file is playing.
    bool step();
    // Steps (or idles) until quit() is called on the loop; returns the code given to quit.
    // Whoever owns the run must quit it, typically on the files' end of input.
    int run();

  private:
    SimulatedEventLoop& loop_;
    Millis idleStep_;
    std::vector<WavFileCapture*> sources_;
};

}  // namespace kovra
