#pragma once
#include <QImage>
#include <cstdint>
#include <memory>

#include "framework/core/Picture.h"

namespace fw {

// The picture as a Qt image (ARGB, alpha = 255 - transparency).
QImage ToQImage(const fw::Picture& picture);
// A Qt image as a picture.
std::shared_ptr<fw::Picture> FromQImage(const QImage& image);

// The image that shows a picture on screen: premultiplied, so Qt draws it
// without converting it on every paint, and drawn it gives the same pixels
// as the ToQImage image. It is made again only when the picture has changed
// since the last call, or when another picture is passed.
class DisplayImage {
 public:
  const QImage& Of(const fw::Picture& picture);

 private:
  QImage image_;
  uint64_t serial_ = 0;  // pictures are numbered from 1
  uint64_t changes_ = 0;
};

}  // namespace fw
