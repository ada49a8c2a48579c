// The show's asset generators: every mesh and image under data/ (except the music) is made here,
// from nothing but code and a Debian font, so the same source always gives the same bytes.
#pragma once

#include <string>

namespace glimmer {

// Writes cube, isphere, cone, torus3, spike and spike2 (.obj and .mtl) into directory.
// False, after printing the failing file name to standard error, when a file cannot be written.
bool writeMeshes(const std::string& directory);

// Writes the seven PNG images into directory; text is set in the DejaVu fonts found in
// fontDirectory. False, after printing what failed to standard error, on any failure.
bool writeImages(const std::string& directory, const std::string& fontDirectory);

}  // namespace glimmer
