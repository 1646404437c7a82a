#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// The framework's number-to-text and text-to-number conversions, the same
// in every locale ("." is always the decimal mark).
std::string Str(double value);
std::string Str(int64_t value);
double Val(std::string_view text);

}  // namespace fw
