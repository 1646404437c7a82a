// The window as created: its 50 controls with their design values, lookups and Tab order, the window's own design,
// its menus and its state after opening.
#include <QAction>
#include <QKeySequence>
#include <QTest>
#include <map>

#include "app/MainMenuBar.h"
#include "app/window/QuorixBack.h"
#include "tests/app/WindowFixture.h"

namespace {

constexpr int64_t N = fw::kNoControlIndex;  // no control array

// One control as designed. font: the design size (0 the system size, -1 a class without text); align: 'C' centred,
// 'L' left, 0 no alignment; the enclosing control, and the edge locks left, top, right, bottom.
struct Design {
  const char *cls, *name;
  int64_t index, left, top, width, height, tabIndex;
  const char* text;
  float font;
  char align;
  const char *parent, *locks;
};

const char* const kRows = "16色\r日本色\r絵具\rヌビロ\rペラサ";

// In creation order.
const Design kDesign[50] = {
    {"Rectangle", "BackRA0", N, 0, 0, 506, 506, 42, "", -1, 0, "", "TTFF"},
    {"Canvas", "QuorixCV", N, 3, 3, 500, 500, 0, "", -1, 0, "BackRA0", "FFFF"},
    {"Rectangle", "BackRA1", N, 506, 0, 170, 506, 43, "", -1, 0, "", "TTFF"},
    {"TextField", "EF", 5, 574, 279, 50, 20, 20, "4", 0, 'C', "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB0", N, 523, 410, 60, 18, 1, "Quorix0", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB3", N, 523, 458, 60, 18, 2, "Quorix3", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB2", N, 523, 442, 60, 18, 3, "Quorix2", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB1", N, 523, 426, 60, 18, 4, "Quorix1", 10, 0, "BackRA1", "TTFF"},
    {"TextField", "EF", 4, 574, 227, 50, 20, 19, "1", 0, 'C', "BackRA1", "TTFF"},
    {"TextField", "EF", 3, 574, 205, 50, 20, 110, "-1", 0, 'C', "BackRA1", "TTFF"},
    {"Label", "ST", 716, 583, 295, 50, 20, 18, "mw≦4", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 415, 543, 281, 23, 20, 22, "幅=", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 13, 550, 243, 90, 20, 23, "(-2≦ma,mb≦2)", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 12, 542, 228, 25, 20, 24, "mb=", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 11, 542, 206, 25, 20, 25, "ma=", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 10, 531, 187, 120, 16, 26, "定数C(ma+mbi)", 0, 'C', "BackRA1", "FFFF"},
    {"Label", "ST", 1, 512, 20, 160, 16, 27, "F(mn)=(mx+myi)^n+ma+mbi", 12, 'L', "BackRA1", "FFFF"},
    {"UpDownArrows", "UDArrows3", N, 632, 204, 13, 23, 28, "", -1, 0, "BackRA1", "TTFF"},
    {"UpDownArrows", "UDArrows4", N, 632, 227, 13, 23, 29, "", -1, 0, "BackRA1", "TTFF"},
    {"UpDownArrows", "UDArrows5", N, 631, 278, 13, 23, 30, "", -1, 0, "BackRA1", "TTFF"},
    {"Label", "ST", 1514, 531, 262, 120, 16, 35, "複素座標の幅", 0, 'C', "BackRA1", "FFFF"},
    {"Label", "ST", 1617, 531, 315, 120, 16, 36, "複素座標(x,y)", 12, 'C', "BackRA1", "FFFF"},
    {"Label", "ST", 1718, 541, 331, 30, 20, 37, "x,y=", 0, 'L', "BackRA1", "FFFF"},
    {"TextField", "EF", 6, 574, 332, 50, 20, 38, "500", 0, 'C', "BackRA1", "TTFF"},
    {"UpDownArrows", "UDArrows6", N, 631, 331, 13, 23, 39, "", -1, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB4", N, 523, 474, 60, 18, 40, "Quorix4", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB5", N, 589, 410, 60, 18, 41, "Julia0", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB6", N, 589, 426, 60, 18, 42, "Julia1", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "ResetButton", N, 605, 386, 50, 16, 43, "Reset", 0, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB8", N, 590, 458, 60, 18, 45, "Quorix8", 10, 0, "BackRA1", "TTFF"},
    {"Label", "ST", 0, 534, 4, 120, 16, 46, "マンデルブロ関数", 12, 'C', "BackRA1", "FFFF"},
    {"TextField", "EF", 0, 574, 59, 50, 20, 47, "100", 0, 'C', "BackRA1", "TTFF"},
    {"Label", "ST", 4, 546, 77, 82, 20, 48, "10≦mn≦1000", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 3, 540, 58, 33, 20, 49, "回数=", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 2, 526, 42, 120, 16, 50, "発散回数", 12, 'C', "BackRA1", "FFFF"},
    {"UpDownArrows", "UDArrows0", N, 636, 59, 13, 23, 51, "", -1, 0, "BackRA1", "TTFF"},
    {"TextField", "EF", 2, 574, 148, 50, 20, 52, "0", 0, 'C', "BackRA1", "TTFF"},
    {"TextField", "EF", 1, 574, 115, 50, 20, 53, "0", 0, 'C', "BackRA1", "TTFF"},
    {"Label", "ST", 9, 558, 165, 58, 20, 54, "-1≦my≦1", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 8, 539, 149, 32, 20, 55, "虚部=", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 7, 558, 131, 57, 16, 56, "-1≦mx≦1", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 6, 539, 117, 36, 20, 57, "実部=", 0, 'L', "BackRA1", "FFFF"},
    {"Label", "ST", 5, 530, 97, 120, 16, 58, "関数Z(mx+myi)\r", 0, 'C', "BackRA1", "FFFF"},
    {"UpDownArrows", "UDArrows1", N, 634, 115, 13, 23, 59, "", -1, 0, "BackRA1", "TTFF"},
    {"UpDownArrows", "UDArrows2", N, 633, 149, 13, 23, 60, "", -1, 0, "BackRA1", "TTFF"},
    {"PopupMenu", "ColorPM", N, 516, 387, 80, 16, 61, kRows, 0, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB7", N, 590, 442, 60, 18, 62, "Quorix7", 10, 0, "BackRA1", "TTFF"},
    {"PushButton", "QuorixPB9", N, 590, 474, 60, 18, 63, "Quorix9", 10, 0, "BackRA1", "TTFF"},
    {"Label", "ST", 1919, 537, 352, 100, 16, 64, "250≦ｘ,y≦2000", 12, 'C', "BackRA1", "FFFF"},
    {"Label", "ST", 2020, 523, 368, 70, 16, 111, "カラーセット", 12, 'C', "BackRA1", "FFFF"},
};

// A caption, field or label text, or the popup's rows joined by carriage returns.
std::string TextOf(fw::Control* c) {
  if (auto* b = dynamic_cast<fw::PushButton*>(c)) return b->Caption();
  if (auto* f = dynamic_cast<fw::TextField*>(c)) return f->Value();
  if (auto* l = dynamic_cast<fw::Label*>(c)) return l->Value();
  if (auto* p = dynamic_cast<fw::PopupMenu*>(c)) {
    QStringList rows;
    for (int64_t r = 0; r < p->RowCount(); ++r) rows << QString::fromStdString(p->RowValueAt(r));
    return rows.join(QChar('\r')).toStdString();
  }
  return "";
}

// A window that notes its state right after its controls are created, before the Open events (which make buttons mini).
class ObservedMW : public MW {
 public:
  void CreateControls() override {
    MW::CreateControls();
    for (size_t i = 0; i < ControlCount(); ++i) fontAfterCreation.push_back(ControlAt(i)->Widget()->font());
    afterCreation = {mn, CVBackdrop != nullptr || QuorixCV()->Backdrop() != nullptr, QuorixPB0()->ControlSize(),
                     BackRA0()->FillColor()};
  }
  std::vector<QFont> fontAfterCreation;
  std::tuple<int64_t, bool, fw::ControlSize, fw::Color> afterCreation{-1, true, fw::ControlSize::Small, {}};
};

TEST(WindowDesign, EveryControlInCreationOrderWithItsDesignValues) {
  ReportCapture capture;
  if (!FileTypes1::Png()) FileTypes1::Initialize();
  ObservedMW w;
  w.Construct();
  ASSERT_TRUE(w.ControlCount() == 50u && w.fontAfterCreation.size() == 50u);
  std::multimap<int64_t, QWidget*> tabOrder;  // by TabIndex, equal ones in creation order
  int pressed = 0;
  for (size_t i = 0; i < 50; ++i) {
    const Design& d = kDesign[i];
    fw::Control* c = w.ControlAt(i);
    SCOPED_TRACE(std::to_string(i + 1) + " " + d.name + (d.index == N ? "" : std::to_string(d.index)));
    EXPECT_EQ(std::tuple(std::string(c->ClassName()), c->Name(), c->Index(), c->TabIndex(), TextOf(c)),
              std::tuple(std::string(d.cls), std::string(d.name), d.index, d.tabIndex, std::string(d.text)));
    EXPECT_EQ(c->Widget()->geometry(), QRect(d.left, d.top, d.width, d.height));
    const QFont& font = w.fontAfterCreation[i];
    if (d.font >= 0) {
      EXPECT_EQ(font.pixelSize(), d.font > 0 ? static_cast<int>(d.font) : fw::kSystemFontSize);
      EXPECT_FALSE(font.bold() || font.italic() || font.underline());
    }
    // Every control with a Tab stop takes the focus but the canvas and steppers (AllowFocus False).
    const bool focus = std::string("Rectangle Canvas UpDownArrows").find(d.cls) == std::string::npos;
    EXPECT_EQ(c->Widget()->focusPolicy(), focus ? Qt::StrongFocus : Qt::NoFocus);
    if (focus) tabOrder.emplace(d.tabIndex, c->Widget());
    int64_t code = -1;
    Qt::Alignment shown{};
    if (auto* f = dynamic_cast<fw::TextField*>(c)) code = f->TextAlignment(), shown = f->alignment();
    if (auto* l = dynamic_cast<fw::Label*>(c)) code = l->TextAlignment(), shown = l->alignment();
    if (d.align) {
      EXPECT_EQ(code, d.align == 'C' ? 2 : 0);
      EXPECT_EQ(shown & Qt::AlignHorizontal_Mask, d.align == 'C' ? Qt::AlignHCenter : Qt::AlignLeft);
    }
    const std::string name = d.name;  // found again by name, or by name and index
    EXPECT_EQ(name == "EF" ? w.EF(d.index) : name == "ST" ? w.ST(d.index) : w.ControlByName(name), c);
    const std::string lock = {"FT"[c->LockLeft()], "FT"[c->LockTop()], "FT"[c->LockRight()], "FT"[c->LockBottom()]};
    EXPECT_EQ(std::pair(c->InitialParent(), lock), std::pair(std::string(d.parent), std::string(d.locks)));
    // The entries in which single controls differ from their class.
    const bool label = d.cls == std::string("Label");
    EXPECT_EQ(c->Transparent(), d.name == std::string("QuorixCV") || (label && d.index != 11 && d.index != 12));
    EXPECT_EQ(c->AllowAutoDeactivate(), !(label && (d.index == 10 || d.index == 1514 || d.index == 1617)));
    if (auto* b = dynamic_cast<fw::PushButton*>(c)) { EXPECT_EQ(b->MacButtonStyle(), d.name == std::string("ResetButton") ? 0 : 3); }
    if (auto* b = dynamic_cast<fw::PushButton*>(c)) b->Action.AddHandler([&pressed](fw::PushButton*) { ++pressed; });
    const auto* f = dynamic_cast<fw::TextField*>(c);  // read-only, its text unmasked, in a frame
    EXPECT_TRUE(!f || (f->ReadOnly() && f->displayText() == f->text() && f->hasFrame()));
    EXPECT_TRUE(c->Enabled() && c->Visible() && c->TabStop());
    const bool mini = d.cls == std::string("PushButton") || d.cls == std::string("PopupMenu");  // made so on opening
    EXPECT_EQ(c->ControlSize(), mini ? fw::ControlSize::Mini : fw::ControlSize::Regular);
    if (mini) { EXPECT_EQ(c->Widget()->font().pixelSize(), fw::kSmallSystemFontSize); }
  }
  EXPECT_TRUE(w.ST(14) == nullptr && w.ST(20) == nullptr && w.EF(7) == nullptr);
  EXPECT_EQ(w.ColorPM()->SelectedRowValue(), "16色");
  EXPECT_EQ(w.ST(5)->text(), QStringLiteral("関数Z(mx+myi)"));  // shown without its carriage return
  QTest::keyClicks(w.EF(0), "5");  // the fields take no keystrokes
  EXPECT_EQ(w.EF(0)->Value(), "100");
  // In the active window Tab moves the focus by TabIndex, round to the first; Return, Enter and Escape press no button.
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w, 60000));
  tabOrder.begin()->second->setFocus();
  tabOrder.emplace(INT64_MAX, tabOrder.begin()->second);
  for (auto it = tabOrder.begin(); std::next(it) != tabOrder.end(); ++it) {
    QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(w.focusWidget(), std::next(it)->second) << "Tab from TabIndex " << it->first;
  }
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) QTest::keyClick(w.focusWidget(), key);
  EXPECT_EQ(pressed, 0);

  // No handler ran while the controls were created.
  EXPECT_EQ(w.afterCreation, std::tuple(int64_t{0}, false, fw::ControlSize::Regular, fw::Color(0x00FFFFFFu)));
  EXPECT_TRUE(capture.reports.empty());
}

// The menu tree: parent, name, caption and shortcut (nullptr: never set).
struct MenuEntry {
  const char *parent, *name, *caption, *shortcut;
};
const MenuEntry kMenus[] = {
    {"", "FileMenu", "&File", ""},          {"FileMenu", "FileQuit", "&Quit", "Cmd+Q"},
    {"FileMenu", "FileSave", "Save", "Cmd+S"}, {"", "EditMenu", "&Edit", ""},
    {"EditMenu", "EditUndo", "&Undo", "Cmd+Z"}, {"EditMenu", "EditSeparator1", "-", nullptr},
    {"EditMenu", "EditCut", "Cu&t", "Cmd+X"},   {"EditMenu", "EditCopy", "&Copy", "Cmd+C"},
    {"EditMenu", "EditPaste", "&Paste", "Cmd+V"}, {"EditMenu", "EditClear", "&Delete", ""},
    {"EditMenu", "EditSeparator2", "-", nullptr}, {"EditMenu", "EditSelectAll", "Select &All", "Cmd+A"},
};

TEST(WindowDesign, TheOpenedWindowWithItsRecordBackdropMenusAndStartState) {
  ReportCapture capture;
  auto w = OpenWindow();
  EXPECT_EQ(w->Title(), "Quorix");
  EXPECT_EQ((std::vector<int64_t>{w->Width(), w->Height(), w->MinimumWidth(), w->MinimumHeight(),
                                  w->MaximumWidth(), w->MaximumHeight(), w->Type(), w->MacProcID(),
                                  w->DefaultLocation()}),
            (std::vector<int64_t>{676, 506, 64, 64, 32000, 32000, 0, 0, 2}));
  EXPECT_EQ((std::vector<bool>{w->HasCloseButton(), w->HasMaximizeButton(), w->HasMinimizeButton(),
                               w->HasFullScreenButton(), w->Resizeable(), w->Composite(), w->FullScreen(),
                               w->DesignVisible(), w->HasBackgroundColor(), w->MenuBarVisible()}),
            (std::vector<bool>{true, true, true, false, true, false, false, true, false, true}));
  EXPECT_EQ(w->BackgroundColor(), fw::Color(0x00FFFFFFu));
  EXPECT_TRUE(w->windowFlags().testFlags(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                         Qt::WindowCloseButtonHint));
  EXPECT_TRUE(w->isVisible() && w->MenuBar() == MainMenuBar::Instance() && w->Backdrop() == quorixBack());
  EXPECT_TRUE(w->xx == 0 && w->yy == 0 && w->clickX == 0 && w->ClickY == 0);
  ASSERT_TRUE(w->CVBackdrop && w->CVBackdrop->Width() == 500 && w->CVBackdrop->Height() == 500);
  for (int64_t i = 0; i < 500 * 500; ++i) ASSERT_EQ(w->CVBackdrop->Data()[i], 0xFFFFFFFFu) << i;
  EXPECT_EQ(w->QuorixCV()->Backdrop(), w->CVBackdrop);
  EXPECT_TRUE(w->NativeBackgroundColor().alpha() == 0 && !w->IsOpaque());  // a transparent native window

  std::shared_ptr<MainMenuBar> bar = MainMenuBar::Instance();
  size_t i = 0;
  auto check = [&](const std::string& parent, const std::shared_ptr<fw::MenuItem>& item) {
    ASSERT_LT(i, std::size(kMenus));
    const MenuEntry& e = kMenus[i++];
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(parent == e.parent && item->Name() == e.name && item->Value() == e.caption);
    EXPECT_TRUE(item->ShortcutSet() == (e.shortcut != nullptr) && (!e.shortcut || item->Shortcut() == e.shortcut));
    EXPECT_TRUE(item->AutoEnabled() && item->Visible() && item->IsSeparator() == (e.caption == std::string("-")));
    EXPECT_EQ(std::dynamic_pointer_cast<fw::QuitMenuItem>(item) != nullptr, e.name == std::string("FileQuit"));
    // Only Save has a handler of the window; the command key is Ctrl here.
    EXPECT_EQ(w->HasMenuHandler(e.name), e.name == std::string("FileSave"));
    if (*e.parent && e.shortcut) {
      QString key = QString::fromUtf8(e.shortcut).replace(QStringLiteral("Cmd+"), QStringLiteral("Ctrl+"));
      EXPECT_EQ(w->MenuAction(e.name)->shortcut(), QKeySequence(key));
    }
  };
  for (size_t m = 0; m < bar->Count(); ++m) {
    check("", bar->Item(m));
    for (size_t k = 0; k < bar->Item(m)->Count(); ++k) check(bar->Item(m)->Name(), bar->Item(m)->Item(k));
  }
  EXPECT_EQ(i, std::size(kMenus));
  EXPECT_TRUE(w->MenuAction("FileSave")->isEnabled() && w->MenuAction("FileQuit")->isEnabled());
  EXPECT_FALSE(w->MenuAction("EditCopy")->isEnabled() || w->HandleMenuCommand(*w->EditCopy()));
  EXPECT_TRUE(w->FileQuit() == bar->Item(0)->Item(0) && w->EditSelectAll() == bar->Item(1)->Item(7));

  MW bare;  // an accessor finds nothing before the controls exist, and a control of another class is a cast error
  EXPECT_TRUE(bare.QuorixCV() == nullptr && bare.EF(0) == nullptr);
  bare.AddControl("QuorixCV", bare.New<fw::Label>());
  EXPECT_THROW(bare.QuorixCV(), fw::IllegalCastException);
  std::weak_ptr<fw::Picture> picture = w->CVBackdrop;  // released with the window
  w.reset();
  EXPECT_TRUE(picture.expired() && capture.reports.empty());
}

}  // namespace
