// From a picture to the screen. Each ratio row also reports, as a counter,
// the ratio of the medians of the two operations run alternately in the
// same process, so drifting load on the machine affects both alike:
//   Display/convert, Display/shown_after_change: x_memcpy, against a plain
//     copy of the same picture;
//   Window/press_to_painted: x_render, a press and release of "Quorix0"
//     until the canvas has painted, against the command run alone on the
//     same window (Window/render).
// Run with --benchmark_repetitions=N for medians of the rows themselves.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "app/FileTypes1.h"
#include "app/window/MW.h"
#include "framework/core/Random.h"
#include "framework/ui/Application.h"
#include "framework/ui/Report.h"
#include "framework/ui/DisplayImage.h"
#include "framework/ui/Widgets.h"

namespace {

constexpr uint64_t kSeed = 7;

// Runs f and answers how long it took, in seconds.
template <class F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs a and b alternately and answers median(a) / median(b). Each returns
// its own duration, so untimed work (letting paints through) can surround it.
template <class A, class B>
double MedianRatio(A&& a, B&& b, int runs) {
  std::vector<double> ta, tb;
  for (int i = 0; i < runs; ++i) {
    ta.push_back(a());
    tb.push_back(b());
  }
  return Median(ta) / Median(tb);
}

// A picture like a render's: opaque colors and fully transparent pixels;
// with partial, every transparency occurs.
std::shared_ptr<fw::Picture> TestPicture(int64_t width, int64_t height, bool partial) {
  auto picture = std::make_shared<fw::Picture>(width, height);
  std::mt19937 random(1);
  uint32_t* data = picture->Data();
  for (int64_t i = 0; i < width * height; ++i) {
    const uint32_t c = random();
    data[i] = partial ? c : (c & 0x00FFFFFFu) | (c % 3 == 0 ? 0xFF000000u : 0u);
  }
  picture->Changed();
  return picture;
}

struct Copy {
  explicit Copy(const fw::Picture& p) : picture(p), words(static_cast<size_t>(p.Width() * p.Height())) {}
  void operator()() {
    std::memcpy(words.data(), picture.Data(), words.size() * sizeof(uint32_t));
    benchmark::ClobberMemory();
  }
  const fw::Picture& picture;
  std::vector<uint32_t> words;
};

// args: width, height, partial transparency (0/1)
void BM_Memcpy(benchmark::State& state) {
  const auto picture = TestPicture(state.range(0), state.range(1), state.range(2) != 0);
  Copy copy(*picture);
  for (auto _ : state) copy();
}

// A new image from the picture on every call (what a save does).
void BM_ToQImage(benchmark::State& state) {
  const auto picture = TestPicture(state.range(0), state.range(1), state.range(2) != 0);
  auto convert = [&] {
    QImage image = fw::ToQImage(*picture);
    benchmark::DoNotOptimize(image.constBits());
  };
  for (auto _ : state) convert();
  Copy copy(*picture);
  state.counters["x_memcpy"] = MedianRatio([&] { return Seconds(convert); }, [&] { return Seconds(copy); }, 101);
}

// The canvas's image after every change of the picture: made again in its
// own buffer.
void BM_DisplayChanged(benchmark::State& state) {
  const auto picture = TestPicture(state.range(0), state.range(1), state.range(2) != 0);
  fw::DisplayImage display;
  auto show = [&] {
    picture->Changed();
    benchmark::DoNotOptimize(display.Of(*picture).constBits());
  };
  for (auto _ : state) show();
  Copy copy(*picture);
  state.counters["x_memcpy"] = MedianRatio([&] { return Seconds(show); }, [&] { return Seconds(copy); }, 101);
}

// The image of a picture that has not changed since the last paint.
void BM_DisplayUnchanged(benchmark::State& state) {
  const auto picture = TestPicture(state.range(0), state.range(1), state.range(2) != 0);
  fw::DisplayImage display;
  for (auto _ : state) benchmark::DoNotOptimize(display.Of(*picture).constBits());
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({500, 500, 0})->Args({500, 500, 1})->Args({676, 506, 0});
  b->ArgNames({"w", "h", "partial"})->Unit(benchmark::kMicrosecond);
}

// The one window, opened as the application opens it, shown on the
// offscreen platform.
MW& TheWindow() {
  static std::unique_ptr<MW> window = [] {
    fw::SetReportSink([](const fw::ExceptionReport& r) { fprintf(stderr, "report: %s\n", r.message.c_str()); });
    fw::InstallYieldHook();
    if (!FileTypes1::Png()) FileTypes1::Initialize();
    auto w = std::make_unique<MW>();
    w->Construct();
    return w;
  }();
  return *window;
}

// Runs the event loop until nothing is left to do (pending paints included).
void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The command alone, called as the button's Action calls it.
void RenderAlone(MW& w) {
  fw::System::Random().Seed(kSeed);
  w.QuorixPB0_Action(w.QuorixPB0());
}

// A click on the button as the user makes it (the press, one turn of the
// event loop, the release), until the canvas has painted the new picture.
void PressToPainted(MW& w) {
  fw::System::Random().Seed(kSeed);
  const int painted = w.QuorixCV()->PaintCount();
  QTest::mousePress(w.QuorixPB0(), Qt::LeftButton);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QTest::mouseRelease(w.QuorixPB0(), Qt::LeftButton);
  while (w.QuorixCV()->PaintCount() == painted) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// The repaint that the command asks for is let through untimed.
void BM_Render(benchmark::State& state) {
  MW& w = TheWindow();
  Settle();
  for (auto _ : state) {
    RenderAlone(w);
    state.PauseTiming();
    Settle();
    state.ResumeTiming();
  }
}

void BM_PressToPainted(benchmark::State& state) {
  MW& w = TheWindow();
  Settle();
  for (auto _ : state) {
    PressToPainted(w);
    state.PauseTiming();
    Settle();
    state.ResumeTiming();
  }
  state.counters["x_render"] = MedianRatio(
      [&] {
        const double s = Seconds([&] { PressToPainted(w); });
        Settle();
        return s;
      },
      [&] {
        const double s = Seconds([&] { RenderAlone(w); });
        Settle();
        return s;
      },
      101);
}

}  // namespace

BENCHMARK(BM_Memcpy)->Name("Display/memcpy")->Apply(Sizes);
BENCHMARK(BM_ToQImage)->Name("Display/convert")->Apply(Sizes);
BENCHMARK(BM_DisplayChanged)->Name("Display/shown_after_change")->Apply(Sizes);
BENCHMARK(BM_DisplayUnchanged)->Name("Display/shown_unchanged")->Apply(Sizes);
BENCHMARK(BM_Render)->Name("Window/render")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PressToPainted)->Name("Window/press_to_painted")->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
