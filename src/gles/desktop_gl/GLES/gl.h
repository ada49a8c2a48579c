// <GLES/gl.h> for a render target on desktop OpenGL (the Windows build's WGL backend): OpenGL 1.1
// under the OpenGL ES 1.1 names the show uses, so the scenes, models and camera compile unchanged.
//
// - glFrustumf and glOrthof call the double-precision OpenGL 1.1 forms.
// - The buffer-object calls (glGenBuffers, glBindBuffer, glBufferData, glBufferSubData,
//   glDeleteBuffers, and glIsBuffer and glGetBufferParameteriv for the tests) go to
//   gles/desktop_gl.cpp, which takes them from the driver once the backend has made its context
//   current and called loadBufferCalls, or keeps the buffers in client memory where the driver has
//   none (Windows' own software OpenGL 1.1). glVertexPointer, glNormalPointer and glDrawElements go
//   there too, so an offset into a bound client-memory buffer becomes an address.
// Only the names the show uses are mapped; the rest of OpenGL ES 1.1 is not provided.
#pragma once

#include <cstddef>

#ifdef _WIN32
// opengl32's calling convention without including <windows.h> in every user of GL.
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#endif
#endif
#include <GL/gl.h>

typedef std::ptrdiff_t GLsizeiptr;
typedef std::ptrdiff_t GLintptr;

#define GL_ARRAY_BUFFER 0x8892
#define GL_ELEMENT_ARRAY_BUFFER 0x8893
#define GL_ARRAY_BUFFER_BINDING 0x8894
#define GL_ELEMENT_ARRAY_BUFFER_BINDING 0x8895
#define GL_STATIC_DRAW 0x88E4
#define GL_DYNAMIC_DRAW 0x88E8
#define GL_BUFFER_SIZE 0x8764
#define GL_BUFFER_USAGE 0x8765

inline void glFrustumf(GLfloat left, GLfloat right, GLfloat bottom, GLfloat top, GLfloat zNear, GLfloat zFar) {
  glFrustum(left, right, bottom, top, zNear, zFar);
}
inline void glOrthof(GLfloat left, GLfloat right, GLfloat bottom, GLfloat top, GLfloat zNear, GLfloat zFar) {
  glOrtho(left, right, bottom, top, zNear, zFar);
}

namespace glimmer::desktop_gl {

// Finds a GL entry point of the current context by name; null when the driver has none.
using ProcLookUp = void* (*)(const char* name);

// Takes the buffer calls from the driver of the context just made current, through lookUp; when
// any is missing, buffers live in client memory from here on. Forgets the buffers of before.
void loadBufferCalls(ProcLookUp lookUp);

void genBuffers(GLsizei count, GLuint* names);
void bindBuffer(GLenum target, GLuint name);
void bufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void bufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data);
void deleteBuffers(GLsizei count, const GLuint* names);
GLboolean isBuffer(GLuint name);
void getBufferParameteriv(GLenum target, GLenum parameter, GLint* value);
void vertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void normalPointer(GLenum type, GLsizei stride, const void* pointer);
void drawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);

}  // namespace glimmer::desktop_gl

#ifndef GLIMMER_GL_SHIM_IMPLEMENTATION
#define glGenBuffers ::glimmer::desktop_gl::genBuffers
#define glBindBuffer ::glimmer::desktop_gl::bindBuffer
#define glBufferData ::glimmer::desktop_gl::bufferData
#define glBufferSubData ::glimmer::desktop_gl::bufferSubData
#define glDeleteBuffers ::glimmer::desktop_gl::deleteBuffers
#define glIsBuffer ::glimmer::desktop_gl::isBuffer
#define glGetBufferParameteriv ::glimmer::desktop_gl::getBufferParameteriv
#define glVertexPointer ::glimmer::desktop_gl::vertexPointer
#define glNormalPointer ::glimmer::desktop_gl::normalPointer
#define glDrawElements ::glimmer::desktop_gl::drawElements
#endif
