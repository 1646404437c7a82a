// The window layer's own pieces: record application and the cooperative
// yield.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include "framework/core/PropertyRecord.h"
#include "framework/ui/Application.h"
#include "framework/ui/Widgets.h"
#include "framework/ui/Window.h"

namespace {

using Writer = fw::PropertyRecordWriter<>;

TEST(SetProperties, AppliesEntriesInOrderWhateverTheLetterCaseAndRejectsForeignKeys) {
  fw::Window w;
  auto* label = w.New<fw::Label>();
  w.AddControl("L", label);
  fw::SetProperties(*label, Writer()
                              .Int64("LEFT", 7)
                              .Int64("top", 9)
                              .Int64("Width", 40)
                              .Int64("wIdTh", 50)
                              .String("Value", "あ\rい")
                              .Boolean("MultiLine", true)
                              .Bytes());
  EXPECT_EQ(label->Widget()->geometry().topLeft(), QPoint(7, 9));
  EXPECT_EQ(label->ControlWidth(), 50);  // the later entry wins
  EXPECT_EQ(label->Value(), "あ\rい");
  EXPECT_EQ(label->text(), QStringLiteral("あ\nい"));
  fw::SetProperties(w, Writer().String("title", "T").Int64("WIDTH", 300).Boolean("Visible", false).Bytes());
  EXPECT_EQ(w.Title(), "T");
  EXPECT_EQ(w.Width(), 300);
  EXPECT_FALSE(w.DesignVisible());

  // A key of another class, after one that applies; a value past the end.
  auto* r = w.New<fw::Rectangle>();
  w.AddControl("R", r);
  EXPECT_THROW(fw::SetProperties(*r, Writer().Int64("Left", 3).String("Caption", "x").Bytes()),
               fw::UnsupportedFormatException);
  EXPECT_EQ(r->Left(), 3);
  EXPECT_THROW(fw::SetProperties(w, Writer().String("Caption", "x").Bytes()), fw::UnsupportedFormatException);
  EXPECT_THROW(fw::SetProperties(*r, Writer().Int64("Left", 4).Bytes().substr(0, 9)), fw::UnsupportedFormatException);
}

// The cooperative yield of a long loop lets timers and repaints run.
TEST(Yield, TimersAndRepaintsRunInsideALongLoop) {
  fw::InstallYieldHook();
  fw::Window w;
  auto* cv = w.New<fw::CanvasControl>();
  w.AddControl("CV", cv);
  cv->setGeometry(0, 0, 50, 50);
  w.SetWidth(50);
  w.SetHeight(50);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QCoreApplication::processEvents();
  const int paints = cv->PaintCount();
  bool timerRan = false;
  QTimer::singleShot(0, [&] { timerRan = true; });
  cv->Refresh(true);
  for (int i = 0; i < 50 && !(timerRan && cv->PaintCount() > paints); ++i) {
    fw::RuntimeBackgroundTask();
    QTest::qSleep(2);
  }
  EXPECT_TRUE(timerRan);
  EXPECT_GT(cv->PaintCount(), paints);
  fw::SetBackgroundTaskHook({});
}

}  // namespace
