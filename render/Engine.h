#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "render/ColorSets.h"

// The exact escape-time engine behind every render command. It computes,
// for each picture pixel that some grid point lands on, the colour that
// the point's last pixel write leaves there, with the same double
// operations in the same order as the step-by-step loops, so the
// resulting picture is identical bit for bit. Work is spread over a pool
// of worker threads that stay alive between renders.
namespace render {

// The update formula z <- f(z, c).
enum class Formula : uint8_t { Square, Cube, Fourth, Fifth };
// The escape measure of the new z.
enum class Measure : uint8_t {
  SumOfSquares,   // (zr * zr) + (zi * zi)
  SkewedSum,      // ((zr * zr) + (zi * zi)) + (zr * zi)
};

struct IterationRule {
  Formula formula = Formula::Square;
  Measure measure = Measure::SumOfSquares;
  double bound = 4.0;  // escaped when measure > bound (NaN never escapes)
};

// How one command colours a point. The last write of a point is either its
// escape colour (escaped at step k, with the signs of the new z) or the
// non-escape colour of its last step.
struct Colouring {
  fw::Color (*escape)(int64_t k, bool zrNegative, bool ziNegative, const Palette& p) = nullptr;
  fw::Color (*step)(int64_t k, const Palette& p) = nullptr;
};

// One render: a separable grid. Picture column x shows the grid value
// columns[x] (when columnUsed[x]), picture row y the grid value rows[y].
// In the Mandelbrot-type frame the grid value is c and z starts at 0; in
// the Julia frame the grid value is z0 and c is the constant.
struct Job {
  IterationRule rule;
  Colouring colouring;
  Palette palette{};
  bool gridIsStart = false;  // false: grid gives c; true: grid gives z0
  double cr = 0.0, ci = 0.0;  // the constant c when gridIsStart
  int64_t mn = 0;             // steps 0..mn; below 0 nothing is written
  int width = 0, height = 0;
  std::vector<double> columns, rows;
  std::vector<uint8_t> columnUsed, rowUsed;
};

enum class Path { Auto, Scalar, Vector };

struct Work;

class Engine {
 public:
  // The engine all commands share (workers = hardware threads).
  static Engine& Shared();

  explicit Engine(int threads);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Renders the job. The threads write the colours into scratch (width *
  // height colour words, row-major) and, once all points are done, copy the
  // used (column, row) pairs into picture (same layout; may be null). While
  // the calling thread waits for the workers to compute it calls waitHook
  // now and then (if set); the picture is not touched before the hook's
  // last call. Allocates nothing once its buffers have grown to the job's
  // size.
  void Render(const Job& job, uint32_t* scratch, uint32_t* picture,
              const std::function<void()>& waitHook = {});

  int Threads() const { return static_cast<int>(workers_.size()) + 1; }
  // Changes the number of threads (1 = the calling thread alone).
  void SetThreads(int threads);

  // Forces a path (tests); Vector falls back to Scalar where the processor
  // lacks AVX2.
  void SetPath(Path path) { path_ = path; }
  Path CurrentPath() const { return path_; }
  // Whether the AVX2 path can run on this processor.
  static bool VectorAvailable();

  // Iteration steps the last render computed (a benchmark counter).
  uint64_t LastSteps() const { return lastSteps_; }

 private:
  void StartWorkers(int count);
  void StopWorkers();
  void WorkerLoop(uint64_t seen);
  uint64_t RunKernel();
  // After every thread has computed: copies the used rows into the picture.
  void CopyRows();

  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<uint64_t> generation_{0};
  std::atomic<int> sleepers_{0};
  std::atomic<int> running_{0};    // workers not yet done with the render
  std::atomic<int> computing_{0};  // threads (the caller included) still computing
  std::atomic<int64_t> nextRow_{0};
  bool stopping_ = false;

  // The current render, read by the workers between a generation change
  // and their running_ decrement.
  const Work* work_ = nullptr;
  bool vector_ = false;
  std::atomic<uint64_t> steps_{0};

  // Buffers reused from render to render.
  std::vector<double> colValue_, rowValue_;
  std::vector<int64_t> colX_, rowOffset_;
  std::vector<std::pair<int64_t, int64_t>> spans_;  // runs of used columns
  const uint32_t* scratch_ = nullptr;
  uint32_t* picture_ = nullptr;
  std::vector<uint32_t> escapeTable_;
  // The queue head, on a cache line of its own: the threads that poll the
  // flags above must not slow down the threads taking points.
  struct alignas(64) QueueHead {
    int64_t head = 0;
    char pad[56];
  } nextPoint_;

  uint64_t lastSteps_ = 0;
  Path path_ = Path::Auto;
};

// The outcome of iterating one point.
struct PointResult {
  int64_t k = 0;         // escape step, or the last step when not escaped
  bool escaped = false;
  bool zrNegative = false;  // 0.0 > zr of the escaping z
  bool ziNegative = false;  // 0.0 > zi of the escaping z
};

// Iterates one point exactly (scalar path, with exact cycle detection);
// mn must be >= 0. Adds the steps taken to *steps when given.
PointResult IteratePoint(const IterationRule& rule, double zr, double zi, double cr, double ci,
                         int64_t mn, uint64_t* steps = nullptr);

// One update step z <- f(z) + c through the code of the given path (the
// AVX2 path only where available): lets tests check the evaluation order
// of each kernel.
void StepOnce(Formula formula, Path path, double& zr, double& zi, double cr, double ci);

}  // namespace render
