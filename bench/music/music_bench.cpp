// Figures for the music layer: the spectrum per frame, decoding a show-length track, and how long
// opening it keeps the intro waiting (the decode itself runs on a worker thread).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "music/decoder.h"
#include "music/music_stream.h"
#include "music/spectrum.h"
#include "support/ogg_files.h"

namespace glimmer {
namespace {

// A 160-second stereo track, written once.
const std::string& showLengthTrack() {
  static const std::string path = [] {
    std::string file = testing::scratchPath("bench_track.ogg");
    auto samples = testing::stereoSine(220.0, 160.0, 0.5f);
    for (std::size_t i = 0; i < samples.size(); i += 2) samples[i] *= static_cast<float>((i / 2) % 441) / 441.0f;
    testing::writeOggFile(file, samples);
    return file;
  }();
  return path;
}

void BM_ComputeSpectrum(benchmark::State& state) {
  const auto samples = testing::stereoSine(1000.0, 1.0, 0.5f);
  float magnitudes[kSpectrumBins];
  std::size_t start = 0;
  for (auto _ : state) {
    computeSpectrum(samples.data(), samples.size() / 2, start, magnitudes);
    benchmark::DoNotOptimize(magnitudes);
    start = (start + 735) % 40000;
  }
}
BENCHMARK(BM_ComputeSpectrum);

void BM_DecodeShowLengthTrack(benchmark::State& state) {
  const std::string& path = showLengthTrack();
  DecodedAudio audio;
  for (auto _ : state) {
    decodeOggFile(path.c_str(), audio);
    benchmark::DoNotOptimize(audio.samples.data());
  }
  state.counters["megabytes"] = static_cast<double>(audio.samples.size() * sizeof(float)) / 1e6;
  state.counters["seconds"] = static_cast<double>(audio.frameCount) / 44100.0;
}
BENCHMARK(BM_DecodeShowLengthTrack)->Unit(benchmark::kMillisecond)->Iterations(3);

// From the open call to its return: what the intro screen waits for.
void BM_OpenBeforeIntro(benchmark::State& state) {
  const std::string& path = showLengthTrack();
  for (auto _ : state) {
    MusicStream* music = new MusicStream();
    music->setOutput(MusicOutput::Mute);
    benchmark::DoNotOptimize(music->open(path.c_str()));
    state.PauseTiming();
    delete music;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenBeforeIntro)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace glimmer

BENCHMARK_MAIN();
