// GLESHelper backend for Windows: OpenGL 1.1 through WGL, drawing into a 160x100 32-bit DIB
// section selected into a memory DC, read back with glReadPixels like the EGL backend.
//
// Calls: CreateCompatibleDC, CreateDIBSection, SelectObject, ChoosePixelFormat, DescribePixelFormat,
// SetPixelFormat, wglCreateContext, wglMakeCurrent, wglGetCurrentContext, wglGetProcAddress,
// wglDeleteContext, DeleteDC, DeleteObject. The OpenGL ES names that OpenGL 1.1 lacks come from
// the desktop-GL shim (gles/desktop_gl/GLES/gl.h), which it hands its entry points.
//
// LIMITATIONS
// - A bitmap context is rendered in software (Windows' own GDI OpenGL, or under Wine its OSMesa
//   renderer; without libosmesa Wine offers no pixel format for bitmaps and start-up fails).
// - Buffer objects come from the driver when it has them (OpenGL 1.5 or ARB_vertex_buffer_object);
//   Windows' own OpenGL 1.1 has none, and then they live in client memory (ClientBuffers).
// - One context per process is expected; with two helpers alive GL calls go to the one created
//   last, as under EGL.
#include <windows.h>

#include <GLES/gl.h>

#include <cstdint>
#include <new>

#include "base/frame_buffer.h"
#include "base/report.h"
#include "gles/gles_helper.h"

namespace glimmer {
namespace {

// wglGetProcAddress returns small non-null values for some missing names on some drivers.
void* lookUp(const char* name) {
  PROC found = wglGetProcAddress(name);
  const auto value = reinterpret_cast<std::intptr_t>(found);
  if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) return nullptr;
  return reinterpret_cast<void*>(found);
}

// The pixel format: 32-bit RGBA drawn into a bitmap, 16-bit depth, 8-bit stencil.
PIXELFORMATDESCRIPTOR bitmapFormat() {
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 32;
  format.cDepthBits = 16;
  format.cStencilBits = 8;
  format.iLayerType = PFD_MAIN_PLANE;
  return format;
}

}  // namespace

GLESHelper::~GLESHelper() {
  auto memoryDc = static_cast<HDC>(display);
  auto glContext = static_cast<HGLRC>(context);
  if (glContext != nullptr) {
    if (wglGetCurrentContext() == glContext) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(glContext);
  }
  // Deleting the DC first lets go of the bitmap selected into it.
  if (memoryDc != nullptr) DeleteDC(memoryDc);
  if (surface != nullptr) DeleteObject(static_cast<HBITMAP>(surface));
  pixels = nullptr;
  pixelStore.reset();
}

bool GLESHelper::create() {
  pixelStore.reset(new (std::nothrow) std::uint32_t[kFramePixels]());
  pixels = pixelStore.get();
  if (pixels == nullptr) {
    printLine("CreateDIBSection() failed");
    return false;
  }

  HDC memoryDc = CreateCompatibleDC(nullptr);
  display = memoryDc;
  if (memoryDc == nullptr) {
    printLine("CreateCompatibleDC() failed");
    return false;
  }
  // 160x100, 32 bits, top row first (negative height), uncompressed.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kFrameWidth;
  info.bmiHeader.biHeight = -kFrameHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  surface = bitmap;
  if (bitmap == nullptr || bits == nullptr) {
    printLine("CreateDIBSection() failed");
    return false;
  }
  SelectObject(memoryDc, bitmap);

  const PIXELFORMATDESCRIPTOR wanted = bitmapFormat();
  const int format = ChoosePixelFormat(memoryDc, &wanted);
  if (format == 0) {
    printLine("ChoosePixelFormat() failed");
    printLine("No OpenGL pixel format draws into a bitmap here (under Wine, install libosmesa6).");
    return false;
  }
  PIXELFORMATDESCRIPTOR chosen{};
  DescribePixelFormat(memoryDc, format, sizeof chosen, &chosen);
  clearAlphaOnRead = chosen.cAlphaBits == 0;
  if (SetPixelFormat(memoryDc, format, &chosen) == FALSE) {
    printLine("SetPixelFormat() failed");
    return false;
  }
  HGLRC glContext = wglCreateContext(memoryDc);
  context = glContext;
  if (glContext == nullptr) {
    printLine("wglCreateContext() failed");
    return false;
  }
  // Without a current context every later GL call would be dropped and the show would run black.
  if (wglMakeCurrent(memoryDc, glContext) == FALSE) {
    printLine("wglMakeCurrent() failed");
    return false;
  }
  desktop_gl::loadBufferCalls(lookUp);
  setupState();
  return true;
}

}  // namespace glimmer
