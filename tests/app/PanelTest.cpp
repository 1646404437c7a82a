// The parameter panel through its real controls: steppers, Reset and the color-set popup.
#include <QAbstractItemView>
#include <QTest>
#include <array>
#include <cmath>

#include "tests/app/WindowFixture.h"

namespace {

// The design's parameters in the order of their fields, in units of `unit`: default, limits and the step of a press.
struct Row {
  int value, lower, upper, step;
  double unit;
};
constexpr Row kRows[7] = {{100, 10, 1000, 10, 1}, {0, -10, 10, 1, 0.1}, {0, -10, 10, 1, 0.1}, {-10, -20, 20, 1, 0.1},
                          {10, -20, 20, 1, 0.1},  {40, 0, 40, 1, 0.1},  {500, 250, 2000, 50, 1}};

// Each field's text and its property's value.
using State = std::array<std::pair<std::string, double>, 7>;

// The defaults, with field k at n units: tenths -13 show as "-1.3", 20 as "2".
State Expected(int k = 0, int n = kRows[0].value) {
  State s;
  for (int i = 0; i < 7; ++i) {
    const Row& r = kRows[i];
    const int m = i == k ? n : r.value, a = std::abs(m);
    s[i] = {r.unit == 1 ? std::to_string(m)
                        : QString::asprintf(a % 10 ? "%s%d.%d" : "%s%d", m < 0 ? "-" : "", a / 10, a % 10).toStdString(),
            r.unit == 1 ? m : m / 10.0};
  }
  return s;
}

class Panel : public ::testing::Test {
 protected:
  void SetUp() override { w = OpenWindow(); }

  void Press(int k, bool up) {
    auto* arrows = dynamic_cast<fw::UpDownArrows*>(w->ControlByName("UDArrows" + std::to_string(k)));
    QTest::mouseClick(up ? arrows->UpButton() : arrows->DownButton(), Qt::LeftButton);
  }
  State Shown() {
    const double values[7] = {static_cast<double>(w->mn), w->mx, w->my, w->ma, w->mb, w->mw,
                              static_cast<double>(w->mpixcel)};
    State s;
    for (int k = 0; k < 7; ++k) s[k] = {w->EF(k)->Value(), values[k]};
    return s;
  }
  // Opens the popup and picks the row with the keyboard, as a user does.
  void Choose(int row) {
    w->ColorPM()->showPopup();
    QAbstractItemView* view = w->ColorPM()->view();
    ASSERT_TRUE(view->isVisible());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home);
    for (int i = 0; i < row; ++i) QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_FALSE(view->isVisible());
  }

  ReportCapture capture;
  std::unique_ptr<MW> w;
};

// A row chosen in the popup sets the color set by its text; after a render the constant steppers start from their
// fields; Reset keeps the row, set and picture. Every stepper after a Reset, down to the lower limit and one press
// more, then up likewise: each press shows the stepped text, stores its number, and changes no other field or value.
TEST_F(Panel, ThePopupResetAndEveryStepperBetweenItsLimits) {
  EXPECT_EQ(w->selectColorSet, 0);  // as opened
  const auto picture = w->CVBackdrop;
  for (int row : {4, 0, 2, 1, 3, 3, 0}) {  // also the row already chosen
    Choose(row);
    EXPECT_EQ(w->selectColorSet, row);
  }
  EXPECT_EQ(Shown(), Expected());  // no parameter changes, no render
  EXPECT_EQ(w->CVBackdrop->Data()[0], 0xFFFFFFFFu);

  Choose(3);
  for (int i = 0; i < 30; ++i) Press(4, false);  // EF(4) at its lower limit, -2
  QTest::mouseClick(w->QuorixPB0(), Qt::LeftButton);
  const std::vector<uint32_t> pixels(picture->Data(), picture->Data() + 500 * 500);
  EXPECT_TRUE(w->ma == 2.0 && w->mb == 2.0 && w->EF(3)->Value() == "-1");  // the render's last point
  Press(3, true);
  EXPECT_TRUE(w->ma == -0.9 && w->mb == 2.0 && w->EF(3)->Value() == "-0.9");
  Press(4, false);  // at the limit: writes the limit again and stores it
  EXPECT_TRUE(w->mb == -2.0 && w->EF(4)->Value() == "-2");
  for (int k = 0; k < 7; ++k) Press(k, k % 2 == 0);
  QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
  EXPECT_EQ(Shown(), Expected());
  EXPECT_TRUE(w->selectColorSet == 3 && w->ColorPM()->SelectedRowValue() == "ヌビロ" && w->CVBackdrop == picture);
  EXPECT_EQ(std::vector<uint32_t>(picture->Data(), picture->Data() + 500 * 500), pixels);

  // A row whose text names no set, and the empty text, give 0.
  w->ColorPM()->addItem(QStringLiteral("虹"));
  w->ColorPM()->addItem(QString());
  for (int row : {5, 6}) {
    Choose(4);
    Choose(row);
    EXPECT_EQ(w->selectColorSet, 0) << row;
  }

  for (int k = 0; k < 7; ++k) {
    SCOPED_TRACE("UDArrows" + std::to_string(k));
    QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
    const Row& r = kRows[k];
    int n = r.value;
    for (const int dir : {-1, 1})
      for (bool atLimit = false; !atLimit;) {
        atLimit = n == (dir < 0 ? r.lower : r.upper);
        if (!atLimit) n += dir * r.step;
        Press(k, dir > 0);
        EXPECT_EQ(Shown(), Expected(k, n)) << n;
        if (HasFailure()) return;
      }
  }
  EXPECT_TRUE(w->selectColorSet == 0 && capture.reports.empty());
}

}  // namespace
