#include "framework/ui/Widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimerEvent>
#include <cmath>

#include "framework/ui/Report.h"
#include "framework/ui/Window.h"

namespace fw {

// --------------------------------------------------------------- Rectangle

Rectangle::Rectangle(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

bool Rectangle::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "borderthickness") SetBorderThickness(AsDouble(key, v));
  else if (key == "topleftcolor") SetTopLeftColor(AsColor(key, v));
  else if (key == "bottomrightcolor") SetBottomRightColor(AsColor(key, v));
  else if (key == "fillcolor") SetFillColor(AsColor(key, v));
  else return Control::ApplyProperty(key, v);
  return true;
}

void Rectangle::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  const int t = std::isfinite(borderThickness_)
                    ? std::clamp(static_cast<int>(std::lround(borderThickness_)), 0, std::min(w, h) / 2)
                    : 0;
  p.fillRect(t, t, w - 2 * t, h - 2 * t, ToQColor(fill_));
  if (t == 0) return;
  // Bevel: the bottom and right bands, then the top and left bands over them,
  // each mitred at the two corners where the colors meet.
  p.setPen(Qt::NoPen);
  p.setBrush(ToQColor(bottomRight_));
  p.drawPolygon(QPolygon({QPoint(w, 0), QPoint(w, h), QPoint(0, h), QPoint(t, h - t), QPoint(w - t, h - t),
                          QPoint(w - t, t)}));
  p.setBrush(ToQColor(topLeft_));
  p.drawPolygon(QPolygon({QPoint(0, h), QPoint(0, 0), QPoint(w, 0), QPoint(w - t, t), QPoint(t, t),
                          QPoint(t, h - t)}));
}

// ----------------------------------------------------------------- Canvas

CanvasControl::CanvasControl(QWidget* parent) : QWidget(parent) { UpdateFocusPolicy(allowFocus_); }

bool CanvasControl::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "allowfocusring") {
    allowFocusRing_ = AsBoolean(key, v);
    setAttribute(Qt::WA_MacShowFocusRect, allowFocusRing_);
  } else if (key == "allowfocus") {
    allowFocus_ = AsBoolean(key, v);
    UpdateFocusPolicy(allowFocus_);
  } else if (key == "allowtabs") allowTabs_ = AsBoolean(key, v);
  else if (key == "doublebuffer") doubleBuffer_ = AsBoolean(key, v);  // Qt always paints through a buffer
  else return Control::ApplyProperty(key, v);
  return true;
}

void CanvasControl::keyPressEvent(QKeyEvent* e) {
  // With AllowTabs the Tab key stays here instead of moving the focus.
  if (allowTabs_ && (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)) return;
  QWidget::keyPressEvent(e);
}

void CanvasControl::paintEvent(QPaintEvent*) {
  ++paintCount_;
  if (!Backdrop()) return;
  QPainter p(this);
  p.drawImage(0, 0, image_.Of(*Backdrop()));
}

void CanvasControl::DrawInto(fw::Graphics& g, int64_t x, int64_t y) {
  if (Backdrop()) g.DrawPicture(*Backdrop(), static_cast<double>(x), static_cast<double>(y));
}

// Mouse and key events arrive accepted: the canvas keeps them from its
// parent by handling them without passing them on.
void CanvasControl::mousePressEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  bool claimed = false;
  Dispatch([&] { claimed = MouseDown.Raise(this, at.x(), at.y()); });
  pressClaimed_ = claimed;
}

void CanvasControl::mouseReleaseEvent(QMouseEvent* e) {
  if (!pressClaimed_) return;
  pressClaimed_ = false;
  const QPoint at = e->position().toPoint();
  Dispatch([&] { MouseUp.Raise(this, at.x(), at.y()); });
}

// ------------------------------------------------------------- PushButton

PushButton::PushButton(QWidget* parent) : QPushButton(parent) {
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] { Dispatch([this] { Action.Raise(this); }); });
}

void PushButton::SetMacButtonStyle(int64_t style) {
  style_ = style;
  if (style == 3) {
    // Square bevel: flat face, thin grey frame, darker while pressed.
    setStyleSheet(QStringLiteral(
        "QPushButton { border: 1px solid #9a9a9a; border-radius: 0px; padding: 0px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #ececec); color: black; }"
        "QPushButton:pressed { background: #c8c8c8; }"
        "QPushButton:disabled { color: #a0a0a0; }"));
  } else {
    setStyleSheet(QString());
  }
}

void PushButton::SetCancel(bool v) {
  cancel_ = v;
  if (v && cancelKey_ == nullptr) {
    cancelKey_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelKey_->setContext(Qt::WindowShortcut);
    connect(cancelKey_, &QShortcut::activated, this, [this] { if (isEnabled()) click(); });
  }
  if (cancelKey_ != nullptr) cancelKey_->setEnabled(v);
}

void PushButton::SetDefault(bool v) {
  default_ = v;
  setDefault(v);
  if (v && defaultKey_ == nullptr) {
    defaultKey_ = new QShortcut(QKeySequence(Qt::Key_Return), this);
    defaultKey_->setContext(Qt::WindowShortcut);
    connect(defaultKey_, &QShortcut::activated, this, [this] { if (isEnabled()) click(); });
  }
  if (defaultKey_ != nullptr) defaultKey_->setEnabled(v);
}

bool PushButton::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "caption") setText(AsQString(key, v));
  else if (key == "macbuttonstyle") SetMacButtonStyle(AsInt64(key, v));
  else if (key == "cancel") SetCancel(AsBoolean(key, v));
  else if (key == "default") SetDefault(AsBoolean(key, v));
  else if (ApplyFontProperty(key, v)) {}
  else return Control::ApplyProperty(key, v);
  return true;
}

// -------------------------------------------------------------- TextField

TextField::TextField(QWidget* parent) : QLineEdit(parent) { UpdateColors(); }

void TextField::UpdateColors() {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, Transparent() ? QColor(Qt::transparent) : ToQColor(background_));
  pal.setColor(QPalette::Text, ToQColor(textColor_));
  setPalette(pal);
}

void TextField::initStyleOption(QStyleOptionFrame* option) const {
  QLineEdit::initStyleOption(option);
  // The style draws the focus highlight of the frame from this state.
  if (!allowFocusRing_) option->state &= ~QStyle::State_HasFocus;
}

bool TextField::focusNextPrevChild(bool next) {
  if (allowTabs_) return false;  // the Tab key is typed into the field
  return QLineEdit::focusNextPrevChild(next);
}

bool TextField::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "value") setText(AsQString(key, v));
  else if (key == "readonly") setReadOnly(AsBoolean(key, v));
  else if (key == "backgroundcolor") {
    background_ = AsColor(key, v);
    UpdateColors();
  } else if (key == "textcolor") {
    textColor_ = AsColor(key, v);
    UpdateColors();
  } else if (key == "hasborder") setFrame(AsBoolean(key, v));
  else if (key == "password") setEchoMode(AsBoolean(key, v) ? QLineEdit::Password : QLineEdit::Normal);
  else if (key == "hint") setPlaceholderText(AsQString(key, v));
  else if (key == "textalignment") {
    textAlignment_ = AsInt64(key, v);
    setAlignment(HorizontalAlignment(textAlignment_) | Qt::AlignVCenter);
  } else if (key == "maximumcharactersallowed") {
    maxChars_ = AsInt64(key, v);
    setMaxLength(maxChars_ > 0 && maxChars_ < 32767 ? static_cast<int>(maxChars_) : 32767);
  } else if (key == "format") format_ = AsString(key, v);  // display format; the empty format shows the text as is
  else if (key == "validationmask") {
    mask_ = AsString(key, v);
    setInputMask(QString::fromStdString(mask_));
  } else if (key == "allowspellchecking") spellChecking_ = AsBoolean(key, v);  // no spell checker on this platform
  else if (key == "allowtabs") allowTabs_ = AsBoolean(key, v);
  else if (key == "allowfocusring") {
    allowFocusRing_ = AsBoolean(key, v);
    update();
  } else if (ApplyDataProperty(key, v) || ApplyFontProperty(key, v)) {}
  else return Control::ApplyProperty(key, v);
  return true;
}

// ------------------------------------------------------------------ Label

Label::Label(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  UpdateMouse();
}

void Label::SetValue(const std::string& v) {
  value_ = v;
  UpdateText();
}

void Label::UpdateText() {
  QString shown = QString::fromStdString(value_);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
  if (!multiline_) {
    while (shown.endsWith(QChar('\n'))) shown.chop(1);
    shown.replace(QChar('\n'), QChar(' '));
  }
  setText(shown);
}

void Label::UpdateMouse() {
  // A label that cannot be selected lets presses through to the window's
  // background (so the window can be dragged by it).
  setAttribute(Qt::WA_TransparentForMouseEvents, !selectable_);
  setTextInteractionFlags(selectable_ ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
}

void Label::paintEvent(QPaintEvent* e) {
  if (!Transparent()) {
    // An opaque label paints the fill of the rectangle it lies on (or white).
    QColor fill(Qt::white);
    if (Window() != nullptr) {
      if (auto* parent = dynamic_cast<fw::Rectangle*>(Window()->ControlByName(InitialParent())))
        fill = ToQColor(parent->FillColor());
    }
    QPainter(this).fillRect(rect(), fill);
  }
  QLabel::paintEvent(e);
}

bool Label::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "value") SetValue(AsString(key, v));
  else if (key == "multiline") {
    multiline_ = AsBoolean(key, v);
    setWordWrap(multiline_);
    UpdateText();
  } else if (key == "selectable") {
    selectable_ = AsBoolean(key, v);
    UpdateMouse();
  } else if (key == "textalignment") {
    textAlignment_ = AsInt64(key, v);
    setAlignment(HorizontalAlignment(textAlignment_) | Qt::AlignVCenter);
  } else if (key == "textcolor") {
    textColor_ = AsColor(key, v);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, ToQColor(textColor_));
    setPalette(pal);
  } else if (ApplyDataProperty(key, v) || ApplyFontProperty(key, v)) {}
  else return Control::ApplyProperty(key, v);
  return true;
}

// -------------------------------------------------------------- PopupMenu

PopupMenu::PopupMenu(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::activated, this, [this](int) { Dispatch([this] { Change.Raise(this); }); });
}

void PopupMenu::SetInitialValue(const std::string& rows) {
  const QSignalBlocker block(this);
  clear();
  if (rows.empty()) return;
  for (const QString& row : QString::fromStdString(rows).split(QChar('\r'))) addItem(row);
}

std::string PopupMenu::RowValueAt(int64_t row) const {
  if (row < 0 || row >= count()) throw OutOfBoundsException("PopupMenu: row " + std::to_string(row) + " does not exist.");
  return itemText(static_cast<int>(row)).toStdString();
}

void PopupMenu::SetSelectedRowIndex(int64_t row) {
  if (row < -1 || row >= count()) throw OutOfBoundsException("PopupMenu: row " + std::to_string(row) + " does not exist.");
  if (row == currentIndex()) return;
  setCurrentIndex(static_cast<int>(row));
  Change.Raise(this);
}

bool PopupMenu::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "initialvalue") SetInitialValue(AsString(key, v));
  else if (key == "selectedrowindex") SetSelectedRowIndex(AsInt64(key, v));
  else if (ApplyDataProperty(key, v) || ApplyFontProperty(key, v)) {}
  else return Control::ApplyProperty(key, v);
  return true;
}

// ----------------------------------------------------------- UpDownArrows

namespace {
// One half of the stepper: a small button with a triangle.
class ArrowButton : public QAbstractButton {
 public:
  ArrowButton(bool up, QWidget* parent) : QAbstractButton(parent), up_(up) {
    setAutoRepeat(true);
    setAutoRepeatDelay(400);
    setAutoRepeatInterval(100);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor face = isDown() ? QColor(0xb8, 0xb8, 0xb8) : QColor(0xf6, 0xf6, 0xf6);
    if (!isEnabled()) face = QColor(0xee, 0xee, 0xee);
    p.setPen(QColor(0x9a, 0x9a, 0x9a));
    p.setBrush(face);
    p.drawRoundedRect(r, 2, 2);
    const double cx = width() / 2.0, cy = height() / 2.0;
    const double hw = std::max(2.0, width() / 2.0 - 3.0), hh = std::max(1.5, std::min(hw, height() / 2.0 - 2.0));
    QPolygonF tri;
    if (up_) tri << QPointF(cx - hw, cy + hh / 2) << QPointF(cx + hw, cy + hh / 2) << QPointF(cx, cy - hh / 2 - 1);
    else tri << QPointF(cx - hw, cy - hh / 2) << QPointF(cx + hw, cy - hh / 2) << QPointF(cx, cy + hh / 2 + 1);
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? QColor(0x30, 0x30, 0x30) : QColor(0xa0, 0xa0, 0xa0));
    p.drawPolygon(tri);
  }

 private:
  bool up_;
};
}  // namespace

UpDownArrows::UpDownArrows(QWidget* parent)
    : QWidget(parent), up_(new ArrowButton(true, this)), down_(new ArrowButton(false, this)) {
  connect(up_, &QAbstractButton::clicked, this, [this] { Dispatch([this] { Up.Raise(this); }); });
  connect(down_, &QAbstractButton::clicked, this, [this] { Dispatch([this] { Down.Raise(this); }); });
  UpdateFocusPolicy(allowFocus_);
}

void UpDownArrows::resizeEvent(QResizeEvent*) {
  const int upper = height() / 2;
  up_->setGeometry(0, 0, width(), upper);
  down_->setGeometry(0, upper, width(), height() - upper);
}

bool UpDownArrows::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "allowfocus") {
    allowFocus_ = AsBoolean(key, v);
    UpdateFocusPolicy(allowFocus_);
    return true;
  }
  return Control::ApplyProperty(key, v);
}

// ------------------------------------------------- ProgressBar, ProgressWheel

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) { setTextVisible(false); }

ProgressWheel::ProgressWheel(QWidget* parent) : QWidget(parent) {}

void ProgressWheel::showEvent(QShowEvent*) { timer_.start(80, this); }
void ProgressWheel::hideEvent(QHideEvent*) { timer_.stop(); }

void ProgressWheel::timerEvent(QTimerEvent* e) {
  if (e->timerId() != timer_.timerId()) return QWidget::timerEvent(e);
  step_ = (step_ + 1) % 12;
  update();
}

void ProgressWheel::paintEvent(QPaintEvent*) {
  // Twelve spokes; the one at the current step is darkest, the ones behind
  // it fade out.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double r = std::min(width(), height()) / 2.0;
  p.translate(width() / 2.0, height() / 2.0);
  QPen pen;
  pen.setWidthF(std::max(1.0, r / 5.0));
  pen.setCapStyle(Qt::RoundCap);
  for (int i = 0; i < 12; ++i) {
    const int age = (step_ - i + 12) % 12;
    pen.setColor(QColor(0x40, 0x40, 0x40, 255 - age * 18));
    p.setPen(pen);
    p.save();
    p.rotate(i * 30.0);
    p.drawLine(QPointF(0, -r * 0.45), QPointF(0, -r * 0.9));
    p.restore();
  }
}

}  // namespace fw
