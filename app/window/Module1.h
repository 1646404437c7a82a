#pragma once
#include <cstdint>
#include <string_view>

namespace fw {
class Control;
class NativeClass;
}

// The window's and the controls' native appearance.
namespace Module1 {

// Control size classes.
enum NSControlSize : int64_t {
  NSControlSizeRegular = 0,
  NSControlSizeSmall = 1,
  NSControlSizeMini = 2,
};

// Lets the window be dragged by any point of its background. Takes the
// window's handle (fw::Window::Handle); an unknown handle does nothing.
void SetMovableWindow(intptr_t window);

// Makes the window's background white with alpha 0 and the window not
// opaque, then has its shadow recomputed. Unknown handles do nothing.
void MakeWindowTransparent(intptr_t window);

// The platform's class of that name ("NSColor", "NSFont"), or nullptr.
const fw::NativeClass* NSClassFromString(std::string_view name);

// Gives the control a size class. A ProgressBar or ProgressWheel (or a
// subclass) takes the size alone and keeps its font; every other control
// also takes the system font of the size: the regular size for 0, the
// small size for every other size. A nil control raises NilObjectException.
void SetControlSize(fw::Control* control, int64_t size);

}  // namespace Module1
