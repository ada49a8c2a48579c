// Oscillators, envelopes, filters, noise, delay and reverb of the soundtrack generator.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace glimmer::synth {
namespace {

// polyBLEP residual for a unit step at phase 0 of a cycle advancing `increment` per sample:
// subtracting it from a naive edge removes most of the aliasing of the jump.
double polyBlep(double phase, double increment) {
  if (phase < increment) {
    const double x = phase / increment;
    return x + x - x * x - 1.0;
  }
  if (phase > 1.0 - increment) {
    const double x = (phase - 1.0) / increment;
    return x * x + x + x + 1.0;
  }
  return 0.0;
}

double wrap(double phase) { return phase - std::floor(phase); }

}  // namespace

double noteFrequency(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }

Noise::Noise(std::uint32_t seed) : state(seed == 0 ? 0x9E3779B9u : seed) {}

float Noise::next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return static_cast<float>(static_cast<std::int32_t>(state)) * (1.0f / 2147483648.0f);
}

float Saw::next(double frequencyHz) {
  const double increment = frequencyHz / kSampleRate;
  const double value = 2.0 * phase - 1.0 - polyBlep(phase, increment);
  phase = wrap(phase + increment);
  return static_cast<float>(value);
}

float Pulse::next(double frequencyHz, double width) {
  const double increment = frequencyHz / kSampleRate;
  double value = phase < width ? 1.0 : -1.0;
  value += polyBlep(phase, increment);
  value -= polyBlep(wrap(phase + 1.0 - width), increment);
  phase = wrap(phase + increment);
  return static_cast<float>(value);
}

float Sine::next(double frequencyHz) {
  const double value = std::sin(2.0 * kPi * phase);
  phase = wrap(phase + frequencyHz / kSampleRate);
  return static_cast<float>(value);
}

void StateVariableFilter::setup(double cutoffHz, double q) {
  const double cutoff = std::clamp(cutoffHz, 10.0, 20000.0);
  const double g = std::tan(kPi * cutoff / kSampleRate);
  damping = 1.0 / std::max(q, 0.05);
  a1 = 1.0 / (1.0 + g * (g + damping));
  a2 = g * a1;
  a3 = g * a2;
}

StateVariableFilter::Output StateVariableFilter::process(float input) {
  const double v3 = input - state2;
  const double v1 = a1 * state1 + a2 * v3;
  const double v2 = state2 + a2 * state1 + a3 * v3;
  state1 = 2.0 * v1 - state1;
  state2 = 2.0 * v2 - state2;
  return {static_cast<float>(v2), static_cast<float>(v1), static_cast<float>(input - damping * v1 - v2)};
}

HighPass4::HighPass4(double cutoffHz) {
  first.setup(cutoffHz, 0.5412);
  second.setup(cutoffHz, 1.3066);
}

float HighPass4::process(float input) { return second.process(first.process(input).high).high; }

float adsr(double time, double gate, double attack, double decay, double sustain, double release) {
  if (time < 0.0) return 0.0f;
  auto held = [&](double at) {
    if (at < attack) return at / attack;
    return sustain + (1.0 - sustain) * std::exp(-(at - attack) / decay);
  };
  if (time < gate) return static_cast<float>(held(time));
  return static_cast<float>(held(gate) * std::exp(-(time - gate) / release));
}

void panGains(double position, float& left, float& right) {
  const double angle = (std::clamp(position, -1.0, 1.0) + 1.0) * kPi / 4.0;
  left = static_cast<float>(std::cos(angle));
  right = static_cast<float>(std::sin(angle));
}

PingPongDelay::PingPongDelay(double delaySeconds, float feedbackGain, double dampingHz)
    : leftLine(static_cast<std::size_t>(delaySeconds * kSampleRate), 0.0f),
      rightLine(leftLine.size(), 0.0f),
      feedback(feedbackGain),
      dampingCoefficient(static_cast<float>(1.0 - std::exp(-2.0 * kPi * dampingHz / kSampleRate))) {}

void PingPongDelay::process(float inLeft, float inRight, float& outLeft, float& outRight) {
  const float echoLeft = leftLine[position];
  const float echoRight = rightLine[position];
  leftDamped += dampingCoefficient * (echoLeft - leftDamped);
  rightDamped += dampingCoefficient * (echoRight - rightDamped);
  // The mono sum enters on the left; each echo crosses to the other side.
  leftLine[position] = 0.5f * (inLeft + inRight) + feedback * rightDamped;
  rightLine[position] = feedback * leftDamped;
  position = (position + 1) % leftLine.size();
  outLeft += echoLeft;
  outRight += echoRight;
}

Reverb::Reverb(double decaySeconds, double dampingHz, double preDelaySeconds)
    : dampingCoefficient(static_cast<float>(1.0 - std::exp(-2.0 * kPi * dampingHz / kSampleRate))),
      preLeft(std::max<std::size_t>(1, static_cast<std::size_t>(preDelaySeconds * kSampleRate)), 0.0f),
      preRight(preLeft.size(), 0.0f) {
  // Mutually prime lengths between 25 and 60 ms keep the echoes from lining up into a flutter.
  static constexpr int kLengths[kLines] = {1117, 1277, 1429, 1597, 1733, 1913, 2087, 2371};
  for (int line = 0; line < kLines; ++line) {
    lines[line].assign(static_cast<std::size_t>(kLengths[line]), 0.0f);
    // Each pass through a line of n samples loses 60 dB * n / (decay * rate).
    gains[line] = static_cast<float>(std::pow(10.0, -3.0 * kLengths[line] / (decaySeconds * kSampleRate)));
  }
}

void Reverb::process(float inLeft, float inRight, float& outLeft, float& outRight) {
  const float delayedLeft = preLeft[prePosition];
  const float delayedRight = preRight[prePosition];
  preLeft[prePosition] = inLeft;
  preRight[prePosition] = inRight;
  prePosition = (prePosition + 1) % preLeft.size();

  float outputs[kLines];
  float sum = 0.0f;
  for (int line = 0; line < kLines; ++line) {
    const float value = lines[line][positions[line]];
    damped[line] += dampingCoefficient * (value - damped[line]);
    outputs[line] = damped[line] * gains[line];
    sum += outputs[line];
  }
  // Householder mixing: every line receives its own output minus a quarter of the sum.
  const float mix = sum * (2.0f / kLines);
  float wetLeft = 0.0f, wetRight = 0.0f;
  for (int line = 0; line < kLines; ++line) {
    const float input = (line % 2 == 0) ? delayedLeft : delayedRight;
    lines[line][positions[line]] = outputs[line] - mix + input;
    positions[line] = (positions[line] + 1) % lines[line].size();
    if (line % 2 == 0) {
      wetLeft += outputs[line];
    } else {
      wetRight += outputs[line];
    }
  }
  outLeft += wetLeft * 0.5f;
  outRight += wetRight * 0.5f;
}

}  // namespace glimmer::synth
