// The AVX2 kernel (this file alone is compiled with -mavx2). Work comes
// from the shared queue in batches. A first pass runs each batch in groups
// of 12 points (three interleaved vectors, enough to hide the latency of
// one step) for up to 64 steps, which settles most points outside the set
// without any per-lane bookkeeping, and those inside that repeat a value
// soon (every eighth step z is compared with its value at the last power
// of two). The points it leaves go on, from
// where they stopped, in a lane-refill loop: each lane whose point finishes
// (escaped, reached the limit, or caught in an exact cycle) writes its
// color and takes the next point at once, so no lane idles while slow
// points run on. Every lane performs the same IEEE double operations in the
// same order as the scalar loop, none fused.
#include <immintrin.h>

#include "render/Kernel.h"

namespace render {
namespace {

typedef double V4 __attribute__((vector_size(32)));
typedef long long M4 __attribute__((vector_size(32)));

constexpr int kVectors = 3;
constexpr int kLanes = kVectors * 4;
// Vectors of the lane loop.
constexpr int kLoopVectors = 3;
constexpr int kLoopLanes = kLoopVectors * 4;
// Steps of the first pass; points still running after it go on in lanes,
// as do the last few of a group when the others have escaped. The first
// pass costs less per step than the lanes (no lane is ever refilled), so it
// runs long; with a limit of at most kSettleAll steps it takes every point
// to the end.
constexpr int64_t kSettleSteps = 64;
constexpr int64_t kSettleAll = 128;
constexpr int kStragglers = 2;
// Every this many steps the first pass tests for repeats of z.
constexpr int64_t kSettleRepeatPeriod = 8;
// Every this many steps the lanes may save z for the cycle test (and the
// loop looks at the lanes even when none has finished).
constexpr int64_t kCheckpointPeriod = 64;
constexpr int64_t kNever = INT64_MAX;

inline V4 Splat(double v) { return V4{v, v, v, v}; }
inline M4 BitsOf(V4 v) { return (M4)v; }
inline int MaskOf(M4 m) { return _mm256_movemask_pd((__m256d)m); }
// a > b, false where either is NaN.
inline M4 Greater(V4 a, V4 b) { return (M4)_mm256_cmp_pd((__m256d)a, (__m256d)b, _CMP_GT_OQ); }
inline M4 SameBits(M4 a, M4 b) { return (M4)_mm256_cmpeq_epi64((__m256i)a, (__m256i)b); }
inline V4 Load(const double* p) { return (V4)_mm256_load_pd(p); }
inline void Store(double* p, V4 v) { _mm256_store_pd(p, (__m256d)v); }
inline M4 LoadBits(const int64_t* p) { return (M4)_mm256_load_si256((const __m256i*)p); }
inline int64_t Min(int64_t a, int64_t b) { return a < b ? a : b; }
// b where the mask is set, else a.
inline V4 Blend(V4 a, V4 b, M4 mask) { return (V4)_mm256_blendv_pd((__m256d)a, (__m256d)b, (__m256d)mask); }
inline M4 Blend(M4 a, M4 b, M4 mask) { return (M4)Blend((V4)a, (V4)b, mask); }
// 2.0 in every lane, hidden from the compiler so that 2.0 * zr stays a
// product (it would otherwise become zr + zr: the same bits, but on the
// adders, which the loop already keeps busier than the multipliers).
inline V4 OpaqueTwo() {
  V4 t = Splat(2.0);
  asm("" : "+x"(t));
  return t;
}

// A point's current z, its c, its pixel and the steps it has taken.
struct Start {
  double zr, zi, cr, ci;
  int64_t offset;
  int64_t taken = 0;
};

inline Start StartOf(const Work& w, int64_t r, int64_t c) {
  const int64_t offset = w.rowOffset[r] + w.colX[c];
  if (w.gridIsStart) return {w.colValue[c], w.rowValue[r], w.cr, w.ci, offset, 0};
  return {0.0, 0.0, w.colValue[c], w.rowValue[r], offset, 0};
}

// The first pass over points [first, end): at most kSettleSteps steps for
// each (all mn + 1 when mn is below kSettleAll). Finished points get their
// color; the others are appended to survivors.
template <Formula F, Measure M, bool Signs>
void Settle(const Work& w, int64_t first, int64_t end, Start* survivors, int& survivorCount,
            uint64_t& steps) {
  const int64_t limit = w.mn < kSettleAll ? w.mn + 1 : kSettleSteps;
  const V4 bound = Splat(w.bound);
  const V4 two = OpaqueTwo();
  alignas(32) double zr0[kLanes], zi0[kLanes], cr0[kLanes], ci0[kLanes];
  alignas(32) double escR[kLanes], escI[kLanes];
  alignas(32) int64_t escK[kLanes];
  int64_t offset[kLanes];
  for (int64_t g = first; g < end; g += kLanes) {
    const int n = static_cast<int>(Min(kLanes, end - g));
    int64_t r = g / w.cols, c = g - r * w.cols;  // the group's first point
    V4 zr[kVectors], zi[kVectors], rr[kVectors], ii[kVectors], cr[kVectors], ci[kVectors];
    if (n == kLanes && c + kLanes <= w.cols) {
      // The whole group lies in one row: load the grid values directly.
      const V4 row = Splat(w.rowValue[r]);
      for (int v = 0; v < kVectors; ++v) {
        const V4 col = (V4)_mm256_loadu_pd(w.colValue + c + 4 * v);
        if (w.gridIsStart) {
          zr[v] = col;
          zi[v] = row;
          cr[v] = Splat(w.cr);
          ci[v] = Splat(w.ci);
        } else {
          zr[v] = zi[v] = Splat(0.0);
          cr[v] = col;
          ci[v] = row;
        }
      }
      for (int lane = 0; lane < kLanes; ++lane) offset[lane] = w.rowOffset[r] + w.colX[c + lane];
    } else {
      for (int lane = 0; lane < kLanes; ++lane) {
        if (lane < n) {
          const Start s = StartOf(w, r, c);
          if (++c == w.cols) {
            c = 0;
            ++r;
          }
          zr0[lane] = s.zr;
          zi0[lane] = s.zi;
          cr0[lane] = s.cr;
          ci0[lane] = s.ci;
          offset[lane] = s.offset;
        } else {  // padding: NaN never escapes
          zr0[lane] = zi0[lane] = cr0[lane] = ci0[lane] = __builtin_nan("");
          offset[lane] = -1;
        }
      }
      for (int v = 0; v < kVectors; ++v) {
        zr[v] = Load(zr0 + 4 * v);
        zi[v] = Load(zi0 + 4 * v);
        cr[v] = Load(cr0 + 4 * v);
        ci[v] = Load(ci0 + 4 * v);
      }
    }
    V4 er[kVectors], ei[kVectors];  // z where the lane escaped (with Signs)
    M4 alive[kVectors];   // all ones while the lane has neither escaped nor repeated
    M4 count[kVectors];   // steps the lane took without escaping
    V4 sr[kVectors], si[kVectors];  // z at the last power-of-two step
    for (int v = 0; v < kVectors; ++v) {
      rr[v] = zr[v] * zr[v];
      ii[v] = zi[v] * zi[v];
      er[v] = ei[v] = Splat(0.0);
      alive[v] = M4{-1, -1, -1, -1};
      count[v] = M4{0, 0, 0, 0};
      sr[v] = zr[v];
      si[v] = zi[v];
    }
    // Run until every lane has escaped, or the few that have not are left
    // to the lanes of the second loop.
    int64_t taken = 0;
    const unsigned realLanes = (1u << n) - 1;  // not the padding
    unsigned runningBits = realLanes;
    unsigned repeatedBits = 0;  // lanes in an exact cycle: they never escape
    while (taken < limit && __builtin_popcount(runningBits) > kStragglers) {
      runningBits = 0;
      for (int v = 0; v < kVectors; ++v) {
        Step<F>(zr[v], zi[v], rr[v], ii[v], cr[v], ci[v], two);
        rr[v] = zr[v] * zr[v];
        ii[v] = zi[v] * zi[v];
        const M4 e = Greater(MeasureOf<M>(zr[v], zi[v], rr[v], ii[v]), bound);
        if constexpr (Signs) {
          const M4 now = e & alive[v];
          er[v] = Blend(er[v], zr[v], now);
          ei[v] = Blend(ei[v], zi[v], now);
        }
        alive[v] = (M4)_mm256_andnot_si256((__m256i)e, (__m256i)alive[v]);
        count[v] -= alive[v];
        runningBits |= static_cast<unsigned>(MaskOf(alive[v])) << (4 * v);
      }
      ++taken;
      if (taken % kSettleRepeatPeriod == 0) {
        // z's next value depends on z's bits alone: a lane whose z repeats
        // runs through values already tested, none of which escaped.
        const bool save = (taken & (taken - 1)) == 0;
        for (int v = 0; v < kVectors; ++v) {
          const M4 same = SameBits(BitsOf(zr[v]), BitsOf(sr[v])) & SameBits(BitsOf(zi[v]), BitsOf(si[v])) & alive[v];
          alive[v] = (M4)_mm256_andnot_si256((__m256i)same, (__m256i)alive[v]);
          const unsigned bits = static_cast<unsigned>(MaskOf(same)) << (4 * v);
          repeatedBits |= bits;
          runningBits &= ~bits;
          if (save) {
            sr[v] = zr[v];
            si[v] = zi[v];
          }
        }
      }
      runningBits &= realLanes;
    }
    repeatedBits &= realLanes;
    for (int v = 0; v < kVectors; ++v) {
      Store(escR + 4 * v, Signs ? er[v] : zr[v]);
      Store(escI + 4 * v, Signs ? ei[v] : zi[v]);
      Store(zr0 + 4 * v, zr[v]);
      Store(zi0 + 4 * v, zi[v]);
      Store(cr0 + 4 * v, cr[v]);
      Store(ci0 + 4 * v, ci[v]);
      _mm256_store_si256((__m256i*)(escK + 4 * v), (__m256i)count[v]);
    }
    uint64_t groupSteps = 0;
    uint32_t* const out = w.out;
    // The escaped lanes: escape step k is the count of steps before.
    for (unsigned bits = realLanes & ~runningBits & ~repeatedBits; bits != 0; bits &= bits - 1) {
      const int lane = __builtin_ctz(bits);
      const int64_t k = escK[lane];
      uint32_t color;
      if (Signs || k >= w.tableSteps)
        color = FinalColor(w, true, k, escR[lane], escI[lane]);
      else  // the signs do not matter: any entry of step k
        color = w.escapeTable[k * 4];
      out[offset[lane]] = color;
      groupSteps += static_cast<uint64_t>(k) + 1;
    }
    for (unsigned bits = repeatedBits; bits != 0; bits &= bits - 1) {
      const int lane = __builtin_ctz(bits);
      out[offset[lane]] = w.lastStepColor;
      groupSteps += static_cast<uint64_t>(escK[lane]);
    }
    if (taken > w.mn) {  // all mn + 1 steps taken
      for (unsigned bits = runningBits; bits != 0; bits &= bits - 1) {
        out[offset[__builtin_ctz(bits)]] = w.lastStepColor;
        groupSteps += static_cast<uint64_t>(taken);
      }
    } else {
      for (unsigned bits = runningBits; bits != 0; bits &= bits - 1) {  // go on from here
        const int lane = __builtin_ctz(bits);
        survivors[survivorCount++] = {zr0[lane], zi0[lane], cr0[lane], ci0[lane], offset[lane], taken};
      }
    }
    steps += groupSteps;
  }
}

// The points for the lanes: those the first pass leaves, batch by batch.
template <Formula F, Measure M>
class Feed {
 public:
  Feed(const Work& w, uint64_t& steps) : w_(w), steps_(steps) {}
  bool Next(Start& s) {
    while (next_ == count_) {
      if (first_ == end_ && !TakeBatch(w_, &first_, &end_)) return false;
      const int64_t end = first_ + kBatch < end_ ? first_ + kBatch : end_;
      next_ = count_ = 0;
      if (w_.escapeUsesSigns)
        Settle<F, M, true>(w_, first_, end, survivors_, count_, steps_);
      else
        Settle<F, M, false>(w_, first_, end, survivors_, count_, steps_);
      first_ = end;
    }
    s = survivors_[next_++];
    return true;
  }

 private:
  const Work& w_;
  uint64_t& steps_;
  int64_t first_ = 0, end_ = 0;  // the rest of the batch taken
  Start survivors_[kBatch];
  int count_ = 0, next_ = 0;
};

// One step of every vector of the lane loop; returns the lanes that
// escaped (and, with Repeat, those whose zr repeats its saved bits). For
// z^2 + c only rr - ii is kept between steps (d), which frees a register per
// vector; the difference is the one the step would form, so no bit changes.
template <Formula F, Measure M, bool Repeat, int N>
__attribute__((always_inline)) inline M4 Advance(V4 (&zr)[N], V4 (&zi)[N], V4 (&rr)[N], V4 (&ii)[N],
                                                 V4 (&d)[N], const V4 (&cr)[N], const V4 (&ci)[N],
                                                 const M4 (&sr)[N], V4 two, V4 bound) {
  M4 any = M4{0, 0, 0, 0};
  for (int v = 0; v < N; ++v) {
    M4 e;
    if constexpr (F == Formula::Square) {
      const V4 nr = d[v] + cr[v];
      const V4 ni = ((two * zr[v]) * zi[v]) + ci[v];
      zr[v] = nr;
      zi[v] = ni;
      const V4 r2 = nr * nr, i2 = ni * ni;
      d[v] = r2 - i2;
      e = Greater(MeasureOf<M>(nr, ni, r2, i2), bound);
    } else {
      Step<F>(zr[v], zi[v], rr[v], ii[v], cr[v], ci[v], two);
      rr[v] = zr[v] * zr[v];
      ii[v] = zi[v] * zi[v];
      e = Greater(MeasureOf<M>(zr[v], zi[v], rr[v], ii[v]), bound);
    }
    if constexpr (Repeat) e |= SameBits(BitsOf(zr[v]), sr[v]);
    any |= e;
  }
  return any;
}

// The lanes of the second loop, one array per quantity, four lanes per
// vector.
struct Lanes {
  alignas(32) double zr[kLoopLanes], zi[kLoopLanes], cr[kLoopLanes], ci[kLoopLanes];
  alignas(32) int64_t savedR[kLoopLanes], savedI[kLoopLanes];  // z at the last checkpoint, as bits
  int64_t offset[kLoopLanes];      // pixel of the lane's point; -1 when idle
  int64_t start[kLoopLanes];       // the clock when the point entered the lane
  int64_t saveAge[kLoopLanes];     // steps after which the lane saves z next
  int64_t limitAt[kLoopLanes];     // clock at which the point has taken mn + 1 steps (or kNever)
};

template <Formula F, Measure M>
uint64_t Kernel(const Work& w) {
  uint64_t steps = 0;
  Feed<F, M> feed(w, steps);
  Lanes L;
  int64_t clock = 0;           // steps every lane has run
  int64_t nextLimit = kNever;  // earliest limit of any lane
  int active = 0;

  // Puts the next point into the lane, or idles it: an idle lane holds
  // NaN, which never escapes and never matches its saved bits.
  auto refill = [&](int lane) {
    Start s;
    const bool got = feed.Next(s);
    if (!got) s = {__builtin_nan(""), __builtin_nan(""), __builtin_nan(""), __builtin_nan(""), -1, 0};
    L.zr[lane] = s.zr;
    L.zi[lane] = s.zi;
    L.cr[lane] = s.cr;
    L.ci[lane] = s.ci;
    L.savedR[lane] = got ? __builtin_bit_cast(int64_t, s.zr) : 0;
    L.savedI[lane] = got ? __builtin_bit_cast(int64_t, s.zi) : 0;
    L.offset[lane] = s.offset;
    L.start[lane] = clock - s.taken;
    L.saveAge[lane] = 0;
    // The steps left, mn - taken + 1, may reach past the clock's range.
    const int64_t left = w.mn - s.taken;
    L.limitAt[lane] = got && left < kNever - clock ? clock + left + 1 : kNever;
    nextLimit = Min(nextLimit, L.limitAt[lane]);
    return got;
  };
  auto finish = [&](int lane, bool escaped) {
    const int64_t k = clock - L.start[lane] - 1;  // the step just taken
    w.out[L.offset[lane]] = FinalColor(w, escaped, k, L.zr[lane], L.zi[lane]);
    steps += static_cast<uint64_t>(k) + 1;
    if (!refill(lane)) --active;
  };

  for (int lane = 0; lane < kLoopLanes; ++lane) active += refill(lane) ? 1 : 0;

  const V4 bound = Splat(w.bound);
  const V4 two = OpaqueTwo();
  while (active > 0) {
    const int64_t nextCheckpoint = (clock / kCheckpointPeriod + 1) * kCheckpointPeriod;
    const int64_t block = Min(nextCheckpoint, nextLimit) - clock;
    constexpr int N = kLoopVectors;
    V4 zr[N], zi[N], rr[N], ii[N], d[N], cr[N], ci[N];
    M4 sr[N];
    for (int v = 0; v < N; ++v) {
      zr[v] = Load(L.zr + 4 * v);
      zi[v] = Load(L.zi + 4 * v);
      rr[v] = zr[v] * zr[v];
      ii[v] = zi[v] * zi[v];
      d[v] = rr[v] - ii[v];
      cr[v] = Load(L.cr + 4 * v);
      ci[v] = Load(L.ci + 4 * v);
      sr[v] = LoadBits(L.savedR + 4 * v);
    }
    int64_t ran = 0;
    int hit = 0;
    // Two steps per round: both test for escape, only the second for a
    // repeat of zr (a cycle is then found at most one period later; the
    // lanes are looked at in full below).
    for (;;) {
      hit = MaskOf(Advance<F, M, false>(zr, zi, rr, ii, d, cr, ci, sr, two, bound));
      ++ran;
      if (hit != 0 || ran == block) break;
      hit = MaskOf(Advance<F, M, true>(zr, zi, rr, ii, d, cr, ci, sr, two, bound));
      ++ran;
      if (hit != 0 || ran == block) break;
    }
    clock += ran;
    for (int v = 0; v < N; ++v) {
      Store(L.zr + 4 * v, zr[v]);
      Store(L.zi + 4 * v, zi[v]);
    }

    if (hit != 0) {
      // Which lanes escaped or repeated, from the values just stored.
      for (int v = 0; v < kLoopVectors; ++v) {
        const V4 r = Load(L.zr + 4 * v), i = Load(L.zi + 4 * v);
        const int esc = MaskOf(Greater(MeasureOf<M>(r, i, r * r, i * i), bound));
        const M4 cyc = SameBits(BitsOf(r), LoadBits(L.savedR + 4 * v)) &
                       SameBits(BitsOf(i), LoadBits(L.savedI + 4 * v));
        int done = esc | MaskOf(cyc);
        while (done != 0) {
          const int j = __builtin_ctz(static_cast<unsigned>(done));
          done &= done - 1;
          finish(4 * v + j, ((esc >> j) & 1) != 0);
        }
      }
    }
    if (clock == nextLimit) {
      // Lanes at their limit never escaped.
      nextLimit = kNever;
      for (int lane = 0; lane < kLoopLanes; ++lane) {
        if (L.limitAt[lane] == clock) finish(lane, false);
        nextLimit = Min(nextLimit, L.limitAt[lane]);
      }
    }
    if (clock % kCheckpointPeriod == 0) {
      // Each lane saves z at growing intervals (half its age, at least a
      // period), so any cycle is found once an interval exceeds its length,
      // and a point that has settled into a cycle is stopped soon after.
      for (int lane = 0; lane < kLoopLanes; ++lane) {
        const int64_t age = clock - L.start[lane];
        if (age >= L.saveAge[lane] && L.offset[lane] >= 0) {
          L.savedR[lane] = __builtin_bit_cast(int64_t, L.zr[lane]);
          L.savedI[lane] = __builtin_bit_cast(int64_t, L.zi[lane]);
          L.saveAge[lane] = age + (age / 2 > kCheckpointPeriod ? age / 2 : kCheckpointPeriod);
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
    case Formula::Square: Step<Formula::Square>(r, i, rr, ii, a, b, Splat(2.0)); break;
    case Formula::Cube: Step<Formula::Cube>(r, i, rr, ii, a, b, Splat(2.0)); break;
    case Formula::Fourth: Step<Formula::Fourth>(r, i, rr, ii, a, b, Splat(2.0)); break;
    case Formula::Fifth: Step<Formula::Fifth>(r, i, rr, ii, a, b, Splat(2.0)); break;
  }
  zr = r[0];
  zi = i[0];
}

}  // namespace render
