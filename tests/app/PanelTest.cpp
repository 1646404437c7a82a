// The parameter panel: steppers, Reset and the colour-set popup.
#include <QTest>

#include <array>
#include <cstdlib>
#include <string>

#include "framework/core/NumberText.h"
#include "framework/core/Random.h"
#include "render/ColorSets.h"
#include "tests/app/WindowFixture.h"

namespace {

// The decimal text of n / 10 as the panel shows it ("-1.9", "0", "2").
std::string Tenths(int n) {
  const int whole = std::abs(n) / 10, tenth = std::abs(n) % 10;
  return QString::asprintf(tenth ? "%s%d.%d" : "%s%d", n < 0 ? "-" : "", whole, tenth).toStdString();
}

struct PanelState {
  std::array<std::string, 7> texts;
  double mx, my, ma, mb, mw;
  int64_t mn, mpixcel, selectColorSet;
  bool operator==(const PanelState&) const = default;
};

class Panel : public ::testing::Test {
 protected:
  void SetUp() override { w = OpenWindow(); }

  std::string Text(int64_t i) { return w->EF(i)->Value(); }
  PanelState State() {
    PanelState s{};
    for (int64_t i = 0; i < 7; ++i) s.texts[static_cast<size_t>(i)] = Text(i);
    s.mx = w->mx, s.my = w->my, s.ma = w->ma, s.mb = w->mb, s.mw = w->mw;
    s.mn = w->mn, s.mpixcel = w->mpixcel, s.selectColorSet = w->selectColorSet;
    return s;
  }

  ReportCapture capture;
  std::unique_ptr<MW> w;
};

TEST_F(Panel, IterationLimitStepsByTenAndClampsAtItsLimits) {
  // Real clicks on the stepper's lower arrow.
  for (int k = 1; k <= 9; ++k) {
    QTest::mouseClick(w->UDArrows0()->DownButton(), Qt::LeftButton);
    EXPECT_EQ(Text(0), std::to_string(100 - 10 * k));
    EXPECT_EQ(w->mn, 100 - 10 * k);
  }
  QTest::mouseClick(w->UDArrows0()->DownButton(), Qt::LeftButton);
  EXPECT_EQ(Text(0), "10");
  EXPECT_EQ(w->mn, 10);

  w->ResetButton_Action(w->ResetButton());
  for (int k = 1; k <= 90; ++k) w->UDArrows0_Up(w->UDArrows0());
  EXPECT_EQ(Text(0), "1000");
  EXPECT_EQ(w->mn, 1000);
  w->UDArrows0_Up(w->UDArrows0());
  EXPECT_EQ(Text(0), "1000");
  EXPECT_EQ(w->mn, 1000);
  EXPECT_TRUE(capture.reports.empty());
}

TEST_F(Panel, GridSizeStepsByFiftyBetween250And2000) {
  for (int k = 1; k <= 5; ++k) w->UDArrows6_Down(w->UDArrows6());
  EXPECT_EQ(Text(6), "250");
  EXPECT_EQ(w->mpixcel, 250);
  w->UDArrows6_Down(w->UDArrows6());
  EXPECT_EQ(Text(6), "250");
  for (int k = 1; k <= 35; ++k) w->UDArrows6_Up(w->UDArrows6());
  EXPECT_EQ(Text(6), "2000");
  EXPECT_EQ(w->mpixcel, 2000);
  QTest::mouseClick(w->UDArrows6()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(Text(6), "2000");
  EXPECT_EQ(w->mpixcel, 2000);
}

TEST_F(Panel, WidthStepsDownToZeroExactlyWithoutDrift) {
  w->UDArrows5_Up(w->UDArrows5());  // already at the upper limit
  EXPECT_EQ(Text(5), "4");
  EXPECT_EQ(w->mw, 4.0);
  for (int k = 1; k <= 40; ++k) {
    w->UDArrows5_Down(w->UDArrows5());
    ASSERT_EQ(Text(5), Tenths(40 - k)) << "press " << k;
    ASSERT_EQ(w->mw, fw::Val(Tenths(40 - k)));
  }
  EXPECT_EQ(w->mw, 0.0);
  w->UDArrows5_Down(w->UDArrows5());
  EXPECT_EQ(Text(5), "0");
  EXPECT_EQ(w->mw, 0.0);
}

TEST_F(Panel, ConstantStepsFromMinusTwoToTwoOnTheTenths) {
  for (int k = 0; k < 15; ++k) w->UDArrows3_Down(w->UDArrows3());
  EXPECT_EQ(Text(3), "-2");
  EXPECT_EQ(w->ma, -2.0);
  for (int k = 1; k <= 40; ++k) {
    QTest::mouseClick(w->UDArrows3()->UpButton(), Qt::LeftButton);
    ASSERT_EQ(Text(3), Tenths(-20 + k)) << "press " << k;
    ASSERT_EQ(w->ma, (-20 + k) / 10.0);
  }
  w->UDArrows3_Up(w->UDArrows3());
  EXPECT_EQ(Text(3), "2");
  EXPECT_EQ(w->ma, 2.0);
  // Away from the default and back: -0.9, then -1.
  w->ResetButton_Action(w->ResetButton());
  w->UDArrows3_Up(w->UDArrows3());
  EXPECT_EQ(Text(3), "-0.9");
  w->UDArrows3_Down(w->UDArrows3());
  EXPECT_EQ(Text(3), "-1");
  EXPECT_EQ(w->ma, -1.0);
}

TEST_F(Panel, EachPressTouchesOnlyItsOwnFieldAndProperty) {
  using Handler = void (MW::*)(fw::UpDownArrows*);
  const std::array<std::pair<Handler, Handler>, 7> steppers = {{
      {&MW::UDArrows0_Down, &MW::UDArrows0_Up}, {&MW::UDArrows1_Down, &MW::UDArrows1_Up},
      {&MW::UDArrows2_Down, &MW::UDArrows2_Up}, {&MW::UDArrows3_Down, &MW::UDArrows3_Up},
      {&MW::UDArrows4_Down, &MW::UDArrows4_Up}, {&MW::UDArrows5_Down, &MW::UDArrows5_Up},
      {&MW::UDArrows6_Down, &MW::UDArrows6_Up},
  }};
  for (size_t i = 0; i < steppers.size(); ++i) {
    for (Handler h : {steppers[i].first, steppers[i].second}) {
      w->ResetButton_Action(w->ResetButton());
      PanelState before = State();
      (w.get()->*h)(nullptr);
      PanelState after = State();
      after.texts[i] = before.texts[i];
      // Blank out the one property the stepper owns, then compare the rest.
      double* doubles[] = {nullptr, &after.mx, &after.my, &after.ma, &after.mb, &after.mw, nullptr};
      double* was[] = {nullptr, &before.mx, &before.my, &before.ma, &before.mb, &before.mw, nullptr};
      if (i == 0) after.mn = before.mn;
      else if (i == 6) after.mpixcel = before.mpixcel;
      else *doubles[i] = *was[i];
      EXPECT_EQ(after, before) << "stepper " << i;
    }
  }
}

TEST_F(Panel, ResetRestoresTheDefaultsAndLeavesColourSetAndCanvas) {
  w->ColorPM()->SetSelectedRowIndex(3);
  w->QuorixPB0_Action(w->QuorixPB0());
  const auto picture = w->CVBackdrop;
  const std::vector<uint32_t> pixels(picture->Data(), picture->Data() + 500 * 500);
  for (int k = 0; k < 3; ++k) {
    w->UDArrows0_Up(nullptr);
    w->UDArrows1_Down(nullptr);
    w->UDArrows2_Up(nullptr);
    w->UDArrows4_Down(nullptr);
    w->UDArrows5_Down(nullptr);
    w->UDArrows6_Up(nullptr);
  }
  QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
  const std::array<std::string, 7> texts = {"100", "0", "0", "-1", "1", "4", "500"};
  for (int64_t i = 0; i < 7; ++i) EXPECT_EQ(Text(i), texts[static_cast<size_t>(i)]);
  EXPECT_EQ(w->mn, 100);
  EXPECT_EQ(w->mx, 0.0);
  EXPECT_EQ(w->my, 0.0);
  EXPECT_EQ(w->ma, -1.0);
  EXPECT_EQ(w->mb, 1.0);
  EXPECT_EQ(w->mw, 4.0);
  EXPECT_EQ(w->mpixcel, 500);
  EXPECT_EQ(w->selectColorSet, 3);
  EXPECT_EQ(w->ColorPM()->SelectedRowIndex(), 3);
  EXPECT_EQ(w->CVBackdrop, picture);
  EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), picture->Data()));
}

TEST_F(Panel, AfterARenderTheConstantStepperStartsFromItsField) {
  w->QuorixPB0_Action(w->QuorixPB0());
  EXPECT_EQ(w->ma, 2.0);  // the render's last point
  EXPECT_EQ(w->mb, 2.0);
  EXPECT_EQ(Text(3), "-1");
  w->UDArrows3_Up(w->UDArrows3());
  EXPECT_EQ(Text(3), "-0.9");
  EXPECT_EQ(w->ma, -0.9);
  EXPECT_EQ(w->mb, 2.0);
}

TEST_F(Panel, PopupRowsChooseTheColourSetByTheirText) {
  fw::PopupMenu* pm = w->ColorPM();
  EXPECT_EQ(w->selectColorSet, 0);
  EXPECT_EQ(pm->SelectedRowValue(), "16色");
  for (int64_t row = 0; row < 5; ++row) {
    pm->SetSelectedRowIndex(row);
    EXPECT_EQ(w->selectColorSet, row);
  }
  pm->SetSelectedRowIndex(0);
  EXPECT_EQ(w->selectColorSet, 0);

  // A row whose text names no set gives 0, also the empty text.
  pm->SetSelectedRowIndex(4);
  pm->addItem(QStringLiteral("虹"));
  pm->SetSelectedRowIndex(5);
  EXPECT_EQ(w->selectColorSet, 0);
  pm->SetSelectedRowIndex(4);
  pm->setCurrentIndex(-1);
  w->ColorPM_Change(pm);
  EXPECT_EQ(w->selectColorSet, 0);
}

TEST_F(Panel, TheChosenSetColoursTheNextRender) {
  w->ColorPM()->SetSelectedRowIndex(4);  // "ペラサ": no transparent entry, no black
  w->mn = 11;                            // interior points show palette(7)
  w->QuorixPB0_Action(w->QuorixPB0());
  const fw::Color centre = w->CVBackdrop->RGBSurface().Pixel(250, 250);
  bool inSet4 = false;
  for (int i = 0; i < 16; ++i) inSet4 |= colorsets::Set(4)[static_cast<size_t>(i)] == centre;
  EXPECT_TRUE(inSet4);
}

}  // namespace
