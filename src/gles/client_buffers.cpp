// Buffer objects in client memory; see client_buffers.h.
#include "gles/client_buffers.h"

#include <cstring>

namespace glimmer {

int ClientBuffers::slot(unsigned target) const {
  if (target == kArrayBuffer) return 0;
  if (target == kElementArrayBuffer) return 1;
  return -1;
}

void ClientBuffers::generate(int count, unsigned* names) {
  for (int index = 0; index < count; ++index) {
    while (nextName_ == 0 || buffers_.count(nextName_) != 0) ++nextName_;
    names[index] = nextName_++;
  }
}

bool ClientBuffers::bind(unsigned target, unsigned name) {
  const int which = slot(target);
  if (which < 0) return false;
  if (name != 0) buffers_.try_emplace(name);
  bound_[which] = name;
  return true;
}

bool ClientBuffers::data(unsigned target, std::size_t size, const void* data) {
  const unsigned name = bound(target);
  if (name == 0) return false;
  std::vector<std::uint8_t>& store = buffers_[name];
  store.assign(size, 0);
  if (data != nullptr && size > 0) std::memcpy(store.data(), data, size);
  return true;
}

bool ClientBuffers::subData(unsigned target, std::size_t offset, std::size_t size, const void* data) {
  const unsigned name = bound(target);
  if (name == 0) return false;
  std::vector<std::uint8_t>& store = buffers_[name];
  if (offset > store.size() || size > store.size() - offset) return false;
  if (size > 0) std::memcpy(store.data() + offset, data, size);
  return true;
}

void ClientBuffers::remove(int count, const unsigned* names) {
  for (int index = 0; index < count; ++index) {
    const unsigned name = names[index];
    if (name == 0) continue;
    buffers_.erase(name);
    for (unsigned& binding : bound_) {
      if (binding == name) binding = 0;
    }
  }
}

bool ClientBuffers::isBuffer(unsigned name) const { return name != 0 && buffers_.count(name) != 0; }

std::size_t ClientBuffers::size(unsigned target) const {
  const unsigned name = bound(target);
  if (name == 0) return 0;
  return buffers_.at(name).size();
}

unsigned ClientBuffers::bound(unsigned target) const {
  const int which = slot(target);
  return which < 0 ? 0 : bound_[which];
}

const void* ClientBuffers::resolve(unsigned target, const void* offsetOrPointer) const {
  const unsigned name = bound(target);
  if (name == 0) return offsetOrPointer;
  const std::uint8_t* base = buffers_.at(name).data();
  return base + reinterpret_cast<std::uintptr_t>(offsetOrPointer);
}

}  // namespace glimmer
