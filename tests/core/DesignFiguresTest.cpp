// Pixels of every render command worked out by hand from the design's text and worked examples, written as plain
// palette indices: an anchor that does not share the literal loops' reading. mw is 4; with mpixcel 500 (oy = 0)
// pixel (x, y) is c = (4x/500 - 2) + (4y/500 - 2)i, growing downward; with mpixcel 250, oy = 125 and pixel
// (125, 125) is c = -2i, (125, 250) c = 0. k is the escape step; "|z|^2 = 4" never escapes (strict test).
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "framework/core/Random.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"

namespace {

constexpr int T = 16;  // &hFF000000, fully transparent black (also: a pixel the grid never reaches)
constexpr int B = 17;  // &h00000000, opaque black

struct Figure {
  int x, y, expect;  // palette index 0..15, T or B
};
struct View {
  const char* command;
  void (MWModel::*action)(fw::PushButton*);
  int64_t mn, mpixcel;  // the Julia commands: mpixcel is the grid's half-width N
  int pick;             // the Julia constant drawn first; -1: a Mandelbrot-type command
  bool keepsMaMb;       // else ma = mb = (mpixcel * 4) / mpixcel - 2 = 2 after the render
  std::vector<Figure> figures;
};

const View kViews[] = {
    // c = -2-2i: 8 > 4 at k = 0 -> transparent; c = -2: |z|^2 = 4 at every step; c = 1: z = 1, 2, 5 -> k = 2; row
    // 250, x = 297, 294, 292, 284: k = 6, 7, 8, 18 (Mod 7: 6, 0, 1, 4); c = i: z = i, -1+i, -i, -1+i, ... stays.
    {"Quorix0", &MWModel::QuorixPB0_Action, 100, 500, -1, false,
     {{0, 0, T}, {0, 250, B}, {375, 250, 2}, {297, 250, 6},
      {294, 250, T}, {292, 250, 1}, {284, 250, 4}, {250, 375, B}}},
    // c = -2i: z = -2i (4), -4-2i -> k = 1; c = 0 and c = -2 stay, step 11 odd -> palette(7); above, right, below.
    {"Quorix0", &MWModel::QuorixPB0_Action, 11, 250, -1, false,
     {{125, 125, 1}, {125, 250, 7}, {0, 250, 7}, {0, 124, T}, {251, 250, T}, {125, 376, T}}},
    // oy = trunc(-250.5) = -250, not -251: grid (400, 350), c = -0.4016-0.6014i, stays (row 351 escapes at k = 30);
    // grid (250, 350), c = -1.001-0.6014i: k = 3.
    {"Quorix0", &MWModel::QuorixPB0_Action, 100, 1001, -1, false, {{400, 100, B}, {250, 100, 3}}},
    // Mod 15, non-escaping steps always black: c = -2 stays; c = 1: k = 2; row 250, x = 292, 286, 285, 284, 283:
    // k = 8, 13, 15, 18, 24 (Mod 15: 8, 13, 0, 3, 9); c = i stays.
    {"Quorix1", &MWModel::QuorixPB1_Action, 100, 500, -1, false,
     {{0, 250, B}, {375, 250, 2}, {292, 250, 8}, {286, 250, 13},
      {285, 250, T}, {284, 250, 3}, {283, 250, 9}, {250, 375, B}}},
    // c = -2i: k = 1; c = 0 stays, black at the odd step 11; x = 146, 143 are x = 292, 286 above: k = 8; k = 13 > 11.
    {"Quorix1", &MWModel::QuorixPB1_Action, 11, 250, -1, false,
     {{125, 125, 1}, {125, 250, B}, {146, 250, 8}, {143, 250, B}, {0, 124, T}}},
    // Mod 15, odd steps palette(8): x = 376, 375, 292, 286, 285, 283: k = 1, 2, 8, 13, 15, 24; c = -2, i stay.
    {"Quorix2", &MWModel::QuorixPB2_Action, 100, 500, -1, false,
     {{376, 250, 1}, {375, 250, 2}, {292, 250, 8}, {286, 250, 13},
      {285, 250, T}, {283, 250, 9}, {0, 250, B}, {250, 375, B}}},
    {"Quorix2", &MWModel::QuorixPB2_Action, 11, 250, -1, false,  // c = -2i: k = 1; c = 0 and k = 13 > 11: step 11
     {{125, 125, 1}, {125, 250, 8}, {143, 250, 8}, {125, 376, T}}},
    // measure (zr^2 + zi^2) + zr*zi: c = 1.2+1.2i: 1.44 + 1.44 + 1.44 > 4 at k = 0; c = 1.2-1.2i: 1.44 at k = 0,
    // k = 1; c = -2+1.992i: 3.984064 at k = 0, k = 1; c = -2: 4 at every step; on the real axis zr*zi = 0: as
    // Quorix0 (k = 2, 7, 8); c = i: z = i, -1+i, -i, ...: measure 1, 1, 1.
    {"Quorix3", &MWModel::QuorixPB3_Action, 100, 500, -1, false,
     {{400, 400, T}, {400, 100, 1}, {0, 499, 1}, {0, 250, B},
      {375, 250, 2}, {294, 250, T}, {292, 250, 1}, {250, 375, B}}},
    {"Quorix3", &MWModel::QuorixPB3_Action, 11, 250, -1, false,  // c = -2i: 4, then -4-2i: 16 + 4 + 8
     {{125, 125, 1}, {125, 250, 7}}},
    // bound 10, palette(0) when both parts of the escaping z are below 0: c = -2-2i: 8 at k = 0, -2+6i at k = 1;
    // c = -1.2-1.2i, -1.2+1.2i: -2.5824-5.232i, -2.5824+5.232i at k = 2; c = 1.2-1.2i: 1.2-4.08i at k = 1;
    // c = 1-i: z = 1-i, 1-3i (exactly 10), -7-7i; c = 0 and c = i stay. ma, mb are left as they were.
    {"Quorix4", &MWModel::QuorixPB4_Action, 100, 500, -1, true,
     {{0, 0, 1}, {100, 100, 0}, {100, 400, 1}, {400, 100, 1}, {375, 125, 0}, {250, 250, B}, {250, 375, B}}},
    // no offset: grid (125, 125) is c = 0, step 11 odd -> palette(8); the grid ends at x, y = 250.
    {"Quorix4", &MWModel::QuorixPB4_Action, 11, 250, -1, true, {{125, 125, 8}, {125, 300, T}, {251, 100, T}}},
    // z^3: c = -2-2i: k = 0; c = -2: z = -2 (4), -10; c = 1: z = 1, 2 (4), 9; x = 300: k = 18, x = 307: k = 7;
    // c = -0.4-i: |z|^2 = 1.16, 0.772, 3.047, 19.45 -> k = 3; c = i: z = i, 0, i, 0, ...
    {"Quorix7", &MWModel::QuorixPB7_Action, 100, 500, -1, false,
     {{0, 0, T}, {0, 250, 1}, {375, 250, 2}, {300, 250, 4}, {307, 250, T}, {200, 125, 3}, {250, 375, B}}},
    {"Quorix7", &MWModel::QuorixPB7_Action, 11, 250, -1, false,  // c = -2i: z = -2i (4), 6i; c = 0: step 11
     {{125, 125, 1}, {125, 250, 7}, {0, 124, T}}},
    // z^4, odd steps palette(8): c = -2: z = -2 (4), 14; c = 1: 1, 2 (4), 17; c = i: i, 1+i, -4+i; c = -1: -1, 0,
    // -1, ...; x = 310: k = 22; (176, 200): k = 17; x = 316: k = 7; (225, 175): k = 42; c = 0.2-i: |z|^2 = 1.04,
    // 0.978, 3.735, 167.5 -> k = 3.
    {"Quorix8", &MWModel::QuorixPB8_Action, 100, 500, -1, false,
     {{0, 250, 1}, {375, 250, 2}, {250, 375, 2}, {125, 250, B}, {310, 250, 1}, {176, 200, 3}, {316, 250, T},
      {225, 175, T}, {275, 125, 3}}},
    {"Quorix8", &MWModel::QuorixPB8_Action, 11, 250, -1, false, {{125, 125, 1}, {125, 250, 8}}},  // 16-2i; step 11
    // z^5: c = -2-2i: k = 0; c = -2: z = -2 (4), -34; c = -1: -1, -2 (4), -33; c = 1: 1, 2, 33; c = i: i, 2i, 33i;
    // x = 182: k = 18; x = 183: k = 56; (160, 200): k = 41; c = -0.8-0.8i: |z|^2 = 1.28, 0.522, 1.763, 8.99.
    {"Quorix9", &MWModel::QuorixPB9_Action, 100, 500, -1, false,
     {{0, 0, T}, {0, 250, 1}, {125, 250, 2}, {375, 250, 2}, {250, 375, 2}, {182, 250, 4}, {183, 250, T},
      {160, 200, 6}, {150, 150, 3}}},
    {"Quorix9", &MWModel::QuorixPB9_Action, 11, 250, -1, false, {{125, 125, 1}, {125, 250, 8}}},  // -34i; step 11
    // Julia: grid point (i, j) starts at z0 = 2i/N + (2j/N)*I and is written at X = trunc(N/2 + i), Y = trunc(N/2 -
    // j); escape when |z|^2 > 2, colour n Mod 8. Constant 2 (0.11031-0.67037i), N 500: z0 = 0: n = 9; z0 = I:
    // n = 13; z0 = -1-0.6I: n = 8; z0 = -0.196, -0.192, -0.188: n = 17, 16, 15.
    {"Julia0", &MWModel::QuorixPB5_Action, 100, 500, 2, true,
     {{250, 250, 1}, {250, 0, 5}, {0, 400, T}, {201, 250, 1}, {202, 250, T}, {203, 250, 7}}},
    // Constant 0, N 250, mn 11: z0 = 0 stays to the odd step 11 -> palette(0); z0 = -1+I escapes at n = 0; the grid
    // ends at X, Y = 375.
    {"Julia0", &MWModel::QuorixPB5_Action, 11, 250, 0, true, {{125, 125, 0}, {0, 0, T}, {376, 125, T}, {125, 376, T}}},
    // N 251: i = -126 and -125 both land on X = 0, the later one counts: (i, j) = (-125, -120): n = 2 (-126: n = 1);
    // j = 125 and 126 land on Y = 0: (0, 126): n = 11 (125: n = 13).
    {"Julia0", &MWModel::QuorixPB5_Action, 100, 251, 2, true, {{0, 245, 2}, {125, 0, 3}}},
    // The same points, colour n Mod 16.
    {"Julia1", &MWModel::QuorixPB6_Action, 100, 500, 2, true,
     {{250, 250, 9}, {250, 0, 13}, {0, 400, 8}, {201, 250, 1}, {202, 250, T}, {203, 250, 15}}},
    {"Julia1", &MWModel::QuorixPB6_Action, 11, 250, 0, true, {{125, 125, 0}, {0, 0, T}, {376, 125, T}, {125, 376, T}}},
    {"Julia1", &MWModel::QuorixPB6_Action, 100, 251, 2, true, {{0, 245, 2}, {125, 0, 11}}},
};

TEST(DesignFigures, EveryCommandPaintsTheWorkedPixels) {
  EngineDefaults defaults;
  for (render::Path path : EnginePaths()) {
    render::Engine::Shared().SetPath(path);
    for (const View& v : kViews) {
      SCOPED_TRACE(testing::Message() << v.command << " mn " << v.mn << " mpixcel " << v.mpixcel << " pick " << v.pick
                                      << (path == render::Path::Scalar ? " scalar" : " vector"));
      // Seeds whose draws give 16 different colours of set 4 (after the Julia constant): the palette draw,
      // palette(n) = entry InRange(0, 15) for n = 0..15 in order, replayed; then T and B.
      const uint64_t seed = v.pick < 0 ? 473558 : v.pick == 0 ? 508314 : 6431199;
      fw::Random r(seed);
      ASSERT_TRUE(v.pick < 0 || r.InRange(0, 9) == v.pick);  // the Julia constant is drawn first
      std::vector<uint32_t> colors;
      for (int n = 0; n < 16; ++n) colors.push_back(colorsets::Set(4)[static_cast<size_t>(r.InRange(0, 15))].value);
      colors.insert(colors.end(), {fw::colors::kTransparentBlack.value, fw::colors::kOpaqueBlack.value});
      ASSERT_EQ(std::set<uint32_t>(colors.begin(), colors.end()).size(), 18u);
      TestWindow w;
      w.mn = v.mn, w.mpixcel = v.mpixcel, w.selectColorSet = 4;
      fw::System::Random().Seed(seed);
      (w.*v.action)(nullptr);
      for (const Figure& f : v.figures)
        EXPECT_EQ(w.CVBackdrop->RGBSurface().Pixel(f.x, f.y).value, colors[static_cast<size_t>(f.expect)])
            << "pixel (" << f.x << ", " << f.y << ") should be " << f.expect << " (16 transparent, 17 black)";
      EXPECT_TRUE(v.keepsMaMb ? w.ma == -1.0 && w.mb == 1.0 : w.ma == 2.0 && w.mb == 2.0) << w.ma << ", " << w.mb;
    }
  }
}

}  // namespace
