// What the screen shows of a picture: after every kind of change the canvas shows the new pixels, exactly as Qt draws
// the picture's ARGB image.
#include <QPainter>
#include <functional>

#include "framework/core/Random.h"
#include "framework/ui/Application.h"
#include "framework/ui/DisplayImage.h"
#include "framework/ui/Widgets.h"
#include "tests/app/WindowFixture.h"

namespace {

// The image drawn over an opaque background.
QImage Over(QImage background, const QImage& image) {
  QPainter(&background).drawImage(0, 0, image);
  return background;
}

// Over an opaque background of noise, the display image of a 7-wide picture (four pixels at a time and the rest one by
// one) looks as its ARGB image; it is made again for a new picture in the same state, maybe at the same address.
TEST(DisplayImage, DrawsAsTheArgbImageForEveryTransparencyAndEveryPicture) {
  const QImage noise = Argb(*NoisyPicture(7, 40, 5)).convertToFormat(QImage::Format_RGB32);  // made opaque
  fw::DisplayImage display;
  for (const uint32_t seed : {1u, 2u}) {
    const auto p = NoisyPicture(7, 40, seed);
    EXPECT_EQ(Over(noise, display.Of(*p)), Over(noise, Argb(*p))) << seed;
  }
}

TEST(CanvasDisplay, EveryChangeOfThePictureIsShownOnTheNextPaint) {
  ReportCapture capture;
  auto w = OpenWindow();
  fw::InstallYieldHook();  // renders let events run, as in the application
  fw::Picture& p = *w->CVBackdrop;
  fw::Graphics& g = p.Graphics();
  const auto stamp = NoisyPicture(30, 20, 2);
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"Changed", [&] { FillWithEveryTransparency(p, 3); }},
      {"SetPixel", [&] { p.RGBSurface().SetPixel(250, 250, fw::Color(0x00ABCDEFu)); }},
      {"FillRect", [&] { g.SetDrawingColor(fw::Color(0x40123456u)); g.FillRect(10, 20, 100, 50); }},
      {"ClearRect", [&] { g.ClearRect(40, 30, 20, 20); }},
      {"DrawRect", [&] { g.SetDrawingColor(fw::Color(0x00FF8000u)); g.DrawRect(300, 300, 60, 60); }},
      {"DrawPicture", [&] { g.DrawPicture(*stamp, 400, 100); }},
      {"render", [&] { fw::System::Random().Seed(3); w->QuorixPB0_Action(w->QuorixPB0()); }},
      {"another render", [&] { fw::System::Random().Seed(4); w->QuorixPB5_Action(w->QuorixPB5()); }},
      {"outline after a render", [&] { g.SetDrawingColor(fw::Color(0x00FFFFFFu)); g.DrawRect(0, 0, 500, 500); }},
  };
  fw::CanvasControl* canvas = w->QuorixCV();
  QImage background(canvas->size(), QImage::Format_ARGB32_Premultiplied);
  background.fill(canvas->palette().color(canvas->backgroundRole()));
  // What the canvas shows, over its own background color.
  auto shown = [&] { return canvas->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied); };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    const QImage before = shown();
    change();
    const QImage expected = Over(background, Argb(p));
    ASSERT_NE(before, expected);  // the change is visible at all
    EXPECT_EQ(shown(), expected);
  }
  EXPECT_TRUE(capture.reports.empty());
  fw::SetBackgroundTaskHook({});
}

}  // namespace
