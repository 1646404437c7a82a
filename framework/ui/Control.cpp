#include "framework/ui/Control.h"

#include <QApplication>
#include <QFontDatabase>
#include <cmath>

#include "framework/ui/Report.h"

namespace fw {
namespace {
template <class T>
const T& As(std::string_view key, const PropertyValue& v, const char* type) {
  if (const T* p = std::get_if<T>(&v)) return *p;
  throw TypeMismatchException("The value of property '" + std::string(key) + "' is not of type " + type +
                              ".");
}

int ClampToInt(int64_t v) {
  if (v < -1000000) return -1000000;
  if (v > 1000000) return 1000000;
  return static_cast<int>(v);
}
}  // namespace

QFont SystemFont(int pixelSize) {
  // A Japanese sans serif where one is installed, so that kana, kanji and
  // Latin text share one face; otherwise the application's font.
  static const QString family = [] {
    for (const char* f : {"Noto Sans CJK JP", "Noto Sans JP", "Source Han Sans JP"})
      if (QFontDatabase::hasFamily(QString::fromLatin1(f))) return QString::fromLatin1(f);
    return QApplication::font().family();
  }();
  QFont font = QApplication::font();
  font.setFamily(family);
  font.setPixelSize(pixelSize);
  return font;
}

QColor ToQColor(fw::Color c) { return QColor(c.Red(), c.Green(), c.Blue(), c.Alpha()); }

int64_t AsInt64(std::string_view key, const PropertyValue& v) { return As<int64_t>(key, v, "Int64"); }
double AsDouble(std::string_view key, const PropertyValue& v) {
  if (const float* f = std::get_if<float>(&v)) return *f;
  return As<double>(key, v, "Double");
}
bool AsBoolean(std::string_view key, const PropertyValue& v) { return As<bool>(key, v, "Boolean"); }
fw::Color AsColor(std::string_view key, const PropertyValue& v) { return As<fw::Color>(key, v, "Color"); }
const std::string& AsString(std::string_view key, const PropertyValue& v) {
  return As<std::string>(key, v, "String");
}
QString AsQString(std::string_view key, const PropertyValue& v) {
  return QString::fromStdString(AsString(key, v));
}

Qt::Alignment HorizontalAlignment(int64_t code) {
  switch (code) {
    case 2: return Qt::AlignHCenter;
    case 3: return Qt::AlignRight;
    default: return Qt::AlignLeft;  // 0 (default) and 1 (left)
  }
}

void Control::SetLeft(int64_t v) { Widget()->move(ClampToInt(v), Widget()->y()); }
void Control::SetTop(int64_t v) { Widget()->move(Widget()->x(), ClampToInt(v)); }
void Control::SetWidth(int64_t v) { Widget()->resize(std::max(0, ClampToInt(v)), Widget()->height()); }
void Control::SetHeight(int64_t v) { Widget()->resize(Widget()->width(), std::max(0, ClampToInt(v))); }

void Control::FollowResize(int dw, int dh) {
  QRect g = Widget()->geometry();
  if (lockRight_ && lockLeft_) g.setWidth(std::max(0, g.width() + dw));
  else if (lockRight_) g.moveLeft(g.x() + dw);
  if (lockBottom_ && lockTop_) g.setHeight(std::max(0, g.height() + dh));
  else if (lockBottom_) g.moveTop(g.y() + dh);
  Widget()->setGeometry(g);
}

void Control::SetControlSize(fw::ControlSize size) { controlSize_ = size; }

void Control::UpdateFont() {
  QFont f = SystemFont(kSystemFontSize);
  if (!font_.name.empty() && font_.name != "System") f.setFamily(QString::fromStdString(font_.name));
  if (font_.size <= 0.0 || !std::isfinite(font_.size)) {
    f.setPixelSize(kSystemFontSize);
  } else {
    switch (font_.unit) {
      case 2: f.setPointSizeF(font_.size); break;                 // points
      case 3: f.setPointSizeF(font_.size * 72.0); break;          // inches
      case 4: f.setPointSizeF(font_.size * 72.0 / 25.4); break;   // millimetres
      default: f.setPixelSize(std::max(1, static_cast<int>(std::lround(font_.size))));  // design points
    }
  }
  f.setBold(font_.bold);
  f.setItalic(font_.italic);
  f.setUnderline(font_.underline);
  Widget()->setFont(f);
}

bool Control::ApplyFontProperty(std::string_view key, const PropertyValue& v) {
  if (key == "fontname") font_.name = AsString(key, v);
  else if (key == "fontsize") font_.size = AsDouble(key, v);
  else if (key == "fontunit") {
    const auto* u = std::get_if<FontUnits>(&v);
    if (u == nullptr) throw TypeMismatchException("The value of property 'FontUnit' is not of type FontUnits.");
    font_.unit = u->code;
  } else if (key == "bold") font_.bold = AsBoolean(key, v);
  else if (key == "italic") font_.italic = AsBoolean(key, v);
  else if (key == "underline") font_.underline = AsBoolean(key, v);
  else return false;
  UpdateFont();
  return true;
}

bool Control::ApplyDataProperty(std::string_view key, const PropertyValue& v) {
  if (key == "datasource") dataSource_ = AsString(key, v);
  else if (key == "datafield") dataField_ = AsString(key, v);
  else return false;
  return true;
}

void Control::UpdateFocusPolicy(bool allowFocus) {
  Widget()->setFocusPolicy(!allowFocus ? Qt::NoFocus : tabStop_ ? Qt::StrongFocus : Qt::ClickFocus);
}

bool Control::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "name") name_ = AsString(key, v);
  else if (key == "index") index_ = AsInt64(key, v);
  else if (key == "left") SetLeft(AsInt64(key, v));
  else if (key == "top") SetTop(AsInt64(key, v));
  else if (key == "width") SetWidth(AsInt64(key, v));
  else if (key == "height") SetHeight(AsInt64(key, v));
  else if (key == "lockleft") lockLeft_ = AsBoolean(key, v);
  else if (key == "locktop") lockTop_ = AsBoolean(key, v);
  else if (key == "lockright") lockRight_ = AsBoolean(key, v);
  else if (key == "lockbottom") lockBottom_ = AsBoolean(key, v);
  else if (key == "tabindex") tabIndex_ = AsInt64(key, v);
  else if (key == "tabpanelindex") tabPanelIndex_ = AsInt64(key, v);
  else if (key == "allowautodeactivate") allowAutoDeactivate_ = AsBoolean(key, v);
  else if (key == "enabled") SetEnabled(AsBoolean(key, v));
  else if (key == "visible") SetVisible(AsBoolean(key, v));
  else if (key == "tooltip") {
    tooltip_ = AsString(key, v);
    Widget()->setToolTip(QString::fromStdString(tooltip_));
  } else if (key == "transparent") {
    transparent_ = AsBoolean(key, v);
    TransparentChanged();
  } else if (key == "initialparent") initialParent_ = AsString(key, v);
  else if (key == "tabstop") {
    tabStop_ = AsBoolean(key, v);
    TabStopChanged();
  } else return false;
  return true;
}

}  // namespace fw
