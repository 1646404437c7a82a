// The engine's own promises: the written grouping of every formula on both
// paths, exact cycle detection that shortens work without changing a
// result, and the same picture whatever the number of threads.
#include <gtest/gtest.h>

#include <chrono>
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
// and still gives the literal loops' picture.
TEST(EngineCycles, InteriorStopsEarlyWithTheLiteralResult) {
  PathGuard guard;
  for (Path path : Paths()) {
    Engine::Shared().SetPath(path);
    TestWindow fast, slow;
    for (TestWindow* w : {&fast, &slow}) {
      w->mn = 1001;  // odd: a point that never escapes ends with palette(7)
      w->mw = 0.3;   // |c| < 1/4: all inside the main cardioid
      w->mpixcel = 100;
    }
    fw::System::Random().Seed(3);
    fast.QuorixPB0_Action(nullptr);
    const uint64_t steps = Engine::Shared().LastSteps();
    fw::System::Random().Seed(3);
    oracle::Quorix0(slow);
    EXPECT_EQ(std::memcmp(fast.CVBackdrop->Data(), slow.CVBackdrop->Data(), 500 * 500 * 4), 0);
    // All 101 x 101 grid points lie in the picture (columns 0..100, rows
    // 200..300); without the cycle test each would take 1002 steps.
    EXPECT_GT(steps, 0u);
    EXPECT_LT(steps, 101u * 101u * 1002u / 4u);
    // A pixel that never escapes carries the odd limit's colour.
    EXPECT_NE(fast.CVBackdrop->Data()[250 * 500 + 50], 0xFF000000u);
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
  // Workers go to sleep between renders and wake for the next one.
  PathGuard guard;
  TestWindow w;
  w.mn = 20;
  w.mpixcel = 250;
  for (int n = 0; n < 200; ++n) {
    if (n == 100) std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
