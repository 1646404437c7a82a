// libFuzzer target: any byte string given to the property record reader
// either decodes or raises UnsupportedFormatException. Anything else (another
// exception, a sanitizer report) is a finding. A record that decodes must
// encode back to exactly the bytes it was read from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/core/PropertyRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  try {
    fw::PropertyRecordWriter<> writer;
    for (const auto& entry : fw::DecodePropertyRecord(input)) writer.Entry(entry);
    if (writer.Bytes() != input) std::abort();  // decoded something other than what was stored
  } catch (const fw::UnsupportedFormatException&) {
    // A malformed record, reported as such: the expected outcome.
  }
  return 0;
}
