// Ogg Vorbis encoding of a stereo float signal in memory, with libvorbisenc (variable bit rate).
// The Ogg serial number is fixed by the caller and libvorbis uses no clock or random source, so
// the same samples always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glimmer::soundtrack {

// Encodes frameCount frames of interleaved left, right floats at sampleRate into `encoded`
// (replacing its contents). quality is Vorbis's -0.1 .. 1.0 scale. False when libvorbisenc
// rejects the settings; `encoded` is then empty.
bool encodeOggVorbis(const float* interleaved, std::size_t frameCount, int sampleRate, float quality,
                     std::uint32_t serialNumber, std::vector<unsigned char>& encoded);

}  // namespace glimmer::soundtrack
