// The show's one random generator. The scenes' layouts depend on its exact rule:
// state' = state * 214013 + 2531011 (mod 2^32), result (state' >> 16) & 0x7FFF.
// A program that never seeds starts from state 1.
#pragma once

#include <cstdint>

namespace glimmer {

// Sets the generator's state to the seed.
void srand(std::uint32_t seed);

// Advances the state and returns a value in [0, 32767].
int rand();

}  // namespace glimmer
