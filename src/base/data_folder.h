// Where the show's data is. The show names its files "data/cube.obj", "data/music.ogg" and so on,
// and its messages keep those names; the folder that "data/" stands for is found once at start-up
// and the names are mapped to it where the files are opened.
//
// A folder holds the data when "music.ogg" is in it. The places, in this order:
//   1. the folder GLIMMER_DATA names, when it is set and not empty: then the only place tried;
//   2. "data" in the current folder;
//   3. the installed data beside the program, ../share/glimmerfolding from its own folder (on
//      Windows data/ in its own folder, as the release archive holds it);
//   4. the data folder of the source tree the program was built from, only while the program runs
//      from its build folder (an installed copy never reads the build machine's source tree).
#pragma once

#include <filesystem>
#include <string>

namespace glimmer {

// The running program's own file (program_file_linux.cpp, program_file_windows.cpp); empty when
// the system does not say.
std::filesystem::path programFile();

// The folder this program was built in. Only a program that runs from inside it (the build's own,
// not an installed copy) may read the source tree's data or what the build set up beside it.
const char* buildFolder();
bool runsFromBuildFolder(const std::filesystem::path& program);

// The places to look; an empty path is a place that does not exist here.
struct DataPlaces {
  bool environmentSet = false;  // GLIMMER_DATA set and not empty
  std::string environment;      // its value
  std::string currentFolder;    // "data"
  std::string installed;        // the installed data beside the program
  std::string sourceTree;       // the source tree's data folder
};

struct DataSearch {
  bool found = false;
  std::string folder;   // when found: the folder, as the place names it
  std::string message;  // when not: one line naming the places tried
};

// The first place that holds the data. Reads only the file system.
DataSearch searchDataFolder(const DataPlaces& places);

// The places for this process: its environment, its current folder and its own executable.
DataPlaces dataPlacesOfThisProgram();

// Searches the places of this process and uses the folder found. False, with the one-line message
// printed, when none holds the data.
bool findDataFolder();

// Maps "data/NAME" to NAME in the folder given from now on (at start: "data", so nothing changes).
void useDataFolder(const std::string& folder);

// The path to open for a path of the show: "data/NAME" becomes NAME in the data folder; any other
// path is returned as it is.
std::string dataFilePath(const char* path);

}  // namespace glimmer
