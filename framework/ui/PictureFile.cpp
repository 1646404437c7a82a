#include "framework/ui/PictureFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <utility>

#include "framework/core/Runtime.h"
#include "framework/ui/DisplayImage.h"

namespace fw {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw IOException("Could not save the picture to \"" + path + "\": " + reason);
}

// Fails with the reason that errno (read first) gives.
[[noreturn]] void FailWithErrno(const std::string& path) {
  const int error = errno;
  Fail(path, error != 0 ? std::strerror(error) : "the system gave no reason");
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a save to path writes: path itself or, where path is a
// symbolic link, the end of its chain of links (which need not exist yet).
std::string FollowLinks(const std::string& path) {
  std::string file = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return file;
    char target[PATH_MAX];
    const ssize_t n = readlink(file.c_str(), target, sizeof target);
    if (n < 0) FailWithErrno(path);
    if (static_cast<size_t>(n) == sizeof target) Fail(path, std::strerror(ENAMETOOLONG));
    const std::string next(target, static_cast<size_t>(n));
    file = next.front() == '/' ? next : FolderOf(file) + "/" + next;
  }
  Fail(path, std::strerror(ELOOP));
}

// A new, empty file with a name of its own in folder, opened for writing;
// its mode is 0666 less the umask, as for any new file.
struct TemporaryFile {
  std::string name;
  int fd = -1;
  bool renamed = false;

  TemporaryFile(const std::string& folder, const std::string& path) {
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string tag(8, ' ');
      for (char& c : tag) c = kLetters[random() % (sizeof kLetters - 1)];
      name = folder + "/.save-" + tag + ".tmp";
      fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) return;
      if (errno != EEXIST) FailWithErrno(path);
    }
    Fail(path, "no unused name for a temporary file");
  }
  ~TemporaryFile() {
    if (fd >= 0) close(fd);
    if (!renamed) unlink(name.c_str());
  }
};

// Replaces or creates the regular file at path with bytes, all or nothing:
// the bytes go to a temporary file in the same folder, which takes the
// place of the old file only once every byte has been written and synced.
// On any failure the old file is left as it was and the temporary file is
// removed. An existing file keeps its permission bits.
void ReplaceFile(const std::string& path, const QByteArray& bytes) {
  const std::string file = FollowLinks(path);
  struct stat old {};
  const bool exists = stat(file.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) FailWithErrno(path);
  if (exists && S_ISDIR(old.st_mode)) Fail(path, "it is a folder");
  // A device, pipe or socket is never replaced by a file.
  if (exists && !S_ISREG(old.st_mode)) Fail(path, "it is not a regular file");

  const std::string folder = FolderOf(file);
  TemporaryFile temp(folder, path);
  if (exists && fchmod(temp.fd, old.st_mode & 07777) != 0) FailWithErrno(path);
  // Every short write is followed by another, which either goes on or
  // fails with the reason (a full disk, a file size limit).
  const char* data = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t n = write(temp.fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailWithErrno(path);
    if (n == 0) Fail(path, "the file took no more data");
    data += n;
    left -= static_cast<size_t>(n);
  }
  // Some file systems report a full disk only here.
  if (fsync(temp.fd) != 0) FailWithErrno(path);
  const int fd = std::exchange(temp.fd, -1);
  if (close(fd) != 0) FailWithErrno(path);
  if (rename(temp.name.c_str(), file.c_str()) != 0) FailWithErrno(path);
  temp.renamed = true;

  // Make the new name itself last. The file is complete and in place by
  // now, so a failure here is no failure of the save.
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

}  // namespace

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

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

  ReplaceFile(path, png);
}

}  // namespace fw
