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

// The outcome of iterating one point.
struct PointResult {
  int64_t k = 0;  // escape step, or the last step when not escaped
  bool escaped = false;
  bool zrNegative = false;  // 0.0 > zr of the escaping z
  bool ziNegative = false;  // 0.0 > zi of the escaping z
};

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
      w.out[w.rowOffset[r] + w.colX[c]] = FinalColor(w, res.escaped, res.k, sr, si);
    }
  }
  return steps;
}

uint32_t EscapeColorOf(const void* context, int64_t k, bool zrNegative, bool ziNegative) {
  const RenderBuffers& b = *static_cast<const RenderBuffers*>(context);
  return b.coloring.escape(k, zrNegative, ziNegative, b.palette).value;
}

// Escape colors are tabulated for the first steps; later ones (only with
// an iteration limit far above the panel's) are computed when needed.
constexpr int64_t kTableSteps = 4096;

// How long an idle worker keeps polling for the next render before it
// sleeps: renders that follow each other closely then start at once.
constexpr auto kSpin = std::chrono::milliseconds(10);

// The gate of a render: generation << 32 | kOpen | joined workers.
constexpr uint64_t kOpen = uint64_t{1} << 31;
constexpr uint64_t kJoinedMask = kOpen - 1;

// Polls until done() holds: spins briefly, then lets other threads have
// the processor between polls.
template <class Done>
void SpinUntil(Done done) {
  for (int polls = 0; !done();) {
    if (++polls > 4096) std::this_thread::yield();
    QUORIX_PAUSE();
  }
}

void ClearPicture(const Job& job, uint32_t* picture) {
  if (job.clearPicture && picture)
    std::fill(picture, picture + static_cast<size_t>(job.width) * static_cast<size_t>(job.height),
              fw::colors::kTransparentBlack.value);
}

// Packs the grid values and picture places of the used columns and rows
// into b; false when there is none of either.
bool PackGrid(const Job& job, RenderBuffers& b) {
  b.colValue.clear();
  b.colX.clear();
  b.rowValue.clear();
  b.rowOffset.clear();
  for (int x = 0; x < job.width; ++x) {
    if (job.columnUsed[static_cast<size_t>(x)]) {
      b.colValue.push_back(job.columns[static_cast<size_t>(x)]);
      b.colX.push_back(x);
    }
  }
  for (int y = 0; y < job.height; ++y) {
    if (job.rowUsed[static_cast<size_t>(y)]) {
      b.rowValue.push_back(job.rows[static_cast<size_t>(y)]);
      b.rowOffset.push_back(static_cast<int64_t>(y) * job.width);
    }
  }
  return !b.colX.empty() && !b.rowOffset.empty();
}

// The runs of adjacent used columns, for the copy into the picture.
void FindSpans(RenderBuffers& b) {
  b.spans.clear();
  for (size_t c = 0; c < b.colX.size();) {
    size_t end = c + 1;
    while (end < b.colX.size() && b.colX[end] == b.colX[end - 1] + 1) ++end;
    b.spans.emplace_back(b.colX[c], b.colX[end - 1] + 1);
    c = end;
  }
}

// The escape color of every early step, for every sign pair, and copies of
// the job's colors for the later ones; returns whether the signs ever
// change a tabulated color.
bool TabulateEscapes(const Job& job, RenderBuffers& b, int64_t tableSteps) {
  b.escapeTable.resize(static_cast<size_t>(tableSteps) * 4);
  bool usesSigns = false;
  for (int64_t k = 0; k < tableSteps; ++k) {
    uint32_t* entry = &b.escapeTable[static_cast<size_t>(k * 4)];
    for (int s = 0; s < 4; ++s)
      entry[s] = job.coloring.escape(k, (s & 2) != 0, (s & 1) != 0, job.palette).value;
    usesSigns = usesSigns || entry[1] != entry[0] || entry[2] != entry[0] || entry[3] != entry[0];
  }
  b.coloring = job.coloring;
  b.palette = job.palette;
  return usesSigns;
}

// Describes the packed render in w for the kernels.
void Describe(const Job& job, RenderBuffers& b, Work& w, int64_t tableSteps, bool usesSigns) {
  w.colValue = b.colValue.data();
  w.rowValue = b.rowValue.data();
  w.colX = b.colX.data();
  w.rowOffset = b.rowOffset.data();
  w.cols = static_cast<int64_t>(b.colX.size());
  w.rows = static_cast<int64_t>(b.rowOffset.size());
  w.points = w.cols * w.rows;
  w.gridIsStart = job.gridIsStart;
  w.cr = job.cr;
  w.ci = job.ci;
  w.bound = job.rule.bound;
  w.mn = job.mn;
  w.formula = job.rule.formula;
  w.measure = job.rule.measure;
  w.out = b.scratch.data();
  w.escapeTable = b.escapeTable.data();
  w.tableSteps = tableSteps;
  w.escapeColor = &EscapeColorOf;
  w.context = &b;
  // Beyond the table the signs are always passed on.
  w.escapeUsesSigns = usesSigns || tableSteps <= job.mn;
  w.lastStepColor = job.coloring.step(job.mn, job.palette).value;
}

// Packs the used columns and rows and the job's colors into b and
// describes them in w, with the queue head at *head; false when there is
// no point to compute.
bool Prepare(const Job& job, RenderBuffers& b, Work& w, int64_t* head, int threads) {
  if (job.mn < 0) return false;  // no step runs, so no pixel is written
  if (!PackGrid(job, b)) return false;
  FindSpans(b);
  const size_t size = static_cast<size_t>(job.width) * static_cast<size_t>(job.height);
  if (b.scratch.size() < size) b.scratch.resize(size);
  const int64_t tableSteps = job.mn < kTableSteps ? job.mn + 1 : kTableSteps;
  const bool usesSigns = TabulateEscapes(job, b, tableSteps);
  Describe(job, b, w, tableSteps, usesSigns);
  *head = 0;
  w.nextPoint = head;
  w.batchDivisor = static_cast<int64_t>(threads) * 8;
  return true;
}

// Copies used rows [first, end) from the scratch buffer into the picture.
void CopyRowRange(const RenderBuffers& b, uint32_t* picture, int64_t first, int64_t end) {
  for (int64_t r = first; r < end; ++r) {
    const int64_t line = b.rowOffset[static_cast<size_t>(r)];
    for (const auto& [from, to] : b.spans)
      std::copy(b.scratch.data() + line + from, b.scratch.data() + line + to, picture + line + from);
  }
}

}  // namespace

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

uint64_t Gate::Open() {
  const uint64_t g = generation_.load(std::memory_order_relaxed) + 1;
  word_.store((g << 32) | kOpen, std::memory_order_release);
  generation_.store(g);
  if (sleepers_.load() > 0) Signal();
  return g;
}

int Gate::Close() { return static_cast<int>(word_.fetch_and(~kOpen, std::memory_order_acq_rel) & kJoinedMask); }

bool Gate::TryJoin(uint64_t g) {
  uint64_t word = word_.load(std::memory_order_acquire);
  while ((word >> 32) == (g & 0xFFFFFFFFu) && (word & kOpen) != 0) {
    if (word_.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel, std::memory_order_acquire))
      return true;
  }
  return false;
}

uint64_t Gate::Await(uint64_t seen) {
  auto spinUntil = std::chrono::steady_clock::now() + kSpin;
  for (int polls = 1;; ++polls) {
    const uint64_t g = generation_.load(std::memory_order_acquire);
    if (g != seen) return g;
    QUORIX_PAUSE();
    if (polls % 64 != 0) continue;
    // Other programs may want this processor more than an idle poll does.
    std::this_thread::yield();
    if (std::chrono::steady_clock::now() < spinUntil) continue;
    // Sleep until a render is published or announced. A publisher that
    // misses the count below has stored its generation before we read it.
    sleepers_.fetch_add(1);
    const uint32_t signal = signal_.load();
    if (generation_.load() == seen) signal_.wait(signal);
    sleepers_.fetch_sub(1);
    spinUntil = std::chrono::steady_clock::now() + kSpin;
  }
}

void Gate::Wake() {
  if (sleepers_.load() > 0) Signal();
}

void Gate::Stop() {
  generation_.fetch_add(1);
  Signal();
}

void Gate::Signal() {
  signal_.fetch_add(1);
  signal_.notify_all();
}

Engine& Engine::Shared() {
  static Engine engine(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  return engine;
}

Engine::Engine(int threads) { StartWorkers(std::max(1, threads) - 1); }

Engine::~Engine() { StopWorkers(); }

void Engine::SetThreads(int threads) {
  threads = std::max(1, threads);
  // Holds the workers as a render does; renders that start meanwhile
  // leave them to this call.
  resizing_.fetch_add(1, std::memory_order_relaxed);
  while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  resizing_.fetch_sub(1, std::memory_order_relaxed);
  if (threads != Threads()) {
    StopWorkers();
    StartWorkers(threads - 1);
  }
  busy_.store(false, std::memory_order_release);
}

bool Engine::VectorAvailable() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
#else
  return false;
#endif
}

bool Engine::UseVector() const { return path_.load(std::memory_order_relaxed) != Path::Scalar && VectorAvailable(); }

void Engine::StartWorkers(int count) {
  stopping_ = false;
  workers_.reserve(static_cast<size_t>(count));
  const uint64_t seen = gate_.Generation();
  for (int i = 0; i < count; ++i) workers_.emplace_back([this, seen] { WorkerLoop(seen); });
  threads_.store(count + 1, std::memory_order_relaxed);
}

void Engine::StopWorkers() {
  if (workers_.empty()) return;
  stopping_ = true;
  gate_.Stop();
  for (auto& t : workers_) t.join();
  workers_.clear();
  threads_.store(1, std::memory_order_relaxed);
}

void Engine::Wake() { gate_.Wake(); }

void Engine::CopyRows() {
  if (!picture_) return;
  const int64_t rows = static_cast<int64_t>(buffers_.rowOffset.size());
  for (;;) {
    const int64_t first = nextRow_.fetch_add(8, std::memory_order_relaxed);
    if (first >= rows) return;
    CopyRowRange(buffers_, picture_, first, std::min(rows, first + 8));
  }
}

uint64_t Engine::RunKernel(const Work& w) const {
  return vector_ ? RunVectorKernel(w) : RunScalarKernel(w);
}

void Engine::WorkerLoop(uint64_t seen) {
  for (;;) {
    const uint64_t g = gate_.Await(seen);
    if (stopping_) return;
    seen = g;
    // Join the render unless its caller has already closed it (or moved on
    // to the next one).
    if (!gate_.TryJoin(g)) continue;
    steps_.fetch_add(RunKernel(*work_), std::memory_order_relaxed);
    computed_.fetch_add(1, std::memory_order_release);
    SpinUntil([&] { return copyGeneration_.load(std::memory_order_acquire) == g; });
    CopyRows();
    finished_.fetch_add(1, std::memory_order_release);
  }
}

uint64_t Engine::RenderAlone(const Job& job, uint32_t* picture, RenderBuffers& buffers, bool vector) {
  ClearPicture(job, picture);
  Work w;
  int64_t head = 0;
  if (!Prepare(job, buffers, w, &head, 1)) return 0;
  const uint64_t steps = vector ? RunVectorKernel(w) : RunScalarKernel(w);
  if (picture) CopyRowRange(buffers, picture, 0, w.rows);
  return steps;
}

// Hands the prepared render to the workers: open(g).
uint64_t Engine::Publish(const Work& w, bool vector, uint32_t* picture) {
  work_ = &w;
  vector_ = vector;
  picture_ = picture;
  nextRow_.store(0, std::memory_order_relaxed);
  steps_.store(0, std::memory_order_relaxed);
  computed_.store(0, std::memory_order_relaxed);
  finished_.store(0, std::memory_order_relaxed);
  return gate_.Open();
}

// Waits until the joined workers have computed their points, calling the
// wait hook now and then. The workers still use this render's buffers, so
// a failing hook is only returned, to be reported once they are done.
std::exception_ptr Engine::AwaitComputed(int joined, const std::function<void()>& waitHook) {
  auto nextHook = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
  std::exception_ptr failure;
  for (int polls = 0; computed_.load(std::memory_order_acquire) != joined;) {
    if (++polls > 4096) std::this_thread::yield();
    QUORIX_PAUSE();
    if (waitHook && !failure && polls % 256 == 0 && std::chrono::steady_clock::now() > nextHook) {
      try {
        waitHook();
      } catch (...) {
        failure = std::current_exception();
      }
      nextHook = std::chrono::steady_clock::now() + std::chrono::milliseconds(10);
    }
  }
  return failure;
}

// Every point is done: the threads copy the rows into the picture; returns
// the workers' steps once the last has finished.
uint64_t Engine::CopyAndCollect(uint64_t generation, int joined) {
  copyGeneration_.store(generation, std::memory_order_release);
  CopyRows();
  SpinUntil([&] { return finished_.load(std::memory_order_acquire) == joined; });
  work_ = nullptr;
  picture_ = nullptr;
  return steps_.load(std::memory_order_relaxed);
}

void Engine::Render(const Job& job, uint32_t* picture, const std::function<void()>& waitHook) {
  const bool vector = UseVector();
  if (resizing_.load(std::memory_order_relaxed) > 0 || busy_.exchange(true, std::memory_order_acquire)) {
    // Another render holds the workers (this one comes from its wait hook,
    // say), or SetThreads waits for them: this one runs here alone.
    RenderBuffers own;
    lastSteps_.store(RenderAlone(job, picture, own, vector), std::memory_order_relaxed);
    return;
  }
  struct Release {
    std::atomic<bool>& busy;
    ~Release() { busy.store(false, std::memory_order_release); }
  } release{busy_};
  if (workers_.empty()) {
    lastSteps_.store(RenderAlone(job, picture, buffers_, vector), std::memory_order_relaxed);
    return;
  }
  Work w;
  if (!Prepare(job, buffers_, w, &nextPoint_.head, Threads())) {
    ClearPicture(job, picture);
    lastSteps_.store(0, std::memory_order_relaxed);
    return;
  }
  const uint64_t g = Publish(w, vector, picture);
  // The workers start on the points while this thread clears.
  ClearPicture(job, picture);
  uint64_t steps = RunKernel(w);
  // The queue is empty: no worker joins any more; wait for those that did.
  const int joined = gate_.Close();
  const std::exception_ptr failure = AwaitComputed(joined, waitHook);
  steps += CopyAndCollect(g, joined);
  lastSteps_.store(steps, std::memory_order_relaxed);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace render
