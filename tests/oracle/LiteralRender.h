#pragma once
#include "render/MWModel.h"

// The render loops exactly as written, step by step: every property read
// at its use, every pixel write through RGBSurface, every yield. Slow; the
// reference the engine is compared with.
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

// One update step of z^3 + c, z^4 + c and z^5 + c in their written
// grouping (c = a + b*i).
void Step3(double& zr, double& zi, double a, double b);
void Step4(double& zr, double& zi, double a, double b);
void Step5(double& zr, double& zi, double a, double b);

}  // namespace oracle
