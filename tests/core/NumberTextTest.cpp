#include "framework/core/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>

namespace {

using fw::Str;
using fw::Val;

TEST(NumberTextTest, StrFormats) {
  const std::pair<double, const char*> doubles[] = {
      {0.1 + 0.2, "0.3"}, {-0.0, "0"}, {-0.1 + 0.1, "0"}, {1.5, "1.5"}, {-2.0, "-2"},
      {1.0 / 3.0, "0.333333333333333"}, {123456789012345.0, "123456789012345"}, {1e15, "1e+15"},
      {0.0001, "0.0001"}, {0.00001, "1e-05"}, {INFINITY, "inf"}, {-INFINITY, "-inf"}, {NAN, "nan"}};
  for (const auto& [x, text] : doubles) EXPECT_EQ(Str(x), text);
  EXPECT_TRUE(Str(int64_t{-250}) == "-250" && Str(std::numeric_limits<int64_t>::min()) == "-9223372036854775808");
}

TEST(NumberTextTest, ValReadsTheLeadingNumberAndGivesZeroForNone) {
  const std::pair<std::string, double> cases[] = {
      {"+3", 3},       {"  7", 7},       {"\t-7", -7},       {".5", 0.5},       {"-.5", -0.5},    {"5.", 5},
      {"1e3", 1000},   {"2.5E-2", 0.025}, {"1e", 1},          {"1e+", 1},        {"12abc", 12},    {"1,5", 1},
      {"3 4", 3},      {"0x10", 0},      {"", 0},             {"abc", 0},        {"-", 0},         {".", 0},
      {"--1", 0},      {"+-1", 0},       {" ", 0},            {"e5", 0},         {"1e400", INFINITY},
      {"-1e400", -INFINITY}, {"1E-400", 0}, {"0.001e400", INFINITY}, {std::string(400, '9'), INFINITY},
      {"0." + std::string(400, '0') + "1", 0}, {"0." + std::string(400, '0') + "1e410", 1e9},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(Val(text), value) << '"' << text << '"';
  EXPECT_FALSE(std::signbit(Val("-0")) || std::signbit(Val("-1e-400")));
  EXPECT_TRUE(Val(std::string_view("12", 1)) == 1 && Val(std::string_view()) == 0);  // reads only the view
}

// A number format with "," as the decimal mark, as a German locale has.
struct CommaDecimal : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(NumberTextTest, IgnoresTheLocale) {
  const std::locale saved = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
  const std::string savedC = std::setlocale(LC_ALL, nullptr);
  bool germanC = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "German"})
    germanC = germanC || std::setlocale(LC_ALL, name);
  EXPECT_TRUE(Str(-1.9) == "-1.9" && Str(12345.0) == "12345" && Val("0.5") == 0.5 && Val("1,5") == 1.0);
  std::setlocale(LC_ALL, savedC.c_str());
  std::locale::global(saved);
  if (!germanC) GTEST_SKIP() << "no German C locale installed; only the C++ locale was changed";
}

}  // namespace
