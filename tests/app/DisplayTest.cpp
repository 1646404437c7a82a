// What the screen shows of a picture: after every kind of change the canvas shows the new pixels, exactly as Qt draws
// the picture's ARGB image.
#include <QPainter>
#include <functional>
#include <random>

#include "framework/core/Random.h"
#include "framework/ui/Application.h"
#include "framework/ui/DisplayImage.h"
#include "framework/ui/Widgets.h"
#include "tests/app/WindowFixture.h"

namespace {

// Every transparency, with assorted colors.
void FillWithEveryTransparency(fw::Picture& p, uint32_t seed) {
  std::mt19937 random(seed);
  for (int64_t i = 0; i < p.Width() * p.Height(); ++i)
    p.Data()[i] = (static_cast<uint32_t>(i % 256) << 24) | (random() & 0xFFFFFFu);
  p.Changed();
}

// The picture's color words as an ARGB image: alpha is 255 less the transparency.
QImage Argb(const fw::Picture& p) {
  QImage out(static_cast<int>(p.Width()), static_cast<int>(p.Height()), QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, p.Data()[y * p.Width() + x] ^ 0xFF000000u);
  return out;
}

// The image drawn over an opaque background.
QImage Over(QImage background, const QImage& image) {
  QPainter(&background).drawImage(0, 0, image);
  return background;
}

// Over an opaque background of noise, the display image of a 7-wide picture (four pixels at a time and the rest one by
// one) looks as its ARGB image; it is made again for a new picture in the same state, maybe at the same address.
TEST(DisplayImage, DrawsAsTheArgbImageForEveryTransparencyAndEveryPicture) {
  QImage noise(7, 40, QImage::Format_ARGB32_Premultiplied);
  std::mt19937 random(5);
  for (int y = 0; y < noise.height(); ++y)
    for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, 0xFF000000u | random());
  fw::DisplayImage display;
  for (const uint32_t seed : {1u, 2u}) {
    auto p = std::make_shared<fw::Picture>(7, 40);
    FillWithEveryTransparency(*p, seed);
    EXPECT_EQ(Over(noise, display.Of(*p)), Over(noise, Argb(*p))) << seed;
  }
}

TEST(CanvasDisplay, EveryChangeOfThePictureIsShownOnTheNextPaint) {
  ReportCapture capture;
  auto w = OpenWindow();
  fw::InstallYieldHook();  // renders let events run, as in the application
  fw::Picture& p = *w->CVBackdrop;
  fw::Graphics& g = p.Graphics();
  fw::Picture stamp(30, 20);
  FillWithEveryTransparency(stamp, 2);
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"Changed", [&] { FillWithEveryTransparency(p, 3); }},
      {"SetPixel", [&] { p.RGBSurface().SetPixel(250, 250, fw::Color(0x00ABCDEFu)); }},
      {"FillRect", [&] { g.SetDrawingColor(fw::Color(0x40123456u)); g.FillRect(10, 20, 100, 50); }},
      {"ClearRect", [&] { g.ClearRect(40, 30, 20, 20); }},
      {"DrawRect", [&] { g.SetDrawingColor(fw::Color(0x00FF8000u)); g.DrawRect(300, 300, 60, 60); }},
      {"DrawPicture", [&] { g.DrawPicture(stamp, 400, 100); }},
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
