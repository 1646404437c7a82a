#pragma once
#include <cstdint>
#include <memory>

#include "framework/core/Picture.h"

namespace fw {

// Index of a control that belongs to no control array.
inline constexpr int64_t kNoControlIndex = -2147483648LL;

// What every control offers to code that needs no GUI: its size and a
// repaint request. The window layer's controls implement it.
class RectControl {
 public:
  virtual ~RectControl() = default;
  virtual int64_t Width() const = 0;
  virtual int64_t Height() const = 0;
  // Asks for a repaint (erasing the background first when eraseBackground
  // is true). The repaint may come after the call returns.
  virtual void Refresh(bool eraseBackground) = 0;
};

// A control that shows a picture, its backdrop.
class Canvas : public RectControl {
 public:
  const std::shared_ptr<Picture>& Backdrop() const { return backdrop_; }
  void SetBackdrop(std::shared_ptr<Picture> picture) {
    backdrop_ = std::move(picture);
    BackdropChanged();
  }

 protected:
  virtual void BackdropChanged() {}

 private:
  std::shared_ptr<Picture> backdrop_;
};

}  // namespace fw
