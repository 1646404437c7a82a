// The AVX2 kernel (this file alone is compiled with -mavx2). Each of four
// interleaved vectors iterates four points; a lane whose point finishes
// (escaped, reached the limit, or caught in an exact cycle) writes its
// colour and takes the next point from the queue at once, so no lane idles
// while slow points run on. Every lane performs the same IEEE double
// operations in the same order as the scalar loop, none fused.
#include <immintrin.h>

#include "render/Kernel.h"

namespace render {
namespace {

typedef double V4 __attribute__((vector_size(32)));
typedef long long M4 __attribute__((vector_size(32)));

constexpr int kVectors = 4;
constexpr int kLanes = kVectors * 4;
// Steps run between two looks at the lanes when no lane finishes.
constexpr int64_t kBlock = 64;

inline V4 Splat(double v) { return V4{v, v, v, v}; }
inline M4 BitsOf(V4 v) { return (M4)v; }
inline int MaskOf(M4 m) { return _mm256_movemask_pd((__m256d)m); }
// a > b, false where either is NaN.
inline M4 Greater(V4 a, V4 b) { return (M4)_mm256_cmp_pd((__m256d)a, (__m256d)b, _CMP_GT_OQ); }
inline M4 SameBits(M4 a, M4 b) { return (M4)_mm256_cmpeq_epi64((__m256i)a, (__m256i)b); }

struct Lanes {
  V4 zr[kVectors], zi[kVectors], rr[kVectors], ii[kVectors], cr[kVectors], ci[kVectors];
  M4 savedR[kVectors], savedI[kVectors];  // z at the last checkpoint, as bits
  int64_t offset[kLanes];      // pixel of the lane's point; -1 when idle
  int64_t k[kLanes];           // steps the point has taken
  int64_t checkpoint[kLanes];  // save z once k reaches this
};

class Feed {
 public:
  explicit Feed(const Work& w) : w_(w) {}
  // The next point's start values and pixel; false when the queue is empty.
  bool Next(double& zr, double& zi, double& cr, double& ci, int64_t& offset) {
    if (p_ == end_ && !TakeBatch(w_, &p_, &end_)) return false;
    const int64_t r = p_ / w_.cols, c = p_ - r * w_.cols;
    ++p_;
    offset = w_.rowOffset[r] + w_.colX[c];
    if (w_.gridIsStart) {
      zr = w_.colValue[c];
      zi = w_.rowValue[r];
      cr = w_.cr;
      ci = w_.ci;
    } else {
      zr = 0.0;
      zi = 0.0;
      cr = w_.colValue[c];
      ci = w_.rowValue[r];
    }
    return true;
  }

 private:
  const Work& w_;
  int64_t p_ = 0, end_ = 0;
};

// Puts the next point into lane j of vector v, or idles the lane: an idle
// lane holds NaN, which never escapes and never matches its saved bits.
inline bool Refill(Lanes& L, Feed& feed, int v, int j) {
  const int lane = v * 4 + j;
  double zr, zi, cr, ci;
  int64_t offset;
  const bool got = feed.Next(zr, zi, cr, ci, offset);
  if (!got) {
    zr = zi = cr = ci = __builtin_nan("");
    offset = -1;
  }
  L.zr[v][j] = zr;
  L.zi[v][j] = zi;
  L.rr[v][j] = zr * zr;
  L.ii[v][j] = zi * zi;
  L.cr[v][j] = cr;
  L.ci[v][j] = ci;
  L.savedR[v][j] = got ? BitsOf(L.zr[v])[j] : 0;
  L.savedI[v][j] = got ? BitsOf(L.zi[v])[j] : 0;
  L.offset[lane] = offset;
  L.k[lane] = 0;
  L.checkpoint[lane] = 1;
  return got;
}

template <Formula F, Measure M>
uint64_t Kernel(const Work& w) {
  Lanes L;
  Feed feed(w);
  int active = 0;
  for (int v = 0; v < kVectors; ++v)
    for (int j = 0; j < 4; ++j) active += Refill(L, feed, v, j) ? 1 : 0;

  const V4 bound = Splat(w.bound);
  uint64_t steps = 0;
  M4 escaped[kVectors], cycled[kVectors];
  while (active > 0) {
    // Run until some lane may have finished: a lane escapes or repeats,
    // or the lane closest to the limit reaches it.
    int64_t block = kBlock;
    for (int lane = 0; lane < kLanes; ++lane)
      if (L.offset[lane] >= 0 && w.mn - L.k[lane] + 1 < block) block = w.mn - L.k[lane] + 1;

    V4 zr[kVectors], zi[kVectors], rr[kVectors], ii[kVectors];
    for (int v = 0; v < kVectors; ++v) {
      zr[v] = L.zr[v];
      zi[v] = L.zi[v];
      rr[v] = L.rr[v];
      ii[v] = L.ii[v];
    }
    int64_t ran = 0;
    while (ran < block) {
      M4 any = M4{0, 0, 0, 0};
      for (int v = 0; v < kVectors; ++v) {
        Step<F>(zr[v], zi[v], rr[v], ii[v], L.cr[v], L.ci[v]);
        rr[v] = zr[v] * zr[v];
        ii[v] = zi[v] * zi[v];
        escaped[v] = Greater(MeasureOf<M>(zr[v], zi[v], rr[v], ii[v]), bound);
        cycled[v] = SameBits(BitsOf(zr[v]), L.savedR[v]) & SameBits(BitsOf(zi[v]), L.savedI[v]);
        any |= escaped[v] | cycled[v];
      }
      ++ran;
      if (MaskOf(any) != 0) break;
    }
    for (int v = 0; v < kVectors; ++v) {
      L.zr[v] = zr[v];
      L.zi[v] = zi[v];
      L.rr[v] = rr[v];
      L.ii[v] = ii[v];
    }

    for (int v = 0; v < kVectors; ++v) {
      const int esc = MaskOf(escaped[v]), cyc = MaskOf(cycled[v]);
      for (int j = 0; j < 4; ++j) {
        const int lane = v * 4 + j;
        if (L.offset[lane] < 0) continue;
        L.k[lane] += ran;
        const int64_t k = L.k[lane] - 1;  // the step just taken
        const bool escapedNow = ((esc >> j) & 1) != 0;
        if (escapedNow || k == w.mn || ((cyc >> j) & 1) != 0) {
          w.out[L.offset[lane]] = FinalColour(w, escapedNow, k, zr[v][j], zi[v][j]);
          steps += static_cast<uint64_t>(k) + 1;
          if (!Refill(L, feed, v, j)) --active;
        } else if (L.k[lane] >= L.checkpoint[lane]) {
          L.savedR[v][j] = BitsOf(zr[v])[j];
          L.savedI[v][j] = BitsOf(zi[v])[j];
          L.checkpoint[lane] = L.k[lane] < (int64_t{1} << 61) ? L.k[lane] * 2 : L.k[lane];
        }
      }
    }
  }
  return steps;
}

template <Formula F>
uint64_t PickMeasure(const Work& w) {
  return w.measure == Measure::SumOfSquares ? Kernel<F, Measure::SumOfSquares>(w)
                                            : Kernel<F, Measure::SkewedSum>(w);
}

}  // namespace

uint64_t RunVectorKernel(const Work& w) {
  switch (w.formula) {
    case Formula::Square: return PickMeasure<Formula::Square>(w);
    case Formula::Cube: return PickMeasure<Formula::Cube>(w);
    case Formula::Fourth: return PickMeasure<Formula::Fourth>(w);
    case Formula::Fifth: return PickMeasure<Formula::Fifth>(w);
  }
  return 0;
}

void VectorStepOnce(Formula formula, double& zr, double& zi, double cr, double ci) {
  V4 r = Splat(zr), i = Splat(zi);
  const V4 rr = r * r, ii = i * i, a = Splat(cr), b = Splat(ci);
  switch (formula) {
    case Formula::Square: Step<Formula::Square>(r, i, rr, ii, a, b); break;
    case Formula::Cube: Step<Formula::Cube>(r, i, rr, ii, a, b); break;
    case Formula::Fourth: Step<Formula::Fourth>(r, i, rr, ii, a, b); break;
    case Formula::Fifth: Step<Formula::Fifth>(r, i, rr, ii, a, b); break;
  }
  zr = r[0];
  zi = i[0];
}

}  // namespace render
