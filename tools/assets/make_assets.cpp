// make_assets: writes every generated mesh and image of the show into one folder.
// Usage: make_assets <output folder> [<font folder>]   (fonts default to the DejaVu install)
#include <cstdio>
#include <string>

#include "generators.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_assets <output folder> [<font folder>]\n");
    return 2;
  }
  const std::string directory = argv[1];
  const std::string fontDirectory = argc == 3 ? argv[2] : "/usr/share/fonts/truetype/dejavu";
  if (!glimmer::writeMeshes(directory)) return 1;
  if (!glimmer::writeImages(directory, fontDirectory)) return 1;
  return 0;
}
