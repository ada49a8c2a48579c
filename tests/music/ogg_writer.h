// Test helper: writes short Ogg Vorbis files with libvorbisenc, and names scratch files.
#pragma once

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

namespace glimmer::testing {

// A path in the temporary folder that is unique to this process and name.
inline std::string scratchPath(const char* name) {
  return "/tmp/glimmer_music_" + std::to_string(::getpid()) + "_" + name;
}

// Encodes frames of `channels` interleaved floats at `rate` into an Ogg Vorbis file (quality 0.6).
inline bool writeOggFile(const std::string& path, const std::vector<float>& interleaved, int channels,
                         int rate) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, 0.6f) != 0) {
    vorbis_info_clear(&info);
    std::fclose(out);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 1234);

  ogg_page page;
  ogg_packet packet;
  auto writePage = [&] {
    std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), out);
    std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), out);
  };
  ogg_packet header, headerComment, headerCode;
  vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &headerComment);
  ogg_stream_packetin(&stream, &headerCode);
  while (ogg_stream_flush(&stream, &page) != 0) writePage();

  const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
  std::size_t done = 0;
  bool finished = false;
  while (!finished) {
    const std::size_t chunk = frames - done < 1024 ? frames - done : 1024;
    if (chunk == 0) {
      vorbis_analysis_wrote(&dsp, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
      for (std::size_t n = 0; n < chunk; ++n) {
        for (int c = 0; c < channels; ++c) {
          buffer[c][n] = interleaved[(done + n) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
        }
      }
      vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
      done += chunk;
    }
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) {
          writePage();
          if (ogg_page_eos(&page) != 0) finished = true;
        }
      }
    }
  }
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return std::fclose(out) == 0;
}

// `seconds` of a stereo sine at `hertz` with the given amplitude on both sides.
inline std::vector<float> stereoSine(double hertz, double seconds, float amplitude, int rate = 44100) {
  const std::size_t frames = static_cast<std::size_t>(seconds * rate);
  std::vector<float> samples(frames * 2);
  for (std::size_t n = 0; n < frames; ++n) {
    const float value = amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hertz * n / rate));
    samples[2 * n] = value;
    samples[2 * n + 1] = value;
  }
  return samples;
}

}  // namespace glimmer::testing
