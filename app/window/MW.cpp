#include "app/window/MW.h"

#include <set>

#include "app/MainMenuBar.h"
#include "app/window/Module1.h"
#include "app/window/QuorixBack.h"
#include "app/window/Records.h"
#include "framework/ui/Application.h"
#include "framework/ui/Report.h"

namespace {

using EFMember = class MW::EF;
using STMember = class MW::ST;

const records::ControlDesign& Row(size_t row) { return records::ControlTable().at(row - 1); }

// The design row of the first-created member of an array.
const records::ControlDesign& FirstMember(std::string_view name) {
  for (const auto& d : records::ControlTable())
    if (d.name == name) return d;
  throw fw::NilObjectException("The design has no member of " + std::string(name) + ".");
}

}  // namespace

// ------------------------------------------------------------ arrays EF, ST

MW::EF::EF(QWidget* parent, int64_t index) : fw::TextField(parent) { SetIndex(index); }

MW::EF::EF(fw::Window& window) : fw::TextField(window.Content()) {
  fw::SetProperties(*this, FirstMember("EF").record);
  SetIndex(0);
  window.AddControl("EF", this);
}

MW::ST::ST(QWidget* parent, int64_t index) : fw::Label(parent) { SetIndex(index); }

MW::ST::ST(fw::Window& window) : fw::Label(window.Content()) {
  fw::SetProperties(*this, FirstMember("ST").record);
  SetIndex(0);
  window.AddControl("ST", this);
}

// ------------------------------------------------------------------ window

MW::MW() = default;

MW::~MW() { CVBackdrop.reset(); }

MW* MW::Implicit() {
  if (fw::Window* existing = fw::GetImplicitWindow(kClassName)) {
    auto* w = dynamic_cast<MW*>(existing);
    if (w == nullptr) throw fw::IllegalCastException("The implicit window of MW.MW is no MW.");
    return w;
  }
  auto* w = new MW();
  fw::SetImplicitWindow(kClassName, w);
  w->Construct();
  return w;
}

void MW::Layout() {
  SetBackdrop(quorixBack());
  SetMenuBar(MainMenuBar::Instance());
  fw::SetProperties(*this, records::WindowRecord());
}

void MW::CreateControls() {
  CreateControls0();
  CreateControls1();
}

template <class T>
T* MW::Typed(fw::Control* control, const std::string& what) {
  if (control == nullptr) return nullptr;
  T* typed = dynamic_cast<T*>(control);
  if (typed == nullptr)
    throw fw::IllegalCastException("The control " + what + " is a " + control->ClassName() + ".");
  return typed;
}

template <class T>
T* MW::Named(const std::string& name) {
  return Typed<T>(ControlByName(name), name);
}

template <class T>
T* MW::Member(const std::string& name, int64_t index) {
  return Typed<T>(ControlByNameIndex(name, index), name + "(" + std::to_string(index) + ")");
}

template <class T>
void MW::Make(size_t row, const char* name) {
  const records::ControlDesign& d = Row(row);
  if (d.name != name || d.index != fw::kNoControlIndex)
    throw fw::RuntimeException("Design row " + std::to_string(row) + " is not " + name + ".");
  AddControl(name, New<T>());
  fw::SetProperties(fw::Deref(Named<T>(name), name), d.record);
}

template <class ArrayClass, class Base>
void MW::MakeMember(size_t row, const char* name, int64_t index) {
  const records::ControlDesign& d = Row(row);
  if (d.name != name || d.index != index)
    throw fw::RuntimeException("Design row " + std::to_string(row) + " is not " + name + "(" +
                               std::to_string(index) + ").");
  AddControl(name, New<ArrayClass>(index));
  fw::SetProperties(fw::Deref(Member<Base>(name, index), name), d.record);
}

template <class T, class E, class C, class M>
void MW::Bind(const char* name, E C::*event, M handler) {
  T& control = fw::Deref(Named<T>(name), name);
  fw::AddHandler(control.*event, this, handler);
}

// A render button: its render command (MWModel's) on Action, then its Open
// handler.
void MW::MakeRenderButton(size_t row, const char* name, void (MWModel::*action)(fw::PushButton*),
                          void (MW::*open)(fw::PushButton*)) {
  Make<fw::PushButton>(row, name);
  Bind<fw::PushButton>(name, &fw::PushButton::Action, action);
  Bind<fw::PushButton>(name, &fw::PushButton::Open, open);
}

// A stepper: Down, then Up.
void MW::MakeStepper(size_t row, const char* name, void (MW::*down)(fw::UpDownArrows*),
                     void (MW::*up)(fw::UpDownArrows*)) {
  Make<fw::UpDownArrows>(row, name);
  Bind<fw::UpDownArrows>(name, &fw::UpDownArrows::Down, down);
  Bind<fw::UpDownArrows>(name, &fw::UpDownArrows::Up, up);
}

void MW::CreateControls0() {
  using fw::CanvasControl, fw::PushButton, fw::Rectangle, fw::TextField, fw::Label;
  Make<Rectangle>(1, "BackRA0");
  Bind<Rectangle>("BackRA0", &Rectangle::Open, &MW::BackRA0_Open);
  Make<CanvasControl>(2, "QuorixCV");
  Bind<CanvasControl>("QuorixCV", &CanvasControl::MouseDown, &MW::QuorixCV_MouseDown);
  Bind<CanvasControl>("QuorixCV", &CanvasControl::MouseUp, &MW::QuorixCV_MouseUp);
  Bind<CanvasControl>("QuorixCV", &CanvasControl::Open, &MW::QuorixCV_Open);
  Make<Rectangle>(3, "BackRA1");
  MakeMember<EFMember, TextField>(4, "EF", 5);
  MakeRenderButton(5, "QuorixPB0", &MW::QuorixPB0_Action, &MW::QuorixPB0_Open);
  MakeRenderButton(6, "QuorixPB3", &MW::QuorixPB3_Action, &MW::QuorixPB3_Open);
  MakeRenderButton(7, "QuorixPB2", &MW::QuorixPB2_Action, &MW::QuorixPB2_Open);
  MakeRenderButton(8, "QuorixPB1", &MW::QuorixPB1_Action, &MW::QuorixPB1_Open);
  MakeMember<EFMember, TextField>(9, "EF", 4);
  MakeMember<EFMember, TextField>(10, "EF", 3);
  MakeMember<STMember, Label>(11, "ST", 716);
  MakeMember<STMember, Label>(12, "ST", 415);
  MakeMember<STMember, Label>(13, "ST", 13);
  MakeMember<STMember, Label>(14, "ST", 12);
  MakeMember<STMember, Label>(15, "ST", 11);
  MakeMember<STMember, Label>(16, "ST", 10);
  MakeMember<STMember, Label>(17, "ST", 1);
  MakeStepper(18, "UDArrows3", &MW::UDArrows3_Down, &MW::UDArrows3_Up);
  MakeStepper(19, "UDArrows4", &MW::UDArrows4_Down, &MW::UDArrows4_Up);
  MakeStepper(20, "UDArrows5", &MW::UDArrows5_Down, &MW::UDArrows5_Up);
  MakeMember<STMember, Label>(21, "ST", 1514);
  MakeMember<STMember, Label>(22, "ST", 1617);
  MakeMember<STMember, Label>(23, "ST", 1718);
  MakeMember<EFMember, TextField>(24, "EF", 6);
  MakeStepper(25, "UDArrows6", &MW::UDArrows6_Down, &MW::UDArrows6_Up);
  MakeRenderButton(26, "QuorixPB4", &MW::QuorixPB4_Action, &MW::QuorixPB4_Open);
  MakeRenderButton(27, "QuorixPB5", &MW::QuorixPB5_Action, &MW::QuorixPB5_Open);
  MakeRenderButton(28, "QuorixPB6", &MW::QuorixPB6_Action, &MW::QuorixPB6_Open);
  Make<PushButton>(29, "ResetButton");
  Bind<PushButton>("ResetButton", &PushButton::Open, &MW::ResetButton_Open);
  Bind<PushButton>("ResetButton", &PushButton::Action, &MW::ResetButton_Action);
  MakeRenderButton(30, "QuorixPB8", &MW::QuorixPB8_Action, &MW::QuorixPB8_Open);
}

void MW::CreateControls1() {
  using fw::PopupMenu, fw::TextField, fw::Label;
  MakeMember<STMember, Label>(31, "ST", 0);
  MakeMember<EFMember, TextField>(32, "EF", 0);
  MakeMember<STMember, Label>(33, "ST", 4);
  MakeMember<STMember, Label>(34, "ST", 3);
  MakeMember<STMember, Label>(35, "ST", 2);
  MakeStepper(36, "UDArrows0", &MW::UDArrows0_Down, &MW::UDArrows0_Up);
  MakeMember<EFMember, TextField>(37, "EF", 2);
  MakeMember<EFMember, TextField>(38, "EF", 1);
  MakeMember<STMember, Label>(39, "ST", 9);
  MakeMember<STMember, Label>(40, "ST", 8);
  MakeMember<STMember, Label>(41, "ST", 7);
  MakeMember<STMember, Label>(42, "ST", 6);
  MakeMember<STMember, Label>(43, "ST", 5);
  MakeStepper(44, "UDArrows1", &MW::UDArrows1_Down, &MW::UDArrows1_Up);
  MakeStepper(45, "UDArrows2", &MW::UDArrows2_Down, &MW::UDArrows2_Up);
  Make<PopupMenu>(46, "ColorPM");
  Bind<PopupMenu>("ColorPM", &PopupMenu::Open, &MW::ColorPM_Open);
  Bind<PopupMenu>("ColorPM", &PopupMenu::Change, &MW::ColorPM_Change);
  MakeRenderButton(47, "QuorixPB7", &MW::QuorixPB7_Action, &MW::QuorixPB7_Open);
  MakeRenderButton(48, "QuorixPB9", &MW::QuorixPB9_Action, &MW::QuorixPB9_Open);
  MakeMember<STMember, Label>(49, "ST", 1919);
  MakeMember<STMember, Label>(50, "ST", 2020);
}

// --------------------------------------------------------- control accessors

fw::Rectangle* MW::BackRA0() { return Named<fw::Rectangle>("BackRA0"); }
fw::CanvasControl* MW::QuorixCV() { return Named<fw::CanvasControl>("QuorixCV"); }
fw::Rectangle* MW::BackRA1() { return Named<fw::Rectangle>("BackRA1"); }
fw::TextField* MW::EF(int64_t index) { return Member<fw::TextField>("EF", index); }
fw::PushButton* MW::QuorixPB0() { return Named<fw::PushButton>("QuorixPB0"); }
fw::PushButton* MW::QuorixPB3() { return Named<fw::PushButton>("QuorixPB3"); }
fw::PushButton* MW::QuorixPB2() { return Named<fw::PushButton>("QuorixPB2"); }
fw::PushButton* MW::QuorixPB1() { return Named<fw::PushButton>("QuorixPB1"); }
fw::Label* MW::ST(int64_t index) { return Member<fw::Label>("ST", index); }
fw::UpDownArrows* MW::UDArrows3() { return Named<fw::UpDownArrows>("UDArrows3"); }
fw::UpDownArrows* MW::UDArrows4() { return Named<fw::UpDownArrows>("UDArrows4"); }
fw::UpDownArrows* MW::UDArrows5() { return Named<fw::UpDownArrows>("UDArrows5"); }
fw::UpDownArrows* MW::UDArrows6() { return Named<fw::UpDownArrows>("UDArrows6"); }
fw::PushButton* MW::QuorixPB4() { return Named<fw::PushButton>("QuorixPB4"); }
fw::PushButton* MW::QuorixPB5() { return Named<fw::PushButton>("QuorixPB5"); }
fw::PushButton* MW::QuorixPB6() { return Named<fw::PushButton>("QuorixPB6"); }
fw::PushButton* MW::ResetButton() { return Named<fw::PushButton>("ResetButton"); }
fw::PushButton* MW::QuorixPB8() { return Named<fw::PushButton>("QuorixPB8"); }
fw::UpDownArrows* MW::UDArrows0() { return Named<fw::UpDownArrows>("UDArrows0"); }
fw::UpDownArrows* MW::UDArrows1() { return Named<fw::UpDownArrows>("UDArrows1"); }
fw::UpDownArrows* MW::UDArrows2() { return Named<fw::UpDownArrows>("UDArrows2"); }
fw::PopupMenu* MW::ColorPM() { return Named<fw::PopupMenu>("ColorPM"); }
fw::PushButton* MW::QuorixPB7() { return Named<fw::PushButton>("QuorixPB7"); }
fw::PushButton* MW::QuorixPB9() { return Named<fw::PushButton>("QuorixPB9"); }

// ------------------------------------------------- frame and canvas handlers

void MW::BackRA0_Open(fw::Rectangle* sender) {
  fw::Deref(sender, "BackRA0").SetFillColor(fw::Color(0xFF000000u));
}

bool MW::QuorixCV_MouseDown(fw::CanvasControl*, int64_t X, int64_t Y) {
  clickX = X;
  ClickY = Y;
  xx = X;
  yy = Y;
  return true;
}

void MW::QuorixCV_MouseUp(fw::CanvasControl* sender, int64_t X, int64_t) {
  fw::Picture& picture = fw::Deref(fw::Deref(sender, "QuorixCV").Backdrop(), "QuorixCV.Backdrop");
  // A square from the press point, its side the horizontal distance moved.
  const int64_t side = X - xx;
  picture.Graphics().DrawRect(static_cast<double>(xx), static_cast<double>(yy), static_cast<double>(side),
                              static_cast<double>(side));
}

void MW::QuorixCV_Open(fw::CanvasControl*) {}

// ---------------------------------------------------------------- menus

std::shared_ptr<fw::MenuItem> MW::MenuItemNamed(const char* name) {
  return fw::Deref(MenuBar(), "MW.MenuBar").Lookup(name);
}

std::shared_ptr<fw::MenuItem> MW::EditMenu() { return MenuItemNamed("EditMenu"); }
std::shared_ptr<fw::MenuItem> MW::EditSelectAll() { return MenuItemNamed("EditSelectAll"); }
std::shared_ptr<fw::MenuItem> MW::EditSeparator2() { return MenuItemNamed("EditSeparator2"); }
std::shared_ptr<fw::MenuItem> MW::EditClear() { return MenuItemNamed("EditClear"); }
std::shared_ptr<fw::MenuItem> MW::EditPaste() { return MenuItemNamed("EditPaste"); }
std::shared_ptr<fw::MenuItem> MW::EditCopy() { return MenuItemNamed("EditCopy"); }
std::shared_ptr<fw::MenuItem> MW::EditCut() { return MenuItemNamed("EditCut"); }
std::shared_ptr<fw::MenuItem> MW::EditSeparator1() { return MenuItemNamed("EditSeparator1"); }
std::shared_ptr<fw::MenuItem> MW::EditUndo() { return MenuItemNamed("EditUndo"); }
std::shared_ptr<fw::MenuItem> MW::FileMenu() { return MenuItemNamed("FileMenu"); }
std::shared_ptr<fw::MenuItem> MW::FileSave() { return MenuItemNamed("FileSave"); }
std::shared_ptr<fw::QuitMenuItem> MW::FileQuit() {
  std::shared_ptr<fw::MenuItem> item = MenuItemNamed("FileQuit");
  auto quit = std::dynamic_pointer_cast<fw::QuitMenuItem>(item);
  if (item && !quit) throw fw::IllegalCastException("FileQuit is no QuitMenuItem.");
  return quit;
}

void MW::AddMenuHandlers(fw::Window& w) {
  fw::Window* window = &w;
  w.AddMenuHandler("FileSave", [window] {
    auto* mw = dynamic_cast<MW*>(window);
    if (mw == nullptr) throw fw::IllegalCastException("The window is no MW.");
    return mw->FileSave_Action();
  });
}

// ------------------------------------------------------- the window's events

void MW::Event_Open() {
  Module1::MakeWindowTransparent(Handle());
  Module1::SetMovableWindow(Handle());
  fw::CanvasControl& cv = fw::Deref(QuorixCV(), "QuorixCV");
  CVBackdrop = fw::NewPicture(cv.Width(), cv.Height());
  CVBackdrop->Graphics().SetDrawingColor(fw::colors::kTransparentWhite);
  CVBackdrop->Graphics().FillRect(0, 0, static_cast<double>(cv.Width()), static_cast<double>(cv.Height()));
  cv.SetBackdrop(CVBackdrop);
}

void MW::Event_Close() { fw::Quit(0); }

bool MW::Event_MouseDown(int64_t, int64_t) { return false; }

bool MW::IsEventImplemented(const std::string& eventName) const {
  static const std::set<std::string> implemented = {"Layout", "CreateControls", "AddMenuHandlers",
                                                    "Open",   "Close",          "MouseDown"};
  return implemented.count(eventName) != 0;
}
