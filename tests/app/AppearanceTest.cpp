#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <vector>

#include "framework/ui/Widgets.h"
#include "tests/app/WindowFixture.h"

namespace {

// The outermost two pixel rings of a field: its border.
std::vector<QRgb> BorderPixels(QWidget* w) {
  const QImage image = w->grab().toImage();
  std::vector<QRgb> border;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (x < 2 || y < 2 || x >= image.width() - 2 || y >= image.height() - 2) border.push_back(image.pixel(x, y));
  return border;
}

// A field whose record says AllowFocusRing False, like all seven EF fields,
// draws the same border with the focus as without it; a field that allows
// the ring still shows it.
TEST(FocusRing, OnlyFieldsThatAllowItShowTheRing) {
  auto w = OpenWindow();
  w->show();
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  fw::TextField* ringed = w->New<fw::TextField>();
  ringed->setGeometry(w->EF(0)->geometry().translated(0, 300));
  ringed->show();
  ASSERT_TRUE(ringed->AllowFocusRing());

  for (int k = 0; k <= 6; ++k) {
    fw::TextField* field = w->EF(k);
    ASSERT_FALSE(field->AllowFocusRing()) << k;
    ringed->setFocus();
    const std::vector<QRgb> unfocused = BorderPixels(field);
    field->setFocus();
    ASSERT_TRUE(field->hasFocus()) << k;
    EXPECT_EQ(BorderPixels(field), unfocused) << "EF(" << k << ")";
  }
  const std::vector<QRgb> unfocused = BorderPixels(ringed);
  ringed->setFocus();
  ASSERT_TRUE(ringed->hasFocus());
  EXPECT_NE(BorderPixels(ringed), unfocused);
}

}  // namespace
