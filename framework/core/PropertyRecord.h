#pragma once
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
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

// Writes a record entry by entry, each key as given (known or not) with its
// value in the encoding of the method's type. Out is the byte buffer:
// std::string, or a type with a constexpr push_back(char) for records made
// at compile time.
template <class Out = std::string>
class PropertyRecordWriter {
 public:
  constexpr PropertyRecordWriter& Int64(std::string_view key, int64_t v) {
    return Key(key).Number(static_cast<uint64_t>(v), 8);
  }
  constexpr PropertyRecordWriter& Double(std::string_view key, double v) {
    return Key(key).Number(std::bit_cast<uint64_t>(v), 8);
  }
  constexpr PropertyRecordWriter& Single(std::string_view key, float v) {
    return Key(key).Number(std::bit_cast<uint32_t>(v), 4);
  }
  constexpr PropertyRecordWriter& Color(std::string_view key, fw::Color c) { return Key(key).Number(c.value, 4); }
  constexpr PropertyRecordWriter& Boolean(std::string_view key, bool v) { return Key(key).Number(v ? 1 : 0, 1); }
  constexpr PropertyRecordWriter& FontUnit(std::string_view key, uint8_t code) { return Key(key).Number(code, 1); }
  constexpr PropertyRecordWriter& String(std::string_view key, std::string_view utf8) {
    Key(key).Number(utf8.size(), 4);
    for (char c : utf8) out_.push_back(c);
    return *this;
  }
  // A decoded entry, in the encoding of its value's type.
  PropertyRecordWriter& Entry(const PropertyEntry& e) {
    std::visit(
        [&](const auto& v) {
          using V = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<V, int64_t>) Int64(e.key, v);
          else if constexpr (std::is_same_v<V, double>) Double(e.key, v);
          else if constexpr (std::is_same_v<V, float>) Single(e.key, v);
          else if constexpr (std::is_same_v<V, fw::Color>) Color(e.key, v);
          else if constexpr (std::is_same_v<V, bool>) Boolean(e.key, v);
          else if constexpr (std::is_same_v<V, FontUnits>) FontUnit(e.key, v.code);
          else String(e.key, v);
        },
        e.value);
    return *this;
  }
  constexpr const Out& Bytes() const { return out_; }

 private:
  constexpr PropertyRecordWriter& Key(std::string_view key) {
    for (char c : key) out_.push_back(c);
    out_.push_back(' ');
    return *this;
  }
  // The low n bytes of v, least significant first.
  constexpr PropertyRecordWriter& Number(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out_.push_back(static_cast<char>(v >> (8 * i)));
    return *this;
  }

  Out out_{};
};

}  // namespace fw
