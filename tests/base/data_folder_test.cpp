// Finding the show's data: the order of the places, GLIMMER_DATA alone when set, the one-line
// message naming what was tried, and "data/NAME" mapped to the folder found.
#include "base/data_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temporary_folder.h"

namespace glimmer {
namespace {

namespace fs = std::filesystem;

enum Place { Environment, Current, Installed, Source, Nowhere };

// Each place is "data" (a folder holding music.ogg), "bare" (a folder without it, as a stray
// "data" folder is) or "missing".
struct SearchCase {
  const char* name;
  bool environmentSet;
  const char* environment;
  const char* current;
  const char* installed;
  const char* source;
  Place expected;
};

constexpr SearchCase kCases[] = {
    {"every place holds it: the current folder comes first", false, "", "data", "data", "data", Current},
    {"no data folder here: the installed data", false, "", "missing", "data", "data", Installed},
    {"a data folder here without the data is passed over", false, "", "bare", "data", "data", Installed},
    {"only the source tree", false, "", "missing", "missing", "data", Source},
    {"nowhere", false, "", "bare", "missing", "bare", Nowhere},
    {"GLIMMER_DATA comes before all", true, "data", "data", "data", "data", Environment},
    {"GLIMMER_DATA naming a missing folder does not fall through", true, "missing", "data", "data", "data", Nowhere},
    {"GLIMMER_DATA naming a folder without the data does not fall through", true, "bare", "data", "data", "data",
     Nowhere},
};

void makePlace(const std::string& path, const std::string& kind) {
  if (kind == "missing") return;
  fs::create_directories(path);
  if (kind == "data") std::ofstream(path + "/music.ogg") << "ogg";
}

TEST(DataFolder, SearchOrder) {
  for (const SearchCase& test : kCases) {
    SCOPED_TRACE(test.name);
    testing::TemporaryFolder scratch;
    ASSERT_FALSE(scratch.path().empty());
    DataPlaces places;
    places.environmentSet = test.environmentSet;
    places.environment = scratch.file("environment");
    places.currentFolder = scratch.file("here/data");
    places.installed = scratch.file("prefix/share/glimmerfolding");
    places.sourceTree = scratch.file("source/data");
    makePlace(places.environment, test.environment);
    makePlace(places.currentFolder, test.current);
    makePlace(places.installed, test.installed);
    makePlace(places.sourceTree, test.source);

    const DataSearch search = searchDataFolder(places);
    const std::string* expected[] = {&places.environment, &places.currentFolder, &places.installed, &places.sourceTree};
    if (test.expected != Nowhere) {
      EXPECT_TRUE(search.found);
      EXPECT_EQ(search.folder, *expected[test.expected]);
      continue;
    }
    EXPECT_FALSE(search.found);
    EXPECT_EQ(search.message.find('\n'), std::string::npos);
    if (test.environmentSet) {
      EXPECT_EQ(search.message,
                "cannot find the show's data (music.ogg) in " + places.environment + ", the folder GLIMMER_DATA names");
    } else {
      EXPECT_EQ(search.message, "cannot find the show's data (music.ogg); tried " + places.currentFolder + ", " +
                                    places.installed + ", " + places.sourceTree +
                                    "; set GLIMMER_DATA to the folder that holds it");
    }
  }
}

TEST(DataFolder, PlacesThatDoNotExistHereAreNotNamed) {
  DataPlaces places;
  places.currentFolder = "/nonexistent/data";
  const DataSearch search = searchDataFolder(places);
  EXPECT_FALSE(search.found);
  EXPECT_EQ(search.message,
            "cannot find the show's data (music.ogg); tried /nonexistent/data; set GLIMMER_DATA to "
            "the folder that holds it");
}

// Sets an environment variable; an empty value removes it where the system cannot hold one empty.
void setVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  setenv(name, value, 1);
#endif
}

TEST(DataFolder, PlacesOfThisProgram) {
  setVariable("GLIMMER_DATA", "");
  DataPlaces places = dataPlacesOfThisProgram();
  EXPECT_FALSE(places.environmentSet) << "an empty GLIMMER_DATA counts as unset";
  setVariable("GLIMMER_DATA", "elsewhere");
  places = dataPlacesOfThisProgram();
  setVariable("GLIMMER_DATA", "");
  EXPECT_TRUE(places.environmentSet);
  EXPECT_EQ(places.environment, "elsewhere");
  EXPECT_EQ(places.currentFolder, "data");
  // This test runs from the build folder: beside it is no installed data, and the source tree is a
  // place. Installed, the data is the share folder beside bin, or on Windows data/ beside the program.
  const fs::path executable = programFile();
  ASSERT_FALSE(executable.empty());
#ifdef _WIN32
  const fs::path installed = executable.parent_path() / "data";
#else
  const fs::path installed = executable.parent_path().parent_path() / "share/glimmerfolding";
#endif
  EXPECT_EQ(fs::path(places.installed).lexically_normal(), installed.lexically_normal());
  const char* source = std::getenv("GLIMMER_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(fs::weakly_canonical(places.sourceTree), fs::weakly_canonical(fs::path(source) / "data"));
}

TEST(DataFolder, ShowPathsMapToTheFolderFound) {
  EXPECT_EQ(dataFilePath("data/cube.obj"), "data/cube.obj");
  useDataFolder("/usr/share/glimmerfolding");
  EXPECT_EQ(dataFilePath("data/cube.obj"), "/usr/share/glimmerfolding/cube.obj");
  EXPECT_EQ(dataFilePath("data/music.ogg"), "/usr/share/glimmerfolding/music.ogg");
  EXPECT_EQ(dataFilePath("database/cube.obj"), "database/cube.obj");
  EXPECT_EQ(dataFilePath("/tmp/data/cube.obj"), "/tmp/data/cube.obj");
  EXPECT_EQ(dataFilePath("cube.obj"), "cube.obj");
  useDataFolder("data");
  EXPECT_EQ(dataFilePath("data/cube.obj"), "data/cube.obj");
}

}  // namespace
}  // namespace glimmer
