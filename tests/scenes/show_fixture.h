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
// The registries go before the render target, while its context is still current.
class ShowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gles.create());
    gles.setupProjection();
    for (const char* name : {"cube.obj", "isphere.obj", "torus3.obj", "cone.obj", "spike.obj", "spike2.obj"}) {
      ASSERT_TRUE(meshes.load(name)) << name;
    }
    for (const char* name : {"start1.png", "start2.png", "start3.png", "bg.png"}) {
      ASSERT_NE(images.get(name), nullptr) << name;
    }
  }

  std::uint32_t* frame() { return gles.pixels; }

  GLESHelper gles;
  MeshManager meshes;
  ImageStore images;
  MusicStream music;  // not open: its spectrum is the tests' to fill
};

}  // namespace glimmer
