#include "app/window/QuorixBack.h"

#include <QImage>

#include "framework/ui/DisplayImage.h"

namespace {
std::shared_ptr<fw::Picture>& Cache() {
  static std::shared_ptr<fw::Picture> picture;
  return picture;
}
}  // namespace

std::shared_ptr<fw::Picture> quorixBack() {
  if (!Cache()) {
    Q_INIT_RESOURCE(quorix);  // the resources live in a static library
    const QImage image(QStringLiteral(":/quorixBack.png"));
    if (!image.isNull()) Cache() = fw::FromQImage(image);
  }
  return Cache();
}
