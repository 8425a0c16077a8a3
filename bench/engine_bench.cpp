// Throughput of the two keystream engines on the same 8 MiB buffer and password, and
// the fast engine's layout choices. docs/performance.md records the numbers.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "engine/fast_engine.h"
#include "engine/password.h"
#include "engine/reference_model.h"

namespace tavrinole {
namespace {

constexpr size_t BufferBytes = 8u << 20;

// 19 characters, chosen for the smallest steps at this size: the most cell toggles
// per block for the reference model.
constexpr const char* WorstPassword = "BAAQJJHHVVXLLYMM8-?";

PasswordSlots WorstSlots() {
  const auto keys = KeyIndicesFromUtf8(WorstPassword);
  if (!keys.Ok()) std::abort();
  return SlotsFromPresses(*keys);
}

std::vector<uint8_t> Buffer(size_t bytes) {
  std::vector<uint8_t> buffer(bytes);
  std::mt19937 rng(8);
  for (auto& b : buffer) b = static_cast<uint8_t>(rng());
  return buffer;
}

void MixRepeatedly(benchmark::State& state, KeystreamMixer& mixer, size_t bytes) {
  std::vector<uint8_t> buffer = Buffer(bytes);
  const PasswordSlots slots = WorstSlots();
  for (auto _ : state) {
    MixBuffer(mixer, buffer, slots);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_ReferenceEngine(benchmark::State& state) {
  ReferenceMixer mixer;
  MixRepeatedly(state, mixer, BufferBytes);
  state.counters["engine_bytes"] = sizeof(ReferenceModel);
}
BENCHMARK(BM_ReferenceEngine)->Unit(benchmark::kMillisecond);

void BM_FastEngine(benchmark::State& state) {
  FastMixer mixer;
  MixRepeatedly(state, mixer, BufferBytes);
  state.counters["engine_bytes"] = static_cast<double>(sizeof(FastMixer) + mixer.ArenaBytes());
  state.counters["tiles"] = static_cast<double>(mixer.TileCount());
}
BENCHMARK(BM_FastEngine)->Unit(benchmark::kMillisecond);

// What "the speed of copying the file" means on this machine.
void BM_Copy(benchmark::State& state) {
  const std::vector<uint8_t> from = Buffer(BufferBytes);
  std::vector<uint8_t> to(BufferBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), BufferBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(BufferBytes));
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond);

// The layout grid that chose FastLayout's defaults: chunk bytes x tile period limit.
void BM_FastEngineLayout(benchmark::State& state) {
  FastMixer mixer(
      FastLayout{static_cast<uint32_t>(state.range(0)), static_cast<uint32_t>(state.range(1))});
  MixRepeatedly(state, mixer, BufferBytes);
  state.counters["engine_bytes"] = static_cast<double>(sizeof(FastMixer) + mixer.ArenaBytes());
  state.counters["tiles"] = static_cast<double>(mixer.TileCount());
}
BENCHMARK(BM_FastEngineLayout)
    ->ArgsProduct({{2048, 4096, 8192, 16384, 64000}, {256, 1024, 4096, 16384}})
    ->Unit(benchmark::kMillisecond);

// The per-job cost that small files feel: laying out the base mask and the tiles. Two
// sizes take turns: a mixer keeps the layout of a job of the same size and password.
void BM_FastEnginePrepare(benchmark::State& state) {
  FastMixer mixer;
  const PasswordSlots slots = WorstSlots();
  uint32_t size = BufferBytes;
  for (auto _ : state) {
    size = size == BufferBytes ? BufferBytes + 1 : BufferBytes;
    mixer.Prepare(size, slots);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FastEnginePrepare)->Unit(benchmark::kMicrosecond);

// The engine's memory stays the same whatever the file's size.
void BM_FastEngineFileSize(benchmark::State& state) {
  FastMixer mixer;
  MixRepeatedly(state, mixer, static_cast<size_t>(state.range(0)));
  state.counters["engine_bytes"] = static_cast<double>(sizeof(FastMixer) + mixer.ArenaBytes());
}
BENCHMARK(BM_FastEngineFileSize)
    ->Arg(1 << 20)
    ->Arg(8 << 20)
    ->Arg(64 << 20)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavrinole

BENCHMARK_MAIN();
