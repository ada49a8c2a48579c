// The web page sink: NAME.html and its folder NAME_files/ (the convention of a saved web page).
// The folder holds the recording (show.cast.js), the music (music.js) and the asciinema web
// player's script, style and licence, copied from a folder laid out as its npm package. The page
// is web_page.html, compiled in, with its fields filled.
//
// The page loads its parts with script elements only, never with fetch, so it plays the same
// served over HTTP and opened as a file (file://), where browsers let a page run scripts from its
// folder but not read files. Each part is a script that hands its bytes to the page as a string,
// glimmerfoldingPart(NAME, TEXT): 7 bits a character, the bits in order from each byte's highest,
// the last character padded with zero bits; TEXT is plain ASCII, so no character set a server or
// browser assumes can change it, and only NUL, line feed, carriage return, quote and backslash are
// escaped. The recording's bytes are its asciicast (the lines of cast_writer.h, which a .cast of
// the same command holds) with each "\u001b" written as the byte 0x1B, which nothing else in a
// cast is, compressed in zlib's gzip format; the page unpacks it with the browser's
// DecompressionStream and writes the escapes back. The music's bytes are the Ogg file as it is;
// the page plays them from a blob: URL, the one way a page opened as a file can play them through
// the player's Web Audio.
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

constexpr char kCastName[] = "show.cast.js";
constexpr char kMusicName[] = "music.js";
constexpr std::size_t kChunk = 1 << 16;  // bytes read, compressed or collapsed at a time

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

// text as one word for a POSIX shell: as it is when it holds nothing the shell reads, else in
// single quotes.
std::string shellWord(const std::string& text) {
  const bool plain = !text.empty() && text.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_./+-=:,@%") == std::string::npos;
  if (plain) return text;
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
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
            (buildTreeTried ? shellWord(buildFolder()) : std::string("BUILD_FOLDER")) +
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
      case '&':
        result += "&amp;";
        break;
      case '<':
        result += "&lt;";
        break;
      case '>':
        result += "&gt;";
        break;
      case '"':
        result += "&quot;";
        break;
      default:
        result += c;
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

// Bytes as the inside of a JavaScript string of ASCII characters, 7 bits each (see the top).
class ScriptTextEncoder {
 public:
  // The most characters of text put writes for size bytes.
  static constexpr std::size_t maxText(std::size_t size) { return (size * 8 / 7 + 2) * 4; }

  // Writes the characters for bytes at text; returns the end. Bits left over wait for more.
  char* put(const unsigned char* bytes, std::size_t size, char* text) {
    for (std::size_t i = 0; i < size; ++i) {
      bits_ = (bits_ << 8 | bytes[i]) & 0x7fff;
      count_ += 8;
      while (count_ >= 7) {
        count_ -= 7;
        text = character((bits_ >> count_) & 0x7f, text);
      }
    }
    return text;
  }

  // Writes the bits left over, padded with zeros to a character; returns the end.
  char* finish(char* text) {
    if (count_ > 0) text = character((bits_ << (7 - count_)) & 0x7f, text);
    count_ = 0;
    return text;
  }

 private:
  static char* character(unsigned value, char* text) {
    switch (value) {
      case 0:
        std::memcpy(text, "\\x00", 4);
        return text + 4;
      case '\n':
        std::memcpy(text, "\\n", 2);
        return text + 2;
      case '\r':
        std::memcpy(text, "\\r", 2);
        return text + 2;
      case '"':
        std::memcpy(text, "\\\"", 2);
        return text + 2;
      case '\\':
        std::memcpy(text, "\\\\", 2);
        return text + 2;
      default:
        *text = static_cast<char>(value);
        return text + 1;
    }
  }

  unsigned bits_ = 0;
  int count_ = 0;
};

// A part of the page's folder: the script glimmerfoldingPart("NAME", "TEXT"), TEXT the bytes
// given to it. Written straight into the folder, which is itself temporary until put in place.
class ScriptPart {
 public:
  ScriptPart() : text_(new char[ScriptTextEncoder::maxText(kChunk)]) {}
  ScriptPart(const ScriptPart&) = delete;
  ScriptPart& operator=(const ScriptPart&) = delete;
  ~ScriptPart() { abandon(); }

  // Creates path and writes the script's beginning, a comment line first. False with errno set.
  bool open(const std::string& path, const char* name, const char* comment) {
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    std::fprintf(file_, "// %s\nglimmerfoldingPart(\"%s\", \"", comment, name);
    return std::ferror(file_) == 0;
  }

  // Adds bytes to the text. False with errno set when writing failed.
  bool put(const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
      const std::size_t piece = size < kChunk ? size : kChunk;
      const char* end = encoder_.put(bytes, piece, text_.get());
      std::fwrite(text_.get(), 1, static_cast<std::size_t>(end - text_.get()), file_);
      bytes += piece;
      size -= piece;
    }
    return std::ferror(file_) == 0;
  }

  // Closes the file as it is, if it is open (its folder is about to go).
  void abandon() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

  // Ends the text and the script and closes the file. False with errno set when writing failed.
  bool close() {
    const char* end = encoder_.finish(text_.get());
    std::fwrite(text_.get(), 1, static_cast<std::size_t>(end - text_.get()), file_);
    std::fputs("\");\n", file_);
    const bool written = std::ferror(file_) == 0;
    const int reason = errno;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written) errno = reason;
    return written && closed;
  }

 private:
  std::FILE* file_ = nullptr;
  ScriptTextEncoder encoder_;
  std::unique_ptr<char[]> text_;
};

// The template with every "{{name}}" replaced by its value.
std::string filledPage(const std::string& filesName, int fromMs) {
  char start[32];
  std::snprintf(start, sizeof start, "%d.%03d", fromMs / 1000, fromMs % 1000);
  const std::pair<std::string, std::string> fields[] = {
      {"{{title}}", htmlEscaped(kShowTitle)},
      {"{{titleJson}}", scriptString(kShowTitle)},
      {"{{files}}", percentEncoded(filesName)},
      {"{{filesText}}", htmlEscaped(filesName + "/")},
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
        cast_(format.framesPerSecond, format.grid, static_cast<std::int64_t>(format.fromMs) * 1000000),
        collapsed_(new unsigned char[kChunk]),
        compressed_(new unsigned char[kChunk]) {}
  ~WebPageSink() override {
    if (deflating_) deflateEnd(&stream_);
    if (created_) finish(false);
  }

  bool begin() override {
    std::string missing;
    const fs::path player = findPlayer(format_, missing);
    if (player.empty()) return reportCannotWrite(format_.output, missing);
    std::error_code error;
    fs::remove_all(partFolder_, error);  // left by a recording that was killed
    if (!fs::create_directory(partFolder_, error)) {
      return fail(error ? error : std::make_error_code(std::errc::file_exists));
    }
    created_ = true;
    // The folder goes again when a step fails: a sink that did not begin is not finished.
    for (const PlayerFile& file : kPlayerFiles) {
      if (!copy(player / file.inPackage, file.inFolder)) return finish(false);
    }
    if (!writeMusic()) return finish(false);
    if (deflateInit2(&stream_, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      fail(ENOMEM);
      return finish(false);
    }
    deflating_ = true;
    if (!castPart_.open(partFolder_ + "/" + kCastName, "cast",
                        "The show's recording for the page beside this folder, written by glimmerfolding.")) {
      fail(errno);
      return finish(false);
    }
    const std::string header = cast_.header();
    return compress(header) || finish(false);
  }

  bool frame(long index, CellView, const char* bytes, std::size_t size) override {
    return compress(cast_.frameLine(index, bytes, size));
  }

  bool finish(bool complete) override {
    bool written = complete && deflating_;
    if (written) written = compress(cast_.lastLine()) && deflateSome(Z_FINISH);
    if (deflating_) deflateEnd(&stream_);
    deflating_ = false;
    if (written && !castPart_.close()) written = fail(errno);
    castPart_.abandon();
    if (written) written = putInPlace();
    if (!written && created_) {
      std::error_code ignored;
      fs::remove_all(partFolder_, ignored);
    }
    created_ = false;
    return written;
  }

  WrittenOutput written() const override {
    return {format_.output + " and " + folder_ + "/", bytesOnDisk(format_.output) + bytesOnDisk(folder_)};
  }

 private:
  bool fail(int reason) const { return reportCannotWrite(format_.output, std::strerror(reason)); }
  bool fail(const std::error_code& error) const { return reportCannotWrite(format_.output, error.message()); }
  bool cannotRead(const fs::path& from, int reason) const {
    return reportCannotWrite(format_.output, "cannot read " + from.string() + ": " + std::strerror(reason));
  }

  // Copies the file into the folder under name. A failure to read names the file read, a failure
  // to write names the output (a full disk is the output's trouble, not the file's).
  bool copy(const fs::path& from, const char* name) {
    std::FILE* in = std::fopen(from.string().c_str(), "rb");
    if (in == nullptr) return cannotRead(from, errno);
    std::FILE* out = std::fopen((fs::path(partFolder_) / name).string().c_str(), "wb");
    if (out == nullptr) {
      const int reason = errno;
      std::fclose(in);
      return fail(reason);
    }
    int readError = 0;
    int writeError = 0;
    for (;;) {
      const std::size_t got = std::fread(collapsed_.get(), 1, kChunk, in);
      if (got > 0 && std::fwrite(collapsed_.get(), 1, got, out) != got) writeError = errno != 0 ? errno : EIO;
      if (got < kChunk || writeError != 0) {
        if (std::ferror(in) != 0) readError = errno != 0 ? errno : EIO;
        break;
      }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && writeError == 0) writeError = errno;
    if (readError != 0) return cannotRead(from, readError);
    if (writeError != 0) return fail(writeError);
    return true;
  }

  // The music as the script music.js.
  bool writeMusic() {
    const fs::path from = dataFilePath(format_.musicPath);
    std::FILE* in = std::fopen(from.string().c_str(), "rb");
    if (in == nullptr) return cannotRead(from, errno);
    ScriptPart music;
    int readError = 0;
    int writeError = 0;
    if (!music.open(partFolder_ + "/" + kMusicName, "music",
                    "The show's music for the page beside this folder, written by glimmerfolding.")) {
      writeError = errno;
    }
    while (writeError == 0) {
      const std::size_t got = std::fread(collapsed_.get(), 1, kChunk, in);
      if (got > 0 && !music.put(collapsed_.get(), got)) writeError = errno;
      if (got < kChunk) {
        if (std::ferror(in) != 0) readError = errno != 0 ? errno : EIO;
        break;
      }
    }
    std::fclose(in);
    if (readError != 0) return cannotRead(from, readError);
    if (writeError == 0 && !music.close()) writeError = errno;
    return writeError == 0 || fail(writeError);
  }

  // Adds cast text to the compressed recording, each "\u001b" as the byte 0x1B (see the top).
  bool compress(std::string_view text) {
    std::size_t used = 0;
    for (std::size_t at = 0; at < text.size();) {
      if (text[at] == '\\' && text.compare(at, 6, "\\u001b") == 0) {
        collapsed_[used++] = 0x1b;
        at += 6;
      } else if (text[at] == '\\' && at + 1 < text.size()) {
        collapsed_[used++] = static_cast<unsigned char>(text[at++]);  // another escape, kept whole
        collapsed_[used++] = static_cast<unsigned char>(text[at++]);
      } else {
        collapsed_[used++] = static_cast<unsigned char>(text[at++]);
      }
      if (used + 2 > kChunk) {
        if (!deflateBytes(used)) return false;
        used = 0;
      }
    }
    return deflateBytes(used);
  }

  bool deflateBytes(std::size_t size) {
    if (size == 0) return true;
    stream_.next_in = collapsed_.get();
    stream_.avail_in = static_cast<uInt>(size);
    return deflateSome(Z_NO_FLUSH);
  }

  // Runs deflate over the input given until it needs more (or, with Z_FINISH, to the end),
  // writing what comes out into the recording's script.
  bool deflateSome(int flush) {
    for (;;) {
      stream_.next_out = compressed_.get();
      stream_.avail_out = static_cast<uInt>(kChunk);
      const int result = deflate(&stream_, flush);
      if (result == Z_STREAM_ERROR) return fail(EIO);
      const std::size_t produced = kChunk - stream_.avail_out;
      if (produced > 0 && !castPart_.put(compressed_.get(), produced)) return fail(errno);
      if (flush == Z_FINISH ? result == Z_STREAM_END : stream_.avail_out != 0) return true;
    }
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
  ScriptPart castPart_;
  z_stream stream_{};
  bool deflating_ = false;
  std::unique_ptr<unsigned char[]> collapsed_;   // cast text with its escapes collapsed; copies
  std::unique_ptr<unsigned char[]> compressed_;  // deflate's output
  bool created_ = false;                         // partFolder_ was made here and is not yet in place
};

}  // namespace

std::unique_ptr<FrameSink> makeWebPageSink(const RecordingFormat& format) {
  return std::make_unique<WebPageSink>(format);
}

}  // namespace glimmer
