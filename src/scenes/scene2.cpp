// Scene2: the falling shapes, the pulsing cube cluster and the scrolling background.
//
// GL calls: glClearColor, glMaterialfv, glPushMatrix/glTranslatef/glRotatef/glScalef/glPopMatrix,
// glEnable/glDisable (blend, depth test), glBlendFunc, and through Frustum and Model. The picture
// is read back right after the cluster, before the background pass.
#include "scenes/scene2.h"

#include <GLES/gl.h>

#include <algorithm>

#include "base/frame_buffer.h"
#include "base/latch.h"
#include "base/random.h"
#include "gles/gles_helper.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "mesh/model.h"
#include "music/music_stream.h"
#include "scenes/show_schedule.h"
#include "scenes/sine_table.h"
#include "view/frustum.h"

namespace glimmer {

namespace {

struct ShapeKind {
  const char* fileName;
  float color[4];
};

constexpr ShapeKind kShapeKinds[3] = {
    {"isphere.obj", {0.4f, 0.4f, 0.8f, 1.0f}},
    {"torus3.obj", {0.4f, 0.8f, 0.4f, 1.0f}},
    {"cone.obj", {0.8f, 0.4f, 0.4f, 1.0f}},
};
constexpr int kShapesPerKind = 20;

constexpr float kSpecular[4] = {0.1f, 0.1f, 0.1f, 1.0f};
constexpr float kClusterColor[4] = {0.6f, 0.4f, 0.8f, 1.0f};
constexpr int kClusterCubes = 10;

}  // namespace

Scene2::Scene2(MeshManager& meshes, ImageStore& images, MusicStream& music) : music(&music) {
  cube = meshes.get("cube.obj");
  shapes.reserve(kScene2ShapeCount);
  for (const ShapeKind& kind : kShapeKinds) {
    for (int k = 0; k < kShapesPerKind; ++k) {
      // Each shape reseeds the generator from its first draw.
      const int seedDraw = rand();
      srand(static_cast<std::uint32_t>(seedDraw % 666 + k + 666));
      FallingShape shape;
      shape.x = static_cast<float>(rand() % 25 - 15);
      shape.y = static_cast<float>(rand() % 250 - 50);
      shape.z = static_cast<float>(rand() % 15 - 25);
      shape.r = kind.color[0];
      shape.g = kind.color[1];
      shape.b = kind.color[2];
      shape.a = kind.color[3];
      shape.model = meshes.get(kind.fileName);
      shapes.push_back(shape);
    }
  }
  background = images.get("bg.png");
  sineTable();  // built now rather than on the first frame
}

void Scene2::render(std::int32_t t, GLESHelper& target) {
  music->fetchSpectrum();
  const float level = kClusterReading.levelOf(music->spectrum);

  // The colour of the caller's next clear: empty pixels then read as the word 0.
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kSpecular);

  Frustum frustum;
  frustum.extract();

  const float fall = 0.01f * static_cast<float>(fallClock.advance(t));
  const float turn = 0.1f * static_cast<float>(t);
  for (std::size_t index = 0; index < shapes.size(); ++index) {
    FallingShape& shape = shapes[index];
    // Drawn where it was before this call's step.
    const float x = shape.x;
    const float y = shape.y;
    const float z = shape.z;
    shape.y -= fall;
    if (shape.y < -30.0f) shape.y = 50.0f;
    if (shape.model == nullptr || !frustum.cubeVisible(CubeBounds{x, y, z, 0.5f})) continue;
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(turn + static_cast<float>(index), 0.0f, 1.0f, 1.0f);
    const float color[4] = {shape.r, shape.g, shape.b, shape.a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color);
    shape.model->draw();
    glPopMatrix();
  }

  float height = 0.01f * static_cast<float>(t) - 50.0f;
  if (height > 0.0f) height = 0.0f;
  if (t > 27000) height += 0.01f * static_cast<float>(t - riseStart.capture(t));

  if (cube != nullptr && frustum.cubeVisible(CubeBounds{0.0f, height, -20.0f, 0.5f})) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kClusterColor);
    // Deliberate: no push; nothing else draws after the cluster and the next view load resets it.
    glTranslatef(0.0f, height, -20.0f);
    const float spin = 10.0f * (0.01f * static_cast<float>(t));
    const float sine = sineLookup(static_cast<float>(t) * 0.002f * 0.5f);
    const float bob = -2.0f * sine;
    float pulse[kClusterCubes];
    for (int index = 0; index < kClusterCubes; ++index) {
      pulse[index] = sineLookup(static_cast<float>(index) + level);
    }
    for (int pass = 0; pass < 2; ++pass) {
      const float base = pass == 0 ? 0.4f : 0.45f;
      if (pass == 1) {
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glBlendFunc(GL_SRC_COLOR, GL_SRC_COLOR);
      }
      for (int index = 0; index < kClusterCubes; ++index) {
        const float scale = 0.3f * pulse[index] + base;
        glPushMatrix();
        glTranslatef(0.0f, 0.0f, bob);
        glRotatef(spin, 1.0f, 1.0f, sine);
        glScalef(scale, scale, scale);
        cube->draw();
        glPopMatrix();
      }
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
  }

  target.readBack();

  if (background != nullptr) {
    const std::int32_t steps = t / 20;
    const std::int32_t k = steps - scrollOrigin.capture(steps);
    fillScrollingBackground(target.pixels, *background, k);
    if (k >= background->height - 1) scrollOrigin.restart(steps);
  }
}

void fillScrollingBackground(std::uint32_t* frame, const Image& image, std::int32_t k) {
  if (image.pixels == nullptr) return;
  const std::int32_t height = image.height;
  const std::int32_t columns = std::min(image.width, kFrameWidth / 2);
  for (std::int32_t row = height - 1; row >= 0; --row) {
    std::int32_t source = row - k;
    if (source < 0) source += height - 1;
    if (source < 0) break;
    // Rows below the frame, and source rows past the image's end (only when the time went
    // backwards, k < 0), are not drawn.
    if (2 * row >= kFrameHeight || source >= height) continue;
    const std::uint32_t* sourceRow = image.pixels + static_cast<std::ptrdiff_t>(source) * image.width;
    std::uint32_t* target = frame + static_cast<std::ptrdiff_t>(2 * row) * kFrameWidth;
    for (std::int32_t column = 0; column < columns; ++column) {
      if (target[2 * column] == 0) target[2 * column] = sourceRow[column];
    }
  }
}

}  // namespace glimmer
