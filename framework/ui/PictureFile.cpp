#include "framework/ui/PictureFile.h"

#include <endian.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/capability.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstring>
#include <random>
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

[[noreturn]] void FailMoved(const std::string& path) {
  Fail(path, "the file was moved or removed while it was being saved");
}

// A save never writes into the file it replaces: it makes a new file in
// the same folder and renames it over the old one. A folder that refuses
// that fails the save even where the file itself may be written; a folder
// removed meanwhile is named as gone.
[[noreturn]] void FailInFolder(const std::string& path, int folder, bool replacing) {
  const int error = errno;
  struct stat status {};
  if (fstat(folder, &status) == 0 && status.st_nlink == 0)
    Fail(path, "its folder is gone (it was removed while the picture was being saved)");
  if (error != EACCES && error != EPERM) FailWith(path, error);
  const std::string reason = std::string("its folder does not allow a new file to be made there") +
                             (replacing ? " and put in the file's place" : "") + " (" + std::strerror(error) + ")";
  Fail(path, replacing ? reason + "; a save writes a new file and replaces the old one with it whole" : reason);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The name under /proc through which a descriptor's file is reached, where
// /proc is mounted (a chroot or a sandbox may have none).
std::string ProcName(int fd) { return "/proc/self/fd/" + std::to_string(fd); }
bool ProcMounted() { return access("/proc/self/fd", F_OK) == 0; }

struct Descriptor {
  int fd = -1;
  Descriptor() = default;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Reset(-1); }
  void Reset(int to) {
    if (fd >= 0) close(fd);
    fd = to;
  }
};

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The attributes that the kernel shows of the file or folder open as fd.
// An immutable or append-only file cannot be replaced, and in such a
// folder no name can be renamed or removed; nor can a mount point be
// renamed over.
uint64_t Attributes(int fd) {
  struct statx status {};
  return statx(fd, "", AT_EMPTY_PATH, 0, &status) == 0 ? status.stx_attributes : 0;
}
constexpr uint64_t kProtected = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;

// Whether name in folder still holds the file open as fd: another program
// may have put a file of its own under that name meanwhile. Where it does
// not, errno is 0 for another file there, or says why none was found.
bool Holds(int folder, const std::string& name, int fd) {
  struct stat mine {}, there {};
  if (fstat(fd, &mine) != 0 || fstatat(folder, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0) return false;
  errno = 0;
  return SameFile(mine, there);
}

// How a message names a file that a save makes beside the target: what
// it is ("the new file"), then its name.
std::string Named(const char* what, const std::string& name) { return what + (" \"" + name + "\" beside it"); }

// Removes name from folder where it still holds the file open as fd, and
// nothing else. Gives what was left there, in words that end a failed
// save's message ("" where nothing was); what names the file.
std::string RemoveOwn(int folder, const std::string& name, int fd, const char* what) {
  if (Holds(folder, name, fd)) {
    if (unlinkat(folder, name.c_str(), 0) == 0) return "";
  } else if (errno == 0) {
    return "; \"" + name + "\" beside it holds another program's file now, which was left";
  }
  if (errno == ENOENT) return "";  // gone already
  return "; " + Named(what, name) + " could not be removed (" + std::strerror(errno) + ")";
}

// Where a save to path puts its file: a folder and a name in it, found
// the way a plain open finds them. The kernel follows the links, with the
// checks that it makes on every open (protected links, its limit of hops);
// a link to a file that does not exist yet leads to a new file there.
struct Target {
  Descriptor file;  // the existing file (O_PATH), if any
  Descriptor folder;
  std::string name;
  struct stat old {};
  bool exists = false;  // a file to replace, whose status `old` holds

  explicit Target(const std::string& path) {
    file.fd = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (file.fd >= 0) {
      if (fstat(file.fd, &old) != 0) FailWithErrno(path);
      if (S_ISDIR(old.st_mode)) Fail(path, "it is a folder");
      // A device, pipe or socket is never replaced by a file.
      if (!S_ISREG(old.st_mode)) Fail(path, "it is not a regular file");
      exists = true;
    } else if (errno != ENOENT) {
      FailWithErrno(path);
    }
    Locate(path);
  }

 private:
  // Finds the folder and name of the file: path's last part, or where the
  // links that it names lead (the folders on the way are opened by the
  // kernel). The name found must hold the file opened, if any.
  void Locate(const std::string& path) {
    std::string at = path;
    for (int hops = 0;; ++hops) {
      folder.Reset(open(FolderOf(at).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
      if (folder.fd < 0) FailWithErrno(path);
      name = NameOf(at);
      struct stat named {};
      const bool found = fstatat(folder.fd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0;
      if (found && S_ISLNK(named.st_mode) && hops < 40) {
        char link[PATH_MAX];
        const ssize_t n = readlinkat(folder.fd, name.c_str(), link, sizeof link);
        if (n > 0 && static_cast<size_t>(n) < sizeof link) {
          const std::string to(link, static_cast<size_t>(n));
          at = to[0] == '/' ? to : FolderOf(at) + "/" + to;
          continue;
        }
      }
      if (exists && (!found || !SameFile(named, old))) FailMoved(path);
      return;
    }
  }
};

// Whether a sticky folder (such as /tmp) keeps this process from replacing
// the file there: only the file's owner, the folder's owner, or a process
// that may override that (root, with CAP_FOWNER) may.
bool StickyKeepsOut(const Target& target) {
  struct stat folder {};
  if (fstat(target.folder.fd, &folder) != 0 || (folder.st_mode & S_ISVTX) == 0) return false;
  if (target.old.st_uid == geteuid() || folder.st_uid == geteuid()) return false;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct capabilities[_LINUX_CAPABILITY_U32S_3]{};
  return syscall(SYS_capget, &header, capabilities) == 0 && (capabilities[0].effective & 1u << CAP_FOWNER) == 0;
}

// Reads the extended attributes of the file to replace. Its O_PATH
// descriptor cannot be read itself: they are read through its name under
// /proc, or, without /proc, through a descriptor that opens the file's
// name for reading and turns out to hold the same file.
struct AttributeSource {
  std::string proc;
  Descriptor readable;

  AttributeSource(const Target& target, const std::string& path) {
    if (ProcMounted()) {
      proc = ProcName(target.file.fd);
      return;
    }
    readable.fd =
        openat(target.folder.fd, target.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (readable.fd < 0) {
      Fail(path, std::string("/proc is not mounted, and without it the attributes of a file that cannot be read (") +
                     std::strerror(errno) + ") cannot be kept");
    }
    struct stat opened {};
    if (fstat(readable.fd, &opened) != 0 || !SameFile(opened, target.old)) FailMoved(path);
  }
  ssize_t List(char* buffer, size_t size) const {
    return proc.empty() ? flistxattr(readable.fd, buffer, size) : listxattr(proc.c_str(), buffer, size);
  }
  ssize_t Get(const char* key, char* buffer, size_t size) const {
    return proc.empty() ? fgetxattr(readable.fd, key, buffer, size) : getxattr(proc.c_str(), key, buffer, size);
  }
};

// Reads into buffer with get(data, size), growing it until what is read
// fits; returns get's result.
template <typename Get>
ssize_t ReadGrowing(std::vector<char>& buffer, const Get& get) {
  if (buffer.empty()) buffer.resize(1024);
  ssize_t n = 0;
  while ((n = get(buffer.data(), buffer.size())) < 0 && errno == ERANGE) buffer.resize(buffer.size() * 4);
  return n;
}

constexpr char kAccessAcl[] = "system.posix_acl_access";

// Makes a file of a random, unused name in folder with make(name), which
// gives false with errno set where it fails; returns the name. what names
// the file in a message.
template <typename Make>
std::string FreeName(const std::string& path, int folder, bool replacing, const char* what, Make make) {
  static std::mt19937_64 random{std::random_device{}()};
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = ".save-" + std::string(8, ' ') + ".tmp";
    for (size_t i = 6; i < 14; ++i) name[i] = kLetters[random() % (sizeof kLetters - 1)];
    if (make(name.c_str())) return name;
    if (errno == EEXIST) continue;
    // Some file systems (fuse2fs, say) make the file and then refuse to
    // open it, where the umask left its owner no write access. Without a
    // descriptor the save cannot tell that file from one another program
    // put there since: it is left, and named.
    const int error = errno;
    struct stat made {};
    if (fstatat(folder, name.c_str(), &made, AT_SYMLINK_NOFOLLOW) == 0) {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(made.st_mode & 07777));
      Fail(path, Named(what, name) + " was made with mode " + mode +
                     ", and the file system then refused to open it for writing (" + std::strerror(error) +
                     "); it was left there");
    }
    errno = error;
    FailInFolder(path, folder, replacing);
  }
  Fail(path, "no unused name for a temporary file");
}

// The access that a folder gives any new file: the mode and access control
// list (empty where it gives none) of an empty file made there with 0666,
// as any program makes one, the umask or the folder's default access
// control list deciding as the file system does it.
struct NewFileAccess {
  mode_t mode = 0;
  std::vector<char> acl;
};

// Learns it from such a file, removed again at once: before the save's own
// file is made, so that a save needs no more room than that file.
NewFileAccess LearnNewFileAccess(int folder, const std::string& path) {
  NewFileAccess access;
  Descriptor probe;
  const char* const what = "the empty file made first to learn a new file's access";
  const std::string name = FreeName(path, folder, false, what, [&](const char* candidate) {
    probe.fd = openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return probe.fd >= 0;
  });
  struct stat made {};
  const int known = fstat(probe.fd, &made) == 0 ? 0 : errno;
  const ssize_t size =
      ReadGrowing(access.acl, [&](char* b, size_t n) { return fgetxattr(probe.fd, kAccessAcl, b, n); });
  const int error = errno;
  const std::string left = RemoveOwn(folder, name, probe.fd, what);
  if (!left.empty()) Fail(path, "nothing was written" + left);
  if (known != 0) FailWith(path, known);
  if (size < 0 && error != ENODATA && error != ENOTSUP) FailWith(path, error);
  access.acl.resize(size < 0 ? 0 : static_cast<size_t>(size));
  access.mode = made.st_mode & 07777;
  return access;
}

// The file that a save writes and then renames over its target. Where the
// file system allows, it has no name until just before the rename, so a
// save killed on its way leaves nothing behind; the name is given right
// before the rename, since Linux cannot rename a file that has none (a kill
// between the two leaves the complete file under that name). Elsewhere
// (and without /proc, through which the name is given) the file is made
// with a name of its own and no access for anyone else; it gets its final
// access once it is complete.
struct TemporaryFile {
  static constexpr char kNewFile[] = "the new file";
  int folder;
  bool replacing;
  std::string name;  // empty while it has none
  Descriptor file;
  NewFileAccess access;  // for a new file that has a name from the start
  bool placed = false;

  TemporaryFile(const Target& target, const std::string& path)
      : folder(target.folder.fd), replacing(target.exists) {
    if (ProcMounted()) {
      file.fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
      if (file.fd >= 0) return;
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) FailInFolder(path, folder, replacing);
    }
    if (!target.exists) access = LearnNewFileAccess(folder, path);
    name = FreeName(path, folder, replacing, kNewFile, [&](const char* candidate) {
      file.fd = openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      return file.fd >= 0;
    });
  }
  ~TemporaryFile() { Discard(); }

  // Puts the complete file in target's place: its own name must still
  // hold this file, and the target's name what the save found there (the
  // regular file that it opened, or nothing); then one rename puts the
  // file there. Whatever another program puts at either name in the
  // instant between the two is taken, as by any rename; a new name is taken
  // only while it is free, where the file system can tell.
  void Replace(const Target& target, const std::string& path) {
    if (name.empty()) {
      const std::string self = ProcName(file.fd);
      name = FreeName(path, folder, replacing, kNewFile, [&](const char* candidate) {
        return linkat(AT_FDCWD, self.c_str(), folder, candidate, AT_SYMLINK_FOLLOW) == 0;
      });
    }
    if (!Holds(folder, name, file.fd))
      Fail(path, "its new file \"" + name + "\" beside it was moved or replaced while it was being saved");
    const int into = target.folder.fd;
    const char* to = target.name.c_str();
    const char* const taken = "another program made a file of that name while it was being saved";
    struct stat now {};
    if (fstatat(into, to, &now, AT_SYMLINK_NOFOLLOW) == 0) {
      if (!target.exists) Fail(path, taken);
      if (!S_ISREG(now.st_mode) || !SameFile(now, target.old)) FailMoved(path);
    } else if (errno != ENOENT) {
      FailWithErrno(path);
    } else if (target.exists) {
      FailMoved(path);
    }
    const unsigned flags = target.exists ? 0 : RENAME_NOREPLACE;
    if (renameat2(folder, name.c_str(), into, to, flags) != 0) {
      if (errno == EEXIST) Fail(path, taken);
      // A file system that cannot keep a name free: a plain rename.
      if (errno != EINVAL || flags == 0 || renameat(folder, name.c_str(), into, to) != 0)
        FailInFolder(path, into, replacing);
    }
    placed = true;
  }

  // Removes the file's name again where the save failed, if it still holds
  // this file; gives what was left, as RemoveOwn does.
  std::string Discard() {
    if (placed || name.empty()) return "";
    const std::string left = RemoveOwn(folder, name, file.fd, kNewFile);
    name.clear();
    return left;
  }
};

// Calls visit(tag, permissions) for each entry of a POSIX access control
// list as the kernel keeps it (a 4-byte version, then entries of a 2-byte
// tag, 2-byte permissions and a 4-byte id, all little-endian); visit may
// change the permissions.
constexpr uint16_t kUserObj = 0x01, kGroupObj = 0x04, kGroup = 0x08, kMask = 0x10, kOther = 0x20;
template <typename Visit>
void EachEntry(std::vector<char>& acl, Visit visit) {
  for (size_t at = 4; at + 8 <= acl.size(); at += 8) {
    uint16_t tag = 0, bits = 0;
    std::memcpy(&tag, &acl[at], 2);
    std::memcpy(&bits, &acl[at + 2], 2);
    uint16_t changed = le16toh(bits);
    visit(le16toh(tag), changed);
    bits = htole16(changed);
    std::memcpy(&acl[at + 2], &bits, 2);
  }
}

// Writes one extended attribute to fd, or fails the save, but for the
// security and trusted kinds where the process may not set them (only a
// privileged process or the security module may).
void WriteAttribute(int fd, const char* key, const std::vector<char>& value, size_t size, const std::string& path) {
  if (fsetxattr(fd, key, value.data(), size, 0) == 0) return;
  const bool privileged = std::strncmp(key, "security.", 9) == 0 || std::strncmp(key, "trusted.", 8) == 0;
  if (privileged && (errno == EPERM || errno == EACCES)) return;
  // Access control lists, under whatever name the file system keeps them
  // (POSIX, NFSv4, CIFS, rich ones), are system attributes.
  if (std::strncmp(key, "system.", 7) == 0) {
    Fail(path, std::string("its access control list cannot be kept (") + std::strerror(errno) +
                   "), and without it the file could be open to more users than before");
  }
  Fail(path, std::string("its extended attribute \"") + key + "\" cannot be kept (" + std::strerror(errno) + ")");
}

// Copies the extended attributes of the old file to fd, but for its POSIX
// access control list, which it gives back (empty where there is none),
// and file capabilities, which the kernel drops when a file is written,
// like set-user-ID.
std::vector<char> CopyAttributes(const AttributeSource& from, int fd, const std::string& path) {
  const auto unreadable = [&] {
    Fail(path, std::string("its extended attributes cannot be read (") + std::strerror(errno) +
                   "), so they could not be kept");
  };
  std::vector<char> names, value, acl;
  const ssize_t length = ReadGrowing(names, [&](char* b, size_t n) { return from.List(b, n); });
  if (length < 0 && errno == ENOTSUP) return acl;
  if (length < 0) unreadable();
  for (const char* key = names.data(); key < names.data() + length; key += std::strlen(key) + 1) {
    if (std::strcmp(key, "security.capability") == 0) continue;
    const ssize_t size = ReadGrowing(value, [&](char* b, size_t n) { return from.Get(key, b, n); });
    if (size < 0 && errno == ENODATA) continue;  // removed meanwhile
    if (size < 0) unreadable();
    if (std::strcmp(key, kAccessAcl) == 0)
      acl.assign(value.begin(), value.begin() + size);
    else
      WriteAttribute(fd, key, value, static_cast<size_t>(size), path);
  }
  return acl;
}

// Takes away the access control list that the folder may have handed
// down to the new file. A file that has none has nothing to remove (and
// on some file systems may not be asked to).
void RemoveAccessAcl(int fd, const std::string& path) {
  if (fgetxattr(fd, kAccessAcl, nullptr, 0) < 0 && (errno == ENODATA || errno == ENOTSUP)) return;
  if (fremovexattr(fd, kAccessAcl) != 0 && errno != ENODATA) FailWithErrno(path);
}

// Errors of fchown that say the owner cannot be given here: not permitted,
// not mapped in this user namespace, or not kept by the file system.
bool OwnerCannotBeSet(int error) { return error == EPERM || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// Gives fd the mode. A file system that keeps no modes (FAT, say) may
// refuse; the file then keeps the one it has, if that allows no more.
void SetMode(int fd, mode_t mode, const std::string& path) {
  if (fchmod(fd, mode) == 0) return;
  const int error = errno;
  struct stat now {};
  if ((error == EPERM || error == ENOSYS || error == EOPNOTSUPP) && fstat(fd, &now) == 0 &&
      (now.st_mode & 07777 & ~mode) == 0)
    return;
  FailWith(path, error);
}

// Whether a file's id (kind "uid" or "gid") may stand for one that this
// user namespace does not map: the kernel shows such ids as its overflow id
// (65534 unless changed). Giving a file that id would hand it to another id
// outside. Without /proc, where the namespace cannot be told, the overflow
// id is taken as unmapped.
bool MayBeUnmapped(unsigned id, const char* kind) {
  QFile overflow(QStringLiteral("/proc/sys/kernel/overflow") + kind), map(QStringLiteral("/proc/self/%1_map").arg(kind));
  const unsigned shown = overflow.open(QIODevice::ReadOnly) ? overflow.readAll().trimmed().toUInt() : 65534;
  return id == shown && !(map.open(QIODevice::ReadOnly) && map.readAll().simplified() == "0 0 4294967295");
}

// Gives fd what the old file had: its owner and group as far as the
// process may set them (and they are mapped here), its extended attributes
// and access control list (and none where it had none, whatever the folder
// hands down to new files), and its mode less set-user-ID and
// set-group-ID, narrowed where the owner or the group is not kept (see
// PictureFile.h). No step grants anyone more than the file does in the
// end, the saver aside.
void KeepAttributes(const Target& target, int fd, const std::string& path) {
  const struct stat& old = target.old;
  const uid_t uid = MayBeUnmapped(old.st_uid, "uid") ? static_cast<uid_t>(-1) : old.st_uid;
  const gid_t gid = MayBeUnmapped(old.st_gid, "gid") ? static_cast<gid_t>(-1) : old.st_gid;
  // While its owner and group change, the file grants nothing (a file
  // system that refuses modes keeps no owners either).
  fchmod(fd, 0);
  if (fchown(fd, uid, gid) != 0) {
    if (!OwnerCannotBeSet(errno)) FailWithErrno(path);
    if (fchown(fd, static_cast<uid_t>(-1), gid) != 0 && !OwnerCannotBeSet(errno)) FailWithErrno(path);
  }
  struct stat made {};
  if (fstat(fd, &made) != 0) FailWithErrno(path);
  const bool ownerKept = made.st_uid == uid, groupKept = made.st_gid == gid;
  // The kernel sets a user's attributes only on a file that the process
  // may write (root may any): the file's maker may, where it still owns it.
  if (!ownerKept || uid == geteuid()) fchmod(fd, S_IRUSR | S_IWUSR);
  // What the folder handed down goes first, so that the copy has its room.
  RemoveAccessAcl(fd, path);
  const AttributeSource source(target, path);
  std::vector<char> acl = CopyAttributes(source, fd, path);

  // The old group's members had its group bits (in a list, the mask and
  // the owning group's entry both bound them); a member of the file's
  // group now may have had no more than others, or any named group.
  mode_t mode = old.st_mode & 07777 & ~(S_ISUID | S_ISGID);
  const mode_t owner = mode >> 6 & 7, others = mode & 7;
  mode_t group = mode >> 3 & 7, bound = others;
  bool masked = false;
  EachEntry(acl, [&](uint16_t tag, uint16_t& bits) {
    if (tag == kGroupObj) group &= bits;
    if (tag == kGroup) bound &= bits;
    masked = masked || tag == kMask;
  });
  if (!ownerKept) mode &= ~(S_IRWXG | S_IRWXO) | owner << 3 | owner;
  if (!groupKept) mode &= ~S_IRWXO | group;
  if (!groupKept && !masked) mode &= ~S_IRWXG | bound << 3;
  // The list goes on last, already as the mode sets it (the mask stands
  // for the group bits where there is one), so that it grants no more
  // than the end at any moment.
  EachEntry(acl, [&](uint16_t tag, uint16_t& bits) {
    if (tag == kUserObj) bits = mode >> 6 & 7;
    if (tag == (masked ? kMask : kGroupObj)) bits = mode >> 3 & 7;
    if (tag == kGroupObj && !groupKept) bits &= bound;
    if (tag == kOther) bits = mode & 7;
  });
  if (!acl.empty()) WriteAttribute(fd, kAccessAcl, acl, acl.size(), path);
  SetMode(fd, mode, path);
}

// Gives the complete file the access that its folder gives a new file.
void GiveNewFileAccess(int fd, const NewFileAccess& access, const std::string& path) {
  if (access.acl.empty())
    RemoveAccessAcl(fd, path);
  else if (fsetxattr(fd, kAccessAcl, access.acl.data(), access.acl.size(), 0) != 0)
    FailWithErrno(path);
  SetMode(fd, access.mode, path);
}

void WriteAll(int fd, const QByteArray& bytes, const std::string& path) {
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
}

// Replaces or creates the regular file at path with bytes, all or nothing:
// the bytes go to a temporary file in the same folder, which takes the
// place of the old file only once every byte has been written and synced.
// On any failure the old file is left as it was and the temporary file is
// removed, if its name still holds it.
void ReplaceFile(const std::string& path, const QByteArray& bytes) {
  Target target(path);
  // Nothing is written where the file could not be put in place.
  if (Attributes(target.folder.fd) & kProtected)
    Fail(path, "its folder itself is protected from changes (it is immutable or append-only)");
  const uint64_t attributes = target.exists ? Attributes(target.file.fd) : 0;
  if (attributes & kProtected)
    Fail(path, "the file itself is protected from being replaced (it is immutable or append-only)");
  if (attributes & STATX_ATTR_MOUNT_ROOT)
    Fail(path, "the file is a mount point (a file is mounted over it), which a save cannot replace, so it was left "
               "unchanged");
  // A file that this user may not write is not replaced, as the kernel
  // decides for an open for writing (root may, as it may open any file).
  if (target.exists && faccessat(target.file.fd, "", W_OK, AT_EACCESS | AT_EMPTY_PATH) != 0) {
    if (errno != EACCES) FailWithErrno(path);
    Fail(path, "the file is write-protected for this user (Permission denied), so it was left unchanged");
  }
  if (target.exists && StickyKeepsOut(target)) {
    Fail(path, "the file belongs to another user, in a sticky folder (such as /tmp), where only the file's owner, the "
               "folder's owner or root may replace it, so it was left unchanged");
  }
  TemporaryFile temp(target, path);
  const int fd = temp.file.fd;
  try {
    WriteAll(fd, bytes, path);
    // Complete: the file gets its final access.
    if (target.exists)
      KeepAttributes(target, fd, path);
    else if (!temp.name.empty())
      GiveNewFileAccess(fd, temp.access, path);
    // Some file systems report a full disk only here.
    if (fsync(fd) != 0) FailWithErrno(path);
    temp.Replace(target, path);
  } catch (const IOException& failure) {
    throw IOException(failure.what() + temp.Discard());
  }
  // A file system that reports a failed write only when the file is closed
  // has had it reported by fsync already.
  temp.file.Reset(-1);

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
