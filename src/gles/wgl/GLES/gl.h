// <GLES/gl.h> for the Windows build: OpenGL 1.1 (opengl32.dll) under the OpenGL ES 1.1 names the
// show uses, so the scenes, models and camera compile unchanged.
//
// - glFrustumf and glOrthof call the double-precision OpenGL 1.1 forms.
// - The buffer-object calls (glGenBuffers, glBindBuffer, glBufferData, glBufferSubData,
//   glDeleteBuffers, and glIsBuffer and glGetBufferParameteriv for the tests) go to the render
//   target's backend (gles_helper_wgl.cpp), which loads them with wglGetProcAddress once its context
//   exists, or keeps the buffers in client memory where the driver has none (Windows' own
//   software OpenGL 1.1). glVertexPointer, glNormalPointer and glDrawElements go there too, so an
//   offset into a bound client-memory buffer becomes an address.
// Only the names the show uses are mapped; the rest of OpenGL ES 1.1 is not provided.
#pragma once

#include <cstddef>

// opengl32's calling convention without including <windows.h> in every user of GL.
#ifndef APIENTRY
#define APIENTRY __stdcall
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
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

namespace glimmer::wgl {

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

}  // namespace glimmer::wgl

#ifndef GLIMMER_GL_SHIM_IMPLEMENTATION
#define glGenBuffers ::glimmer::wgl::genBuffers
#define glBindBuffer ::glimmer::wgl::bindBuffer
#define glBufferData ::glimmer::wgl::bufferData
#define glBufferSubData ::glimmer::wgl::bufferSubData
#define glDeleteBuffers ::glimmer::wgl::deleteBuffers
#define glIsBuffer ::glimmer::wgl::isBuffer
#define glGetBufferParameteriv ::glimmer::wgl::getBufferParameteriv
#define glVertexPointer ::glimmer::wgl::vertexPointer
#define glNormalPointer ::glimmer::wgl::normalPointer
#define glDrawElements ::glimmer::wgl::drawElements
#endif
