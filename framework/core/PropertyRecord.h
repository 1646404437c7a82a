#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "framework/core/Color.h"
#include "framework/core/Runtime.h"

namespace fw {

// A design-time property record: key/value entries back to back, each the
// key's ASCII letters, one blank, then the value in the encoding of the
// key's type (little-endian numbers, length-prefixed UTF-8 strings).

enum class PropertyType { Int64, Double, Single, Color, Boolean, FontUnits, String };

struct FontUnits {
  uint8_t code = 0;
  friend bool operator==(FontUnits a, FontUnits b) { return a.code == b.code; }
};

using PropertyValue = std::variant<int64_t, double, float, Color, bool, FontUnits, std::string>;

struct PropertyEntry {
  std::string key;  // as stored
  PropertyValue value;
};

// A record that cannot be read: unknown key, truncated value, an entry
// running past the record's end.
class UnsupportedFormatException : public RuntimeException {
 public:
  using RuntimeException::RuntimeException;
  const char* ClassName() const override { return "UnsupportedFormatException"; }
};

// The type of a key (matched without regard to letter case); throws
// UnsupportedFormatException for a key the framework does not know.
PropertyType KeyType(std::string_view key);

// Decodes a whole record; never reads past its end. Throws
// UnsupportedFormatException for a malformed record.
std::vector<PropertyEntry> DecodePropertyRecord(std::string_view record);

}  // namespace fw
