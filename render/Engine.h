#pragma once
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "render/ColorSets.h"
#include "render/Formula.h"

// The exact escape-time engine behind every render command. It computes,
// for each picture pixel that some grid point lands on, the color that
// the point's last pixel write leaves there, with the same double
// operations in the same order as the step-by-step loops, so the
// resulting picture is identical bit for bit. Work is spread over a pool
// of worker threads that stay alive between renders.
namespace render {

struct IterationRule {
  Formula formula = Formula::Square;
  Measure measure = Measure::SumOfSquares;
  double bound = 4.0;  // escaped when measure > bound (NaN never escapes)
};

// How one command colors a point. The last write of a point is either its
// escape color (escaped at step k, with the signs of the new z) or the
// non-escape color of its last step.
struct Coloring {
  fw::Color (*escape)(int64_t k, bool zrNegative, bool ziNegative, const Palette& p) = nullptr;
  fw::Color (*step)(int64_t k, const Palette& p) = nullptr;
};

// One render: a separable grid. Picture column x shows the grid value
// columns[x] (when columnUsed[x]), picture row y the grid value rows[y].
// In the Mandelbrot-type frame the grid value is c and z starts at 0; in
// the Julia frame the grid value is z0 and c is the constant.
struct Job {
  IterationRule rule;
  Coloring coloring;
  Palette palette{};
  bool gridIsStart = false;  // false: grid gives c; true: grid gives z0
  double cr = 0.0, ci = 0.0;  // the constant c when gridIsStart
  int64_t mn = 0;             // steps 0..mn; below 0 nothing is written
  int width = 0, height = 0;
  std::vector<double> columns, rows;
  std::vector<uint8_t> columnUsed, rowUsed;
  // The whole picture becomes fully transparent black before anything
  // else (and before the first wait hook), whatever the grid.
  bool clearPicture = false;
};

enum class Path { Auto, Scalar, Vector };

struct Work;

// The buffers of one render, reused from render to render.
struct RenderBuffers {
  std::vector<double> colValue, rowValue;
  std::vector<int64_t> colX, rowOffset;
  std::vector<std::pair<int64_t, int64_t>> spans;  // runs of used columns
  std::vector<uint32_t> escapeTable;
  std::vector<uint32_t> scratch;
  // Copies of the job's colors, for escape steps beyond the table: the
  // job itself may change while the render waits.
  Coloring coloring;
  Palette palette{};
};

// The gate through which the workers join a render of the shared engine.
// Each render is one generation g; the gate word holds g in its high half
// and, in its low half, an open flag and the count of workers that joined.
//
//   waiting    Workers wait in Await for a generation other than the one
//              they last saw: they poll for a while, then sleep on the
//              signal word (a futex; the sleep only saves the processor,
//              the happens-before is carried by the generation and the
//              gate word).
//   open(g)    Open() stores the gate word (g, open, 0 joined) with
//              release, then the generation g, and signals the sleepers.
//              A worker that sees g joins with TryJoin(g), which counts it
//              in the gate word (acquire: it then sees the published work)
//              while the gate is open(g).
//   closed(g)  Close() clears the open flag and returns how many workers
//              joined: the caller waits for those, never for one that still
//              sleeps. TryJoin(g) now fails, as it does for any older g.
//   stopped    Stop() publishes a generation without opening the gate and
//              wakes every worker, which then sees the engine stopping.
//
// Open, Close and Stop come from one thread at a time (the one holding
// the engine); Await, TryJoin and Wake from any thread.
class Gate {
 public:
  uint64_t Generation() const { return generation_.load(); }
  // open(g) for the next generation g; returns g.
  uint64_t Open();
  // closed(g); returns the count of workers that joined.
  int Close();
  // Joins generation g if it is still open.
  bool TryJoin(uint64_t g);
  // Waits until the generation differs from seen; returns it.
  uint64_t Await(uint64_t seen);
  // Wakes sleeping workers: a render is coming.
  void Wake();
  void Stop();

 private:
  void Signal();

  std::atomic<uint64_t> generation_{0};
  std::atomic<uint64_t> word_{0};
  std::atomic<uint32_t> signal_{0};  // sleeping workers wait on this
  std::atomic<int> sleepers_{0};
};

class Engine {
 public:
  // The engine all commands share (workers = hardware threads).
  static Engine& Shared();

  explicit Engine(int threads);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Renders the job into picture (width * height color words, row-major;
  // may be null). The threads compute into a scratch buffer and, once all
  // points are done, copy the used (column, row) pairs into the picture.
  // While the calling thread waits for the workers it calls waitHook now
  // and then (if set); the picture is not touched between the clearing and
  // the hook's last call, and what the hook throws reaches the caller once
  // the picture is complete. Everything the render needs is taken from the
  // job before the hook is first called. A render on the workers allocates
  // nothing once the engine's buffers have grown to the job's size.
  //
  // Any thread may render at any time. A render started while another one
  // holds the workers (from its wait hook, or from another thread) runs on
  // the calling thread alone, in buffers of its own: the two share nothing
  // but the settings below, so each needs only its own job and picture to
  // stay untouched while it runs.
  void Render(const Job& job, uint32_t* picture, const std::function<void()>& waitHook = {});

  // A render is coming: sleeping workers start waking now, while the
  // caller prepares it. Optional; Render does not wait for them either way.
  void Wake();

  int Threads() const { return threads_.load(std::memory_order_relaxed); }
  // Changes the number of threads (1 = the calling thread alone). Waits
  // for the render that holds the workers to end and then comes next:
  // renders started while it waits run alone, each on its own thread. So
  // never call it from a wait hook.
  void SetThreads(int threads);

  // Forces a path (tests); Vector falls back to Scalar where the processor
  // lacks AVX2. A render takes the path set when it starts.
  void SetPath(Path path) { path_.store(path, std::memory_order_relaxed); }
  // Whether the AVX2 path can run on this processor.
  static bool VectorAvailable();

  // Iteration steps of the render that finished last, on whichever thread
  // it ran (a benchmark counter).
  uint64_t LastSteps() const { return lastSteps_.load(std::memory_order_relaxed); }

 private:
  void StartWorkers(int count);
  void StopWorkers();
  void WorkerLoop(uint64_t seen);
  bool UseVector() const;
  // The render on the calling thread alone; returns its steps.
  static uint64_t RenderAlone(const Job& job, uint32_t* picture, RenderBuffers& buffers, bool vector);
  // The steps of a render on the workers, from the points to the picture.
  uint64_t Publish(const Work& w, bool vector, uint32_t* picture);
  std::exception_ptr AwaitComputed(int joined, const std::function<void()>& waitHook);
  uint64_t CopyAndCollect(uint64_t generation, int joined);
  uint64_t RunKernel(const Work& w) const;
  // Once every point is done: copies the used rows into the picture.
  void CopyRows();

  std::vector<std::thread> workers_;
  std::atomic<int> threads_{1};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> busy_{false};  // a render holds the workers
  std::atomic<int> resizing_{0};   // SetThreads calls waiting for them

  Gate gate_;
  std::atomic<int> computed_{0};  // joined workers done computing
  std::atomic<uint64_t> copyGeneration_{0};  // the copy may start
  std::atomic<int> finished_{0};  // joined workers done copying
  std::atomic<int64_t> nextRow_{0};
  std::atomic<uint64_t> steps_{0};

  // The current render, read by the workers that joined it.
  const Work* work_ = nullptr;
  bool vector_ = false;
  uint32_t* picture_ = nullptr;
  RenderBuffers buffers_;
  // The queue head, on a cache line of its own: the threads that poll the
  // flags above must not slow down the threads taking points.
  struct alignas(64) QueueHead {
    int64_t head{};  // set as each render starts
    char pad[56];
  } nextPoint_;

  std::atomic<uint64_t> lastSteps_{0};
  std::atomic<Path> path_{Path::Auto};
};

// One update step z <- f(z) + c through the code of the given path (the
// AVX2 path only where available): lets tests check the evaluation order
// of each kernel.
void StepOnce(Formula formula, Path path, double& zr, double& zi, double cr, double ci);

}  // namespace render
