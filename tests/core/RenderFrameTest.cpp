#include <gtest/gtest.h>

#include "framework/core/Random.h"
#include "oracle/LiteralRender.h"
#include "oracle/TestWindow.h"

TEST(Smoke, Quorix0MatchesLiteral) {
  TestWindow fast, slow;
  fw::System::Random().Seed(1);
  fast.QuorixPB0_Action(nullptr);
  fw::System::Random().Seed(1);
  oracle::Quorix0(slow);
  for (int i = 0; i < 500 * 500; ++i) ASSERT_EQ(fast.CVBackdrop->Data()[i], slow.CVBackdrop->Data()[i]) << i;
}
