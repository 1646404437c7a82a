#include "render/Engine.h"

#include <algorithm>
#include <bit>
#include <chrono>

namespace render {
namespace {

constexpr int kChunk = 64;  // picture columns per task

inline uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// One update step z <- f(z, c), each part in its own evaluation order.
template <Formula F>
inline void Step(double& zr, double& zi, double cr, double ci) {
  if constexpr (F == Formula::Square) {
    const double nr = ((zr * zr) - (zi * zi)) + cr;
    const double ni = ((2.0 * zr) * zi) + ci;
    zr = nr;
    zi = ni;
  } else {
    static_assert(F == Formula::Square, "formula not supported yet");
  }
}

template <Measure M>
inline double MeasureOf(double zr, double zi) {
  if constexpr (M == Measure::SumOfSquares) {
    return (zr * zr) + (zi * zi);
  } else {
    return ((zr * zr) + (zi * zi)) + (zr * zi);
  }
}

// Iterates steps 0..mn. z's next value depends only on z's bits, so once z
// repeats bit for bit the point runs in a cycle of values already tested,
// none of which escaped: it never escapes (Brent's cycle detection).
template <Formula F, Measure M>
PointResult Iterate(double zr, double zi, double cr, double ci, double bound, int64_t mn,
                    uint64_t& steps) {
  uint64_t savedR = Bits(zr), savedI = Bits(zi);
  int64_t checkpoint = 1;
  for (int64_t k = 0;; ++k) {
    Step<F>(zr, zi, cr, ci);
    if (MeasureOf<M>(zr, zi) > bound) {
      steps += static_cast<uint64_t>(k) + 1;
      return {k, true, 0.0 > zr, 0.0 > zi};
    }
    if (k == mn) break;
    if (Bits(zr) == savedR && Bits(zi) == savedI) {
      steps += static_cast<uint64_t>(k) + 1;
      return {mn, false, false, false};
    }
    if (k + 1 == checkpoint) {
      savedR = Bits(zr);
      savedI = Bits(zi);
      checkpoint = checkpoint < (int64_t{1} << 61) ? checkpoint * 2 : checkpoint;
    }
  }
  steps += static_cast<uint64_t>(mn) + 1;
  return {mn, false, false, false};
}

using IterateFn = PointResult (*)(double, double, double, double, double, int64_t, uint64_t&);

template <Formula F>
IterateFn PickMeasure(Measure m) {
  return m == Measure::SumOfSquares ? &Iterate<F, Measure::SumOfSquares>
                                    : &Iterate<F, Measure::SkewedSum>;
}

IterateFn Pick(const IterationRule& rule) {
  switch (rule.formula) {
    case Formula::Square: return PickMeasure<Formula::Square>(rule.measure);
    default: return nullptr;
  }
}

inline fw::Color ColourOf(const Job& job, const PointResult& r) {
  return r.escaped ? job.colouring.escape(r.k, r.zrNegative, r.ziNegative, job.palette)
                   : job.colouring.step(r.k, job.palette);
}

}  // namespace

PointResult IteratePoint(const IterationRule& rule, double zr, double zi, double cr, double ci,
                         int64_t mn, uint64_t* steps) {
  uint64_t local = 0;
  IterateFn fn = Pick(rule);
  PointResult r = fn(zr, zi, cr, ci, rule.bound, mn, local);
  if (steps) *steps += local;
  return r;
}

Engine& Engine::Shared() {
  static Engine engine(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  return engine;
}

Engine::Engine(int threads) { StartWorkers(std::max(1, threads) - 1); }

Engine::~Engine() { StopWorkers(); }

void Engine::SetThreads(int threads) {
  StopWorkers();
  StartWorkers(std::max(1, threads) - 1);
}

bool Engine::VectorAvailable() { return false; }

void Engine::StartWorkers(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = false;
  for (int i = 0; i < count; ++i) workers_.emplace_back([this, seen = generation_] { WorkerLoop(seen); });
}

void Engine::StopWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& t : workers_) t.join();
  workers_.clear();
}

void Engine::WorkerLoop(uint64_t seen) {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
      if (stopping_) return;
      seen = generation_;
    }
    RunTasks();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (--busy_ == 0) done_.notify_all();
    }
  }
}

void Engine::RunTasks() {
  const Job& job = *job_;
  IterateFn fn = Pick(job.rule);
  const int chunksPerRow = static_cast<int>((usedColumns_.size() + kChunk - 1) / kChunk);
  uint64_t steps = 0;
  for (;;) {
    const int64_t t = nextTask_.fetch_add(1, std::memory_order_relaxed);
    if (t >= taskCount_) break;
    const int y = usedRows_[static_cast<size_t>(t / chunksPerRow)];
    const size_t c0 = static_cast<size_t>(t % chunksPerRow) * kChunk;
    const size_t c1 = std::min(usedColumns_.size(), c0 + kChunk);
    const double rowValue = job.rows[static_cast<size_t>(y)];
    uint32_t* line = out_ + static_cast<size_t>(y) * static_cast<size_t>(job.width);
    for (size_t c = c0; c < c1; ++c) {
      const int x = usedColumns_[c];
      const double colValue = job.columns[static_cast<size_t>(x)];
      PointResult r = job.gridIsStart
                          ? fn(colValue, rowValue, job.cr, job.ci, job.rule.bound, job.mn, steps)
                          : fn(0.0, 0.0, colValue, rowValue, job.rule.bound, job.mn, steps);
      line[x] = ColourOf(job, r).value;
    }
  }
  steps_.fetch_add(steps, std::memory_order_relaxed);
}

void Engine::Render(const Job& job, uint32_t* out, const std::function<void()>& waitHook) {
  lastSteps_ = 0;
  if (job.mn < 0) return;  // no step runs, so no pixel is written
  usedColumns_.clear();
  usedRows_.clear();
  for (int x = 0; x < job.width; ++x)
    if (job.columnUsed[static_cast<size_t>(x)]) usedColumns_.push_back(x);
  for (int y = 0; y < job.height; ++y)
    if (job.rowUsed[static_cast<size_t>(y)]) usedRows_.push_back(y);
  if (usedColumns_.empty() || usedRows_.empty()) return;

  job_ = &job;
  out_ = out;
  const int64_t chunksPerRow = static_cast<int64_t>((usedColumns_.size() + kChunk - 1) / kChunk);
  taskCount_ = chunksPerRow * static_cast<int64_t>(usedRows_.size());
  nextTask_.store(0);
  steps_.store(0);

  if (workers_.empty()) {
    RunTasks();
  } else {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      busy_ = static_cast<int>(workers_.size());
      ++generation_;
    }
    wake_.notify_all();
    std::unique_lock<std::mutex> lock(mutex_);
    while (busy_ != 0) {
      if (waitHook) {
        if (!done_.wait_for(lock, std::chrono::milliseconds(10), [&] { return busy_ == 0; })) {
          lock.unlock();
          waitHook();
          lock.lock();
        }
      } else {
        done_.wait(lock, [&] { return busy_ == 0; });
      }
    }
  }
  lastSteps_ = steps_.load();
  job_ = nullptr;
  out_ = nullptr;
}

}  // namespace render
