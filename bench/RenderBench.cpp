#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "framework/core/Random.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "render/Engine.h"
#include "render/Frames.h"

namespace {

// The Julia commands render the constant of this index in every run: the
// generator is seeded before each iteration with a seed whose first pick
// is this index.
constexpr int64_t kJuliaPick = 0;

const uint64_t kSeed = SeedForJuliaPick(kJuliaPick);

int AllThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void Label(benchmark::State& state, bool julia) {
  if (julia) {
    const auto& c = render::JuliaConstantAt(kJuliaPick);
    state.SetLabel("c = " + std::to_string(c.re) + " + " + std::to_string(c.im) + "i");
  }
}

// Renders with the engine; args: mn, mpixcel, threads (0 = all), mw in
// tenths.
template <void (MWModel::*Command)(fw::PushButton*), bool Julia>
void BM_Fast(benchmark::State& state) {
  TestWindow w;
  w.mw = static_cast<double>(state.range(3)) / 10.0;
  auto& engine = render::Engine::Shared();
  engine.SetThreads(state.range(2) == 0 ? AllThreads() : static_cast<int>(state.range(2)));
  uint64_t steps = 0;
  for (auto _ : state) {
    fw::System::Random().Seed(kSeed);
    w.mn = state.range(0);
    w.mpixcel = state.range(1);
    (w.*Command)(nullptr);
    steps += engine.LastSteps();
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
  state.counters["threads"] = engine.Threads();
  Label(state, Julia);
  engine.SetThreads(AllThreads());
}

// A render on all threads after the engine has been idle for a while
// (args: mn, pause in microseconds, 0 = straight after the previous
// render); only the render itself is timed.
void BM_AfterPause(benchmark::State& state) {
  TestWindow w;
  w.mn = state.range(0);
  auto& engine = render::Engine::Shared();
  engine.SetThreads(AllThreads());
  const auto pause = std::chrono::microseconds(state.range(1));
  for (auto _ : state) {
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
    fw::System::Random().Seed(kSeed);
    const auto start = std::chrono::steady_clock::now();
    w.QuorixPB0_Action(nullptr);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}

template <void (*Literal)(MWModel&), bool Julia>
void BM_Literal(benchmark::State& state) {
  TestWindow w;
  for (auto _ : state) {
    fw::System::Random().Seed(kSeed);
    w.mn = state.range(0);
    w.mpixcel = state.range(1);
    Literal(w);
  }
  Label(state, Julia);
}

void FastArgs(benchmark::internal::Benchmark* b) {
  b->Args({100, 500, 0, 40})->Args({1000, 500, 0, 40})->Args({1000, 2000, 0, 40});
  b->ArgNames({"mn", "mpixcel", "threads", "mw10"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

// One thread; the view at mw 1.7 is nearly all slow boundary points, so
// its steps/s is the rate of the lane loop itself. All threads on that view
// show how evenly slow work spreads. At mw 0 every point is c = 0, inside
// the set: the cost of settling points that never escape.
void SingleThreadArgs(benchmark::internal::Benchmark* b) {
  b->Args({100, 500, 1, 40})->Args({1000, 500, 1, 40})->Args({1000, 2000, 1, 40})->Args({1000, 500, 1, 17});
  b->Args({1000, 500, 1, 0})->Args({1000, 500, 0, 17});
  b->ArgNames({"mn", "mpixcel", "threads", "mw10"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

void LiteralArgs(benchmark::internal::Benchmark* b) {
  b->Args({100, 500})->Args({1000, 500})->ArgNames({"mn", "mpixcel"})->Unit(benchmark::kMillisecond);
}

}  // namespace

#define QUORIX_BENCH(name, pb, literal, julia)                                                   \
  BENCHMARK(BM_Fast<&MWModel::pb, julia>)->Name(name "/fast")->Apply(FastArgs);                  \
  BENCHMARK(BM_Literal<&oracle::literal, julia>)->Name(name "/literal")->Apply(LiteralArgs);

BENCHMARK(BM_Fast<&MWModel::QuorixPB0_Action, false>)->Name("Quorix0/fast")->Apply(SingleThreadArgs);
BENCHMARK(BM_Fast<&MWModel::QuorixPB5_Action, true>)
    ->Name("Julia0/fast")
    ->Args({1000, 500, 1, 40})
    ->ArgNames({"mn", "mpixcel", "threads", "mw10"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AfterPause)
    ->Name("Quorix0/idle")
    ->Args({100, 0})
    ->Args({100, 5000})
    ->Args({100, 20000})
    ->ArgNames({"mn", "pause_us"})
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
QUORIX_BENCH("Quorix0", QuorixPB0_Action, Quorix0, false)
QUORIX_BENCH("Quorix1", QuorixPB1_Action, Quorix1, false)
QUORIX_BENCH("Quorix2", QuorixPB2_Action, Quorix2, false)
QUORIX_BENCH("Quorix3", QuorixPB3_Action, Quorix3, false)
QUORIX_BENCH("Quorix4", QuorixPB4_Action, Quorix4, false)
QUORIX_BENCH("Julia0", QuorixPB5_Action, Julia0, true)
QUORIX_BENCH("Julia1", QuorixPB6_Action, Julia1, true)
QUORIX_BENCH("Quorix7", QuorixPB7_Action, Quorix7, false)
QUORIX_BENCH("Quorix8", QuorixPB8_Action, Quorix8, false)
QUORIX_BENCH("Quorix9", QuorixPB9_Action, Quorix9, false)

BENCHMARK_MAIN();
