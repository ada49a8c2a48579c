// MusicStream: the soundtrack "data/music.ogg", the show's only clock, and the spectrum the scenes
// read. The Demo owns the one the show plays and hands it to the scenes that read it.
//
// Opening checks the file's headers and starts decoding on a worker thread, so the intro is on
// screen while the track is measured; the samples are then decoded a few seconds ahead of where
// they are heard (see Track), and playback and the spectrum read the same ones. The output is
// chosen once, when the stream opens (see MusicOutput). Only the program's thread calls these
// operations; the output plays on threads of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace glimmer {

// The show lasts as long as its soundtrack was made to: a music file that holds less is damaged.
inline constexpr double kShowSeconds = 158.0;

// How the music is heard.
enum class MusicOutput {
  Automatic,  // a sound server, else the sound card, else silence on a steady clock (with a notice)
  Mute,       // silence on a steady clock; no device is opened and there is no notice
  Offline,    // no device; the music stands where setOfflinePosition put it (recordings)
};

class MusicStream {
 public:
  // Not open; spectrum all 0.0.
  MusicStream();

  MusicStream(const MusicStream&) = delete;
  MusicStream& operator=(const MusicStream&) = delete;

  // Stops playback without a click, closes the output and the file, and frees the spectrum.
  virtual ~MusicStream();

  // Chooses how the music is heard from the next open() on; Automatic until called.
  void setOutput(MusicOutput output) { output_ = output; }

  // Opens the output and "data/music.ogg". False when the file is missing or not Ogg Vorbis (or
  // the stream is open already); decoding goes on in the background after a true result.
  bool open();

  // Same, for another file (tests, tools).
  bool open(const char* path);

  // True between a successful open() and destruction.
  bool isOpen() const;

  // Why the show will be silent, in one line under 80 characters, when Automatic found no device;
  // null otherwise.
  const char* notice() const { return notice_; }

  // Plays from fromSeconds (the start by default; clamped to the track), waiting for the
  // decoding if it is not done. True only when playback started: false for a stream not open, a
  // file with no decodable audio, or a refused output.
  bool play(double fromSeconds = 0.0);

  // Pauses at once: the clock holds what is heard now, the output fades out briefly (so the cut
  // makes no click) and stops reading the track, and nothing runs for it until resume(). Nothing
  // for a stream that is not playing or is paused already.
  void pause();

  // Plays on from the moment the clock holds, fading in briefly. Nothing unless paused.
  void resume();

  bool paused() const;

  // Moves playback to seconds (clamped to the track): the clock reads from there, the spectrum
  // is taken there and the output plays on from there (fading in); a paused stream stays paused
  // there. Waits until the spectrum's frames there are decoded. Nothing before play().
  void seek(double seconds);

  // The play position of what is heard in whole milliseconds: seconds * 1000.0 in double,
  // truncated toward zero (1.9999 s gives 1999). Never smaller than the previous reading (until a
  // seek), at most the track's length, still while paused; 0 before play().
  std::int32_t clockMs();

  // False once the track has been heard to its end (and before play()); true while paused.
  bool isActive();

  // Fills spectrum with the 1024 magnitudes of the 2048 samples heard from the current position
  // on; right after play, resume or seek, until the clock is read again, from the moment playing
  // began at (as a recording from that moment takes it). A failure (not open, still decoding)
  // leaves spectrum as it was. Allocates nothing.
  void fetchSpectrum();

  // The track's length in seconds, waiting for the decoding if needed; 0 when not open.
  double lengthSeconds();

  // Offline output: the position every later reading reports, in seconds (clamped to the track).
  void setOfflinePosition(double seconds);

  // What is wrong with the file, once it is measured (with wait, waiting for that): null when it
  // holds the whole show (kShowSeconds, less 50 ms) and decodes to its end, also while it is still
  // measured without wait and when nothing is open. Otherwise one line that names the file and
  // what was found: "PATH holds 7.2 s of the show's 158 s: the file is damaged or cut short", or
  // "PATH fails to decode after 170.2 s: the file is damaged" for damage after the show's length.
  // shortName: the file's name instead of its path, for the intro screen (under 80 characters).
  // The text stays valid while the stream is open.
  const char* damage(bool wait, bool shortName = false);

  float* spectrum = nullptr;  // 1024 magnitudes, owned

 private:
  struct Playback;

  double heardSeconds();
  // Starts the output at seconds (a moment within the track), fading in unless it is the start.
  bool startAt(double seconds);
  // The spectrum is taken at seconds until the clock is read again; waits for its frames.
  void takeSpectrumAt(double seconds);

  MusicOutput output_ = MusicOutput::Automatic;
  const char* notice_ = nullptr;
  std::string path_;  // as opened
  std::unique_ptr<Playback> playback_;
};

}  // namespace glimmer
