#pragma once
#include <array>

#include "render/MWModel.h"

// The render loops exactly as written, step by step: every property read at its use, every pixel write through
// RGBSurface, every yield. Slow; the reference the engine is compared with.
namespace oracle {

void Quorix0(MWModel& w);
void Quorix1(MWModel& w);
void Quorix2(MWModel& w);
void Quorix3(MWModel& w);
void Quorix4(MWModel& w);
void Julia0(MWModel& w);
void Julia1(MWModel& w);
void Quorix7(MWModel& w);
void Quorix8(MWModel& w);
void Quorix9(MWModel& w);

// The Julia constants as written, real and imaginary parts, index 0..9.
extern const std::array<double, 10> kJuliaRe, kJuliaIm;

// One update step of z^2 + c to z^5 + c in their written grouping (c = a + b*i).
void Step2(double& zr, double& zi, double a, double b);
void Step3(double& zr, double& zi, double a, double b);
void Step4(double& zr, double& zi, double a, double b);
void Step5(double& zr, double& zi, double a, double b);

}  // namespace oracle
