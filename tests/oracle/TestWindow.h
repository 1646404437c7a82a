#pragma once
#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "framework/core/Controls.h"
#include "framework/core/Random.h"
#include "render/Engine.h"
#include "render/MWModel.h"

// A canvas that only records what it was asked.
struct RecordingCanvas : fw::Canvas {
  int64_t Width() const override { return 500; }
  int64_t Height() const override { return 500; }
  void Refresh(bool erase) override { ++refreshes; lastErase = erase; }
  int refreshes = 0;
  bool lastErase = false;
};

// The window state without a GUI as the real window opens: the panel's defaults, a transparent 500 x 500 picture.
struct TestWindow : MWModel {
  TestWindow() {
    mn = 100, mpixcel = 500, mw = 4.0, ma = -1.0, mb = 1.0;
    CVBackdrop = std::make_shared<fw::Picture>(500, 500);
    CVBackdrop->Graphics().SetDrawingColor(fw::Color(0xFFFFFFFFu));
    CVBackdrop->Graphics().FillRect(0, 0, 500, 500);
    canvas.SetBackdrop(CVBackdrop);
  }
  fw::Canvas* QuorixCV() override { return hasCanvas ? &canvas : nullptr; }
  RecordingCanvas canvas;
  bool hasCanvas = true;
};

// A seed whose first InRange(0, 9) draw is pick: with it in the shared generator, a Julia render takes constant pick.
inline uint64_t SeedForJuliaPick(int64_t pick) {
  for (uint64_t seed = 1;; ++seed)
    if (fw::Random(seed).InRange(0, 9) == pick) return seed;
}

inline std::vector<render::Path> EnginePaths() {
  if (render::Engine::VectorAvailable()) return {render::Path::Scalar, render::Path::Vector};
  return {render::Path::Scalar};
}

// Gives the shared engine back its own path and thread count on leaving.
struct EngineDefaults {
  ~EngineDefaults() {
    render::Engine::Shared().SetPath(render::Path::Auto);
    render::Engine::Shared().SetThreads(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  }
};
