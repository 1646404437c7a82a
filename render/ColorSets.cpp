#include "render/ColorSets.h"

#include <cstddef>

namespace colorsets {
namespace {
using fw::Color;

constexpr Color C(int r, int g, int b) { return Color::RGB(r, g, b, 0); }

constexpr std::array<ColorSet, kSetCount> kSets = {{
    // 0 "16色": whole color words; entry 3 is fully transparent.
    {Color(0x00000000), Color(0x000000FF), Color(0x00996633), Color(0xFF000000),
     Color(0x0000FFFF), Color(0x00555555), Color(0x00808080), Color(0x0000FF00),
     Color(0x00AAAAAA), Color(0x00FF00FF), Color(0x00FF8000), Color(0x00800080),
     Color(0x00FF0000), Color(0x00008080), Color(0x00FFFFFF), Color(0x00FFFF00)},
    // 1 "日本色"
    {C(0, 91, 170), C(250, 190, 0), C(233, 71, 9), C(0, 133, 163), C(193, 0, 43),
     C(116, 83, 153), C(244, 179, 194), C(250, 191, 20), C(248, 204, 220), C(187, 188, 191),
     C(136, 161, 79), C(145, 54, 11), C(228, 94, 57), C(165, 154, 202), C(255, 222, 0),
     C(136, 161, 79)},
    // 2 "絵具"
    {C(196, 205, 207), C(220, 20, 60), C(235, 97, 59), C(0, 71, 171), C(70, 93, 170),
     C(70, 93, 170), C(70, 93, 170), C(0, 137, 107), C(58, 180, 131), C(183, 82, 55),
     C(118, 91, 27), C(162, 105, 168), C(213, 128, 234), C(47, 39, 37), C(87, 70, 45),
     C(121, 194, 102)},
    // 3 "ヌビロ"
    {C(157, 204, 234), C(240, 242, 223), C(214, 163, 151), C(95, 148, 211), C(215, 105, 87),
     C(99, 213, 126), C(247, 127, 116), C(70, 97, 137), C(50, 85, 31), C(50, 85, 31),
     C(110, 45, 37), C(108, 155, 169), C(238, 81, 49), C(42, 60, 151), C(42, 43, 51),
     C(198, 214, 224)},
    // 4 "ペラサ"
    {C(157, 204, 234), C(240, 242, 223), C(214, 163, 151), C(95, 148, 211), C(215, 105, 87),
     C(99, 213, 126), C(247, 127, 116), C(70, 97, 137), C(50, 85, 31), C(110, 45, 37),
     C(108, 155, 169), C(238, 81, 49), C(42, 60, 51), C(42, 43, 51), C(198, 214, 224),
     C(144, 225, 115)},
}};
}  // namespace

const ColorSet& Set(int n) { return kSets.at(static_cast<std::size_t>(n)); }

}  // namespace colorsets
