// Scene3: the spike in the lattice, with the camera cuts of the first appearance and the pull-back
// of the second. GL calls: buffers for the lattice at construction, then per frame the camera's
// view, the clear colour, light 0's position, materials, the mesh and one indexed GL_LINES draw.
#include "scenes/scene3.h"

#include <GLES/gl.h>

#include "gles/gles_helper.h"
#include "mesh/mesh_manager.h"
#include "mesh/model.h"
#include "music/music_stream.h"
#include "scenes/show_schedule.h"
#include "view/camera.h"

namespace glimmer {
namespace {

constexpr GLfloat kOrange[4] = {1.0f, 0.8f, 0.4f, 1.0f};
constexpr GLfloat kBlue[4] = {0.4f, 0.4f, 1.0f, 1.0f};
constexpr GLfloat kSpecular[4] = {0.01f, 0.01f, 0.01f, 1.0f};
constexpr GLfloat kLightPosition[4] = {0.0f, 30.0f, 0.0f, 1.0f};  // 30 units above the origin

// The near position: 3 units forward and 1 up; the far cut undoes it.
void cutNear(Camera& camera) {
  camera.move(3.0f, 0.0f, 0.0f, 1.0f);
  camera.move(1.0f, 0.0f, 1.0f, 0.0f);
}

void cutFar(Camera& camera) {
  camera.move(-3.0f, 0.0f, 0.0f, 1.0f);
  camera.move(-1.0f, 0.0f, 1.0f, 0.0f);
}

}  // namespace

Scene3::Scene3(MeshManager& meshes, MusicStream& music) : music(&music) {
  camera = std::make_unique<Camera>(-3.0f);
  spike = meshes.get("spike.obj");
  spike2 = meshes.get("spike2.obj");

  latticeData = std::make_unique<LatticeVertex[]>(kLatticeVertexCount);
  latticeIndexData = std::make_unique<std::uint16_t[]>(kLatticeVertexCount);
  for (int index = 0; index < kLatticeVertexCount; ++index) latticeIndexData[index] = static_cast<std::uint16_t>(index);

  GLuint name = 0;
  glGenBuffers(1, &name);
  latticeIndices = name;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, latticeIndices);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, kLatticeVertexCount * sizeof(std::uint16_t), latticeIndexData.get(),
               GL_STATIC_DRAW);
  latticeIndexData.reset();

  glGenBuffers(1, &name);
  latticeVertices = name;
  buildLattice();
}

Scene3::~Scene3() {
  latticeData.reset();
  GLuint name = latticeIndices;
  glDeleteBuffers(1, &name);
  name = latticeVertices;
  glDeleteBuffers(1, &name);
  camera.reset();
}

void Scene3::buildLattice() {
  // Every grid line of {-10, -8, ..., 10}^3 from -10 to 10: for each height c (mirrored to -c when
  // non-zero) and each b, one line along x, one along z and one along y.
  int next = 0;
  auto append = [this, &next](int x, int y, int z) {
    float* position = latticeData[next++].position;
    position[0] = static_cast<float>(x);
    position[1] = static_cast<float>(y);
    position[2] = static_cast<float>(z);
  };
  for (int c = 10; c >= 0; c -= 2) {
    for (int b = -10; b <= 10; b += 2) {
      append(-10, c, b);
      append(10, c, b);
      append(b, c, 10);
      append(b, c, -10);
      append(c, -10, b);
      append(c, 10, b);
      if (c > 0) {
        append(-10, -c, b);
        append(10, -c, b);
        append(b, -c, 10);
        append(b, -c, -10);
        append(-c, -10, b);
        append(-c, 10, b);
      }
    }
  }

  glBindBuffer(GL_ARRAY_BUFFER, latticeVertices);
  if (!latticeStorageMade) {
    glBufferData(GL_ARRAY_BUFFER, kLatticeBytes, latticeData.get(), GL_STATIC_DRAW);
    latticeStorageMade = true;
  } else {
    glBufferSubData(GL_ARRAY_BUFFER, 0, kLatticeBytes, latticeData.get());
  }
}

void Scene3::render(std::int32_t t, std::uint8_t variant, GLESHelper& target) {
  const float time = static_cast<float>(t);

  // Camera moves made below show from the next call on.
  camera->applyView();

  music->fetchSpectrum();
  const float level = kSpikeReading.levelOf(music->spectrum);

  // The main loop's next clear shows this grey.
  glClearColor(level, level, level, 1.0f);
  glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kSpecular);

  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -8.0f - level);
  if (variant == 0) {
    glRotatef(0.1f * time, 1.0f, 1.0f, 1.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kOrange);
    // At most one cut per call, so a stall past both 15000 and 20000 makes the far cut now and the
    // second near cut on the next call.
    if (!nearCutDone && t > 5000) {
      cutNear(*camera);
      nearCutDone = true;
    } else if (!farCutDone && t > 15000) {
      cutFar(*camera);
      farCutDone = true;
    } else if (!secondNearCutDone && t > 20000) {
      cutNear(*camera);
      secondNearCutDone = true;
    }
    spike->draw();
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kBlue);
  } else {
    glRotatef(0.1f * time, 1.0f, 0.0f, 1.0f);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kBlue);
    if (t > 10000) {
      // Backs away along its forward axis at 6 units per second.
      camera->move(-0.006f * static_cast<float>(pullBackClock.advance(t)), 0.0f, 0.0f, 1.0f);
    }
    spike2->draw();
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kOrange);
  }
  glPopMatrix();

  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE);
  // Deliberate: turns the view matrix without a push; the next call's view load replaces it.
  glRotatef(0.05f * time, 0.0f, 1.0f, 1.0f);

  glEnableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, latticeVertices);
  glVertexPointer(3, GL_FLOAT, sizeof(LatticeVertex), nullptr);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, latticeIndices);
  glDrawElements(GL_LINES, kLatticeVertexCount, GL_UNSIGNED_SHORT, nullptr);

  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisable(GL_BLEND);

  target.readBack();
}

}  // namespace glimmer
