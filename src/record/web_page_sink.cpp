// The web page sink: NAME.html and its folder NAME_files/ (the convention of a saved web page).
// The folder holds the cast (show.cast.gz, the lines of cast_writer.h compressed with zlib's gzip
// format, unpacked in the page by the browser), the music (music.ogg) and the asciinema web
// player's script, style and licence, copied from a folder laid out as its npm package. The page
// is web_page.html, compiled in, with its fields filled.
//
// Everything is written under temporary names, NAME_files.part/ and NAME.html.part, and put in
// place only once complete: first the folder (an older NAME_files/ is moved aside and removed
// once the new one is in place), then the page. A failure at any step removes what was written and
// leaves an older output as it was.
//
// The events stand at the show's own times (a recording --from MS starts at MS), so the music,
// which the page plays from its start, stays in step; the page opens the player at that moment.
//
// LIMITATIONS
// - The player is found installed beside the program or, for a program run from its build folder,
//   where scripts/setup-web-player.sh put it; without it nothing is written.
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "base/data_folder.h"
#include "base/identity.h"
#include "record/cast_writer.h"
#include "record/frame_sink.h"
#include "record/part_file.h"
#include "web_page_parts.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;

constexpr char kCastName[] = "show.cast.gz";
constexpr char kMusicName[] = "music.ogg";

// The player's files inside its package folder, and their names beside the page.
struct PlayerFile {
  const char* inPackage;
  const char* inFolder;
};
constexpr PlayerFile kPlayerFiles[] = {
    {"dist/bundle/asciinema-player.min.js", "asciinema-player.min.js"},
    {"dist/bundle/asciinema-player.css", "asciinema-player.css"},
    {"LICENSE", "asciinema-player-LICENSE.txt"},
};

bool holdsPlayer(const fs::path& package) {
  std::error_code error;
  for (const PlayerFile& file : kPlayerFiles) {
    if (!fs::is_regular_file(package / file.inPackage, error)) return false;
  }
  return true;
}

// The player's package folder: the one the format names, else installed beside the program, else
// the build tree's (only for a program run from its build folder). Empty, with the reason in
// missing, when none holds it.
fs::path findPlayer(const RecordingFormat& format, std::string& missing) {
  std::vector<fs::path> places;
  bool buildTreeTried = false;
  if (!format.webPlayerFolder.empty()) {
    places.push_back(format.webPlayerFolder);
  } else if (const fs::path program = programFile(); !program.empty()) {
    places.push_back((program.parent_path() / kWebPlayerFromProgram).lexically_normal());
    if (runsFromBuildFolder(program)) {
      places.push_back(kWebPlayerInBuildFolder);
      buildTreeTried = true;
    }
  }
  std::string tried;
  for (const fs::path& place : places) {
    if (holdsPlayer(place)) return place;
    tried += (tried.empty() ? "" : ", ") + place.string();
  }
  missing = "the asciinema web player is missing (looked in " + tried + "): run scripts/setup-web-player.sh " +
            (buildTreeTried ? std::string(buildFolder()) : std::string("BUILD_FOLDER")) +
            (buildTreeTried ? "" : " in the source tree, then install the program again");
  return {};
}

// text with every byte outside [A-Za-z0-9-._~] as %XX: safe as a URL path segment, in HTML and
// inside a JavaScript string.
std::string percentEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string result;
  for (unsigned char byte : text) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '-' ||
        byte == '.' || byte == '_' || byte == '~') {
      result += static_cast<char>(byte);
    } else {
      result += '%';
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    }
  }
  return result;
}

std::string htmlEscaped(const std::string& text) {
  std::string result;
  for (char c : text) {
    switch (c) {
      case '&': result += "&amp;"; break;
      case '<': result += "&lt;"; break;
      case '>': result += "&gt;"; break;
      case '"': result += "&quot;"; break;
      default: result += c;
    }
  }
  return result;
}

// text as a JavaScript string literal that cannot end the script element.
std::string scriptString(const std::string& text) {
  std::string result = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      result += '\\';
      result += c;
    } else if (c == '<') {
      result += "\\u003c";
    } else {
      result += c;
    }
  }
  return result + "\"";
}

// The template with every "{{name}}" replaced by its value.
std::string filledPage(const std::string& filesName, int fromMs) {
  char start[32];
  std::snprintf(start, sizeof start, "%d.%03d", fromMs / 1000, fromMs % 1000);
  const std::pair<std::string, std::string> fields[] = {
      {"{{title}}", htmlEscaped(kShowTitle)},
      {"{{titleJson}}", scriptString(kShowTitle)},
      {"{{files}}", percentEncoded(filesName)},
      {"{{start}}", start},
  };
  std::string page = kWebPageTemplate;
  for (const auto& [name, value] : fields) {
    for (std::size_t at = page.find(name); at != std::string::npos; at = page.find(name, at + value.size())) {
      page.replace(at, name.size(), value);
    }
  }
  return page;
}

class WebPageSink final : public FrameSink {
 public:
  explicit WebPageSink(const RecordingFormat& format)
      : format_(format),
        folder_(format.output.substr(0, format.output.size() - 5) + "_files"),
        partFolder_(folder_ + ".part"),
        cast_(format.framesPerSecond, format.grid, static_cast<std::int64_t>(format.fromMs) * 1000000) {}
  ~WebPageSink() override {
    if (gzip_ != nullptr || created_) finish(false);
  }

  bool begin() override {
    std::string missing;
    const fs::path player = findPlayer(format_, missing);
    if (player.empty()) return reportCannotWrite(format_.output, missing);
    std::error_code error;
    fs::remove_all(partFolder_, error);  // left by a recording that was killed
    if (!fs::create_directory(partFolder_, error)) return fail(error ? error : std::make_error_code(std::errc::file_exists));
    created_ = true;
    // The folder goes again when a step fails: a sink that did not begin is not finished.
    for (const PlayerFile& file : kPlayerFiles) {
      if (!copy(player / file.inPackage, file.inFolder)) return finish(false);
    }
    if (!copy(dataFilePath(format_.musicPath), kMusicName)) return finish(false);
    const std::string castPath = partFolder_ + "/" + kCastName;
    errno = 0;
    gzip_ = gzopen(castPath.c_str(), "wb9");
    if (gzip_ == nullptr) {
      fail(errno != 0 ? errno : ENOMEM);
      return finish(false);
    }
    gzbuffer(gzip_, 1 << 20);
    const std::string header = cast_.header();
    return write(header.data(), header.size()) || finish(false);
  }

  bool frame(long index, CellView, const char* bytes, std::size_t size) override {
    const std::string_view line = cast_.frameLine(index, bytes, size);
    return write(line.data(), line.size());
  }

  bool finish(bool complete) override {
    bool written = complete;
    if (gzip_ != nullptr) {
      const int closed = gzclose(gzip_);
      gzip_ = nullptr;
      if (written && closed != Z_OK) written = fail(closed == Z_ERRNO ? errno : EIO);
    }
    if (written) written = putInPlace();
    if (!written && created_) {
      std::error_code ignored;
      fs::remove_all(partFolder_, ignored);
    }
    created_ = false;
    return written;
  }

 private:
  bool fail(int reason) const { return reportCannotWrite(format_.output, std::strerror(reason)); }
  bool fail(const std::error_code& error) const { return reportCannotWrite(format_.output, error.message()); }

  bool copy(const fs::path& from, const char* name) const {
    std::error_code error;
    fs::copy_file(from, fs::path(partFolder_) / name, fs::copy_options::overwrite_existing, error);
    if (!error) return true;
    return reportCannotWrite(format_.output, "cannot copy " + from.string() + ": " + error.message());
  }

  bool write(const char* bytes, std::size_t size) {
    if (size == 0 || gzwrite(gzip_, bytes, static_cast<unsigned>(size)) == static_cast<int>(size)) return true;
    int code = Z_OK;
    const char* reason = gzerror(gzip_, &code);
    return reportCannotWrite(format_.output, code == Z_ERRNO ? std::strerror(errno) : reason);
  }

  // The page written as NAME.html.part, the folder put in place (an older one moved aside), then
  // the page. On failure the older output is put back.
  bool putInPlace() {
    PartFile page;
    if (!page.open(format_.output, format_.output)) return false;
    const std::string text = filledPage(fs::path(folder_).filename().string(), format_.fromMs);
    std::fwrite(text.data(), 1, text.size(), page.stream());
    if (!page.healthy()) return false;

    std::error_code error;
    const std::string older = folder_ + ".old";
    fs::remove_all(older, error);
    const bool hadOlder = fs::exists(folder_, error);
    if (hadOlder) {
      fs::rename(folder_, older, error);
      if (error) return fail(error);
    }
    fs::rename(partFolder_, folder_, error);
    if (error) {
      const std::error_code reason = error;
      if (hadOlder) fs::rename(older, folder_, error);
      return fail(reason);
    }
    created_ = false;
    if (!page.commit()) {
      fs::remove_all(folder_, error);
      if (hadOlder) fs::rename(older, folder_, error);
      return false;
    }
    if (hadOlder) fs::remove_all(older, error);
    return true;
  }

  RecordingFormat format_;
  std::string folder_;      // NAME_files
  std::string partFolder_;  // NAME_files.part, while it is written
  CastWriter cast_;
  gzFile gzip_ = nullptr;
  bool created_ = false;  // partFolder_ was made here and is not yet in place
};

}  // namespace

std::unique_ptr<FrameSink> makeWebPageSink(const RecordingFormat& format) {
  return std::make_unique<WebPageSink>(format);
}

}  // namespace glimmer
