#pragma once
#include <QColor>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Picture.h"
#include "framework/core/PropertyRecord.h"
#include "framework/ui/Control.h"
#include "framework/ui/DisplayImage.h"
#include "framework/ui/Menu.h"

class QAction;
class QMenuBar;

namespace fw {

// A top-level window: its backdrop picture, its menu bar, its controls
// (registered by name, and by name and index for control-array members)
// and its own events as virtual methods. The content area (below the menu
// bar) has the window's Width and Height; controls use its coordinates.
//
// Construct() builds the window the way every window is built: the set-up
// events Layout, CreateControls and AddMenuHandlers, then the Open event of
// every control (in creation order) and of the window, then it is shown if
// its design makes it visible. Every event runs through the framework's
// dispatch: an exception is reported and the next step runs.
class Window : public QWidget {
 public:
  Window();
  ~Window() override;

  void Construct();

  // ---- set-up events and the window's own events
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void AddMenuHandlers(Window& /*w*/) {}
  virtual void Event_Open() {}
  virtual void Event_Close() {}
  virtual bool Event_MouseDown(int64_t /*X*/, int64_t /*Y*/) { return false; }

  // ---- pictures and menus
  const std::shared_ptr<Picture>& Backdrop() const { return backdrop_; }
  void SetBackdrop(std::shared_ptr<Picture> picture);
  const std::shared_ptr<fw::MenuBar>& MenuBar() const { return menuBar_; }
  void SetMenuBar(std::shared_ptr<fw::MenuBar> bar);
  // The menu action built for the item of that name, or nullptr.
  QAction* MenuAction(const std::string& itemName) const;

  // Records the handler of the menu command with that item name.
  void AddMenuHandler(const std::string& itemName, std::function<bool()> handler);
  bool HasMenuHandler(const std::string& itemName) const { return menuHandlers_.count(itemName) != 0; }
  // Runs the command of the item: the window's handler for its name, else
  // the item's own action. Answers whether the command was handled.
  bool HandleMenuCommand(MenuItem& item);

  // ---- the native window: a handle, and FromHandle for live windows only
  intptr_t Handle() const { return reinterpret_cast<intptr_t>(this); }
  static Window* FromHandle(intptr_t handle);

  // ---- design properties (the window record)
  bool ApplyProperty(std::string_view key, const PropertyValue& value);
  int64_t Width() const { return contentSize_.width(); }
  int64_t Height() const { return contentSize_.height(); }
  void SetWidth(int64_t v);
  void SetHeight(int64_t v);
  int64_t MinimumWidth() const { return minSize_.width(); }
  int64_t MinimumHeight() const { return minSize_.height(); }
  int64_t MaximumWidth() const { return maxSize_.width(); }
  int64_t MaximumHeight() const { return maxSize_.height(); }
  std::string Title() const { return windowTitle().toStdString(); }
  int64_t Type() const { return type_; }
  bool HasCloseButton() const { return hasClose_; }
  bool HasMaximizeButton() const { return hasMaximize_; }
  bool HasMinimizeButton() const { return hasMinimize_; }
  bool HasFullScreenButton() const { return hasFullScreenButton_; }
  bool Resizeable() const { return resizeable_; }
  bool Composite() const { return composite_; }
  int64_t MacProcID() const { return macProcID_; }
  bool FullScreen() const { return fullScreen_; }
  int64_t DefaultLocation() const { return defaultLocation_; }
  bool DesignVisible() const { return designVisible_; }
  bool HasBackgroundColor() const { return hasBackgroundColor_; }
  fw::Color BackgroundColor() const { return backgroundColor_; }
  bool MenuBarVisible() const { return menuBarVisible_; }

  // ---- native appearance
  // The color painted behind the content; transparent lets the desktop through.
  QColor NativeBackgroundColor() const { return nativeBackground_; }
  void SetNativeBackgroundColor(const QColor& c);
  bool IsOpaque() const { return opaque_; }
  void SetOpaque(bool v);
  void InvalidateShadow();
  bool MovableByBackground() const { return movableByBackground_; }
  void SetMovableByBackground(bool v) { movableByBackground_ = v; }

  // ---- controls
  // Creates a control of class T in the window's content area (not yet registered).
  template <class T, class... Args>
  T* New(Args&&... args) {
    return new T(Content(), std::forward<Args>(args)...);
  }
  // Registers the control under the name (an array member keeps its index).
  void AddControl(const std::string& name, Control* control);
  Control* ControlByName(const std::string& name) const;
  Control* ControlByNameIndex(const std::string& name, int64_t index) const;
  size_t ControlCount() const { return controls_.size(); }
  Control* ControlAt(size_t i) const { return i < controls_.size() ? controls_[i] : nullptr; }
  QWidget* Content() const { return content_; }

  // Called by the content area.
  void BackgroundPressed(QMouseEvent* e);
  void BackgroundMoved(QMouseEvent* e);
  void BackgroundReleased(QMouseEvent* e);
  void PaintContent(QWidget* on);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  int MenuBarHeight() const;
  void LayoutChildren();
  void UpdateWindowFlags();
  void UpdateSizeLimits();
  void UpdateMenuStates();
  void ApplyTabOrder();
  void ShowAsDesigned();

  bool constructed_ = false;
  QWidget* content_;
  QMenuBar* nativeMenuBar_;
  std::shared_ptr<Picture> backdrop_;
  DisplayImage backdropImage_;
  std::shared_ptr<fw::MenuBar> menuBar_;
  std::map<std::string, QAction*> menuActions_;
  std::map<std::string, std::function<bool()>> menuHandlers_;
  std::vector<Control*> controls_;

  QSize contentSize_{100, 100};
  QSize minSize_{0, 0}, maxSize_{32000, 32000};
  int64_t type_ = 0, macProcID_ = 0, defaultLocation_ = 0;
  bool hasClose_ = true, hasMaximize_ = true, hasMinimize_ = true, hasFullScreenButton_ = false;
  bool resizeable_ = true, composite_ = false, fullScreen_ = false, designVisible_ = true;
  bool hasBackgroundColor_ = false, menuBarVisible_ = true;
  fw::Color backgroundColor_{0x00FFFFFFu};
  QColor nativeBackground_;
  bool opaque_ = true;
  bool movableByBackground_ = false;
  bool dragging_ = false;
  QPoint dragOffset_;
};

// Applies a property record to the window or a control, entry by entry in
// stored order; keys are matched without regard to letter case. A key that
// names no property of the object raises UnsupportedFormatException.
void SetProperties(Window& window, std::string_view record);
void SetProperties(Control& control, std::string_view record);

// The implicit instance of each window class, by class name.
Window* GetImplicitWindow(const std::string& className);
void SetImplicitWindow(const std::string& className, Window* window);
// Destroys every implicit window (the finalisers at shut-down).
void ReleaseImplicitWindows();

}  // namespace fw
