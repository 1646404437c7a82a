// The window layer's own pieces: record application, control contracts the design leaves out, the cooperative yield.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include "framework/core/PropertyRecord.h"
#include "framework/ui/Application.h"
#include "framework/ui/Menu.h"
#include "framework/ui/Widgets.h"
#include "framework/ui/Window.h"

namespace {

using Writer = fw::PropertyRecordWriter<>;

// Keys are matched whatever their letter case, in the record as in the classes.
TEST(SetProperties, AppliesEntriesInOrderWhateverTheLetterCaseAndRejectsForeignKeys) {
  fw::Window w;
  auto* label = w.New<fw::Label>();
  w.AddControl("L", label);
  fw::SetProperties(*label, Writer().Int64("LEFT", 7).Int64("top", 9).Int64("Width", 40).Int64("wIdTh", 50).Bytes());
  fw::SetProperties(*label, Writer().String("VALUE", "あ\rい").Boolean("MultiLine", true).Bytes());
  EXPECT_EQ(label->Widget()->geometry().topLeft(), QPoint(7, 9));
  EXPECT_EQ(label->ControlWidth(), 50);  // the later entry wins
  EXPECT_TRUE(label->Value() == "あ\rい" && label->text() == QStringLiteral("あ\nい"));
  fw::SetProperties(
      w, Writer().String("title", "T").Int64("WIDTH", 300).Boolean("Visible", false).Boolean("FullScreen", true).Bytes());
  EXPECT_TRUE(w.Title() == "T" && w.Width() == 300 && !w.DesignVisible() && w.FullScreen());

  // A key of another class, after one that applies.
  auto* r = w.New<fw::Rectangle>();
  w.AddControl("R", r);
  EXPECT_THROW(fw::SetProperties(*r, Writer().Int64("Left", 3).String("Caption", "x").Bytes()),
               fw::UnsupportedFormatException);
  EXPECT_EQ(r->Left(), 3);
  EXPECT_THROW(fw::SetProperties(w, Writer().String("Caption", "x").Bytes()), fw::UnsupportedFormatException);

  // An opaque label paints the fill of the rectangle named as its parent; font entries show in the widget's font.
  auto* back = w.New<fw::Rectangle>();
  w.AddControl("Back", back);
  fw::SetProperties(*back, Writer().Color("FillColor", fw::Color(0x00FF0000u)).Bytes());
  auto* opaque = w.New<fw::Label>();
  w.AddControl("Opaque", opaque);
  fw::SetProperties(*opaque, Writer().Int64("Width", 20).Int64("Height", 10).Boolean("Transparent", false).Bytes());
  fw::SetProperties(*opaque, Writer().String("InitialParent", "Back").Boolean("Underline", true).Bytes());
  EXPECT_EQ(opaque->Widget()->grab().toImage().pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_TRUE(opaque->Widget()->font().underline() && opaque->Widget()->font().pixelSize() == fw::kSystemFontSize);
  auto* popup = w.New<fw::PopupMenu>();
  fw::SetProperties(*popup, Writer().String("InitialValue", "a\rb\rc").Int64("SelectedRowIndex", 2).Bytes());
  EXPECT_EQ(popup->SelectedRowValue(), "c");

  // MenuBarVisible False hides a menu bar that is already shown.
  w.SetMenuBar(std::make_shared<fw::MenuBar>());
  ASSERT_TRUE(w.findChild<QMenuBar*>() && w.findChild<QMenuBar*>()->isVisibleTo(&w));
  fw::SetProperties(w, Writer().Boolean("MenuBarVisible", false).Bytes());
  EXPECT_TRUE(!w.findChild<QMenuBar*>()->isVisibleTo(&w) && w.Content()->y() == 0);  // the bar takes no room

  // The handle of a window that is gone finds no window.
  const intptr_t gone = std::make_unique<fw::Window>()->Handle();
  EXPECT_EQ(fw::Window::FromHandle(gone), nullptr);

  // Canvases and steppers take no focus; AllowFocus True lets them, by Tab and click or, without TabStop, by click.
  for (fw::Control* c : std::initializer_list<fw::Control*>{w.New<fw::CanvasControl>(), w.New<fw::UpDownArrows>()}) {
    EXPECT_EQ(c->Widget()->focusPolicy(), Qt::NoFocus) << c->ClassName();
    fw::SetProperties(*c, Writer().Boolean("AllowFocus", true).Bytes());
    EXPECT_EQ(c->Widget()->focusPolicy(), Qt::StrongFocus) << c->ClassName();
    fw::SetProperties(*c, Writer().Boolean("TabStop", false).Bytes());
    EXPECT_EQ(c->Widget()->focusPolicy(), Qt::ClickFocus) << c->ClassName();
  }
}

// Escape presses the window's cancel button; a progress wheel keeps repainting itself while it is shown; the
// cooperative yield of a long loop lets timers and repaints run.
TEST(Widgets, EscapePressesTheCancelButtonAShownWheelTurnsAndALongLoopYields) {
  struct Wheel : fw::ProgressWheel {
    using fw::ProgressWheel::ProgressWheel;
    void paintEvent(QPaintEvent* e) override {
      ++paints;
      fw::ProgressWheel::paintEvent(e);
    }
    int paints = 0;
  };
  fw::Window w;
  auto* cancel = w.New<fw::PushButton>();
  auto* wheel = w.New<Wheel>();
  auto* cv = w.New<fw::CanvasControl>();
  w.AddControl("Cancel", cancel);
  w.AddControl("Wheel", wheel);
  w.AddControl("CV", cv);
  fw::SetProperties(*cancel, Writer().Boolean("Cancel", true).Bytes());
  int pressed = 0;
  cancel->Action.AddHandler([&](fw::PushButton*) { ++pressed; });
  wheel->setGeometry(0, 30, 32, 32);
  cv->setGeometry(40, 30, 50, 50);
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w, 60000));
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(pressed, 1);
  const int paints = wheel->paints;
  EXPECT_TRUE(QTest::qWaitFor([&] { return wheel->paints > paints + 2; }, 60000));

  fw::InstallYieldHook();
  QCoreApplication::processEvents();
  const int cvPaints = cv->PaintCount();
  bool timerRan = false;
  QTimer::singleShot(0, [&] { timerRan = true; });
  cv->Refresh(true);
  QElapsedTimer bound;
  bound.start();
  while (!(timerRan && cv->PaintCount() > cvPaints) && bound.elapsed() < 60000) fw::RuntimeBackgroundTask();
  EXPECT_TRUE(timerRan && cv->PaintCount() > cvPaints);
  fw::SetBackgroundTaskHook({});
}

}  // namespace
