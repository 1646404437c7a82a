#include "framework/core/PropertyRecord.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;
using Writer = fw::PropertyRecordWriter<>;

// The record without its last n bytes.
std::string Cut(const Writer& w, size_t n) { return w.Bytes().substr(0, w.Bytes().size() - n); }

TEST(PropertyRecord, WritesAndReadsEveryValueEncoding) {
  const std::string record =
      Writer()
          .Int64("Left", -5).Double("BorderThickness", 3.0).Single("FontSize", 12.0f)
          .Color("TopLeftColor", fw::Color(0xFF123456u)).Boolean("Visible", true).Boolean("Bold", false)
          .FontUnit("FontUnit", 3).String("Value", "\xE5\xB9\x85=").String("Tooltip", "").Bytes();
  EXPECT_EQ(record,
            "Left \xFB\xFF\xFF\xFF\xFF\xFF\xFF\xFF" "BorderThickness \0\0\0\0\0\0\x08\x40" "FontSize \0\0\x40\x41"
            "TopLeftColor \x56\x34\x12\xFF" "Visible \x01" "Bold \0" "FontUnit \x03"
            "Value \x04\0\0\0\xE5\xB9\x85=" "Tooltip \0\0\0\0"s);
  const auto e = fw::DecodePropertyRecord(record);
  const fw::PropertyValue values[] = {int64_t{-5}, 3.0, 12.0f, fw::Color(0xFF123456u), true, false,
                                      fw::FontUnits{3}, "\xE5\xB9\x85="s, ""s};
  ASSERT_EQ(e.size(), std::size(values));
  for (size_t i = 0; i < e.size(); ++i) EXPECT_TRUE(e[i].value == values[i]) << e[i].key;  // value and type
  EXPECT_TRUE(e[0].key == "Left" && fw::DecodePropertyRecord("").empty());
}

// Each case: what is wrong, the record, a part of the message that must appear.
TEST(PropertyRecord, MalformedRecordsRaiseUnsupportedFormat) {
  const std::string width = Writer().Int64("Width", 676).Bytes();  // a sound first entry of 14 bytes
  const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
      {"unknown key", width + Writer().Color("Color", fw::Color()).Bytes(), "unknown key \"Color\""},
      {"key at the end", width + "Visible", "without its blank"},
      {"key followed by a digit", "Visible1", "instead of a blank"},
      {"empty key: a blank first", " " + Writer().Int64("Width", 1).Bytes(), "expected a key"},
      {"empty key: a byte that is no letter", width + Writer().Int64("\xE5\xB9\x85", 1).Bytes(), "byte 14"},
      {"truncated Int64", Cut(Writer().Int64("Left", 3), 1), "Int64 needs 8 bytes"},
      {"truncated Double", Cut(Writer().Double("BorderThickness", 3), 1), "Double needs 8 bytes"},
      {"truncated Single", Cut(Writer().Single("FontSize", 12), 1), "Single needs 4 bytes"},
      {"truncated Color", Cut(Writer().Color("FillColor", fw::Color()), 1), "Color needs 4 bytes"},
      {"missing Boolean", "Visible ", "Boolean needs 1 bytes"},
      {"truncated String count", Cut(Writer().String("Name", ""), 1), "String needs 4 bytes"},
      {"String count past the end", Cut(Writer().String("Value", "abcde"), 1), "claims 5 bytes but only 4 remain"},
      {"huge String count", "Caption " + std::string(4, '\xFF') + "Quorix0", "claims 4294967295 bytes"},
      {"Boolean neither 0 nor 1", "Enabled \x02", "neither 00 nor 01"},
      {"truncated in the second entry", Cut(Writer().Int64("Width", 676).Int64("Height", 506), 4), "key \"Height\""},
  };
  for (const auto& [what, bytes, message] : cases) {
    SCOPED_TRACE(what);
    try {
      fw::DecodePropertyRecord(bytes);
      ADD_FAILURE() << "no exception";
    } catch (const fw::UnsupportedFormatException& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
      EXPECT_STREQ(e.ClassName(), "UnsupportedFormatException");
    }
  }
}

}  // namespace
