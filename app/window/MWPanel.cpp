// The parameter panel: steppers, Reset, the colour-set popup and the render
// buttons' Open handlers.
#include "app/window/MW.h"
#include "app/window/Module1.h"

void MW::UDArrows0_Down(fw::UpDownArrows*) {}
void MW::UDArrows0_Up(fw::UpDownArrows*) {}
void MW::UDArrows1_Down(fw::UpDownArrows*) {}
void MW::UDArrows1_Up(fw::UpDownArrows*) {}
void MW::UDArrows2_Down(fw::UpDownArrows*) {}
void MW::UDArrows2_Up(fw::UpDownArrows*) {}
void MW::UDArrows3_Down(fw::UpDownArrows*) {}
void MW::UDArrows3_Up(fw::UpDownArrows*) {}
void MW::UDArrows4_Down(fw::UpDownArrows*) {}
void MW::UDArrows4_Up(fw::UpDownArrows*) {}
void MW::UDArrows5_Down(fw::UpDownArrows*) {}
void MW::UDArrows5_Up(fw::UpDownArrows*) {}
void MW::UDArrows6_Down(fw::UpDownArrows*) {}
void MW::UDArrows6_Up(fw::UpDownArrows*) {}

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

void MW::ResetButton_Action(fw::PushButton*) {}

void MW::ColorPM_Open(fw::PopupMenu* sender) {
  Module1::SetControlSize(sender, Module1::NSControlSizeMini);
  selectColorSet = 0;
}

void MW::ColorPM_Change(fw::PopupMenu*) {}

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
