// GLESHelper backend for Windows: OpenGL 1.1 through WGL, drawing into a 160x100 32-bit DIB
// section selected into a memory DC, read back with glReadPixels like the EGL backend.
//
// Calls: CreateCompatibleDC, CreateDIBSection, SelectObject, ChoosePixelFormat, DescribePixelFormat,
// SetPixelFormat, wglCreateContext, wglMakeCurrent, wglGetCurrentContext, wglGetProcAddress,
// wglDeleteContext, DeleteDC, DeleteObject. Also the stand-ins for the OpenGL ES names that
// OpenGL 1.1 lacks (src/gles/wgl/GLES/gl.h).
//
// LIMITATIONS
// - A bitmap context is rendered in software (Windows' own GDI OpenGL, or under Wine its OSMesa
//   renderer; without libosmesa Wine offers no pixel format for bitmaps and start-up fails).
// - Buffer objects come from the driver when it has them (OpenGL 1.5 or ARB_vertex_buffer_object);
//   Windows' own OpenGL 1.1 has none, and then they live in client memory (ClientBuffers).
// - One context per process is expected; with two helpers alive GL calls go to the one created
//   last, as under EGL.
#include <windows.h>

#define GLIMMER_GL_SHIM_IMPLEMENTATION
#include <GLES/gl.h>

#include <cstdint>
#include <new>

#include "base/frame_buffer.h"
#include "base/report.h"
#include "gles/client_buffers.h"
#include "gles/gles_helper.h"

namespace glimmer {
namespace {

// The driver's buffer-object entry points, or null (then ClientBuffers stands in).
using GenBuffersProc = void(APIENTRY*)(GLsizei, GLuint*);
using BindBufferProc = void(APIENTRY*)(GLenum, GLuint);
using BufferDataProc = void(APIENTRY*)(GLenum, GLsizeiptr, const void*, GLenum);
using BufferSubDataProc = void(APIENTRY*)(GLenum, GLintptr, GLsizeiptr, const void*);
using DeleteBuffersProc = void(APIENTRY*)(GLsizei, const GLuint*);
using IsBufferProc = GLboolean(APIENTRY*)(GLuint);
using GetBufferParameterivProc = void(APIENTRY*)(GLenum, GLenum, GLint*);

struct BufferCalls {
  GenBuffersProc genBuffers = nullptr;
  BindBufferProc bindBuffer = nullptr;
  BufferDataProc bufferData = nullptr;
  BufferSubDataProc bufferSubData = nullptr;
  DeleteBuffersProc deleteBuffers = nullptr;
  IsBufferProc isBuffer = nullptr;
  GetBufferParameterivProc getBufferParameteriv = nullptr;
  bool native = false;  // all seven were found
};

BufferCalls driver;
ClientBuffers clientBuffers;

// wglGetProcAddress returns small non-null values for some missing names on some drivers.
PROC lookUp(const char* name) {
  PROC found = wglGetProcAddress(name);
  const auto value = reinterpret_cast<std::intptr_t>(found);
  if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) return nullptr;
  return found;
}

template <typename Proc>
Proc lookUpEither(const char* core, const char* arb) {
  PROC found = lookUp(core);
  if (found == nullptr) found = lookUp(arb);
  // Through void*: a PROC and the real signature are different function types.
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(found));
}

// Loads the buffer calls for the context just made current; any missing one means client memory.
void loadBufferCalls() {
  driver = BufferCalls{};
  driver.genBuffers = lookUpEither<GenBuffersProc>("glGenBuffers", "glGenBuffersARB");
  driver.bindBuffer = lookUpEither<BindBufferProc>("glBindBuffer", "glBindBufferARB");
  driver.bufferData = lookUpEither<BufferDataProc>("glBufferData", "glBufferDataARB");
  driver.bufferSubData = lookUpEither<BufferSubDataProc>("glBufferSubData", "glBufferSubDataARB");
  driver.deleteBuffers = lookUpEither<DeleteBuffersProc>("glDeleteBuffers", "glDeleteBuffersARB");
  driver.isBuffer = lookUpEither<IsBufferProc>("glIsBuffer", "glIsBufferARB");
  driver.getBufferParameteriv =
      lookUpEither<GetBufferParameterivProc>("glGetBufferParameteriv", "glGetBufferParameterivARB");
  driver.native = driver.genBuffers != nullptr && driver.bindBuffer != nullptr && driver.bufferData != nullptr &&
                  driver.bufferSubData != nullptr && driver.deleteBuffers != nullptr && driver.isBuffer != nullptr &&
                  driver.getBufferParameteriv != nullptr;
  clientBuffers = ClientBuffers{};
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

namespace wgl {

void genBuffers(GLsizei count, GLuint* names) {
  if (driver.native) {
    driver.genBuffers(count, names);
  } else {
    clientBuffers.generate(count, names);
  }
}

void bindBuffer(GLenum target, GLuint name) {
  if (driver.native) {
    driver.bindBuffer(target, name);
  } else {
    clientBuffers.bind(target, name);
  }
}

void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
  if (driver.native) {
    driver.bufferData(target, size, data, usage);
  } else if (size >= 0) {
    clientBuffers.data(target, static_cast<std::size_t>(size), data);
  }
}

void bufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data) {
  if (driver.native) {
    driver.bufferSubData(target, offset, size, data);
  } else if (offset >= 0 && size >= 0) {
    clientBuffers.subData(target, static_cast<std::size_t>(offset), static_cast<std::size_t>(size), data);
  }
}

void deleteBuffers(GLsizei count, const GLuint* names) {
  if (driver.native) {
    driver.deleteBuffers(count, names);
  } else {
    clientBuffers.remove(count, names);
  }
}

GLboolean isBuffer(GLuint name) {
  if (driver.native) return driver.isBuffer(name);
  return clientBuffers.isBuffer(name) ? GL_TRUE : GL_FALSE;
}

void getBufferParameteriv(GLenum target, GLenum parameter, GLint* value) {
  if (driver.native) {
    driver.getBufferParameteriv(target, parameter, value);
  } else if (parameter == GL_BUFFER_SIZE) {
    *value = static_cast<GLint>(clientBuffers.size(target));
  }
}

void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
  ::glVertexPointer(size, type, stride, driver.native ? pointer : clientBuffers.resolve(GL_ARRAY_BUFFER, pointer));
}

void normalPointer(GLenum type, GLsizei stride, const void* pointer) {
  ::glNormalPointer(type, stride, driver.native ? pointer : clientBuffers.resolve(GL_ARRAY_BUFFER, pointer));
}

void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  ::glDrawElements(mode, count, type,
                   driver.native ? indices : clientBuffers.resolve(GL_ELEMENT_ARRAY_BUFFER, indices));
}

}  // namespace wgl

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
  loadBufferCalls();
  setupState();
  return true;
}

}  // namespace glimmer
