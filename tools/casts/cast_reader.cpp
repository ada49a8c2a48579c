// CastReader: line by line; a header's width and height, then "[time, "o", "text"]" events.
#include "cast_reader.h"

#include <cstdlib>
#include <cstring>

namespace glimmer {
namespace {

bool readLine(std::FILE* file, std::string& line) {
  line.clear();
  char chunk[65536];
  while (std::fgets(chunk, sizeof chunk, file) != nullptr) {
    line += chunk;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      return true;
    }
  }
  return !line.empty();
}

void appendUtf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool hexQuad(const std::string& text, std::size_t at, unsigned long& value) {
  if (at + 4 > text.size()) return false;
  value = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const char c = text[i];
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned long>(digit);
  }
  return true;
}

// The integer after "key": in a header line, or -1.
int headerNumber(const std::string& line, const char* key) {
  const std::size_t at = line.find(key);
  if (at == std::string::npos) return -1;
  return std::atoi(line.c_str() + at + std::strlen(key));
}

}  // namespace

std::size_t decodeJsonString(const std::string& text, std::size_t at, std::string& out) {
  out.clear();
  if (at >= text.size() || text[at] != '"') return std::string::npos;
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') return i + 1;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= text.size()) return std::string::npos;
    switch (text[i]) {
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      case '/':
        out += '/';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        unsigned long code = 0;
        if (!hexQuad(text, i + 1, code)) return std::string::npos;
        i += 4;
        if (code >= 0xD800 && code < 0xDC00) {
          unsigned long low = 0;
          if (i + 2 >= text.size() || text[i + 1] != '\\' || text[i + 2] != 'u' || !hexQuad(text, i + 3, low) ||
              low < 0xDC00 || low >= 0xE000) {
            return std::string::npos;
          }
          i += 6;
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(out, code);
        break;
      }
      default:
        return std::string::npos;
    }
  }
  return std::string::npos;
}

CastReader::CastReader(const char* path) : file_(std::fopen(path, "rb")) {
  if (file_ == nullptr) {
    fail(std::string("cannot open ") + path);
    return;
  }
  if (!readLine(file_, line_)) {
    fail("no header line");
    return;
  }
  ++lineNumber_;
  width_ = headerNumber(line_, "\"width\":");
  height_ = headerNumber(line_, "\"height\":");
  if (width_ <= 0 || height_ <= 0) {
    fail("the header has no width and height");
    return;
  }
  ok_ = true;
}

CastReader::~CastReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool CastReader::fail(std::string message) {
  error_ = std::move(message);
  ok_ = false;
  return false;
}

bool CastReader::next(std::string& bytes) {
  if (!ok_ || !readLine(file_, line_)) return false;
  ++lineNumber_;
  // [time, "o", "text"]
  const std::size_t kind = line_.find(", \"");
  if (line_.empty() || line_[0] != '[' || kind == std::string::npos) {
    return fail("line " + std::to_string(lineNumber_) + " is not an event");
  }
  std::string code;
  const std::size_t after = decodeJsonString(line_, kind + 2, code);
  if (after == std::string::npos || code != "o" || line_.compare(after, 2, ", ") != 0 ||
      decodeJsonString(line_, after + 2, bytes) == std::string::npos) {
    return fail("line " + std::to_string(lineNumber_) + " is not an output event");
  }
  return true;
}

}  // namespace glimmer
