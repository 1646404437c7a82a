// The window at work: render buttons pressed for real, presses on the canvas, handlers' exceptions reaching the report.
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

TEST_F(WindowEvents, PressingARenderButtonPutsItsPictureOnTheCanvas) {
  const std::pair<fw::PushButton*, void (*)(MWModel&)> cases[] = {
      {w->QuorixPB0(), &oracle::Quorix0}, {w->QuorixPB1(), &oracle::Quorix1}, {w->QuorixPB2(), &oracle::Quorix2},
      {w->QuorixPB3(), &oracle::Quorix3}, {w->QuorixPB4(), &oracle::Quorix4}, {w->QuorixPB5(), &oracle::Julia0},
      {w->QuorixPB6(), &oracle::Julia1},  {w->QuorixPB7(), &oracle::Quorix7}, {w->QuorixPB8(), &oracle::Quorix8},
      {w->QuorixPB9(), &oracle::Quorix9}};
  uint64_t seed = 11;
  for (const auto& [button, literal] : cases) {
    SCOPED_TRACE(button->Caption());
    // The first from the opened state; the others quicker, on a smaller grid.
    if (++seed > 12) {
      w->mn = 40;
      w->mpixcel = 300;
      w->selectColorSet = static_cast<int64_t>(seed % 5);
    }
    // The literal loops on a headless window with w's parameters and its own picture.
    TestWindow expected;
    static_cast<MWModel&>(expected) = *w;
    expected.CVBackdrop = expected.canvas.Backdrop();
    fw::SetBackgroundTaskHook({});
    fw::System::Random().Seed(seed);
    literal(expected);
    fw::InstallYieldHook();
    const int paintsBefore = w->QuorixCV()->PaintCount();
    Click(button, seed);
    EXPECT_TRUE(capture.reports.empty() && w->QuorixCV()->Backdrop() == w->CVBackdrop);  // filled in place
    EXPECT_TRUE(std::equal(w->CVBackdrop->Data(), w->CVBackdrop->Data() + 500 * 500, expected.CVBackdrop->Data()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->QuorixCV()->PaintCount() > paintsBefore; }, 60000));
  }
}

// A release on the canvas outlines, in the drawing color, the square from the press point whose side is the horizontal
// distance moved: left and up when negative, nothing for 0 or beyond the picture. A background drag moves the window.
TEST_F(WindowEvents, PressAndReleaseOutlineASquareAndADragOnTheBackgroundMovesTheWindow) {
  struct Case {
    QPoint press, release;
    int left, top, right, bottom;  // the outline's pixels, edges included
  };
  const Case cases[] = {{{100, 120}, {160, 400}, 100, 120, 159, 179},
                        {{300, 300}, {280, 10}, 280, 280, 299, 299},
                        {{450, 10}, {700, 10}, 450, 10, 699, 259},
                        {{40, 40}, {40, 90}, 0, 0, -1, -1}};
  fw::CanvasControl* cv = w->QuorixCV();
  uint32_t color = 0x00FF0000u;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "press " << c.press.x() << "," << c.press.y());
    fw::Picture& p = *w->CVBackdrop;
    std::fill(p.Data(), p.Data() + 500 * 500, 0xFFFFFFFFu);
    p.Graphics().SetDrawingColor(fw::Color(++color));
    QTest::mousePress(cv, Qt::LeftButton, {}, c.press);
    EXPECT_TRUE(w->xx == c.press.x() && w->yy == c.press.y() && w->clickX == c.press.x() && w->ClickY == c.press.y());
    QTest::mouseRelease(cv, Qt::LeftButton, {}, c.release);
    int64_t wrong = 0;
    for (int y = 0; y < 500; ++y)
      for (int x = 0; x < 500; ++x) {
        const bool across = (y == c.top || y == c.bottom) && x >= c.left && x <= c.right;
        const bool down = (x == c.left || x == c.right) && y >= c.top && y <= c.bottom;
        const uint32_t expected = across || down ? color : 0xFFFFFFFFu;
        if (p.Data()[y * 500 + x] != expected && wrong++ < 5)
          ADD_FAILURE() << x << "," << y << ": " << std::hex << p.Data()[y * 500 + x] << " != " << expected;
      }
    EXPECT_EQ(wrong, 0);
  }
  const QPoint before = w->pos();
  QWidget* content = w->Content();  // the panel rectangle lets presses through to it
  QTest::mousePress(content, Qt::LeftButton, {}, QPoint(600, 500));
  QMouseEvent move(QEvent::MouseMove, QPointF(630, 520), content->mapToGlobal(QPointF(630, 520)),
                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(content, &move);
  QTest::mouseRelease(content, Qt::LeftButton, {}, QPoint(630, 520));
  EXPECT_TRUE(w->pos() == before + QPoint(30, 20) && capture.reports.empty());
}

// A failing handler of a button, a menu command or the canvas without a picture, and a render without its picture:
// each reaches the report once, and the window goes on.
TEST_F(WindowEvents, ExceptionsFromHandlersReachTheReportAndTheWindowGoesOn) {
  w->ResetButton()->Action.AddHandler([](fw::PushButton*) { throw fw::NilObjectException("A test handler used nil."); });
  QTest::mouseClick(w->ResetButton(), Qt::LeftButton);
  w->AddMenuHandler("EditCopy", []() -> bool { throw std::runtime_error("copy failed"); });
  w->MenuAction("EditCopy")->trigger();
  w->QuorixCV()->SetBackdrop(nullptr);
  QTest::mousePress(w->QuorixCV(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(w->QuorixCV(), Qt::LeftButton, {}, QPoint(9, 5));
  w->QuorixCV()->SetBackdrop(w->CVBackdrop);
  Click(w->QuorixPB0(), 1);
  ASSERT_EQ(capture.reports.size(), 3u);
  w->CVBackdrop.reset();
  Click(w->QuorixPB0(), 1);
  ASSERT_EQ(capture.reports.size(), 4u);
  EXPECT_TRUE(capture.reports[0].message == "A test handler used nil." && capture.reports[1].message == "copy failed");
  for (size_t i : {0, 2, 3}) EXPECT_EQ(capture.reports[i].className, "NilObjectException") << i;
}

}  // namespace
