// Writes and drawing stay inside the picture and replace pixels (a fully transparent one too) instead of blending.
#include "framework/core/Picture.h"

#include <gtest/gtest.h>

namespace {

using fw::Color;

TEST(Picture, WritesAndDrawingClipAtTheEdgesAndReplacePixels) {
  fw::Picture p(4, 3), stamp(3, 3);
  stamp.Graphics().SetDrawingColor(Color(0x00ABCDEFu));
  stamp.Graphics().FillRect(0, 0, 3, 3);
  for (auto [x, y] : {std::pair<int64_t, int64_t>{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT64_MIN, INT64_MAX}})
    p.RGBSurface().SetPixel(x, y, Color(0x00123456u));
  fw::Graphics& g = p.Graphics();
  g.DrawPicture(stamp, 3, -1);  // of its pixels only x 3, y 0 and 1 lie inside
  g.FillRect(5, 5, 1e300, 1e300);
  g.DrawRect(-100, -100, 1000, 1000);
  int changed = 0;
  for (int i = 0; i < 12; ++i) changed += p.Data()[i] != 0xFF000000u;
  EXPECT_EQ(changed, 2);
  EXPECT_TRUE(p.RGBSurface().Pixel(3, 0) == Color(0x00ABCDEFu) && p.RGBSurface().Pixel(3, 1) == Color(0x00ABCDEFu));
  // A fully transparent outline over opaque pixels, drawn left and up: x 0..2, y 0..2.
  g.SetDrawingColor(Color(0x00FFFFFFu));
  g.FillRect(0, 0, 4, 3);
  g.SetDrawingColor(Color(0xFF000000u));
  g.DrawRect(3, 3, -3, -3);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(p.Data()[i], i == 5 || i % 4 == 3 ? 0x00FFFFFFu : 0xFF000000u) << i;
}

}  // namespace
