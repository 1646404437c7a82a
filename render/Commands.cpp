#include "framework/core/Random.h"
#include "render/Frames.h"

using fw::Color;
using render::Colouring;
using render::Formula;
using render::IterationRule;
using render::Measure;

namespace {

constexpr Color kOpaqueBlack = fw::colors::kOpaqueBlack;
constexpr Color kTransparentBlack = fw::colors::kTransparentBlack;

// --- Quorix0: z^2 + c, seven escape bands, parity on the way -------------
Color Quorix0Escape(int64_t k, bool, bool, const Palette& p) {
  const int64_t band = k % 7;
  return band == 0 ? kTransparentBlack : p[static_cast<size_t>(band)];
}
Color Quorix0Step(int64_t k, const Palette& p) { return k % 2 == 0 ? kOpaqueBlack : p[7]; }

// --- The Julia commands share their non-escape colours ---------------------
Color JuliaStep(int64_t n, const Palette& p) { return n % 2 == 0 ? kOpaqueBlack : p[0]; }

Color Julia0Escape(int64_t n, bool, bool, const Palette& p) {
  const int64_t band = n % 8;
  return band == 0 ? kTransparentBlack : p[static_cast<size_t>(band)];
}

constexpr IterationRule kSquare4{Formula::Square, Measure::SumOfSquares, 4.0};
constexpr IterationRule kJuliaRule{Formula::Square, Measure::SumOfSquares, 2.0};

}  // namespace

Color MWModel::RandomColor0() { return colorsets::Set(0)[fw::System::Random().InRange(0, 15)]; }
Color MWModel::RandomColor1() { return colorsets::Set(1)[fw::System::Random().InRange(0, 15)]; }
Color MWModel::RandomColor2() { return colorsets::Set(2)[fw::System::Random().InRange(0, 15)]; }
Color MWModel::RandomColor3() { return colorsets::Set(3)[fw::System::Random().InRange(0, 15)]; }
Color MWModel::RandomColor4() { return colorsets::Set(4)[fw::System::Random().InRange(0, 15)]; }

Color MWModel::ColorSetChange(int64_t n) {
  switch (n) {
    case 1: return RandomColor1();
    case 2: return RandomColor2();
    case 3: return RandomColor3();
    case 4: return RandomColor4();
    default: return RandomColor0();
  }
}

void MWModel::QuorixPB0_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kSquare4, Colouring{&Quorix0Escape, &Quorix0Step}});
}

void MWModel::QuorixPB5_Action(fw::PushButton*) {
  render::RunJuliaFrame(*this, {kJuliaRule, Colouring{&Julia0Escape, &JuliaStep}});
}
