// The engine's own promises: the written grouping of every formula on both
// paths, exact cycle detection that shortens work without changing a
// result, and the same picture whatever the number of threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "framework/core/Random.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "render/Engine.h"

namespace {

using render::Engine;
using render::Formula;
using render::Path;

std::vector<Path> Paths() {
  std::vector<Path> paths = {Path::Scalar};
  if (Engine::VectorAvailable()) paths.push_back(Path::Vector);
  return paths;
}

struct PathGuard {
  ~PathGuard() {
    Engine::Shared().SetPath(Path::Auto);
    Engine::Shared().SetThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  }
};

// One step from z = -2 - 1.4i with c = 0; another grouping of the same
// polynomial differs in the last digits.
TEST(EngineGrouping, OneStepFromMinusTwoMinusOnePointFourI) {
  struct Case {
    Formula formula;
    double zr, zi;
    double otherZr, otherZi;  // a wrong grouping's result
  };
  const Case cases[] = {
      {Formula::Cube, 3.759999999999999, -14.056, 3.759999999999998, -14.056},
      {Formula::Fourth, -27.198399999999992, 22.848000000000003, -27.198399999999996, 22.848},
      {Formula::Fifth, 86.38399999999999, -7.6182400000000285, 86.38399999999999, -7.618240000000014},
  };
  for (Path path : Paths()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(static_cast<int>(c.formula));
      double zr = -2.0, zi = -1.4;
      render::StepOnce(c.formula, path, zr, zi, 0.0, 0.0);
      EXPECT_EQ(zr, c.zr);
      EXPECT_EQ(zi, c.zi);
      EXPECT_TRUE(zr != c.otherZr || zi != c.otherZi);
    }
  }
  // The literal loops' steps agree.
  double zr = -2.0, zi = -1.4;
  oracle::Step3(zr, zi, 0.0, 0.0);
  EXPECT_EQ(zr, 3.759999999999999);
  EXPECT_EQ(zi, -14.056);
  zr = -2.0, zi = -1.4;
  oracle::Step4(zr, zi, 0.0, 0.0);
  EXPECT_EQ(zr, -27.198399999999992);
  EXPECT_EQ(zi, 22.848000000000003);
  zr = -2.0, zi = -1.4;
  oracle::Step5(zr, zi, 0.0, 0.0);
  EXPECT_EQ(zr, 86.38399999999999);
  EXPECT_EQ(zi, -7.6182400000000285);
}

TEST(EngineGrouping, BothPathsAgreeOnManyPoints) {
  if (!Engine::VectorAvailable()) GTEST_SKIP() << "no AVX2 here";
  fw::Random r(99);
  for (Formula f : {Formula::Square, Formula::Cube, Formula::Fourth, Formula::Fifth}) {
    for (int n = 0; n < 2000; ++n) {
      const double zr0 = static_cast<double>(r.InRange(-300000, 300000)) / 99991.0;
      const double zi0 = static_cast<double>(r.InRange(-300000, 300000)) / 99989.0;
      const double cr = static_cast<double>(r.InRange(-20000, 20000)) / 9973.0;
      const double ci = static_cast<double>(r.InRange(-20000, 20000)) / 9967.0;
      double ar = zr0, ai = zi0, br = zr0, bi = zi0;
      render::StepOnce(f, Path::Scalar, ar, ai, cr, ci);
      render::StepOnce(f, Path::Vector, br, bi, cr, ci);
      ASSERT_EQ(std::memcmp(&ar, &br, sizeof ar), 0) << static_cast<int>(f) << " " << n;
      ASSERT_EQ(std::memcmp(&ai, &bi, sizeof ai), 0) << static_cast<int>(f) << " " << n;
    }
  }
}

// Interior points repeat exactly after a while: the engine stops them early
// and still gives the literal loops' picture. Near the centre of the main
// cardioid z settles within a few hundred steps; at mw 0 every point is
// c = 0 and z stays 0, which the first pass must see at once.
TEST(EngineCycles, InteriorStopsEarlyWithTheLiteralResult) {
  PathGuard guard;
  struct Case {
    double mw;
    uint64_t maxStepsPerPoint;  // without the cycle test each takes 1002
  };
  for (const Case& c : {Case{0.3, 1002 / 4}, Case{0.0, 16}}) {
    for (Path path : Paths()) {
      SCOPED_TRACE(testing::Message() << "mw " << c.mw << " path " << static_cast<int>(path));
      Engine::Shared().SetPath(path);
      TestWindow fast, slow;
      for (TestWindow* w : {&fast, &slow}) {
        w->mn = 1001;  // odd: a point that never escapes ends with palette(7)
        w->mw = c.mw;  // |c| < 1/4: all inside the main cardioid
        w->mpixcel = 100;
      }
      fw::System::Random().Seed(3);
      fast.QuorixPB0_Action(nullptr);
      const uint64_t steps = Engine::Shared().LastSteps();
      fw::System::Random().Seed(3);
      oracle::Quorix0(slow);
      EXPECT_EQ(std::memcmp(fast.CVBackdrop->Data(), slow.CVBackdrop->Data(), 500 * 500 * 4), 0);
      // All 101 x 101 grid points lie in the picture (columns 0..100, rows
      // 200..300).
      EXPECT_GT(steps, 0u);
      EXPECT_LE(steps, 101u * 101u * c.maxStepsPerPoint);
      // A pixel that never escapes carries the odd limit's colour.
      EXPECT_NE(fast.CVBackdrop->Data()[250 * 500 + 50], 0xFF000000u);
    }
  }
}

TEST(EngineCycles, NaNPointNeverEscapes) {
  // mpixcel 0: the single grid point is 0/0; the NaN z never escapes and
  // ends with the non-escape colour of step mn on both paths.
  PathGuard guard;
  for (Path path : Paths()) {
    Engine::Shared().SetPath(path);
    TestWindow w;
    w.mpixcel = 0;
    w.mn = 7;
    fw::System::Random().Seed(4);
    w.QuorixPB0_Action(nullptr);
    Palette p{};
    TestWindow draw;
    fw::System::Random().Seed(4);
    for (auto& e : p) e = draw.ColorSetChange(0);
    EXPECT_EQ(w.CVBackdrop->Data()[250 * 500 + 0], p[7].value);
    EXPECT_NE(w.ma, w.ma);  // NaN
  }
}

TEST(EngineThreads, SamePictureOnOneAndOnManyThreads) {
  PathGuard guard;
  std::vector<uint32_t> first;
  for (int threads : {1, 3, 8}) {
    for (Path path : Paths()) {
      Engine::Shared().SetThreads(threads);
      Engine::Shared().SetPath(path);
      TestWindow w;
      w.mn = 300;
      w.mw = 2.6;
      fw::System::Random().Seed(11);
      w.QuorixPB9_Action(nullptr);
      std::vector<uint32_t> pixels(w.CVBackdrop->Data(), w.CVBackdrop->Data() + 500 * 500);
      if (first.empty()) first = pixels;
      EXPECT_EQ(pixels, first) << threads << " threads";
    }
  }
}

TEST(EngineThreads, ManyRendersInARowAllComplete) {
  // Workers go to sleep between renders (they poll for 10 ms) and wake for
  // the next one, announced or not.
  PathGuard guard;
  TestWindow w;
  w.mn = 20;
  w.mpixcel = 250;
  for (int n = 0; n < 200; ++n) {
    if (n % 50 == 25) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    if (n == 150) Engine::Shared().Wake();
    w.QuorixPB1_Action(nullptr);
    ASSERT_EQ(w.canvas.refreshes, n + 1);
  }
  EXPECT_NE(w.CVBackdrop->Data()[250 * 500 + 125], 0xFF000000u);
}

// Grids of every awkward size against the point-by-point result: one
// point, fewer points than one group of lanes, a row shorter than a group,
// unused columns and rows between used ones, limits from 0 up; the work is
// shared out in batches of changing size, which must cover every point
// exactly once whatever the number of threads.
fw::Color TestEscape(int64_t k, bool zrNegative, bool ziNegative, const Palette&) {
  return fw::Color{static_cast<uint32_t>(0xFF000000u | (k << 2) | (zrNegative ? 2 : 0) | (ziNegative ? 1 : 0))};
}
fw::Color TestStep(int64_t k, const Palette&) {
  return fw::Color{static_cast<uint32_t>(0xFE000000u | k)};
}

// z <- z^2 + c step by step, as the loops write it, for at most cap steps.
struct Orbit {
  bool escaped = false;
  int64_t k = 0;
  bool zrNegative = false, ziNegative = false;
};
Orbit PlainOrbit(double zr, double zi, double cr, double ci, double bound, int64_t cap) {
  for (int64_t k = 0; k < cap; ++k) {
    const double nr = ((zr * zr) - (zi * zi)) + cr;
    const double ni = ((2.0 * zr) * zi) + ci;
    zr = nr;
    zi = ni;
    if ((zr * zr) + (zi * zi) > bound) return {true, k, 0.0 > zr, 0.0 > zi};
  }
  return {};
}

// A job of one row of points, all used, with the test colours.
render::Job RowJob(const std::vector<double>& columns, double row, bool julia, double bound, int64_t mn) {
  render::Job job;
  job.rule = {Formula::Square, render::Measure::SumOfSquares, bound};
  job.colouring = {&TestEscape, &TestStep};
  job.gridIsStart = julia;
  job.mn = mn;
  job.width = static_cast<int>(columns.size());
  job.height = 1;
  job.columns = columns;
  job.rows = {row};
  job.columnUsed.assign(columns.size(), 1);
  job.rowUsed = {1};
  return job;
}

// The picture a job must give, from PlainOrbit; points that do not escape
// within the cap must be exact cycles.
std::vector<uint32_t> ExpectedRow(const render::Job& job, int64_t cap) {
  std::vector<uint32_t> expected;
  for (double x : job.columns) {
    const double row = job.rows[0];
    const Orbit o = job.gridIsStart ? PlainOrbit(x, row, job.cr, job.ci, job.rule.bound, cap)
                                    : PlainOrbit(0.0, 0.0, x, row, job.rule.bound, cap);
    expected.push_back(o.escaped ? TestEscape(o.k, o.zrNegative, o.ziNegative, job.palette).value
                                 : TestStep(job.mn, job.palette).value);
  }
  return expected;
}

// The largest limits: points that escape at once, points that escape after
// thousands of steps (beyond the tabulated colours) and points in exact
// cycles, in both frames, on every path and thread count.
TEST(EngineLimits, LargestLimitsGiveTheStepByStepResult) {
  PathGuard guard;
  // c = -2 stays at 2 with |z|^2 exactly 4, c = -1 cycles 0, -1; c just
  // above 1/4 escapes after about 10^4 steps, more of them than there are
  // lanes, so that lanes take points late.
  std::vector<double> cs = {-2.0, -1.0, 0.0, 3.0, -0.5};
  for (int n = 0; n < 40; ++n) cs.push_back(0.2500001 + n * 1e-8);
  // With c = 0: z0 = 0.5 squares down to 0, +-1 go to 1, 1.0001 and 2 escape.
  const std::vector<double> z0s = {0.0, 0.5, 1.0, -1.0, 1.0001, 2.0, -1.5};
  for (int64_t mn : {INT64_MAX, INT64_MAX - 1, INT64_MAX - 64}) {
    for (bool julia : {false, true}) {
      render::Job job = julia ? RowJob(z0s, 0.0, true, 2.0, mn) : RowJob(cs, 0.0, false, 4.0, mn);
      const std::vector<uint32_t> expected = ExpectedRow(job, 1 << 20);
      for (int threads : {1, 4}) {
        for (Path path : Paths()) {
          Engine::Shared().SetThreads(threads);
          Engine::Shared().SetPath(path);
          std::vector<uint32_t> picture(expected.size(), 0);
          Engine::Shared().Render(job, picture.data());
          EXPECT_EQ(picture, expected) << "mn " << mn << (julia ? " julia " : " ") << threads << " threads";
        }
      }
    }
  }
}

// A render started from the wait hook of another on the same engine: the
// hook runs while the workers still hold points of the first render (each
// worker waits in its colour function until the hook has run), and both
// pictures come out right.
std::atomic<bool> hookRan{false};
std::thread::id callerThread;
fw::Color BlockingEscape(int64_t k, bool zrNegative, bool ziNegative, const Palette& p) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::this_thread::get_id() != callerThread && !hookRan && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  return TestEscape(k, zrNegative, ziNegative, p);
}

TEST(EngineNesting, RenderFromTheWaitHookCompletes) {
  PathGuard guard;
  Engine::Shared().SetThreads(4);
  // 512 points near c = 1/4, each escaping after some 3000 to 10^4 steps:
  // the colours of the late ones come from the colour function.
  std::vector<double> columns;
  for (int x = 0; x < 512; ++x) columns.push_back(0.2500001 + x * 1e-9);
  render::Job outer = RowJob(columns, 0.0, false, 4.0, 20000);
  const std::vector<uint32_t> expectedOuter = ExpectedRow(outer, 20001);
  outer.colouring.escape = &BlockingEscape;

  TestWindow slow;
  slow.mn = 51;
  slow.mpixcel = 120;
  fw::System::Random().Seed(17);
  oracle::Quorix0(slow);

  for (Path path : Paths()) {
    Engine::Shared().SetPath(path);
    bool nested = false;
    // The hook runs only if a worker took points; with four threads and
    // eight batches one nearly always does.
    for (int attempt = 0; attempt < 5 && !nested; ++attempt) {
      hookRan = false;
      callerThread = std::this_thread::get_id();
      TestWindow inner;
      inner.mn = 51;
      inner.mpixcel = 120;
      std::vector<uint32_t> picture(columns.size(), 0);
      Engine::Shared().Render(outer, picture.data(), [&] {
        if (hookRan) return;
        fw::System::Random().Seed(17);
        inner.QuorixPB0_Action(nullptr);
        hookRan = true;
      });
      nested = hookRan;
      EXPECT_EQ(picture, expectedOuter);
      if (nested) {
        EXPECT_EQ(std::memcmp(inner.CVBackdrop->Data(), slow.CVBackdrop->Data(), 500 * 500 * 4), 0);
        EXPECT_EQ(inner.canvas.refreshes, 1);
      }
    }
    EXPECT_TRUE(nested) << "the wait hook never ran";
  }
}

TEST(EngineThreads, EveryGridSizeMatchesThePointByPointResult) {
  PathGuard guard;
  struct Size {
    int width, height;
  };
  const Size sizes[] = {{1, 1}, {5, 1}, {1, 7}, {13, 3}, {31, 17}, {200, 90}};
  constexpr uint32_t kUntouched = 0x12345678u;
  for (const Size size : sizes) {
    for (int64_t mn : {int64_t{0}, int64_t{1}, int64_t{50}, int64_t{700}}) {
      for (bool julia : {false, true}) {
        render::Job job;
        job.rule = {Formula::Square, render::Measure::SumOfSquares, 4.0};
        job.colouring = {&TestEscape, &TestStep};
        job.gridIsStart = julia;
        job.cr = -0.75;
        job.ci = 0.11;
        job.mn = mn;
        job.width = size.width;
        job.height = size.height;
        job.columns.resize(static_cast<size_t>(size.width));
        job.rows.resize(static_cast<size_t>(size.height));
        job.columnUsed.assign(static_cast<size_t>(size.width), 1);
        job.rowUsed.assign(static_cast<size_t>(size.height), 1);
        for (int x = 0; x < size.width; ++x) {
          job.columns[static_cast<size_t>(x)] = -2.0 + 2.6 * x / size.width;
          if (size.width > 4 && x % 7 == 3) job.columnUsed[static_cast<size_t>(x)] = 0;
        }
        for (int y = 0; y < size.height; ++y) {
          job.rows[static_cast<size_t>(y)] = -1.3 + 2.6 * y / size.height;
          if (size.height > 4 && y % 5 == 2) job.rowUsed[static_cast<size_t>(y)] = 0;
        }
        std::vector<uint32_t> expected(static_cast<size_t>(size.width * size.height), kUntouched);
        for (int y = 0; y < size.height; ++y) {
          for (int x = 0; x < size.width; ++x) {
            if (!job.columnUsed[static_cast<size_t>(x)] || !job.rowUsed[static_cast<size_t>(y)]) continue;
            const double gx = job.columns[static_cast<size_t>(x)], gy = job.rows[static_cast<size_t>(y)];
            const render::PointResult r =
                julia ? render::IteratePoint(job.rule, gx, gy, job.cr, job.ci, mn)
                      : render::IteratePoint(job.rule, 0.0, 0.0, gx, gy, mn);
            expected[static_cast<size_t>(y * size.width + x)] =
                r.escaped ? TestEscape(r.k, r.zrNegative, r.ziNegative, job.palette).value
                          : TestStep(mn, job.palette).value;
          }
        }
        for (int threads : {1, 2, 8}) {
          for (Path path : Paths()) {
            Engine::Shared().SetThreads(threads);
            Engine::Shared().SetPath(path);
            std::vector<uint32_t> picture(expected.size(), kUntouched);
            Engine::Shared().Render(job, picture.data());
            EXPECT_EQ(picture, expected) << size.width << "x" << size.height << " mn " << mn
                                         << (julia ? " julia " : " ") << threads << " threads";
          }
        }
      }
    }
  }
}

}  // namespace
