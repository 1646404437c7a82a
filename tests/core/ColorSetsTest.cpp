#include <gtest/gtest.h>

#include <array>
#include <set>

#include "framework/core/Random.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"

namespace {

using fw::Color;

constexpr uint32_t RGB(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

// The five sets, entry by entry: set 0 as color words, sets 1 to 4 built
// from red, green and blue, opaque.
const std::array<std::array<uint32_t, 16>, 5> kSets = {{
    {0x00000000, 0x000000FF, 0x00996633, 0xFF000000, 0x0000FFFF, 0x00555555, 0x00808080, 0x0000FF00,
     0x00AAAAAA, 0x00FF00FF, 0x00FF8000, 0x00800080, 0x00FF0000, 0x00008080, 0x00FFFFFF, 0x00FFFF00},
    {RGB(0, 91, 170), RGB(250, 190, 0), RGB(233, 71, 9), RGB(0, 133, 163), RGB(193, 0, 43), RGB(116, 83, 153),
     RGB(244, 179, 194), RGB(250, 191, 20), RGB(248, 204, 220), RGB(187, 188, 191), RGB(136, 161, 79),
     RGB(145, 54, 11), RGB(228, 94, 57), RGB(165, 154, 202), RGB(255, 222, 0), RGB(136, 161, 79)},
    {RGB(196, 205, 207), RGB(220, 20, 60), RGB(235, 97, 59), RGB(0, 71, 171), RGB(70, 93, 170), RGB(70, 93, 170),
     RGB(70, 93, 170), RGB(0, 137, 107), RGB(58, 180, 131), RGB(183, 82, 55), RGB(118, 91, 27),
     RGB(162, 105, 168), RGB(213, 128, 234), RGB(47, 39, 37), RGB(87, 70, 45), RGB(121, 194, 102)},
    {RGB(157, 204, 234), RGB(240, 242, 223), RGB(214, 163, 151), RGB(95, 148, 211), RGB(215, 105, 87),
     RGB(99, 213, 126), RGB(247, 127, 116), RGB(70, 97, 137), RGB(50, 85, 31), RGB(50, 85, 31), RGB(110, 45, 37),
     RGB(108, 155, 169), RGB(238, 81, 49), RGB(42, 60, 151), RGB(42, 43, 51), RGB(198, 214, 224)},
    {RGB(157, 204, 234), RGB(240, 242, 223), RGB(214, 163, 151), RGB(95, 148, 211), RGB(215, 105, 87),
     RGB(99, 213, 126), RGB(247, 127, 116), RGB(70, 97, 137), RGB(50, 85, 31), RGB(110, 45, 37),
     RGB(108, 155, 169), RGB(238, 81, 49), RGB(42, 60, 51), RGB(42, 43, 51), RGB(198, 214, 224),
     RGB(144, 225, 115)},
}};

TEST(ColorSets, EveryEntryOfTheFiveSets) {
  ASSERT_TRUE(colorsets::kSetCount == 5 && colorsets::kEntries == 16);
  for (int set = 0; set < 5; ++set)
    for (size_t i = 0; i < 16; ++i)
      EXPECT_EQ(colorsets::Set(set)[i], Color(kSets[set][i])) << "set " << set << " entry " << i;
}

// Each draw takes one number r from 0 to 15 of the shared generator and
// answers entry r of the chosen set; numbers other than 1 to 4 choose set 0.
TEST(ColorSets, ColorSetChangeAnswersEntryRFromOneDraw) {
  TestWindow w;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    for (int64_t n : {int64_t{0}, int64_t{1}, int64_t{2}, int64_t{3}, int64_t{4}, int64_t{-1}, int64_t{5},
                      int64_t{100}, INT64_MIN}) {
      const size_t set = n >= 1 && n <= 4 ? static_cast<size_t>(n) : 0;
      const size_t r = static_cast<size_t>(fw::Random(seed).InRange(0, 15));
      fw::System::Random().Seed(seed);
      EXPECT_EQ(w.ColorSetChange(n), Color(kSets[set][r])) << n << " seed " << seed;
      // Exactly one draw: the next one is the replica's second.
      fw::Random replica(seed);
      replica.InRange(0, 15);
      EXPECT_EQ(fw::System::Random().InRange(0, 15), replica.InRange(0, 15));
    }
  }
}

TEST(RandomInRange, CoversBothBoundsAndNothingElse) {
  fw::Random r(3);
  std::set<int64_t> seen;
  for (int i = 0; i < 2000; ++i) seen.insert(r.InRange(0, 15));
  EXPECT_TRUE(seen.size() == 16 && *seen.begin() == 0 && *seen.rbegin() == 15);
  EXPECT_EQ(r.InRange(4, 4), 4);
  for (int i = 0; i < 100; ++i) ASSERT_LE(static_cast<uint64_t>(r.InRange(9, 0)), 9u);  // bounds swapped
  // The full Int64 span: draws fall on both sides of zero.
  int negative = 0;
  for (int i = 0; i < 64; ++i) negative += r.InRange(INT64_MIN, INT64_MAX) < 0;
  EXPECT_TRUE(negative > 8 && negative < 56) << negative;
}

}  // namespace
