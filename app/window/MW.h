#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "framework/ui/Menu.h"
#include "framework/ui/Widgets.h"
#include "framework/ui/Window.h"
#include "render/MWModel.h"

// The explorer window: the one window of the application and its whole
// state (MWModel). It builds its 50 controls from their design records
// (Records.cpp, in creation order), binds their events to its handlers and
// opens transparent over its backdrop picture. The framework knows the
// class as "MW.MW".
//
// Where each control's code is:
//
//   control                  shows / does                     handlers                        file
//   BackRA0                  frame around the canvas          BackRA0_Open                    MW.cpp
//   QuorixCV                 the canvas: the rendered picture QuorixCV_MouseDown, _MouseUp,   MW.cpp
//                                                             _Open
//   BackRA1                  the panel behind the controls    -
//   EF(0)..EF(6)             the parameters mn, mx, my, ma,   - (read-only; written by the    MWPanel.cpp
//                            mb, mw, mpixcel                  steppers and Reset)
//   ST(...)                  captions and headings            -
//   UDArrows0..UDArrows6     step EF(k) and its parameter     UDArrowsk_Down, UDArrowsk_Up    MWPanel.cpp
//                            (limits, steps: MWPanel.h)
//   ResetButton "Reset"      restores the default parameters  ResetButton_Open, _Action       MWPanel.cpp
//   ColorPM                  chooses the color set            ColorPM_Open, ColorPM_Change    MWPanel.cpp
//   QuorixPB0..QuorixPB9     render one picture each: button  QuorixPBn_Action (MWModel)      render/Commands.cpp
//                            n is "Quorixn", 5 and 6 are      QuorixPBn_Open (mini size)      MWPanel.cpp
//                            "Julia0" and "Julia1"
//   File > Save              the canvas as a PNG file         FileSave_Action                 MWSave.cpp
//   the window               Open, Close, MouseDown           Event_Open, _Close, _MouseDown  MW.cpp
//
// Every control is made and its events bound in MW.cpp (CreateControls0,
// CreateControls1); the accessors (BackRA0() .. QuorixPB9(), EF(i), ST(i))
// find a control again by its name (and index) and are defined there, as
// are the menu-item accessors. RandomColor0..4 and ColorSetChange are MWModel's
// (render/Commands.cpp).
class MW : public fw::Window, public MWModel {
 public:
  static constexpr const char* kClassName = "MW.MW";

  // The text-field array EF and the label array ST.
  class EF : public fw::TextField {
   public:
    // A member with its index (the creation passes make every member so).
    EF(QWidget* parent, int64_t index);
    // A member made without an index: the first member's design, index 0,
    // registered with the window under "EF".
    explicit EF(fw::Window& window);
  };
  class ST : public fw::Label {
   public:
    ST(QWidget* parent, int64_t index);
    explicit ST(fw::Window& window);
  };

  MW();
  ~MW() override;

  // The implicit instance: the window of this class, made (and opened) on
  // the first request.
  static MW* Implicit();

  // Set-up and the two creation passes.
  void Layout() override;
  void CreateControls() override;
  void CreateControls0();
  void CreateControls1();

  // Control accessors (nullptr when the window has no such control).
  fw::Rectangle* BackRA0();
  fw::CanvasControl* QuorixCV() override;
  fw::Rectangle* BackRA1();
  fw::TextField* EF(int64_t index);
  fw::PushButton* QuorixPB0();
  fw::PushButton* QuorixPB3();
  fw::PushButton* QuorixPB2();
  fw::PushButton* QuorixPB1();
  fw::Label* ST(int64_t index);
  fw::UpDownArrows* UDArrows3();
  fw::UpDownArrows* UDArrows4();
  fw::UpDownArrows* UDArrows5();
  fw::UpDownArrows* UDArrows6();
  fw::PushButton* QuorixPB4();
  fw::PushButton* QuorixPB5();
  fw::PushButton* QuorixPB6();
  fw::PushButton* ResetButton();
  fw::PushButton* QuorixPB8();
  fw::UpDownArrows* UDArrows0();
  fw::UpDownArrows* UDArrows1();
  fw::UpDownArrows* UDArrows2();
  fw::PopupMenu* ColorPM();
  fw::PushButton* QuorixPB7();
  fw::PushButton* QuorixPB9();

  // Control event handlers. The render commands QuorixPB0_Action to
  // QuorixPB9_Action are MWModel's.
  void BackRA0_Open(fw::Rectangle* sender);
  bool QuorixCV_MouseDown(fw::CanvasControl* sender, int64_t X, int64_t Y);
  void QuorixCV_MouseUp(fw::CanvasControl* sender, int64_t X, int64_t Y);
  void QuorixCV_Open(fw::CanvasControl* sender);
  void QuorixPB0_Open(fw::PushButton* sender);
  void QuorixPB3_Open(fw::PushButton* sender);
  void QuorixPB2_Open(fw::PushButton* sender);
  void QuorixPB1_Open(fw::PushButton* sender);
  void UDArrows3_Down(fw::UpDownArrows* sender);
  void UDArrows3_Up(fw::UpDownArrows* sender);
  void UDArrows4_Down(fw::UpDownArrows* sender);
  void UDArrows4_Up(fw::UpDownArrows* sender);
  void UDArrows5_Down(fw::UpDownArrows* sender);
  void UDArrows5_Up(fw::UpDownArrows* sender);
  void UDArrows6_Down(fw::UpDownArrows* sender);
  void UDArrows6_Up(fw::UpDownArrows* sender);
  void QuorixPB4_Open(fw::PushButton* sender);
  void QuorixPB5_Open(fw::PushButton* sender);
  void QuorixPB6_Open(fw::PushButton* sender);
  void ResetButton_Open(fw::PushButton* sender);
  void ResetButton_Action(fw::PushButton* sender);
  void QuorixPB8_Open(fw::PushButton* sender);
  void UDArrows0_Down(fw::UpDownArrows* sender);
  void UDArrows0_Up(fw::UpDownArrows* sender);
  void UDArrows1_Down(fw::UpDownArrows* sender);
  void UDArrows1_Up(fw::UpDownArrows* sender);
  void UDArrows2_Down(fw::UpDownArrows* sender);
  void UDArrows2_Up(fw::UpDownArrows* sender);
  void ColorPM_Open(fw::PopupMenu* sender);
  void ColorPM_Change(fw::PopupMenu* sender);
  void QuorixPB7_Open(fw::PushButton* sender);
  void QuorixPB9_Open(fw::PushButton* sender);

  // Menu-item accessors (the items of the window's menu bar).
  std::shared_ptr<fw::MenuItem> EditMenu();
  std::shared_ptr<fw::MenuItem> EditSelectAll();
  std::shared_ptr<fw::MenuItem> EditSeparator2();
  std::shared_ptr<fw::MenuItem> EditClear();
  std::shared_ptr<fw::MenuItem> EditPaste();
  std::shared_ptr<fw::MenuItem> EditCopy();
  std::shared_ptr<fw::MenuItem> EditCut();
  std::shared_ptr<fw::MenuItem> EditSeparator1();
  std::shared_ptr<fw::MenuItem> EditUndo();
  std::shared_ptr<fw::MenuItem> FileMenu();
  std::shared_ptr<fw::MenuItem> FileSave();
  std::shared_ptr<fw::QuitMenuItem> FileQuit();

  // Menu handlers and the window's own events.
  void AddMenuHandlers(fw::Window& w) override;
  void Event_Open() override;
  void Event_Close() override;
  bool Event_MouseDown(int64_t X, int64_t Y) override;
  bool FileSave_Action();

  // Whether the class handles the window event of that name.
  bool IsEventImplemented(const std::string& eventName) const;

 private:
  // The control as class T: nullptr when there is none,
  // IllegalCastException (naming it as what) when it is of another class.
  template <class T>
  static T* Typed(fw::Control* control, const std::string& what);
  // The registered control of that name, or the array member of that name
  // and index, as class T.
  template <class T>
  T* Named(const std::string& name);
  template <class T>
  T* Member(const std::string& name, int64_t index);
  // Creating one control of the design table (row 1 to 50): made, registered
  // under its name (and index), looked up again and given its record.
  template <class T>
  void Make(size_t row, const char* name);
  template <class ArrayClass, class Base>
  void MakeMember(size_t row, const char* name, int64_t index);
  // Binds an event of the named control to a handler of this window.
  template <class T, class E, class C, class M>
  void Bind(const char* name, E C::*event, M handler);
  void MakeRenderButton(size_t row, const char* name, void (MWModel::*action)(fw::PushButton*),
                        void (MW::*open)(fw::PushButton*));
  void MakeStepper(size_t row, const char* name, void (MW::*down)(fw::UpDownArrows*),
                   void (MW::*up)(fw::UpDownArrows*));
  std::shared_ptr<fw::MenuItem> MenuItemNamed(const char* name);
};
