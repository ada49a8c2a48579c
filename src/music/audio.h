// The audio layer the show plays its music through: one call per operation the show needs.
//
// One output and one stream at a time. The output is chosen once, by audioInit: the platform's
// sound device (createDeviceOutput: a sound server or ALSA on Linux, WASAPI on Windows), else a
// silent output that keeps time on a steady clock. A process may instead ask for silence (Mute) or for a
// clock it sets itself (Offline, for rendering the show frame by frame). Whatever the output, the
// music is decoded into memory once; playback and the spectrum read the same samples.
//
// Only the program's thread calls these functions; the output plays on threads of its own.
#pragma once

#include <cstdint>

namespace glimmer {

// Which output audioInit opens.
enum class AudioMode {
  Automatic,  // the platform's sound device, else silent (with a notice)
  Mute,       // silent on a steady clock, no device opened, no notice
  Offline,    // no device; the position is what audioSetOfflinePosition last set
};

// Chooses the output for the next audioInit. Automatic until called.
void setAudioMode(AudioMode mode);
AudioMode audioMode();

// A stream handle; 0 is no stream.
using AudioStream = std::uint32_t;

// audioChannelGetData flag: a 2048-sample FFT written as 1024 float magnitudes.
inline constexpr std::uint32_t kAudioDataFft2048 = 0x80000003u;

// Opens the default output of the chosen mode for music at `frequency` frames per second (the rate
// the show asks for; a file at another rate plays at its own). True when an output is ready, which
// in Automatic mode includes falling back to silence. False when already initialised.
bool audioInit(int frequency);

// Why the show will be silent, in one line under 80 characters, when Automatic mode found no
// device; null otherwise. Valid until audioFree.
const char* audioNotice();

// Opens the Ogg Vorbis file and starts decoding it on a worker thread. 0 when the output is not
// initialised, a stream already exists, or the file is missing, unreadable or not Ogg Vorbis.
AudioStream audioStreamCreateFile(const char* path);

// Plays the stream from the start (restart true) or from where it is. Waits for the decoding to
// finish if it has not yet. True only when playback started; false for a file with no decodable
// audio or an output that refused it.
bool audioChannelPlay(AudioStream stream, bool restart);

// The position of what is heard, in seconds from the start of the track: 0 before playing, never
// smaller than the previous reading, at most the track's length. 0 for an unknown handle.
double audioChannelGetPositionSeconds(AudioStream stream);

// True while the stream plays; false before play, once the whole track has been heard, after a
// failed output, and for an unknown handle.
bool audioChannelIsActive(AudioStream stream);

// With kAudioDataFft2048: writes 1024 magnitudes of the 2048 samples heard from the current
// position on (see computeSpectrum) into buffer. False, leaving buffer untouched, for another
// flag, an unknown handle or while the file is still being decoded. Allocates nothing.
bool audioChannelGetData(AudioStream stream, float* buffer, std::uint32_t flags);

// The track's length in seconds, waiting for the decoding if needed; 0 for an unknown handle.
double audioChannelGetLengthSeconds(AudioStream stream);

// Stops playback without a click and frees the stream and its samples. Unknown handles are ignored.
void audioStreamFree(AudioStream stream);

// Frees any stream, closes the output and forgets the notice. Safe to call when audioInit never
// ran or failed, and repeatedly.
void audioFree();

// Offline mode: the position every later reading reports (clamped to the track), in seconds.
void audioSetOfflinePosition(double seconds);

}  // namespace glimmer
