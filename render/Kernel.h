#pragma once
// Internal to the engine: the data one render hands to its kernels, and the
// update formulas and escape measures written once for both the scalar
// path (T = double) and the AVX2 path (T = a vector of four doubles).
//
// This header is compiled both with and without -mavx2. Everything it
// defines has internal linkage (anonymous namespace), so the linker can
// never swap an AVX2-encoded copy into the portable code; the kernels call
// no standard-library template for the same reason.
#include <cstdint>

#include "render/Formula.h"

namespace render {

// Everything the kernels need for one render, as plain data. The points
// are the used (row, column) pairs, numbered row by row.
struct Work {
  const double* colValue = nullptr;  // grid value of used column c
  const double* rowValue = nullptr;  // grid value of used row r
  const int64_t* colX = nullptr;     // picture x of used column c
  const int64_t* rowOffset = nullptr;  // picture y * width of used row r
  int64_t cols = 0, rows = 0, points = 0;

  bool gridIsStart = false;  // false: grid gives c, z starts at 0
  double cr = 0.0, ci = 0.0; // the constant c when gridIsStart
  double bound = 4.0;
  int64_t mn = 0;            // >= 0
  Formula formula{};
  Measure measure{};

  uint32_t* out = nullptr;

  // Colors: the escape color of step k with the signs of the escaping z
  // is escapeTable[k * 4 + (zr < 0) * 2 + (zi < 0)] for k < tableSteps,
  // else escapeColor(context, k, zrNegative, ziNegative). A point that
  // never escapes keeps the non-escape color of step mn.
  const uint32_t* escapeTable = nullptr;
  int64_t tableSteps = 0;
  uint32_t (*escapeColor)(const void* context, int64_t k, bool zrNegative, bool ziNegative) = nullptr;
  const void* context = nullptr;
  bool escapeUsesSigns = true;  // false: the signs never change the color
  uint32_t lastStepColor = 0;

  int64_t* nextPoint = nullptr;  // shared queue head, advanced atomically
  int64_t batchDivisor = 1;
};

// Points a worker takes from the shared queue at a time: a share of what
// is left (the remaining points over batchDivisor), at least kBatch and at
// most kMaxBatch, so the threads rarely meet at the queue head early on and
// still end together. The first pass settles a batch kBatch points at a
// time.
inline constexpr int64_t kBatch = 64;
inline constexpr int64_t kMaxBatch = 4096;

// Runs the AVX2 kernel on the shared queue until it is empty; returns the
// iteration steps computed. Defined in render/avx2/.
uint64_t RunVectorKernel(const Work& work);
// One update step in every lane of a vector; returns lane 0's result.
void VectorStepOnce(Formula formula, double& zr, double& zi, double cr, double ci);

namespace {

// One update step from z = zr + zi*i with rr = zr * zr and ii = zi * zi
// already formed (the same products the measure of the previous step
// formed, so reusing them changes no bit). Every operation is a separate
// IEEE double operation in the order written. two holds 2.0 (the vector
// kernel passes it hidden from the compiler, which would otherwise turn the
// product into zr + zr, the same bits but on the busier adder).
template <Formula F, class T>
inline void Step(T& zr, T& zi, T rr, T ii, T cr, T ci, T two) {
  T nr, ni;
  if constexpr (F == Formula::Square) {  // z^2 + c
    nr = (rr - ii) + cr;
    ni = ((two * zr) * zi) + ci;
  } else if constexpr (F == Formula::Cube) {  // z^3 + c
    nr = (((rr * zr) - (ii * zr)) - (((two * zr) * zi) * zi)) + cr;
    ni = (((rr * zi) - (ii * zi)) + (((two * zr) * zr) * zi)) + ci;
  } else if constexpr (F == Formula::Fourth) {  // z^4 + c
    const T t1 = (rr * zr) * zr;
    const T t2 = (ii * zi) * zi;
    const T t3 = (((6.0 * zr) * zr) * zi) * zi;
    nr = ((t1 + t2) - t3) + cr;
    const T t4 = (((4.0 * zr) * zr) * zr) * zi;
    const T t5 = (ii * zi) * zr;
    const T t6 = (((3.0 * zr) * zi) * zi) * zi;
    ni = ((t4 - t5) - t6) + ci;
  } else {  // z^5 + c
    const T t1 = ((rr * zr) * zr) * zr;
    const T t2 = ((((10.0 * zr) * zr) * zr) * zi) * zi;
    const T t3 = ((((5.0 * zr) * zi) * zi) * zi) * zi;
    nr = ((t1 - t2) + t3) + cr;
    const T t4 = ((((5.0 * zr) * zr) * zr) * zr) * zi;
    const T t5 = ((ii * zi) * zi) * zi;
    const T t6 = ((((10.0 * zr) * zr) * zi) * zi) * zi;
    ni = ((t4 + t5) - t6) + ci;
  }
  zr = nr;
  zi = ni;
}

// The escape measure of z, from rr = zr * zr and ii = zi * zi.
template <Measure M, class T>
inline T MeasureOf(T zr, T zi, T rr, T ii) {
  if constexpr (M == Measure::SumOfSquares) {
    return rr + ii;
  } else {  // the product is added last, to the sum of the squares
    return (rr + ii) + (zr * zi);
  }
}

// The color a finished point leaves in its pixel.
inline uint32_t FinalColor(const Work& w, bool escaped, int64_t k, double zr, double zi) {
  if (!escaped) return w.lastStepColor;
  const bool rNeg = 0.0 > zr, iNeg = 0.0 > zi;
  if (k < w.tableSteps) return w.escapeTable[k * 4 + (rNeg ? 2 : 0) + (iNeg ? 1 : 0)];
  return w.escapeColor(w.context, k, rNeg, iNeg);
}

// Takes the next batch of points from the shared queue: [*first, *end).
inline bool TakeBatch(const Work& w, int64_t* first, int64_t* end) {
  const int64_t head = __atomic_load_n(w.nextPoint, __ATOMIC_RELAXED);
  if (head >= w.points) return false;
  int64_t size = (w.points - head) / w.batchDivisor;
  size = size < kBatch ? kBatch : size > kMaxBatch ? kMaxBatch : size;
  const int64_t b = __atomic_fetch_add(w.nextPoint, size, __ATOMIC_RELAXED);
  if (b >= w.points) return false;
  *first = b;
  *end = b + size < w.points ? b + size : w.points;
  return true;
}

}  // namespace
}  // namespace render
