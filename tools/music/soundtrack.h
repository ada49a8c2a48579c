// The show's soundtrack as a program: the score (sections, chords, melodies, drum patterns) and the
// instruments that play it, mixed to stereo at 44100 frames per second.
//
// 120 beats per minute, A minor. The sections follow the picture: an intro that builds under the
// three title cards (accents at 0, 22 and 34 s), the drop at 55 s, a bass-driven part at 84 s, a
// melodic breakdown at 114 s, the climax at 136 s and an outro from 148 s that ends at 158 s.
// Two half bars (54-55 s and 83-84 s) are fills that carry the bar grid onto those times.
#pragma once

#include <cstddef>
#include <vector>

namespace glimmer::soundtrack {

inline constexpr int kSampleRate = 44100;
inline constexpr double kLengthSeconds = 158.0;

// Renders the first `seconds` seconds of the piece (clamped to [0, kLengthSeconds]) into
// `interleaved` as left, right float pairs. The master gain is fixed, so an excerpt is the same
// signal as the start of the whole piece; peaks stay below 1 but are not normalised. Deterministic.
void render(double seconds, std::vector<float>& interleaved);

// Scales `interleaved` so that its largest absolute sample equals `peak`; returns the factor used
// (1 for silence).
float normalise(std::vector<float>& interleaved, float peak);

}  // namespace glimmer::soundtrack
