// Whether a compass, speed log or wind instrument is still giving values, counted in main ticks
// (one a second): the decoder keeps the last value of a sensor that has failed for good, and a
// heading, a speed or a wind that nobody measures any more would make a current or a true wind out
// of nothing.
#pragma once

#include <cstdint>

class TInstrumentWatch {
 public:
  // Main ticks without a value after which the instrument stands down.
  static constexpr int kQuietTicks = 10;

  // Once a main tick, with the number of values the decoder has taken from the instrument so far.
  void Tick(std::uint32_t readings) {
    if (readings != fSeen) {
      fSeen = readings;
      fQuietTicks = 0;
    } else if (fQuietTicks < kQuietTicks) {
      ++fQuietTicks;
    }
  }
  // Whether it has given a value in the last kQuietTicks main ticks, or since the last one.
  bool Speaking(std::uint32_t readings) const {
    return readings != fSeen || fQuietTicks < kQuietTicks;
  }

 private:
  std::uint32_t fSeen = 0;
  int fQuietTicks = kQuietTicks;  // nothing heard yet: stood down from the start
};
