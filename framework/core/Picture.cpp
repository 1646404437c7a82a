#include "framework/core/Picture.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "framework/core/Runtime.h"

namespace fw {
namespace {
// Clamps a Double coordinate into [0, limit]; NaN counts as 0.
int64_t ClampCoord(double v, int64_t limit) {
  if (!(v > 0)) return 0;
  if (v >= static_cast<double>(limit)) return limit;
  return static_cast<int64_t>(std::floor(v));
}

uint64_t NextSerial() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}
}  // namespace

Picture::Picture(int64_t width, int64_t height)
    : width_(std::max<int64_t>(width, 0)),
      height_(std::max<int64_t>(height, 0)),
      serial_(NextSerial()),
      pixels_(static_cast<size_t>(width_ * height_), colors::kTransparentBlack.value),
      graphics_(*this),
      surface_(*this) {}

std::shared_ptr<Picture> NewPicture(int64_t width, int64_t height) {
  if (width < 1 || width > 32767 || height < 1 || height > 32767)
    throw OutOfBoundsException("Width/Height needs to be in the range 1-32767");
  return std::make_shared<Picture>(width, height);
}

void Graphics::Fill(double left, double top, double width, double height, Color c) {
  if (width < 0) { left += width; width = -width; }
  if (height < 0) { top += height; height = -height; }
  const int64_t x0 = ClampCoord(left, picture_.Width());
  const int64_t x1 = ClampCoord(left + width, picture_.Width());
  const int64_t y0 = ClampCoord(top, picture_.Height());
  const int64_t y1 = ClampCoord(top + height, picture_.Height());
  uint32_t* data = picture_.Data();
  for (int64_t y = y0; y < y1; ++y)
    std::fill(data + y * picture_.Width() + x0, data + y * picture_.Width() + x1, c.value);
  picture_.Changed();
}

void Graphics::ClearRect(double left, double top, double width, double height) {
  Fill(left, top, width, height, colors::kTransparentBlack);
}

void Graphics::FillRect(double left, double top, double width, double height) {
  Fill(left, top, width, height, drawingColor_);
}

void Graphics::DrawRect(double left, double top, double width, double height) {
  if (width < 0) { left += width; width = -width; }
  if (height < 0) { top += height; height = -height; }
  if (!(width >= 1) || !(height >= 1)) return;  // nothing to outline (or NaN)
  // The four edges, each a one-pixel band inside the rectangle.
  Fill(left, top, width, 1, drawingColor_);
  Fill(left, top + height - 1, width, 1, drawingColor_);
  Fill(left, top, 1, height, drawingColor_);
  Fill(left + width - 1, top, 1, height, drawingColor_);
}

void Graphics::DrawPicture(const Picture& source, double left, double top) {
  if (std::isnan(left) || std::isnan(top)) return;
  const int64_t dx = static_cast<int64_t>(std::floor(std::clamp(left, -1e15, 1e15)));
  const int64_t dy = static_cast<int64_t>(std::floor(std::clamp(top, -1e15, 1e15)));
  for (int64_t y = 0; y < source.Height(); ++y) {
    const int64_t ty = y + dy;
    if (ty < 0 || ty >= picture_.Height()) continue;
    for (int64_t x = 0; x < source.Width(); ++x) {
      const int64_t tx = x + dx;
      if (tx < 0 || tx >= picture_.Width()) continue;
      picture_.Data()[ty * picture_.Width() + tx] = source.Data()[y * source.Width() + x];
    }
  }
  picture_.Changed();
}

void RGBSurface::SetPixel(int64_t x, int64_t y, Color c) {
  if (!picture_.Contains(x, y)) return;
  picture_.Data()[y * picture_.Width() + x] = c.value;
  picture_.Changed();
}

Color RGBSurface::Pixel(int64_t x, int64_t y) const {
  if (!picture_.Contains(x, y)) return colors::kTransparentBlack;
  return Color(picture_.Data()[y * picture_.Width() + x]);
}

}  // namespace fw
