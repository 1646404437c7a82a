#pragma once
#include <array>
#include <cstdint>

#include "framework/core/Color.h"

// The five color sets of the color-set popup, 16 entries each. The
// repeated entries are intended: they make those colors likelier.
namespace colorsets {

inline constexpr int kSetCount = 5;
inline constexpr int kEntries = 16;

using ColorSet = std::array<fw::Color, kEntries>;

// Set n (0 "16色", 1 "日本色", 2 "絵具", 3 "ヌビロ", 4 "ペラサ").
const ColorSet& Set(int n);

}  // namespace colorsets

// The 16 colors one render draws from the chosen set.
using Palette = std::array<fw::Color, colorsets::kEntries>;
