#include <gtest/gtest.h>

#include <set>

#include "framework/core/Random.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"

namespace {

using fw::Color;

TEST(ColorSets, TablesAndTheirRepeats) {
  EXPECT_EQ(colorsets::Set(0)[3], Color(0xFF000000u));
  EXPECT_EQ(colorsets::Set(4)[3], Color(0x005F94D3u));
  EXPECT_EQ(colorsets::Set(3)[9], Color::RGB(50, 85, 31));
  EXPECT_EQ(colorsets::Set(4)[9], Color::RGB(110, 45, 37));
  EXPECT_EQ(colorsets::Set(3)[12], Color::RGB(238, 81, 49));
  EXPECT_EQ(colorsets::Set(4)[12], Color::RGB(42, 60, 51));
  EXPECT_EQ(colorsets::Set(3)[13], Color::RGB(42, 60, 151));
  EXPECT_EQ(colorsets::Set(4)[15], Color::RGB(144, 225, 115));
  EXPECT_EQ(colorsets::Set(1)[10], colorsets::Set(1)[15]);
  EXPECT_EQ(colorsets::Set(2)[4], colorsets::Set(2)[5]);
  EXPECT_EQ(colorsets::Set(2)[5], colorsets::Set(2)[6]);
  EXPECT_EQ(colorsets::Set(3)[8], colorsets::Set(3)[9]);
  // Set 4 is set 3 without the repeat at 9, one entry ahead from there.
  for (int i = 0; i < 9; ++i) EXPECT_EQ(colorsets::Set(4)[i], colorsets::Set(3)[i]) << i;
  for (int i = 10; i < 12; ++i) EXPECT_EQ(colorsets::Set(4)[i - 1], colorsets::Set(3)[i]) << i;

  for (int set = 0; set < colorsets::kSetCount; ++set)
    for (int i = 0; i < colorsets::kEntries; ++i) {
      const bool transparentEntry = set == 0 && i == 3;
      EXPECT_EQ(colorsets::Set(set)[i].Transparency(), transparentEntry ? 255 : 0) << set << "/" << i;
    }
}

TEST(ColorSets, ColorSetChangeMapsEveryOtherNumberToSetZero) {
  TestWindow w;
  for (int64_t n : {int64_t{0}, int64_t{-1}, int64_t{5}, int64_t{100}, INT64_MIN}) {
    fw::System::Random().Seed(99);
    const Color got = w.ColorSetChange(n);
    fw::Random replica(99);
    EXPECT_EQ(got, colorsets::Set(0)[static_cast<size_t>(replica.InRange(0, 15))]) << n;
  }
  for (int64_t n = 1; n <= 4; ++n) {
    fw::System::Random().Seed(77);
    const Color got = w.ColorSetChange(n);
    fw::Random replica(77);
    EXPECT_EQ(got, colorsets::Set(static_cast<int>(n))[static_cast<size_t>(replica.InRange(0, 15))]);
  }
}

TEST(ColorSets, RepeatedEntryComesUpInProportion) {
  TestWindow w;
  fw::System::Random().Seed(2024);
  const Color repeated = Color::RGB(70, 93, 170);
  int hits = 0;
  const int draws = 64000;
  for (int i = 0; i < draws; ++i) hits += w.RandomColor2() == repeated;
  EXPECT_NEAR(static_cast<double>(hits) / draws, 3.0 / 16.0, 0.01);
}

TEST(RandomInRange, CoversBothBoundsAndNothingElse) {
  fw::Random r(3);
  std::set<int64_t> seen;
  for (int i = 0; i < 2000; ++i) {
    const int64_t v = r.InRange(0, 15);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 15);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 16u);
  EXPECT_EQ(r.InRange(4, 4), 4);
  const int64_t swapped = r.InRange(9, 0);
  EXPECT_TRUE(swapped >= 0 && swapped <= 9);
  const int64_t wide = r.InRange(INT64_MIN, INT64_MAX);  // the full span must not divide by zero
  (void)wide;
  EXPECT_EQ(&fw::System::Random(), &fw::System::Random());
}

}  // namespace
