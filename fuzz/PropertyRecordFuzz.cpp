// libFuzzer target: any byte string given to the property record reader
// either decodes or raises UnsupportedFormatException. Anything else (another
// exception, a sanitizer report) is a finding. A record that decodes must
// encode back to exactly the bytes it was read from.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/core/PropertyRecord.h"

namespace {

void Append(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Encode(const std::vector<fw::PropertyEntry>& entries) {
  std::string out;
  for (const auto& e : entries) {
    out += e.key;
    out += ' ';
    switch (fw::KeyType(e.key)) {
      case fw::PropertyType::Int64: Append(out, static_cast<uint64_t>(std::get<int64_t>(e.value)), 8); break;
      case fw::PropertyType::Double: Append(out, std::bit_cast<uint64_t>(std::get<double>(e.value)), 8); break;
      case fw::PropertyType::Single: Append(out, std::bit_cast<uint32_t>(std::get<float>(e.value)), 4); break;
      case fw::PropertyType::Color: Append(out, std::get<fw::Color>(e.value).value, 4); break;
      case fw::PropertyType::Boolean: Append(out, std::get<bool>(e.value) ? 1 : 0, 1); break;
      case fw::PropertyType::FontUnits: Append(out, std::get<fw::FontUnits>(e.value).code, 1); break;
      case fw::PropertyType::String: {
        const auto& s = std::get<std::string>(e.value);
        Append(out, s.size(), 4);
        out += s;
        break;
      }
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  try {
    const auto entries = fw::DecodePropertyRecord(input);
    if (Encode(entries) != input) std::abort();  // decoded something other than what was stored
  } catch (const fw::UnsupportedFormatException&) {
    // A malformed record, reported as such: the expected outcome.
  }
  return 0;
}
