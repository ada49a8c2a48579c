// The web page recording as files: NAME.html and NAME_files/ with the recording and the music as
// scripts (the recording the same lines as a .cast of the same command), and the player, put in
// place whole or not at all. What the page shows in a browser is checked by tests/web/page_test.py.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "record/frame_sink.h"
#include "record/recording.h"
#include "support/temporary_folder.h"

namespace glimmer {
namespace {

using testing::readFile;

namespace fs = std::filesystem;

// The bytes a part script of the page's folder hands to the page: the text of
// glimmerfoldingPart(NAME, "TEXT") with its escapes read, then 7 bits a character, highest first,
// taken one bit at a time.
std::string partBytes(const std::string& path, const std::string& name) {
  const std::string script = readFile(path);
  const std::string opening = "glimmerfoldingPart(\"" + name + "\", \"";
  const std::size_t start = script.find(opening);
  const std::size_t end = script.rfind("\");\n");
  if (start == std::string::npos || end == std::string::npos) {
    ADD_FAILURE() << path << " is not a part script";
    return "";
  }
  std::vector<int> values;
  for (std::size_t at = start + opening.size(); at < end; ++at) {
    char c = script[at];
    if (static_cast<unsigned char>(c) >= 0x80 || c == '"' || c == '\n' || c == '\r') {
      ADD_FAILURE() << "character " << int{static_cast<unsigned char>(c)} << " stands unescaped";
    }
    if (c == '\\') {
      c = script[++at];
      if (c == 'x') {
        c = static_cast<char>(std::stoi(script.substr(at + 1, 2), nullptr, 16));
        at += 2;
      } else if (c == 'n') {
        c = '\n';
      } else if (c == 'r') {
        c = '\r';
      }
    }
    values.push_back(c);
  }
  std::string bytes;
  int bits = 0;
  int count = 0;
  for (int value : values) {
    for (int bit = 6; bit >= 0; --bit) {
      bits = (bits << 1) | ((value >> bit) & 1);
      if (++count == 8) {
        bytes += static_cast<char>(bits);
        bits = 0;
        count = 0;
      }
    }
  }
  EXPECT_EQ(bits, 0) << "the padding bits are zeros";
  return bytes;
}

// The page's recording as the cast it holds: gunzipped, each byte 0x1B written back as "\u001b".
std::string pageCast(const std::string& path) {
  const std::string compressed = partBytes(path, "cast");
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return "";
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::string text;
  char buffer[1 << 16];
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    text.append(buffer, sizeof buffer - stream.avail_out);
  }
  inflateEnd(&stream);
  EXPECT_EQ(result, Z_STREAM_END) << "the gzip stream is whole";
  std::string cast;
  for (char c : text) {
    if (c == '\x1b') {
      cast += "\\u001b";
    } else {
      cast += c;
    }
  }
  return cast;
}

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

RecordingOptions recordCommand(const std::string& output, int from, int to) {
  return {.output = output,
          .framesPerSecond = 20,
          .fromMs = from,
          .toMs = to,
          .display = {GridChoice::Classic, ColorChoice::Ansi16}};
}

// A folder laid out as the player's npm package, with stand-in files.
std::string standInPlayer(const testing::TemporaryFolder& scratch) {
  scratch.write("player/dist/bundle/asciinema-player.min.js", "var AsciinemaPlayer = {};\n");
  scratch.write("player/dist/bundle/asciinema-player.css", ".ap-player {}\n");
  scratch.write("player/LICENSE", "the player's licence\n");
  return scratch.file("player");
}

int recordPage(const std::string& output, const std::string& player, int from, int to) {
  std::unique_ptr<FrameSink> sink =
      makeWebPageSink({.output = output, .framesPerSecond = 20, .fromMs = from, .webPlayerFolder = player});
  return runRecording(recordCommand(output, from, to), *sink);
}

// The page and its folder, named as any file may be, replace an older page and folder of the same
// name whole; the page names its folder in one encoding that is safe in a URL, in HTML and in a
// script's string, and shows the name as it is.
TEST(WebPage, FolderHoldsTheCastCompressedTheMusicAndThePlayer) {
  testing::TemporaryFolder scratch;
  const std::string player = standInPlayer(scratch);
  const std::string name = "the \"show\" <&> \xc3\xa9";
  const std::string page = scratch.write("site/" + name + ".html", "older page");
  scratch.write("site/" + name + "_files/older.txt", "older part");
  ASSERT_EQ(recordPage(page, player, 0, 500), 0);
  const std::string cast = scratch.file("show.cast");
  ASSERT_EQ(runRecording(recordCommand(cast, 0, 500)), 0);

  EXPECT_EQ(namesIn(scratch.file("site")), (std::set<std::string>{name + ".html", name + "_files"}));
  const std::string files = scratch.file("site/" + name + "_files/");
  EXPECT_EQ(namesIn(files), (std::set<std::string>{"show.cast.js", "music.js", "asciinema-player.min.js",
                                                   "asciinema-player.css", "asciinema-player-LICENSE.txt"}));
  EXPECT_EQ(partBytes(files + "show.cast.js", "cast").substr(0, 2), "\x1f\x8b") << "gzip's magic bytes";
  const std::string unpacked = pageCast(files + "show.cast.js");
  EXPECT_EQ(unpacked, readFile(cast)) << "the page's cast is the .cast of the same command";
  EXPECT_EQ(std::count(unpacked.begin(), unpacked.end(), '\n'), 11);  // the header and 10 frames
  // The music's bytes come whole, every value of a byte among them.
  EXPECT_EQ(partBytes(files + "music.js", "music"), readFile(dataFilePath("data/music.ogg")));
  EXPECT_EQ(readFile(files + "asciinema-player.min.js"), "var AsciinemaPlayer = {};\n");
  EXPECT_EQ(readFile(files + "asciinema-player.css"), ".ap-player {}\n");
  EXPECT_EQ(readFile(files + "asciinema-player-LICENSE.txt"), "the player's licence\n");

  const std::string html = readFile(page);
  const std::string encoded = "the%20%22show%22%20%3C%26%3E%20%C3%A9_files";
  const std::string pieces[] = {"<title>vrax - Glimmerfolding</title>",
                                "href=\"" + encoded + "/asciinema-player.css\"",
                                "src=\"" + encoded + "/asciinema-player.min.js\"",
                                "const files = \"" + encoded + "\";",
                                "const startAt = 0.000;",
                                "<code>the &quot;show&quot; &lt;&amp;&gt; \xc3\xa9_files/</code>"};
  for (const std::string& piece : pieces) {
    EXPECT_NE(html.find(piece), std::string::npos) << piece;
  }
  EXPECT_EQ(html.find("{{"), std::string::npos) << "a field is left unfilled";
  EXPECT_EQ(html.find("fetch("), std::string::npos) << "a page opened as a file cannot fetch";

  // From a later moment the page starts there, and its events stand at the show's times, so the
  // music, played from its start, is in step.
  ASSERT_EQ(recordPage(page, player, 2000, 2300), 0);
  EXPECT_NE(readFile(page).find("const startAt = 2.000;"), std::string::npos);
  const std::string later = pageCast(files + "show.cast.js");
  EXPECT_EQ(later.substr(later.find('\n') + 1, 13), "[2.000000000,");
  EXPECT_NE(later.find("\n[2.250000005,"), std::string::npos);  // frame 5: 5 steps of 50000001 ns
}

// Every failure says why in one line and leaves the place as it was: no page, no folder, no
// temporary names, an older output untouched. A full disk at any stage is in stopped_test.cpp.
TEST(WebPage, FailuresLeaveNothingBehind) {
  testing::TemporaryFolder scratch;
  const std::string player = standInPlayer(scratch);
  const std::string page = scratch.write("show.html", "older page");
  scratch.write("show_files/older.txt", "older part");
  const std::set<std::string> before = namesIn(scratch.path());
  // Runs a recording of the format, which must fail saying in one line what says starts with.
  auto failsSaying = [](const RecordingFormat& format, const std::string& says) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runRecording(recordCommand(format.output, 0, 500), *makeWebPageSink(format)), 1);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind(says, 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  };
  auto leftAsItWas = [&] {
    EXPECT_EQ(namesIn(scratch.path()), before);
    EXPECT_EQ(readFile(page), "older page");
    EXPECT_EQ(namesIn(scratch.file("show_files")), std::set<std::string>{"older.txt"});
  };
  const std::string cannot = "glimmerfolding: cannot write " + page + ": ";
  const std::string missing = scratch.file("missing");
  const RecordingFormat format{.output = page, .framesPerSecond = 20, .webPlayerFolder = player};
  RecordingFormat noPlayer = format;
  noPlayer.webPlayerFolder = missing;
  RecordingFormat noMusic = format;
  noMusic.musicPath = "data/no-such-music.ogg";
  failsSaying(noPlayer, cannot + "the asciinema web player is missing (looked in " + missing +
                            "): run scripts/setup-web-player.sh");
  leftAsItWas();
  failsSaying(noMusic, cannot + "cannot read " + dataFilePath("data/no-such-music.ogg") + ": ");
  leftAsItWas();
  // A folder in the page's place: the finished folder goes back out, the older one comes back.
  fs::rename(page, scratch.file("page-aside"));
  scratch.write("show.html/blocking.txt", "a folder where the page goes");
  failsSaying(format, cannot);
  fs::remove_all(page);
  fs::rename(scratch.file("page-aside"), page);
  leftAsItWas();
  RecordingFormat unwritable = format;
  unwritable.output = "/nonexistent-folder/show.html";
  failsSaying(unwritable, "glimmerfolding: cannot write /nonexistent-folder/show.html: ");
  EXPECT_FALSE(fs::exists("/nonexistent-folder"));
}

}  // namespace
}  // namespace glimmer
