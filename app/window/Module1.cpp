#include "app/window/Module1.h"

#include "framework/core/Runtime.h"
#include "framework/ui/NativeClass.h"
#include "framework/ui/Widgets.h"
#include "framework/ui/Window.h"

namespace Module1 {

void SetMovableWindow(intptr_t window) {
  if (fw::Window* w = fw::Window::FromHandle(window)) w->SetMovableByBackground(true);
}

void MakeWindowTransparent(intptr_t window) {
  fw::Window* w = fw::Window::FromHandle(window);
  if (w == nullptr) return;
  // Without the color class there is no color, and the background stays.
  if (const auto* color = dynamic_cast<const fw::ColorClass*>(NSClassFromString("NSColor")))
    w->SetNativeBackgroundColor(color->ColorWithCalibratedWhite(1.0, 0.0));
  w->SetOpaque(false);
  w->InvalidateShadow();
}

const fw::NativeClass* NSClassFromString(std::string_view name) { return fw::ClassFromString(name); }

void SetControlSize(fw::Control* control, int64_t size) {
  fw::Control& c = fw::Deref(control, "SetControlSize: the control");
  fw::ControlSize s = fw::ControlSize::Mini;
  if (size == NSControlSizeRegular) s = fw::ControlSize::Regular;
  else if (size == NSControlSizeSmall) s = fw::ControlSize::Small;
  c.SetControlSize(s);
  if (dynamic_cast<fw::ProgressBar*>(control) != nullptr || dynamic_cast<fw::ProgressWheel*>(control) != nullptr)
    return;  // a progress control keeps its font

  // A mini control takes the small system font too; there is no smaller one.
  if (const auto* fonts = dynamic_cast<const fw::FontClass*>(NSClassFromString("NSFont")))
    c.Widget()->setFont(fonts->SystemFontOfSize(size == NSControlSizeRegular ? fonts->SystemFontSize()
                                                                              : fonts->SmallSystemFontSize()));
}

}  // namespace Module1
