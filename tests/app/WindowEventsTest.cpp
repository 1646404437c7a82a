// The window at work: render buttons pressed for real, the canvas's press
// and release, and exceptions from handlers reaching the report.
#include <QAction>
#include <QTest>

#include "framework/core/Random.h"
#include "framework/ui/Application.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"
#include "tests/app/WindowFixture.h"

namespace {

class WindowEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    fw::InstallYieldHook();
    w = OpenWindow();
  }
  void TearDown() override { fw::SetBackgroundTaskHook({}); }

  // Clicks the button as a user does, with the random draws seeded.
  void Click(fw::PushButton* b, uint64_t seed) {
    fw::System::Random().Seed(seed);
    QTest::mouseClick(b, Qt::LeftButton);
  }

  ReportCapture capture;
  std::unique_ptr<MW> w;
};

using Literal = void (*)(MWModel&);

// The literal loops of a command, run on a headless window in the state
// of w, with the same seed.
std::unique_ptr<TestWindow> LiteralPicture(const MW& w, Literal render, uint64_t seed) {
  auto t = std::make_unique<TestWindow>();
  t->mn = w.mn;
  t->mw = w.mw;
  t->ma = w.ma;
  t->mb = w.mb;
  t->mpixcel = w.mpixcel;
  t->selectColorSet = w.selectColorSet;
  const auto hook = fw::SetBackgroundTaskHook({});
  fw::System::Random().Seed(seed);
  render(*t);
  fw::SetBackgroundTaskHook(hook);
  return t;
}

bool SamePixels(const fw::Picture& a, const fw::Picture& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  return std::equal(a.Data(), a.Data() + a.Width() * a.Height(), b.Data());
}

TEST_F(WindowEvents, PressingARenderButtonPutsItsPictureOnTheCanvas) {
  struct Case {
    fw::PushButton* button;
    Literal literal;
  };
  const std::vector<Case> cases = {
      {w->QuorixPB0(), &oracle::Quorix0}, {w->QuorixPB1(), &oracle::Quorix1}, {w->QuorixPB2(), &oracle::Quorix2},
      {w->QuorixPB3(), &oracle::Quorix3}, {w->QuorixPB4(), &oracle::Quorix4}, {w->QuorixPB5(), &oracle::Julia0},
      {w->QuorixPB6(), &oracle::Julia1},  {w->QuorixPB7(), &oracle::Quorix7}, {w->QuorixPB8(), &oracle::Quorix8},
      {w->QuorixPB9(), &oracle::Quorix9}};
  uint64_t seed = 11;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button->Caption());
    // The first press from the opened state; the others on a smaller grid
    // with another colour set, to keep the literal loops quick.
    if (++seed > 12) {
      w->mn = 40;
      w->mpixcel = 300;
      w->selectColorSet = static_cast<int64_t>(seed % 5);
    }
    w->ma = -1.0;
    w->mb = 1.0;
    w->CVBackdrop->Graphics().SetDrawingColor(fw::Color(0xFFFFFFFFu));
    w->CVBackdrop->Graphics().FillRect(0, 0, 500, 500);
    const std::unique_ptr<TestWindow> expected = LiteralPicture(*w, c.literal, seed);
    const int paintsBefore = w->QuorixCV()->PaintCount();

    Click(c.button, seed);

    EXPECT_TRUE(capture.reports.empty());
    EXPECT_EQ(w->QuorixCV()->Backdrop(), w->CVBackdrop);  // the picture is filled in place
    EXPECT_TRUE(SamePixels(*w->CVBackdrop, *expected->CVBackdrop));
    EXPECT_EQ(w->ma, expected->ma);
    EXPECT_EQ(w->mb, expected->mb);
    EXPECT_EQ(w->CVBackdrop->Graphics().DrawingColor(), fw::Color(0xFF000000u));
    // The canvas repaints (what it shows of a picture: DisplayTest).
    QTest::qWait(20);
    EXPECT_GT(w->QuorixCV()->PaintCount(), paintsBefore);
  }
}

TEST_F(WindowEvents, PressAndReleaseOutlineASquareFromThePressPoint) {
  fw::CanvasControl* cv = w->QuorixCV();
  const fw::Color red(0x00FF0000u);
  w->CVBackdrop->Graphics().SetDrawingColor(red);

  QTest::mousePress(cv, Qt::LeftButton, {}, QPoint(100, 120));
  EXPECT_EQ(w->xx, 100);
  EXPECT_EQ(w->yy, 120);
  EXPECT_EQ(w->clickX, 100);
  EXPECT_EQ(w->ClickY, 120);
  QTest::mouseRelease(cv, Qt::LeftButton, {}, QPoint(160, 400));

  // Width and height are both the horizontal distance, 60; Y is not used.
  fw::Picture expected(500, 500);
  expected.Graphics().SetDrawingColor(fw::Color(0xFFFFFFFFu));
  expected.Graphics().FillRect(0, 0, 500, 500);
  expected.Graphics().SetDrawingColor(red);
  expected.Graphics().DrawRect(100, 120, 60, 60);
  EXPECT_TRUE(SamePixels(*w->CVBackdrop, expected));

  // A release to the left gives a negative side, passed on as it is.
  QTest::mousePress(cv, Qt::LeftButton, {}, QPoint(300, 300));
  QTest::mouseRelease(cv, Qt::LeftButton, {}, QPoint(280, 10));
  expected.Graphics().DrawRect(300, 300, -20, -20);
  EXPECT_TRUE(SamePixels(*w->CVBackdrop, expected));
  EXPECT_EQ(w->xx, 300);

  EXPECT_EQ(w->ma, -1.0);  // no render
  EXPECT_TRUE(capture.reports.empty());
}

TEST_F(WindowEvents, ExceptionsFromHandlersReachTheReportAndTheWindowGoesOn) {
  // A handler that fails, on a button press.
  w->ResetButton()->Action.AddHandler(
      [](fw::PushButton*) { throw fw::NilObjectException("A test handler used nil."); });
  QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
  ASSERT_EQ(capture.reports.size(), 1u);
  EXPECT_EQ(capture.reports[0].className, "NilObjectException");
  EXPECT_EQ(capture.reports[0].message, "A test handler used nil.");

  // A failure of another kind, from a menu command chosen.
  w->AddMenuHandler("EditCopy", []() -> bool { throw std::runtime_error("copy failed"); });
  w->MenuAction("EditCopy")->trigger();
  ASSERT_EQ(capture.reports.size(), 2u);
  EXPECT_EQ(capture.reports[1].message, "copy failed");

  // The canvas without a picture: its release raises NilObjectException.
  w->QuorixCV()->SetBackdrop(nullptr);
  QTest::mousePress(w->QuorixCV(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(w->QuorixCV(), Qt::LeftButton, {}, QPoint(9, 5));
  ASSERT_EQ(capture.reports.size(), 3u);
  EXPECT_EQ(capture.reports[2].className, "NilObjectException");
  w->QuorixCV()->SetBackdrop(w->CVBackdrop);

  // The window still works: a render runs and shows its picture.
  Click(w->QuorixPB0(), 1);
  EXPECT_EQ(capture.reports.size(), 3u);
  EXPECT_EQ(w->QuorixCV()->Backdrop(), w->CVBackdrop);
  EXPECT_NE(w->CVBackdrop->Data()[0], 0xFFFFFFFFu);

  // A render without its picture fails with a nil report.
  w->CVBackdrop.reset();
  Click(w->QuorixPB0(), 1);
  ASSERT_EQ(capture.reports.size(), 4u);
  EXPECT_EQ(capture.reports[3].className, "NilObjectException");
}

TEST_F(WindowEvents, APressOnTheBackgroundMovesTheWindow) {
  const QPoint before = w->pos();
  QWidget* content = w->Content();
  // The panel rectangle lets presses through to the window's background.
  QTest::mousePress(content, Qt::LeftButton, {}, QPoint(600, 500));
  QMouseEvent move(QEvent::MouseMove, QPointF(630, 520), content->mapToGlobal(QPointF(630, 520)),
                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(content, &move);
  QTest::mouseRelease(content, Qt::LeftButton, {}, QPoint(630, 520));
  EXPECT_EQ(w->pos(), before + QPoint(30, 20));
  EXPECT_TRUE(capture.reports.empty());
}

}  // namespace
