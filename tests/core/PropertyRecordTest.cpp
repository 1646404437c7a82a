#include "framework/core/PropertyRecord.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fw::DecodePropertyRecord;
using fw::PropertyType;
using fw::UnsupportedFormatException;

std::string LE(uint64_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string Str(const std::string& key, const std::string& utf8) {
  return key + " " + LE(utf8.size(), 4) + utf8;
}

std::vector<fw::PropertyEntry> Decode(const std::string& bytes) { return DecodePropertyRecord(bytes); }

TEST(PropertyRecord, DecodesEveryValueEncoding) {
  const std::string record = "Left " + LE(static_cast<uint64_t>(-5), 8) +               //
                             "BorderThickness " + LE(0x4008000000000000ULL, 8) +      // 3.0
                             "FontSize " + LE(0x41400000u, 4) +                       // 12.0f
                             "TopLeftColor " + LE(0xFF123456u, 4) +                   //
                             "Visible " + std::string(1, '\x01') +                    //
                             "Bold " + std::string(1, '\x00') +                       //
                             "FontUnit " + std::string(1, '\x03') +                   //
                             Str("Value", "\xE5\xB9\x85=") + Str("Tooltip", "");
  const auto e = Decode(record);
  ASSERT_EQ(e.size(), 9u);
  EXPECT_EQ(e[0].key, "Left");
  EXPECT_EQ(std::get<int64_t>(e[0].value), -5);
  EXPECT_EQ(std::get<double>(e[1].value), 3.0);
  EXPECT_EQ(std::get<float>(e[2].value), 12.0f);
  EXPECT_EQ(std::get<fw::Color>(e[3].value), fw::Color(0xFF123456u));
  EXPECT_TRUE(std::get<bool>(e[4].value) && !std::get<bool>(e[5].value));
  EXPECT_EQ(std::get<fw::FontUnits>(e[6].value).code, 3);
  EXPECT_EQ(std::get<std::string>(e[7].value), "\xE5\xB9\x85=");
  EXPECT_EQ(std::get<std::string>(e[8].value), "");
  EXPECT_TRUE(Decode("").empty());
}

TEST(PropertyRecord, KeysMatchWithoutRegardToCase) {
  const std::pair<const char*, PropertyType> keys[] = {{"MacProcID", PropertyType::Int64},
                                                       {"MacProcId", PropertyType::Int64},
                                                       {"multiline", PropertyType::Boolean},
                                                       {"FONTSIZE", PropertyType::Single},
                                                       {"fontunit", PropertyType::FontUnits}};
  for (const auto& [key, type] : keys) EXPECT_EQ(fw::KeyType(key), type) << key;
  for (const char* bad : {"Colour", "", "Width "}) EXPECT_THROW(fw::KeyType(bad), UnsupportedFormatException) << bad;

  // The entry keeps the key as stored.
  EXPECT_EQ(Decode("mULTILINE " + std::string(1, '\x01')).at(0).key, "mULTILINE");
}

struct Malformed {
  const char* what;
  std::string bytes;
  std::string message;  // a part of the message that must appear
};

TEST(PropertyRecord, MalformedRecordsRaiseUnsupportedFormat) {
  const std::string width = "Width " + LE(676, 8);  // a sound first entry of 14 bytes
  const std::vector<Malformed> cases = {
      {"unknown key", width + "Colour " + LE(0, 4), "unknown key \"Colour\""},
      {"key at the end", width + "Visible", "without its blank"},
      {"key followed by a digit", "Visible1", "instead of a blank"},
      {"empty key: a blank first", " Width " + LE(1, 8), "expected a key"},
      {"empty key: a byte that is no letter", width + "\xE5\xB9\x85 " + LE(1, 8), "byte 14"},
      {"truncated Int64", "Left " + LE(3, 7), "Int64 needs 8 bytes"},
      {"missing Boolean", "Visible ", "Boolean needs 1 bytes"},
      {"truncated String count", "Name " + LE(0, 3), "String needs 4 bytes"},
      {"String count past the end", "Value " + LE(5, 4) + "abcd", "claims 5 bytes but only 4 remain"},
      {"huge String count", "Caption " + LE(0xFFFFFFFFu, 4) + "Quorix0", "claims 4294967295 bytes"},
      {"Boolean neither 0 nor 1", "Enabled " + std::string(1, '\x02'), "neither 00 nor 01"},
      {"truncated in the second entry", width + "Height " + LE(506, 4), "key \"Height\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Decode(c.bytes);
      ADD_FAILURE() << "no exception";
    } catch (const UnsupportedFormatException& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_STREQ(e.ClassName(), "UnsupportedFormatException");
    }
  }
}

}  // namespace
