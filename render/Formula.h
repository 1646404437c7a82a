#pragma once
#include <cstdint>

namespace render {

// The update formula z <- f(z, c).
enum class Formula : uint8_t { Square, Cube, Fourth, Fifth };
// The escape measure of the new z.
enum class Measure : uint8_t {
  SumOfSquares,   // (zr * zr) + (zi * zi)
  SkewedSum,      // ((zr * zr) + (zi * zi)) + (zr * zi)
};

}  // namespace render
