#pragma once
#include <cstdint>

#include "render/Engine.h"
#include "render/MWModel.h"

// The two frames that every render command runs: the Mandelbrot-type frame
// (c from the grid point, z from 0) and the Julia frame (z from the grid
// point, c drawn from the constant table). A command only names its
// choices; the frame does the rest.
namespace render {

struct MandelbrotCommand {
  IterationRule rule;
  Coloring coloring;
  bool storesPointInWindow = true;  // c kept in ma/mb (false: in locals)
  bool verticalOffset = true;       // oy = trunc(250 - mpixcel / 2)
};

struct JuliaCommand {
  IterationRule rule;  // bound 2.0
  Coloring coloring;
};

void RunMandelbrotFrame(MWModel& w, const MandelbrotCommand& command);
void RunJuliaFrame(MWModel& w, const JuliaCommand& command);

// The Julia constant table, index 0..9.
struct JuliaConstant {
  double re, im;
};
const JuliaConstant& JuliaConstantAt(int64_t k);

// The grid mapping of the Mandelbrot-type frame, in its evaluation order.
inline double GridCoordinate(int64_t index, double mw, int64_t mpixcel) {
  return ((static_cast<double>(index) * mw) / static_cast<double>(mpixcel)) - (mw / 2.0);
}

// The vertical offset: trunc(250.0 - mpixcel / 2.0).
inline int64_t VerticalOffset(int64_t mpixcel) {
  return static_cast<int64_t>(250.0 - static_cast<double>(mpixcel) / 2.0);
}

}  // namespace render
