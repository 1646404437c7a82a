#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/core/Color.h"

namespace fw {

class Picture;

// The drawing context of a picture. Drawing replaces pixels: a fully
// transparent drawing color draws fully transparent pixels.
class Graphics {
 public:
  explicit Graphics(Picture& picture) : picture_(picture) {}
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Color DrawingColor() const { return drawingColor_; }
  void SetDrawingColor(Color c) { drawingColor_ = c; }

  // Makes the rectangle fully transparent (transparent black).
  void ClearRect(double left, double top, double width, double height);
  // Fills the rectangle with the drawing color.
  void FillRect(double left, double top, double width, double height);
  // Outlines the rectangle, one pixel wide, in the drawing color. A
  // negative width or height extends the rectangle to the left or up.
  void DrawRect(double left, double top, double width, double height);
  // Copies the picture's pixels to left, top (both pictures may differ in size).
  void DrawPicture(const Picture& source, double left, double top);

 private:
  void Fill(double left, double top, double width, double height, Color c);
  Picture& picture_;
  Color drawingColor_ = colors::kOpaqueBlack;
};

// Pixel access of a picture. A write outside the picture changes nothing.
class RGBSurface {
 public:
  explicit RGBSurface(Picture& picture) : picture_(picture) {}
  RGBSurface(const RGBSurface&) = delete;
  RGBSurface& operator=(const RGBSurface&) = delete;

  void SetPixel(int64_t x, int64_t y, Color c);
  // The pixel's color; outside the picture, fully transparent black.
  Color Pixel(int64_t x, int64_t y) const;

 private:
  Picture& picture_;
};

// A picture of Width x Height color words, row by row. Shared by
// reference (std::shared_ptr); its Graphics and RGBSurface are the same
// objects on every call.
class Picture {
 public:
  // A new picture is fully transparent (transparent black). Negative sizes
  // count as 0.
  Picture(int64_t width, int64_t height);
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  int64_t Width() const { return width_; }
  int64_t Height() const { return height_; }
  fw::Graphics& Graphics() { return graphics_; }
  fw::RGBSurface& RGBSurface() { return surface_; }

  bool Contains(int64_t x, int64_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }
  // Raw color words, row-major; Width() * Height() of them. Code that
  // writes through Data() calls Changed() once it is done.
  uint32_t* Data() { return pixels_.data(); }
  const uint32_t* Data() const { return pixels_.data(); }

  // Advances the change count. Every write through Graphics and RGBSurface
  // does so itself.
  void Changed() { ++changes_; }
  // Together with Serial(), which no other picture of the process shares,
  // the change count tells whether an image made from the pixels is still
  // current.
  uint64_t ChangeCount() const { return changes_; }
  uint64_t Serial() const { return serial_; }

 private:
  int64_t width_;
  int64_t height_;
  uint64_t serial_;
  uint64_t changes_ = 0;
  std::vector<uint32_t> pixels_;
  fw::Graphics graphics_;
  fw::RGBSurface surface_;
};

// Picture.Constructor: a new picture of width x height; raises
// OutOfBoundsException when a side lies outside 1 to 32767.
std::shared_ptr<Picture> NewPicture(int64_t width, int64_t height);

}  // namespace fw
