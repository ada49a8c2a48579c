// Ogg Vorbis decoding through libvorbisfile (ov_fopen, ov_info, ov_pcm_total, ov_read_float,
// ov_open_callbacks for files cut short, ov_seekable and ov_pcm_seek, ov_clear).
//
// LIMITATIONS: only one- and two-channel files; a file that changes its channel count or rate
// between chained streams is decoded up to that change.
#include "music/decoder.h"

#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace glimmer {
namespace {

// Reserving for a length the file claims is capped, so a damaged length field cannot ask for
// gigabytes; a longer file still decodes, the vector then grows as it goes.
constexpr std::int64_t kReserveLimitFrames = 44100LL * 60 * 20;

}  // namespace

struct OggReader::File {
  OggVorbis_File vorbis{};
  bool isOpen = false;
  int channels = 0;
  int rate = 0;

  ~File() {
    if (isOpen) ov_clear(&vorbis);
  }
};

OggReader::OggReader() = default;
OggReader::~OggReader() = default;

bool OggReader::open(const char* path) {
  file.reset();
  auto opened = std::make_unique<File>();
  if (path == nullptr) return false;
  if (ov_fopen(path, &opened->vorbis) != 0) {
    // A file cut short fails the seekable open, which looks for the last page; read it as a plain
    // stream instead, which decodes up to where it ends.
    std::FILE* handle = std::fopen(path, "rb");
    if (handle == nullptr) return false;
    if (ov_open_callbacks(handle, &opened->vorbis, nullptr, 0, OV_CALLBACKS_STREAMONLY) != 0) {
      std::fclose(handle);
      return false;
    }
  }
  opened->isOpen = true;
  const vorbis_info* info = ov_info(&opened->vorbis, -1);
  if (info == nullptr || info->channels < 1 || info->channels > 2 || info->rate < 1000 || info->rate > 384000) {
    return false;
  }
  opened->channels = info->channels;
  opened->rate = static_cast<int>(info->rate);
  file = std::move(opened);
  return true;
}

int OggReader::sampleRate() const { return file ? file->rate : 0; }

bool OggReader::seek(std::size_t frame) {
  if (!file) return false;
  if (ov_seekable(&file->vorbis) != 0) return ov_pcm_seek(&file->vorbis, static_cast<ogg_int64_t>(frame)) == 0;
  // A plain stream: decode up to the frame, asking never for more than is left to drop.
  int section = 0;
  for (std::size_t left = frame; left > 0;) {
    float** planes = nullptr;
    const int ask = static_cast<int>(left < 4096 ? left : 4096);
    const long frames = ov_read_float(&file->vorbis, &planes, ask, &section);
    if (frames <= 0) return false;
    left -= static_cast<std::size_t>(frames);
  }
  return true;
}

std::size_t OggReader::decodeEach(std::size_t chunkFrames, const Take& take) {
  if (!file || chunkFrames == 0) return 0;
  std::vector<float> piece(2 * chunkFrames);
  std::size_t handed = 0;
  int section = 0;
  stoppedAtDamage_ = false;
  for (;;) {
    float** planes = nullptr;
    const long frames = ov_read_float(&file->vorbis, &planes, static_cast<int>(chunkFrames), &section);
    if (frames <= 0) {
      stoppedAtDamage_ = frames < 0;  // the first damaged spot: keep what came before
      break;
    }
    const vorbis_info* info = ov_info(&file->vorbis, -1);
    if (info == nullptr || info->channels != file->channels || info->rate != file->rate) {
      stoppedAtDamage_ = true;
      break;
    }
    const float* left = planes[0];
    const float* right = file->channels == 2 ? planes[1] : planes[0];
    for (long n = 0; n < frames; ++n) {
      piece[2 * n] = left[n];
      piece[2 * n + 1] = right[n];
    }
    handed += static_cast<std::size_t>(frames);
    if (!take(piece.data(), static_cast<std::size_t>(frames))) break;
  }
  file.reset();
  return handed;
}

bool OggReader::decodeAll(DecodedAudio& out) {
  out.samples.clear();
  out.frameCount = 0;
  out.sampleRate = 0;
  if (!file) return false;

  const std::int64_t claimed = ov_pcm_total(&file->vorbis, -1);
  if (claimed > 0) {
    out.samples.reserve(static_cast<std::size_t>(claimed < kReserveLimitFrames ? claimed : kReserveLimitFrames) * 2);
  }
  const int rate = file->rate;
  decodeEach(4096, [&](const float* interleaved, std::size_t frames) {
    out.samples.insert(out.samples.end(), interleaved, interleaved + 2 * frames);
    return true;
  });
  out.frameCount = out.samples.size() / 2;
  out.sampleRate = rate;
  if (out.frameCount == 0) {
    std::vector<float>().swap(out.samples);  // gives back what was reserved for the claimed length
    out.sampleRate = 0;
    return false;
  }
  out.samples.shrink_to_fit();
  return true;
}

bool decodeOggFile(const char* path, DecodedAudio& out) {
  OggReader reader;
  if (!reader.open(path)) {
    out = DecodedAudio{};
    return false;
  }
  return reader.decodeAll(out);
}

}  // namespace glimmer
