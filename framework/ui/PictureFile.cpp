#include "framework/ui/PictureFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
#include <vector>

#include "framework/core/Runtime.h"
#include "framework/ui/DisplayImage.h"

namespace fw {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw IOException("Could not save the picture to \"" + path + "\": " + reason);
}

[[noreturn]] void FailWith(const std::string& path, int error) {
  Fail(path, error != 0 ? std::strerror(error) : "the system gave no reason");
}

// Fails with the reason that errno (read first) gives.
[[noreturn]] void FailWithErrno(const std::string& path) { FailWith(path, errno); }

// A save never writes into the file it replaces: it makes a new file in
// the same folder and renames it over the old one. A folder that refuses
// that fails the save even where the file itself may be written.
[[noreturn]] void FailInFolder(const std::string& path) {
  const int error = errno;
  if (error != EACCES && error != EPERM) FailWith(path, error);
  Fail(path, std::string("its folder does not allow a new file to be made there and put in the file's place (") +
                 std::strerror(error) + "); a save writes a new file and replaces the old one with it whole");
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The name under /proc through which a descriptor's file is reached.
std::string ProcName(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

struct Descriptor {
  int fd = -1;
  Descriptor() = default;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Where a save to path puts its file: a folder and a name in it, found
// the way a plain open finds them. The kernel follows the links, with the
// checks that it makes on every open (protected links, its limit of hops).
struct Target {
  Descriptor file;  // the existing file (O_PATH), if any
  Descriptor folder;
  std::string name;
  struct stat old {};
  bool exists = false;   // a file to replace, whose status `old` holds
  bool created = false;  // made empty here, at the end of a dangling link

  explicit Target(const std::string& path) {
    file.fd = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (file.fd < 0) {
      if (errno != ENOENT) FailWithErrno(path);
      struct stat link {};
      if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        // A new file, named by path itself.
        folder.fd = open(FolderOf(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder.fd < 0) FailWithErrno(path);
        name = NameOf(path);
        return;
      }
      // A link to a file that does not exist yet: as a plain open does,
      // the save makes that file, and removes it again if the save fails.
      file.fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
      if (file.fd < 0) FailWithErrno(path);
      created = true;
    }
    if (fstat(file.fd, &old) != 0) FailWithErrno(path);
    if (S_ISDIR(old.st_mode)) Fail(path, "it is a folder");
    // A device, pipe or socket is never replaced by a file.
    if (!S_ISREG(old.st_mode)) Fail(path, "it is not a regular file");
    exists = !created;

    // The opened file's own name, free of links.
    char real[PATH_MAX];
    const ssize_t n = readlink(ProcName(file.fd).c_str(), real, sizeof real);
    if (n < 0) FailWithErrno(path);
    if (static_cast<size_t>(n) == sizeof real) FailWith(path, ENAMETOOLONG);
    const std::string resolved(real, static_cast<size_t>(n));
    folder.fd = open(FolderOf(resolved).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder.fd < 0) FailWithErrno(path);
    name = NameOf(resolved);
    struct stat named {};
    if (fstatat(folder.fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(named, old))
      Fail(path, "the file was moved or removed while it was being saved");
  }

  ~Target() {
    if (!created) return;
    struct stat now {};
    if (fstatat(folder.fd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(now, old) && now.st_size == 0)
      unlinkat(folder.fd, name.c_str(), 0);
  }
};

// The file that a save writes and then renames over its target. Where the
// file system allows, it has no name until just before the rename, so a
// save killed on its way leaves nothing behind; the name is given right
// before the rename, since Linux cannot rename a file that has none (a kill
// between the two leaves the complete file under that name). Elsewhere the
// file is made with a name of its own, which is removed again if the save
// fails. Its mode is 0666 less the umask, as for any new file.
struct TemporaryFile {
  int folder;
  std::string name;
  Descriptor file;
  bool named = false;
  bool renamed = false;

  TemporaryFile(int folderFd, const std::string& path) : folder(folderFd) {
    file.fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (file.fd >= 0) return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailInFolder(path);
    GiveAName(path, [&](const char* candidate) {
      file.fd = openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      return file.fd >= 0;
    });
  }
  ~TemporaryFile() {
    if (named && !renamed) unlinkat(folder, name.c_str(), 0);
  }

  // Puts the complete file in place of target's.
  void Replace(const Target& target, const std::string& path) {
    if (!named) {
      const std::string self = ProcName(file.fd);
      GiveAName(path, [&](const char* candidate) {
        return linkat(AT_FDCWD, self.c_str(), folder, candidate, AT_SYMLINK_FOLLOW) == 0;
      });
    }
    if (renameat(folder, name.c_str(), target.folder.fd, target.name.c_str()) != 0) FailInFolder(path);
    renamed = true;
  }

 private:
  // Tries random names with make until one is free.
  template <typename Make>
  void GiveAName(const std::string& path, Make make) {
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string tag(8, ' ');
      for (char& c : tag) c = kLetters[random() % (sizeof kLetters - 1)];
      name = ".save-" + tag + ".tmp";
      if (make(name.c_str())) {
        named = true;
        return;
      }
      if (errno != EEXIST) FailInFolder(path);
    }
    Fail(path, "no unused name for a temporary file");
  }
};

// Copies the extended attributes of the file at `from` (its access control
// list among them) to fd, but no file capabilities: like set-user-ID, the
// kernel drops those when a file is written. An access control list that
// cannot be copied fails the save, since without it the file could be open
// to more users than before.
void CopyAttributes(const std::string& from, int fd, const std::string& path) {
  // Reads into buffer, which grows until what is read fits.
  auto read = [](std::vector<char>& buffer, const auto& get) {
    if (buffer.empty()) buffer.resize(1024);
    ssize_t n = 0;
    while ((n = get(buffer.data(), buffer.size())) < 0 && errno == ERANGE) buffer.resize(buffer.size() * 4);
    return n;
  };
  std::vector<char> names, value;
  const ssize_t length = read(names, [&](char* b, size_t n) { return listxattr(from.c_str(), b, n); });
  if (length < 0 && errno == ENOTSUP) return;
  if (length < 0) FailWithErrno(path);
  for (const char* key = names.data(); key < names.data() + length; key += std::strlen(key) + 1) {
    if (std::strcmp(key, "security.capability") == 0) continue;
    const ssize_t size = read(value, [&](char* b, size_t n) { return getxattr(from.c_str(), key, b, n); });
    if (size < 0 && errno == ENODATA) continue;  // removed meanwhile
    if (size < 0) FailWithErrno(path);
    // Other attributes are kept where the system lets the process set them.
    if (fsetxattr(fd, key, value.data(), static_cast<size_t>(size), 0) != 0 &&
        std::strncmp(key, "system.posix_acl", 16) == 0)
      FailWithErrno(path);
  }
}

// Gives fd what the old file had: its owner and group as far as the
// process may set them, its extended attributes and its mode less
// set-user-ID and set-group-ID.
void KeepAttributes(const Target& target, int fd, const std::string& path) {
  const struct stat& old = target.old;
  if (fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno != EPERM) FailWithErrno(path);
    if (fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM) FailWithErrno(path);
  }
  CopyAttributes(ProcName(target.file.fd), fd, path);
  // An access control list sets the group bits from its mask; the mode,
  // set after it, sets the mask from the old group bits, which were the
  // old mask, so both come out as on the old file.
  if (fchmod(fd, old.st_mode & 07777 & ~(S_ISUID | S_ISGID)) != 0) FailWithErrno(path);
}

// Replaces or creates the regular file at path with bytes, all or nothing:
// the bytes go to a temporary file in the same folder, which takes the
// place of the old file only once every byte has been written and synced.
// On any failure the old file is left as it was and the temporary file is
// removed.
void ReplaceFile(const std::string& path, const QByteArray& bytes) {
  Target target(path);
  TemporaryFile temp(target.folder.fd, path);
  const int fd = temp.file.fd;
  if (target.exists) KeepAttributes(target, fd, path);
  // Every short write is followed by another, which either goes on or
  // fails with the reason (a full disk, a file size limit).
  const char* data = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailWithErrno(path);
    if (n == 0) Fail(path, "the file took no more data");
    data += n;
    left -= static_cast<size_t>(n);
  }
  // Some file systems report a full disk only here.
  if (fsync(fd) != 0) FailWithErrno(path);
  temp.Replace(target, path);
  // A file system that reports a failed write only when the file is closed
  // has had it reported by fsync already.
  close(std::exchange(temp.file.fd, -1));

  // Make the new name itself last. The file is complete and in place by
  // now, so a failure here is no failure of the save.
  const int dir = openat(target.folder.fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
    // ToQImage keeps the color bytes of fully transparent pixels (the
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
