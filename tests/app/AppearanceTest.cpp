// The window's look: focus rings, control sizes and the pixels as designed.
#include <QPainter>
#include <QTest>

#include "app/window/Module1.h"
#include "framework/ui/Widgets.h"
#include "tests/app/WindowFixture.h"

namespace {

// Classes are found by their exact names only; a gone or no window's handle does nothing. A progress control (or a
// subclass) takes the size class alone; any other also the system font of the size; no control is a nil error.
TEST(Module1, NativeClassesAndControlSizes) {
  for (const char* unknown : {"", "nscolor", "NSColorX", "NSView", "UpDownArrows"})
    EXPECT_EQ(Module1::NSClassFromString(unknown), nullptr) << unknown;
  const intptr_t gone = std::make_unique<fw::Window>()->Handle();  // of a window deleted at the end of the line
  Module1::MakeWindowTransparent(gone);
  Module1::SetMovableWindow(0);
  EXPECT_THROW(Module1::SetControlSize(nullptr, Module1::NSControlSizeMini), fw::NilObjectException);

  struct SlimBar : fw::ProgressBar {
    using fw::ProgressBar::ProgressBar;
  };
  fw::Window w;
  QFont design = w.font();
  design.setPixelSize(23);
  for (fw::Control* control : std::initializer_list<fw::Control*>{w.New<fw::ProgressBar>(), w.New<fw::ProgressWheel>(),
                                                                  w.New<SlimBar>(), w.New<fw::PopupMenu>()}) {
    const bool keepsFont = dynamic_cast<fw::PopupMenu*>(control) == nullptr;
    control->Widget()->setFont(design);
    for (const auto& [size, expected, fontPixels] : {std::tuple(2, fw::ControlSize::Mini, 10),
                                                     std::tuple(1, fw::ControlSize::Small, 10),
                                                     std::tuple(0, fw::ControlSize::Regular, 11)}) {
      SCOPED_TRACE(std::string(control->ClassName()) + " " + std::to_string(size));
      Module1::SetControlSize(control, size);
      EXPECT_EQ(control->ControlSize(), expected);
      EXPECT_EQ(control->Widget()->font().pixelSize(), keepsFont ? design.pixelSize() : fontPixels);
    }
  }
}

// The opened window as designed: both rectangles' 3-pixel bevels, darker top and left, lighter bottom and right,
// meeting on the diagonal of the top-right and bottom-left corners (whose own pixels may take either color); white
// panel and fields; through the transparent frame and empty canvas, the backdrop as the resource decodes. An EF field
// (AllowFocusRing False) draws the same border with the focus as without; a field that allows the ring shows it.
TEST(WindowLook, BevelsBackgroundsBackdropAndFocusRingsAsDesigned) {
  auto w = OpenWindow();
  const QImage shown = w->Content()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage back = QImage(QStringLiteral(":/quorixBack.png")).convertToFormat(QImage::Format_ARGB32);
  ASSERT_TRUE(shown.size() == QSize(676, 506) && back.size() == shown.size());
  int64_t wrong = 0;
  auto expect = [&](int x, int y, QRgb color, const char* what) {
    if (shown.pixel(x, y) != color && wrong++ < 8)
      ADD_FAILURE() << what << " at " << x << "," << y << ": " << std::hex << shown.pixel(x, y) << " != " << color;
  };
  // The frame and the panel: left, width, top-left color; 506 high, bottom-right color D5D5D5.
  for (const auto& [at, width, topLeft] : {std::tuple(0, 506, 0xFF929292u), std::tuple(506, 170, 0xFFA9A9A9u)}) {
    for (int y = 0; y < 506; ++y)
      for (int x = 0; x < width; ++x) {
        const bool top = y < 3, left = x < 3, bottom = y >= 503, right = x >= width - 3;
        const bool corner = (top && right) || (bottom && left);
        const int past = x + y + 1 - (top ? width : 506);  // in a corner: side of the diagonal
        if ((!top && !left && !bottom && !right) || (corner && past == 0)) continue;
        const bool darker = corner ? past < 0 : top || left;
        expect(at + x, y, darker ? topLeft : 0xFFD5D5D5u, "bevel");
      }
  }
  for (const QPoint p : {QPoint(510, 300), QPoint(660, 100), QPoint(660, 500), QPoint(520, 500)})
    expect(p.x(), p.y(), 0xFFFFFFFFu, "panel");
  for (int k = 0; k <= 6; ++k) expect(w->EF(k)->x() + 4, w->EF(k)->y() + 4, 0xFFFFFFFFu, "field");  // clear of the text
  for (int y = 3; y < 503; ++y)
    for (int x = 3; x < 503; ++x) expect(x, y, back.pixel(x, y), "backdrop");
  for (int64_t k : {0, 1, 5, 716, 2020}) {  // each label shows its text in dark ink
    const QRect r = w->ST(k)->geometry();
    int64_t ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) ink += qGray(shown.pixel(x, y)) < 96;
    EXPECT_GT(ink, 20) << "ST(" << k << ")";
  }
  EXPECT_EQ(wrong, 0);
  w->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get(), 60000));
  auto borderPixels = [](QWidget* field) {  // the field as shown, all but its outermost two pixel rings painted over
    QImage image = field->grab().toImage();
    QPainter(&image).fillRect(image.rect().adjusted(2, 2, -2, -2), Qt::black);
    return image;
  };
  fw::TextField* ringed = w->New<fw::TextField>();
  ringed->setGeometry(w->EF(0)->geometry().translated(0, 300));
  ringed->show();
  ringed->setFocus();
  for (fw::TextField* field : {w->EF(0), ringed}) {  // the fields share their class's record entry
    const QImage unfocused = borderPixels(field);
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());
    EXPECT_EQ(borderPixels(field) == unfocused, field != ringed);
  }
}

}  // namespace
