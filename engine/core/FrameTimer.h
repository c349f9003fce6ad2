// The frame clock, on the high-resolution performance counter.
#pragma once

#include <cstdint>

class FrameTimer {
 public:
  FrameTimer();

  // Starts measuring from now: Elapsed counts from here, and the first Advance measures the time since.
  void Restart();

  // Takes the time of a new frame. A counter that runs backwards gives a zero FrameDelta rather than a
  // negative one.
  void Advance();

  // Seconds from Restart to the latest Advance, rounded to f32.
  float Elapsed() const;

  double CounterPeriod = 0.0;  // seconds per counter tick
  double FrameDelta = -1.0;    // seconds between the two latest advances; -1 before the first one
  int64_t StartCount = 0;
  int64_t PreviousCount = 0;
  int64_t CurrentCount = 0;
};
