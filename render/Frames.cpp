#include "render/Frames.h"

#include <array>

#include "framework/core/Random.h"
#include "framework/core/Runtime.h"

namespace render {
namespace {

constexpr auto kJuliaConstants = std::to_array<JuliaConstant>({
    {-0.04, -0.695},
    {-0.74543, 0.11301},
    {0.11031, -0.67037},
    {-0.39054, 0.58679},
    {-0.12, 0.74},
    {-0.11, 0.67},
    {-0.15652, 1.03225},
    {0.27334, 0.00742},
    {0.32, 0.043},
    {-0.3, -0.63},
});

Palette DrawPalette(MWModel& w) {
  Palette palette{};
  for (auto& entry : palette) entry = w.ColorSetChange(w.selectColorSet);
  return palette;
}

fw::Picture& Backdrop(MWModel& w) { return fw::Deref(w.CVBackdrop, "CVBackdrop"); }

// The clearing step: every command leaves the drawing color at fully
// transparent black and the whole picture transparent. The engine clears
// the picture's words itself at the start of the render, while its
// workers already compute.
void Clear(MWModel& w, Job& job) {
  Backdrop(w).Graphics().SetDrawingColor(fw::colors::kTransparentBlack);
  job.clearPicture = true;
}

// Runs the job on the shared engine, which puts the result into the
// picture only once every point is done, so a repaint that the cooperative
// yield lets through while the workers run never reads a word being
// written.
void Compute(const Job& job, fw::Picture& picture) {
  // The engine writes the picture's words directly: the clear comes before
  // the first wait hook, the colors after the last one.
  Engine::Shared().Render(job, picture.Data(), [&picture] {
    picture.Changed();
    fw::RuntimeBackgroundTask();
  });
  picture.Changed();
}

void Show(MWModel& w) {
  fw::Deref(w.QuorixCV(), "QuorixCV").SetBackdrop(w.CVBackdrop);
  fw::Deref(w.QuorixCV(), "QuorixCV").Refresh(true);
}

// The job of the render now running; its buffers are reused from render to
// render (user-interface thread only). The engine takes what it needs from
// the job before its wait hook first runs, so a render started from that
// hook may reuse it.
Job& ReusedJob() {
  static Job job;
  return job;
}

void SizeJob(Job& job, const fw::Picture& picture) {
  job.width = static_cast<int>(picture.Width());
  job.height = static_cast<int>(picture.Height());
  job.columns.assign(static_cast<size_t>(job.width), 0.0);
  job.columnUsed.assign(static_cast<size_t>(job.width), 0);
  job.rows.assign(static_cast<size_t>(job.height), 0.0);
  job.rowUsed.assign(static_cast<size_t>(job.height), 0);
}

// trunc(d) == target, for target >= 0, without converting d to an integer.
bool TruncatesTo(double d, int64_t target) {
  const double t = static_cast<double>(target);
  return target == 0 ? (d > -1.0 && d < 1.0) : (d >= t && d < t + 1.0);
}

// The largest index in [lo, hi] for which pred holds, where pred holds on a
// prefix of the range; lo - 1 when it holds nowhere.
template <class Pred>
int64_t LastWhere(int64_t lo, int64_t hi, Pred pred) {
  int64_t found = lo - 1;
  while (lo <= hi) {
    // hi - lo may exceed the Int64 range (the grid runs from -N to N).
    const int64_t mid = lo + static_cast<int64_t>((static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo)) / 2);
    if (pred(mid)) {
      found = mid;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return found;
}

}  // namespace

const JuliaConstant& JuliaConstantAt(int64_t k) { return kJuliaConstants.at(static_cast<size_t>(k)); }

void RunMandelbrotFrame(MWModel& w, const MandelbrotCommand& command) {
  Engine::Shared().Wake();
  Job& job = ReusedJob();
  job.rule = command.rule;
  job.coloring = command.coloring;
  job.gridIsStart = false;
  job.palette = DrawPalette(w);
  Clear(w, job);

  // The cooperative yield lets no user input through, so the parameters
  // cannot change while the render runs: read them once.
  const int64_t mpixcel = w.mpixcel;
  const double mw = w.mw;
  job.mn = w.mn;
  const int64_t oy = command.verticalOffset ? VerticalOffset(mpixcel) : 0;

  fw::Picture& picture = Backdrop(w);
  SizeJob(job, picture);
  // Grid point (i, j) lands on pixel (i, j + oy): one point per pixel.
  for (int x = 0; x < job.width; ++x) {
    if (x <= mpixcel) {
      job.columns[static_cast<size_t>(x)] = GridCoordinate(x, mw, mpixcel);
      job.columnUsed[static_cast<size_t>(x)] = 1;
    }
  }
  for (int y = 0; y < job.height; ++y) {
    const int64_t j = static_cast<int64_t>(y) - oy;
    if (j >= 0 && j <= mpixcel) {
      job.rows[static_cast<size_t>(y)] = GridCoordinate(j, mw, mpixcel);
      job.rowUsed[static_cast<size_t>(y)] = 1;
    }
  }
  Compute(job, picture);

  // The loops leave the last column's and the last row's point in ma, mb.
  if (command.storesPointInWindow && mpixcel >= 0) {
    w.ma = GridCoordinate(mpixcel, mw, mpixcel);
    w.mb = GridCoordinate(mpixcel, mw, mpixcel);
  }
  Show(w);
}

void RunJuliaFrame(MWModel& w, const JuliaCommand& command) {
  Engine::Shared().Wake();
  const JuliaConstant& c = JuliaConstantAt(fw::System::Random().InRange(0, 9));
  Job& job = ReusedJob();
  job.rule = command.rule;
  job.coloring = command.coloring;
  job.gridIsStart = true;
  job.cr = c.re;
  job.ci = c.im;
  job.palette = DrawPalette(w);
  Clear(w, job);

  const int64_t n = w.mpixcel;
  job.mn = w.mn;
  fw::Picture& picture = Backdrop(w);
  SizeJob(job, picture);
  if (n >= 0) {
    const double half = static_cast<double>(n) / 2.0;
    const double nd = static_cast<double>(n);
    constexpr double kLeft = -2.0, kTop = 2.0;
    // Grid value of index i: (2i / N) + (2 + L), resp. (2j / N) + (2 - T).
    auto twice = [](int64_t i) {
      return static_cast<double>(static_cast<int64_t>(static_cast<uint64_t>(i) * 2u));
    };
    // Pixel column X = trunc(N/2 + i) grows with i, row Y = trunc(N/2 - j)
    // falls with j; where several indices land on one pixel the largest,
    // the last one the loops write, decides.
    for (int x = 0; x < job.width; ++x) {
      const int64_t i = LastWhere(-n, n, [&](int64_t k) {
        return half + static_cast<double>(k) < static_cast<double>(x) + 1.0;
      });
      if (i >= -n && TruncatesTo(half + static_cast<double>(i), x)) {
        job.columns[static_cast<size_t>(x)] = (twice(i) / nd) + (2.0 + kLeft);
        job.columnUsed[static_cast<size_t>(x)] = 1;
      }
    }
    for (int y = 0; y < job.height; ++y) {
      const int64_t j = LastWhere(-n, n, [&](int64_t k) {
        const double d = half - static_cast<double>(k);
        return y == 0 ? d > -1.0 : d >= static_cast<double>(y);
      });
      if (j >= -n && TruncatesTo(half - static_cast<double>(j), y)) {
        job.rows[static_cast<size_t>(y)] = (twice(j) / nd) + (2.0 - kTop);
        job.rowUsed[static_cast<size_t>(y)] = 1;
      }
    }
  }
  Compute(job, picture);
  Show(w);
}

}  // namespace render
