// Spectrum of decoded music through kissfft's real transform.
//
// The FFT plan, the window and the work buffers are made once per thread on first use, so a call
// on the per-frame path allocates nothing.
#include "music/spectrum.h"

#include <kissfft/kiss_fftr.h>

#include <cmath>
#include <numbers>

namespace glimmer {
namespace {

class SpectrumAnalyser {
 public:
  SpectrumAnalyser() : plan(kiss_fftr_alloc(static_cast<int>(kSpectrumWindow), 0, nullptr, nullptr)) {
    // Periodic Hann: w[n] = 0.5 * (1 - cos(2 pi n / N)); its mean is exactly one half.
    for (std::size_t n = 0; n < kSpectrumWindow; ++n) {
      const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / kSpectrumWindow;
      window[n] = static_cast<float>(0.5 * (1.0 - std::cos(phase)));
    }
  }
  SpectrumAnalyser(const SpectrumAnalyser&) = delete;
  SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;
  ~SpectrumAnalyser() { kiss_fftr_free(plan); }

  void compute(const float* interleavedStereo, std::size_t frameCount, std::size_t startFrame, float* magnitudes) {
    const std::size_t available = startFrame < frameCount ? frameCount - startFrame : 0;
    const std::size_t used = available < kSpectrumWindow ? available : kSpectrumWindow;
    const float* source = interleavedStereo + 2 * (used > 0 ? startFrame : 0);
    for (std::size_t n = 0; n < used; ++n) {
      timeData[n] = 0.5f * (source[2 * n] + source[2 * n + 1]) * window[n];
    }
    for (std::size_t n = used; n < kSpectrumWindow; ++n) timeData[n] = 0.0f;

    if (plan == nullptr) {
      for (std::size_t k = 0; k < kSpectrumBins; ++k) magnitudes[k] = 0.0f;
      return;
    }
    kiss_fftr(plan, timeData, frequencyData);
    for (std::size_t k = 0; k < kSpectrumBins; ++k) {
      const float re = frequencyData[k].r;
      const float im = frequencyData[k].i;
      magnitudes[k] = std::sqrt(re * re + im * im) * kSpectrumScale;
    }
  }

 private:
  kiss_fftr_cfg plan;
  float window[kSpectrumWindow];
  float timeData[kSpectrumWindow];
  kiss_fft_cpx frequencyData[kSpectrumWindow / 2 + 1];
};

}  // namespace

void computeSpectrum(const float* interleavedStereo, std::size_t frameCount, std::size_t startFrame,
                     float* magnitudes1024) {
  thread_local SpectrumAnalyser analyser;
  analyser.compute(interleavedStereo, frameCount, startFrame, magnitudes1024);
}

}  // namespace glimmer
