// Scene1: the cube cloud, its camera path, the title overlays and the fade-in.
//
// GL calls: glClearColor, glMaterialfv, glPushMatrix/glTranslatef/glPopMatrix around each visible
// cube, and through Camera, Frustum and Model. The picture is read back right after the cubes,
// before the pixel work.
#include "scenes/scene1.h"

#include <GLES/gl.h>

#include <algorithm>

#include "base/frame_buffer.h"
#include "base/latch.h"
#include "base/pixel_ops.h"
#include "base/random.h"
#include "gles/gles_helper.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "mesh/model.h"
#include "view/camera.h"
#include "view/frustum.h"

namespace glimmer {

namespace {

constexpr float kClearColor[4] = {0.3f, 0.2f, 0.6f, 1.0f};
constexpr float kSpecular[4] = {0.1f, 0.1f, 0.1f, 1.0f};
constexpr float kDiffuse[4] = {0.3f, 0.8f, 0.8f, 1.0f};

constexpr std::uint32_t kKeyBlack = 0x00000000u;
constexpr std::uint32_t kKeyWhite = 0x00FFFFFFu;

}  // namespace

Scene1::Scene1(MeshManager& meshes, ImageStore& images) {
  positions = std::make_unique<float[]>(3 * kScene1CubeCount);
  camera = std::make_unique<Camera>(-5.0f);
  cube = meshes.get("cube.obj");
  for (int index = 0; index < 3 * kScene1CubeCount; ++index) {
    positions[index] = static_cast<float>(rand() % 250 - 130);
  }
  title1 = images.get("start1.png");
  title2 = images.get("start2.png");
  title3 = images.get("start3.png");
}

Scene1::~Scene1() {
  camera.reset();
  positions.reset();
}

void Scene1::render(std::int32_t t, GLESHelper& target) {
  glClearColor(kClearColor[0], kClearColor[1], kClearColor[2], kClearColor[3]);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kSpecular);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kDiffuse);

  const float speed = 0.003f * static_cast<float>(frameClock.advance(t));

  if (t < 20000) {
    camera->move(-speed, 1.0f, 0.0f, 0.0f);
  } else {
    if (!jumpDone) {
      jumpDone = true;
      camera->move(170.0f, 0.0f, 1.0f, 0.0f);
      camera->rotate(60.0f, 1.0f, 0.0f, 0.0f);
    }
    if (t > 30000) {
      const float distance = 0.003f * static_cast<float>(forwardClock.advance(t));
      camera->move(distance, 0.0f, 0.0f, 1.0f);
    }
  }
  // About the world's vertical: its direction expressed in the camera's own axes.
  camera->rotate(speed, camera->right[1], camera->up[1], camera->forward[1]);

  camera->applyView();
  Frustum frustum;
  frustum.extract();

  if (cube != nullptr) {
    for (int index = 0; index < kScene1CubeCount; ++index) {
      const float a = positions[3 * index];
      const float b = positions[3 * index + 1];
      const float c = positions[3 * index + 2];
      if (!frustum.cubeVisible(CubeBounds{a, c, b, 1.0f})) continue;
      glPushMatrix();
      glTranslatef(a, c, b);
      cube->draw();
      glPopMatrix();
    }
  }

  target.readBack();
  std::uint32_t* const frame = target.pixels;

  TitleState titles[3];
  updateTitleStates(t, titles);
  const Image* images[3] = {title1, title2, title3};
  constexpr std::int32_t kTitleX[3] = {5, 5, 5};
  constexpr std::int32_t kTitleY[3] = {10, 5, 15};
  for (int index = 0; index < 3; ++index) {
    if (titles[index].shown && images[index] != nullptr) {
      overlayTitle(frame, *images[index], kTitleX[index], kTitleY[index], titles[index].alpha);
    }
  }

  if (t < 5000) scalePixels(frame, t / 10);
}

void Scene1::updateTitleStates(std::int32_t t, TitleState (&titles)[3]) {
  titles[0] = TitleState{};
  titles[1] = TitleState{};
  titles[2] = TitleState{};

  if (t < 20000) {
    std::int32_t alpha = t / 10;
    if (t > 15000) alpha = title1FadeOut.capture(alpha) - alpha + 255;
    titles[0] = TitleState{true, alpha};
  }

  if (t >= 22000 && t < 31000) {
    std::int32_t alpha = t / 10 - title2Start.capture(t / 10);
    if (t > 28000) alpha = title2FadeOut.capture(alpha) - alpha + 255;
    titles[1] = TitleState{true, alpha};
  }

  if (t >= 31000 && t < 50000) {
    const std::int32_t start = title3Start.capture(t / 10);
    // Deliberate: the start is subtracted twice (before and after the division), which delays
    // title 3's fade-in to about 34100 ms; the show's timing is built around it.
    std::int32_t alpha = (t - start) / 10 - start;
    if (t > 47000) alpha = title3FadeOut.capture(alpha) - alpha + 255;
    titles[2] = TitleState{true, alpha};
  }
}

void overlayTitle(std::uint32_t* frame, const Image& image, std::int32_t x0, std::int32_t y0, std::int32_t alpha) {
  if (image.pixels == nullptr) return;
  // The image's rows and columns that land inside the frame: [rowBegin, rowEnd) x [columnBegin, columnEnd).
  const std::int32_t rowBegin = std::max(0, -y0);
  const std::int32_t rowEnd = std::min(image.height, kFrameHeight - y0);
  const std::int32_t columnBegin = std::max(0, -x0);
  const std::int32_t columnEnd = std::min(image.width, kFrameWidth - x0);
  for (std::int32_t row = rowBegin; row < rowEnd; ++row) {
    const std::uint32_t* source = image.pixels + static_cast<std::ptrdiff_t>(row) * image.width;
    std::uint32_t* target = frame + static_cast<std::ptrdiff_t>(y0 + row) * kFrameWidth + x0;
    for (std::int32_t column = columnBegin; column < columnEnd; ++column) {
      const std::uint32_t word = source[column];
      if (word == kKeyBlack || word == kKeyWhite) {
        target[column] = blendPixel(word, target[column], alpha);
      }
    }
  }
}

}  // namespace glimmer
