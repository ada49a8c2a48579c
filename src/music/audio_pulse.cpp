// Output through a sound server with libpulse's threaded main loop (pa_threaded_mainloop_*,
// pa_context_connect without autospawn, pa_stream_connect_playback, pa_stream_write from the
// write callback, pa_stream_drain at the end, pa_stream_get_time for the heard position).
//
// LIMITATIONS: the position is the server's estimate of what the sink has played, interpolated
// between timing updates; a sink with a long latency of its own (Bluetooth) may not report it.
// libpulse may print its own warnings on standard error when a server misbehaves. A server that
// takes the connection but never answers is given up after 2 s (connecting, and again when the
// stream starts).
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "music/audio_linux.h"

namespace glimmer {
namespace {

constexpr std::size_t kFrameBytes = 2 * sizeof(float);
constexpr pa_usec_t kTargetLatencyUsec = 100000;
constexpr pa_usec_t kAnswerTimeoutUsec = 2000000;

class PulseOutput final : public AudioOutput {
 public:
  ~PulseOutput() override {
    if (loop == nullptr) return;
    pa_threaded_mainloop_lock(loop);
    closeStream();
    if (context != nullptr) {
      pa_context_disconnect(context);
      pa_context_unref(context);
      context = nullptr;
    }
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
  }

  // Connects to the default server; false when none answers within the time allowed (timedOut
  // then says whether one took the connection and fell silent).
  bool connect(bool& timedOut) {
    loop = pa_threaded_mainloop_new();
    if (loop == nullptr) return false;
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Glimmerfolding");
    if (context == nullptr) return false;
    pa_context_set_state_callback(context, &PulseOutput::signalLoop, loop);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
    pa_threaded_mainloop_lock(loop);
    if (pa_threaded_mainloop_start(loop) < 0) {
      pa_threaded_mainloop_unlock(loop);
      return false;
    }
    const bool ready = waitWithTimeout([this] {
      const pa_context_state_t state = pa_context_get_state(context);
      return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    timedOut = !ready;
    const bool connected = ready && pa_context_get_state(context) == PA_CONTEXT_READY;
    pa_threaded_mainloop_unlock(loop);
    return connected;
  }

  bool start(TrackSource& audio, std::size_t firstFrame) override {
    stop();
    pa_threaded_mainloop_lock(loop);
    track = &audio;
    firstFrame_ = std::min(firstFrame, audio.frameCount());
    writtenFrames = firstFrame_;
    drained = false;
    stopping = false;
    const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(audio.sampleRate()), 2};
    stream = pa_stream_new(context, "Glimmerfolding music", &sampleFormat, nullptr);
    bool ready = false;
    if (stream != nullptr) {
      pa_stream_set_state_callback(stream, &PulseOutput::signalLoop, loop);
      pa_stream_set_write_callback(stream, &PulseOutput::onWritable, this);
      pa_buffer_attr attributes;
      attributes.maxlength = static_cast<std::uint32_t>(-1);
      attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatencyUsec, &sampleFormat));
      attributes.prebuf = static_cast<std::uint32_t>(-1);
      attributes.minreq = static_cast<std::uint32_t>(-1);
      attributes.fragsize = static_cast<std::uint32_t>(-1);
      const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                        PA_STREAM_AUTO_TIMING_UPDATE);
      if (pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) == 0) {
        waitWithTimeout([this] {
          const pa_stream_state_t state = pa_stream_get_state(stream);
          return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        });
        ready = pa_stream_get_state(stream) == PA_STREAM_READY;
      }
    }
    if (!ready) closeStream();
    pa_threaded_mainloop_unlock(loop);
    return ready;
  }

  double heardSeconds() override {
    pa_threaded_mainloop_lock(loop);
    pa_usec_t usec = 0;
    const bool playing = stream != nullptr;
    const bool known = playing && pa_stream_get_time(stream, &usec) == 0;
    const double first = playing ? static_cast<double>(firstFrame_) / track->sampleRate() : 0.0;
    pa_threaded_mainloop_unlock(loop);
    return first + (known ? static_cast<double>(usec) / 1e6 : 0.0);
  }

  bool finished() override {
    pa_threaded_mainloop_lock(loop);
    const bool done = stream != nullptr && (drained || !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)));
    pa_threaded_mainloop_unlock(loop);
    return done;
  }

  void stop() override {
    pa_threaded_mainloop_lock(loop);
    if (stream == nullptr) {
      pa_threaded_mainloop_unlock(loop);
      return;
    }
    stopping = true;
    pa_usec_t waitUsec = 0;
    if (!drained && pa_stream_get_state(stream) == PA_STREAM_READY) {
      // Replace what the server holds beyond its read position with a short fade to silence, then
      // let that fade be heard before the stream goes; cutting the stream mid-wave would click.
      const pa_timing_info* timing = pa_stream_get_timing_info(stream);
      std::size_t fadeStart = writtenFrames;
      if (timing != nullptr && timing->read_index >= 0) {
        fadeStart = std::min<std::size_t>(firstFrame_ + static_cast<std::size_t>(timing->read_index) / kFrameBytes,
                                          writtenFrames);
      }
      const std::size_t fadeFrames = static_cast<std::size_t>(kStopFadeSeconds * track->sampleRate());
      float fade[2 * 2048];
      const std::size_t count = std::min<std::size_t>(fadeFrames, 2048);
      fillStopFade(*track, fadeStart, count, fade);
      pa_stream_write(stream, fade, count * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE_ON_READ);
      pa_usec_t latency = 0;
      int negative = 0;
      if (pa_stream_get_latency(stream, &latency, &negative) != 0 || negative != 0) latency = kTargetLatencyUsec;
      waitUsec = std::min<pa_usec_t>(latency, 2 * kTargetLatencyUsec) + static_cast<pa_usec_t>(kStopFadeSeconds * 1e6);
    }
    pa_threaded_mainloop_unlock(loop);
    if (waitUsec > 0) std::this_thread::sleep_for(std::chrono::microseconds(waitUsec));
    pa_threaded_mainloop_lock(loop);
    closeStream();
    pa_threaded_mainloop_unlock(loop);
  }

 private:
  // With the lock held: waits on the loop until done() holds or the server has not answered for
  // kAnswerTimeoutUsec; false on the timeout.
  template <typename Done>
  bool waitWithTimeout(Done done) {
    bool timedOut = false;
    struct Alarm {
      pa_threaded_mainloop* loop;
      bool* timedOut;
    } alarm{loop, &timedOut};
    pa_time_event* timer = pa_context_rttime_new(
        context, pa_rtclock_now() + kAnswerTimeoutUsec,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
          auto* fired = static_cast<Alarm*>(userdata);
          *fired->timedOut = true;
          pa_threaded_mainloop_signal(fired->loop, 0);
        },
        &alarm);
    while (!done() && !timedOut) pa_threaded_mainloop_wait(loop);
    if (timer != nullptr) pa_threaded_mainloop_get_api(loop)->time_free(timer);
    return !timedOut || done();
  }

  static void signalLoop(pa_context*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
  }
  static void signalLoop(pa_stream*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
  }

  // Runs on the main loop's thread, with its lock held. The frames are read straight into the
  // server's own buffer.
  static void onWritable(pa_stream* writable, std::size_t bytes, void* userdata) {
    auto* self = static_cast<PulseOutput*>(userdata);
    if (self->stopping || self->track == nullptr) return;
    const std::size_t total = self->track->frameCount();
    std::size_t frames = std::min(total - self->writtenFrames, bytes / kFrameBytes);
    void* data = nullptr;
    std::size_t room = frames * kFrameBytes;
    if (frames > 0 && pa_stream_begin_write(writable, &data, &room) == 0 && data != nullptr) {
      frames = std::min(frames, room / kFrameBytes);
      self->track->read(self->writtenFrames, frames, static_cast<float*>(data));
      pa_stream_write(writable, data, frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
      self->writtenFrames += frames;
    }
    if (self->writtenFrames == total && !self->drainRequested) {
      self->drainRequested = true;
      pa_operation* drain = pa_stream_drain(writable, &PulseOutput::onDrained, self);
      if (drain != nullptr) pa_operation_unref(drain);
    }
  }

  static void onDrained(pa_stream*, int, void* userdata) {
    auto* self = static_cast<PulseOutput*>(userdata);
    if (!self->stopping) self->drained = true;
    pa_threaded_mainloop_signal(self->loop, 0);
  }

  // With the lock held.
  void closeStream() {
    if (stream == nullptr) return;
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
    track = nullptr;
    drainRequested = false;
  }

  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  TrackSource* track = nullptr;
  std::size_t firstFrame_ = 0;    // the frame the stream began with
  std::size_t writtenFrames = 0;  // the track's frames up to here are in the stream
  bool drainRequested = false;
  bool drained = false;
  bool stopping = false;
};

}  // namespace

std::unique_ptr<AudioOutput> createPulseOutput(bool* serverSilent) {
  auto output = std::make_unique<PulseOutput>();
  bool timedOut = false;
  const bool connected = output->connect(timedOut);
  if (serverSilent != nullptr) *serverSilent = timedOut;
  if (!connected) return nullptr;
  return output;
}

}  // namespace glimmer
