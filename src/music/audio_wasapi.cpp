// The sound output on Windows: the default render endpoint through WASAPI in shared mode, fed by a
// writer thread of its own; the heard position comes from the endpoint's audio clock.
// Calls: CoInitializeEx, CoCreateInstance(MMDeviceEnumerator), IMMDeviceEnumerator::
// GetDefaultAudioEndpoint, IMMDevice::Activate, IAudioClient (Initialize, GetBufferSize,
// GetCurrentPadding, GetService, Start, Stop), IAudioRenderClient (GetBuffer, ReleaseBuffer),
// IAudioClock (GetFrequency, GetPosition), Sleep.
//
// LIMITATIONS
// - The track is handed to the endpoint at its own rate (32-bit float stereo) and the endpoint's
//   converter (AUTOCONVERTPCM, Windows 10 and later, and Wine) turns it into the mix format; a system
//   without that converter refuses the track, and the show then says it cannot play the music.
// - Whether a device exists is only known when the default endpoint is asked for: with none
//   (E_NOTFOUND) the show falls back to the silent clock.
// - A device that goes away while playing ends the track as heard ("finished").
#include <windows.h>

#include <audioclient.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "music/audio_output.h"

namespace glimmer {
namespace {

constexpr REFERENCE_TIME kBufferDuration = 2000000;  // 200 ms, in 100-ns units
constexpr DWORD kWriterPeriodMs = 10;
constexpr DWORD kDrainLimitMs = 500;

template <typename Interface>
void release(Interface*& pointer) {
  if (pointer != nullptr) pointer->Release();
  pointer = nullptr;
}

// COM for the thread that calls it, undone on destruction when it was done here.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }

 private:
  bool initialised_;
};

class WasapiOutput final : public AudioOutput {
 public:
  ~WasapiOutput() override {
    stop();
    release(device_);
    com_.reset();
  }

  // Finds the default render endpoint; false when there is none.
  bool openDevice() {
    com_ = std::make_unique<ComScope>();
    IMMDeviceEnumerator* enumerator = nullptr;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                reinterpret_cast<void**>(&enumerator)))) {
      return false;
    }
    const HRESULT found = enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device_);
    release(enumerator);
    return SUCCEEDED(found) && device_ != nullptr;
  }

  bool start(TrackSource& audio, std::size_t firstFrame) override {
    stop();
    if (audio.sampleRate() <= 0) return false;
    if (!openClient(audio.sampleRate())) {
      closeClient();
      return false;
    }
    track_ = &audio;
    stopRequested_.store(false);
    done_.store(false);
    failed_.store(false);
    // The buffer is filled before the clock starts, so the first frames are not heard as a gap.
    firstFrame_ = std::min(firstFrame, audio.frameCount());
    prefilled_ = firstFrame_;
    if (!fill(audio, prefilled_) || FAILED(client_->Start())) {
      closeClient();
      track_ = nullptr;
      return false;
    }
    playing_ = true;
    writer_ = std::thread([this] { writeTrack(); });
    return true;
  }

  double heardSeconds() override {
    if (!playing_) return 0.0;
    if (done_.load()) return heardAtEnd_.load();
    const double first = static_cast<double>(firstFrame_) / track_->sampleRate();
    UINT64 position = 0;
    if (FAILED(clock_->GetPosition(&position, nullptr)) || clockFrequency_ == 0) return first;
    return first + static_cast<double>(position) / static_cast<double>(clockFrequency_);
  }

  bool finished() override {
    if (!playing_) return false;
    if (failed_.load()) return true;
    return done_.load();
  }

  void stop() override {
    if (writer_.joinable()) {
      stopRequested_.store(true);
      writer_.join();
    }
    if (client_ != nullptr) client_->Stop();
    closeClient();
    track_ = nullptr;
    playing_ = false;
  }

 private:
  bool openClient(int sampleRate) {
    if (FAILED(device_->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&client_)))) {
      return false;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    format.wBitsPerSample = 32;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    const DWORD flags = AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
    if (FAILED(client_->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, kBufferDuration, 0, &format, nullptr))) {
      return false;
    }
    if (FAILED(client_->GetBufferSize(&bufferFrames_))) return false;
    if (FAILED(client_->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&render_)))) return false;
    if (FAILED(client_->GetService(__uuidof(IAudioClock), reinterpret_cast<void**>(&clock_)))) return false;
    return SUCCEEDED(clock_->GetFrequency(&clockFrequency_));
  }

  void closeClient() {
    release(clock_);
    release(render_);
    release(client_);
  }

  // Tops up the endpoint's buffer with the track's frames from `written` on and moves `written` on
  // past them. False when the device failed.
  bool fill(TrackSource& audio, std::size_t& written) {
    UINT32 padding = 0;
    if (FAILED(client_->GetCurrentPadding(&padding))) return false;
    const UINT32 room = bufferFrames_ - padding;
    const std::size_t total = audio.frameCount();
    const std::size_t left = total - std::min(written, total);
    const auto frames = static_cast<UINT32>(std::min<std::size_t>(room, left));
    if (frames > 0) {
      BYTE* data = nullptr;
      if (FAILED(render_->GetBuffer(frames, &data))) return false;
      audio.read(written, frames, reinterpret_cast<float*>(data));
      if (FAILED(render_->ReleaseBuffer(frames, 0))) return false;
    }
    written += frames;
    return true;
  }

  // Writes the fade-out from `written` on, as far as the buffer has room for it.
  void writeFade(TrackSource& audio, std::size_t written) {
    const auto fadeFrames = static_cast<std::size_t>(kStopFadeSeconds * audio.sampleRate());
    UINT32 padding = 0;
    if (fadeFrames == 0 || FAILED(client_->GetCurrentPadding(&padding))) return;
    const auto frames = static_cast<UINT32>(std::min<std::size_t>(bufferFrames_ - padding, fadeFrames));
    BYTE* data = nullptr;
    if (frames == 0 || FAILED(render_->GetBuffer(frames, &data))) return;
    fillStopFade(audio, written, frames, reinterpret_cast<float*>(data));
    render_->ReleaseBuffer(frames, 0);
  }

  // Waits until the endpoint has played what it holds (bounded, for a device that stalls).
  void drain() {
    for (DWORD waited = 0; waited < kDrainLimitMs; waited += kWriterPeriodMs) {
      UINT32 padding = 0;
      if (FAILED(client_->GetCurrentPadding(&padding)) || padding == 0) return;
      Sleep(kWriterPeriodMs);
    }
  }

  // The writer thread: keeps the buffer full until the track is written, then lets it drain.
  void writeTrack() {
    ComScope com;
    TrackSource& audio = *track_;
    std::size_t written = prefilled_;
    while (!stopRequested_.load() && written < audio.frameCount()) {
      Sleep(kWriterPeriodMs);
      if (!fill(audio, written)) {
        failed_.store(true);
        break;
      }
    }
    if (stopRequested_.load() && !failed_.load()) writeFade(audio, written);
    if (!failed_.load()) drain();
    heardAtEnd_.store(static_cast<double>(written) / audio.sampleRate());
    done_.store(true);
  }

  std::unique_ptr<ComScope> com_;
  IMMDevice* device_ = nullptr;
  IAudioClient* client_ = nullptr;
  IAudioRenderClient* render_ = nullptr;
  IAudioClock* clock_ = nullptr;
  UINT32 bufferFrames_ = 0;
  UINT64 clockFrequency_ = 0;
  TrackSource* track_ = nullptr;
  std::size_t firstFrame_ = 0;  // where playing began
  std::size_t prefilled_ = 0;
  std::thread writer_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> done_{false};
  std::atomic<bool> failed_{false};
  std::atomic<double> heardAtEnd_{0.0};
  bool playing_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> openDeviceOutput() {
  auto output = std::make_unique<WasapiOutput>();
  if (!output->openDevice()) return nullptr;
  return output;
}

}  // namespace glimmer
