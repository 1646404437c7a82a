// The window layer's own pieces: record application and the cooperative
// yield.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <cstring>

#include "framework/ui/Application.h"
#include "framework/ui/Widgets.h"
#include "framework/ui/Window.h"

namespace {

// A record entry in the stored encoding: Int64, String or Boolean.
std::string Entry(const char* key, int64_t v) {
  std::string out = std::string(key) + " ";
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
  return out;
}
std::string Text(const char* key, const std::string& v) {
  return Entry(key, static_cast<int64_t>(v.size())).substr(0, std::strlen(key) + 5) + v;
}
std::string Flag(const char* key, bool v) { return std::string(key) + " " + (v ? '\1' : '\0'); }

TEST(SetProperties, AppliesEntriesInOrderWhateverTheLetterCaseAndRejectsForeignKeys) {
  fw::Window w;
  auto* label = w.New<fw::Label>();
  w.AddControl("L", label);
  fw::SetProperties(*label, Entry("LEFT", 7) + Entry("top", 9) + Entry("Width", 40) + Entry("wIdTh", 50) +
                                Text("Value", "あ\rい") + Flag("MultiLine", true));
  EXPECT_EQ(label->Widget()->geometry().topLeft(), QPoint(7, 9));
  EXPECT_EQ(label->ControlWidth(), 50);  // the later entry wins
  EXPECT_EQ(label->Value(), "あ\rい");
  EXPECT_EQ(label->text(), QStringLiteral("あ\nい"));
  fw::SetProperties(w, Text("title", "T") + Entry("WIDTH", 300) + Flag("Visible", false));
  EXPECT_EQ(w.Title(), "T");
  EXPECT_EQ(w.Width(), 300);
  EXPECT_FALSE(w.DesignVisible());

  // A key of another class, after one that applies; a value past the end.
  auto* r = w.New<fw::Rectangle>();
  w.AddControl("R", r);
  EXPECT_THROW(fw::SetProperties(*r, Entry("Left", 3) + Text("Caption", "x")),
               fw::UnsupportedFormatException);
  EXPECT_EQ(r->Left(), 3);
  EXPECT_THROW(fw::SetProperties(w, Text("Caption", "x")), fw::UnsupportedFormatException);
  EXPECT_THROW(fw::SetProperties(*r, Entry("Left", 4).substr(0, 9)), fw::UnsupportedFormatException);
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
