// The decode-ahead track; see track.h.
#include "music/track.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace glimmer {
namespace {

constexpr std::size_t kRingSeconds = 6;     // room in the ring
constexpr std::size_t kHistorySeconds = 1;  // kept behind the latest read
constexpr std::size_t kDecodeChunk = 4096;  // frames asked of the decoder at a time

}  // namespace

struct Track::State {
  std::string path;
  OggReader lengthReader;
  int rate = 0;

  std::atomic<bool> stopping{false};

  std::mutex lock;
  std::condition_variable changed;  // a pass ended, frames arrived, a reader moved, or stopping
  bool measured = false;            // the length pass is over
  bool damaged = false;             // the length pass stopped at a damaged spot
  bool ringDone = false;            // the ring pass is over: no more frames will come
  std::size_t frames = 0;           // the track's length in frames, once measured
  std::size_t decoded = 0;          // frames [0, decoded) have been decoded into the ring
  std::size_t keptFrom = 0;         // frames before this may be dropped from the ring
  std::size_t capacity = 0;         // frames in the ring
  std::vector<float> ring;          // frame f at (f % capacity), two floats

  // With the lock held: copies frames [first, first + count) out of the ring, zeros past the end.
  void copy(std::size_t first, std::size_t count, float* out) const {
    for (std::size_t n = 0; n < count; ++n) {
      const std::size_t frame = first + n;
      if (frame >= frames) {
        out[2 * n] = 0.0f;
        out[2 * n + 1] = 0.0f;
        continue;
      }
      const std::size_t at = 2 * (frame % capacity);
      out[2 * n] = ring[at];
      out[2 * n + 1] = ring[at + 1];
    }
  }

  // With the lock held: a read at first keeps a second of history before it and no more.
  void noteRead(std::size_t first) {
    const std::size_t history = kHistorySeconds * static_cast<std::size_t>(rate);
    const std::size_t keep = first > history ? first - history : 0;
    if (keep > keptFrom) {
      keptFrom = keep;
      changed.notify_all();
    }
  }

  // The worker after the length pass, a rewind or a seek: the ring from frame first (decoded
  // already says so), if the track has frames there.
  void runRing(std::size_t first) {
    if (first < frames) fillRing(first);
    {
      std::lock_guard<std::mutex> guard(lock);
      ringDone = true;
    }
    changed.notify_all();
  }

  // The worker: the length pass, then the ring.
  void run() {
    std::size_t length = 0;
    lengthReader.decodeEach(kDecodeChunk, [&](const float*, std::size_t count) {
      length += count;
      return !stopping.load();
    });
    {
      std::lock_guard<std::mutex> guard(lock);
      frames = stopping.load() ? 0 : length;
      damaged = !stopping.load() && lengthReader.stoppedAtDamage();
      measured = true;
    }
    changed.notify_all();
    runRing(0);
  }

  // Decodes the file again into the ring from frame first on, never more than the ring's room
  // ahead of the readers.
  void fillRing(std::size_t first) {
    OggReader reader;
    if (!reader.open(path.c_str())) return;
    if (first > 0 && !reader.seek(first)) return;
    reader.decodeEach(kDecodeChunk, [&](const float* interleaved, std::size_t count) {
      for (std::size_t n = 0; n < count;) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stopping.load() || decoded < keptFrom + capacity; });
        if (stopping.load()) return false;
        // As many as fit before the ring would overwrite a kept frame.
        const std::size_t room = keptFrom + capacity - decoded;
        const std::size_t batch = std::min({room, count - n, frames - std::min(frames, decoded)});
        if (batch == 0) return false;  // more than the length pass found: the rest is not played
        for (std::size_t k = 0; k < batch; ++k) {
          const std::size_t at = 2 * ((decoded + k) % capacity);
          ring[at] = interleaved[2 * (n + k)];
          ring[at + 1] = interleaved[2 * (n + k) + 1];
        }
        decoded += batch;
        n += batch;
        guard.unlock();
        changed.notify_all();
      }
      return true;
    });
  }
};

Track::Track() : state_(std::make_unique<State>()) {}

Track::~Track() {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->stopping.store(true);
  }
  state_->changed.notify_all();
  if (worker_.joinable()) worker_.join();
}

bool Track::open(const char* path) {
  if (path == nullptr || worker_.joinable() || !state_->lengthReader.open(path)) return false;
  State& state = *state_;
  state.path = path;
  state.rate = state.lengthReader.sampleRate();
  state.capacity = kRingSeconds * static_cast<std::size_t>(state.rate);
  state.ring.assign(2 * state.capacity, 0.0f);
  worker_ = std::thread([&state] { state.run(); });
  return true;
}

void Track::rewind() {
  waitUntilMeasured();
  restartAt(0);
}

void Track::seek(std::size_t frame) {
  waitUntilMeasured();
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    frame = std::min(frame, state_->frames);
    if (frame >= state_->keptFrom && frame <= state_->decoded) return;  // in the ring, or next
  }
  restartAt(frame);
}

void Track::restartAt(std::size_t frame) {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->stopping.store(true);
  }
  state_->changed.notify_all();
  if (worker_.joinable()) worker_.join();
  State& state = *state_;
  state.stopping.store(false);
  frame = std::min(frame, state.frames);
  state.decoded = frame;
  state.keptFrom = frame;
  state.ringDone = false;
  if (frame < state.frames) {
    worker_ = std::thread([&state, frame] { state.runRing(frame); });
  } else {
    state.ringDone = true;  // nothing left to decode: reads there are silence
  }
}

bool Track::waitUntilMeasured() {
  std::unique_lock<std::mutex> guard(state_->lock);
  state_->changed.wait(guard, [this] { return state_->measured || !worker_.joinable(); });
  return state_->frames > 0;
}

bool Track::measured() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->measured;
}

bool Track::damaged() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->damaged;
}

std::size_t Track::frameCount() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->frames;
}

int Track::sampleRate() const { return state_->rate; }

std::size_t Track::read(std::size_t first, std::size_t count, float* out) {
  State& state = *state_;
  std::unique_lock<std::mutex> guard(state.lock);
  state.noteRead(first);
  if (first >= state.frames) {
    std::fill(out, out + 2 * count, 0.0f);
    return 0;
  }
  const std::size_t end = std::min(first + count, state.frames);
  state.changed.wait(guard, [&] { return state.stopping.load() || state.ringDone || state.decoded >= end; });
  if (first < state.keptFrom || state.decoded < end) {
    std::fill(out, out + 2 * count, 0.0f);
    return 0;
  }
  state.copy(first, count, out);
  return end > first ? end - first : 0;
}

bool Track::readIfReady(std::size_t first, std::size_t count, float* out) {
  State& state = *state_;
  std::lock_guard<std::mutex> guard(state.lock);
  if (!state.measured) return false;
  state.noteRead(first);
  const std::size_t end = std::min(first + count, state.frames);
  if (first < state.keptFrom || state.decoded < end) return false;
  state.copy(first, count, out);
  return true;
}

}  // namespace glimmer
