// ClientBuffers: OpenGL buffer objects kept in the program's own memory, for an OpenGL that has
// none (Windows' software OpenGL 1.1). The render target's Windows backend routes the buffer calls
// here when the driver lacks them, and turns offsets into a bound buffer into addresses before
// they reach glVertexPointer, glNormalPointer and glDrawElements.
//
// Follows OpenGL's rules where the show relies on them: names come from generate() and become
// buffers when first bound; binding 0 unbinds; deleting a bound buffer unbinds it; data() replaces
// the store, subData() writes inside it. Targets are the array and element-array buffers only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace glimmer {

class ClientBuffers {
 public:
  static constexpr unsigned kArrayBuffer = 0x8892;         // GL_ARRAY_BUFFER
  static constexpr unsigned kElementArrayBuffer = 0x8893;  // GL_ELEMENT_ARRAY_BUFFER

  // Writes count unused names (never 0) into names.
  void generate(int count, unsigned* names);

  // Binds name to target (0 unbinds), creating an empty buffer for a name not seen before.
  // False for another target.
  bool bind(unsigned target, unsigned name);

  // Replaces the store of the buffer bound to target with size bytes, copied from data when not
  // null, else zeros. False when no buffer is bound. Allocates.
  bool data(unsigned target, std::size_t size, const void* data);

  // Copies size bytes into the bound buffer at offset. False when no buffer is bound or the range
  // does not lie inside its store; nothing is written then. Allocates nothing.
  bool subData(unsigned target, std::size_t offset, std::size_t size, const void* data);

  // Deletes the buffers named (unknown names and 0 are ignored), unbinding them where bound.
  void remove(int count, const unsigned* names);

  // True for a name that has been bound and not deleted since.
  bool isBuffer(unsigned name) const;

  // The size in bytes of the buffer bound to target; 0 when none is bound.
  std::size_t size(unsigned target) const;

  // The name bound to target; 0 when none.
  unsigned bound(unsigned target) const;

  // What a pointer argument means while target's binding is in force: the address offsetOrPointer
  // bytes into the bound buffer's store, or offsetOrPointer itself when no buffer is bound.
  const void* resolve(unsigned target, const void* offsetOrPointer) const;

 private:
  int slot(unsigned target) const;

  std::map<unsigned, std::vector<std::uint8_t>> buffers_;
  unsigned nextName_ = 1;
  unsigned bound_[2] = {0, 0};
};

}  // namespace glimmer
