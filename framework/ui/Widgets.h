#pragma once
#include <QAbstractButton>
#include <QBasicTimer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <string>

#include "framework/ui/Control.h"
#include "framework/ui/DisplayImage.h"

class QShortcut;

namespace fw {

// A rectangle with a bevelled border: the top and left edges in one color,
// the bottom and right edges in another, the interior in FillColor. Presses
// on it count as presses on the window's background.
class Rectangle : public QWidget, public ControlOf<Rectangle> {
 public:
  explicit Rectangle(QWidget* parent = nullptr);
  const char* ClassName() const override { return "Rectangle"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  double BorderThickness() const { return borderThickness_; }
  void SetBorderThickness(double v) { borderThickness_ = v; update(); }
  fw::Color TopLeftColor() const { return topLeft_; }
  void SetTopLeftColor(fw::Color c) { topLeft_ = c; update(); }
  fw::Color BottomRightColor() const { return bottomRight_; }
  void SetBottomRightColor(fw::Color c) { bottomRight_ = c; update(); }
  fw::Color FillColor() const { return fill_; }
  void SetFillColor(fw::Color c) { fill_ = c; update(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  double borderThickness_ = 1.0;
  fw::Color topLeft_{0x00000000u}, bottomRight_{0x00000000u}, fill_{0x00FFFFFFu};
};

// Shows its Backdrop picture with the picture's transparency, and reports
// presses: MouseDown answers whether the control claims the press; only a
// claimed press delivers its MouseUp.
class CanvasControl : public QWidget, public ControlOf<CanvasControl, fw::Canvas> {
 public:
  explicit CanvasControl(QWidget* parent = nullptr);
  const char* ClassName() const override { return "Canvas"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  Event<bool(CanvasControl*, int64_t, int64_t)> MouseDown;
  Event<void(CanvasControl*, int64_t, int64_t)> MouseUp;

  bool AllowFocusRing() const { return allowFocusRing_; }
  bool AllowFocus() const { return allowFocus_; }
  bool AllowTabs() const { return allowTabs_; }
  bool DoubleBuffer() const { return doubleBuffer_; }
  // The number of paints so far (tests watch repaints with it).
  int PaintCount() const { return paintCount_; }

  // Draws the control as it looks into a picture's drawing context.
  void DrawInto(fw::Graphics& g, int64_t x, int64_t y);

 protected:
  void BackdropChanged() override { update(); }
  void TabStopChanged() override { UpdateFocusPolicy(allowFocus_); }
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  bool allowFocusRing_ = true, allowFocus_ = false, allowTabs_ = false, doubleBuffer_ = false;
  bool pressClaimed_ = false;
  int paintCount_ = 0;
  DisplayImage image_;
};

// The platform's push button. Action is raised when it is clicked.
class PushButton : public QPushButton, public ControlOf<PushButton> {
 public:
  explicit PushButton(QWidget* parent = nullptr);
  const char* ClassName() const override { return "PushButton"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  Event<void(PushButton*)> Action;

  std::string Caption() const { return text().toStdString(); }
  // 0 the platform's push button; 3 a square bevel button; other codes as 0.
  int64_t MacButtonStyle() const { return style_; }
  void SetMacButtonStyle(int64_t style);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v);
  bool Default() const { return default_; }
  void SetDefault(bool v);

 private:
  int64_t style_ = 0;
  bool cancel_ = false, default_ = false;
  QShortcut* cancelKey_ = nullptr;
  QShortcut* defaultKey_ = nullptr;
};

// A one-line text field.
class TextField : public QLineEdit, public ControlOf<TextField> {
 public:
  explicit TextField(QWidget* parent = nullptr);
  const char* ClassName() const override { return "TextField"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  std::string Value() const { return text().toStdString(); }
  // Replaces the text; also for a read-only field. Raises no event.
  void SetValue(const std::string& v) { setText(QString::fromStdString(v)); }
  bool ReadOnly() const { return isReadOnly(); }
  int64_t TextAlignment() const { return textAlignment_; }
  fw::Color BackgroundColor() const { return background_; }
  fw::Color TextColor() const { return textColor_; }
  bool HasBorder() const { return hasFrame(); }
  bool Password() const { return echoMode() == QLineEdit::Password; }
  const std::string& Format() const { return format_; }
  const std::string& ValidationMask() const { return mask_; }
  int64_t MaximumCharactersAllowed() const { return maxChars_; }
  bool AllowSpellChecking() const { return spellChecking_; }
  bool AllowTabs() const { return allowTabs_; }
  bool AllowFocusRing() const { return allowFocusRing_; }

 protected:
  void TransparentChanged() override { UpdateColors(); }
  bool focusNextPrevChild(bool next) override;
  // Without a focus ring the field is drawn as if it had no focus.
  void initStyleOption(QStyleOptionFrame* option) const override;

 private:
  void UpdateColors();
  int64_t textAlignment_ = 0;
  fw::Color background_{0x00FFFFFFu}, textColor_{0x00000000u};
  std::string format_, mask_;
  int64_t maxChars_ = 0;
  bool spellChecking_ = false, allowTabs_ = false, allowFocusRing_ = true;
};

// A static text. A carriage return in its text breaks the line only when
// the label is multi-line; a single-line label shows the text without it.
class Label : public QLabel, public ControlOf<Label> {
 public:
  explicit Label(QWidget* parent = nullptr);
  const char* ClassName() const override { return "Label"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  const std::string& Value() const { return value_; }
  void SetValue(const std::string& v);
  bool Multiline() const { return multiline_; }
  bool Selectable() const { return selectable_; }
  int64_t TextAlignment() const { return textAlignment_; }
  fw::Color TextColor() const { return textColor_; }

 protected:
  void TransparentChanged() override { update(); }
  void paintEvent(QPaintEvent*) override;

 private:
  void UpdateText();
  void UpdateMouse();
  std::string value_;
  bool multiline_ = false, selectable_ = false;
  int64_t textAlignment_ = 0;
  fw::Color textColor_{0x00000000u};
};

// A pop-up menu of rows. Change is raised when the user chooses a row (also
// the one already chosen) and when the program selects another row.
class PopupMenu : public QComboBox, public ControlOf<PopupMenu> {
 public:
  explicit PopupMenu(QWidget* parent = nullptr);
  const char* ClassName() const override { return "PopupMenu"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  Event<void(PopupMenu*)> Change;

  // Replaces the rows with the lines of the text (rows separated by CR).
  void SetInitialValue(const std::string& rows);
  int64_t RowCount() const { return count(); }
  std::string RowValueAt(int64_t row) const;
  int64_t SelectedRowIndex() const { return currentIndex(); }
  void SetSelectedRowIndex(int64_t row);
  // The text of the selected row; empty when none is selected.
  std::string SelectedRowValue() const { return currentText().toStdString(); }

};

// A stepper: two small arrow buttons, raising Up and Down. Holding an arrow
// repeats its event.
class UpDownArrows : public QWidget, public ControlOf<UpDownArrows> {
 public:
  explicit UpDownArrows(QWidget* parent = nullptr);
  const char* ClassName() const override { return "UpDownArrows"; }
  bool ApplyProperty(std::string_view key, const PropertyValue& value) override;

  Event<void(UpDownArrows*)> Up;
  Event<void(UpDownArrows*)> Down;

  bool AllowFocus() const { return allowFocus_; }
  QAbstractButton* UpButton() const { return up_; }
  QAbstractButton* DownButton() const { return down_; }

 protected:
  void resizeEvent(QResizeEvent*) override;
  void TabStopChanged() override { UpdateFocusPolicy(allowFocus_); }

 private:
  QAbstractButton* up_;
  QAbstractButton* down_;
  bool allowFocus_ = false;
};

// A bar that shows how far a task has come (QProgressBar's value and range).
class ProgressBar : public QProgressBar, public ControlOf<ProgressBar> {
 public:
  explicit ProgressBar(QWidget* parent = nullptr);
  const char* ClassName() const override { return "ProgressBar"; }
};

// A wheel that turns while it is shown, for a task of unknown length.
class ProgressWheel : public QWidget, public ControlOf<ProgressWheel> {
 public:
  explicit ProgressWheel(QWidget* parent = nullptr);
  const char* ClassName() const override { return "ProgressWheel"; }
  QSize sizeHint() const override { return {16, 16}; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;
  void timerEvent(QTimerEvent*) override;

 private:
  QBasicTimer timer_;
  int step_ = 0;
};

}  // namespace fw
