#include <gtest/gtest.h>

#include <set>

#include "framework/core/Random.h"
#include "oracle/TestWindow.h"
#include "render/ColorSets.h"

namespace {

// The five sets, entry by entry, as color words: sets 1 to 4 are the written red, green, blue triples (0x00RRGGBB).
constexpr uint32_t kSets[5][16] = {
    {0x00000000, 0x000000FF, 0x00996633, 0xFF000000, 0x0000FFFF, 0x00555555, 0x00808080, 0x0000FF00,
     0x00AAAAAA, 0x00FF00FF, 0x00FF8000, 0x00800080, 0x00FF0000, 0x00008080, 0x00FFFFFF, 0x00FFFF00},
    {0x00005BAA, 0x00FABE00, 0x00E94709, 0x000085A3, 0x00C1002B, 0x00745399, 0x00F4B3C2, 0x00FABF14,
     0x00F8CCDC, 0x00BBBCBF, 0x0088A14F, 0x0091360B, 0x00E45E39, 0x00A59ACA, 0x00FFDE00, 0x0088A14F},
    {0x00C4CDCF, 0x00DC143C, 0x00EB613B, 0x000047AB, 0x00465DAA, 0x00465DAA, 0x00465DAA, 0x0000896B,
     0x003AB483, 0x00B75237, 0x00765B1B, 0x00A269A8, 0x00D580EA, 0x002F2725, 0x0057462D, 0x0079C266},
    {0x009DCCEA, 0x00F0F2DF, 0x00D6A397, 0x005F94D3, 0x00D76957, 0x0063D57E, 0x00F77F74, 0x00466189,
     0x0032551F, 0x0032551F, 0x006E2D25, 0x006C9BA9, 0x00EE5131, 0x002A3C97, 0x002A2B33, 0x00C6D6E0},
    {0x009DCCEA, 0x00F0F2DF, 0x00D6A397, 0x005F94D3, 0x00D76957, 0x0063D57E, 0x00F77F74, 0x00466189,
     0x0032551F, 0x006E2D25, 0x006C9BA9, 0x00EE5131, 0x002A3C33, 0x002A2B33, 0x00C6D6E0, 0x0090E173},
};

// Each draw takes one number r from 0 to 15 of the shared generator and answers entry r of the chosen set; numbers
// other than 1 to 4 choose set 0.
TEST(ColorSets, EveryEntryAndColorSetChangeFromOneDraw) {
  ASSERT_TRUE(colorsets::kSetCount == 5 && colorsets::kEntries == 16);
  for (int set = 0; set < 5; ++set)
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(colorsets::Set(set)[i], fw::Color(kSets[set][i])) << set << " " << i;
  TestWindow w;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    for (int64_t n : {int64_t{0}, int64_t{1}, int64_t{2}, int64_t{3}, int64_t{4}, int64_t{-1}, int64_t{5}, INT64_MIN}) {
      fw::Random replica(seed);
      const size_t r = static_cast<size_t>(replica.InRange(0, 15));
      fw::System::Random().Seed(seed);
      EXPECT_EQ(w.ColorSetChange(n), fw::Color(kSets[n >= 1 && n <= 4 ? n : 0][r])) << n << " seed " << seed;
      EXPECT_EQ(fw::System::Random().InRange(0, 15), replica.InRange(0, 15));  // exactly one draw
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
