// Event times of an asciicast recorded at N frames per second.
//
// Players merge output events that come less than a display frame apart: the web player reads the
// times as doubles, scales them to milliseconds and shows every event that comes before
// first + (1 / 60) * 1000 together with the first. Times of k / N rounded to the microsecond make
// every third gap of a 60 fps cast 16.666 ms, and those frames are never shown alone. Here frame k
// is at k steps, a step being 1 / N s rounded up to the next whole nanosecond beyond it: each gap is
// longer than 1 / N by at least 1e-12 s, far more than doubles lose on a show's times, and frame k
// is late by under k nanoseconds (0.16 ms after a whole show of 158 s at 1000 fps).
#pragma once

#include <cstdint>
#include <cstdio>

namespace glimmer {

// The step between two frames, in nanoseconds: more than 1e9 / fps, by at most one.
constexpr std::int64_t castFrameStepNs(int framesPerSecond) { return 1000000000 / framesPerSecond + 1; }

// Frame index's time, in nanoseconds from the cast's start.
constexpr std::int64_t castFrameTimeNs(long index, int framesPerSecond) {
  return index * castFrameStepNs(framesPerSecond);
}

// Writes the time as seconds with nine decimals ("12.016666680") and a zero; returns its length.
// text holds at least 32 bytes.
inline int writeCastTime(std::int64_t nanoseconds, char* text) {
  return std::snprintf(text, 32, "%lld.%09lld", static_cast<long long>(nanoseconds / 1000000000),
                       static_cast<long long>(nanoseconds % 1000000000));
}

}  // namespace glimmer
