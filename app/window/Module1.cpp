#include "app/window/Module1.h"

#include "framework/core/Runtime.h"
#include "framework/ui/Window.h"

namespace Module1 {

void SetMovableWindow(intptr_t window) {
  if (fw::Window* w = fw::Window::FromHandle(window)) w->SetMovableByBackground(true);
}

void MakeWindowTransparent(intptr_t window) {
  fw::Window* w = fw::Window::FromHandle(window);
  if (w == nullptr) return;
  w->SetNativeBackgroundColor(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.0f));
  w->SetOpaque(false);
  w->InvalidateShadow();
}

void SetControlSize(fw::Control* control, int64_t size) {
  fw::Deref(control, "SetControlSize: the control");
  fw::ControlSize s = fw::ControlSize::Mini;
  if (size == NSControlSizeRegular) s = fw::ControlSize::Regular;
  else if (size == NSControlSizeSmall) s = fw::ControlSize::Small;
  control->SetControlSize(s);
}

}  // namespace Module1
