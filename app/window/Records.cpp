#include "app/window/Records.h"

#include <cstddef>
#include <optional>

#include "framework/core/PropertyRecord.h"

// Every record is assembled at compile time from the table below, in the
// encoding that the framework's property record reader reads.

namespace records {
namespace {

constexpr std::size_t kCapacity = 600;  // the longest record has 573 bytes

// A record's bytes, in a buffer fixed at compile time.
struct RecordBytes {
  std::array<char, kCapacity> data{};
  std::size_t size = 0;

  constexpr void push_back(char b) {
    // Reached only while building a record at compile time: a record that
    // outgrows the buffer stops the build.
    if (size == kCapacity) throw "property record longer than its buffer";
    data[size++] = b;
  }
};

using RecordWriter = fw::PropertyRecordWriter<RecordBytes>;

constexpr std::string_view View(const RecordBytes& r) { return {r.data.data(), r.size}; }

// The color-set popup's rows in one text, separated by CR.
constexpr RecordBytes kColorSetRows = [] {
  RecordBytes rows;
  for (std::string_view name : kColorSetNames) {
    if (rows.size != 0) rows.push_back('\r');
    for (char c : name) rows.push_back(c);
  }
  return rows;
}();

using enum ControlClass;
constexpr int64_t N = fw::kNoControlIndex;  // no control array
constexpr auto R = Rectangle, C = Canvas, T = TextField, B = PushButton, L = Label,
               U = UpDownArrows, P = PopupMenu;

// The entries of one control that differ from the values its class holds.
struct Differences {
  uint32_t topLeftColor = 0;  // rectangles: color of the top and left border
  bool allowAutoDeactivate = true;
  int64_t macButtonStyle = 3;
  std::optional<int64_t> textAlignment = std::nullopt;
  std::optional<bool> transparent = std::nullopt;
  std::optional<float> fontSize = std::nullopt;
};

struct Row {
  ControlClass cls;
  std::string_view name;
  int64_t index;
  int64_t left, top, width, height;
  int64_t tabIndex;
  std::string_view text;  // Caption, Value or InitialValue
  Differences diff;
};

// The controls in creation order.
constexpr std::array<Row, 50> kRows{{
    {R, "BackRA0", N, 0, 0, 506, 506, 42, "", {.topLeftColor = 0x00929292}},  // 1
    {C, "QuorixCV", N, 3, 3, 500, 500, 0, "", {}},  // 2
    {R, "BackRA1", N, 506, 0, 170, 506, 43, "", {.topLeftColor = 0x00A9A9A9}},  // 3
    {T, "EF", 5, 574, 279, 50, 20, 20, "4", {}},  // 4
    {B, "QuorixPB0", N, 523, 410, 60, 18, 1, "Quorix0", {}},  // 5
    {B, "QuorixPB3", N, 523, 458, 60, 18, 2, "Quorix3", {}},  // 6
    {B, "QuorixPB2", N, 523, 442, 60, 18, 3, "Quorix2", {}},  // 7
    {B, "QuorixPB1", N, 523, 426, 60, 18, 4, "Quorix1", {}},  // 8
    {T, "EF", 4, 574, 227, 50, 20, 19, "1", {}},  // 9
    {T, "EF", 3, 574, 205, 50, 20, 110, "-1", {}},  // 10
    {L, "ST", 716, 583, 295, 50, 20, 18, "mw≦4", {}},  // 11
    {L, "ST", 415, 543, 281, 23, 20, 22, "幅=", {}},  // 12
    {L, "ST", 13, 550, 243, 90, 20, 23, "(-2≦ma,mb≦2)", {}},  // 13
    {L, "ST", 12, 542, 228, 25, 20, 24, "mb=", {.transparent = false}},  // 14
    {L, "ST", 11, 542, 206, 25, 20, 25, "ma=", {.transparent = false}},  // 15
    {L, "ST", 10, 531, 187, 120, 16, 26, "定数C(ma+mbi)", {.allowAutoDeactivate = false, .textAlignment = 2}},  // 16
    {L, "ST", 1, 512, 20, 160, 16, 27, "F(mn)=(mx+myi)^n+ma+mbi", {.fontSize = 12.0f}},  // 17
    {U, "UDArrows3", N, 632, 204, 13, 23, 28, "", {}},  // 18
    {U, "UDArrows4", N, 632, 227, 13, 23, 29, "", {}},  // 19
    {U, "UDArrows5", N, 631, 278, 13, 23, 30, "", {}},  // 20
    {L, "ST", 1514, 531, 262, 120, 16, 35, "複素座標の幅", {.allowAutoDeactivate = false, .textAlignment = 2}},  // 21
    {L, "ST", 1617, 531, 315, 120, 16, 36, "複素座標(x,y)", {.allowAutoDeactivate = false, .textAlignment = 2, .fontSize = 12.0f}},  // 22
    {L, "ST", 1718, 541, 331, 30, 20, 37, "x,y=", {}},  // 23
    {T, "EF", 6, 574, 332, 50, 20, 38, "500", {}},  // 24
    {U, "UDArrows6", N, 631, 331, 13, 23, 39, "", {}},  // 25
    {B, "QuorixPB4", N, 523, 474, 60, 18, 40, "Quorix4", {}},  // 26
    {B, "QuorixPB5", N, 589, 410, 60, 18, 41, "Julia0", {}},  // 27
    {B, "QuorixPB6", N, 589, 426, 60, 18, 42, "Julia1", {}},  // 28
    {B, "ResetButton", N, 605, 386, 50, 16, 43, "Reset", {.macButtonStyle = 0, .fontSize = 0.0f}},  // 29
    {B, "QuorixPB8", N, 590, 458, 60, 18, 45, "Quorix8", {}},  // 30
    {L, "ST", 0, 534, 4, 120, 16, 46, "マンデルブロ関数", {.textAlignment = 2, .fontSize = 12.0f}},  // 31
    {T, "EF", 0, 574, 59, 50, 20, 47, "100", {}},  // 32
    {L, "ST", 4, 546, 77, 82, 20, 48, "10≦mn≦1000", {}},  // 33
    {L, "ST", 3, 540, 58, 33, 20, 49, "回数=", {}},  // 34
    {L, "ST", 2, 526, 42, 120, 16, 50, "発散回数", {.textAlignment = 2, .fontSize = 12.0f}},  // 35
    {U, "UDArrows0", N, 636, 59, 13, 23, 51, "", {}},  // 36
    {T, "EF", 2, 574, 148, 50, 20, 52, "0", {}},  // 37
    {T, "EF", 1, 574, 115, 50, 20, 53, "0", {}},  // 38
    {L, "ST", 9, 558, 165, 58, 20, 54, "-1≦my≦1", {}},  // 39
    {L, "ST", 8, 539, 149, 32, 20, 55, "虚部=", {}},  // 40
    {L, "ST", 7, 558, 131, 57, 16, 56, "-1≦mx≦1", {}},  // 41
    {L, "ST", 6, 539, 117, 36, 20, 57, "実部=", {}},  // 42
    {L, "ST", 5, 530, 97, 120, 16, 58, "関数Z(mx+myi)\r", {.textAlignment = 2}},  // 43
    {U, "UDArrows1", N, 634, 115, 13, 23, 59, "", {}},  // 44
    {U, "UDArrows2", N, 633, 149, 13, 23, 60, "", {}},  // 45
    {P, "ColorPM", N, 516, 387, 80, 16, 61, View(kColorSetRows), {}},  // 46
    {B, "QuorixPB7", N, 590, 442, 60, 18, 62, "Quorix7", {}},  // 47
    {B, "QuorixPB9", N, 590, 474, 60, 18, 63, "Quorix9", {}},  // 48
    {L, "ST", 1919, 537, 352, 100, 16, 64, "250≦ｘ,y≦2000", {.textAlignment = 2, .fontSize = 12.0f}},  // 49
    {L, "ST", 2020, 523, 368, 70, 16, 111, "カラーセット", {.textAlignment = 2, .fontSize = 12.0f}},  // 50
}};

// Name, Index, geometry, locks, TabIndex and TabPanelIndex: the opening
// entries of every class but UpDownArrows.
constexpr RecordWriter Opening(const Row& r, bool lockLeftTop) {
  RecordWriter w;
  w.String("Name", r.name)
      .Int64("Index", r.index)
      .Int64("Left", r.left)
      .Int64("Top", r.top)
      .Int64("Width", r.width)
      .Int64("Height", r.height)
      .Boolean("LockLeft", lockLeftTop)
      .Boolean("LockTop", lockLeftTop)
      .Boolean("LockRight", false)
      .Boolean("LockBottom", false)
      .Int64("TabIndex", r.tabIndex)
      .Int64("TabPanelIndex", 0);
  return w;
}

constexpr RecordBytes RectangleRecord(const Row& r) {
  return Opening(r, true)
      .Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .Double("BorderThickness", 3.0)
      .Color("BottomRightColor", fw::Color(0x00D5D5D5))
      .Boolean("Enabled", true)
      .Color("FillColor", fw::Color(0x00FFFFFF))
      .String("Tooltip", "")
      .Color("TopLeftColor", fw::Color(r.diff.topLeftColor))
      .Boolean("Transparent", r.diff.transparent.value_or(false))
      .Boolean("Visible", true)
      .String("InitialParent", "")
      .Bytes();
}

constexpr RecordBytes CanvasRecord(const Row& r) {
  // The design holds Transparent twice; both entries are kept as stored.
  return Opening(r, false)
      .Boolean("TabStop", true)
      .Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .Boolean("Enabled", true)
      .String("Tooltip", "")
      .Boolean("AllowFocusRing", true)
      .Boolean("Visible", true)
      .Boolean("AllowFocus", false)
      .Boolean("AllowTabs", false)
      .Boolean("Transparent", r.diff.transparent.value_or(true))
      .Boolean("DoubleBuffer", false)
      .Boolean("Transparent", r.diff.transparent.value_or(true))
      .String("InitialParent", "BackRA0")
      .Bytes();
}

constexpr RecordBytes TextFieldRecord(const Row& r) {
  return Opening(r, true)
      .Boolean("TabStop", true)
      .Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .Color("BackgroundColor", fw::Color(0x00FFFFFF))
      .Boolean("HasBorder", true)
      .Boolean("Enabled", true)
      .String("Format", "")
      .String("Tooltip", "")
      .Boolean("Password", false)
      .Color("TextColor", fw::Color(0x00000000))
      .Boolean("Transparent", r.diff.transparent.value_or(false))
      .Boolean("AllowFocusRing", false)
      .Boolean("Visible", true)
      .String("FontName", "System")
      .Single("FontSize", r.diff.fontSize.value_or(0.0f))
      .FontUnit("FontUnit", 0)
      .Boolean("Bold", false)
      .Boolean("Italic", false)
      .Boolean("Underline", false)
      .String("Hint", "")
      .String("Value", r.text)
      .Boolean("AllowTabs", false)
      .Int64("TextAlignment", r.diff.textAlignment.value_or(2))
      .Boolean("AllowSpellChecking", false)
      .Int64("MaximumCharactersAllowed", 0)
      .String("ValidationMask", "")
      .Boolean("ReadOnly", true)
      .String("DataSource", "")
      .String("DataField", "")
      .String("InitialParent", "BackRA1")
      .Bytes();
}

constexpr RecordBytes PushButtonRecord(const Row& r) {
  return Opening(r, true)
      .Boolean("TabStop", true)
      .Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .Int64("MacButtonStyle", r.diff.macButtonStyle)
      .Boolean("Cancel", false)
      .String("Caption", r.text)
      .Boolean("Default", false)
      .Boolean("Enabled", true)
      .String("Tooltip", "")
      .Boolean("Transparent", r.diff.transparent.value_or(false))
      .Boolean("Visible", true)
      .String("FontName", "System")
      .Single("FontSize", r.diff.fontSize.value_or(10.0f))
      .FontUnit("FontUnit", 0)
      .Boolean("Bold", false)
      .Boolean("Italic", false)
      .Boolean("Underline", false)
      .String("InitialParent", "BackRA1")
      .Bytes();
}

constexpr RecordBytes LabelRecord(const Row& r) {
  return Opening(r, false)
      .Boolean("TabStop", true)
      .Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .Boolean("Enabled", true)
      .String("Tooltip", "")
      .Boolean("Multiline", false)
      .Boolean("Selectable", false)
      .Int64("TextAlignment", r.diff.textAlignment.value_or(0))
      .Color("TextColor", fw::Color(0x00000000))
      .Boolean("Transparent", r.diff.transparent.value_or(true))
      .String("Value", r.text)
      .Boolean("Visible", true)
      .Boolean("Bold", false)
      .Boolean("Italic", false)
      .String("FontName", "System")
      .Boolean("Underline", false)
      .Single("FontSize", r.diff.fontSize.value_or(0.0f))
      .FontUnit("FontUnit", 0)
      .String("DataSource", "")
      .String("DataField", "")
      .String("InitialParent", "BackRA1")
      .Bytes();
}

// The stepper's record keeps an order of its own.
constexpr RecordBytes UpDownArrowsRecord(const Row& r) {
  RecordWriter w;
  return w.Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .String("Tooltip", "")
      .Boolean("Transparent", r.diff.transparent.value_or(false))
      .String("Name", r.name)
      .Int64("Index", r.index)
      .Int64("Left", r.left)
      .Int64("Top", r.top)
      .Int64("Width", r.width)
      .Int64("Height", r.height)
      .Boolean("LockLeft", true)
      .Boolean("LockTop", true)
      .Boolean("LockRight", false)
      .Boolean("LockBottom", false)
      .Int64("TabPanelIndex", 0)
      .Int64("TabIndex", r.tabIndex)
      .Boolean("TabStop", true)
      .String("InitialParent", "BackRA1")
      .Boolean("Visible", true)
      .Boolean("Enabled", true)
      .Boolean("AllowFocus", false)
      .Bytes();
}

constexpr RecordBytes PopupMenuRecord(const Row& r) {
  return Opening(r, true)
      .Boolean("TabStop", true)
      .Boolean("AllowAutoDeactivate", r.diff.allowAutoDeactivate)
      .Boolean("Enabled", true)
      .String("Tooltip", "")
      .String("InitialValue", r.text)
      .Int64("SelectedRowIndex", 0)
      .Boolean("Transparent", r.diff.transparent.value_or(false))
      .Boolean("Visible", true)
      .String("FontName", "System")
      .Single("FontSize", r.diff.fontSize.value_or(0.0f))
      .FontUnit("FontUnit", 0)
      .Boolean("Bold", false)
      .Boolean("Italic", false)
      .Boolean("Underline", false)
      .String("DataSource", "")
      .String("DataField", "")
      .String("InitialParent", "BackRA1")
      .Bytes();
}

constexpr RecordBytes ControlRecord(const Row& r) {
  switch (r.cls) {
    case Rectangle: return RectangleRecord(r);
    case Canvas: return CanvasRecord(r);
    case TextField: return TextFieldRecord(r);
    case PushButton: return PushButtonRecord(r);
    case Label: return LabelRecord(r);
    case UpDownArrows: return UpDownArrowsRecord(r);
    case PopupMenu: return PopupMenuRecord(r);
  }
  throw "unknown control class";
}

constexpr RecordBytes BuildWindowRecord() {
  RecordWriter w;
  return w.Int64("Width", 676)
      .Int64("Height", 506)
      .Int64("MinimumWidth", 64)
      .Int64("MinimumHeight", 64)
      .Int64("MaximumWidth", 32000)
      .Int64("MaximumHeight", 32000)
      .Int64("Type", 0)
      .String("Title", "Quorix")
      .Boolean("HasCloseButton", true)
      .Boolean("HasMaximizeButton", true)
      .Boolean("HasMinimizeButton", true)
      .Boolean("HasFullScreenButton", false)
      .Boolean("Resizeable", true)
      .Boolean("Composite", false)
      .Int64("MacProcID", 0)
      .Boolean("FullScreen", false)
      .Int64("DefaultLocation", 2)
      .Boolean("Visible", true)
      .Boolean("HasBackgroundColor", false)
      .Color("BackgroundColor", fw::Color(0x00FFFFFF))
      .Boolean("MenuBarVisible", true)
      .Bytes();
}

constexpr std::array<RecordBytes, 50> BuildControlRecords() {
  std::array<RecordBytes, 50> out{};
  for (std::size_t i = 0; i < kRows.size(); ++i) out[i] = ControlRecord(kRows[i]);
  return out;
}

constexpr RecordBytes kWindowRecord = BuildWindowRecord();
constexpr std::array<RecordBytes, 50> kControlRecords = BuildControlRecords();

constexpr std::array<ControlDesign, 50> BuildTable() {
  std::array<ControlDesign, 50> out{};
  for (std::size_t i = 0; i < kRows.size(); ++i)
    out[i] = ControlDesign{kRows[i].cls, kRows[i].name, kRows[i].index, View(kControlRecords[i])};
  return out;
}

constexpr std::array<ControlDesign, 50> kTable = BuildTable();

// The records' lengths are part of the design; a slip in a key, a type or a
// value shows here first.
static_assert(kWindowRecord.size == 361);
static_assert(kControlRecords[0].size == 323);   // BackRA0
static_assert(kControlRecords[1].size == 330);   // QuorixCV
static_assert(kControlRecords[3].size == 571);   // EF(5)
static_assert(kControlRecords[9].size == 572);   // EF(3)
static_assert(kControlRecords[4].size == 391);   // QuorixPB0
static_assert(kControlRecords[26].size == 390);  // QuorixPB5
static_assert(kControlRecords[10].size == 429);  // ST(716)
static_assert(kControlRecords[17].size == 277);  // UDArrows3
static_assert(kControlRecords[45].size == 443);  // ColorPM

}  // namespace

std::string_view WindowRecord() { return View(kWindowRecord); }

const std::array<ControlDesign, 50>& ControlTable() { return kTable; }

}  // namespace records
