// Per-frame cost of the render target at 160x100: the read-back into pixels, and drawing 500 lit
// cubes of 12 triangles each from 64-byte-stride vertex buffers, drawn the way a mesh draws itself.
#include <GLES/gl.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gles/gles_helper.h"

namespace glimmer {
namespace {

// One vertex as the meshes lay it out: position, normal, colour, padding to 64 bytes.
struct BenchVertex {
  float position[3];
  float normal[3];
  float color[4];
  float unused[6];
};
static_assert(sizeof(BenchVertex) == 64);

constexpr int kCubeCount = 500;
constexpr int kCubeVertices = 36;

class CubeBuffers {
 public:
  CubeBuffers() {
    // Six faces, each two counter-clockwise triangles seen from outside, half-size 0.5.
    static const float faces[6][3][3] = {
        // normal, u axis, v axis (u x v = normal)
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    static const float corners[6][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}};
    BenchVertex vertices[kCubeVertices] = {};
    unsigned short indices[kCubeVertices];
    int next = 0;
    for (const auto& face : faces) {
      for (const auto& corner : corners) {
        BenchVertex& vertex = vertices[next];
        for (int i = 0; i < 3; ++i) {
          vertex.position[i] = 0.5f * (face[0][i] + corner[0] * face[1][i] + corner[1] * face[2][i]);
          vertex.normal[i] = face[0][i];
        }
        vertex.color[3] = 1.0f;
        indices[next] = static_cast<unsigned short>(next);
        ++next;
      }
    }
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof vertices, vertices, GL_STATIC_DRAW);
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, indices, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  }
  CubeBuffers(const CubeBuffers&) = delete;
  CubeBuffers& operator=(const CubeBuffers&) = delete;
  ~CubeBuffers() {
    glDeleteBuffers(1, &indexBuffer);
    glDeleteBuffers(1, &vertexBuffer);
  }

  void draw() const {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glVertexPointer(3, GL_FLOAT, 64, nullptr);
    glNormalPointer(GL_FLOAT, 64, reinterpret_cast<const void*>(12));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glDrawElements(GL_TRIANGLES, kCubeVertices, GL_UNSIGNED_SHORT, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
  }

 private:
  GLuint vertexBuffer = 0;
  GLuint indexBuffer = 0;
};

// The one context of the run, created on first use.
GLESHelper& renderTarget() {
  static GLESHelper gles;
  static const bool created = [] {
    if (!gles.create()) std::exit(1);
    gles.setupProjection();
    return true;
  }();
  (void)created;
  return gles;
}

// 25 x 20 cubes filling the view at depth 20, each turned by its own angle.
void drawCubeField(const CubeBuffers& cubes, float turn) {
  static const float diffuse[4] = {0.8f, 0.5f, 0.2f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  for (int index = 0; index < kCubeCount; ++index) {
    const int column = index % 25;
    const int row = index / 25;
    glPushMatrix();
    glTranslatef(-12.0f + column * 1.0f, -7.6f + row * 0.8f, -20.0f);
    glRotatef(turn + index * 7.0f, 0.3f, 1.0f, 0.2f);
    glScalef(0.6f, 0.6f, 0.6f);
    cubes.draw();
    glPopMatrix();
  }
}

void readBack(benchmark::State& state) {
  GLESHelper& gles = renderTarget();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glFinish();
  for (auto _ : state) {
    gles.readBack();
    benchmark::DoNotOptimize(gles.pixels[0]);
  }
}
BENCHMARK(readBack)->Unit(benchmark::kMicrosecond);

void clearAndReadBack(benchmark::State& state) {
  GLESHelper& gles = renderTarget();
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gles.readBack();
    benchmark::DoNotOptimize(gles.pixels[0]);
  }
}
BENCHMARK(clearAndReadBack)->Unit(benchmark::kMicrosecond);

void draw500Cubes(benchmark::State& state) {
  renderTarget();
  const CubeBuffers cubes;
  float turn = 0.0f;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCubeField(cubes, turn);
    glFinish();
    turn += 1.0f;
  }
}
BENCHMARK(draw500Cubes)->Unit(benchmark::kMicrosecond);

void draw500CubesAndReadBack(benchmark::State& state) {
  GLESHelper& gles = renderTarget();
  const CubeBuffers cubes;
  float turn = 0.0f;
  int drawnPixels = 0;
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawCubeField(cubes, turn);
    gles.readBack();
    turn += 1.0f;
    drawnPixels = 0;
    for (int index = 0; index < 16000; ++index) drawnPixels += gles.pixels[index] != 0;
  }
  state.counters["drawnPixels"] = drawnPixels;
}
BENCHMARK(draw500CubesAndReadBack)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace glimmer

BENCHMARK_MAIN();
