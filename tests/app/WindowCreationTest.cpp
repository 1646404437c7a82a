// The window as created: its controls from their design records, their
// lookups, its menus, and its state after opening.
#include <QAction>
#include <QKeySequence>
#include <set>

#include "app/App.h"
#include "app/MainMenuBar.h"
#include "app/window/QuorixBack.h"
#include "app/window/Records.h"
#include "framework/core/PropertyRecord.h"
#include "framework/ui/Application.h"
#include "tests/app/WindowFixture.h"

namespace {

using records::ControlClass;

const char* ExpectedClass(ControlClass c) {
  switch (c) {
    case ControlClass::Rectangle: return "Rectangle";
    case ControlClass::Canvas: return "Canvas";
    case ControlClass::TextField: return "TextField";
    case ControlClass::PushButton: return "PushButton";
    case ControlClass::Label: return "Label";
    case ControlClass::UpDownArrows: return "UpDownArrows";
    case ControlClass::PopupMenu: return "PopupMenu";
  }
  return "?";
}

// The record's value for the key, or nullptr.
const fw::PropertyValue* Find(const std::vector<fw::PropertyEntry>& entries, const char* key) {
  for (const auto& e : entries)
    if (e.key == key) return &e.value;
  return nullptr;
}

class WindowCreation : public ::testing::Test {
 protected:
  void SetUp() override { w = OpenWindow(); }
  ReportCapture capture;
  std::unique_ptr<MW> w;
};

TEST_F(WindowCreation, FiftyControlsInTheTablesOrderWithTheirNamesAndIndices) {
  ASSERT_EQ(w->ControlCount(), 50u);
  const auto& table = records::ControlTable();
  int named = 0, ef = 0, st = 0;
  for (size_t i = 0; i < 50; ++i) {
    fw::Control* c = w->ControlAt(i);
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(c->Name(), table[i].name);
    EXPECT_EQ(c->Index(), table[i].index);
    EXPECT_STREQ(c->ClassName(), ExpectedClass(table[i].cls));
    if (c->Name() == "EF") ++ef;
    else if (c->Name() == "ST") ++st;
    else ++named;
  }
  EXPECT_EQ(named, 22);
  EXPECT_EQ(ef, 7);
  EXPECT_EQ(st, 21);
  // The EF members in the order in which they are created.
  std::vector<int64_t> efOrder;
  for (size_t i = 0; i < 50; ++i)
    if (w->ControlAt(i)->Name() == "EF") efOrder.push_back(w->ControlAt(i)->Index());
  EXPECT_EQ(efOrder, (std::vector<int64_t>{5, 4, 3, 6, 0, 2, 1}));
  EXPECT_TRUE(capture.reports.empty());
}

TEST_F(WindowCreation, LookupsByNameAndByNameAndIndex) {
  EXPECT_EQ(w->ST(14), nullptr);
  EXPECT_EQ(w->ST(20), nullptr);
  EXPECT_EQ(w->EF(7), nullptr);
  std::set<fw::Control*> seen;
  for (int64_t i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 415, 716, 1514, 1617, 1718, 1919, 2020}) {
    fw::Label* l = w->ST(i);
    ASSERT_NE(l, nullptr) << i;
    EXPECT_EQ(l->Index(), i);
    seen.insert(l);
  }
  for (int64_t i = 0; i <= 6; ++i) {
    ASSERT_NE(w->EF(i), nullptr) << i;
    EXPECT_EQ(w->EF(i)->Index(), i);
    seen.insert(w->EF(i));
  }
  EXPECT_EQ(seen.size(), 28u);
  // The EF fields show mn, mx, my, ma, mb, mw, mpixcel in index order.
  const char* texts[] = {"100", "0", "0", "-1", "1", "4", "500"};
  for (int64_t i = 0; i <= 6; ++i) EXPECT_EQ(w->EF(i)->Value(), texts[i]) << i;

  EXPECT_EQ(w->QuorixCV(), w->ControlByName("QuorixCV"));
  EXPECT_EQ(w->ColorPM()->Name(), "ColorPM");
  EXPECT_EQ(w->ResetButton()->Caption(), "Reset");
  // A control found under an accessor's name but of another class is a
  // cast error; a name that finds nothing gives nullptr.
  MW bare;
  EXPECT_EQ(bare.QuorixCV(), nullptr);
  EXPECT_EQ(bare.EF(0), nullptr);
  bare.AddControl("QuorixCV", bare.New<fw::Label>());
  EXPECT_THROW(bare.QuorixCV(), fw::IllegalCastException);
}

TEST_F(WindowCreation, EveryControlCarriesItsOwnRecord) {
  const auto& table = records::ControlTable();
  for (size_t i = 0; i < 50; ++i) {
    SCOPED_TRACE(std::string(table[i].name) + " " + std::to_string(table[i].index));
    const auto entries = fw::DecodePropertyRecord(table[i].record);
    fw::Control* c = w->ControlAt(i);
    EXPECT_EQ(c->Left(), std::get<int64_t>(*Find(entries, "Left")));
    EXPECT_EQ(c->Top(), std::get<int64_t>(*Find(entries, "Top")));
    EXPECT_EQ(c->ControlWidth(), std::get<int64_t>(*Find(entries, "Width")));
    EXPECT_EQ(c->ControlHeight(), std::get<int64_t>(*Find(entries, "Height")));
    EXPECT_EQ(c->Enabled(), std::get<bool>(*Find(entries, "Enabled")));
    EXPECT_EQ(c->Visible(), std::get<bool>(*Find(entries, "Visible")));
    EXPECT_EQ(c->TabIndex(), std::get<int64_t>(*Find(entries, "TabIndex")));
    EXPECT_EQ(c->InitialParent(), std::get<std::string>(*Find(entries, "InitialParent")));
    if (auto* f = dynamic_cast<fw::TextField*>(c)) {
      EXPECT_EQ(f->Value(), std::get<std::string>(*Find(entries, "Value")));
      EXPECT_TRUE(f->ReadOnly());
      EXPECT_EQ(f->ReadOnly(), std::get<bool>(*Find(entries, "ReadOnly")));
    } else if (auto* l = dynamic_cast<fw::Label*>(c)) {
      EXPECT_EQ(l->Value(), std::get<std::string>(*Find(entries, "Value")));
      EXPECT_EQ(l->Transparent(), std::get<bool>(*Find(entries, "Transparent")));
    } else if (auto* b = dynamic_cast<fw::PushButton*>(c)) {
      EXPECT_EQ(b->Caption(), std::get<std::string>(*Find(entries, "Caption")));
      EXPECT_EQ(b->MacButtonStyle(), std::get<int64_t>(*Find(entries, "MacButtonStyle")));
    }
  }
  // The label whose text ends in a carriage return keeps it.
  EXPECT_EQ(w->ST(5)->Value(), "関数Z(mx+myi)\r");
  EXPECT_EQ(w->ST(5)->text(), QStringLiteral("関数Z(mx+myi)"));
  EXPECT_EQ(w->ST(1919)->Value(), "250≦ｘ,y≦2000");
  // The popup's five rows; the first is chosen.
  fw::PopupMenu* pm = w->ColorPM();
  ASSERT_EQ(pm->RowCount(), 5);
  const char* rows[] = {"16色", "日本色", "絵具", "ヌビロ", "ペラサ"};
  for (int r = 0; r < 5; ++r) EXPECT_EQ(pm->RowValueAt(r), rows[r]);
  EXPECT_EQ(pm->SelectedRowIndex(), 0);
  EXPECT_EQ(pm->SelectedRowValue(), "16色");
}

TEST_F(WindowCreation, TheDesignGroupsKeepTheirDifferences) {
  // Render buttons: one style and one caption size; Reset: another style.
  for (fw::PushButton* b : {w->QuorixPB0(), w->QuorixPB5(), w->QuorixPB9()}) {
    EXPECT_EQ(b->MacButtonStyle(), 3);
    EXPECT_FALSE(b->styleSheet().isEmpty());
  }
  EXPECT_EQ(w->ResetButton()->MacButtonStyle(), 0);
  EXPECT_TRUE(w->ResetButton()->styleSheet().isEmpty());
  // Two alignments: centred fields and headings, left-aligned captions.
  EXPECT_TRUE(w->EF(0)->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(w->ST(2)->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(w->ST(3)->alignment() & Qt::AlignLeft);
  // 12-point labels are larger than the system-size ones.
  EXPECT_GT(w->ST(0)->font().pixelSize(), w->ST(3)->font().pixelSize());
  EXPECT_GT(w->ST(2020)->font().pixelSize(), w->ST(716)->font().pixelSize());
  // The frame's bevel and the panel.
  EXPECT_EQ(w->BackRA0()->TopLeftColor(), fw::Color(0x00929292u));
  EXPECT_EQ(w->BackRA0()->BottomRightColor(), fw::Color(0x00D5D5D5u));
  EXPECT_EQ(w->BackRA1()->TopLeftColor(), fw::Color(0x00A9A9A9u));
  EXPECT_EQ(w->BackRA1()->FillColor(), fw::Color(0x00FFFFFFu));
  EXPECT_DOUBLE_EQ(w->BackRA1()->BorderThickness(), 3.0);
  // The canvas takes no keyboard focus; the stepper neither.
  EXPECT_EQ(w->QuorixCV()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(w->UDArrows0()->focusPolicy(), Qt::NoFocus);
}

TEST_F(WindowCreation, TheWindowTakesItsRecordBackdropAndMenuBar) {
  EXPECT_EQ(w->Title(), "Quorix");
  EXPECT_EQ(w->Width(), 676);
  EXPECT_EQ(w->Height(), 506);
  EXPECT_EQ(w->MinimumWidth(), 64);
  EXPECT_EQ(w->MinimumHeight(), 64);
  EXPECT_EQ(w->MaximumWidth(), 32000);
  EXPECT_EQ(w->MaximumHeight(), 32000);
  EXPECT_TRUE(w->Resizeable());
  EXPECT_TRUE(w->HasCloseButton());
  EXPECT_FALSE(w->HasFullScreenButton());
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w->HasBackgroundColor());
  EXPECT_EQ(w->DefaultLocation(), 2);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->Content()->size(), QSize(676, 506));
  // The backdrop picture is the resource, opened once.
  ASSERT_NE(w->Backdrop(), nullptr);
  EXPECT_EQ(w->Backdrop(), quorixBack());
  EXPECT_EQ(w->Backdrop()->Width(), 676);
  EXPECT_EQ(w->Backdrop()->Height(), 506);
  EXPECT_EQ(w->Backdrop()->RGBSurface().Pixel(10, 10).Transparency(), 0);
  // One menu bar for the application and the window.
  EXPECT_EQ(w->MenuBar(), MainMenuBar::Instance());
}

TEST_F(WindowCreation, PropertiesAfterStartUp) {
  EXPECT_EQ(w->mn, 100);
  EXPECT_EQ(w->mw, 4.0);
  EXPECT_EQ(w->ma, -1.0);
  EXPECT_EQ(w->mb, 1.0);
  EXPECT_EQ(w->mx, 0.0);
  EXPECT_EQ(w->my, 0.0);
  EXPECT_EQ(w->mpixcel, 500);
  EXPECT_EQ(w->selectColorSet, 0);
  EXPECT_EQ(w->xx, 0);
  EXPECT_EQ(w->yy, 0);
  EXPECT_EQ(w->clickX, 0);
  EXPECT_EQ(w->ClickY, 0);
  ASSERT_NE(w->CVBackdrop, nullptr);
  EXPECT_EQ(w->CVBackdrop->Width(), 500);
  EXPECT_EQ(w->CVBackdrop->Height(), 500);
  for (int64_t i = 0; i < 500 * 500; ++i) ASSERT_EQ(w->CVBackdrop->Data()[i], 0xFFFFFFFFu) << i;
  EXPECT_EQ(w->QuorixCV()->Backdrop(), w->CVBackdrop);
  EXPECT_EQ(w->CVBackdrop->Graphics().DrawingColor(), fw::Color(0xFFFFFFFFu));
  EXPECT_EQ(w->BackRA0()->FillColor(), fw::Color(0xFF000000u));
  // Transparent, not opaque, movable by its background.
  EXPECT_EQ(w->NativeBackgroundColor().alpha(), 0);
  EXPECT_FALSE(w->IsOpaque());
  EXPECT_TRUE(w->MovableByBackground());
  // Render buttons, Reset and the popup are mini, with the small font.
  for (fw::Control* c : std::initializer_list<fw::Control*>{w->QuorixPB0(), w->QuorixPB9(), w->ResetButton(), w->ColorPM()}) {
    EXPECT_EQ(c->ControlSize(), fw::ControlSize::Mini) << c->Name();
    EXPECT_EQ(c->Widget()->font().pixelSize(), fw::kSmallSystemFontSize) << c->Name();
  }
  EXPECT_EQ(w->EF(0)->ControlSize(), fw::ControlSize::Regular);
}

// A window that notes its state right after the controls are created.
class ObservedMW : public MW {
 public:
  void CreateControls() override {
    MW::CreateControls();
    mnAfterCreation = mn;
    backdropAfterCreation = CVBackdrop != nullptr;
    canvasBackdropAfterCreation = QuorixCV()->Backdrop() != nullptr;
    buttonSizeAfterCreation = QuorixPB0()->ControlSize();
    frameFillAfterCreation = BackRA0()->FillColor();
    selectAfterCreation = selectColorSet;
  }
  int64_t mnAfterCreation = -1;
  bool backdropAfterCreation = true, canvasBackdropAfterCreation = true;
  fw::ControlSize buttonSizeAfterCreation = fw::ControlSize::Small;
  fw::Color frameFillAfterCreation;
  int64_t selectAfterCreation = -1;
};

TEST(WindowLifecycle, NoHandlerRunsWhileTheControlsAreCreated) {
  ReportCapture capture;
  ObservedMW w;
  EXPECT_EQ(w.mn, 0);
  EXPECT_EQ(w.CVBackdrop, nullptr);
  w.Construct();
  EXPECT_EQ(w.mnAfterCreation, 0);
  EXPECT_FALSE(w.backdropAfterCreation);
  EXPECT_FALSE(w.canvasBackdropAfterCreation);
  EXPECT_EQ(w.buttonSizeAfterCreation, fw::ControlSize::Regular);
  EXPECT_EQ(w.frameFillAfterCreation, fw::Color(0x00FFFFFFu));  // the record's white
  EXPECT_EQ(w.selectAfterCreation, 0);
  // After opening, every Open handler has run once.
  EXPECT_EQ(w.mn, 100);
  EXPECT_NE(w.CVBackdrop, nullptr);
  EXPECT_TRUE(capture.reports.empty());
  // 42 bindings: ten render buttons with two each, Reset two, seven steppers
  // two each, the popup two, the canvas three, the frame one.
  size_t bindings = 0;
  for (size_t i = 0; i < w.ControlCount(); ++i) {
    fw::Control* c = w.ControlAt(i);
    if (auto* b = dynamic_cast<fw::PushButton*>(c)) bindings += b->Action.HandlerCount() + b->Open.HandlerCount();
    if (auto* u = dynamic_cast<fw::UpDownArrows*>(c)) bindings += u->Up.HandlerCount() + u->Down.HandlerCount() + u->Open.HandlerCount();
    if (auto* p = dynamic_cast<fw::PopupMenu*>(c)) bindings += p->Change.HandlerCount() + p->Open.HandlerCount();
    if (auto* cv = dynamic_cast<fw::CanvasControl*>(c)) bindings += cv->MouseDown.HandlerCount() + cv->MouseUp.HandlerCount() + cv->Open.HandlerCount();
    if (auto* r = dynamic_cast<fw::Rectangle*>(c)) bindings += r->Open.HandlerCount();
    if (auto* t = dynamic_cast<fw::TextField*>(c)) bindings += t->Open.HandlerCount();
    if (auto* l = dynamic_cast<fw::Label*>(c)) bindings += l->Open.HandlerCount();
  }
  EXPECT_EQ(bindings, 42u);
}

TEST(WindowLifecycle, AWindowDestroyedBeforeItOpensReleasesNothing) {
  auto w = std::make_unique<MW>();
  EXPECT_EQ(w->mpixcel, 0);
  EXPECT_EQ(w->CVBackdrop, nullptr);
  EXPECT_EQ(w->ControlCount(), 0u);
  w.reset();
}

TEST(WindowLifecycle, DestroyingTheWindowReleasesTheCanvasPicture) {
  ReportCapture capture;
  auto w = OpenWindow();
  std::weak_ptr<fw::Picture> picture = w->CVBackdrop;
  w.reset();
  EXPECT_TRUE(picture.expired());
}

TEST(Menus, TheTreeAsBuiltWithShortcutsInThePlatformsNotation) {
  std::shared_ptr<MainMenuBar> bar = MainMenuBar::Instance();
  EXPECT_EQ(bar, MainMenuBar::Instance());
  ASSERT_EQ(bar->Count(), 2u);
  auto file = bar->Item(0), edit = bar->Item(1);
  EXPECT_EQ(file->Name(), "FileMenu");
  EXPECT_EQ(file->Value(), "&File");
  EXPECT_EQ(edit->Name(), "EditMenu");
  ASSERT_EQ(file->Count(), 2u);
  EXPECT_EQ(file->Item(0)->Name(), "FileQuit");
  EXPECT_NE(std::dynamic_pointer_cast<fw::QuitMenuItem>(file->Item(0)), nullptr);
  EXPECT_EQ(file->Item(0)->Shortcut(), "Cmd+Q");
  EXPECT_EQ(file->Item(1)->Name(), "FileSave");
  EXPECT_EQ(file->Item(1)->Value(), "Save");
  EXPECT_EQ(file->Item(1)->Shortcut(), "Cmd+S");
  const char* names[] = {"EditUndo", "EditSeparator1", "EditCut", "EditCopy", "EditPaste", "EditClear", "EditSeparator2", "EditSelectAll"};
  const char* captions[] = {"&Undo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-", "Select &All"};
  const char* shortcuts[] = {"Cmd+Z", "", "Cmd+X", "Cmd+C", "Cmd+V", "", "", "Cmd+A"};
  ASSERT_EQ(edit->Count(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(edit->Item(i)->Name(), names[i]);
    EXPECT_EQ(edit->Item(i)->Value(), captions[i]);
    EXPECT_EQ(edit->Item(i)->Shortcut(), shortcuts[i]);
    EXPECT_TRUE(edit->Item(i)->AutoEnabled());
  }
  EXPECT_TRUE(edit->Item(1)->IsSeparator());
  EXPECT_FALSE(edit->Item(1)->ShortcutSet());
  EXPECT_TRUE(edit->Item(5)->ShortcutSet());
  EXPECT_EQ(bar->Lookup("EditPaste"), edit->Item(4));
  EXPECT_EQ(bar->Child("EditPaste"), nullptr);

  ReportCapture capture;
  auto w = OpenWindow();
  EXPECT_EQ(w->FileQuit(), file->Item(0));
  EXPECT_EQ(w->EditSelectAll(), edit->Item(7));
  ASSERT_NE(w->MenuAction("FileSave"), nullptr);
  EXPECT_EQ(w->MenuAction("FileSave")->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
  EXPECT_EQ(w->MenuAction("FileQuit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
  EXPECT_TRUE(w->MenuAction("EditClear")->shortcut().isEmpty());
  // Save has a handler and Quit its own action; the Edit commands have no code.
  EXPECT_TRUE(w->MenuAction("FileSave")->isEnabled());
  EXPECT_TRUE(w->MenuAction("FileQuit")->isEnabled());
  EXPECT_FALSE(w->MenuAction("EditCopy")->isEnabled());
  EXPECT_TRUE(w->HasMenuHandler("FileSave"));
  EXPECT_FALSE(w->HasMenuHandler("EditCopy"));
  EXPECT_FALSE(w->HandleMenuCommand(*w->EditCopy()));
  // The window's handler takes the command in place of the item's own action.
  int runs = 0;
  w->AddMenuHandler("FileQuit", [&runs] { return ++runs > 0; });
  EXPECT_TRUE(w->HandleMenuCommand(*w->FileQuit()));
  w->MenuAction("FileQuit")->trigger();
  EXPECT_EQ(runs, 2);
}

TEST(StartUp, ApplicationObjectImplicitWindowAndQuit) {
  ReportCapture capture;
  startup::NewAppInstance();
  fw::Application* app = fw::Application::Current();
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(app->Version().major, 1);
  EXPECT_EQ(app->Version().minor, 0);
  EXPECT_EQ(app->Version().bug, 0);
  EXPECT_EQ(app->Version().stageCode, 0);
  EXPECT_EQ(app->Version().nonRelease, 0);
  EXPECT_TRUE(app->Version().shortVersion.empty());
  EXPECT_FALSE(app->IsEventImplemented("Open"));
  EXPECT_EQ(app->MenuBar(), MainMenuBar::Instance());

  startup::MakeDefaultView();
  MW* w = MW::Implicit();
  EXPECT_EQ(w, MW::Implicit());
  EXPECT_EQ(w->MenuBar(), app->MenuBar());
  EXPECT_TRUE(w->IsEventImplemented("MouseDown"));
  EXPECT_FALSE(w->IsEventImplemented("Paint"));
  // Closing the window quits with 0.
  fw::Quit(5);
  w->close();
  EXPECT_EQ(fw::QuitCode(), 0);
  startup::Finalise();
  EXPECT_EQ(fw::GetImplicitWindow(MW::kClassName), nullptr);
  EXPECT_EQ(fw::Application::Current(), nullptr);
  EXPECT_TRUE(capture.reports.empty());
}

}  // namespace
