#pragma once
#include <QColor>
#include <QFont>
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/Color.h"
#include "framework/core/Controls.h"
#include "framework/core/PropertyRecord.h"
#include "framework/ui/Event.h"

namespace fw {

class Window;

// The size class of a control: regular, small or mini. Small and mini
// controls take the platform's small system font.
enum class ControlSize : int64_t { Regular = 0, Small = 1, Mini = 2 };

// Font sizes of the "System" font, in the design's points (device-independent
// pixels): the regular size and the small size of small and mini controls.
inline constexpr int kSystemFontSize = 11;
inline constexpr int kSmallSystemFontSize = 10;

// The "System" font at a pixel size.
QFont SystemFont(int pixelSize);

// The color of a color word as Qt sees it (alpha = 255 - transparency).
QColor ToQColor(fw::Color c);

// What every control of a window has besides its widget: its name and
// index, its window, its design properties and its Open event. Geometry is
// in window content coordinates.
class Control {
 public:
  virtual ~Control() = default;

  virtual QWidget* Widget() = 0;
  const QWidget* Widget() const { return const_cast<Control*>(this)->Widget(); }
  virtual const char* ClassName() const = 0;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  int64_t Index() const { return index_; }
  void SetIndex(int64_t index) { index_ = index; }
  // The window that the control was added to; nullptr before.
  fw::Window* Window() const { return window_; }

  int64_t Left() const { return Widget()->x(); }
  int64_t Top() const { return Widget()->y(); }
  int64_t ControlWidth() const { return Widget()->width(); }
  int64_t ControlHeight() const { return Widget()->height(); }
  void SetLeft(int64_t v);
  void SetTop(int64_t v);
  void SetWidth(int64_t v);
  void SetHeight(int64_t v);

  bool LockLeft() const { return lockLeft_; }
  bool LockTop() const { return lockTop_; }
  bool LockRight() const { return lockRight_; }
  bool LockBottom() const { return lockBottom_; }
  int64_t TabIndex() const { return tabIndex_; }
  int64_t TabPanelIndex() const { return tabPanelIndex_; }
  bool TabStop() const { return tabStop_; }
  bool AllowAutoDeactivate() const { return allowAutoDeactivate_; }
  bool Enabled() const { return Widget()->isEnabled(); }
  void SetEnabled(bool v) { Widget()->setEnabled(v); }
  // Whether the control is to be shown (also while its window is hidden).
  bool Visible() const { return !Widget()->isHidden(); }
  void SetVisible(bool v) { Widget()->setVisible(v); }
  const std::string& Tooltip() const { return tooltip_; }
  bool Transparent() const { return transparent_; }
  const std::string& InitialParent() const { return initialParent_; }

  fw::ControlSize ControlSize() const { return controlSize_; }
  // Gives the control a size class; its font stays as it is.
  void SetControlSize(fw::ControlSize size);

  // Applies one record entry; key in lower case. Answers false when the
  // control has no property of that name.
  virtual bool ApplyProperty(std::string_view key, const PropertyValue& value);

  // Raised by the window once it has created and wired all its controls.
  virtual void RaiseOpen() = 0;

  // Called by Window::AddControl.
  void AttachTo(fw::Window* window) { window_ = window; }
  // Keeps the locked edges' distances when the window's content resizes.
  void FollowResize(int dw, int dh);

 protected:
  // The font settings of the records (for the classes that have them).
  struct FontSettings {
    std::string name = "System";
    double size = 0.0;
    uint8_t unit = 0;
    bool bold = false, italic = false, underline = false;
  };
  bool ApplyFontProperty(std::string_view key, const PropertyValue& value);
  // DataSource and DataField (for the classes that have them): kept as
  // set; nothing binds data on this platform.
  bool ApplyDataProperty(std::string_view key, const PropertyValue& value);
  void UpdateFont();
  virtual void TransparentChanged() {}
  virtual void TabStopChanged() { UpdateFocusPolicy(true); }
  // No focus without allowFocus; with it the focus by Tab and by click
  // (TabStop) or by click alone.
  void UpdateFocusPolicy(bool allowFocus);

 private:
  std::string name_;
  int64_t index_ = kNoControlIndex;
  fw::Window* window_ = nullptr;
  bool lockLeft_ = true, lockTop_ = true, lockRight_ = false, lockBottom_ = false;
  int64_t tabIndex_ = 0;
  int64_t tabPanelIndex_ = 0;
  bool tabStop_ = true;
  bool allowAutoDeactivate_ = true;
  std::string tooltip_;
  bool transparent_ = false;
  std::string initialParent_;
  FontSettings font_;
  std::string dataSource_, dataField_;
  fw::ControlSize controlSize_ = fw::ControlSize::Regular;
};

// The typed half of a control class: its Open event, carrying the control
// as its own class, and the GUI-free control interface (Width, Height,
// Refresh) on the widget. Core is fw::RectControl or a subclass of it.
template <class Self, class Core = fw::RectControl>
class ControlOf : public Control, public Core {
 public:
  Event<void(Self*)> Open;

  QWidget* Widget() override { return static_cast<Self*>(this); }
  void RaiseOpen() override { Open.Raise(static_cast<Self*>(this)); }
  int64_t Width() const override { return ControlWidth(); }
  int64_t Height() const override { return ControlHeight(); }
  void Refresh(bool /*eraseBackground*/) override { Widget()->update(); }
};

// Helpers for property values: the value as the property's type, or
// TypeMismatchException naming the key.
int64_t AsInt64(std::string_view key, const PropertyValue& v);
double AsDouble(std::string_view key, const PropertyValue& v);
bool AsBoolean(std::string_view key, const PropertyValue& v);
fw::Color AsColor(std::string_view key, const PropertyValue& v);
const std::string& AsString(std::string_view key, const PropertyValue& v);
QString AsQString(std::string_view key, const PropertyValue& v);

// Qt alignment of a TextAlignment code: 0 default (left), 1 left, 2 centre, 3 right.
Qt::Alignment HorizontalAlignment(int64_t code);

}  // namespace fw
