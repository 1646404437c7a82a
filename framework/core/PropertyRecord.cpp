#include "framework/core/PropertyRecord.h"

#include <array>
#include <bit>
#include <cstddef>
#include <utility>

namespace fw {
namespace {

struct KeyInfo {
  std::string_view name;
  PropertyType type;
};

using T = PropertyType;

// Every property that a design-time record can set, with the declared type
// of that property. A key has the same type on every class that has it.
constexpr std::array<KeyInfo, 72> kKeys{{
    {"Width", T::Int64},
    {"Height", T::Int64},
    {"MinimumWidth", T::Int64},
    {"MinimumHeight", T::Int64},
    {"MaximumWidth", T::Int64},
    {"MaximumHeight", T::Int64},
    {"Type", T::Int64},
    {"Title", T::String},
    {"HasCloseButton", T::Boolean},
    {"HasMaximizeButton", T::Boolean},
    {"HasMinimizeButton", T::Boolean},
    {"HasFullScreenButton", T::Boolean},
    {"Resizeable", T::Boolean},
    {"Composite", T::Boolean},
    {"MacProcID", T::Int64},
    {"FullScreen", T::Boolean},
    {"DefaultLocation", T::Int64},
    {"Visible", T::Boolean},
    {"HasBackgroundColor", T::Boolean},
    {"BackgroundColor", T::Color},
    {"MenuBarVisible", T::Boolean},
    {"Name", T::String},
    {"Index", T::Int64},
    {"Left", T::Int64},
    {"Top", T::Int64},
    {"LockLeft", T::Boolean},
    {"LockTop", T::Boolean},
    {"LockRight", T::Boolean},
    {"LockBottom", T::Boolean},
    {"TabIndex", T::Int64},
    {"TabPanelIndex", T::Int64},
    {"AllowAutoDeactivate", T::Boolean},
    {"Enabled", T::Boolean},
    {"Tooltip", T::String},
    {"Transparent", T::Boolean},
    {"InitialParent", T::String},
    {"TabStop", T::Boolean},
    {"BorderThickness", T::Double},
    {"TopLeftColor", T::Color},
    {"BottomRightColor", T::Color},
    {"FillColor", T::Color},
    {"AllowFocusRing", T::Boolean},
    {"AllowFocus", T::Boolean},
    {"AllowTabs", T::Boolean},
    {"DoubleBuffer", T::Boolean},
    {"HasBorder", T::Boolean},
    {"Format", T::String},
    {"Password", T::Boolean},
    {"TextColor", T::Color},
    {"FontName", T::String},
    {"FontSize", T::Single},
    {"FontUnit", T::FontUnits},
    {"Bold", T::Boolean},
    {"Italic", T::Boolean},
    {"Underline", T::Boolean},
    {"Hint", T::String},
    {"Value", T::String},
    {"TextAlignment", T::Int64},
    {"AllowSpellChecking", T::Boolean},
    {"MaximumCharactersAllowed", T::Int64},
    {"ValidationMask", T::String},
    {"ReadOnly", T::Boolean},
    {"DataSource", T::String},
    {"DataField", T::String},
    {"MacButtonStyle", T::Int64},
    {"Cancel", T::Boolean},
    {"Caption", T::String},
    {"Default", T::Boolean},
    {"Multiline", T::Boolean},
    {"Selectable", T::Boolean},
    {"InitialValue", T::String},
    {"SelectedRowIndex", T::Int64},
}};

constexpr char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

constexpr bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

const KeyInfo* FindKey(std::string_view key) {
  for (const auto& k : kKeys)
    if (SameIgnoringCase(k.name, key)) return &k;
  return nullptr;
}

// Shows a key in a message: printable ASCII as is, anything else as \xNN,
// and long keys cut short.
std::string Printable(std::string_view key) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  constexpr std::size_t kMax = 64;
  std::string out;
  for (std::size_t i = 0; i < key.size() && i < kMax; ++i) {
    const auto c = static_cast<unsigned char>(key[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  if (key.size() > kMax) out += "...";
  return out;
}

const char* TypeName(PropertyType type) {
  switch (type) {
    case T::Int64: return "Int64";
    case T::Double: return "Double";
    case T::Single: return "Single";
    case T::Color: return "Color";
    case T::Boolean: return "Boolean";
    case T::FontUnits: return "FontUnits";
    case T::String: return "String";
  }
  return "?";
}

// Reads one record front to back. Every read checks the bytes left first,
// so a damaged record stops with a message instead of reading past its end.
class Reader {
 public:
  explicit Reader(std::string_view record) : data_(record) {}

  std::vector<PropertyEntry> ReadAll() {
    std::vector<PropertyEntry> entries;
    while (pos_ < data_.size()) entries.push_back(ReadEntry());
    return entries;
  }

 private:
  PropertyEntry ReadEntry() {
    const std::size_t keyStart = pos_;
    while (pos_ < data_.size() && IsLetter(data_[pos_])) ++pos_;
    const std::string_view key = data_.substr(keyStart, pos_ - keyStart);
    if (key.empty())
      Fail(keyStart, "expected a key (ASCII letters) but found byte " + HexByte(keyStart));
    if (pos_ >= data_.size())
      Fail(keyStart, "key \"" + Printable(key) + "\" ends the record without its blank and value");
    if (data_[pos_] != ' ')
      Fail(keyStart, "key \"" + Printable(key) + "\" is followed by byte " + HexByte(pos_) +
                         " instead of a blank");
    const KeyInfo* info = FindKey(key);
    if (info == nullptr) Fail(keyStart, "unknown key \"" + Printable(key) + "\"");
    ++pos_;  // the blank
    return PropertyEntry{std::string(key), ReadValue(key, keyStart, info->type)};
  }

  PropertyValue ReadValue(std::string_view key, std::size_t keyStart, PropertyType type) {
    switch (type) {
      case T::Int64:
        return static_cast<int64_t>(Take(key, keyStart, type, 8));
      case T::Double:
        return std::bit_cast<double>(Take(key, keyStart, type, 8));
      case T::Single:
        return std::bit_cast<float>(static_cast<uint32_t>(Take(key, keyStart, type, 4)));
      case T::Color:
        return Color(static_cast<uint32_t>(Take(key, keyStart, type, 4)));
      case T::Boolean: {
        const std::size_t at = pos_;
        const auto b = Take(key, keyStart, type, 1);
        if (b > 1)
          Fail(at, "Boolean value of key \"" + Printable(key) + "\" is " + HexByte(at) +
                       ", neither 00 nor 01");
        return b == 1;
      }
      case T::FontUnits:
        return FontUnits{static_cast<uint8_t>(Take(key, keyStart, type, 1))};
      case T::String: {
        const std::size_t countAt = pos_;
        const auto count = Take(key, keyStart, type, 4);
        const std::size_t left = data_.size() - pos_;
        if (count > left)
          Fail(countAt, "String value of key \"" + Printable(key) + "\" claims " +
                            std::to_string(count) + " bytes but only " + std::to_string(left) +
                            " remain in the record");
        std::string value(data_.substr(pos_, static_cast<std::size_t>(count)));
        pos_ += static_cast<std::size_t>(count);
        return value;
      }
    }
    Fail(keyStart, "key \"" + Printable(key) + "\" has no known encoding");
  }

  // Takes n bytes (n <= 8) as a little-endian unsigned number.
  uint64_t Take(std::string_view key, std::size_t keyStart, PropertyType type, std::size_t n) {
    const std::size_t left = data_.size() - pos_;
    if (left < n)
      Fail(keyStart, "value of key \"" + Printable(key) + "\" is truncated: " + TypeName(type) +
                         " needs " + std::to_string(n) + " bytes at byte " + std::to_string(pos_) +
                         ", " + std::to_string(left) + " remain");
    uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i)
      v |= static_cast<uint64_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
    pos_ += n;
    return v;
  }

  std::string HexByte(std::size_t at) const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto c = static_cast<unsigned char>(data_[at]);
    return std::string{'0', 'x', kHex[c >> 4], kHex[c & 0xF]};
  }

  [[noreturn]] void Fail(std::size_t at, const std::string& what) const {
    throw UnsupportedFormatException("Property record (" + std::to_string(data_.size()) +
                                     " bytes), entry at byte " + std::to_string(at) + ": " + what +
                                     ".");
  }

  std::string_view data_;
  std::size_t pos_ = 0;
};

}  // namespace

PropertyType KeyType(std::string_view key) {
  if (const KeyInfo* info = FindKey(key)) return info->type;
  throw UnsupportedFormatException("Unknown property key \"" + Printable(key) + "\".");
}

std::vector<PropertyEntry> DecodePropertyRecord(std::string_view record) {
  return Reader(record).ReadAll();
}

}  // namespace fw
