#include "render/Engine.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <exception>

#include "render/Kernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUORIX_PAUSE() _mm_pause()
#else
#define QUORIX_PAUSE() ((void)0)
#endif

namespace render {
namespace {

inline uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

// Iterates steps 0..mn. z's next value depends only on z's bits, so once z
// repeats bit for bit the point runs in a cycle of values already tested,
// none of which escaped: it never escapes (Brent's cycle detection).
template <Formula F, Measure M>
PointResult Iterate(double zr, double zi, double cr, double ci, double bound, int64_t mn,
                    uint64_t& steps) {
  uint64_t savedR = Bits(zr), savedI = Bits(zi);
  int64_t checkpoint = 1;
  double rr = zr * zr, ii = zi * zi;
  for (int64_t k = 0;; ++k) {
    Step<F>(zr, zi, rr, ii, cr, ci, 2.0);
    rr = zr * zr;
    ii = zi * zi;
    if (MeasureOf<M>(zr, zi, rr, ii) > bound) {
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

IterateFn Pick(Formula f, Measure m) {
  switch (f) {
    case Formula::Square: return PickMeasure<Formula::Square>(m);
    case Formula::Cube: return PickMeasure<Formula::Cube>(m);
    case Formula::Fourth: return PickMeasure<Formula::Fourth>(m);
    case Formula::Fifth: return PickMeasure<Formula::Fifth>(m);
  }
  return nullptr;
}

// The scalar kernel: one point after the other from the shared queue.
uint64_t RunScalarKernel(const Work& w) {
  const IterateFn fn = Pick(w.formula, w.measure);
  uint64_t steps = 0;
  int64_t p = 0, end = 0;
  while (TakeBatch(w, &p, &end)) {
    for (; p < end; ++p) {
      const int64_t r = p / w.cols, c = p - r * w.cols;
      const double col = w.colValue[c], row = w.rowValue[r];
      const PointResult res = w.gridIsStart ? fn(col, row, w.cr, w.ci, w.bound, w.mn, steps)
                                            : fn(0.0, 0.0, col, row, w.bound, w.mn, steps);
      const double sr = res.zrNegative ? -1.0 : 1.0, si = res.ziNegative ? -1.0 : 1.0;
      w.out[w.rowOffset[r] + w.colX[c]] = FinalColour(w, res.escaped, res.k, sr, si);
    }
  }
  return steps;
}

uint32_t EscapeColourOf(const void* context, int64_t k, bool zrNegative, bool ziNegative) {
  const Job& job = *static_cast<const Job*>(context);
  return job.colouring.escape(k, zrNegative, ziNegative, job.palette).value;
}

// Escape colours are tabulated for the first steps; later ones (only with
// an iteration limit far above the panel's) are computed when needed.
constexpr int64_t kTableSteps = 4096;

// How long an idle worker keeps polling for the next render before it
// sleeps: renders that follow each other closely then start at once.
constexpr auto kSpin = std::chrono::microseconds(300);

}  // namespace

PointResult IteratePoint(const IterationRule& rule, double zr, double zi, double cr, double ci,
                         int64_t mn, uint64_t* steps) {
  uint64_t local = 0;
  PointResult r = Pick(rule.formula, rule.measure)(zr, zi, cr, ci, rule.bound, mn, local);
  if (steps) *steps += local;
  return r;
}

void StepOnce(Formula formula, Path path, double& zr, double& zi, double cr, double ci) {
  if (path != Path::Scalar && Engine::VectorAvailable()) {
    VectorStepOnce(formula, zr, zi, cr, ci);
    return;
  }
  const double rr = zr * zr, ii = zi * zi;
  switch (formula) {
    case Formula::Square: Step<Formula::Square>(zr, zi, rr, ii, cr, ci, 2.0); break;
    case Formula::Cube: Step<Formula::Cube>(zr, zi, rr, ii, cr, ci, 2.0); break;
    case Formula::Fourth: Step<Formula::Fourth>(zr, zi, rr, ii, cr, ci, 2.0); break;
    case Formula::Fifth: Step<Formula::Fifth>(zr, zi, rr, ii, cr, ci, 2.0); break;
  }
}

Engine& Engine::Shared() {
  static Engine engine(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  return engine;
}

Engine::Engine(int threads) { StartWorkers(std::max(1, threads) - 1); }

Engine::~Engine() { StopWorkers(); }

void Engine::SetThreads(int threads) {
  threads = std::max(1, threads);
  if (threads == Threads()) return;
  StopWorkers();
  StartWorkers(threads - 1);
}

bool Engine::VectorAvailable() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
#else
  return false;
#endif
}

void Engine::StartWorkers(int count) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  workers_.reserve(static_cast<size_t>(count));
  const uint64_t seen = generation_.load();
  for (int i = 0; i < count; ++i) workers_.emplace_back([this, seen] { WorkerLoop(seen); });
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

void Engine::CopyRows() {
  if (!picture_) return;
  const int64_t rows = static_cast<int64_t>(rowOffset_.size());
  for (;;) {
    const int64_t first = nextRow_.fetch_add(8, std::memory_order_relaxed);
    if (first >= rows) return;
    const int64_t end = std::min(rows, first + 8);
    for (int64_t r = first; r < end; ++r) {
      const int64_t line = rowOffset_[static_cast<size_t>(r)];
      for (const auto& [from, to] : spans_)
        std::copy(scratch_ + line + from, scratch_ + line + to, picture_ + line + from);
    }
  }
}

uint64_t Engine::RunKernel() {
  return vector_ ? RunVectorKernel(*work_) : RunScalarKernel(*work_);
}

void Engine::WorkerLoop(uint64_t seen) {
  for (;;) {
    // Poll for a while, then sleep until the next render or the stop.
    const auto spinUntil = std::chrono::steady_clock::now() + kSpin;
    int polls = 0;
    while (generation_.load(std::memory_order_acquire) == seen) {
      QUORIX_PAUSE();
      if (++polls % 64 == 0) {
        if (std::chrono::steady_clock::now() > spinUntil) break;
        std::this_thread::yield();
      }
    }
    if (generation_.load(std::memory_order_acquire) == seen) {
      std::unique_lock<std::mutex> lock(mutex_);
      sleepers_.fetch_add(1);
      wake_.wait(lock, [&] { return stopping_ || generation_.load() != seen; });
      sleepers_.fetch_sub(1);
      if (stopping_) return;
    }
    seen = generation_.load(std::memory_order_acquire);
    steps_.fetch_add(RunKernel(), std::memory_order_relaxed);
    computing_.fetch_sub(1, std::memory_order_acq_rel);
    for (int polls = 0; computing_.load(std::memory_order_acquire) != 0;) {
      if (++polls > 4096) std::this_thread::yield();
      QUORIX_PAUSE();
    }
    CopyRows();
    running_.fetch_sub(1, std::memory_order_acq_rel);
  }
}

void Engine::Render(const Job& job, uint32_t* scratch, uint32_t* picture,
                    const std::function<void()>& waitHook) {
  lastSteps_ = 0;
  if (job.mn < 0) return;  // no step runs, so no pixel is written

  // The used columns and rows, packed.
  colValue_.clear();
  colX_.clear();
  rowValue_.clear();
  rowOffset_.clear();
  for (int x = 0; x < job.width; ++x) {
    if (job.columnUsed[static_cast<size_t>(x)]) {
      colValue_.push_back(job.columns[static_cast<size_t>(x)]);
      colX_.push_back(x);
    }
  }
  for (int y = 0; y < job.height; ++y) {
    if (job.rowUsed[static_cast<size_t>(y)]) {
      rowValue_.push_back(job.rows[static_cast<size_t>(y)]);
      rowOffset_.push_back(static_cast<int64_t>(y) * job.width);
    }
  }
  if (colX_.empty() || rowOffset_.empty()) return;
  spans_.clear();
  for (size_t c = 0; c < colX_.size();) {
    size_t end = c + 1;
    while (end < colX_.size() && colX_[end] == colX_[end - 1] + 1) ++end;
    spans_.emplace_back(colX_[c], colX_[end - 1] + 1);
    c = end;
  }

  // The escape colour of every early step, for every sign pair.
  const int64_t tableSteps = std::min<int64_t>(job.mn + 1, kTableSteps);
  escapeTable_.resize(static_cast<size_t>(tableSteps) * 4);
  bool usesSigns = false;
  for (int64_t k = 0; k < tableSteps; ++k) {
    uint32_t* entry = &escapeTable_[static_cast<size_t>(k * 4)];
    for (int s = 0; s < 4; ++s)
      entry[s] = job.colouring.escape(k, (s & 2) != 0, (s & 1) != 0, job.palette).value;
    usesSigns = usesSigns || entry[1] != entry[0] || entry[2] != entry[0] || entry[3] != entry[0];
  }

  Work w;
  w.colValue = colValue_.data();
  w.rowValue = rowValue_.data();
  w.colX = colX_.data();
  w.rowOffset = rowOffset_.data();
  w.cols = static_cast<int64_t>(colX_.size());
  w.rows = static_cast<int64_t>(rowOffset_.size());
  w.points = w.cols * w.rows;
  w.gridIsStart = job.gridIsStart;
  w.cr = job.cr;
  w.ci = job.ci;
  w.bound = job.rule.bound;
  w.mn = job.mn;
  w.formula = job.rule.formula;
  w.measure = job.rule.measure;
  w.out = scratch;
  w.escapeTable = escapeTable_.data();
  w.tableSteps = tableSteps;
  w.escapeColour = &EscapeColourOf;
  w.context = &job;
  // Beyond the table the signs are always passed on.
  w.escapeUsesSigns = usesSigns || tableSteps <= job.mn;
  w.lastStepColour = job.colouring.step(job.mn, job.palette).value;
  nextPoint_.head = 0;
  w.nextPoint = &nextPoint_.head;
  w.batchDivisor = static_cast<int64_t>(workers_.size() + 1) * 8;

  work_ = &w;
  vector_ = path_ != Path::Scalar && VectorAvailable();
  scratch_ = scratch;
  picture_ = picture;
  nextRow_.store(0, std::memory_order_relaxed);
  steps_.store(0, std::memory_order_relaxed);
  const int workers = static_cast<int>(workers_.size());
  computing_.store(workers + 1, std::memory_order_relaxed);
  running_.store(workers, std::memory_order_relaxed);
  if (workers > 0) {
    generation_.fetch_add(1);
    if (sleepers_.load() > 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      wake_.notify_all();
    }
  }
  uint64_t steps = RunKernel();
  computing_.fetch_sub(1, std::memory_order_acq_rel);
  // The queue is empty; wait for the points still in the workers' hands.
  // Spin briefly, then give the processor to the workers if they share it
  // with other programs.
  auto nextHook = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
  std::exception_ptr failure;
  for (int polls = 0; computing_.load(std::memory_order_acquire) != 0;) {
    if (++polls > 4096) std::this_thread::yield();
    QUORIX_PAUSE();
    if (waitHook && !failure && polls % 256 == 0 && std::chrono::steady_clock::now() > nextHook) {
      // The workers still use this render's buffers: a failing hook is
      // reported only once they are done.
      try {
        waitHook();
      } catch (...) {
        failure = std::current_exception();
      }
      nextHook = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
    }
  }
  CopyRows();
  for (int polls = 0; running_.load(std::memory_order_acquire) != 0;) {
    if (++polls > 4096) std::this_thread::yield();
    QUORIX_PAUSE();
  }
  lastSteps_ = steps + steps_.load(std::memory_order_relaxed);
  work_ = nullptr;
  scratch_ = nullptr;
  picture_ = nullptr;
  if (failure) std::rethrow_exception(failure);
}

}  // namespace render
