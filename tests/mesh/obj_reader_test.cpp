// The OBJ and MTL reader: exact results for well-formed files (quirks included) and a refusal
// naming the file for every malformed input that could otherwise read or write out of bounds.
#include "mesh/obj_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mesh_files.h"

namespace glimmer {
namespace {

// Files held in memory, keyed by path; records every path asked for.
struct MemoryFiles {
  std::map<std::string, std::string> files;
  std::vector<std::string> asked;
};

bool readMemoryFile(void* context, const char* path, std::string& text) {
  auto* memory = static_cast<MemoryFiles*>(context);
  memory->asked.emplace_back(path);
  auto found = memory->files.find(path);
  if (found == memory->files.end()) return false;
  text = found->second;
  return true;
}

// Parses obj (at "data/test.obj") with the given material files beside it.
struct Parsed {
  ObjModel* model = nullptr;
  ObjReadFailure failure;
  MemoryFiles memory;
  Parsed(const std::string& obj, std::map<std::string, std::string> materials = {}) {
    memory.files["data/test.obj"] = obj;
    for (auto& [name, text] : materials) memory.files["data/" + name] = text;
    model = readObjFrom("data/test.obj", readMemoryFile, &memory, failure);
  }
  ~Parsed() { freeObj(model); }
  Parsed(const Parsed&) = delete;
  Parsed& operator=(const Parsed&) = delete;
};

std::vector<std::string> groupNames(const ObjModel& model) {
  std::vector<std::string> names;
  for (const ObjGroup* group = model.groups; group != nullptr; group = group->next) names.emplace_back(group->name);
  return names;
}

std::vector<std::uint32_t> groupTriangles(ObjModel& model, const char* name) {
  ObjGroup* group = findGroup(&model, name);
  if (group == nullptr) return {};
  return {group->triangleIndices, group->triangleIndices + group->triangleCount};
}

using Triple = std::vector<std::uint32_t>;
Triple triple(const std::uint32_t (&indices)[3]) { return {indices[0], indices[1], indices[2]}; }

const std::string kFiveVertices =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 2 0\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\n"
    "vn 0 0 -1\nvn 0 -1 0\nvt 0 0\nvt 1 1\n";

TEST(ObjReader, FacesBecomeFansAroundTheirFirstCorner) {
  Parsed parsed(kFiveVertices +
                "f 1//1 2//2 3//3\n"
                "f 1//1 2//2 3//3 4//4\n"
                "f 1//1 2//2 3//3 4//4 5//5\n");
  ASSERT_NE(parsed.model, nullptr) << parsed.failure.message;
  const ObjModel& model = *parsed.model;
  ASSERT_EQ(model.triangleCount, 6u);
  std::vector<Triple> expected = {{1, 2, 3}, {1, 2, 3}, {1, 3, 4}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}};
  for (std::uint32_t index = 0; index < 6; ++index) {
    EXPECT_EQ(triple(model.triangles[index].vertexIndex), expected[index]) << index;
    EXPECT_EQ(triple(model.triangles[index].normalIndex), expected[index]) << index;
  }
  EXPECT_EQ(groupTriangles(*parsed.model, "default"), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
}

// Each corner form stores the indices it names and leaves the others 0; the first corner decides
// the form for the whole face, and a later corner in another form is refused.
TEST(ObjReader, EachCornerFormStoresItsOwnIndicesAndMixedFormsAreRefused) {
  struct Case {
    const char* face;
    Triple vertices, texCoords, normals;  // of the face's second triangle
  };
  const Case cases[] = {
      {"f 2 3 4 5\n", {2, 4, 5}, {0, 0, 0}, {0, 0, 0}},
      {"f 2/1 3/2 4/1 5/2\n", {2, 4, 5}, {1, 1, 2}, {0, 0, 0}},
      {"f 2//5 3//4 4//3 5//1\n", {2, 4, 5}, {0, 0, 0}, {5, 3, 1}},
      {"f 2/2/5 3/1/4 4/1/3 5/2/1\n", {2, 4, 5}, {2, 1, 2}, {5, 3, 1}},
  };
  for (const Case& item : cases) {
    Parsed parsed(kFiveVertices + item.face);
    ASSERT_NE(parsed.model, nullptr) << item.face << parsed.failure.message;
    ASSERT_EQ(parsed.model->triangleCount, 2u) << item.face;
    const ObjTriangle& second = parsed.model->triangles[1];
    EXPECT_EQ(triple(second.vertexIndex), item.vertices) << item.face;
    EXPECT_EQ(triple(second.texCoordIndex), item.texCoords) << item.face;
    EXPECT_EQ(triple(second.normalIndex), item.normals) << item.face;
  }
  // Each form against another, in a triangle's later corner and in a quad's fourth.
  const char* mixed[] = {"f 1 2/1 3\n",         "f 1/1 2//1 3/1\n",     "f 1//1 2/1/1 3//1\n",
                         "f 1/1/1 2/1 3/1/1\n", "f 1//1 2//1 3//1 4\n", "f 1 2 3 4//1\n"};
  for (const char* face : mixed) {
    Parsed parsed(kFiveVertices + face);
    EXPECT_EQ(parsed.model, nullptr) << face;
    EXPECT_NE(std::string(parsed.failure.message).find("malformed face corner"), std::string::npos)
        << face << parsed.failure.message;
  }
}

TEST(ObjReader, ValuesAreStoredOneBasedAndExtraNumbersAreIgnored) {
  Parsed parsed("v 1 2 3 1\nv -4.5 5e1 .25\nvn 0 0 1\nvt 0.5 0.25 0\n# comment v 9 9 9\no object\ns off\n");
  ASSERT_NE(parsed.model, nullptr) << parsed.failure.message;
  const ObjModel& model = *parsed.model;
  EXPECT_EQ(model.vertexCount, 2u);
  EXPECT_EQ(model.triangleCount, 0u);
  EXPECT_EQ(std::vector<float>(model.vertices + 3, model.vertices + 9),
            (std::vector<float>{1, 2, 3, -4.5f, 50, 0.25f}));
}

TEST(ObjReader, GroupsKeepTheirBlanksLoseTheirLastCharacterAndListNewestFirst) {
  Parsed parsed(kFiveVertices +
                "f 1//1 2//1 3//1\n"
                "g  a b\n"
                "f 1//1 2//1 3//1\n"
                "gx second\n"
                "fo 1//1 2//1 3//1\n"
                "g  a b\n"
                "f 1//1 2//1 3//1\n"
                "g last");
  ASSERT_NE(parsed.model, nullptr) << parsed.failure.message;
  ObjModel& model = *parsed.model;
  EXPECT_EQ(groupNames(model), (std::vector<std::string>{" las", " second", "  a b", "default"}));
  EXPECT_EQ(model.groupCount, 4u);
  EXPECT_EQ(groupTriangles(model, "default"), (std::vector<std::uint32_t>{0}));
  EXPECT_EQ(groupTriangles(model, "  a b"), (std::vector<std::uint32_t>{1, 3}));
  EXPECT_EQ(groupTriangles(model, " second"), (std::vector<std::uint32_t>{2}));
  EXPECT_EQ(groupTriangles(model, " las"), (std::vector<std::uint32_t>{}));
}

// The rest of a line is read with room for 127 characters, its newline included; what lies beyond
// is read as words.
TEST(ObjReader, RestOfALineHoldsAtMost127Characters) {
  // A blank, 125 letters and the newline: 127 characters, the name keeps all 125 letters.
  const std::string atLimit = std::string(1, ' ') + std::string(125, 'a');
  Parsed group(kFiveVertices + "g" + atLimit + "\nf 1 2 3\n");
  ASSERT_NE(group.model, nullptr) << group.failure.message;
  EXPECT_EQ(groupTriangles(*group.model, atLimit.c_str()), (std::vector<std::uint32_t>{0}));

  // One more: the comment's rest ends after 127 characters, and "vp" is read as a keyword.
  Parsed comment(kFiveVertices + "# " + std::string(126, 'x') + "vp\n");
  EXPECT_EQ(comment.model, nullptr);
  EXPECT_TRUE(comment.failure.endsProcess);
  EXPECT_STREQ(comment.failure.message, "Unknown token \"vp\".");
}

TEST(ObjReader, MaterialsComeFromTheLibraryBesideTheModel) {
  const std::string library =
      "Kd 0.5 0.5 0.5\n"
      "newmtl red\nKd 1 0 0\nNs 500\n"
      "newmtl  blue  \nKa 0.1 0.2 0.3\nKs 1 1 1\nKe 9 9 9\nNi 1000\nd 0.5\nillum 2\n";
  Parsed parsed(kFiveVertices +
                    "usemtl red\n"
                    "g first\n"
                    "f 1//1 2//1 3//1\n"
                    "g second\n"
                    "usemtl nothing\n"
                    "usemtl blue\n"
                    "f 1//1 2//1 3//1\n"
                    "mtllib unused.mtl lib.mtl\n",
                {{"lib.mtl", library}});
  ASSERT_NE(parsed.model, nullptr) << parsed.failure.message;
  ObjModel& model = *parsed.model;
  EXPECT_EQ(parsed.memory.asked, (std::vector<std::string>{"data/test.obj", "data/lib.mtl"}));
  EXPECT_STREQ(model.materialLibrary, "lib.mtl");
  ASSERT_EQ(model.materialCount, 3u);

  const ObjMaterial& red = model.materials[1];
  EXPECT_STREQ(red.name, "red");
  EXPECT_EQ(std::vector<float>(red.diffuse, red.diffuse + 4), (std::vector<float>{1, 0, 0, 1}));
  EXPECT_EQ(red.shininess, 64.0f);

  const ObjMaterial& blue = model.materials[2];
  EXPECT_STREQ(blue.name, "blue");
  EXPECT_EQ(blue.shininess, 128.0f);
  EXPECT_EQ(std::vector<float>(blue.ambient, blue.ambient + 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 1}));
  EXPECT_EQ(std::vector<float>(blue.specular, blue.specular + 4), (std::vector<float>{1, 1, 1, 1}));  // not "Ke"

  EXPECT_EQ(findGroup(&model, " first")->material, 1u);   // "usemtl" before its "g" line
  EXPECT_EQ(findGroup(&model, " second")->material, 2u);  // the last "usemtl" wins
  EXPECT_EQ(findGroup(&model, "default")->material, 1u);  // current when "usemtl red" was read
}

// Every input that would read or write outside an array, or leave values unset, is refused with one
// line naming the file; none of them ends the process.
TEST(ObjReader, MalformedInputIsRefusedNamingTheFileAndLine) {
  struct Case {
    const char* what;
    std::string obj;
    std::string library;
    const char* message;
  };
  const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvt 0 0\n";
  const Case cases[] = {
      {"vertex index 0", triangle + "f 0//1 2//1 3//1\n", "",
       "vertex index out of range in data file \"data/test.obj\", line 6."},
      {"negative vertex index", triangle + "f -1//1 2//1 3//1\n", "", "vertex index out of range"},
      {"normal index past the count", triangle + "f 1//1 2//2 3//1\n", "", "normal index out of range"},
      {"texture index past the count", triangle + "f 1/2/1 2/1/1 3/1/1\n", "", "texture index out of range"},
      {"two corners", triangle + "f 1//1 2//1\nf 1//1 2//1 3//1\n", "",
       "face with fewer than three corners in data file \"data/test.obj\", line 6."},
      {"corner that does not scan", triangle + "f a b c\n", "", "malformed face corner"},
      {"missing number", "v 1 2\n", "", "missing or malformed number in data file \"data/test.obj\", line 1."},
      {"word too long", triangle + std::string(128, 'x') + "\n", "",
       "word longer than 127 characters in data file \"data/test.obj\", line 6."},
      {"library without a name", "mtllib   \nv 0 0 0\n", "",
       "material library without a name in data file \"data/test.obj\", line 1."},
      {"keyword after vertex values", triangle + "v 1 2 3 v 4 5 6\n", "", "values followed by a keyword on their line"},
      {"material word too long", "mtllib m.mtl\n", "newmtl a\n" + std::string(150, 'd') + "\n",
       "word longer than 127 characters in material file \"data/m.mtl\", line 2."},
  };
  for (const Case& test : cases) {
    Parsed parsed(test.obj, {{"m.mtl", test.library}});
    EXPECT_EQ(parsed.model, nullptr) << test.what;
    EXPECT_FALSE(parsed.failure.endsProcess) << test.what;
    EXPECT_NE(std::string(parsed.failure.message).find(test.message), std::string::npos)
        << test.what << ": " << parsed.failure.message;
  }
}

// Runs a real read in a child process with one of the two streams thrown away, so the expected
// text is matched on the stream it must appear on.
void readKeepingOnly(int keptStream, const std::string& path) {
  int null = open("/dev/null", O_WRONLY);
  if (keptStream == STDOUT_FILENO) {
    dup2(STDERR_FILENO, STDOUT_FILENO);  // stdout now lands where the death test listens
  }
  dup2(null, keptStream == STDOUT_FILENO ? STDERR_FILENO : STDOUT_FILENO);
  readObj(path.c_str());
  std::exit(0);
}

// The reader's refusals that end the process (a file it cannot open, an unknown vertex word) do so
// with status 1 and one message on standard error, and nothing on standard output.
TEST(ObjReaderFiles, RefusalsEndTheProcessWithOneMessage) {
  testing::TemporaryFolder folder;
  // The folder's name is left out of the pattern: it holds characters a pattern would read as
  // escapes on Windows, where the child that runs the read also makes a folder of its own.
  const std::pair<std::string, const char*> cases[] = {
      {folder.file("missing.obj"), "^glimmerfolding: can't open data file \".*missing\\.obj\"\\.\n$"},
      {folder.write("points.obj", "v 0 0 0\nvp 0.5\n"), "^glimmerfolding: Unknown token \"vp\"\\.\n$"},
  };
  for (const auto& [path, message] : cases) {
    EXPECT_EXIT(readKeepingOnly(STDERR_FILENO, path), ::testing::ExitedWithCode(1), message);
    EXPECT_EXIT(readKeepingOnly(STDOUT_FILENO, path), ::testing::ExitedWithCode(1), "^$");
  }
}

}  // namespace
}  // namespace glimmer
