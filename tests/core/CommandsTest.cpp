// Every render command against its literal loops: the same pixels and the
// same ma, mb, bit for bit, on the AVX2 path and on the scalar path.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "render/Engine.h"
#include "render/Frames.h"

// The sanitizer builds skip the deep views.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

namespace {

using Action = void (MWModel::*)(fw::PushButton*);
using Literal = void (*)(MWModel&);

struct Command {
  const char* name;
  Action fast;
  Literal literal;
  bool julia;
};

const Command kCommands[] = {
    {"Quorix0", &MWModel::QuorixPB0_Action, &oracle::Quorix0, false},
    {"Quorix1", &MWModel::QuorixPB1_Action, &oracle::Quorix1, false},
    {"Quorix2", &MWModel::QuorixPB2_Action, &oracle::Quorix2, false},
    {"Quorix3", &MWModel::QuorixPB3_Action, &oracle::Quorix3, false},
    {"Quorix4", &MWModel::QuorixPB4_Action, &oracle::Quorix4, false},
    {"Julia0", &MWModel::QuorixPB5_Action, &oracle::Julia0, true},
    {"Julia1", &MWModel::QuorixPB6_Action, &oracle::Julia1, true},
    {"Quorix7", &MWModel::QuorixPB7_Action, &oracle::Quorix7, false},
    {"Quorix8", &MWModel::QuorixPB8_Action, &oracle::Quorix8, false},
    {"Quorix9", &MWModel::QuorixPB9_Action, &oracle::Quorix9, false},
};

struct View {
  int64_t mn;
  double mw;
  int64_t mpixcel;
  int64_t colorSet;
  int64_t juliaPick;  // Julia commands only
  bool heavy;         // skipped under the sanitizers
};

bool SameDouble(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// Renders with the literal loops and with the engine on each path from the
// same generator state and compares everything the render leaves behind.
void ExpectSameAsLiteral(const Command& c, const View& v) {
  const uint64_t seed = c.julia ? SeedForJuliaPick(v.juliaPick) : 1234;
  auto prepare = [&](TestWindow& w) {
    w.mn = v.mn;
    w.mw = v.mw;
    w.mpixcel = v.mpixcel;
    w.selectColorSet = v.colorSet;
    fw::System::Random().Seed(seed);
  };
  TestWindow slow;
  prepare(slow);
  c.literal(slow);

  auto& engine = render::Engine::Shared();
  std::vector<render::Path> paths = {render::Path::Scalar};
  if (render::Engine::VectorAvailable()) paths.push_back(render::Path::Vector);
  for (render::Path path : paths) {
    SCOPED_TRACE(path == render::Path::Scalar ? "scalar path" : "vector path");
    engine.SetPath(path);
    TestWindow fast;
    prepare(fast);
    (fast.*c.fast)(nullptr);
    engine.SetPath(render::Path::Auto);

    const uint32_t* a = fast.CVBackdrop->Data();
    const uint32_t* b = slow.CVBackdrop->Data();
    const int first = static_cast<int>(std::mismatch(a, a + 500 * 500, b).first - a);
    EXPECT_EQ(first, 500 * 500) << "first differing pixel (" << first % 500 << ", " << first / 500 << ")";
    EXPECT_TRUE(SameDouble(fast.ma, slow.ma)) << fast.ma << " vs " << slow.ma;
    EXPECT_TRUE(SameDouble(fast.mb, slow.mb)) << fast.mb << " vs " << slow.mb;
    EXPECT_EQ(fast.CVBackdrop->Graphics().DrawingColor(), slow.CVBackdrop->Graphics().DrawingColor());
    EXPECT_EQ(fast.canvas.refreshes, slow.canvas.refreshes);
    EXPECT_EQ(fast.canvas.lastErase, slow.canvas.lastErase);
    // The generator advanced alike (one Julia pick and 16 palette draws).
    EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), [&] {
      fw::Random r(seed);
      for (int n = 0; n < (c.julia ? 17 : 16); ++n) r.InRange(0, 15);
      return r.InRange(0, 1 << 30);
    }());
  }
}

// Views of the Mandelbrot-type frame: defaults, odd limits and grids, grids
// larger than the picture, deep views at mn 1000 where most points cycle,
// and values outside the panel's ranges up to the largest Int64 limit.
const View kMandelbrotViews[] = {
    {100, 4.0, 500, 0, 0, false},  {11, 4.0, 500, 2, 0, false},   {0, 4.0, 500, 1, 0, false},
    {50, 4.0, 251, 3, 0, false},   {40, 4.0, 1001, 4, 0, false},  {30, 3.0, 2000, 0, 0, false},
    {20, 4.0, 0, 0, 0, false},     {20, 4.0, -5, 0, 0, false},    {-3, 4.0, 500, 0, 0, false},
    {25, 0.0, 500, 2, 0, false},   {101, 4.0, 250, 1, 0, false},  {1000, 0.3, 120, 0, 0, false},
    {1000, 1.7, 250, 1, 0, true},  {1000, 2.6, 300, 3, 0, true},  {1000, 4.0, 500, 4, 0, true},
    {999, 0.3, 251, 2, 0, true},
    // The largest limits, on grids whose every point escapes at step 0.
    {INT64_MAX, 40.0, 3, 0, 0, false},  {INT64_MAX - 1, 40.0, 1, 1, 0, false},
};

// Views of the Julia frame (mpixcel is the grid's half-width N).
const View kJuliaViews[] = {
    {11, 0, 251, 1, 3, false}, {10, 0, 2000, 0, 9, false}, {5, 0, 0, 0, 4, false},
    {5, 0, -3, 0, 1, false},   {-1, 0, 500, 0, 2, false},  {25, 0, 7, 2, 6, false},
    {1000, 0, 400, 3, 5, true}, {1000, 0, 500, 0, 0, true}, {333, 0, 301, 4, 8, true},
};

// Every Mandelbrot-type command on every view of its frame; both Julia
// commands on every Julia view and on each constant of the table at the
// default grid.
std::vector<std::pair<int, View>> Cases() {
  std::vector<std::pair<int, View>> cases;
  for (int c : {0, 1, 2, 3, 4, 7, 8, 9})
    for (const View& v : kMandelbrotViews) cases.emplace_back(c, v);
  for (int c : {5, 6}) {
    for (const View& v : kJuliaViews) cases.emplace_back(c, v);
    for (int k = 0; k < 10; ++k) cases.emplace_back(c, View{100, 0, kSanitized ? 120 : 500, k % 5, k, false});
  }
  return cases;
}

class CommandVsLiteral : public testing::TestWithParam<std::pair<int, View>> {};

TEST_P(CommandVsLiteral, SamePictureAndSameMaMb) {
  const auto& [index, view] = GetParam();
  if (view.heavy && kSanitized) GTEST_SKIP() << "deep view: release build only";
  SCOPED_TRACE(testing::Message() << kCommands[index].name << " mn " << view.mn << " mw " << view.mw << " mpixcel "
                                  << view.mpixcel << " set " << view.colorSet << " pick " << view.juliaPick);
  ExpectSameAsLiteral(kCommands[index], view);
}

INSTANTIATE_TEST_SUITE_P(Views, CommandVsLiteral, testing::ValuesIn(Cases()), [](const auto& info) {
  return kCommands[info.param.first].name + std::string("_") + std::to_string(info.index);
});

TEST(JuliaFrame, ConstantsAreTheWrittenDecimals) {
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(std::bit_cast<uint64_t>(render::JuliaConstantAt(k).re), std::bit_cast<uint64_t>(oracle::kJuliaRe[k])) << k;
    EXPECT_EQ(std::bit_cast<uint64_t>(render::JuliaConstantAt(k).im), std::bit_cast<uint64_t>(oracle::kJuliaIm[k])) << k;
  }
}

// --- Figures of single commands, worked out by hand -------------------------

struct Rendered {
  TestWindow w;
  Palette palette{};
  uint32_t At(int x, int y) const { return w.CVBackdrop->Data()[y * 500 + x]; }
  uint32_t P(int n) const { return palette[static_cast<size_t>(n)].value; }
};

// Renders with the given command from a known generator state and records
// the palette that render drew.
void Render(Rendered& r, Action action, bool julia, uint64_t seed) {
  fw::System::Random().Seed(seed);
  if (julia) fw::System::Random().InRange(0, 9);
  for (auto& entry : r.palette) entry = r.w.ColorSetChange(r.w.selectColorSet);
  fw::System::Random().Seed(seed);
  (r.w.*action)(nullptr);
}

constexpr uint32_t kClear = 0xFF000000u;
constexpr uint32_t kBlack = 0x00000000u;

TEST(Quorix3Figures, SkewedMeasureBreaksTheMirrorSymmetry) {
  Rendered r;
  Render(r, &MWModel::QuorixPB3_Action, false, 21);
  EXPECT_EQ(r.At(400, 400), kClear);  // 1.44 + 1.44 + 1.44 > 4 at step 0
  EXPECT_EQ(r.At(400, 100), r.P(1));  // 1.44 + 1.44 - 1.44: escapes at step 1
  EXPECT_EQ(r.At(0, 499), r.P(1));    // 3.984064 at step 0 is not above 4
  EXPECT_EQ(r.At(0, 0), kClear);
  EXPECT_EQ(r.At(250, 250), kBlack);
  EXPECT_EQ(r.w.ma, 2.0);
  EXPECT_EQ(r.w.mb, 2.0);
}

TEST(Quorix4Figures, SignColorsBoundTenAndMaMbUntouched) {
  Rendered r;
  r.w.mn = 11;
  Render(r, &MWModel::QuorixPB4_Action, false, 22);
  EXPECT_EQ(r.At(0, 0), r.P(1));      // escapes at step 1 with z = -2 + 6i
  EXPECT_EQ(r.At(100, 100), r.P(0));  // z = -2.5824 - 5.232i: both below 0
  EXPECT_EQ(r.At(100, 400), r.P(1));  // z = -2.5824 + 5.232i
  EXPECT_EQ(r.At(250, 250), r.P(8));  // never escapes, odd limit
  EXPECT_EQ(r.w.ma, -1.0);
  EXPECT_EQ(r.w.mb, 1.0);

  // mw 6, mpixcel 6: grid point (4, 6) is c = 1 + 3i, whose measure at
  // step 0 is exactly 10.0: not escaped, on either path.
  for (render::Path path : {render::Path::Scalar, render::Path::Vector}) {
    render::Engine::Shared().SetPath(path);
    Rendered e;
    e.w.mw = 6.0;
    e.w.mpixcel = 6;
    e.w.mn = 0;
    Render(e, &MWModel::QuorixPB4_Action, false, 24);
    EXPECT_EQ(e.At(4, 6), kBlack);
    EXPECT_EQ(e.At(0, 0), e.P(0));  // c = -3 - 3i: measure 18 escapes at once
  }
  render::Engine::Shared().SetPath(render::Path::Auto);
}

TEST(Julia1Figures, SixteenBandsWhereJulia0HasEight) {
  const uint64_t seed = SeedForJuliaPick(2);
  Rendered j0, j1;
  Render(j0, &MWModel::QuorixPB5_Action, true, seed);
  Render(j1, &MWModel::QuorixPB6_Action, true, seed);
  EXPECT_EQ(j0.At(250, 250), j0.P(1));  // escapes at step 9
  EXPECT_EQ(j1.At(250, 250), j1.P(9));
  EXPECT_EQ(j0.At(250, 0), j0.P(5));  // escapes at step 13
  EXPECT_EQ(j1.At(250, 0), j1.P(13));
}

TEST(CommandFigures, NilBackdropRaisesAfterThePaletteDraw) {
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.name);
    TestWindow w;
    w.CVBackdrop.reset();
    fw::System::Random().Seed(5);
    EXPECT_THROW((w.*c.fast)(nullptr), fw::NilObjectException);
    // 16 palette draws (and the Julia pick) were made before the failure.
    fw::Random r(5);
    for (int n = 0; n < (c.julia ? 17 : 16); ++n) r.InRange(0, 15);
    EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), r.InRange(0, 1 << 30));
    EXPECT_EQ(w.canvas.refreshes, 0);
    EXPECT_EQ(w.ma, -1.0);
  }
}

}  // namespace
