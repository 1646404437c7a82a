// The parameter panel through its real controls: steppers, Reset and the
// color-set popup.
#include <QAbstractItemView>
#include <QTest>

#include <array>
#include <cmath>
#include <string>

#include "tests/app/WindowFixture.h"

namespace {

// The design's parameters in the order of their fields, in units of
// `unit`: the default, the limits and the step of one press.
struct Row {
  int value, lower, upper, step;
  double unit;
};
constexpr Row kRows[7] = {{100, 10, 1000, 10, 1}, {0, -10, 10, 1, 0.1}, {0, -10, 10, 1, 0.1}, {-10, -20, 20, 1, 0.1},
                          {10, -20, 20, 1, 0.1},  {40, 0, 40, 1, 0.1},  {500, 250, 2000, 50, 1}};

class Panel : public ::testing::Test {
 protected:
  void SetUp() override { w = OpenWindow(); }

  void Press(int k, bool up) {
    auto* arrows = dynamic_cast<fw::UpDownArrows*>(w->ControlByName("UDArrows" + std::to_string(k)));
    QTest::mouseClick(up ? arrows->UpButton() : arrows->DownButton(), Qt::LeftButton);
  }
  // The seven parameters in the order of their fields.
  std::array<double, 7> Values() {
    return {static_cast<double>(w->mn), w->mx, w->my, w->ma, w->mb, w->mw, static_cast<double>(w->mpixcel)};
  }
  std::array<std::string, 7> Texts() {
    return {w->EF(0)->Value(), w->EF(1)->Value(), w->EF(2)->Value(), w->EF(3)->Value(),
            w->EF(4)->Value(), w->EF(5)->Value(), w->EF(6)->Value()};
  }
  // Opens the popup and picks the row with the keyboard, as a user does.
  void Choose(int row) {
    fw::PopupMenu* pm = w->ColorPM();
    pm->showPopup();
    QAbstractItemView* view = pm->view();
    ASSERT_TRUE(view->isVisible());
    view->setFocus();
    const int from = view->currentIndex().row();
    for (int i = from; i < row; ++i) QTest::keyClick(view, Qt::Key_Down);
    for (int i = row; i < from; ++i) QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_FALSE(view->isVisible());
  }

  ReportCapture capture;
  std::unique_ptr<MW> w;
};

// n units of row r as the panel writes them: tenths -13 -> "-1.3", 20 -> "2".
std::string Text(const Row& r, int n) {
  if (r.unit == 1) return std::to_string(n);
  const int m = std::abs(n);
  return QString::asprintf(m % 10 ? "%s%d.%d" : "%s%d", n < 0 ? "-" : "", m / 10, m % 10).toStdString();
}
double Value(const Row& r, int n) { return r.unit == 1 ? n : n / 10.0; }

std::array<std::string, 7> DefaultTexts() {
  std::array<std::string, 7> texts;
  for (int k = 0; k < 7; ++k) texts[k] = Text(kRows[k], kRows[k].value);
  return texts;
}
std::array<double, 7> Defaults() {
  std::array<double, 7> values;
  for (int k = 0; k < 7; ++k) values[k] = Value(kRows[k], kRows[k].value);
  return values;
}

// Every arrow of every stepper: from the defaults down to the lower limit,
// one press more, up to the upper limit, one press more. Each press shows
// the stepped text, stores its number, and changes no other field or value.
TEST_F(Panel, EveryArrowStepsItsOwnFieldAndPropertyBetweenTheLimits) {
  for (int k = 0; k < 7; ++k) {
    SCOPED_TRACE("UDArrows" + std::to_string(k));
    QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
    const Row& r = kRows[k];
    int n = r.value;
    // True when the field shows the n-th step and the property holds it,
    // and all other fields and properties keep their defaults.
    auto shows = [&](int expected) {
      auto texts = DefaultTexts();
      auto values = Defaults();
      texts[k] = Text(r, expected);
      values[k] = Value(r, expected);
      EXPECT_EQ(Texts(), texts) << "at " << expected;
      EXPECT_EQ(Values(), values) << "at " << expected;
      return !HasFailure();
    };
    while (n > r.lower) {
      n -= r.step;
      Press(k, false);
      if (!shows(n)) return;
    }
    Press(k, false);
    if (!shows(r.lower)) return;
    while (n < r.upper) {
      n += r.step;
      Press(k, true);
      if (!shows(n)) return;
    }
    Press(k, true);
    if (!shows(r.upper)) return;
    EXPECT_EQ(w->selectColorSet, 0);
  }
  EXPECT_TRUE(capture.reports.empty());
}

TEST_F(Panel, AfterARenderTheConstantStepperStartsFromItsField) {
  QTest::mouseClick(w->QuorixPB0(), Qt::LeftButton);
  EXPECT_TRUE(w->ma == 2.0 && w->mb == 2.0 && w->EF(3)->Value() == "-1");  // the render's last point
  Press(3, true);
  EXPECT_TRUE(w->ma == -0.9 && w->mb == 2.0 && w->EF(3)->Value() == "-0.9");
}

// (That Reset restores the defaults shows in the stepper test: each stepper
// starts after a Reset with every other field and property at its default.)
TEST_F(Panel, ARowChosenInThePopupSetsTheColorSetByItsTextAndResetKeepsIt) {
  const auto picture = w->CVBackdrop;
  const char* names[] = {"16色", "日本色", "絵具", "ヌビロ", "ペラサ"};
  for (int row : {4, 0, 2, 1, 3, 3, 0}) {  // also the row already chosen
    Choose(row);
    EXPECT_EQ(w->ColorPM()->SelectedRowValue(), names[row]);
    EXPECT_EQ(w->selectColorSet, row);
  }
  // Nothing else changes: no render, no parameter.
  EXPECT_EQ(Values(), Defaults());
  EXPECT_EQ(w->CVBackdrop, picture);
  EXPECT_EQ(w->CVBackdrop->Data()[0], 0xFFFFFFFFu);

  // Reset after a render and some presses keeps the row, the color set and the picture.
  Choose(3);
  QTest::mouseClick(w->QuorixPB0(), Qt::LeftButton);
  const std::vector<uint32_t> pixels(picture->Data(), picture->Data() + 500 * 500);
  for (int k = 0; k < 7; ++k) Press(k, k % 2 == 0);
  QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
  EXPECT_EQ(Texts(), DefaultTexts());
  EXPECT_EQ(Values(), Defaults());
  EXPECT_EQ(w->selectColorSet, 3);
  EXPECT_EQ(w->ColorPM()->SelectedRowValue(), "ヌビロ");
  EXPECT_EQ(w->CVBackdrop, picture);
  EXPECT_EQ(std::vector<uint32_t>(picture->Data(), picture->Data() + 500 * 500), pixels);

  // A row whose text names no set, and the empty text, give 0.
  fw::PopupMenu* pm = w->ColorPM();
  pm->addItem(QStringLiteral("虹"));
  pm->addItem(QString());
  for (int row : {5, 6}) {
    Choose(4);
    EXPECT_EQ(w->selectColorSet, 4);
    Choose(row);
    EXPECT_EQ(w->selectColorSet, 0) << row;
  }
  EXPECT_TRUE(capture.reports.empty());
}

}  // namespace
