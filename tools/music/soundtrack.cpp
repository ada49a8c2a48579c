// The score and the instruments of the soundtrack.
//
// Every note is rendered on its own into a bus (a voice is a few oscillators, a filter and an
// envelope, started fresh for the note), so the order of notes does not matter and nothing depends
// on where an excerpt ends. The buses are then mixed: the kick alone, the sub bass ducked under
// the kick, and the bed (everything else with its reverb and delay returns) ducked more gently and
// cut below the sub. The cut keeps the band around 108 Hz, which the spiky scene turns into a grey
// flash, to the kick: between kicks that band stays quiet, and every kick lights it for the
// 100-200 ms its tuned overtone rings.
#include "soundtrack.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "synth.h"

namespace glimmer::soundtrack {
namespace {

using synth::adsr;
using synth::noteFrequency;

constexpr double kStep = 0.125;  // a sixteenth at 120 beats per minute
constexpr double kBeat = 0.5;
constexpr double kBar = 2.0;

// Where a voice goes: its place in the stereo field and how much it feeds the effects.
struct Placement {
  double pan = 0.0;
  float reverb = 0.0f;
  float delay = 0.0f;
};

struct Mix {
  std::size_t frames = 0;
  std::vector<float> kick;  // mono, never ducked
  std::vector<float> sub;   // mono, ducked hard under the kick
  std::vector<float> bedLeft, bedRight;
  std::vector<float> reverbLeft, reverbRight;
  std::vector<float> delayLeft, delayRight;
  std::vector<double> kickTimes;  // seconds, for the ducking

  explicit Mix(std::size_t frameCount)
      : frames(frameCount),
        kick(frameCount),
        sub(frameCount),
        bedLeft(frameCount),
        bedRight(frameCount),
        reverbLeft(frameCount),
        reverbRight(frameCount),
        delayLeft(frameCount),
        delayRight(frameCount) {}

  // Frames [first, last) of a voice that starts at `time` and lasts `duration`, clipped to the mix.
  std::size_t firstFrame(double time) const {
    return std::min(frames, static_cast<std::size_t>(std::max(0.0, std::round(time * kSampleRate))));
  }
  std::size_t lastFrame(double time, double duration) const { return firstFrame(time + duration); }

  void addBed(std::size_t frame, float left, float right, const Placement& place) {
    float panLeft = 0.0f, panRight = 0.0f;
    synth::panGains(place.pan, panLeft, panRight);
    left *= panLeft * 1.4142f;
    right *= panRight * 1.4142f;
    bedLeft[frame] += left;
    bedRight[frame] += right;
    reverbLeft[frame] += left * place.reverb;
    reverbRight[frame] += right * place.reverb;
    delayLeft[frame] += left * place.delay;
    delayRight[frame] += right * place.delay;
  }
};

// Seeds for the noise of each hit: the time in frames mixed with an instrument number, so every
// hit has its own grain and the same hit always the same grain.
std::uint32_t seedFor(double time, std::uint32_t instrument) {
  return static_cast<std::uint32_t>(std::llround(time * kSampleRate)) * 2654435761u + instrument * 40503u + 1u;
}

// ---- Drums ----

// Kick tuned to the key. Its body is a sine whose pitch falls from about 355 Hz onto A1 within a
// few milliseconds, with a short click on top; under it rings a second partial, like a drum skin's
// overtone, that drops from about 510 Hz onto A2 and dies away with a 110 ms time constant. The
// falls through 215 Hz light the falling shapes' cluster on the beat. The ringing A2 sits in the
// band around 108 Hz that the spiky scene reads, so its flash swells over a few frames and fades
// with the overtone instead of blinking for one frame.
void kick(Mix& mix, double time, float gain) {
  mix.kickTimes.push_back(time);
  const double root = noteFrequency(33), octave = noteFrequency(45);  // A1, A2
  synth::Sine body, overtone(0.25);  // the overtone starts on its crest, under the attack
  synth::Noise noise(seedFor(time, 1));
  synth::StateVariableFilter clickFilter;
  clickFilter.setup(1800.0, 0.7);
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, 0.45);
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    const double attack = t < 0.001 ? t / 0.001 : 1.0;
    const double bodyLevel = attack * std::exp(-t / 0.17);
    const double overtoneLevel = 0.3 * attack * std::exp(-t / 0.11);
    const float click = clickFilter.process(noise.next()).high * static_cast<float>(std::exp(-t / 0.003));
    const float bodyValue = static_cast<float>(bodyLevel) * body.next(root + 300.0 * std::exp(-t / 0.001));
    const float overtoneValue =
        static_cast<float>(overtoneLevel) * overtone.next(octave + 400.0 * std::exp(-t / 0.006));
    mix.kick[frame] += gain * (bodyValue + overtoneValue + 0.35f * click);
  }
}

// Hi-hat: high-passed noise; open hats ring longer.
void hat(Mix& mix, double time, bool open, float gain, double pan) {
  synth::Noise noise(seedFor(time, 2));
  synth::StateVariableFilter filter;
  filter.setup(7500.0, 0.9);
  const double decay = open ? 0.22 : 0.032;
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, decay * 6.0);
  const Placement place{pan, 0.10f, 0.0f};
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    const float value = gain * filter.process(noise.next()).high * static_cast<float>(std::exp(-t / decay));
    mix.addBed(frame, value, value, place);
  }
}

// Clap with a snare's tuned body: three quick noise bursts and a tail through a band-pass, over a
// short tone near 215 Hz. The tone is what makes the falling shapes' cluster pulse on 2 and 4.
void clap(Mix& mix, double time, float gain, float bodyGain) {
  synth::Noise noise(seedFor(time, 3));
  synth::StateVariableFilter filter;
  filter.setup(1400.0, 1.1);
  synth::Sine body;
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, 0.6);
  const Placement place{0.0, 0.25f, 0.0f};
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    double envelope = std::exp(-std::max(0.0, t - 0.024) / 0.11);
    for (double burst : {0.0, 0.011, 0.022}) {
      if (t >= burst) envelope = std::max(envelope, std::exp(-(t - burst) / 0.005));
    }
    const float tone = body.next(214.0 - 20.0 * std::exp(-t / 0.01)) * static_cast<float>(std::exp(-t / 0.07));
    const float value =
        gain * (filter.process(noise.next()).band * static_cast<float>(envelope) * 1.8f + bodyGain * tone);
    mix.addBed(frame, value, value, place);
  }
}

// Snare for rolls and fills: band-passed noise over a short tone.
void snare(Mix& mix, double time, float gain) {
  synth::Noise noise(seedFor(time, 4));
  synth::StateVariableFilter filter;
  filter.setup(2600.0, 0.6);
  synth::Sine body;
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, 0.3);
  const Placement place{0.1, 0.3f, 0.0f};
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    const float noisePart = filter.process(noise.next()).band * static_cast<float>(std::exp(-t / 0.06));
    const float tone = body.next(230.0) * static_cast<float>(std::exp(-t / 0.03));
    const float value = gain * (1.6f * noisePart + 0.5f * tone);
    mix.addBed(frame, value, value, place);
  }
}

// Crash cymbal: two decorrelated noises, high-passed, with a long decay.
void crash(Mix& mix, double time, float gain) {
  synth::Noise leftNoise(seedFor(time, 5)), rightNoise(seedFor(time, 6));
  synth::StateVariableFilter leftFilter, rightFilter;
  leftFilter.setup(4200.0, 0.8);
  rightFilter.setup(4600.0, 0.8);
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, 3.5);
  const Placement place{0.0, 0.3f, 0.0f};
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    const float envelope = gain * static_cast<float>((t < 0.004 ? t / 0.004 : 1.0) * std::exp(-t / 0.9));
    mix.addBed(frame, envelope * leftFilter.process(leftNoise.next()).high,
               envelope * rightFilter.process(rightNoise.next()).high, place);
  }
}

// Impact for the title cards and the end: a deep falling boom with a crash and a wash of reverb.
void impact(Mix& mix, double time, float gain) {
  synth::Sine boom;
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, 4.0);
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    const double frequency = 36.0 + 40.0 * std::exp(-t / 0.15);
    const double level = (t < 0.005 ? t / 0.005 : 1.0) * std::exp(-t / 0.9);
    mix.kick[frame] += gain * 0.8f * static_cast<float>(level) * boom.next(frequency);
  }
  crash(mix, time, gain * 0.5f);
}

// Riser: noise through a resonant band-pass sweeping up, swelling towards its end.
void riser(Mix& mix, double time, double duration, float gain) {
  synth::Noise noise(seedFor(time, 7));
  synth::StateVariableFilter filter;
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, duration);
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    const double progress = t / duration;
    if ((frame - first) % 32 == 0) filter.setup(400.0 * std::pow(20.0, progress), 2.5);
    const float value = gain * static_cast<float>(progress * progress) * filter.process(noise.next()).band;
    const Placement place{0.6 * std::sin(2.0 * synth::kPi * 0.5 * t), 0.4f, 0.0f};
    mix.addBed(frame, value, value, place);
  }
}

// ---- Bass ----

// Sub bass: a pure sine, so it puts nothing above its own pitch (A1, F1, G1 and C2 all lie
// below 66 Hz, out of the 108 Hz band).
void sub(Mix& mix, double time, double duration, int note, float gain) {
  synth::Sine sine;
  const double frequency = noteFrequency(note);
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, duration + 0.2);
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    mix.sub[frame] += gain * adsr(t, duration, 0.006, 1.0, 1.0, 0.03) * sine.next(frequency);
  }
}

// Mid bass: two detuned saws through a resonant low-pass whose cutoff snaps open and falls back
// (the acid line when the resonance is high).
void midBass(Mix& mix, double time, double duration, int note, float gain, double cutoff, double sweep,
             double resonance) {
  synth::Saw first(0.0), second(0.37);
  synth::StateVariableFilter filter;
  const double frequency = noteFrequency(note);
  const std::size_t begin = mix.firstFrame(time), end = mix.lastFrame(time, duration + 0.1);
  const Placement place{0.0, 0.05f, 0.08f};
  for (std::size_t frame = begin; frame < end; ++frame) {
    const double t = static_cast<double>(frame - begin) / kSampleRate;
    if ((frame - begin) % 16 == 0) filter.setup(cutoff + sweep * std::exp(-t / 0.09), resonance);
    const float raw = 0.5f * (first.next(frequency * 1.0035) + second.next(frequency * 0.9965));
    const float value = gain * adsr(t, duration, 0.003, 0.2, 0.75, 0.02) * filter.process(raw).low;
    mix.addBed(frame, value, value, place);
  }
}

// ---- Harmony and melody ----

struct Chord {
  int bass;      // sub bass note
  int notes[4];  // pad voicing
};

constexpr Chord kAm{33, {57, 60, 64, 71}};
constexpr Chord kF{29, {57, 60, 65, 69}};
constexpr Chord kC{36, {55, 60, 64, 67}};
constexpr Chord kG{31, {55, 59, 62, 67}};
constexpr Chord kEm{28, {55, 59, 64, 67}};

constexpr Chord kMainProgression[4] = {kAm, kF, kC, kG};
constexpr Chord kBreakdownProgression[4] = {kF, kC, kG, kAm};
constexpr Chord kBassProgression[4] = {kAm, kAm, kF, kG};

// Pad: per side two detuned saws per note, one low-pass per side, slow attack and release.
void pad(Mix& mix, double time, double duration, const Chord& chord, float gain, double cutoff) {
  constexpr double kDetuneLeft[2] = {-0.11, 0.07};
  constexpr double kDetuneRight[2] = {-0.06, 0.12};
  synth::Saw left[4][2], right[4][2];
  for (int note = 0; note < 4; ++note) {
    for (int voice = 0; voice < 2; ++voice) {
      left[note][voice] = synth::Saw(0.13 * note + 0.41 * voice);
      right[note][voice] = synth::Saw(0.29 * note + 0.17 * voice);
    }
  }
  double leftFrequency[4][2], rightFrequency[4][2];
  for (int note = 0; note < 4; ++note) {
    for (int voice = 0; voice < 2; ++voice) {
      leftFrequency[note][voice] = noteFrequency(chord.notes[note] + kDetuneLeft[voice]);
      rightFrequency[note][voice] = noteFrequency(chord.notes[note] + kDetuneRight[voice]);
    }
  }
  synth::StateVariableFilter leftFilter, rightFilter;
  leftFilter.setup(cutoff, 0.8);
  rightFilter.setup(cutoff * 1.05, 0.8);
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, duration + 1.6);
  const Placement place{0.0, 0.35f, 0.0f};
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    float sumLeft = 0.0f, sumRight = 0.0f;
    for (int note = 0; note < 4; ++note) {
      for (int voice = 0; voice < 2; ++voice) {
        sumLeft += left[note][voice].next(leftFrequency[note][voice]);
        sumRight += right[note][voice].next(rightFrequency[note][voice]);
      }
    }
    const float level = gain * 0.125f * adsr(t, duration, 0.35, 1.2, 0.8, 0.45);
    mix.addBed(frame, level * leftFilter.process(sumLeft).low, level * rightFilter.process(sumRight).low, place);
  }
}

// Pluck: a narrow pulse through a low-pass that closes quickly; used for the arpeggios.
void pluck(Mix& mix, double time, int note, float gain, double brightness, double pan) {
  synth::Pulse pulse;
  synth::StateVariableFilter filter;
  const double frequency = noteFrequency(note);
  const std::size_t first = mix.firstFrame(time), last = mix.lastFrame(time, 0.45);
  const Placement place{pan, 0.25f, 0.3f};
  for (std::size_t frame = first; frame < last; ++frame) {
    const double t = static_cast<double>(frame - first) / kSampleRate;
    if ((frame - first) % 16 == 0) filter.setup(300.0 + brightness * 5000.0 * std::exp(-t / 0.06), 1.2);
    const float value = gain * static_cast<float>(std::exp(-t / 0.12)) * filter.process(pulse.next(frequency, 0.3)).low;
    mix.addBed(frame, value, value, place);
  }
}

// Lead: two detuned saws and a square an octave down, a delayed vibrato, a warm low-pass.
void lead(Mix& mix, double time, double duration, int note, float gain, double brightness) {
  synth::Saw first(0.0), second(0.5);
  synth::Pulse lower(0.25);
  synth::Sine vibrato;
  synth::StateVariableFilter leftFilter, rightFilter;
  leftFilter.setup(900.0 + 3200.0 * brightness, 1.0);
  rightFilter.setup(1000.0 + 3400.0 * brightness, 1.0);
  const std::size_t begin = mix.firstFrame(time), end = mix.lastFrame(time, duration + 0.6);
  const Placement place{0.0, 0.3f, 0.35f};
  for (std::size_t frame = begin; frame < end; ++frame) {
    const double t = static_cast<double>(frame - begin) / kSampleRate;
    const double depth = std::clamp((t - 0.18) / 0.3, 0.0, 1.0) * 0.18;
    const double frequency = noteFrequency(note + depth * vibrato.next(5.6));
    const float a = first.next(frequency * 1.004), b = second.next(frequency * 0.996);
    const float c = lower.next(frequency * 0.5, 0.5);
    const float level = gain * adsr(t, duration, 0.012, 0.35, 0.7, 0.12);
    mix.addBed(frame, level * leftFilter.process(0.45f * a + 0.3f * b + 0.25f * c).low,
               level * rightFilter.process(0.3f * a + 0.45f * b + 0.25f * c).low, place);
  }
}

struct MelodyNote {
  int step;    // sixteenth within a four-bar phrase, 0 .. 63
  int length;  // in sixteenths
  int note;
};

// The theme over Am F C G, and its answer.
constexpr MelodyNote kTheme[] = {{0, 3, 76},  {3, 1, 74},  {4, 2, 72},  {6, 2, 71},  {8, 4, 72},  {12, 4, 69},
                                 {16, 2, 69}, {18, 2, 72}, {20, 6, 77}, {26, 2, 76}, {28, 4, 72}, {32, 3, 79},
                                 {35, 1, 76}, {36, 4, 72}, {40, 2, 76}, {42, 2, 79}, {44, 4, 81}, {48, 6, 79},
                                 {54, 2, 74}, {56, 4, 71}, {60, 2, 74}, {62, 2, 76}};
constexpr MelodyNote kAnswer[] = {{0, 3, 76},  {3, 1, 74},  {4, 2, 72},  {6, 2, 71},  {8, 4, 72},
                                  {12, 2, 74}, {14, 2, 76}, {16, 2, 77}, {18, 2, 76}, {20, 6, 72},
                                  {26, 2, 69}, {28, 4, 72}, {32, 3, 79}, {35, 1, 81}, {36, 4, 79},
                                  {40, 2, 76}, {42, 2, 72}, {44, 4, 76}, {48, 8, 71}, {56, 8, 69}};
// The slow theme of the breakdown, over F C G Am.
constexpr MelodyNote kSlowTheme[] = {{0, 6, 72},  {6, 2, 74},  {8, 8, 76},  {16, 6, 76},  {22, 2, 74}, {24, 8, 72},
                                     {32, 6, 74}, {38, 2, 72}, {40, 8, 71}, {48, 12, 69}, {60, 4, 71}};

template <std::size_t count>
void phrase(Mix& mix, double start, const MelodyNote (&notes)[count], int transpose, float gain, double brightness) {
  for (const MelodyNote& note : notes) {
    lead(mix, start + note.step * kStep, note.length * kStep * 0.92, note.note + transpose, gain, brightness);
  }
}

// Sixteenth arpeggio over one bar of a chord, an octave above the pad.
void arpeggio(Mix& mix, double barStart, const Chord& chord, float gain, double brightness) {
  constexpr int kOrder[16] = {0, 1, 2, 3, 2, 1, 2, 3, 0, 2, 1, 3, 2, 3, 1, 2};
  for (int step = 0; step < 16; ++step) {
    pluck(mix, barStart + step * kStep, chord.notes[kOrder[step]] + 12, gain, brightness, step % 2 == 0 ? -0.45 : 0.45);
  }
}

// ---- Drum and bass patterns, one bar each ----

void fourOnTheFloor(Mix& mix, double barStart, float gain) {
  for (int beat = 0; beat < 4; ++beat) kick(mix, barStart + beat * kBeat, gain);
}

void backbeat(Mix& mix, double barStart, float gain) {
  clap(mix, barStart + 1 * kBeat, gain, 0.6f);
  clap(mix, barStart + 3 * kBeat, gain, 0.6f);
}

// Closed hats on every sixteenth (accented off-beats) and an open hat on every off-beat.
void hats(Mix& mix, double barStart, float gain, bool sixteenths, bool openOffbeats) {
  for (int step = 0; step < 16; ++step) {
    const bool offbeat = step % 4 == 2;
    if (offbeat && openOffbeats) {
      hat(mix, barStart + step * kStep, true, gain * 0.7f, 0.2);
    } else if (sixteenths || offbeat) {
      hat(mix, barStart + step * kStep, false, gain * (offbeat ? 1.0f : 0.55f), step % 2 ? 0.3 : -0.3);
    }
  }
}

// Rolling off-beat bass: sub and mid bass on the "and" of every beat.
void offbeatBass(Mix& mix, double barStart, const Chord& chord, float gain, double brightness) {
  for (int beat = 0; beat < 4; ++beat) {
    const double time = barStart + beat * kBeat + 2 * kStep;
    sub(mix, time, 0.2, chord.bass, gain);
    midBass(mix, time, 0.2, chord.bass + 24, gain * 0.35f, 300.0 + 500.0 * brightness, 1600.0 * brightness, 1.0);
  }
}

// The acid line of the bass part: sixteenths with rests, octave jumps and accents; the sub holds
// the root underneath.
void acidBar(Mix& mix, double barStart, const Chord& chord, float gain, double openness) {
  constexpr int kRest = -100;
  constexpr int kLine[16] = {0, 0, 12, 0, kRest, 0, 10, 12, 0, kRest, 7, 0, 12, 0, 3, 5};
  constexpr bool kAccent[16] = {true, false, false, false, false, false, true, false,
                                true, false, false, false, false, false, true, false};
  for (int step = 0; step < 16; ++step) {
    if (kLine[step] == kRest) continue;
    const double cutoff = 250.0 + 700.0 * openness;
    const double sweep = (kAccent[step] ? 2600.0 : 1200.0) * openness;
    midBass(mix, barStart + step * kStep, kStep * 0.8, chord.bass + 24 + kLine[step],
            gain * (kAccent[step] ? 1.0f : 0.7f), cutoff, sweep, 4.5);
  }
  for (int beat = 0; beat < 4; ++beat) sub(mix, barStart + beat * kBeat + 0.06, kBeat - 0.1, chord.bass, gain * 1.6f);
}

void snareRoll(Mix& mix, double start, double duration, double stepLength, float fromGain, float toGain) {
  const int count = static_cast<int>(std::lround(duration / stepLength));
  for (int hit = 0; hit < count; ++hit) {
    const float progress = static_cast<float>(hit) / static_cast<float>(std::max(1, count - 1));
    snare(mix, start + hit * stepLength, fromGain + (toGain - fromGain) * progress);
  }
}

// ---- Sections ----

// 0 - 55 s: pads from silence, an arpeggio that opens up, hats, then a half-time kick, a build and
// a half-bar fill into the drop. Accents where the title cards appear: 0, 22 and 34 s.
void intro(Mix& mix) {
  for (int bar = 0; bar < 27; ++bar) {
    const double start = bar * kBar;
    const Chord& chord = kMainProgression[bar % 4];
    const double progress = bar / 26.0;
    pad(mix, start, kBar, chord, 0.28f + 0.3f * static_cast<float>(std::min(1.0, bar / 6.0)),
        500.0 + 2500.0 * progress);
    if (bar >= 4) arpeggio(mix, start, chord, 0.05f + 0.1f * static_cast<float>(progress), 0.15 + 0.7 * progress);
    if (bar >= 11 && bar < 24) hats(mix, start, 0.10f + 0.1f * static_cast<float>(progress), bar >= 17, false);
    if (bar >= 17 && bar < 24) {
      kick(mix, start, 0.75f);
      kick(mix, start + 2 * kBeat, 0.75f);
      sub(mix, start, kBar - 0.1, chord.bass, 0.25f);
    }
  }
  phrase(mix, 19 * kBar, kTheme, -12, 0.12f, 0.2);
  impact(mix, 0.0, 0.5f);
  riser(mix, 18.0, 4.0, 0.25f);
  impact(mix, 22.0, 0.7f);
  riser(mix, 30.0, 4.0, 0.3f);
  impact(mix, 34.0, 0.8f);
  // The build: snares from eighths to sixteenths, a long riser, then the half-bar fill.
  snareRoll(mix, 48.0, 4.0, 2 * kStep, 0.08f, 0.2f);
  snareRoll(mix, 52.0, 2.0, kStep, 0.2f, 0.35f);
  snareRoll(mix, 54.0, 0.75, kStep / 2, 0.35f, 0.5f);
  riser(mix, 47.0, 8.0, 0.45f);
  sub(mix, 48.0, 6.0, kG.bass, 0.2f);
}

// 55 - 84 s: the full beat with the theme; a half-bar fill at 83 s.
void drop(Mix& mix) {
  constexpr double kStart = 55.0;
  for (int bar = 0; bar < 14; ++bar) {
    const double start = kStart + bar * kBar;
    const Chord& chord = kMainProgression[bar % 4];
    fourOnTheFloor(mix, start, 1.0f);
    backbeat(mix, start, 0.45f);
    hats(mix, start, 0.22f, true, true);
    offbeatBass(mix, start, chord, 0.5f, 0.5 + 0.04 * bar);
    pad(mix, start, kBar, chord, 0.45f, 3200.0);
    arpeggio(mix, start, chord, 0.12f, 0.8);
  }
  phrase(mix, kStart, kTheme, 0, 0.22f, 0.8);
  phrase(mix, kStart + 4 * kBar, kAnswer, 0, 0.22f, 0.85);
  phrase(mix, kStart + 8 * kBar, kTheme, 12, 0.18f, 0.9);
  crash(mix, kStart, 0.35f);
  crash(mix, kStart + 8 * kBar, 0.3f);
  // Fill: kick and bass stop, a snare roll and a riser carry into the bass part.
  snareRoll(mix, 83.0, 1.0, kStep / 2, 0.25f, 0.5f);
  riser(mix, 81.0, 3.0, 0.3f);
}

// 84 - 114 s: bass-driven. The acid line leads, the pads drop out, claps enter after two bars.
void bassPart(Mix& mix) {
  constexpr double kStart = 84.0;
  for (int bar = 0; bar < 15; ++bar) {
    const double start = kStart + bar * kBar;
    const Chord& chord = kBassProgression[bar % 4];
    const double openness = 0.25 + 0.75 * std::sin(synth::kPi * bar / 14.0);
    fourOnTheFloor(mix, start, 1.0f);
    if (bar >= 2) backbeat(mix, start, 0.45f);
    hats(mix, start, 0.2f, bar >= 4, true);
    acidBar(mix, start, chord, 0.3f, openness);
    if (bar >= 8) arpeggio(mix, start, chord, 0.06f, 0.5);
    if (bar % 4 == 0) pad(mix, start, 0.4, chord, 0.3f, 2500.0);
  }
  crash(mix, kStart, 0.4f);
  crash(mix, kStart + 8 * kBar, 0.3f);
  riser(mix, 110.0, 4.0, 0.3f);
}

// 114 - 136 s: the breakdown. No drums; pads, the slow theme, arpeggio and a build at the end.
void breakdown(Mix& mix) {
  constexpr double kStart = 114.0;
  crash(mix, kStart, 0.4f);
  for (int bar = 0; bar < 11; ++bar) {
    const double start = kStart + bar * kBar;
    const Chord& chord = kBreakdownProgression[bar % 4];
    pad(mix, start, kBar, chord, 0.55f, 1800.0 + 150.0 * bar);
    sub(mix, start, kBar - 0.05, chord.bass, 0.3f);
    if (bar >= 2) arpeggio(mix, start, chord, 0.08f, 0.3 + 0.05 * bar);
  }
  phrase(mix, kStart, kSlowTheme, 0, 0.2f, 0.5);
  phrase(mix, kStart + 4 * kBar, kSlowTheme, 12, 0.16f, 0.6);
  snareRoll(mix, 132.0, 2.0, 2 * kStep, 0.08f, 0.2f);
  snareRoll(mix, 134.0, 2.0, kStep, 0.2f, 0.45f);
  riser(mix, 130.0, 6.0, 0.45f);
}

// 136 - 148 s: everything at once, the theme an octave up.
void climax(Mix& mix) {
  constexpr double kStart = 136.0;
  for (int bar = 0; bar < 6; ++bar) {
    const double start = kStart + bar * kBar;
    const Chord& chord = kMainProgression[bar % 4];
    fourOnTheFloor(mix, start, 1.0f);
    backbeat(mix, start, 0.5f);
    hats(mix, start, 0.24f, true, true);
    offbeatBass(mix, start, chord, 0.5f, 0.9);
    pad(mix, start, kBar, chord, 0.5f, 3800.0);
    arpeggio(mix, start, chord, 0.12f, 0.9);
  }
  phrase(mix, kStart, kTheme, 12, 0.2f, 1.0);
  for (const MelodyNote& note : kAnswer) {
    if (note.step < 32)
      lead(mix, kStart + 4 * kBar + note.step * kStep, note.length * kStep * 0.92, note.note + 12, 0.2f, 1.0);
  }
  crash(mix, kStart, 0.45f);
  crash(mix, kStart + 4 * kBar, 0.35f);
}

// 148 - 158 s: the last impact, a held A minor that fades, the theme's last note echoing away.
void outro(Mix& mix) {
  constexpr double kStart = 148.0;
  impact(mix, kStart, 0.9f);
  pad(mix, kStart, 5.0, kAm, 0.5f, 2200.0);
  sub(mix, kStart, 4.0, kAm.bass, 0.3f);
  lead(mix, kStart, 1.5, 81, 0.18f, 0.8);
  lead(mix, kStart + 1.5, 2.5, 76, 0.15f, 0.6);
  for (int step = 0; step < 24; ++step) {
    pluck(mix, kStart + step * kStep, kAm.notes[step % 4] + 12, 0.1f * static_cast<float>(1.0 - step / 24.0), 0.6,
          step % 2 == 0 ? -0.5 : 0.5);
  }
}

// Gain of a ducked bus at `since` seconds after the last kick: dips by `depth` within 5 ms and
// recovers with a 120 ms time constant.
float duckGain(double since, float depth) {
  if (since < 0.0) return 1.0f;
  const double dip = std::min(1.0, since / 0.005) * std::exp(-since / 0.12);
  return 1.0f - depth * static_cast<float>(dip);
}

}  // namespace

void render(double seconds, std::vector<float>& interleaved) {
  const double length = std::clamp(seconds, 0.0, kLengthSeconds);
  Mix mix(static_cast<std::size_t>(std::llround(length * kSampleRate)));
  intro(mix);
  drop(mix);
  bassPart(mix);
  breakdown(mix);
  climax(mix);
  outro(mix);
  std::sort(mix.kickTimes.begin(), mix.kickTimes.end());

  synth::Reverb reverb(2.6, 5500.0, 0.03);
  synth::PingPongDelay delay(0.375, 0.42f, 3500.0);
  synth::HighPass4 bedCutLeft(170.0), bedCutRight(170.0);
  constexpr float kMasterGain = 0.5f;

  interleaved.assign(mix.frames * 2, 0.0f);
  std::size_t nextKick = 0;
  double lastKick = -1.0;
  for (std::size_t frame = 0; frame < mix.frames; ++frame) {
    const double time = static_cast<double>(frame) / kSampleRate;
    while (nextKick < mix.kickTimes.size() && mix.kickTimes[nextKick] <= time) lastKick = mix.kickTimes[nextKick++];
    const double since = lastKick < 0.0 ? -1.0 : time - lastKick;

    float left = mix.bedLeft[frame], right = mix.bedRight[frame];
    reverb.process(mix.reverbLeft[frame], mix.reverbRight[frame], left, right);
    delay.process(mix.delayLeft[frame], mix.delayRight[frame], left, right);
    const float bedGain = duckGain(since, 0.45f);
    left = bedCutLeft.process(left) * bedGain;
    right = bedCutRight.process(right) * bedGain;

    const float low = mix.kick[frame] + mix.sub[frame] * duckGain(since, 0.9f);
    interleaved[2 * frame] = kMasterGain * (low + left);
    interleaved[2 * frame + 1] = kMasterGain * (low + right);
  }
}

float normalise(std::vector<float>& interleaved, float peak) {
  float largest = 0.0f;
  for (float sample : interleaved) largest = std::max(largest, std::fabs(sample));
  if (largest == 0.0f) return 1.0f;
  const float factor = peak / largest;
  for (float& sample : interleaved) sample *= factor;
  return factor;
}

}  // namespace glimmer::soundtrack
