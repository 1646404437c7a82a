// The parameter panel: steppers, Reset, the color-set popup and the render
// buttons' Open handlers.
#include "app/window/MWPanel.h"

#include <cmath>
#include <cstddef>
#include <limits>
#include <tuple>

#include "app/window/MW.h"
#include "app/window/Module1.h"
#include "app/window/Records.h"
#include "framework/core/NumberText.h"

namespace {

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

// The window's parameter properties in the order of kParameters.
auto Properties(MW& w) { return std::tie(w.mn, w.mx, w.my, w.ma, w.mb, w.mw, w.mpixcel); }

// One press of stepper k: the limit test comes before the step, and the
// field is written before the property, which takes the number the new
// text reads as.
template <size_t k>
void Press(MW& w, bool up) {
  const Parameter& p = kParameters[k];
  auto& property = std::get<k>(Properties(w));
  fw::TextField& field = fw::Deref(w.EF(k), "EF");
  const double value = fw::Val(field.Value());
  if (up ? value >= p.upper : p.lower >= value) {
    field.SetValue(up ? p.upperText : p.lowerText);
    Store(property, up ? p.upper : p.lower);
    return;
  }
  field.SetValue(fw::Str(up ? value + p.step : value - p.step));
  Store(property, fw::Val(field.Value()));
}

void StoreDefaults(MW& w) {
  std::apply([](auto&... property) {
    size_t k = 0;
    (Store(property, kParameters[k++].value), ...);
  }, Properties(w));
}

}  // namespace

void MW::UDArrows0_Down(fw::UpDownArrows*) { Press<0>(*this, false); }
void MW::UDArrows0_Up(fw::UpDownArrows*) { Press<0>(*this, true); }
void MW::UDArrows1_Down(fw::UpDownArrows*) { Press<1>(*this, false); }
void MW::UDArrows1_Up(fw::UpDownArrows*) { Press<1>(*this, true); }
void MW::UDArrows2_Down(fw::UpDownArrows*) { Press<2>(*this, false); }
void MW::UDArrows2_Up(fw::UpDownArrows*) { Press<2>(*this, true); }
void MW::UDArrows3_Down(fw::UpDownArrows*) { Press<3>(*this, false); }
void MW::UDArrows3_Up(fw::UpDownArrows*) { Press<3>(*this, true); }
void MW::UDArrows4_Down(fw::UpDownArrows*) { Press<4>(*this, false); }
void MW::UDArrows4_Up(fw::UpDownArrows*) { Press<4>(*this, true); }
void MW::UDArrows5_Down(fw::UpDownArrows*) { Press<5>(*this, false); }
void MW::UDArrows5_Up(fw::UpDownArrows*) { Press<5>(*this, true); }
void MW::UDArrows6_Down(fw::UpDownArrows*) { Press<6>(*this, false); }
void MW::UDArrows6_Up(fw::UpDownArrows*) { Press<6>(*this, true); }

void MW::ResetButton_Open(fw::PushButton* sender) {
  Module1::SetControlSize(sender, Module1::NSControlSizeMini);
  StoreDefaults(*this);
}

void MW::ResetButton_Action(fw::PushButton*) {
  StoreDefaults(*this);
  for (size_t k = 0; k < kParameters.size(); ++k) fw::Deref(EF(k), "EF").SetValue(kParameters[k].text);
}

void MW::ColorPM_Open(fw::PopupMenu* sender) {
  Module1::SetControlSize(sender, Module1::NSControlSizeMini);
  selectColorSet = 0;
}

void MW::ColorPM_Change(fw::PopupMenu* sender) {
  // By the row's text, not its position; an unknown text means set 0.
  const std::string row = fw::Deref(sender, "ColorPM").SelectedRowValue();
  int64_t value = 0;
  for (size_t i = 0; i < records::kColorSetNames.size(); ++i)
    if (row == records::kColorSetNames[i]) {
      value = static_cast<int64_t>(i);
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
