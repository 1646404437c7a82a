// The stored property records: lengths and entry counts. What the records
// set is checked on the created window.
#include "app/window/Records.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/core/PropertyRecord.h"

namespace {

using records::ControlClass;

std::string_view Record(std::string_view name, int64_t index = fw::kNoControlIndex) {
  for (const auto& c : records::ControlTable())
    if (c.name == name && c.index == index) return c.record;
  ADD_FAILURE() << "no control " << name;
  return {};
}

TEST(Records, EveryRecordDecodesToExactlyItsLengthWithItsClassEntryCount) {
  const std::map<ControlClass, size_t> counts = {
      {ControlClass::Rectangle, 22}, {ControlClass::Canvas, 24}, {ControlClass::TextField, 41},
      {ControlClass::PushButton, 29}, {ControlClass::Label, 32},  {ControlClass::UpDownArrows, 20},
      {ControlClass::PopupMenu, 29}};
  std::map<ControlClass, std::vector<std::string>> keyOrder;
  auto check = [&](std::string_view record, size_t count, const ControlClass* cls) {
    const auto entries = fw::DecodePropertyRecord(record);
    EXPECT_EQ(entries.size(), count);
    // Written again, the entries give the record's bytes: nothing left over.
    fw::PropertyRecordWriter<> again;
    std::vector<std::string> keys;
    for (const auto& e : entries) {
      again.Entry(e);
      keys.push_back(e.key);
    }
    EXPECT_EQ(again.Bytes(), record);
    EXPECT_GE(record.size(), 277u);
    EXPECT_LE(record.size(), 573u);
    if (cls) {
      // All records of one class hold the same keys in the same order.
      auto [it, fresh] = keyOrder.emplace(*cls, keys);
      if (!fresh) {
        EXPECT_EQ(it->second, keys);
      }
    }
  };
  check(records::WindowRecord(), 21, nullptr);
  for (const auto& c : records::ControlTable()) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.index));
    check(c.record, counts.at(c.cls), &c.cls);
  }
  const std::vector<std::pair<std::string_view, size_t>> lengths = {
      {records::WindowRecord(), 361}, {Record("BackRA0"), 323},   {Record("QuorixCV"), 330},
      {Record("EF", 5), 571},         {Record("EF", 3), 572},     {Record("QuorixPB0"), 391},
      {Record("QuorixPB5"), 390},     {Record("ST", 716), 429},   {Record("UDArrows3"), 277},
      {Record("ColorPM"), 443}};
  for (size_t i = 0; i < lengths.size(); ++i) EXPECT_EQ(lengths[i].first.size(), lengths[i].second) << i;
}

}  // namespace
