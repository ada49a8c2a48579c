// Offline measurement of the scenes' spectrum levels and their distribution.
#include "levels.h"

#include <algorithm>
#include <cmath>

#include "music/spectrum.h"

namespace glimmer::soundtrack {
namespace {

constexpr double kBeatSeconds = 0.5;

template <typename Reduce>
std::vector<float> perBeat(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                           double toSeconds, Reduce reduce) {
  std::vector<float> result;
  // Each beat owns the frames from a quarter beat before it to a quarter beat after: a frame's
  // spectrum looks 46 ms ahead, so the frames that see a hit begin just before it.
  for (double beat = std::ceil(fromSeconds / kBeatSeconds) * kBeatSeconds; beat < toSeconds - 1e-9;
       beat += kBeatSeconds) {
    const double from = beat - kBeatSeconds / 2 - windowStartSeconds;
    const double to = beat + kBeatSeconds / 2 - windowStartSeconds;
    const auto first = static_cast<std::ptrdiff_t>(std::ceil(from * kLevelFramesPerSecond));
    const auto last = static_cast<std::ptrdiff_t>(std::ceil(to * kLevelFramesPerSecond));
    if (first < 0 || last > static_cast<std::ptrdiff_t>(levels.size())) continue;
    const auto begin = first, end = last;
    const auto [low, high] = std::minmax_element(levels.begin() + begin, levels.begin() + end);
    result.push_back(reduce(*low, *high));
  }
  return result;
}

}  // namespace

std::vector<float> measureLevels(const DecodedAudio& audio, const LevelWindow& window) {
  std::vector<float> levels;
  if (audio.sampleRate <= 0) return levels;
  const double musicSeconds = static_cast<double>(audio.frameCount) / audio.sampleRate;
  const double end = std::min(window.endSeconds, musicSeconds);
  const auto firstFrame = static_cast<long>(std::ceil(window.startSeconds * kLevelFramesPerSecond));
  const auto lastFrame = static_cast<long>(std::ceil(end * kLevelFramesPerSecond));
  float magnitudes[kSpectrumBins];
  for (long frame = firstFrame; frame < lastFrame; ++frame) {
    const auto start =
        static_cast<std::size_t>(frame) * static_cast<std::size_t>(audio.sampleRate) / kLevelFramesPerSecond;
    computeSpectrum(audio.samples.data(), audio.frameCount, start, magnitudes);
    levels.push_back(window.reading.levelOf(magnitudes));
  }
  return levels;
}

Distribution describe(std::vector<float> values) {
  Distribution result;
  if (values.empty()) return result;
  std::sort(values.begin(), values.end());
  auto rank = [&](double share) {
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
  };
  result.count = values.size();
  result.minimum = values.front();
  result.tenth = rank(0.1);
  result.median = rank(0.5);
  result.ninetieth = rank(0.9);
  result.maximum = values.back();
  return result;
}

float fractionBelow(const std::vector<float>& values, float limit) {
  if (values.empty()) return 0.0f;
  const auto below = std::count_if(values.begin(), values.end(), [&](float value) { return value < limit; });
  return static_cast<float>(below) / static_cast<float>(values.size());
}

std::vector<float> beatPeaks(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                             double toSeconds) {
  return perBeat(levels, windowStartSeconds, fromSeconds, toSeconds, [](float, float high) { return high; });
}

std::vector<float> beatSwings(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                              double toSeconds) {
  return perBeat(levels, windowStartSeconds, fromSeconds, toSeconds, [](float low, float high) { return high - low; });
}

bool pumps(const BeatPump& beat) {
  return beat.peak >= kPumpPeakLow && beat.peak <= kPumpPeakHigh && beat.run >= kPumpFrames;
}

std::vector<BeatPump> beatPumps(const std::vector<float>& levels, double windowStartSeconds, double fromSeconds,
                                double toSeconds) {
  std::vector<BeatPump> result;
  const auto size = static_cast<std::ptrdiff_t>(levels.size());
  const auto frameAt = [](double seconds) {
    return static_cast<std::ptrdiff_t>(std::ceil(seconds * kLevelFramesPerSecond));
  };
  for (double beat = std::ceil(fromSeconds / kBeatSeconds) * kBeatSeconds; beat < toSeconds - 1e-9;
       beat += kBeatSeconds) {
    const double from = beat - kBeatSeconds / 4 - windowStartSeconds;
    const auto first = std::max<std::ptrdiff_t>(0, frameAt(from));
    const auto last = std::min(size, frameAt(from + kBeatSeconds));
    if (first >= last) continue;
    BeatPump pump{beat, 0.0f, 0};
    int run = 0;
    for (auto frame = first; frame < last; ++frame) {
      const float level = levels[static_cast<std::size_t>(frame)];
      pump.peak = std::max(pump.peak, level);
      run = level >= kPumpLevel ? run + 1 : 0;
      pump.run = std::max(pump.run, run);
    }
    result.push_back(pump);
  }
  return result;
}

float pumpShare(const std::vector<BeatPump>& beats) {
  if (beats.empty()) return 0.0f;
  const auto pumping = std::count_if(beats.begin(), beats.end(), pumps);
  return static_cast<float>(pumping) / static_cast<float>(beats.size());
}

}  // namespace glimmer::soundtrack
