#include <gtest/gtest.h>

#include "framework/core/Picture.h"
#include "framework/core/Runtime.h"

namespace {

using fw::Color;

TEST(Picture, WritesOutsideChangeNothing) {
  fw::Picture p(4, 3);
  auto& s = p.RGBSurface();
  s.SetPixel(1, 1, Color(0x00123456u));
  for (auto [x, y] : {std::pair<int64_t, int64_t>{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT64_MIN, INT64_MAX}})
    s.SetPixel(x, y, Color(0x00ABCDEFu));
  int changed = 0;
  for (int i = 0; i < 12; ++i) changed += p.Data()[i] != 0xFF000000u;
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(s.Pixel(1, 1), Color(0x00123456u));
  EXPECT_EQ(&p.Graphics(), &p.Graphics());
  EXPECT_EQ(&p.RGBSurface(), &p.RGBSurface());
}

TEST(Picture, DrawingReplacesPixelsAndClips) {
  fw::Picture p(10, 10);
  auto& g = p.Graphics();
  g.SetDrawingColor(Color(0xFFFFFFFFu));
  g.FillRect(0, 0, 10, 10);
  EXPECT_EQ(p.RGBSurface().Pixel(9, 9), Color(0xFFFFFFFFu));
  g.SetDrawingColor(Color(0x00FF0000u));
  g.DrawRect(2, 2, 4, 3);  // outline of x 2..5, y 2..4
  auto& s = p.RGBSurface();
  EXPECT_EQ(s.Pixel(2, 2), Color(0x00FF0000u));
  EXPECT_EQ(s.Pixel(5, 4), Color(0x00FF0000u));
  EXPECT_EQ(s.Pixel(3, 3), Color(0xFFFFFFFFu));  // inside stays
  EXPECT_EQ(s.Pixel(6, 2), Color(0xFFFFFFFFu));
  // A transparent drawing color draws transparent pixels.
  g.SetDrawingColor(Color(0xFF000000u));
  g.DrawRect(8, 8, -3, -3);  // extends to the left and up: x 5..7, y 5..7
  EXPECT_EQ(s.Pixel(5, 5), Color(0xFF000000u));
  EXPECT_EQ(s.Pixel(7, 7), Color(0xFF000000u));
  EXPECT_EQ(s.Pixel(6, 6), Color(0xFFFFFFFFu));
  g.DrawRect(-100, -100, 1000, 1000);  // far outside: nothing inside changes
  g.FillRect(5, 5, 1e300, 1e300);
  g.ClearRect(0, 0, 3, 3);
  EXPECT_EQ(s.Pixel(0, 0), Color(0xFF000000u));
}

TEST(Runtime, DerefNamesWhatWasNil) {
  std::shared_ptr<fw::Picture> none;
  try {
    fw::Deref(none, "CVBackdrop");
    FAIL();
  } catch (const fw::NilObjectException& e) {
    EXPECT_STREQ(e.ClassName(), "NilObjectException");
    EXPECT_NE(std::string(e.what()).find("CVBackdrop"), std::string::npos);
  }
}

TEST(Runtime, BackgroundTaskRunsTheInstalledHook) {
  int calls = 0;
  auto previous = fw::SetBackgroundTaskHook([&] { ++calls; });
  fw::RuntimeBackgroundTask();
  fw::SetBackgroundTaskHook(previous);
  fw::RuntimeBackgroundTask();
  EXPECT_EQ(calls, 1);
}

}  // namespace
