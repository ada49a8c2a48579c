// The asciicast's event times as a player reads them: never merged at the recording's rate, and
// never drifting from the frames' moments over a whole show. The cast file itself is read back,
// replayed and checked in recording_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "record/cast_time.h"

namespace glimmer {
namespace {

// The web player's test: an event starts a frame of its own when its time, read as a double and
// scaled to milliseconds, is not before the previous one's plus the frame window.
bool shownAlone(const char* previous, const char* next, int framesPerSecond) {
  const double window = (1.0 / framesPerSecond) * 1000;
  return std::strtod(next, nullptr) * 1000 >= std::strtod(previous, nullptr) * 1000 + window;
}

TEST(Cast, EventTimesOverAWholeShowAtManyRates) {
  const double showSeconds = 160;  // longer than the music
  for (int framesPerSecond : {1, 7, 24, 25, 30, 50, 59, 60, 144, 999, 1000}) {
    SCOPED_TRACE(framesPerSecond);
    const long frames = static_cast<long>(showSeconds * framesPerSecond);
    char previous[32];
    char text[32];
    writeCastTime(0, previous);
    ASSERT_STREQ(previous, "0.000000000");
    for (long k = 1; k <= frames; ++k) {
      writeCastTime(castFrameTimeNs(k, framesPerSecond), text);
      if (!shownAlone(previous, text, framesPerSecond)) FAIL() << previous << " then " << text << " merge";
      const double drift = std::strtod(text, nullptr) - static_cast<double>(k) / framesPerSecond;
      if (std::fabs(drift) >= 0.005) FAIL() << "frame " << k << " drifts " << drift << " s";
      std::memcpy(previous, text, sizeof text);
    }
  }
}

}  // namespace
}  // namespace glimmer
