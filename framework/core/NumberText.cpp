#include "framework/core/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

// Both conversions use std::to_chars / std::from_chars, which ignore the C
// and C++ locales, so "." is the decimal mark whatever the user has set.
//
// Str writes a Double with at most 15 significant digits (the printf "%.15g"
// form: trailing zeros dropped, exponent form below 1e-4 and from 1e15 on).
// Every decimal of up to 15 significant digits survives text -> Double ->
// text unchanged, and a sum such as 0.1 + 0.2 = 0.30000000000000004 is off
// by far less than half a unit in the 15th digit, so it is written as the
// decimal it stands for ("0.3"). Zero is always "0", never "-0".
//
// Val reads the longest leading decimal number of the text, like the
// classic BASIC Val: blanks and tabs before it are skipped, then an
// optional sign, digits with an optional "." part, and an optional
// exponent ("1e3", "2.5E-2"). "inf", "infinity" and "nan" (any case) are
// read too, so that every text Str writes reads back. Whatever follows the
// number is ignored ("12abc" is 12, "1,5" is 1); a text with no number at
// its start ("", "abc", "-", ".", "--1") gives 0. A number too large for a
// Double gives +/-infinity, one too small gives 0. Val never gives -0.

namespace fw {
namespace {

// The value of a decimal text that from_chars found outside the range of a
// Double: infinity when its magnitude is too large, 0 when too small.
double OutOfRange(std::string_view t) {
  // Decimal exponent e with the number = 0.d1d2... x 10^e, d1 non-zero.
  int64_t exponent = 0;
  bool significant = false;  // a non-zero digit has been seen
  bool afterPoint = false;
  size_t i = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '.') {
      afterPoint = true;
    } else if (c >= '0' && c <= '9') {
      if (!significant && c != '0') significant = true;
      if (!afterPoint && significant) ++exponent;
      if (afterPoint && !significant) --exponent;
    } else {
      break;
    }
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    int64_t e = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
      if (e < 1000000000) e = e * 10 + (t[i] - '0');  // saturates well past any Double
    }
    exponent += negative ? -e : e;
  }
  return exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

std::string Str(double value) {
  if (value == 0.0) return "0";  // also -0
  if (std::isnan(value)) return "nan";
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

std::string Str(int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

double Val(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // from_chars takes no sign of its own here: "--1" and "+-1" are no numbers.
  if (i >= text.size() || text[i] == '+' || text[i] == '-') return 0.0;

  const std::string_view digits = text.substr(i);
  double value = 0.0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                      std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return 0.0;
  if (result.ec == std::errc::result_out_of_range) {
    value = OutOfRange(digits.substr(0, static_cast<size_t>(result.ptr - digits.data())));
  }
  if (value == 0.0) return 0.0;
  return negative ? -value : value;
}

}  // namespace fw
