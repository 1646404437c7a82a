#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "framework/core/Controls.h"

// The design of the window and of its 50 controls: one property record each,
// constant byte strings, and the control table in creation order.
namespace records {

enum class ControlClass { Rectangle, Canvas, TextField, PushButton, Label, UpDownArrows, PopupMenu };

struct ControlDesign {
  ControlClass cls;
  std::string_view name;  // the control's name; for an array member the array's name
  int64_t index;          // position in its array, or fw::kNoControlIndex
  std::string_view record;
};

// The rows of the color-set popup ColorPM: row n names color set n. Its
// record stores them separated by CR.
inline constexpr std::array<std::string_view, 5> kColorSetNames{"16色", "日本色", "絵具", "ヌビロ", "ペラサ"};

// The window's record.
std::string_view WindowRecord();

// The 50 controls in creation order, each with its record.
const std::array<ControlDesign, 50>& ControlTable();

}  // namespace records
