#include <benchmark/benchmark.h>

#include "framework/core/Random.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "render/Engine.h"

namespace {

// Renders with the fast engine; args: mn, mpixcel, threads (0 = all).
template <void (MWModel::*Command)(fw::PushButton*)>
void BM_Fast(benchmark::State& state) {
  TestWindow w;
  auto& engine = render::Engine::Shared();
  const int all = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  engine.SetThreads(state.range(2) == 0 ? all : static_cast<int>(state.range(2)));
  uint64_t steps = 0;
  for (auto _ : state) {
    w.mn = state.range(0);
    w.mpixcel = state.range(1);
    (w.*Command)(nullptr);
    steps += engine.LastSteps();
  }
  state.counters["steps/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
  engine.SetThreads(all);
}

template <void (*Literal)(MWModel&)>
void BM_Literal(benchmark::State& state) {
  TestWindow w;
  for (auto _ : state) {
    w.mn = state.range(0);
    w.mpixcel = state.range(1);
    Literal(w);
  }
}

void FastArgs(benchmark::internal::Benchmark* b) {
  for (int64_t threads : {0, 1}) {
    b->Args({100, 500, threads});
    b->Args({1000, 500, threads});
  }
  b->Args({1000, 2000, 0});
  b->ArgNames({"mn", "mpixcel", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

void LiteralArgs(benchmark::internal::Benchmark* b) {
  b->Args({100, 500})->Args({1000, 500})->ArgNames({"mn", "mpixcel"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_Fast<&MWModel::QuorixPB0_Action>)->Name("Quorix0/fast")->Apply(FastArgs);
BENCHMARK(BM_Literal<&oracle::Quorix0>)->Name("Quorix0/literal")->Apply(LiteralArgs);
BENCHMARK(BM_Fast<&MWModel::QuorixPB5_Action>)->Name("Julia0/fast")->Apply(FastArgs);
BENCHMARK(BM_Literal<&oracle::Julia0>)->Name("Julia0/literal")->Apply(LiteralArgs);

BENCHMARK_MAIN();
