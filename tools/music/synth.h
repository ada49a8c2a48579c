// Building blocks of the soundtrack generator: oscillators, envelopes, filters, noise, delay and
// reverb, all at 44100 frames per second. Every block is deterministic: the same calls in the same
// order give the same samples on every run (noise comes from a seeded xorshift, never from a
// clock). The blocks are small value types; the delay and the reverb allocate their lines once
// when constructed and never again.
#pragma once

#include <cstdint>
#include <vector>

namespace glimmer::synth {

inline constexpr int kSampleRate = 44100;
inline constexpr double kPi = 3.14159265358979323846;

// Frequency in Hz of a note number on the MIDI scale (69 = A4 = 440 Hz, 12 per octave).
double noteFrequency(double note);

// White noise in [-1, 1): xorshift32. A zero seed is replaced by a fixed non-zero one.
class Noise {
 public:
  explicit Noise(std::uint32_t seed);
  float next();

 private:
  std::uint32_t state;
};

// Band-limited sawtooth in [-1, 1] (polyBLEP corrected), starting at the given phase in [0, 1).
class Saw {
 public:
  explicit Saw(double startPhase = 0.0) : phase(startPhase) {}
  float next(double frequencyHz);

 private:
  double phase;
};

// Band-limited pulse in [-1, 1]; width is the high part of the period, in (0, 1).
class Pulse {
 public:
  explicit Pulse(double startPhase = 0.0) : phase(startPhase) {}
  float next(double frequencyHz, double width);

 private:
  double phase;
};

// Sine whose frequency may change every sample (the phase is integrated, so sweeps are smooth).
class Sine {
 public:
  explicit Sine(double startPhase = 0.0) : phase(startPhase) {}
  float next(double frequencyHz);

 private:
  double phase;  // in cycles, [0, 1)
};

// Zero-delay-feedback state-variable filter (trapezoidal integration): one input sample gives the
// low-, band- and high-pass outputs at once. Stable for any cutoff below half the sample rate.
class StateVariableFilter {
 public:
  struct Output {
    float low;
    float band;
    float high;
  };
  // cutoffHz is clamped to [10, 20000]; q is the resonance (0.5 soft, 0.707 flat, higher rings).
  void setup(double cutoffHz, double q);
  Output process(float input);

 private:
  double a1 = 0.0, a2 = 0.0, a3 = 0.0, damping = 1.414;
  double state1 = 0.0, state2 = 0.0;
};

// Fourth-order high-pass (two filters in cascade, Butterworth q values).
class HighPass4 {
 public:
  explicit HighPass4(double cutoffHz);
  float process(float input);

 private:
  StateVariableFilter first, second;
};

// Attack-decay-sustain-release level at `time` seconds after the note began, for a note held
// `gate` seconds: linear attack, exponential decay towards sustain, exponential release after the
// gate. 0 before the note; tends to 0 after the release.
float adsr(double time, double gate, double attack, double decay, double sustain, double release);

// Equal-power pan: position -1 (left) .. 1 (right); writes the two channel gains.
void panGains(double position, float& left, float& right);

// Stereo ping-pong delay: the left input echoes on the right and back, each echo darker.
class PingPongDelay {
 public:
  PingPongDelay(double delaySeconds, float feedback, double dampingHz);
  PingPongDelay(const PingPongDelay&) = delete;
  PingPongDelay& operator=(const PingPongDelay&) = delete;
  // Adds the wet echoes of (inLeft, inRight) to (outLeft, outRight).
  void process(float inLeft, float inRight, float& outLeft, float& outRight);

 private:
  std::vector<float> leftLine, rightLine;
  std::size_t position = 0;
  float feedback;
  float dampingCoefficient;
  float leftDamped = 0.0f, rightDamped = 0.0f;
};

// Stereo reverb: a feedback delay network of eight damped lines mixed by a Householder matrix,
// after a short pre-delay. Left feeds the even lines, right the odd ones.
class Reverb {
 public:
  Reverb(double decaySeconds, double dampingHz, double preDelaySeconds);
  Reverb(const Reverb&) = delete;
  Reverb& operator=(const Reverb&) = delete;
  // Adds the wet signal of (inLeft, inRight) to (outLeft, outRight).
  void process(float inLeft, float inRight, float& outLeft, float& outRight);

 private:
  static constexpr int kLines = 8;
  std::vector<float> lines[kLines];
  std::size_t positions[kLines] = {};
  float gains[kLines] = {};
  float damped[kLines] = {};
  float dampingCoefficient;
  std::vector<float> preLeft, preRight;
  std::size_t prePosition = 0;
};

}  // namespace glimmer::synth
