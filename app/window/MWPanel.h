#pragma once
#include <array>

// The seven parameters of the window's panel, in the order of their fields
// EF(0) to EF(6) and steppers UDArrows0 to UDArrows6: mn, mx, my, ma, mb, mw
// and mpixcel. Each has its default (the value and the text the field shows
// for it), its limits with the texts written at a limit, and the step of
// one press.
struct Parameter {
  double value;
  const char* text;
  double lower;
  const char* lowerText;
  double upper;
  const char* upperText;
  double step;
};

inline constexpr std::array<Parameter, 7> kParameters{{
    {100.0, "100", 10.0, "10", 1000.0, "1000", 10.0},    // mn
    {0.0, "0", -1.0, "-1", 1.0, "1", 0.1},               // mx
    {0.0, "0", -1.0, "-1", 1.0, "1", 0.1},               // my
    {-1.0, "-1", -2.0, "-2", 2.0, "2", 0.1},             // ma
    {1.0, "1", -2.0, "-2", 2.0, "2", 0.1},               // mb
    {4.0, "4", 0.0, "0", 4.0, "4", 0.1},                 // mw
    {500.0, "500", 250.0, "250", 2000.0, "2000", 50.0},  // mpixcel
}};
