#pragma once
#include "render/MWModel.h"

// The render loops exactly as written, step by step: every property read
// at its use, every pixel write through RGBSurface, every yield. Slow; the
// reference the engine is compared with.
namespace oracle {

void Quorix0(MWModel& w);
void Julia0(MWModel& w);

}  // namespace oracle
