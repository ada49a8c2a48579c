// Shared by the scene tests: a real render target with the show's meshes and images.
#pragma once

#include <GLES/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

#include "gles/gles_helper.h"
#include "image/image_store.h"
#include "mesh/mesh_manager.h"
#include "music/music_stream.h"

namespace glimmer {

// Creates the GL context and projection, loads the meshes the scenes use and looks up their images.
// Destroys the registries while the context is still current.
class ShowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gles.create());
    gles.setupProjection();
    for (const char* name : {"cube.obj", "isphere.obj", "torus3.obj", "cone.obj", "spike.obj", "spike2.obj"}) {
      ASSERT_TRUE(MeshManager::instance()->load(name)) << name;
    }
    for (const char* name : {"start1.png", "start2.png", "start3.png", "bg.png"}) {
      ASSERT_NE(ImageStore::instance()->get(name), nullptr) << name;
    }
  }

  void TearDown() override {
    delete MusicStream::instance();
    delete ImageStore::instance();
    delete MeshManager::instance();
  }

  // What the main loop does before a scene draws.
  void clearLikeTheLoop() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

  std::uint32_t* frame() { return gles.pixels; }

  GLESHelper gles;
};

}  // namespace glimmer
