// The engine's own promises: every formula in its written grouping on both paths, exact cycle detection that shortens
// work without changing a result, the largest limits, nested renders and any number of threads.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "framework/core/Random.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"

namespace {

using render::Engine;
using render::Formula;

// Each path's update step against the literal step, bit for bit: another grouping of the same polynomial differs in
// the last digits somewhere among many points of every size.
TEST(EngineGrouping, EveryFormulaStepsAsTheLiteralLoopsOnEveryPath) {
  struct Case {
    Formula formula;
    void (*literal)(double&, double&, double, double);
    double zr, zi;  // one step from -2 - 1.4i with c = 0, worked out by hand
  };
  const Case cases[] = {
      {Formula::Square, &oracle::Step2, 2.04, 5.6},
      {Formula::Cube, &oracle::Step3, 3.759999999999999, -14.056},
      {Formula::Fourth, &oracle::Step4, -27.198399999999992, 22.848000000000003},
      {Formula::Fifth, &oracle::Step5, 86.38399999999999, -7.6182400000000285},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.formula));
    double zr = -2.0, zi = -1.4;
    c.literal(zr, zi, 0.0, 0.0);
    EXPECT_TRUE(zr == c.zr && zi == c.zi);
    for (render::Path path : EnginePaths()) {
      fw::Random r(99);
      for (int n = 0; n < 3000; ++n) {
        const double scale = n % 3 == 0 ? 1e-3 : n % 3 == 1 ? 1.0 : 40.0;
        double ar = scale * static_cast<double>(r.InRange(-300000, 300000)) / 99991.0;
        double ai = scale * static_cast<double>(r.InRange(-300000, 300000)) / 99989.0;
        const double cr = r.InRange(-20000, 20000) / 9973.0, ci = r.InRange(-20000, 20000) / 9967.0;
        double br = ar, bi = ai;
        c.literal(ar, ai, cr, ci);
        render::StepOnce(c.formula, path, br, bi, cr, ci);
        ASSERT_TRUE(std::memcmp(&br, &ar, sizeof ar) == 0 && std::memcmp(&bi, &ai, sizeof ai) == 0)
            << (path == render::Path::Scalar ? "scalar path " : "vector path ") << n;
      }
    }
  }
}

// Colors that spell out the escape step and the signs, or the last step.
fw::Color TestEscape(int64_t k, bool zrNegative, bool ziNegative, const Palette&) {
  return fw::Color{static_cast<uint32_t>(0xFF000000u | (k << 2) | (zrNegative ? 2 : 0) | (ziNegative ? 1 : 0))};
}
fw::Color TestStep(int64_t k, const Palette&) { return fw::Color{static_cast<uint32_t>(0xFE000000u | k)}; }

// A job of z^2 + c over the given grid values, all used, in the test colors.
render::Job SquareJob(const std::vector<double>& columns, const std::vector<double>& rows, bool julia,
                      double bound, int64_t mn) {
  render::Job job;
  job.rule = {Formula::Square, render::Measure::SumOfSquares, bound};
  job.coloring = {&TestEscape, &TestStep};
  job.gridIsStart = julia;
  job.mn = mn;
  job.width = static_cast<int>(columns.size());
  job.height = static_cast<int>(rows.size());
  job.columns = columns;
  job.rows = rows;
  job.columnUsed.assign(columns.size(), 1);
  job.rowUsed.assign(rows.size(), 1);
  return job;
}

// The step at which z^2 + c escapes beyond the bound, leaving the escaping z; -1 if not within mn + 1 and cap steps.
int64_t EscapeStep(double& zr, double& zi, double cr, double ci, double bound, int64_t mn, int64_t cap) {
  for (int64_t k = 0; k <= mn && k < cap; ++k) {
    oracle::Step2(zr, zi, cr, ci);
    if ((zr * zr) + (zi * zi) > bound) return k;
  }
  return -1;
}

// The picture a job must give, each point stepped as the loops write it (a point still inside after cap steps must be
// in an exact cycle); unused pixels keep `untouched`.
std::vector<uint32_t> Expected(const render::Job& job, int64_t cap, uint32_t untouched = 0) {
  std::vector<uint32_t> out(job.rows.size() * job.columns.size(), untouched);
  for (size_t y = 0; y < job.rows.size(); ++y) {
    for (size_t x = 0; x < job.columns.size(); ++x) {
      if (!job.columnUsed[x] || !job.rowUsed[y]) continue;
      double zr = job.gridIsStart ? job.columns[x] : 0.0, zi = job.gridIsStart ? job.rows[y] : 0.0;
      const double cr = job.gridIsStart ? job.cr : job.columns[x], ci = job.gridIsStart ? job.ci : job.rows[y];
      const int64_t k = EscapeStep(zr, zi, cr, ci, job.rule.bound, job.mn, cap);
      out[y * job.columns.size() + x] = k < 0 ? TestStep(job.mn, job.palette).value
                                              : TestEscape(k, 0.0 > zr, 0.0 > zi, job.palette).value;
    }
  }
  return out;
}

void ExpectRendersAs(const render::Job& job, const std::vector<uint32_t>& expected, std::initializer_list<int> threads,
                     uint32_t untouched = 0) {
  for (int t : threads) {
    for (render::Path path : EnginePaths()) {
      Engine::Shared().SetThreads(t);
      Engine::Shared().SetPath(path);
      std::vector<uint32_t> picture(expected.size(), untouched);
      Engine::Shared().Render(job, picture.data());
      EXPECT_EQ(picture, expected) << job.width << "x" << job.height << " mn " << job.mn << " julia "
                                   << job.gridIsStart << ", " << t << " threads, path " << static_cast<int>(path);
    }
  }
}

// Jobs against the step-by-step result: the largest limits and limits at a point's escape step (escapes at once, after
// thousands of steps past the tabulated colors or at the limit, exact cycles after a long way in, near-cycles with zr
// back and zi not), and grids of every awkward size (one point, fewer points than a group of lanes, a row shorter than
// a group, unused columns and rows between used ones and at the edges), whose batches of changing size must cover
// every point once whatever the number of threads; a render after one with more used rows shows no leftovers.
TEST(EngineResults, EveryLimitAndGridSizeGivesTheStepByStepResult) {
  EngineDefaults defaults;
  // c = -2 stays at 2 with |z|^2 exactly 4, c = -1 cycles 0, -1; -0.74 and 0.24 settle slowly onto a point, -1.3
  // onto four; c just above 1/4 escapes after 30 to 10^4 steps, more of them than there are lanes.
  std::vector<double> cs = {-2.0, -1.0, 0.0, 3.0, -0.5, -0.74, 0.24, -1.3, 0.26, 0.2501, 0.25001, 0.250001};
  for (int n = 0; n < 40; ++n) cs.push_back(0.2500001 + n * 1e-8);
  // With c = 0: z0 = 0.5 squares down to 0, +-1 go to 1, 1.0001 and 2 escape.
  const std::vector<double> z0s = {0.0, 0.5, 1.0, -1.0, 1.0001, 2.0, -1.5};
  std::vector<int64_t> mns = {INT64_MAX, INT64_MAX - 1, INT64_MAX - 64};
  for (size_t n = 8; n < 13; ++n) {
    double zr = 0.0, zi = 0.0;
    const int64_t k = EscapeStep(zr, zi, cs[n], 0.0, 4.0, INT64_MAX, 1 << 20);
    mns.insert(mns.end(), {k - 1, k, k + 1});
  }
  for (int64_t mn : mns)
    for (const render::Job& job : {SquareJob(cs, {0.0}, false, 4.0, mn), SquareJob(z0s, {0.0}, true, 2.0, mn)})
      ExpectRendersAs(job, Expected(job, 1 << 20), {1, 4});
  // Alone, a point goes to the lanes at once. From 0, c = 0.5625 + 0.9375i has zr = 0 again after two steps and
  // escapes on the third; c = 0.5 + 0.5i has zr = 0.5 after one step and after two, and escapes later.
  for (const auto& [cr, ci] : {std::pair{0.5625, 0.9375}, std::pair{0.5, 0.5}}) {
    const render::Job job = SquareJob({cr}, {ci}, false, 4.0, INT64_MAX);
    ExpectRendersAs(job, Expected(job, 1 << 20), {1});
  }
  constexpr uint32_t kUntouched = 0x12345678u;
  for (const auto& [width, height] : {std::pair{1, 1}, {5, 1}, {1, 7}, {13, 3}, {31, 17}, {200, 90}}) {
    std::vector<double> columns, rows;
    for (int x = 0; x < width; ++x) columns.push_back(-2.0 + 2.6 * x / width);
    for (int y = 0; y < height; ++y) rows.push_back(-1.3 + 2.6 * y / height);
    for (int64_t mn : {int64_t{0}, int64_t{1}, int64_t{50}, int64_t{700}}) {
      for (bool julia : {false, true}) {
        render::Job job = SquareJob(columns, rows, julia, 4.0, mn);
        job.cr = -0.75;
        job.ci = 0.11;
        for (int x = 4; x < width; x += 7) job.columnUsed[static_cast<size_t>(x)] = 0;
        for (int y = 3; y < height; y += 5) job.rowUsed[static_cast<size_t>(y)] = 0;
        if (julia && height > 1) job.rowUsed.back() = job.columnUsed.front() = 0;
        ExpectRendersAs(job, Expected(job, INT64_MAX, kUntouched), {1, 2, 8}, kUntouched);
      }
    }
  }
}

// A render counts its steps: all of them for points that escape (1 + 12 + 30 for c = 3, 0.3, 0.26, in each render),
// and so few for points caught early in an exact cycle (0, -1, -2 at once; -0.5, -1.3, 0.24 after some hundred steps)
// that at the limit 10^5 the render takes at most a quarter of the steps of the literal loops.
TEST(EngineCycles, ARenderCountsItsStepsAndExactCyclesCutThemShort) {
  EngineDefaults defaults;
  Engine::Shared().SetThreads(3);
  const render::Job escaping = SquareJob({3, 0.3, 0.26}, {0}, false, 4, 100000);
  const render::Job all = SquareJob({3, 0.3, 0.26, 0, -1, -2, -0.5, -1.3, 0.24}, {0}, false, 4, 100000);
  std::vector<uint32_t> picture(9);
  for (render::Path path : EnginePaths()) {
    Engine::Shared().SetPath(path);
    for (int round = 0; round < 2; ++round) {
      Engine::Shared().Render(escaping, picture.data());
      EXPECT_EQ(Engine::Shared().LastSteps(), 43u) << static_cast<int>(path);
      Engine::Shared().Render(all, picture.data());
      EXPECT_LE(Engine::Shared().LastSteps(), (43u + 6 * 100001u) / 4) << static_cast<int>(path);
    }
  }
}

// Renders nested in one that holds the workers. A late job's points (c just above 1/4) escape after some 3000 to 10^4
// steps, so their late colors are asked for while points are computed: there a thread other than `unheld` waits until
// `released`. The flags are relaxed, so the test adds no ordering of its own between the renders it runs together.
std::atomic<bool> held{false}, released{false};
std::atomic<std::thread::id> unheld;
fw::Color HeldEscape(int64_t k, bool zrNegative, bool ziNegative, const Palette& p) {
  if (k >= 5000 && std::this_thread::get_id() != unheld.load(std::memory_order_relaxed)) {
    held.store(true, std::memory_order_relaxed);
    while (!released.load(std::memory_order_relaxed)) std::this_thread::yield();
  }
  return TestEscape(k, zrNegative, ziNegative, p);
}

render::Job LateJob(int points, std::vector<uint32_t>& expected) {
  std::vector<double> columns;
  for (int x = 0; x < points; ++x) columns.push_back(0.2500001 + x * 1e-9);
  render::Job job = SquareJob(columns, {0.0}, false, 4.0, 20000);
  expected = Expected(job, 20001);
  job.coloring.escape = &HeldEscape;
  return job;
}

// A render started from the wait hook while held workers still have points of the first render (the hook runs only
// once the caller waits for a worker, so render until it has), and one started from another thread while every thread
// of the first render waits: each runs alone on its thread, and every picture comes out right. What the hook throws
// reaches the caller once the first picture is complete.
TEST(EngineNesting, RendersFromTheWaitHookAndFromAnotherThreadComplete) {
  EngineDefaults defaults;
  Engine::Shared().SetThreads(4);
  std::vector<uint32_t> expectedFirst, expectedSecond;
  const render::Job first = LateJob(512, expectedFirst);
  render::Job second = LateJob(256, expectedSecond);
  second.coloring.escape = &TestEscape;
  TestWindow slow;
  slow.mn = 51, slow.mpixcel = 120;
  fw::System::Random().Seed(17);
  oracle::Quorix0(slow);
  for (render::Path path : EnginePaths()) {
    Engine::Shared().SetPath(path);
    unheld = std::this_thread::get_id();
    bool nested = false;
    TestWindow inner;
    inner.mn = 51, inner.mpixcel = 120;
    for (int attempt = 0; attempt < 100000 && !nested; ++attempt) {
      released = false;
      std::vector<uint32_t> picture(expectedFirst.size(), 0);
      bool thrown = false;
      try {
        Engine::Shared().Render(first, picture.data(), [&] {
          if (nested) return;
          fw::System::Random().Seed(17);
          inner.QuorixPB0_Action(nullptr);
          nested = released = true;
          throw std::runtime_error("from the hook");
        });
      } catch (const std::runtime_error&) {
        thrown = true;
      }
      ASSERT_EQ(picture, expectedFirst);
      ASSERT_EQ(thrown, nested);
    }
    ASSERT_TRUE(nested) << "the wait hook never ran";
    EXPECT_EQ(std::memcmp(inner.CVBackdrop->Data(), slow.CVBackdrop->Data(), 500 * 500 * 4), 0);
    EXPECT_EQ(inner.canvas.refreshes, 1);
    // Then from another thread, while every thread of the first render waits.
    unheld = std::thread::id();
    held = released = false;
    std::atomic<bool> firstDone{false};
    std::vector<uint32_t> picture1(expectedFirst.size(), 0), picture2(expectedSecond.size(), 0);
    std::thread other([&] {
      while (!held.load(std::memory_order_relaxed) && !firstDone.load(std::memory_order_relaxed))
        std::this_thread::yield();
      Engine::Shared().Render(second, picture2.data());
      released.store(true, std::memory_order_relaxed);
    });
    Engine::Shared().Render(first, picture1.data());
    firstDone.store(true, std::memory_order_relaxed);
    other.join();
    EXPECT_TRUE(picture1 == expectedFirst && picture2 == expectedSecond);
  }
}

// SetThreads comes next after the render that holds the workers, however closely other threads follow one render with
// the next: calls return while two threads render back to back on one processor (as a busy machine may leave them).
TEST(EngineThreads, SetThreadsIsNotStarvedByRendersBackToBack) {
  EngineDefaults defaults;
  std::vector<double> grid;
  for (int i = 0; i < 160; ++i) grid.push_back(-2.0 + i / 40.0);
  const render::Job job = SquareJob(grid, grid, false, 4.0, 300);
  const std::vector<uint32_t> expected = Expected(job, INT64_MAX);
  cpu_set_t all, one;
  sched_getaffinity(0, sizeof all, &all);
  CPU_ZERO(&one);
  for (int cpu = 0; CPU_COUNT(&one) == 0; ++cpu)
    if (CPU_ISSET(cpu, &all)) CPU_SET(cpu, &one);
  sched_setaffinity(0, sizeof one, &one);  // the threads made from here on inherit it
  std::atomic<int> rendering{0};
  std::atomic<bool> done{false};
  auto renderBackToBack = [&] {
    std::vector<uint32_t> picture(expected.size());
    Engine::Shared().Render(job, picture.data());
    ++rendering;
    while (!done.load(std::memory_order_relaxed)) Engine::Shared().Render(job, picture.data());
    EXPECT_EQ(picture, expected);
  };
  std::thread a(renderBackToBack), b(renderBackToBack);
  while (rendering < 2) std::this_thread::yield();
  for (int i = 0; i < 40; ++i) Engine::Shared().SetThreads(2 + i % 3);
  done = true;
  a.join();
  b.join();
  sched_setaffinity(0, sizeof all, &all);
}

}  // namespace
