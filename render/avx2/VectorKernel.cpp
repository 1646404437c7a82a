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

// One group of the first pass in registers: kVectors vectors of four lanes.
struct Group {
  V4 zr[kVectors], zi[kVectors], rr[kVectors], ii[kVectors], cr[kVectors], ci[kVectors];
  V4 er[kVectors], ei[kVectors];  // z where the lane escaped (with Signs)
  M4 alive[kVectors];   // all ones while the lane has neither escaped nor repeated
  M4 count[kVectors];   // steps the lane took without escaping
  V4 sr[kVectors], si[kVectors];  // z at the last power-of-two step
  int n;                          // lanes holding a point (the rest is padding)
  int64_t taken;                  // steps every lane has run
  unsigned runningBits;           // lanes still running
  unsigned repeatedBits;          // lanes in an exact cycle: they never escape
};

// The group's values in memory, on the way in and out of the registers.
struct GroupMemory {
  alignas(32) double zr[kLanes], zi[kLanes], cr[kLanes], ci[kLanes];
  alignas(32) double escR[kLanes], escI[kLanes];
  alignas(32) int64_t escK[kLanes];
  int64_t offset[kLanes];
};

// Loads the points [g, g + n) into the group, with NaN in the padding.
__attribute__((always_inline)) inline void LoadGroup(const Work& w, int64_t g, Group& s, GroupMemory& m) {
  int64_t r = g / w.cols, c = g - r * w.cols;  // the group's first point
  if (s.n == kLanes && c + kLanes <= w.cols) {
    // The whole group lies in one row: load the grid values directly.
    const V4 row = Splat(w.rowValue[r]);
    for (int v = 0; v < kVectors; ++v) {
      const V4 col = (V4)_mm256_loadu_pd(w.colValue + c + 4 * v);
      if (w.gridIsStart) {
        s.zr[v] = col;
        s.zi[v] = row;
        s.cr[v] = Splat(w.cr);
        s.ci[v] = Splat(w.ci);
      } else {
        s.zr[v] = s.zi[v] = Splat(0.0);
        s.cr[v] = col;
        s.ci[v] = row;
      }
    }
    for (int lane = 0; lane < kLanes; ++lane) m.offset[lane] = w.rowOffset[r] + w.colX[c + lane];
    return;
  }
  for (int lane = 0; lane < kLanes; ++lane) {
    if (lane < s.n) {
      const Start p = StartOf(w, r, c);
      if (++c == w.cols) {
        c = 0;
        ++r;
      }
      m.zr[lane] = p.zr;
      m.zi[lane] = p.zi;
      m.cr[lane] = p.cr;
      m.ci[lane] = p.ci;
      m.offset[lane] = p.offset;
    } else {  // padding: NaN never escapes
      m.zr[lane] = m.zi[lane] = m.cr[lane] = m.ci[lane] = __builtin_nan("");
      m.offset[lane] = -1;
    }
  }
  for (int v = 0; v < kVectors; ++v) {
    s.zr[v] = Load(m.zr + 4 * v);
    s.zi[v] = Load(m.zi + 4 * v);
    s.cr[v] = Load(m.cr + 4 * v);
    s.ci[v] = Load(m.ci + 4 * v);
  }
}

// Every lane alive, no step taken yet.
__attribute__((always_inline)) inline void BeginGroup(Group& s) {
  for (int v = 0; v < kVectors; ++v) {
    s.rr[v] = s.zr[v] * s.zr[v];
    s.ii[v] = s.zi[v] * s.zi[v];
    s.er[v] = s.ei[v] = Splat(0.0);
    s.alive[v] = M4{-1, -1, -1, -1};
    s.count[v] = M4{0, 0, 0, 0};
    s.sr[v] = s.zr[v];
    s.si[v] = s.zi[v];
  }
  s.taken = 0;
  s.runningBits = (1u << s.n) - 1;
  s.repeatedBits = 0;
}

// One step of every lane: lanes that escape stop (with Signs, keeping the
// escaping z).
template <Formula F, Measure M, bool Signs>
__attribute__((always_inline)) inline void StepGroup(Group& s, V4 bound, V4 two) {
  s.runningBits = 0;
  for (int v = 0; v < kVectors; ++v) {
    Step<F>(s.zr[v], s.zi[v], s.rr[v], s.ii[v], s.cr[v], s.ci[v], two);
    s.rr[v] = s.zr[v] * s.zr[v];
    s.ii[v] = s.zi[v] * s.zi[v];
    const M4 e = Greater(MeasureOf<M>(s.zr[v], s.zi[v], s.rr[v], s.ii[v]), bound);
    if constexpr (Signs) {
      const M4 now = e & s.alive[v];
      s.er[v] = Blend(s.er[v], s.zr[v], now);
      s.ei[v] = Blend(s.ei[v], s.zi[v], now);
    }
    s.alive[v] = (M4)_mm256_andnot_si256((__m256i)e, (__m256i)s.alive[v]);
    s.count[v] -= s.alive[v];
    s.runningBits |= static_cast<unsigned>(MaskOf(s.alive[v])) << (4 * v);
  }
  ++s.taken;
}

// z's next value depends on z's bits alone: a lane whose z repeats runs
// through values already tested, none of which escaped. Stops those lanes;
// at powers of two saves z for the next test.
__attribute__((always_inline)) inline void StopRepeats(Group& s) {
  const bool save = (s.taken & (s.taken - 1)) == 0;
  for (int v = 0; v < kVectors; ++v) {
    const M4 same = SameBits(BitsOf(s.zr[v]), BitsOf(s.sr[v])) & SameBits(BitsOf(s.zi[v]), BitsOf(s.si[v])) & s.alive[v];
    s.alive[v] = (M4)_mm256_andnot_si256((__m256i)same, (__m256i)s.alive[v]);
    const unsigned bits = static_cast<unsigned>(MaskOf(same)) << (4 * v);
    s.repeatedBits |= bits;
    s.runningBits &= ~bits;
    if (save) {
      s.sr[v] = s.zr[v];
      s.si[v] = s.zi[v];
    }
  }
}

// Writes the colors of the finished lanes and appends the running ones to
// survivors (or, once all mn + 1 steps are taken, writes theirs too);
// returns the steps the group took.
template <bool Signs>
__attribute__((always_inline)) inline uint64_t EndGroup(const Work& w, Group& s, GroupMemory& m, Start* survivors,
                                                        int& survivorCount) {
  const unsigned realLanes = (1u << s.n) - 1;
  for (int v = 0; v < kVectors; ++v) {
    Store(m.escR + 4 * v, Signs ? s.er[v] : s.zr[v]);
    Store(m.escI + 4 * v, Signs ? s.ei[v] : s.zi[v]);
    Store(m.zr + 4 * v, s.zr[v]);
    Store(m.zi + 4 * v, s.zi[v]);
    Store(m.cr + 4 * v, s.cr[v]);
    Store(m.ci + 4 * v, s.ci[v]);
    _mm256_store_si256((__m256i*)(m.escK + 4 * v), (__m256i)s.count[v]);
  }
  uint64_t groupSteps = 0;
  uint32_t* const out = w.out;
  // The escaped lanes: escape step k is the count of steps before.
  for (unsigned bits = realLanes & ~s.runningBits & ~s.repeatedBits; bits != 0; bits &= bits - 1) {
    const int lane = __builtin_ctz(bits);
    const int64_t k = m.escK[lane];
    uint32_t color;
    if (Signs || k >= w.tableSteps)
      color = FinalColor(w, true, k, m.escR[lane], m.escI[lane]);
    else  // the signs do not matter: any entry of step k
      color = w.escapeTable[k * 4];
    out[m.offset[lane]] = color;
    groupSteps += static_cast<uint64_t>(k) + 1;
  }
  for (unsigned bits = s.repeatedBits; bits != 0; bits &= bits - 1) {
    const int lane = __builtin_ctz(bits);
    out[m.offset[lane]] = w.lastStepColor;
    groupSteps += static_cast<uint64_t>(m.escK[lane]);
  }
  if (s.taken > w.mn) {  // all mn + 1 steps taken
    for (unsigned bits = s.runningBits; bits != 0; bits &= bits - 1) {
      out[m.offset[__builtin_ctz(bits)]] = w.lastStepColor;
      groupSteps += static_cast<uint64_t>(s.taken);
    }
  } else {
    for (unsigned bits = s.runningBits; bits != 0; bits &= bits - 1) {  // go on from here
      const int lane = __builtin_ctz(bits);
      survivors[survivorCount++] = {m.zr[lane], m.zi[lane], m.cr[lane], m.ci[lane], m.offset[lane], s.taken};
    }
  }
  return groupSteps;
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
  GroupMemory m;
  for (int64_t g = first; g < end; g += kLanes) {
    Group s;
    s.n = static_cast<int>(Min(kLanes, end - g));
    LoadGroup(w, g, s, m);
    BeginGroup(s);
    // Run until every lane has escaped, or the few that have not are left
    // to the lanes of the second loop.
    const unsigned realLanes = s.runningBits;
    while (s.taken < limit && __builtin_popcount(s.runningBits) > kStragglers) {
      StepGroup<F, M, Signs>(s, bound, two);
      if (s.taken % kSettleRepeatPeriod == 0) StopRepeats(s);
      s.runningBits &= realLanes;
    }
    s.repeatedBits &= realLanes;
    steps += EndGroup<Signs>(w, s, m, survivors, survivorCount);
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

// The lane loop: each lane whose point finishes writes its color and takes
// the next point from the feed at once.
template <Formula F, Measure M>
class LaneLoop {
 public:
  explicit LaneLoop(const Work& w) : w_(w), feed_(w, steps_) {}

  uint64_t Run() {
    for (int lane = 0; lane < kLoopLanes; ++lane) active_ += Refill(lane) ? 1 : 0;
    const V4 bound = Splat(w_.bound);
    const V4 two = OpaqueTwo();
    while (active_ > 0) {
      if (RunBlock(bound, two)) FinishDone(bound);
      if (clock_ == nextLimit_) FinishAtLimit();
      if (clock_ % kCheckpointPeriod == 0) SaveCheckpoints();
    }
    return steps_;
  }

 private:
  // Puts the next point into the lane, or idles it: an idle lane holds
  // NaN, which never escapes and never matches its saved bits.
  bool Refill(int lane) {
    Start s;
    const bool got = feed_.Next(s);
    if (!got) s = {__builtin_nan(""), __builtin_nan(""), __builtin_nan(""), __builtin_nan(""), -1, 0};
    L_.zr[lane] = s.zr;
    L_.zi[lane] = s.zi;
    L_.cr[lane] = s.cr;
    L_.ci[lane] = s.ci;
    L_.savedR[lane] = got ? __builtin_bit_cast(int64_t, s.zr) : 0;
    L_.savedI[lane] = got ? __builtin_bit_cast(int64_t, s.zi) : 0;
    L_.offset[lane] = s.offset;
    L_.start[lane] = clock_ - s.taken;
    L_.saveAge[lane] = 0;
    // The steps left, mn - taken + 1, may reach past the clock's range.
    const int64_t left = w_.mn - s.taken;
    L_.limitAt[lane] = got && left < kNever - clock_ ? clock_ + left + 1 : kNever;
    nextLimit_ = Min(nextLimit_, L_.limitAt[lane]);
    return got;
  }

  void Finish(int lane, bool escaped) {
    const int64_t k = clock_ - L_.start[lane] - 1;  // the step just taken
    w_.out[L_.offset[lane]] = FinalColor(w_, escaped, k, L_.zr[lane], L_.zi[lane]);
    steps_ += static_cast<uint64_t>(k) + 1;
    if (!Refill(lane)) --active_;
  }

  // Runs every lane up to the next checkpoint or limit, or until a lane
  // escapes or its zr repeats; true in the last case.
  bool RunBlock(V4 bound, V4 two) {
    const int64_t nextCheckpoint = (clock_ / kCheckpointPeriod + 1) * kCheckpointPeriod;
    const int64_t block = Min(nextCheckpoint, nextLimit_) - clock_;
    constexpr int N = kLoopVectors;
    V4 zr[N], zi[N], rr[N], ii[N], d[N], cr[N], ci[N];
    M4 sr[N];
    for (int v = 0; v < N; ++v) {
      zr[v] = Load(L_.zr + 4 * v);
      zi[v] = Load(L_.zi + 4 * v);
      rr[v] = zr[v] * zr[v];
      ii[v] = zi[v] * zi[v];
      d[v] = rr[v] - ii[v];
      cr[v] = Load(L_.cr + 4 * v);
      ci[v] = Load(L_.ci + 4 * v);
      sr[v] = LoadBits(L_.savedR + 4 * v);
    }
    int64_t ran = 0;
    int hit = 0;
    // Two steps per round: both test for escape, only the second for a
    // repeat of zr (a cycle is then found at most one period later;
    // FinishDone looks at the lanes in full).
    for (;;) {
      hit = MaskOf(Advance<F, M, false>(zr, zi, rr, ii, d, cr, ci, sr, two, bound));
      ++ran;
      if (hit != 0 || ran == block) break;
      hit = MaskOf(Advance<F, M, true>(zr, zi, rr, ii, d, cr, ci, sr, two, bound));
      ++ran;
      if (hit != 0 || ran == block) break;
    }
    clock_ += ran;
    for (int v = 0; v < N; ++v) {
      Store(L_.zr + 4 * v, zr[v]);
      Store(L_.zi + 4 * v, zi[v]);
    }
    return hit != 0;
  }

  // Finishes the lanes that escaped or repeated, from the values stored.
  void FinishDone(V4 bound) {
    for (int v = 0; v < kLoopVectors; ++v) {
      const V4 r = Load(L_.zr + 4 * v), i = Load(L_.zi + 4 * v);
      const int esc = MaskOf(Greater(MeasureOf<M>(r, i, r * r, i * i), bound));
      const M4 cyc = SameBits(BitsOf(r), LoadBits(L_.savedR + 4 * v)) &
                     SameBits(BitsOf(i), LoadBits(L_.savedI + 4 * v));
      int done = esc | MaskOf(cyc);
      while (done != 0) {
        const int j = __builtin_ctz(static_cast<unsigned>(done));
        done &= done - 1;
        Finish(4 * v + j, ((esc >> j) & 1) != 0);
      }
    }
  }

  // Lanes at their limit never escaped.
  void FinishAtLimit() {
    nextLimit_ = kNever;
    for (int lane = 0; lane < kLoopLanes; ++lane) {
      if (L_.limitAt[lane] == clock_) Finish(lane, false);
      nextLimit_ = Min(nextLimit_, L_.limitAt[lane]);
    }
  }

  // Each lane saves z at growing intervals (half its age, at least a
  // period), so any cycle is found once an interval exceeds its length,
  // and a point that has settled into a cycle is stopped soon after.
  void SaveCheckpoints() {
    for (int lane = 0; lane < kLoopLanes; ++lane) {
      const int64_t age = clock_ - L_.start[lane];
      if (age >= L_.saveAge[lane] && L_.offset[lane] >= 0) {
        L_.savedR[lane] = __builtin_bit_cast(int64_t, L_.zr[lane]);
        L_.savedI[lane] = __builtin_bit_cast(int64_t, L_.zi[lane]);
        L_.saveAge[lane] = age + (age / 2 > kCheckpointPeriod ? age / 2 : kCheckpointPeriod);
      }
    }
  }

  const Work& w_;
  uint64_t steps_ = 0;
  Feed<F, M> feed_;
  Lanes L_;
  int64_t clock_ = 0;           // steps every lane has run
  int64_t nextLimit_ = kNever;  // earliest limit of any lane
  int active_ = 0;
};

template <Formula F, Measure M>
uint64_t Kernel(const Work& w) {
  return LaneLoop<F, M>(w).Run();
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
