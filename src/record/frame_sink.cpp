// Choosing a sink by the output's name, and measuring what it wrote; see frame_sink.h.
#include "record/frame_sink.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace glimmer {

bool hasExtension(const std::string& name, std::string_view extension) {
  if (name.size() <= extension.size()) return false;
  return std::equal(extension.begin(), extension.end(), name.end() - static_cast<std::ptrdiff_t>(extension.size()),
                    [](char wanted, char given) { return wanted == std::tolower(static_cast<unsigned char>(given)); });
}

OutputKind outputKindOf(const std::string& name) {
  if (hasExtension(name, ".cast")) return OutputKind::Cast;
  if (hasExtension(name, ".mp4") || hasExtension(name, ".webm") || hasExtension(name, ".mkv")) return OutputKind::Video;
  if (hasExtension(name, ".html")) return OutputKind::WebPage;
  if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return OutputKind::PngFolder;
  return OutputKind::Unknown;
}

std::unique_ptr<FrameSink> makeFrameSink(const RecordingFormat& format) {
  switch (outputKindOf(format.output)) {
    case OutputKind::Cast:
      return makeCastSink(format);
    case OutputKind::Video:
      return makeVideoSink(format);
    case OutputKind::WebPage:
      return makeWebPageSink(format);
    case OutputKind::PngFolder:
      return makePngFolderSink(format);
    case OutputKind::Unknown:
      break;
  }
  return nullptr;
}

std::uintmax_t bytesOnDisk(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_directory(path, error)) {
    const std::uintmax_t size = fs::file_size(path, error);
    return error ? 0 : size;
  }
  std::uintmax_t total = 0;
  for (fs::recursive_directory_iterator entry(path, error), end; !error && entry != end; entry.increment(error)) {
    if (entry->is_regular_file(error)) {
      const std::uintmax_t size = entry->file_size(error);
      if (!error) total += size;
    }
    error.clear();
  }
  return total;
}

}  // namespace glimmer
