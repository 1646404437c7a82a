// Every render command against its literal loops: the same pixels and ma, mb, bit for bit, on both paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <sstream>
#include <utility>
#include <vector>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "render/Frames.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizer builds skip the deep views
#else
constexpr bool kSanitized = false;
#endif

namespace {

struct Command {
  const char* name;
  void (MWModel::*fast)(fw::PushButton*);
  void (*literal)(MWModel&);
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
  int64_t mpixcel, colorSet;
  int64_t juliaPick = 0;  // Julia commands only
  bool heavy = false;     // skipped under the sanitizers
};

// The generator after the palette draws (and the Julia pick) from seed.
int64_t NextDrawAfterRender(uint64_t seed, bool julia) {
  fw::Random r(seed);
  for (int n = 0; n < (julia ? 17 : 16); ++n) r.InRange(0, 15);
  return r.InRange(0, 1 << 30);
}

// Views of the Mandelbrot-type frame: defaults, odd limits and grids, grids larger than the picture, deep views at
// mn 1000 where most points cycle, a point whose measure is exactly the bound, one escaping at once on the imaginary
// axis (zr = 0, zi < 0), and values outside the panel's ranges up to the largest Int64 limit, on grids whose every
// point escapes at step 0.
const View kMandelbrotViews[] = {
    {100, 4.0, 500, 0}, {11, 4.0, 500, 2}, {0, 4.0, 500, 1}, {50, 4.0, 251, 3}, {40, 4.0, 1001, 4}, {30, 3.0, 2000, 0},
    {20, 4.0, 0, 0}, {20, 4.0, -5, 0}, {-3, 4.0, 500, 0}, {25, 0.0, 500, 2}, {101, 4.0, 250, 1}, {1000, 0.3, 120, 0},
    {0, 6.0, 6, 0}, {0, 8.0, 2, 0}, {INT64_MAX, 40.0, 3, 0}, {INT64_MAX - 1, 40.0, 1, 1}, {1000, 1.7, 250, 1, 0, true},
    {1000, 2.6, 300, 3, 0, true}, {1000, 4.0, 500, 4, 0, true}, {999, 0.3, 251, 2, 0, true},
};

// Views of the Julia frame (mpixcel is the grid's half-width N; with an odd N two indices land on column 0 and row 0).
const View kJuliaViews[] = {
    {11, 0, 251, 1, 3}, {10, 0, 2000, 0, 9}, {5, 0, 0, 0, 4}, {5, 0, -3, 0, 1}, {-1, 0, 500, 0, 2}, {25, 0, 7, 2, 6},
    {30, 0, 1, 0, 7}, {1000, 0, 400, 3, 5, true}, {1000, 0, 500, 0, 0, true}, {333, 0, 301, 4, 8, true},
};

// Every Mandelbrot-type command on every view of its frame; both Julia commands on every Julia view and on each
// constant of the table at the default grid.
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

// A case as its test name reads, e.g. Quorix0_mn100_mw4_px500_set0 ("m" for a minus sign, "p" for a point).
void PrintTo(const std::pair<int, View>& c, std::ostream* os) {
  const auto& [index, v] = c;
  std::ostringstream s;
  s << kCommands[index].name << "_mn" << v.mn << "_mw" << v.mw << "_px" << v.mpixcel << "_set" << v.colorSet;
  if (kCommands[index].julia) s << "_pick" << v.juliaPick;
  for (char ch : s.str()) *os << (ch == '-' ? 'm' : ch == '.' ? 'p' : ch);
}

class CommandVsLiteral : public testing::TestWithParam<std::pair<int, View>> {};

// Renders with the literal loops and with the engine on each path, alone and with helpers, from the same generator
// state and compares everything the render leaves behind.
TEST_P(CommandVsLiteral, SamePictureAndSameMaMb) {
  const Command& c = kCommands[GetParam().first];
  const View& v = GetParam().second;
  if (v.heavy && kSanitized) GTEST_SKIP() << "deep view: release build only";
  const uint64_t seed = c.julia ? SeedForJuliaPick(v.juliaPick) : 1234;
  auto prepare = [&](TestWindow& w) {
    w.mn = v.mn, w.mw = v.mw, w.mpixcel = v.mpixcel, w.selectColorSet = v.colorSet;
    fw::System::Random().Seed(seed);
  };
  TestWindow slow;
  prepare(slow);
  c.literal(slow);
  EngineDefaults defaults;
  for (int threads : {1, 3}) {
    for (render::Path path : EnginePaths()) {
      SCOPED_TRACE(testing::Message() << (path == render::Path::Scalar ? "scalar " : "vector ") << threads);
      render::Engine::Shared().SetThreads(threads);
      render::Engine::Shared().SetPath(path);
      TestWindow fast;
      prepare(fast);
      (fast.*c.fast)(nullptr);
      const uint32_t *a = fast.CVBackdrop->Data(), *b = slow.CVBackdrop->Data();
      const int first = static_cast<int>(std::mismatch(a, a + 500 * 500, b).first - a);
      EXPECT_EQ(first, 500 * 500) << "first differing pixel (" << first % 500 << ", " << first / 500 << ")";
      EXPECT_EQ(std::bit_cast<uint64_t>(fast.ma), std::bit_cast<uint64_t>(slow.ma)) << fast.ma << " vs " << slow.ma;
      EXPECT_EQ(std::bit_cast<uint64_t>(fast.mb), std::bit_cast<uint64_t>(slow.mb)) << fast.mb << " vs " << slow.mb;
      EXPECT_EQ(fast.CVBackdrop->Graphics().DrawingColor(), slow.CVBackdrop->Graphics().DrawingColor());
      EXPECT_TRUE(fast.canvas.refreshes == slow.canvas.refreshes && fast.canvas.lastErase == slow.canvas.lastErase);
      EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), NextDrawAfterRender(seed, c.julia));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Views, CommandVsLiteral, testing::ValuesIn(Cases()), testing::PrintToStringParamName());

TEST(JuliaFrame, ConstantsAreTheWrittenDecimals) {
  for (int k = 0; k < 10; ++k) {
    const render::JuliaConstant& c = render::JuliaConstantAt(k);
    EXPECT_TRUE(c.re == oracle::kJuliaRe[k] && c.im == oracle::kJuliaIm[k]) << k;  // none is 0 or NaN: every bit
  }
}

// What the loops cannot be compared on. Grids far larger than the picture: the frames compute only the picture,
// without overflow on the way, and leave the last point in ma, mb as the loops compute it. A missing picture fails
// after the palette draws (and the Julia pick), before anything is shown; a missing canvas fails at the show step,
// after drawing.
TEST(RenderFrames, HugeGridsComputeOnlyThePictureAndANilBackdropOrCanvasRaises) {
  for (const int64_t mpixcel : {INT64_MAX, (int64_t{1} << 53) + 1, int64_t{1} << 40}) {
    TestWindow w;
    w.mpixcel = mpixcel, w.mn = 20;
    EXPECT_NO_THROW(w.QuorixPB0_Action(nullptr)) << mpixcel;
    EXPECT_NO_THROW(w.QuorixPB5_Action(nullptr)) << mpixcel;  // the Julia frame keeps ma, mb
    EXPECT_TRUE(w.ma == 2.0 && w.mb == 2.0 && w.canvas.refreshes == 2) << mpixcel;
  }
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.name);
    TestWindow w;
    w.CVBackdrop.reset();
    fw::System::Random().Seed(5);
    EXPECT_THROW((w.*c.fast)(nullptr), fw::NilObjectException);
    EXPECT_EQ(fw::System::Random().InRange(0, 1 << 30), NextDrawAfterRender(5, c.julia));
    EXPECT_TRUE(w.canvas.refreshes == 0 && w.ma == -1.0);
  }
  TestWindow w;
  w.hasCanvas = false;
  EXPECT_THROW(w.QuorixPB0_Action(nullptr), fw::NilObjectException);
  EXPECT_TRUE(w.CVBackdrop->RGBSurface().Pixel(250, 250) == fw::Color(0x00000000u) && w.ma == 2.0);
}

}  // namespace
