// Ogg Vorbis encoding with libvorbisenc: vorbis_encode_init_vbr, the analysis and block loop, and
// libogg's page output.
#include "ogg_encoder.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace glimmer::soundtrack {
namespace {

void appendPage(const ogg_page& page, std::vector<unsigned char>& out) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// Drains every finished block of the analysis into Ogg pages.
void drainBlocks(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream,
                 std::vector<unsigned char>& out) {
  ogg_packet packet;
  ogg_page page;
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
      ogg_stream_packetin(&stream, &packet);
      while (ogg_stream_pageout(&stream, &page) != 0) appendPage(page, out);
    }
  }
}

}  // namespace

bool encodeOggVorbis(const float* interleaved, std::size_t frameCount, int sampleRate, float quality,
                     std::uint32_t serialNumber, std::vector<unsigned char>& encoded) {
  encoded.clear();
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, 2, sampleRate, quality) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "TITLE", "Glimmerfolding");
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, static_cast<int>(serialNumber));

  ogg_packet identification, commentPacket, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &identification, &commentPacket, &codebooks);
  ogg_stream_packetin(&stream, &identification);
  ogg_stream_packetin(&stream, &commentPacket);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  // The headers get pages of their own, so audio starts on a fresh page.
  while (ogg_stream_flush(&stream, &page) != 0) appendPage(page, encoded);

  constexpr std::size_t kChunk = 4096;
  for (std::size_t done = 0; done < frameCount;) {
    const std::size_t count = std::min(kChunk, frameCount - done);
    float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
    for (std::size_t frame = 0; frame < count; ++frame) {
      buffer[0][frame] = interleaved[2 * (done + frame)];
      buffer[1][frame] = interleaved[2 * (done + frame) + 1];
    }
    vorbis_analysis_wrote(&dsp, static_cast<int>(count));
    drainBlocks(dsp, block, stream, encoded);
    done += count;
  }
  vorbis_analysis_wrote(&dsp, 0);
  drainBlocks(dsp, block, stream, encoded);
  while (ogg_stream_flush(&stream, &page) != 0) appendPage(page, encoded);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return true;
}

}  // namespace glimmer::soundtrack
