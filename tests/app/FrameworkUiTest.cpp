// The window layer's own pieces: record application, events, control
// sizes, pictures on screen, shortcuts.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "app/window/Module1.h"
#include "framework/ui/Application.h"
#include "framework/ui/Menu.h"
#include "framework/ui/Widgets.h"
#include "framework/ui/Window.h"

namespace {

// Record entries in the stored encoding.
std::string Int64Entry(const char* key, int64_t v) {
  std::string out = std::string(key) + " ";
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
  return out;
}
std::string StringEntry(const char* key, const std::string& v) {
  std::string out = std::string(key) + " ";
  const uint32_t n = static_cast<uint32_t>(v.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return out + v;
}
std::string BoolEntry(const char* key, bool v) { return std::string(key) + " " + (v ? '\1' : '\0'); }

TEST(SetProperties, AppliesEntriesInOrderWhateverTheLetterCase) {
  fw::Window w;
  auto* label = w.New<fw::Label>();
  w.AddControl("L", label);
  fw::SetProperties(*label, Int64Entry("LEFT", 7) + Int64Entry("top", 9) + Int64Entry("Width", 40) +
                                Int64Entry("wIdTh", 50) + StringEntry("Value", "あ\rい") +
                                BoolEntry("MultiLine", true));
  EXPECT_EQ(label->Left(), 7);
  EXPECT_EQ(label->Top(), 9);
  EXPECT_EQ(label->ControlWidth(), 50);  // the later entry wins
  EXPECT_EQ(label->Value(), "あ\rい");
  EXPECT_TRUE(label->Multiline());
  EXPECT_EQ(label->text(), QStringLiteral("あ\nい"));

  fw::SetProperties(w, StringEntry("title", "T") + Int64Entry("WIDTH", 300) + BoolEntry("Visible", false));
  EXPECT_EQ(w.Title(), "T");
  EXPECT_EQ(w.Width(), 300);
  EXPECT_FALSE(w.DesignVisible());
}

TEST(SetProperties, AKeyThatNamesNoPropertyOfTheObjectIsRejected) {
  fw::Window w;
  auto* r = w.New<fw::Rectangle>();
  w.AddControl("R", r);
  // A key of another class, after one that applies.
  EXPECT_THROW(fw::SetProperties(*r, Int64Entry("Left", 3) + StringEntry("Caption", "x")),
               fw::UnsupportedFormatException);
  EXPECT_EQ(r->Left(), 3);
  EXPECT_THROW(fw::SetProperties(w, StringEntry("Caption", "x")), fw::UnsupportedFormatException);
  // A malformed record: the value runs past the end.
  EXPECT_THROW(fw::SetProperties(*r, Int64Entry("Left", 3).substr(0, 9)), fw::UnsupportedFormatException);
}

TEST(Events, HandlersRunInBindingOrderAndTheLastResultCounts) {
  fw::Event<bool(int)> e;
  EXPECT_FALSE(e.Raise(1));  // nothing bound
  std::vector<int> calls;
  e.AddHandler([&](int x) { calls.push_back(x); return true; });
  e.AddHandler([&](int x) { calls.push_back(10 * x); return false; });
  EXPECT_FALSE(e.Raise(2));
  EXPECT_EQ(calls, (std::vector<int>{2, 20}));
  struct Target {
    int seen = 0;
    void Take(fw::PushButton*) { ++seen; }
  } target;
  fw::PushButton b;
  fw::AddHandler(b.Action, &target, &Target::Take);
  b.click();
  EXPECT_EQ(target.seen, 1);
}

TEST(ControlSize, SmallAndMiniTakeTheSmallSystemFont) {
  fw::Window w;
  auto* b = w.New<fw::PushButton>();
  w.AddControl("B", b);
  Module1::SetControlSize(b, Module1::NSControlSizeSmall);
  EXPECT_EQ(b->ControlSize(), fw::ControlSize::Small);
  EXPECT_EQ(b->font().pixelSize(), fw::kSmallSystemFontSize);
  Module1::SetControlSize(b, Module1::NSControlSizeMini);
  EXPECT_EQ(b->ControlSize(), fw::ControlSize::Mini);
  EXPECT_EQ(b->font().pixelSize(), fw::kSmallSystemFontSize);
  EXPECT_TRUE(b->testAttribute(Qt::WA_MacMiniSize));
  Module1::SetControlSize(b, Module1::NSControlSizeRegular);
  EXPECT_EQ(b->ControlSize(), fw::ControlSize::Regular);
  EXPECT_EQ(b->font().pixelSize(), fw::kSystemFontSize);
  EXPECT_LT(fw::kSmallSystemFontSize, fw::kSystemFontSize);
  EXPECT_THROW(Module1::SetControlSize(nullptr, 2), fw::NilObjectException);
}

TEST(Appearance, TransparencyAndMovingTakeOnlyLiveWindowHandles) {
  auto* w = new fw::Window;
  const intptr_t handle = w->Handle();
  EXPECT_TRUE(w->IsOpaque());
  Module1::MakeWindowTransparent(handle);
  Module1::SetMovableWindow(handle);
  EXPECT_FALSE(w->IsOpaque());
  EXPECT_EQ(w->NativeBackgroundColor(), QColor::fromRgbF(1, 1, 1, 0));
  EXPECT_TRUE(w->MovableByBackground());
  delete w;
  // A handle of a window that is gone, or none at all, does nothing.
  Module1::MakeWindowTransparent(handle);
  Module1::SetMovableWindow(0);
}

TEST(Pictures, TransparencyBecomesAlphaBothWays) {
  fw::Picture p(3, 1);
  p.RGBSurface().SetPixel(0, 0, fw::Color(0x00102030u));  // opaque
  p.RGBSurface().SetPixel(1, 0, fw::Color(0xFF405060u));  // fully transparent
  p.RGBSurface().SetPixel(2, 0, fw::Color(0x80000000u));  // half
  const QImage image = fw::ToQImage(p);
  EXPECT_EQ(image.pixel(0, 0), qRgba(0x10, 0x20, 0x30, 255));
  EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(2, 0)), 0x7F);
  const auto back = fw::FromQImage(image);
  EXPECT_EQ(std::memcmp(back->Data(), p.Data(), 3 * sizeof(uint32_t)), 0);
}

TEST(Menus, CommandShortcutsBecomeControlOnLinux) {
  EXPECT_EQ(fw::PlatformShortcut("Cmd+S"), QStringLiteral("Ctrl+S"));
  EXPECT_EQ(fw::PlatformShortcut(""), QString());
  fw::MenuBar bar;
  auto file = std::make_shared<fw::MenuItem>();
  file->SetName("F");
  bar.AddMenu(file);
  auto deep = std::make_shared<fw::MenuItem>();
  deep->SetName("Deep");
  file->AddMenu(deep);
  EXPECT_EQ(bar.Lookup("Deep"), deep);
  EXPECT_EQ(bar.Child("Deep"), nullptr);
  EXPECT_EQ(deep->Parent(), file.get());
  EXPECT_THROW(bar.AddMenu(nullptr), fw::NilObjectException);
}

TEST(PopupMenu, RowsComeFromCarriageReturnSeparatedText) {
  fw::PopupMenu pm;
  int changes = 0;
  pm.Change.AddHandler([&](fw::PopupMenu*) { ++changes; });
  pm.SetInitialValue("a\rb\rc");
  EXPECT_EQ(pm.RowCount(), 3);
  EXPECT_EQ(changes, 0);
  pm.SetSelectedRowIndex(2);
  EXPECT_EQ(pm.SelectedRowValue(), "c");
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(pm.SetSelectedRowIndex(3), fw::OutOfBoundsException);
  EXPECT_THROW(pm.RowValueAt(-1), fw::OutOfBoundsException);
  pm.SetInitialValue("");
  EXPECT_EQ(pm.RowCount(), 0);
  EXPECT_EQ(pm.SelectedRowValue(), "");
}

}  // namespace

namespace {

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
