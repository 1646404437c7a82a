#include "app/window/Records.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/PropertyRecord.h"

namespace {

using records::ControlClass;
using records::ControlDesign;
using records::kNoIndex;

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

// Size of an entry as stored, computed from its decoded value only.
size_t StoredSize(const fw::PropertyEntry& e) {
  static constexpr size_t kSizes[] = {8, 8, 4, 4, 1, 1};  // Int64 .. FontUnits
  const size_t value = e.value.index() == 6 ? 4 + std::get<std::string>(e.value).size()
                                            : kSizes[e.value.index()];
  return e.key.size() + 1 + value;
}

const fw::PropertyValue& Value(const std::vector<fw::PropertyEntry>& entries, std::string_view key) {
  for (const auto& e : entries)
    if (e.key == key) return e.value;
  throw std::runtime_error("no entry " + std::string(key));
}

const ControlDesign& Find(std::string_view name, int64_t index = kNoIndex) {
  for (const auto& c : records::ControlTable())
    if (c.name == name && c.index == index) return c;
  throw std::runtime_error("no control " + std::string(name));
}

std::string Text(std::string_view name, int64_t index, std::string_view key) {
  return std::get<std::string>(Value(fw::DecodePropertyRecord(Find(name, index).record), key));
}

TEST(Records, EveryRecordDecodesToExactlyItsLengthWithItsClassEntryCount) {
  const std::map<ControlClass, size_t> counts = {
      {ControlClass::Rectangle, 22}, {ControlClass::Canvas, 24},   {ControlClass::TextField, 41},
      {ControlClass::PushButton, 29}, {ControlClass::Label, 32},   {ControlClass::UpDownArrows, 20},
      {ControlClass::PopupMenu, 29}};
  std::vector<std::pair<std::string_view, size_t>> all = {{records::WindowRecord(), 21}};
  for (const auto& c : records::ControlTable()) all.emplace_back(c.record, counts.at(c.cls));

  // Every key of one class in the same order in all its records.
  std::map<ControlClass, std::vector<std::string>> keyOrder;
  for (size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(i);
    const auto entries = fw::DecodePropertyRecord(all[i].first);
    EXPECT_EQ(entries.size(), all[i].second);
    size_t total = 0;
    std::vector<std::string> keys;
    for (const auto& e : entries) {
      total += StoredSize(e);
      keys.push_back(e.key);
      // The value decoded has the type of its key.
      EXPECT_EQ(static_cast<size_t>(fw::KeyType(e.key)), e.value.index()) << e.key;
    }
    EXPECT_EQ(total, all[i].first.size());
    if (i > 0) {
      auto [it, fresh] = keyOrder.emplace(records::ControlTable()[i - 1].cls, keys);
      if (!fresh) {
        EXPECT_EQ(it->second, keys);
      }
    }
  }

  EXPECT_EQ(records::WindowRecord().size(), 361u);
  EXPECT_EQ(Find("BackRA0").record.size(), 323u);
  EXPECT_EQ(Find("QuorixCV").record.size(), 330u);
  EXPECT_EQ(Find("EF", 5).record.size(), 571u);
  EXPECT_EQ(Find("EF", 3).record.size(), 572u);
  EXPECT_EQ(Find("QuorixPB0").record.size(), 391u);
  EXPECT_EQ(Find("QuorixPB5").record.size(), 390u);
  EXPECT_EQ(Find("ST", 716).record.size(), 429u);
  EXPECT_EQ(Find("UDArrows3").record.size(), 277u);
  EXPECT_EQ(Find("ColorPM").record.size(), 443u);
}

TEST(Records, StoredBytesFollowTheRecordFormat) {
  EXPECT_EQ(records::WindowRecord().substr(0, 29),
            Bytes({0x57, 0x69, 0x64, 0x74, 0x68, 0x20, 0xA4, 0x02, 0, 0, 0, 0, 0, 0,  //
                   0x48, 0x65, 0x69, 0x67, 0x68, 0x74, 0x20, 0xFA, 0x01, 0, 0, 0, 0, 0, 0}));

  auto contains = [](std::string_view record, const std::string& bytes) {
    return record.find(bytes) != std::string_view::npos;
  };
  const auto pb0 = Find("QuorixPB0").record;
  EXPECT_TRUE(contains(pb0, "FontSize " + Bytes({0x00, 0x00, 0x20, 0x41})));
  EXPECT_TRUE(contains(pb0, "Index " + Bytes({0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF})));
  EXPECT_TRUE(contains(pb0, "Caption " + Bytes({7, 0, 0, 0}) + "Quorix0"));
  const auto ra0 = Find("BackRA0").record;
  EXPECT_TRUE(contains(ra0, "BorderThickness " + Bytes({0, 0, 0, 0, 0, 0, 0x08, 0x40})));
  EXPECT_TRUE(contains(ra0, "BottomRightColor " + Bytes({0xD5, 0xD5, 0xD5, 0x00})));
  EXPECT_TRUE(contains(ra0, "TopLeftColor " + Bytes({0x92, 0x92, 0x92, 0x00})));
  EXPECT_TRUE(contains(records::WindowRecord(), "BackgroundColor " + Bytes({0xFF, 0xFF, 0xFF, 0x00})));

  // The parent of every control: the last entry, except in the steppers,
  // whose own order puts Visible, Enabled and AllowFocus after it.
  const std::string panel = "InitialParent " + Bytes({7, 0, 0, 0}) + "BackRA1";
  const std::string stepperEnd = panel + "Visible " + Bytes({1}) + "Enabled " + Bytes({1}) +
                                 "AllowFocus " + Bytes({0});
  for (const auto& c : records::ControlTable()) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.index));
    switch (c.cls) {
      case ControlClass::Rectangle:
        EXPECT_TRUE(c.record.ends_with("InitialParent " + Bytes({0, 0, 0, 0})));
        break;
      case ControlClass::Canvas:
        EXPECT_TRUE(c.record.ends_with("InitialParent " + Bytes({7, 0, 0, 0}) + "BackRA0"));
        break;
      case ControlClass::UpDownArrows:
        EXPECT_TRUE(c.record.ends_with(stepperEnd));
        break;
      default:
        EXPECT_TRUE(c.record.ends_with(panel));
    }
  }
}

TEST(Records, TextsAreStoredAsUtf8WithByteCounts) {
  // "幅=": three bytes for the ideograph, one for "=".
  EXPECT_TRUE(Find("ST", 415).record.find("Value " + Bytes({4, 0, 0, 0, 0xE5, 0xB9, 0x85, 0x3D})) !=
              std::string_view::npos);
  // "250≦ｘ,y≦2000": a full-width x (U+FF58) and two U+2266.
  EXPECT_EQ(Text("ST", 1919, "Value"),
            "250" + Bytes({0xE2, 0x89, 0xA6, 0xEF, 0xBD, 0x98}) + ",y" + Bytes({0xE2, 0x89, 0xA6}) + "2000");
  EXPECT_EQ(Text("ST", 1919, "Value").size(), 18u);
  EXPECT_EQ(Text("ST", 716, "Value").size(), 6u);      // mw≦4
  EXPECT_EQ(Text("ST", 0, "Value").size(), 24u);       // eight kana and kanji
  EXPECT_EQ(Text("ST", 2020, "Value").size(), 18u);    // six katakana

  // The label of the start value ends in a carriage return.
  const std::string z = Text("ST", 5, "Value");
  EXPECT_EQ(z.size(), 16u);
  EXPECT_EQ(z.back(), '\r');
  EXPECT_EQ(z.find('\r'), 15u);

  // The popup's rows: five, separated by carriage returns, none after the last.
  const std::string rows = Text("ColorPM", kNoIndex, "InitialValue");
  std::vector<std::string> split;
  size_t from = 0;
  for (size_t cr; (cr = rows.find('\r', from)) != std::string::npos; from = cr + 1)
    split.push_back(rows.substr(from, cr - from));
  split.push_back(rows.substr(from));
  EXPECT_EQ(split, (std::vector<std::string>{"16色", "日本色", "絵具", "ヌビロ", "ペラサ"}));
  EXPECT_EQ(std::get<int64_t>(Value(fw::DecodePropertyRecord(Find("ColorPM").record), "SelectedRowIndex")), 0);

  // The fields start with the default of the parameter each one shows.
  const char* defaults[] = {"100", "0", "0", "-1", "1", "4", "500"};
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(Text("EF", k, "Value"), defaults[k]) << k;
    EXPECT_TRUE(std::get<bool>(Value(fw::DecodePropertyRecord(Find("EF", k).record), "ReadOnly")));
  }
  EXPECT_EQ(Text("QuorixPB5", kNoIndex, "Caption"), "Julia0");
  EXPECT_EQ(Text("ResetButton", kNoIndex, "Caption"), "Reset");
}

TEST(Records, CanvasStoresTransparentTwice) {
  const auto entries = fw::DecodePropertyRecord(Find("QuorixCV").record);
  std::vector<size_t> at;
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].key == "Transparent") {
      at.push_back(i);
      EXPECT_TRUE(std::get<bool>(entries[i].value));
    }
  EXPECT_EQ(at, (std::vector<size_t>{20, 22}));
}

TEST(Records, ControlTableListsTheFiftyControlsInCreationOrder) {
  const std::vector<std::pair<std::string, int64_t>> order = {
      {"BackRA0", kNoIndex},   {"QuorixCV", kNoIndex},  {"BackRA1", kNoIndex},   {"EF", 5},
      {"QuorixPB0", kNoIndex}, {"QuorixPB3", kNoIndex}, {"QuorixPB2", kNoIndex}, {"QuorixPB1", kNoIndex},
      {"EF", 4},               {"EF", 3},               {"ST", 716},             {"ST", 415},
      {"ST", 13},              {"ST", 12},              {"ST", 11},              {"ST", 10},
      {"ST", 1},               {"UDArrows3", kNoIndex}, {"UDArrows4", kNoIndex}, {"UDArrows5", kNoIndex},
      {"ST", 1514},            {"ST", 1617},            {"ST", 1718},            {"EF", 6},
      {"UDArrows6", kNoIndex}, {"QuorixPB4", kNoIndex}, {"QuorixPB5", kNoIndex}, {"QuorixPB6", kNoIndex},
      {"ResetButton", kNoIndex}, {"QuorixPB8", kNoIndex}, {"ST", 0},           {"EF", 0},
      {"ST", 4},               {"ST", 3},               {"ST", 2},               {"UDArrows0", kNoIndex},
      {"EF", 2},               {"EF", 1},               {"ST", 9},               {"ST", 8},
      {"ST", 7},               {"ST", 6},               {"ST", 5},               {"UDArrows1", kNoIndex},
      {"UDArrows2", kNoIndex}, {"ColorPM", kNoIndex},   {"QuorixPB7", kNoIndex}, {"QuorixPB9", kNoIndex},
      {"ST", 1919},            {"ST", 2020}};
  const auto& table = records::ControlTable();
  ASSERT_EQ(order.size(), table.size());

  std::set<std::pair<std::string, int64_t>> seen;
  for (size_t i = 0; i < table.size(); ++i) {
    const auto& c = table[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(std::string(c.name), order[i].first);
    EXPECT_EQ(c.index, order[i].second);
    EXPECT_TRUE(seen.emplace(std::string(c.name), c.index).second) << "duplicate";

    const ControlClass expected = c.name == "EF"                    ? ControlClass::TextField
                                  : c.name == "ST"                  ? ControlClass::Label
                                  : c.name.starts_with("BackRA")    ? ControlClass::Rectangle
                                  : c.name == "QuorixCV"            ? ControlClass::Canvas
                                  : c.name.starts_with("UDArrows")  ? ControlClass::UpDownArrows
                                  : c.name == "ColorPM"             ? ControlClass::PopupMenu
                                                                    : ControlClass::PushButton;
    EXPECT_EQ(c.cls, expected);
    EXPECT_EQ((c.name == "EF" || c.name == "ST"), c.index != kNoIndex);

    // The record names the control as the table does.
    const auto entries = fw::DecodePropertyRecord(c.record);
    EXPECT_EQ(std::get<std::string>(Value(entries, "Name")), c.name);
    EXPECT_EQ(std::get<int64_t>(Value(entries, "Index")), c.index);
  }
}

TEST(Records, StyleGroupsKeepTheirDifferences) {
  std::map<float, std::set<std::string>> fontSizes;
  std::map<int64_t, int> labelAlignments;
  for (const auto& c : records::ControlTable()) {
    if (c.cls != ControlClass::PushButton && c.cls != ControlClass::Label) continue;
    const auto e = fw::DecodePropertyRecord(c.record);
    const std::string id = std::string(c.name) + (c.index == kNoIndex ? "" : std::to_string(c.index));
    fontSizes[std::get<float>(Value(e, "FontSize"))].insert(id);
    if (c.cls == ControlClass::Label) ++labelAlignments[std::get<int64_t>(Value(e, "TextAlignment"))];
    if (c.cls == ControlClass::PushButton) {
      EXPECT_EQ(std::get<int64_t>(Value(e, "MacButtonStyle")), c.name == "ResetButton" ? 0 : 3);
    }
  }
  EXPECT_EQ(fontSizes[12.0f], (std::set<std::string>{"ST0", "ST1", "ST2", "ST1617", "ST1919", "ST2020"}));
  EXPECT_EQ(fontSizes[10.0f].size(), 10u);
  EXPECT_EQ(fontSizes[0.0f].count("ResetButton"), 1u);
  EXPECT_EQ(labelAlignments, (std::map<int64_t, int>{{0, 13}, {2, 8}}));
}

}  // namespace
