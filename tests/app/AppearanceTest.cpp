#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <vector>

#include "app/window/Module1.h"
#include "framework/ui/NativeClass.h"
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

// The seven EF fields, whose records say AllowFocusRing False, draw the same
// border with the focus as without it; a field that allows the ring shows it.
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

TEST(NativeClasses, FoundByTheirExactNamesOnly) {
  EXPECT_NE(dynamic_cast<const fw::ColorClass*>(Module1::NSClassFromString("NSColor")), nullptr);
  EXPECT_NE(dynamic_cast<const fw::FontClass*>(Module1::NSClassFromString("NSFont")), nullptr);
  for (const char* unknown : {"", "nscolor", "NSColorX", "NSView", "UpDownArrows"})
    EXPECT_EQ(Module1::NSClassFromString(unknown), nullptr) << unknown;
  // A handle of a window that is gone, or none at all, does nothing; a
  // control size for no control is a nil error.
  const intptr_t gone = std::make_unique<fw::Window>()->Handle();
  Module1::MakeWindowTransparent(gone);
  Module1::SetMovableWindow(0);
  EXPECT_THROW(Module1::SetControlSize(nullptr, Module1::NSControlSizeMini), fw::NilObjectException);
}

// A progress control takes the size class alone and keeps its font; any
// other control takes the system font of the size as well.
TEST(ControlSize, ProgressControlsKeepTheirFont) {
  struct SlimBar : fw::ProgressBar {
    using fw::ProgressBar::ProgressBar;
  };
  fw::Window w;
  QFont design = w.font();
  design.setPixelSize(23);
  design.setItalic(true);
  const std::pair<fw::Control*, bool> cases[] = {{w.New<fw::ProgressBar>(), true}, {w.New<fw::ProgressWheel>(), true},
                                                 {w.New<SlimBar>(), true},          {w.New<fw::PushButton>(), false},
                                                 {w.New<fw::PopupMenu>(), false}};
  const std::tuple<int64_t, fw::ControlSize, int> sizes[] = {
      {2, fw::ControlSize::Mini, 10}, {1, fw::ControlSize::Small, 10}, {0, fw::ControlSize::Regular, 11}};
  for (const auto& [control, keepsFont] : cases) {
    control->Widget()->setFont(design);
    for (const auto& [size, expected, fontPixels] : sizes) {
      SCOPED_TRACE(std::string(control->ClassName()) + " " + std::to_string(size));
      Module1::SetControlSize(control, size);
      EXPECT_EQ(control->ControlSize(), expected);
      if (keepsFont) { EXPECT_EQ(control->Widget()->font(), design); }
      else { EXPECT_EQ(control->Widget()->font().pixelSize(), fontPixels); }
    }
  }
}

}  // namespace
