#pragma once
#include <cstdint>
#include <memory>

#include "framework/core/Color.h"
#include "framework/core/Controls.h"
#include "framework/core/Picture.h"

namespace fw {
class PushButton;
}

// The state of the explorer window and the methods that need no GUI: the
// color-set draws and the ten render commands. The window class MW
// derives from it; tests drive it with a stand-in canvas.
class MWModel {
 public:
  virtual ~MWModel() = default;

  // Properties, in their declaration order. A new window holds 0 and nil
  // until its Open handlers run.
  double mx = 0;        // real part of the start value z (shown only)
  double my = 0;        // imaginary part of z (shown only)
  double mw = 0;        // width of the viewed square of the plane
  int64_t mn = 0;       // iteration limit
  double ma = 0;        // real part of the constant c
  double mb = 0;        // imaginary part of c
  int64_t xx = 0;       // last press on the canvas, x
  int64_t yy = 0;       // last press on the canvas, y
  std::shared_ptr<fw::Picture> CVBackdrop;  // the canvas's picture
  int64_t mpixcel = 0;  // grid size
  int64_t clickX = 0;
  int64_t ClickY = 0;
  int64_t selectColorSet = 0;  // chosen color set, 0..4

  // The canvas control; nullptr when there is none.
  virtual fw::Canvas* QuorixCV() = 0;

  // One random color of color set 0..4.
  fw::Color RandomColor0();
  fw::Color RandomColor1();
  fw::Color RandomColor2();
  fw::Color RandomColor3();
  fw::Color RandomColor4();
  // One random color of set n (1..4; anything else: set 0).
  fw::Color ColorSetChange(int64_t n);

  // The render commands, one per render button.
  void QuorixPB0_Action(fw::PushButton* sender);  // "Quorix0"
  void QuorixPB1_Action(fw::PushButton* sender);  // "Quorix1"
  void QuorixPB2_Action(fw::PushButton* sender);  // "Quorix2"
  void QuorixPB3_Action(fw::PushButton* sender);  // "Quorix3"
  void QuorixPB4_Action(fw::PushButton* sender);  // "Quorix4"
  void QuorixPB5_Action(fw::PushButton* sender);  // "Julia0"
  void QuorixPB6_Action(fw::PushButton* sender);  // "Julia1"
  void QuorixPB7_Action(fw::PushButton* sender);  // "Quorix7"
  void QuorixPB8_Action(fw::PushButton* sender);  // "Quorix8"
  void QuorixPB9_Action(fw::PushButton* sender);  // "Quorix9"
};
