// The asciicast as a player reads it: the show's palette in the header's theme, the cursor hidden
// from the first event to the last, and event times that a player never merges at the recording's
// rate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "record/cast_time.h"
#include "record/recording.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

// The text between `"key": "` and the next quote; empty when the key is not there.
std::string stringField(const std::string& json, const std::string& key) {
  const std::string opening = "\"" + key + "\": \"";
  const std::size_t start = json.find(opening);
  if (start == std::string::npos) return "";
  const std::size_t from = start + opening.size();
  return json.substr(from, json.find('"', from) - from);
}

struct Event {
  std::string time;  // as written
  std::string data;  // still escaped
};

struct Cast {
  std::string header;
  std::vector<Event> events;
};

Cast readCast(const std::string& path) {
  Cast cast;
  std::ifstream in(path);
  std::getline(in, cast.header);
  for (std::string line; std::getline(in, line);) {
    const std::size_t comma = line.find(',');
    const std::size_t data = line.find(", \"o\", \"");
    if (line.empty() || line[0] != '[' || comma == std::string::npos || data != comma) {
      ADD_FAILURE() << "not an output event: " << line.substr(0, 60);
      continue;
    }
    cast.events.push_back({line.substr(1, comma - 1), line.substr(data + 8, line.size() - data - 8 - 2)});
  }
  return cast;
}

// The web player's test: an event starts a frame of its own when its time, read as a double and
// scaled to milliseconds, is not before the previous one's plus the frame window.
bool shownAlone(const std::string& previous, const std::string& next, int framesPerSecond) {
  const double window = (1.0 / framesPerSecond) * 1000;
  return std::strtod(next.c_str(), nullptr) * 1000 >= std::strtod(previous.c_str(), nullptr) * 1000 + window;
}

TEST(Cast, HeaderThemeHiddenCursorAndFramesAPlayerShowsOneByOne) {
  testing::TemporaryFolder scratch;
  const RecordingOptions command{.output = scratch.file("show.cast"),
                                 .framesPerSecond = 60,
                                 .toMs = 1000,
                                 .display = {GridChoice::Classic, ColorChoice::Ansi16}};
  ASSERT_EQ(runRecording(command), 0);
  const Cast cast = readCast(command.output);

  // The classic console colours, in ANSI order: dark then bright black, red, green, yellow, blue,
  // magenta, cyan, white.
  EXPECT_EQ(stringField(cast.header, "fg"), "#c0c0c0");
  EXPECT_EQ(stringField(cast.header, "bg"), "#000000");
  EXPECT_EQ(stringField(cast.header, "palette"),
            "#000000:#800000:#008000:#808000:#000080:#800080:#008080:#c0c0c0:"
            "#808080:#ff0000:#00ff00:#ffff00:#0000ff:#ff00ff:#00ffff:#ffffff");
  EXPECT_EQ(stringField(cast.header, "title"), "vrax - Glimmerfolding");

  ASSERT_EQ(cast.events.size(), 60u);
  EXPECT_EQ(cast.events[0].data.rfind("\\u001b[?25l", 0), 0u) << "the first event hides the cursor";
  EXPECT_TRUE(cast.events[59].data.ends_with("\\u001b[0m\\u001b[?25h\\u001b[50;1H"))
      << "the last event shows the cursor again, on the default pen";
  for (std::size_t k = 1; k < cast.events.size(); ++k) {
    if (k + 1 < cast.events.size()) {
      EXPECT_EQ(cast.events[k].data.find("[?25"), std::string::npos) << "event " << k << " touches the cursor";
    }
    EXPECT_TRUE(shownAlone(cast.events[k - 1].time, cast.events[k].time, 60))
        << cast.events[k - 1].time << " then " << cast.events[k].time;
  }
  EXPECT_EQ(cast.events[59].time, "0.983333353");  // 59 steps of 16666667 ns
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
