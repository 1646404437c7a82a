#include "framework/ui/PictureFile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QString>

#include "framework/core/Runtime.h"
#include "framework/ui/Widgets.h"

namespace fw {
namespace {

[[noreturn]] void Fail(const std::string& path, const QString& reason) {
  throw IOException("Could not save the picture to \"" + path + "\": " + reason.toStdString());
}

}  // namespace

void SavePicture(const Picture& picture, const std::string& path, int64_t format, int64_t quality) {
  if (path.empty()) throw NilObjectException("The folder item passed cannot be nil");
  if (quality != -1 && (quality < 0 || quality > 100)) {
    throw OutOfBoundsException("The compression value is out of range, valid values are 0-100");
  }
  if (format != kPictureFormatPNG) {
    throw OutOfBoundsException("The picture format " + std::to_string(format) +
                               " is not supported; 150 (PNG) is");
  }
  if (picture.Width() < 1 || picture.Width() > 32767 || picture.Height() < 1 || picture.Height() > 32767) {
    throw OutOfBoundsException("Width/Height needs to be in the range 1-32767");
  }

  // Encode in memory first: a picture that cannot be encoded never touches
  // the file.
  QByteArray png;
  {
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(static_cast<int>(quality));
    // ToQImage keeps the colour bytes of fully transparent pixels (the
    // image is not premultiplied).
    const QImage image = ToQImage(picture);
    if (image.isNull()) {
      throw RuntimeException("Not enough memory to save a picture of " + std::to_string(picture.Width()) +
                             " x " + std::to_string(picture.Height()) + " pixels");
    }
    if (!writer.write(image)) {
      throw RuntimeException("Could not encode the picture as PNG: " + writer.errorString().toStdString());
    }
  }

  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) Fail(path, file.errorString());
  // A write may stop short without an error (a full disk, a file size
  // limit); the next one then fails and says why. A short file must never
  // be committed.
  qint64 written = 0;
  while (written < png.size()) {
    const qint64 n = file.write(png.constData() + written, png.size() - written);
    if (n <= 0) break;
    written += n;
  }
  if (written < png.size()) {
    const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : QString("write failed");
    file.cancelWriting();
    Fail(path, reason);
  }
  if (!file.commit()) Fail(path, file.errorString());
}

}  // namespace fw
