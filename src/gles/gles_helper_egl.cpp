// GLESHelper backend on EGL and OpenGL ES 1.1 (Mesa's llvmpipe or any conforming driver).
//
// Calls: eglQueryString, eglGetProcAddress(eglGetPlatformDisplayEXT) with the surfaceless
// platform, else eglGetDisplay(EGL_DEFAULT_DISPLAY); eglInitialize, eglGetConfigs,
// eglChooseConfig, eglGetConfigAttrib, eglCreateContext (client version 1),
// eglCreatePbufferSurface, eglMakeCurrent, eglDestroySurface, eglDestroyContext, eglGetCurrentContext.
// The GL state, projection and read-back are shared with the Windows backend (gles_state.cpp).
//
// LIMITATIONS: there is no surface whose memory the program can read in place, so pixels holds
// the picture only after readBack. The display is the process's one display of its platform and
// stays initialised until exit; each helper makes its own context current when created, so with
// two helpers alive GL calls go to the one created last.
#include "gles/gles_helper.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/frame_buffer.h"
#include "base/report.h"

namespace glimmer {
namespace {

// 8-bit colour channels, any alpha, 16-bit depth, 8-bit stencil, on a pbuffer, for OpenGL ES 1: one
// attribute and its value a row.
// clang-format off
constexpr EGLint kConfigAttributes[] = {
    EGL_RED_SIZE,     8,
    EGL_GREEN_SIZE,   8,
    EGL_BLUE_SIZE,    8,
    EGL_ALPHA_SIZE,   EGL_DONT_CARE,
    EGL_DEPTH_SIZE,   16,
    EGL_STENCIL_SIZE, 8,
    EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
    EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT,
    EGL_NONE,
};
// clang-format on

constexpr EGLint kContextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};

constexpr EGLint kSurfaceAttributes[] = {EGL_WIDTH, kFrameWidth, EGL_HEIGHT, kFrameHeight, EGL_NONE};

// How many matching configurations are looked at when picking one.
constexpr EGLint kConfigRoom = 64;

bool hasExtension(const char* list, const char* name) {
  if (list == nullptr) return false;
  const std::size_t length = std::strlen(name);
  for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
    const bool startsWord = at == list || at[-1] == ' ';
    const bool endsWord = at[length] == '\0' || at[length] == ' ';
    if (startsWord && endsWord) return true;
  }
  return false;
}

// The surfaceless platform needs no display server; drivers without it get the default display.
EGLDisplay openDisplay() {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (hasExtension(clientExtensions, "EGL_EXT_platform_base") &&
      hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay != nullptr) {
      EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (display != EGL_NO_DISPLAY) return display;
    }
  }
  return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

EGLint configAttribute(EGLDisplay display, EGLConfig config, EGLint attribute) {
  EGLint value = 0;
  if (eglGetConfigAttrib(display, config, attribute, &value) != EGL_TRUE) return -1;
  return value;
}

// The first configuration with exactly 8 bits in each of the four channels, so the read-back
// holds the drawn bytes unchanged; else the driver's first choice.
EGLConfig pickConfig(EGLDisplay display, const EGLConfig* configs, EGLint count) {
  for (EGLint index = 0; index < count; ++index) {
    if (configAttribute(display, configs[index], EGL_RED_SIZE) == 8 &&
        configAttribute(display, configs[index], EGL_GREEN_SIZE) == 8 &&
        configAttribute(display, configs[index], EGL_BLUE_SIZE) == 8 &&
        configAttribute(display, configs[index], EGL_ALPHA_SIZE) == 8) {
      return configs[index];
    }
  }
  return configs[0];
}

// Prints a failure whose first line is the show's own message and whose second says what
// really failed.
bool fail(const char* message, const char* cause) {
  printLine(message);
  char detail[160];
  std::snprintf(detail, sizeof detail, "%s (EGL error 0x%04X)", cause, static_cast<unsigned>(eglGetError()));
  printLine(detail);
  return false;
}

}  // namespace

GLESHelper::~GLESHelper() {
  if (display != EGL_NO_DISPLAY) {
    // Only this helper's own context is released; another helper's current context stays.
    if (context != EGL_NO_CONTEXT && eglGetCurrentContext() == context) {
      eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    // The display is not terminated: it is the process's one display of its platform, shared by
    // every helper, and terminating it unloads the driver while the driver's own start-up data is
    // still referenced from it (reported as leaked by the leak checker). A later create initialises
    // the same display again, which EGL allows; the process's exit releases it.
  }
  pixels = nullptr;
  pixelStore.reset();
}

bool GLESHelper::create() {
  // llvmpipe's rasterizer threads cost more than they save on a 160x100 picture (measured: about a
  // fifth more CPU for the live show and the recordings alike), so it draws on the calling thread
  // unless whoever runs the show asked otherwise.
  setenv("LP_NUM_THREADS", "0", 0);

  pixelStore.reset(new (std::nothrow) std::uint32_t[kFramePixels]());
  pixels = pixelStore.get();
  if (pixels == nullptr) {
    // The frame's memory is ours here rather than a bitmap's: said as what happened, in one line.
    printLine("There is not enough memory for the 160x100 frame.");
    return false;
  }

  display = openDisplay();
  if (display == EGL_NO_DISPLAY) {
    printLine("eglGetDisplay() failed");
    return false;
  }
  if (eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
    printLine("eglInitialize() failed");
    return false;
  }
  EGLint available = 0;
  if (eglGetConfigs(display, nullptr, 0, &available) != EGL_TRUE) {
    printLine("eglGetConfigs() failed");
    return false;
  }
  EGLConfig configs[kConfigRoom];
  EGLint count = 0;
  if (eglChooseConfig(display, kConfigAttributes, configs, kConfigRoom, &count) != EGL_TRUE) {
    printLine("eglChooseConfig() failed");
    return false;
  }
  if (count <= 0) {
    printLine("num of configs is 0");
    return false;
  }
  const EGLConfig config = pickConfig(display, configs, count);
  clearAlphaOnRead = configAttribute(display, config, EGL_ALPHA_SIZE) <= 0;

  if (eglBindAPI(EGL_OPENGL_ES_API) != EGL_TRUE) {
    // No context can be made without the API; the show names the context step.
    return fail("eglCreateContext() failed", "eglBindAPI(EGL_OPENGL_ES_API) refused OpenGL ES");
  }
  context = eglCreateContext(display, config, EGL_NO_CONTEXT, kContextAttributes);
  if (context == EGL_NO_CONTEXT) {
    printLine("eglCreateContext() failed");
    return false;
  }
  surface = eglCreatePbufferSurface(display, config, kSurfaceAttributes);
  if (surface == EGL_NO_SURFACE) {
    // The show's message for its drawing surface, which here is a pbuffer rather than a pixmap.
    return fail("eglCreatePixmapSurface() failed", "eglCreatePbufferSurface() refused the 160x100 surface");
  }
  // Without a current context every later GL call would be dropped and the show would run black,
  // so a refusal here fails start-up like the steps before it.
  if (eglMakeCurrent(display, surface, surface, context) != EGL_TRUE) {
    printLine("eglMakeCurrent() failed");
    return false;
  }
  setupState();
  return true;
}

}  // namespace glimmer
