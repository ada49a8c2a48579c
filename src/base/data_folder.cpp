// Finding the show's data folder; see data_folder.h. Uses std::filesystem and programFile().
#include "base/data_folder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/report.h"
#include "data_places.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;

constexpr char kMarkerFile[] = "music.ogg";
constexpr char kShowPrefix[] = "data/";

std::string& dataFolder() {
  static std::string folder = "data";
  return folder;
}

bool holdsData(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  return fs::is_regular_file(fs::path(folder) / kMarkerFile, error);
}

}  // namespace

const char* buildFolder() { return kBuildFolder; }

bool runsFromBuildFolder(const fs::path& program) {
  std::error_code error;
  const fs::path folder = fs::weakly_canonical(kBuildFolder, error);
  if (error || program.empty()) return false;
  // The program is the folder itself or lies inside it.
  return std::mismatch(folder.begin(), folder.end(), program.begin(), program.end()).first == folder.end();
}

DataSearch searchDataFolder(const DataPlaces& places) {
  DataSearch result;
  if (places.environmentSet) {
    if (holdsData(places.environment)) {
      result.found = true;
      result.folder = places.environment;
    } else {
      result.message = std::string("cannot find the show's data (") + kMarkerFile + ") in " + places.environment +
                       ", the folder GLIMMER_DATA names";
    }
    return result;
  }
  std::string tried;
  for (const std::string* place : {&places.currentFolder, &places.installed, &places.sourceTree}) {
    if (place->empty()) continue;
    if (holdsData(*place)) {
      result.found = true;
      result.folder = *place;
      return result;
    }
    tried += tried.empty() ? "" : ", ";
    tried += *place;
  }
  result.message = std::string("cannot find the show's data (") + kMarkerFile + "); tried " + tried +
                   "; set GLIMMER_DATA to the folder that holds it";
  return result;
}

DataPlaces dataPlacesOfThisProgram() {
  DataPlaces places;
  if (const char* environment = std::getenv("GLIMMER_DATA"); environment != nullptr && *environment != '\0') {
    places.environmentSet = true;
    places.environment = environment;
  }
  places.currentFolder = "data";
  const fs::path executable = programFile();
  if (executable.empty()) return places;
  const fs::path folder = executable.parent_path();
  places.installed = (folder / kInstalledDataFromExecutable).lexically_normal().string();
  if (places.installed.size() > 1 && places.installed.back() == '/') places.installed.pop_back();
  if (kSourceDataFolder[0] != '\0' && runsFromBuildFolder(executable)) places.sourceTree = kSourceDataFolder;
  return places;
}

bool findDataFolder() {
  DataSearch search = searchDataFolder(dataPlacesOfThisProgram());
  if (!search.found) {
    printLine(search.message.c_str());
    return false;
  }
  useDataFolder(search.folder);
  return true;
}

void useDataFolder(const std::string& folder) { dataFolder() = folder; }

std::string dataFilePath(const char* path) {
  constexpr std::size_t prefixLength = sizeof kShowPrefix - 1;
  if (std::strncmp(path, kShowPrefix, prefixLength) != 0) return path;
  return dataFolder() + "/" + (path + prefixLength);
}

}  // namespace glimmer
