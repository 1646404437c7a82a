#include "framework/ui/Window.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <map>
#include <set>

#include "framework/core/Runtime.h"
#include "framework/ui/Report.h"

namespace fw {
namespace {

std::set<const Window*>& LiveWindows() {
  static std::set<const Window*> windows;
  return windows;
}

std::map<std::string, QPointer<Window>>& Implicit() {
  static std::map<std::string, QPointer<Window>> windows;
  return windows;
}

int ClampSize(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 32000)); }

// The window's content area: paints the window background and the backdrop
// picture, and takes presses that land on no control.
class ContentArea : public QWidget {
 public:
  explicit ContentArea(Window* w) : QWidget(w), window_(w) {}

 protected:
  void paintEvent(QPaintEvent*) override { window_->PaintContent(this); }
  void mousePressEvent(QMouseEvent* e) override { window_->BackgroundPressed(e); }
  void mouseMoveEvent(QMouseEvent* e) override { window_->BackgroundMoved(e); }
  void mouseReleaseEvent(QMouseEvent* e) override { window_->BackgroundReleased(e); }

 private:
  Window* window_;
};

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

template <class Target>
void ApplyRecord(Target& target, std::string_view record, const char* what) {
  for (const PropertyEntry& entry : DecodePropertyRecord(record)) {
    if (!target.ApplyProperty(Lower(entry.key), entry.value))
      throw UnsupportedFormatException("Property record: '" + entry.key + "' is no property of " + what + ".");
  }
}

}  // namespace

Window::Window()
    : QWidget(nullptr, Qt::Window),
      content_(new ContentArea(this)),
      nativeMenuBar_(new QMenuBar(this)) {
  LiveWindows().insert(this);
  // The native surface keeps an alpha channel, so that the window's
  // background can be made transparent later.
  setAttribute(Qt::WA_TranslucentBackground);
  nativeBackground_ = palette().color(QPalette::Window);
  nativeMenuBar_->setNativeMenuBar(false);
  nativeMenuBar_->hide();
  UpdateWindowFlags();
  UpdateSizeLimits();
  LayoutChildren();
}

Window::~Window() {
  LiveWindows().erase(this);
  // The controls are deleted with the content area after this point; their
  // destruction must not reach back into this half-destroyed window.
  for (Control* c : controls_) QObject::disconnect(c->Widget(), &QObject::destroyed, this, nullptr);
  controls_.clear();
}

Window* Window::FromHandle(intptr_t handle) {
  auto* w = reinterpret_cast<const Window*>(handle);
  return LiveWindows().count(w) != 0 ? const_cast<Window*>(w) : nullptr;
}

void Window::Construct() {
  if (constructed_) return;
  constructed_ = true;
  Dispatch([this] { Layout(); });
  Dispatch([this] { CreateControls(); });
  Dispatch([this] { AddMenuHandlers(*this); });
  ApplyTabOrder();
  const std::vector<Control*> controls = controls_;
  for (Control* c : controls) Dispatch([c] { c->RaiseOpen(); });
  Dispatch([this] { Event_Open(); });
  if (designVisible_) ShowAsDesigned();
}

// ------------------------------------------------------------ pictures, menus

void Window::SetBackdrop(std::shared_ptr<Picture> picture) {
  backdrop_ = std::move(picture);
  content_->update();
}

void Window::SetMenuBar(std::shared_ptr<fw::MenuBar> bar) {
  menuBar_ = std::move(bar);
  nativeMenuBar_->clear();
  menuActions_.clear();
  if (menuBar_) {
    std::function<void(QMenu*, const MenuItem&)> fill = [&](QMenu* menu, const MenuItem& parent) {
      for (size_t i = 0; i < parent.Count(); ++i) {
        std::shared_ptr<MenuItem> item = parent.Item(i);
        if (!item->Visible()) continue;
        if (item->IsSeparator()) {
          menu->addSeparator();
          continue;
        }
        QAction* action;
        if (item->Count() > 0) {
          QMenu* sub = menu->addMenu(QString::fromStdString(item->Value()));
          fill(sub, *item);
          action = sub->menuAction();
        } else {
          action = menu->addAction(QString::fromStdString(item->Value()));
          if (!item->Shortcut().empty()) action->setShortcut(QKeySequence(PlatformShortcut(item->Shortcut())));
          std::weak_ptr<MenuItem> weak = item;
          connect(action, &QAction::triggered, this, [this, weak] {
            if (auto it = weak.lock()) Dispatch([&] { HandleMenuCommand(*it); });
          });
        }
        menuActions_[item->Name()] = action;
      }
    };
    for (size_t i = 0; i < menuBar_->Count(); ++i) {
      std::shared_ptr<MenuItem> top = menuBar_->Item(i);
      if (!top->Visible()) continue;
      QMenu* menu = nativeMenuBar_->addMenu(QString::fromStdString(top->Value()));
      connect(menu, &QMenu::aboutToShow, this, [this] { UpdateMenuStates(); });
      menuActions_[top->Name()] = menu->menuAction();
      fill(menu, *top);
    }
  }
  nativeMenuBar_->setVisible(menuBar_ != nullptr && menuBarVisible_);
  UpdateMenuStates();
  UpdateSizeLimits();
  LayoutChildren();
}

QAction* Window::MenuAction(const std::string& itemName) const {
  auto it = menuActions_.find(itemName);
  return it == menuActions_.end() ? nullptr : it->second;
}

void Window::AddMenuHandler(const std::string& itemName, std::function<bool()> handler) {
  menuHandlers_[itemName] = std::move(handler);
  UpdateMenuStates();
}

bool Window::HandleMenuCommand(MenuItem& item) {
  auto it = menuHandlers_.find(item.Name());
  if (it != menuHandlers_.end()) {
    const std::function<bool()> handler = it->second;
    if (handler()) return true;
  }
  return item.DefaultAction();
}

void Window::UpdateMenuStates() {
  if (!menuBar_) return;
  std::function<void(const MenuItem&)> walk = [&](const MenuItem& parent) {
    for (size_t i = 0; i < parent.Count(); ++i) {
      std::shared_ptr<MenuItem> item = parent.Item(i);
      if (QAction* a = MenuAction(item->Name()); a != nullptr && item->Count() == 0) {
        // An auto-enabled command is available when something handles it.
        const bool enabled =
            item->AutoEnabled() ? (HasMenuHandler(item->Name()) || item->HasOwnAction()) : item->Enabled();
        a->setEnabled(enabled);
      }
      walk(*item);
    }
  };
  walk(*menuBar_);
}

// ------------------------------------------------------------- design record

void Window::SetWidth(int64_t v) {
  contentSize_.setWidth(ClampSize(v));
  LayoutChildren();
}

void Window::SetHeight(int64_t v) {
  contentSize_.setHeight(ClampSize(v));
  LayoutChildren();
}

bool Window::ApplyProperty(std::string_view key, const PropertyValue& v) {
  if (key == "width") SetWidth(AsInt64(key, v));
  else if (key == "height") SetHeight(AsInt64(key, v));
  else if (key == "minimumwidth") minSize_.setWidth(ClampSize(AsInt64(key, v)));
  else if (key == "minimumheight") minSize_.setHeight(ClampSize(AsInt64(key, v)));
  else if (key == "maximumwidth") maxSize_.setWidth(ClampSize(AsInt64(key, v)));
  else if (key == "maximumheight") maxSize_.setHeight(ClampSize(AsInt64(key, v)));
  else if (key == "type") type_ = AsInt64(key, v);  // every kind opens as a document window here
  else if (key == "title") setWindowTitle(AsQString(key, v));
  else if (key == "hasclosebutton") hasClose_ = AsBoolean(key, v);
  else if (key == "hasmaximizebutton") hasMaximize_ = AsBoolean(key, v);
  else if (key == "hasminimizebutton") hasMinimize_ = AsBoolean(key, v);
  else if (key == "hasfullscreenbutton") hasFullScreenButton_ = AsBoolean(key, v);  // no such button on Linux
  else if (key == "resizeable") resizeable_ = AsBoolean(key, v);
  else if (key == "composite") composite_ = AsBoolean(key, v);  // Qt always composites child widgets
  else if (key == "macprocid") macProcID_ = AsInt64(key, v);    // no meaning outside macOS
  else if (key == "fullscreen") fullScreen_ = AsBoolean(key, v);
  else if (key == "defaultlocation") defaultLocation_ = AsInt64(key, v);
  else if (key == "visible") designVisible_ = AsBoolean(key, v);
  else if (key == "hasbackgroundcolor") {
    hasBackgroundColor_ = AsBoolean(key, v);
    content_->update();
  } else if (key == "backgroundcolor") {
    backgroundColor_ = AsColor(key, v);
    content_->update();
  } else if (key == "menubarvisible") {
    menuBarVisible_ = AsBoolean(key, v);
    nativeMenuBar_->setVisible(menuBar_ != nullptr && menuBarVisible_);
  } else return false;
  UpdateWindowFlags();
  UpdateSizeLimits();
  LayoutChildren();
  return true;
}

void Window::UpdateWindowFlags() {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  if (hasClose_) flags |= Qt::WindowCloseButtonHint;
  if (hasMinimize_) flags |= Qt::WindowMinimizeButtonHint;
  if (hasMaximize_ && resizeable_) flags |= Qt::WindowMaximizeButtonHint;
  if (windowFlags() != flags) {
    const bool shown = isVisible();
    setWindowFlags(flags);
    if (shown) show();
  }
}

int Window::MenuBarHeight() const {
  return nativeMenuBar_->isHidden() ? 0 : nativeMenuBar_->sizeHint().height();
}

void Window::UpdateSizeLimits() {
  const int mb = MenuBarHeight();
  if (resizeable_) {
    setMinimumSize(minSize_.width(), minSize_.height() + mb);
    setMaximumSize(std::max(minSize_.width(), maxSize_.width()),
                   std::max(minSize_.height(), maxSize_.height()) + mb);
  } else {
    setFixedSize(contentSize_.width(), contentSize_.height() + mb);
  }
}

void Window::LayoutChildren() {
  const int mb = MenuBarHeight();
  const QSize total(contentSize_.width(), contentSize_.height() + mb);
  if (size() != total) resize(total);  // resizeEvent comes when shown
  nativeMenuBar_->setGeometry(0, 0, total.width(), mb);
  content_->setGeometry(0, mb, contentSize_.width(), contentSize_.height());
}

void Window::resizeEvent(QResizeEvent*) {
  const int mb = MenuBarHeight();
  const QSize newContent(width(), std::max(0, height() - mb));
  const QSize old = content_->size();
  contentSize_ = newContent;
  nativeMenuBar_->setGeometry(0, 0, width(), mb);
  content_->setGeometry(0, mb, newContent.width(), newContent.height());
  const int dw = newContent.width() - old.width(), dh = newContent.height() - old.height();
  if (dw != 0 || dh != 0)
    for (Control* c : controls_) c->FollowResize(dw, dh);
}

void Window::ShowAsDesigned() {
  if (defaultLocation_ != 0 && defaultLocation_ != 1) {
    // Centred on the main screen (an own-parent location has no parent here).
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect avail = screen->availableGeometry();
      move(avail.center() - QPoint(width() / 2, height() / 2));
    }
  }
  if (fullScreen_) showFullScreen();
  else show();
}

// ------------------------------------------------------------- appearance

void Window::SetNativeBackgroundColor(const QColor& c) {
  nativeBackground_ = c;
  content_->update();
}

void Window::SetOpaque(bool v) {
  opaque_ = v;
  content_->update();
}

void Window::InvalidateShadow() {
  // The window manager draws the shadow from the window's shape; a repaint
  // gives it the new one.
  update();
}

void Window::PaintContent(QWidget* on) {
  QPainter p(on);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  QColor back = nativeBackground_;
  if (opaque_) back.setAlpha(255);  // an opaque window ignores the color's transparency
  p.fillRect(on->rect(), back);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (hasBackgroundColor_) p.fillRect(on->rect(), ToQColor(backgroundColor_));
  if (backdrop_) p.drawImage(0, 0, backdropImage_.Of(*backdrop_));
}

void Window::BackgroundPressed(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  Dispatch([&] { Event_MouseDown(at.x(), at.y()); });
  if (!movableByBackground_ || e->button() != Qt::LeftButton || isFullScreen()) return;
  if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
  // No system move on this platform: follow the pointer ourselves.
  dragging_ = true;
  dragOffset_ = e->globalPosition().toPoint() - pos();
}

void Window::BackgroundMoved(QMouseEvent* e) {
  if (dragging_) move(e->globalPosition().toPoint() - dragOffset_);
}

void Window::BackgroundReleased(QMouseEvent*) { dragging_ = false; }

// The close event arrives accepted: the window always closes.
void Window::closeEvent(QCloseEvent*) {
  Dispatch([this] { Event_Close(); });
}

// ---------------------------------------------------------------- controls

void Window::AddControl(const std::string& name, Control* control) {
  if (control == nullptr) throw NilObjectException("Window.AddControl: the control is nil.");
  if (control->Widget()->parentWidget() != content_) control->Widget()->setParent(content_);
  control->SetName(name);
  control->AttachTo(this);
  controls_.push_back(control);
  QObject::connect(control->Widget(), &QObject::destroyed, this, [this, control] {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  });
}

Control* Window::ControlByName(const std::string& name) const {
  for (Control* c : controls_)
    if (c->Name() == name) return c;
  return nullptr;
}

Control* Window::ControlByNameIndex(const std::string& name, int64_t index) const {
  for (Control* c : controls_)
    if (c->Name() == name && c->Index() == index) return c;
  return nullptr;
}

void Window::ApplyTabOrder() {
  std::vector<Control*> order;
  for (Control* c : controls_)
    if (c->Widget()->focusPolicy() & Qt::TabFocus) order.push_back(c);
  std::stable_sort(order.begin(), order.end(),
                   [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1]->Widget(), order[i]->Widget());
}

Window* GetImplicitWindow(const std::string& className) {
  auto it = Implicit().find(className);
  return it == Implicit().end() ? nullptr : it->second.data();
}

void SetImplicitWindow(const std::string& className, Window* window) {
  TraceStartStep("implicit window " + className);
  Implicit()[className] = window;
}

void ReleaseImplicitWindows() {
  auto windows = std::move(Implicit());
  Implicit().clear();
  for (auto& [name, w] : windows) delete w.data();
}

void SetProperties(Window& window, std::string_view record) { ApplyRecord(window, record, "a window"); }

void SetProperties(Control& control, std::string_view record) {
  ApplyRecord(control, record, control.ClassName());
}

}  // namespace fw
