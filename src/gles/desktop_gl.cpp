// The desktop-GL shim's buffer calls: the driver's, loaded by name once a context is current, or
// buffers kept in client memory where the driver has none. See GLES/gl.h in gles/desktop_gl.
#define GLIMMER_GL_SHIM_IMPLEMENTATION
#include <GLES/gl.h>

#include <cstddef>

#include "gles/client_buffers.h"

// The driver's calling convention for entry points it hands out.
#ifdef APIENTRY
#define GLIMMER_GL_CALL APIENTRY
#else
#define GLIMMER_GL_CALL
#endif

namespace glimmer {
namespace {

// The driver's buffer-object entry points, or null (then ClientBuffers stands in).
using GenBuffersProc = void(GLIMMER_GL_CALL*)(GLsizei, GLuint*);
using BindBufferProc = void(GLIMMER_GL_CALL*)(GLenum, GLuint);
using BufferDataProc = void(GLIMMER_GL_CALL*)(GLenum, GLsizeiptr, const void*, GLenum);
using BufferSubDataProc = void(GLIMMER_GL_CALL*)(GLenum, GLintptr, GLsizeiptr, const void*);
using DeleteBuffersProc = void(GLIMMER_GL_CALL*)(GLsizei, const GLuint*);
using IsBufferProc = GLboolean(GLIMMER_GL_CALL*)(GLuint);
using GetBufferParameterivProc = void(GLIMMER_GL_CALL*)(GLenum, GLenum, GLint*);

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

// The core name's entry point, else the ARB extension's.
template <typename Proc>
Proc lookUpEither(desktop_gl::ProcLookUp lookUp, const char* core, const char* arb) {
  void* found = lookUp(core);
  if (found == nullptr) found = lookUp(arb);
  return reinterpret_cast<Proc>(found);
}

}  // namespace

namespace desktop_gl {

void loadBufferCalls(ProcLookUp lookUp) {
  driver = BufferCalls{};
  driver.genBuffers = lookUpEither<GenBuffersProc>(lookUp, "glGenBuffers", "glGenBuffersARB");
  driver.bindBuffer = lookUpEither<BindBufferProc>(lookUp, "glBindBuffer", "glBindBufferARB");
  driver.bufferData = lookUpEither<BufferDataProc>(lookUp, "glBufferData", "glBufferDataARB");
  driver.bufferSubData = lookUpEither<BufferSubDataProc>(lookUp, "glBufferSubData", "glBufferSubDataARB");
  driver.deleteBuffers = lookUpEither<DeleteBuffersProc>(lookUp, "glDeleteBuffers", "glDeleteBuffersARB");
  driver.isBuffer = lookUpEither<IsBufferProc>(lookUp, "glIsBuffer", "glIsBufferARB");
  driver.getBufferParameteriv =
      lookUpEither<GetBufferParameterivProc>(lookUp, "glGetBufferParameteriv", "glGetBufferParameterivARB");
  driver.native = driver.genBuffers != nullptr && driver.bindBuffer != nullptr && driver.bufferData != nullptr &&
                  driver.bufferSubData != nullptr && driver.deleteBuffers != nullptr && driver.isBuffer != nullptr &&
                  driver.getBufferParameteriv != nullptr;
  clientBuffers = ClientBuffers{};
}

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

}  // namespace desktop_gl

}  // namespace glimmer
