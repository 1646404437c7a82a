#include "framework/core/Random.h"
#include "render/Frames.h"

using fw::Color;
using render::Coloring;
using render::Formula;
using render::IterationRule;
using render::Measure;

namespace {

constexpr Color kOpaqueBlack = fw::colors::kOpaqueBlack;
constexpr Color kTransparentBlack = fw::colors::kTransparentBlack;

// Escape color by bands: step k gets palette(k Mod bands), except that
// the remainder 0 is fully transparent black.
template <int Bands>
Color BandEscape(int64_t k, bool, bool, const Palette& p) {
  const int64_t band = k % Bands;
  return band == 0 ? kTransparentBlack : p[static_cast<size_t>(band)];
}

// Non-escape color by parity: opaque black on even steps, the palette
// entry on odd ones.
template <int Entry>
Color ParityStep(int64_t k, const Palette& p) {
  return k % 2 == 0 ? kOpaqueBlack : p[Entry];
}

// Non-escape color without parity (Quorix1).
Color BlackStep(int64_t, const Palette&) { return kOpaqueBlack; }

// Quorix4 colors by the quadrant of the escaping z: palette(0) when both
// parts are below 0, palette(1) otherwise (a zero of either sign counts
// as not below 0).
Color QuadrantEscape(int64_t, bool zrNegative, bool ziNegative, const Palette& p) {
  return zrNegative && ziNegative ? p[0] : p[1];
}

constexpr IterationRule kSquare{Formula::Square, Measure::SumOfSquares, 4.0};
constexpr IterationRule kSkewed{Formula::Square, Measure::SkewedSum, 4.0};
constexpr IterationRule kSquareWide{Formula::Square, Measure::SumOfSquares, 10.0};
constexpr IterationRule kCube{Formula::Cube, Measure::SumOfSquares, 4.0};
constexpr IterationRule kFourth{Formula::Fourth, Measure::SumOfSquares, 4.0};
constexpr IterationRule kFifth{Formula::Fifth, Measure::SumOfSquares, 4.0};
constexpr IterationRule kJuliaRule{Formula::Square, Measure::SumOfSquares, 2.0};

constexpr Coloring kSevenBands{&BandEscape<7>, &ParityStep<7>};

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
  render::RunMandelbrotFrame(*this, {kSquare, kSevenBands});
}

void MWModel::QuorixPB1_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kSquare, Coloring{&BandEscape<15>, &BlackStep}});
}

void MWModel::QuorixPB2_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kSquare, Coloring{&BandEscape<15>, &ParityStep<8>}});
}

void MWModel::QuorixPB3_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kSkewed, kSevenBands});
}

// c lives in the command's own variables (ma, mb stay as they are) and the
// grid is not centred vertically.
void MWModel::QuorixPB4_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kSquareWide, Coloring{&QuadrantEscape, &ParityStep<8>},
                                     /*storesPointInWindow=*/false, /*verticalOffset=*/false});
}

void MWModel::QuorixPB5_Action(fw::PushButton*) {
  render::RunJuliaFrame(*this, {kJuliaRule, Coloring{&BandEscape<8>, &ParityStep<0>}});
}

void MWModel::QuorixPB6_Action(fw::PushButton*) {
  render::RunJuliaFrame(*this, {kJuliaRule, Coloring{&BandEscape<16>, &ParityStep<0>}});
}

void MWModel::QuorixPB7_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kCube, kSevenBands});
}

void MWModel::QuorixPB8_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kFourth, Coloring{&BandEscape<7>, &ParityStep<8>}});
}

void MWModel::QuorixPB9_Action(fw::PushButton*) {
  render::RunMandelbrotFrame(*this, {kFifth, Coloring{&BandEscape<7>, &ParityStep<8>}});
}
