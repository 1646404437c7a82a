// The parameter panel: steppers, Reset, the colour-set popup and the render
// buttons' Open handlers.
#include <cmath>
#include <limits>

#include "app/window/MW.h"
#include "app/window/Module1.h"
#include "framework/core/NumberText.h"

namespace {

// One stepper's field, limits (with the texts written at a limit) and step.
struct StepperRange {
  int64_t field;
  double lower;
  const char* lowerText;
  double upper;
  const char* upperText;
  double step;
};

constexpr StepperRange kMn{0, 10.0, "10", 1000.0, "1000", 10.0};
constexpr StepperRange kMx{1, -1.0, "-1", 1.0, "1", 0.1};
constexpr StepperRange kMy{2, -1.0, "-1", 1.0, "1", 0.1};
constexpr StepperRange kMa{3, -2.0, "-2", 2.0, "2", 0.1};
constexpr StepperRange kMb{4, -2.0, "-2", 2.0, "2", 0.1};
constexpr StepperRange kMw{5, 0.0, "0", 4.0, "4", 0.1};
constexpr StepperRange kMpixcel{6, 250.0, "250", 2000.0, "2000", 50.0};

// A Double truncated toward zero; NaN gives 0 and values beyond the Int64
// range give its ends, where a plain conversion would be undefined.
int64_t TruncateToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (v <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

void Store(double& property, double v) { property = v; }
void Store(int64_t& property, double v) { property = TruncateToInt64(v); }

// One press: the limit test comes before the step, and the field is written
// before the property, which takes the number the new text reads as.
template <class P>
void Press(MW& w, const StepperRange& r, P& property, bool up) {
  const double value = fw::Val(fw::Deref(w.EF(r.field), "EF").Value());
  if (up ? value >= r.upper : r.lower >= value) {
    fw::Deref(w.EF(r.field), "EF").SetValue(up ? r.upperText : r.lowerText);
    Store(property, up ? r.upper : r.lower);
    return;
  }
  fw::Deref(w.EF(r.field), "EF").SetValue(fw::Str(up ? value + r.step : value - r.step));
  Store(property, fw::Val(fw::Deref(w.EF(r.field), "EF").Value()));
}

}  // namespace

void MW::UDArrows0_Down(fw::UpDownArrows*) { Press(*this, kMn, mn, false); }
void MW::UDArrows0_Up(fw::UpDownArrows*) { Press(*this, kMn, mn, true); }
void MW::UDArrows1_Down(fw::UpDownArrows*) { Press(*this, kMx, mx, false); }
void MW::UDArrows1_Up(fw::UpDownArrows*) { Press(*this, kMx, mx, true); }
void MW::UDArrows2_Down(fw::UpDownArrows*) { Press(*this, kMy, my, false); }
void MW::UDArrows2_Up(fw::UpDownArrows*) { Press(*this, kMy, my, true); }
void MW::UDArrows3_Down(fw::UpDownArrows*) { Press(*this, kMa, ma, false); }
void MW::UDArrows3_Up(fw::UpDownArrows*) { Press(*this, kMa, ma, true); }
void MW::UDArrows4_Down(fw::UpDownArrows*) { Press(*this, kMb, mb, false); }
void MW::UDArrows4_Up(fw::UpDownArrows*) { Press(*this, kMb, mb, true); }
void MW::UDArrows5_Down(fw::UpDownArrows*) { Press(*this, kMw, mw, false); }
void MW::UDArrows5_Up(fw::UpDownArrows*) { Press(*this, kMw, mw, true); }
void MW::UDArrows6_Down(fw::UpDownArrows*) { Press(*this, kMpixcel, mpixcel, false); }
void MW::UDArrows6_Up(fw::UpDownArrows*) { Press(*this, kMpixcel, mpixcel, true); }

void MW::ResetButton_Open(fw::PushButton* sender) {
  Module1::SetControlSize(sender, Module1::NSControlSizeMini);
  mx = 0.0;
  my = 0.0;
  ma = -1.0;
  mb = 1.0;
  mw = 4.0;
  mpixcel = 500;
  mn = 100;
}

void MW::ResetButton_Action(fw::PushButton*) {
  mn = 100;
  mx = 0.0;
  my = 0.0;
  ma = -1.0;
  mb = 1.0;
  mw = 4.0;
  mpixcel = 500;
  const char* texts[] = {"100", "0", "0", "-1", "1", "4", "500"};
  for (int64_t i = 0; i < 7; ++i) fw::Deref(EF(i), "EF").SetValue(texts[i]);
}

void MW::ColorPM_Open(fw::PopupMenu* sender) {
  Module1::SetControlSize(sender, Module1::NSControlSizeMini);
  selectColorSet = 0;
}

void MW::ColorPM_Change(fw::PopupMenu* sender) {
  // By the row's text, not its position; an unknown text means set 0.
  const std::string row = fw::Deref(sender, "ColorPM").SelectedRowValue();
  const char* names[] = {"16色", "日本色", "絵具", "ヌビロ", "ペラサ"};
  int64_t value = 0;
  for (int64_t i = 0; i < 5; ++i)
    if (row == names[i]) {
      value = i;
      break;
    }
  selectColorSet = value;
}

void MW::QuorixPB0_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB1_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB2_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB3_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB4_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB5_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB6_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB7_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB8_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
void MW::QuorixPB9_Open(fw::PushButton* sender) { Module1::SetControlSize(sender, Module1::NSControlSizeMini); }
