#pragma once
#include <cstdint>

namespace fw {

// A color word &hAARRGGBB. The top byte is the transparency, not the
// opacity: &h00 is opaque, &hFF fully transparent.
struct Color {
  uint32_t value = 0;

  constexpr Color() = default;
  constexpr explicit Color(uint32_t v) : value(v) {}

  // Builds &hAARRGGBB from red, green, blue and transparency (each 0..255;
  // only the low byte of each counts).
  static constexpr Color RGB(int64_t r, int64_t g, int64_t b, int64_t transparency = 0) {
    return Color((static_cast<uint32_t>(transparency & 0xFF) << 24) |
                 (static_cast<uint32_t>(r & 0xFF) << 16) |
                 (static_cast<uint32_t>(g & 0xFF) << 8) | static_cast<uint32_t>(b & 0xFF));
  }

  constexpr uint8_t Red() const { return static_cast<uint8_t>(value >> 16); }
  constexpr uint8_t Green() const { return static_cast<uint8_t>(value >> 8); }
  constexpr uint8_t Blue() const { return static_cast<uint8_t>(value); }
  constexpr uint8_t Transparency() const { return static_cast<uint8_t>(value >> 24); }
  // Opacity in the usual sense: 255 - transparency.
  constexpr uint8_t Alpha() const { return static_cast<uint8_t>(255 - Transparency()); }

  friend constexpr bool operator==(Color a, Color b) { return a.value == b.value; }
};

namespace colors {
inline constexpr Color kOpaqueBlack{0x00000000u};
inline constexpr Color kTransparentBlack{0xFF000000u};
inline constexpr Color kTransparentWhite{0xFFFFFFFFu};
}  // namespace colors

}  // namespace fw
