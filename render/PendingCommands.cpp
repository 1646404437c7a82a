#include "framework/core/Runtime.h"
#include "render/MWModel.h"

// Commands whose frames are still being written.
#define QUORIX_PENDING(n)                                                        \
  void MWModel::QuorixPB##n##_Action(fw::PushButton*) {                          \
    throw fw::RuntimeException("QuorixPB" #n ": this render is not available."); \
  }
QUORIX_PENDING(1)
QUORIX_PENDING(2)
QUORIX_PENDING(3)
QUORIX_PENDING(4)
QUORIX_PENDING(6)
QUORIX_PENDING(7)
QUORIX_PENDING(8)
QUORIX_PENDING(9)
