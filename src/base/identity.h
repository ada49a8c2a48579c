// The show's name as the display and the recordings title it, and the program's version (set
// once, in the build: the project's version).
#pragma once

namespace glimmer {

inline constexpr const char* kShowTitle = "vrax - Glimmerfolding";
inline constexpr const char* kProgramVersion = GLIMMER_VERSION;

}  // namespace glimmer
