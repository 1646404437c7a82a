#include "framework/ui/PictureFile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <functional>
#include <map>
#include <string_view>
#include <thread>

#include "framework/core/Runtime.h"
#include "tests/app/WindowFixture.h"

namespace {

// A step that a test runs inside a save, in the thread (or child) that saves, just before each of these calls of the
// save's: fchmod (each change of the new file's mode), fsync (of its complete file, then of the folder), renameat2 (the
// names are checked) and unlinkat. An error number that it gives fails the call with it instead.
std::function<int(std::string_view call)> duringSave;
int Interrupt(std::string_view call) { return duringSave ? duringSave(call) : 0; }

}  // namespace

extern "C" int fsync(int fd) {
  if (const int error = Interrupt("fsync")) return errno = error, -1;
  return static_cast<int>(syscall(SYS_fsync, fd));
}
extern "C" int renameat2(int from, const char* name, int to, const char* newName, unsigned flags) noexcept {
  if (const int error = Interrupt("renameat2")) return errno = error, -1;
  return static_cast<int>(syscall(SYS_renameat2, from, name, to, newName, flags));
}
extern "C" int fchmod(int fd, mode_t mode) noexcept {
  if (const int error = Interrupt("fchmod")) return errno = error, -1;
  return static_cast<int>(syscall(SYS_fchmod, fd, mode));
}
extern "C" int unlinkat(int folder, const char* name, int flags) noexcept {
  if (const int error = Interrupt("unlinkat")) return errno = error, -1;
  return static_cast<int>(syscall(SYS_unlinkat, folder, name, flags));
}

namespace {

using fw::Picture;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Save(const Picture& picture, const QString& path) { fw::SavePicture(picture, path.toStdString(), 150, -1); }

QByteArray At(const QTemporaryDir& dir, const QString& name) { return QFile::encodeName(dir.filePath(name)); }

QStringList Entries(const QString& folder) {  // sorted by name
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// What a save keeps of a file it replaces: its type and mode, owner and group, and extended attributes (of the link
// itself, for a link). Whole, as a failed save must leave it, also its inode and, for a regular file, its bytes (a pipe
// is never opened), or for a folder each entry's.
std::string Kept(const QByteArray& file, bool whole = false) {
  struct stat st {};
  lstat(file.constData(), &st);
  std::string kept = std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid);
  char names[4096], value[4096];
  const ssize_t length = llistxattr(file.constData(), names, sizeof names);
  for (const char* name = names; name < names + std::max<ssize_t>(length, 0); name += strlen(name) + 1) {
    const ssize_t size = std::max<ssize_t>(lgetxattr(file.constData(), name, value, sizeof value), 0);
    kept += std::string(" ") + name + "=" + QByteArray(value, size).toHex().toStdString();
  }
  if (!whole) return kept;
  const QString path = QFile::decodeName(file);
  kept += " inode " + std::to_string(st.st_ino) + " bytes " +
          std::to_string(S_ISREG(st.st_mode) ? qHash(ReadAll(path)) : 0) + "\n";
  for (const QString& name : S_ISDIR(st.st_mode) ? Entries(path) : QStringList())
    kept += name.toStdString() + ": " + Kept(QFile::encodeName(path + "/" + name), true);
  return kept;
}

// The message of the E that f raises, or "" where it raises none.
template <typename E = fw::IOException>
std::string Failure(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}

// Saves under a file-size limit, past which a write fails with EFBIG or, where killed, SIGXFSZ ends the process.
void SaveWithin(rlim_t bytes, const Picture& picture, const QString& path, bool killed = false) {
  fw::IgnoreFileSizeSignal();
  if (killed) std::signal(SIGXFSZ, SIG_DFL);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit lowered{std::min(bytes, saved.rlim_cur), saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &saved); });
  Save(picture, path);
}

// Saves in a child process (SIGXFSZ at its default unless told) once setUp has made it nobody, say, or given it a root
// folder or user namespace of its own; gives the IOException's message, "" where none is raised, "no set-up" or
// "killed by ...".
std::string SaveInChild(const std::function<bool()>& setUp, const Picture& picture, const QString& path,
                        rlim_t room = RLIM_INFINITY, bool killed = true) {
  char* const said = static_cast<char*>(mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  const auto unmap = qScopeGuard([&] { munmap(said, 4096); });
  const pid_t child = fork();
  if (child == 0) {
    const std::string failure = setUp() ? Failure([&] { SaveWithin(room, picture, path, killed); }) : "no set-up";
    std::snprintf(said, 4096, "%s", failure.c_str());
    std::_Exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status)) : std::string(said);
}

// Set-ups for SaveInChild: the child becomes the user and group id (with no other groups; root stays its saved user
// id where told), or has root as its root folder (and so no /proc).
std::function<bool()> As(unsigned id, bool root = false) {
  return [=] { return !setgroups(0, nullptr) && !setresgid(id, id, id) && !setresuid(id, id, root ? 0 : id); };
}
std::function<bool()> Chrooted(const QByteArray& root) {
  return [root] { return chroot(root) == 0 && chdir("/") == 0; };
}

// Gives file an access control list as its own (access) or to hand down to new files (default): entries of a tag
// (1 u::, 2 u:id:, 4 g::, 8 g:id:, 0x10 m::, 0x20 o::) with the permissions above it, then an id (~0 for none).
int SetAcl(const QByteArray& file, const std::string& kind, std::vector<uint32_t> entries) {
  entries.insert(entries.begin(), 2);  // the version
  return setxattr(file, ("system.posix_acl_" + kind).c_str(), entries.data(), entries.size() * 4, 0);
}

// The list u::rw-, u:65534:rw-, g:: with the group's bits (r-- unless told), m::rw-, o:: with others' bits (the mode
// shows the mask as its group bits).
int SetAcl(const QByteArray& file, const std::string& kind, uint32_t others, uint32_t group = 04) {
  return SetAcl(file, kind, {0x00060001u, ~0u, 0x00060002u, 65534, group << 16 | 0x04u, ~0u, 0x00060010u, ~0u,
                             others << 16 | 0x20u, ~0u});
}

TEST(PictureFileTest, BadArgumentsRaiseAndWriteNothing) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("bad.png").toStdString();
  EXPECT_THROW(fw::SavePicture(Picture(4, 4), "", 150, -1), fw::NilObjectException);
  EXPECT_EQ(Failure<fw::OutOfBoundsException>([&] { fw::SavePicture(Picture(4, 4), path, 150, 101); }),
            "The compression value is out of range, valid values are 0-100");
  for (auto [width, format, quality] : {std::tuple{4, 150, -2}, {4, 151, -1}, {0, 150, -1}})
    EXPECT_THROW(fw::SavePicture(Picture(width, 5), path, format, quality), fw::OutOfBoundsException);
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  // The compression value reaches the encoder: 0 packs tighter than 100.
  const auto pattern = NoisyPicture(64, 64, 1);
  const auto sizeAt = [&](int quality) {
    fw::SavePicture(*pattern, path, 150, quality);
    return QFileInfo(QString::fromStdString(path)).size();
  };
  EXPECT_LT(sizeAt(0), sizeAt(100));
}

// The target is found as an open finds it: the kernel follows up to 40 links, which stay, and none that another user
// planted in a sticky folder. The file reached is replaced by the whole PNG and keeps its owner and group, extended
// attributes and access control list (none where it had none), and its mode less set-user-ID and set-group-ID; a new
// file, also at the end of a dangling link, gets the umask's mode. Every other kind of target, a file that the saver
// may not write, and a short write fail the save with the reason after the path and change nothing.
TEST(PictureFileTest, EachKindOfTargetIsReplacedOrRefusedWithTheReason) {
  QTemporaryDir dir;
  const mode_t mask = umask(002);  // new files get 0664
  const auto restore = qScopeGuard([&] { umask(mask), chmod(At(dir, "locked"), 0755), umount2(At(dir, "mount"), 0); });
  const auto picture = NoisyPicture(16, 16, 5);
  Save(*picture, dir.filePath("size.png"));
  const auto size = static_cast<rlim_t>(ReadAll(dir.filePath("size.png")).size());
  std::map<QString, std::string> kept;  // of each file replaced, what it keeps
  for (const char* folder : {"folder.png", "locked", "sticky", "inherits", "sealed", "frozen"})
    ASSERT_TRUE(QDir(dir.path()).mkdir(folder));
  for (auto [name, mode] :
       {std::pair{"mode444.png", 0444}, {"mode600.png", 0600}, {"mode751.png", 0751}, {"mode660.png", 0660},
        {"locked/open.png", 0666}, {"sticky/open.png", 0666}, {"inherits/plain.png", 0660}, {"fixed.png", 0644},
        {"sealed/old.png", 0644}, {"s", 0644}, {"inherits/listed.png", 0660}, {"inherits/full.png", 0660},
        {"mount", 0644}}) {
    Save(Picture(1, 1), dir.filePath(name));
    ASSERT_EQ(chmod(At(dir, name), mode), 0);
    kept[name] = Kept(At(dir, name));
  }
  const bool root = getuid() == 0;  // root passes any folder's permissions: its saves there are made as nobody
  ASSERT_EQ(chown(At(dir, "mode660.png"), root ? 65534 : getuid(), root ? 65534 : getgid()), 0);
  if (setxattr(At(dir, "mode660.png"), "user.comment", "Julia", 5, 0) == 0 &&
      setxattr(At(dir, "mode660.png"), "user.empty", "", 0, 0) == 0) {
    ASSERT_EQ(SetAcl(At(dir, "mode660.png"), "access", 0), 0);
    // Handed down to the files made in the folder, but not to one replaced there: it keeps its own list, or none.
    ASSERT_EQ(SetAcl(At(dir, "inherits"), "default", 0), 0);
    ASSERT_EQ(SetAcl(At(dir, "inherits/listed.png"), "access", 04), 0);
    kept["inherits/listed.png"] = Kept(At(dir, "inherits/listed.png"));
    for (int size = 2048, n = 0; size > 0; size /= 2)
      while (n < 64 && setxattr(At(dir, "inherits/full.png"), ("user." + std::to_string(n++)).c_str(),
                                std::string(size, 'v').c_str(), size, 0) == 0) {}
    kept["inherits/full.png"] = Kept(At(dir, "inherits/full.png"));
  }
  kept["mode660.png"] = Kept(At(dir, "mode660.png"));
  ASSERT_EQ(chmod(At(dir, "mode660.png"), 06660), 0);
  kept["名称未決定.png"] = kept["made.png"] =
      std::to_string(S_IFREG | 0664) + " " + std::to_string(getuid()) + ":" + std::to_string(getgid());
  ASSERT_EQ(mkfifo(At(dir, "pipe.png"), 0644), 0);
  std::map<QString, QString> links = {{"to-made.png", "made.png"}, {"to-pipe.png", "pipe.png"},
                                      {"sticky/planted.png", "../mode600.png"}, {"link1.png", "mode751.png"},
                                      {"short.png", "s"}, {"to-nowhere.png", "no such folder/x.png"},
                                      {"to-sealed.png", "sealed/made.png"}, {"to-frozen.png", "frozen/made.png"}};
  for (int hops = 2; hops <= 41; ++hops) links[QString("link%1.png").arg(hops)] = QString("link%1.png").arg(hops - 1);
  for (const auto& [link, to] : links) ASSERT_EQ(symlink(QFile::encodeName(to), At(dir, link)), 0);
  const bool planted = ReadAll("/proc/sys/fs/protected_symlinks").trimmed() == "1" && root &&
                       lchown(At(dir, "sticky/planted.png"), 65534, 65534) == 0;
  const bool device = mknod(At(dir, "null.png"), S_IFCHR | 0666, makedev(1, 3)) == 0;  // may be forbidden here
  const bool mounted = root && mount(At(dir, "mount"), At(dir, "mount"), nullptr, MS_BIND, nullptr) == 0;
  ASSERT_EQ(root ? chown(At(dir, "sticky"), 2, 2) | chown(At(dir, "sticky/open.png"), 2, 2) : 0, 0);  // bin's
  kept["sticky/open.png"] = Kept(At(dir, "sticky/open.png"));
  for (auto [folder, mode] : {std::pair{"", 0755}, {"locked", root ? 0755 : 0555}, {"sticky", 01777}})
    ASSERT_EQ(chmod(At(dir, folder), mode), 0);
  // An immutable file in a folder that allows replacing it, an immutable folder, and an append-only folder, in which a
  // file can be made but no name renamed or removed (where the file system and the process may set that).
  std::vector<int> flagged;
  const auto unflag = qScopeGuard([&] {
    int none = 0;
    for (int fd : flagged) ioctl(fd, FS_IOC_SETFLAGS, &none), close(fd);
  });
  auto protect = [&](const char* name, int flags) {
    flagged.push_back(open(At(dir, name), O_RDONLY));
    return ioctl(flagged.back(), FS_IOC_SETFLAGS, &flags) == 0;
  };
  const bool immutable = protect("fixed.png", FS_IMMUTABLE_FL) && protect("frozen", FS_IMMUTABLE_FL);
  const bool appendOnly = protect("sealed", FS_APPEND_FL);
  const char* const noFile = "its folder does not allow a new file to be made there and put in the file's place";
  const char* const noNewFile = "its folder does not allow a new file to be made there (Permission denied)";
  const char* const sealed = "its folder itself is protected from changes (it is immutable or append-only)";
  const char* const writeProtected = "the file is write-protected for this user (Permission denied), so it was left";
  const char* const sticky = "the file belongs to another user, in a sticky folder (such as /tmp), where only the file";
  const struct {
    const char *name, *file, *refusal;
    rlim_t room = RLIM_INFINITY;
  } cases[] = {{"mode444.png", root ? "mode444.png" : nullptr, root ? nullptr : writeProtected, size},
               {"mode600.png", "mode600.png", nullptr},
               {"mode660.png", "mode660.png", nullptr}, {"名称未決定.png", "名称未決定.png", nullptr},
               {"link40.png", "mode751.png", nullptr}, {"link41.png", nullptr, "Too many levels of symbolic links"},
               {"short.png", "s", nullptr}, {"to-nowhere.png", nullptr, "No such file or directory"},
               {"to-made.png", nullptr, "File too large", 0}, {"to-made.png", "made.png", nullptr},
               {"to-sealed.png", nullptr, appendOnly ? sealed : nullptr},
               {"to-frozen.png", nullptr, immutable ? sealed : nullptr},
               {"sticky/planted.png", nullptr, planted ? "Permission denied" : nullptr},
               {"pipe.png", nullptr, "it is not a regular file"}, {"to-pipe.png", nullptr, "it is not a regular file"},
               {"null.png", nullptr, device ? "it is not a regular file" : nullptr},
               {"folder.png", nullptr, "it is a folder"},
               {"no such folder/new.png", nullptr, "No such file or directory"},
               {"mode444.png/new.png", nullptr, "Not a directory"},
               {"mode600.png", nullptr, "File too large", size - 1},
               {"mode660.png", nullptr, "File too large", size / 2},
               {"inherits/plain.png", "inherits/plain.png", nullptr},
               {"inherits/listed.png", "inherits/listed.png", nullptr}, {"locked/open.png", nullptr, noFile},
               {"inherits/full.png", "inherits/full.png", nullptr},  // its attributes fill their room, not the list
               {"mount", nullptr, mounted ? "the file is a mount point (a file is mounted over it), which a" : nullptr},
               {"locked/new.png", nullptr, noNewFile},
               {"fixed.png", nullptr, immutable ? "the file itself is protected from being replaced" : nullptr},
               {"sealed/old.png", nullptr, appendOnly ? sealed : nullptr},
               {"sealed/new.png", nullptr, appendOnly ? sealed : nullptr},
               {"sticky/open.png", nullptr, root ? sticky : nullptr, 0},  // the file must be another user's
               {"sticky/open.png", root ? "sticky/open.png" : nullptr, nullptr}};  // as it may be root's
  const qsizetype open = Entries("/proc/self/fd").size();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.filePath(c.name);
    if (c.file != nullptr) {
      const qsizetype entries = Entries(dir.path()).size() + !QFileInfo::exists(dir.filePath(c.file));
      SaveWithin(c.room, *picture, path);
      ExpectPngOf(dir.filePath(c.file), *picture);
      EXPECT_EQ(Kept(At(dir, c.file)), kept[c.file]);
      EXPECT_EQ(QFileInfo(path).isSymLink(), QString(c.name) != c.file);
      EXPECT_EQ(Entries(dir.path()).size(), entries);
    } else if (c.refusal != nullptr) {
      const std::string before = Kept(At(dir, "."), true);
      const std::string failure = root && (c.refusal == noFile || c.refusal == noNewFile || c.refusal == sticky)
                                      ? SaveInChild(As(65534), *picture, path, c.room)
                                      : Failure([&] { SaveWithin(c.room, *picture, path); });
      EXPECT_NE(failure.find("\"" + path.toStdString() + "\": " + c.refusal), std::string::npos) << failure;
      EXPECT_EQ(Kept(At(dir, "."), true), before);  // nothing changed
    }
  }
  EXPECT_EQ(Entries("/proc/self/fd").size(), open);  // no save, done or failed, left a descriptor open
  // A folder removed while a new file is saved in it: here the working folder, removed just before the save.
  ASSERT_TRUE(QDir(dir.path()).mkdir("gone"));
  const auto removed = [&] { return chdir(At(dir, "gone")) == 0 && rmdir(At(dir, "gone")) == 0; };
  const std::string gone = SaveInChild(removed, *picture, "new.png");
  EXPECT_NE(gone.find("\"new.png\": its folder is gone"), std::string::npos) << gone;
}

// In a child as root: without /proc (in a chroot, say) a save still works: its temporary file has a name from the start
// and no access for anyone else until it is complete (a save killed while writing leaves it behind as it was); then a
// replaced file keeps its mode and attributes, and a new one gets what the folder gives a new file; where the empty
// file made first to learn that cannot be removed, the save fails before it writes and names it. Inside a user
// namespace (a sandbox) in which the old owner has no id, a file that others may write is replaced without its owner
// or group, whose bits bound the others' (the id shown, the kernel's overflow id, is never given, also where the
// namespace maps it); a file that others may not write is left.
TEST(PictureFileTest, WithoutProcOrTheOwnersIdTheFileIsReplacedAndClosedToOthersUntilComplete) {
  if (getuid() != 0) GTEST_SKIP() << "a chroot and a file of another owner take root";
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("open"));
  for (const char* name : {"old.png", "theirs.png", "nobodys.png", "open/unread.png"})
    Save(Picture(1, 1), dir.filePath(name));
  ASSERT_EQ(chmod(At(dir, "old.png"), 0604) | setxattr(At(dir, "old.png"), "user.comment", "z", 1, 0), 0);
  for (const char* name : {"theirs.png", "nobodys.png"})
    ASSERT_EQ(chown(At(dir, name), 65534, 65534) | chmod(At(dir, name), 0664), 0);
  ASSERT_EQ(SetAcl(At(dir, "."), "default", 04), 0);  // with o::r--, handed down to the new files
  close(open(At(dir, "reference"), O_CREAT | O_WRONLY, 0666));
  const std::string old = Kept(At(dir, "old.png")), made = Kept(At(dir, "reference"));
  const auto picture = NoisyPicture(30, 30, 4);
  auto inChroot = [&](rlim_t room, const char* path) {
    return SaveInChild(Chrooted(At(dir, ".")), *picture, path, room);
  };
  EXPECT_EQ(inChroot(1, "/new.png"), "killed by signal " + std::to_string(SIGXFSZ));
  const QStringList left = QDir(dir.path()).entryList({".save-*.tmp"}, QDir::Hidden | QDir::Files);
  ASSERT_EQ(left.size(), 1);
  struct stat temporary {};
  EXPECT_TRUE(lstat(At(dir, left[0]), &temporary) == 0 && (temporary.st_mode & 077) == 0) << temporary.st_mode;
  QFile::remove(dir.filePath(left[0]));
  const std::string stuck = SaveInChild(
      [&] {
        duringSave = [](std::string_view call) { return call == "unlinkat" ? EPERM : 0; };
        return Chrooted(At(dir, "."))();
      },
      *picture, "/stuck.png");
  const QStringList probe = QDir(dir.path()).entryList({".save-*.tmp"}, QDir::Hidden | QDir::Files);
  ASSERT_EQ(probe.size(), 1) << stuck;
  EXPECT_TRUE(QRegularExpression("^\\.save-[a-z0-9]{8}\\.tmp$").match(probe[0]).hasMatch()) << probe[0].toStdString();
  EXPECT_NE(stuck.find("\"/stuck.png\": nothing was written; the empty file made first to learn a new file's access" +
                       (" \"" + probe[0]).toStdString() + "\" beside it could not be removed (Operation not permitted"),
            std::string::npos)
      << stuck;
  EXPECT_EQ(QFileInfo(dir.filePath(probe[0])).size(), 0);
  QFile::remove(dir.filePath(probe[0]));
  // As nobody: a folder that refuses the file, and a file that may be written but not read, whose attributes cannot
  // be read without /proc, each fail at once with the reason.
  ASSERT_EQ(chmod(At(dir, "."), 0711) | chmod(At(dir, "open"), 0777) | chmod(At(dir, "open/unread.png"), 0622), 0);
  const auto asNobody = [&] { return Chrooted(At(dir, "."))() && As(65534)(); };
  for (auto [path, reason] : {std::pair{"/refused.png", "its folder does not allow a new file to be made there (Perm"},
                              {"/open/unread.png", "/proc is not mounted, and without it the attributes of a file th"}})
    EXPECT_NE(SaveInChild(asNobody, *picture, path).find(reason), std::string::npos) << path;
  ASSERT_TRUE(QDir(dir.filePath("open")).removeRecursively());
  EXPECT_EQ(inChroot(RLIM_INFINITY, "/old.png"), "");
  EXPECT_EQ(inChroot(RLIM_INFINITY, "/new.png"), "");
  // Without /proc, whether the namespace maps nobody's id, the overflow id, cannot be told: it is not given.
  EXPECT_EQ(inChroot(RLIM_INFINITY, "/nobodys.png"), "");
  EXPECT_EQ(Kept(At(dir, "nobodys.png")), std::to_string(S_IFREG | 0644) + " 0:0");
  ExpectPngOf(dir.filePath("old.png"), *picture);
  ExpectPngOf(dir.filePath("new.png"), *picture);
  EXPECT_EQ(Kept(At(dir, "old.png")), old);
  EXPECT_EQ(Kept(At(dir, "new.png")), made);
  EXPECT_EQ(Entries(dir.path()), QStringList({"new.png", "nobodys.png", "old.png", "reference", "theirs.png"}));
  auto inNamespace = [] {
    auto write = [](const char* file, const char* line) {
      QFile f(file);
      return f.open(QIODevice::WriteOnly) && f.write(line) > 0;
    };
    if (unshare(CLONE_NEWUSER) != 0) return false;
    write("/proc/self/setgroups", "deny");
    return write("/proc/self/uid_map", "0 0 1") && write("/proc/self/gid_map", "0 0 1");
  };
  const std::string theirs = Kept(At(dir, "theirs.png"), true);
  const std::string failure = SaveInChild(inNamespace, *picture, dir.filePath("theirs.png"));
  if (failure == "no set-up") GTEST_SKIP() << "no user namespace can be made here";
  EXPECT_NE(failure.find("the file is write-protected for this user"), std::string::npos) << failure;
  EXPECT_EQ(Kept(At(dir, "theirs.png"), true), theirs);
  // Ids 0 to 65535 are 100000 on outside, as sandboxes map them, written from outside by a process forked first.
  auto inSandbox = [] {
    int ready[2];
    if (pipe(ready) != 0) return false;
    const pid_t sandboxed = getpid(), writer = fork();
    if (writer == 0) {
      char byte = 0;
      close(ready[1]);  // so that the read ends where the namespace is not made
      bool mapped = read(ready[0], &byte, 1) == 1;
      for (const char* kind : {"uid", "gid"}) {
        const int map = open(("/proc/" + std::to_string(sandboxed) + "/" + kind + "_map").c_str(), O_WRONLY);
        mapped = mapped && write(map, "0 100000 65536", 14) == 14;
        close(map);
      }
      std::_Exit(mapped ? 0 : 1);
    }
    const bool entered = unshare(CLONE_NEWUSER) == 0 && write(ready[1], "x", 1) == 1;
    close(ready[1]);
    int status = 1;
    waitpid(writer, &status, 0);
    return entered && status == 0 && setgroups(0, nullptr) == 0 && setresgid(0, 0, 0) == 0 && setresuid(0, 0, 0) == 0;
  };
  ASSERT_EQ(chown(At(dir, "theirs.png"), 1000, 1000) | chmod(At(dir, "theirs.png"), 0646) | chmod(At(dir, "."), 0777), 0);
  EXPECT_EQ(SaveInChild(inSandbox, *picture, dir.filePath("theirs.png")), "");
  ExpectPngOf(dir.filePath("theirs.png"), *picture);
  EXPECT_EQ(Kept(At(dir, "theirs.png")), std::to_string(S_IFREG | 0644) + " 100000:100000");
  // An access control list that names a user the namespace cannot name is never dropped: the save fails.
  ASSERT_EQ(SetAcl(At(dir, "old.png"), "access", 04), 0);
  const std::string listed = Kept(At(dir, "old.png"));
  EXPECT_NE(SaveInChild(inNamespace, *picture, dir.filePath("old.png")).find("access control list cannot be kept"),
            std::string::npos);
  EXPECT_EQ(Kept(At(dir, "old.png")), listed);
}

// Another program publishes versions of the file by write-then-rename, as editors and sync tools do, while saves run:
// first without a pause, then pausing after every second version, so that saves also get through. Each save replaces
// what it opened or fails: the name never goes back to an older version than one read there, and no version is
// deleted or left under another name.
TEST(PictureFileTest, AnotherProgramsVersionsAreNeverPutBackDeletedOrMoved) {
  QTemporaryDir dir;
  const QString path = dir.filePath("shared.png"), next = dir.filePath("next");
  auto publish = [&](int version) {
    QFile file(next);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(version)) > 0 && file.flush() &&
           std::rename(QFile::encodeName(next), QFile::encodeName(path)) == 0;
  };
  ASSERT_TRUE(publish(0));
  std::atomic<bool> done{false};
  std::atomic<int> pause{0};  // yields after every second version
  // What the publisher and a reader found at the name: the publisher, its last version or a save's picture after it;
  // the reader, never an older version than one it read before.
  QStringList wrong[2];
  std::thread publisher([&] {
    for (int version = 1; !done; ++version) {
      const QByteArray now = ReadAll(path);
      if (now != QByteArray::number(version - 1) && !now.startsWith("\x89PNG"))
        wrong[0] << QString("after version %1: \"%2\"").arg(version - 1).arg(now.left(8));
      if (!publish(version)) wrong[0] << "could not publish " + QString::number(version);
      for (int i = 0; version % 2 == 0 && i < pause; ++i) std::this_thread::yield();
    }
  });
  std::thread reader([&] {
    for (int newest = 0; !done;) {
      const QByteArray now = ReadAll(path);
      if (now.startsWith("\x89PNG")) continue;
      if (now.isEmpty() || now.toInt() < newest) wrong[1] << QString("\"%1\" after %2").arg(now).arg(newest);
      newest = std::max(newest, now.toInt());
    }
  });
  int saved = 0;
  for (int i = 0; i < 600; ++i) {
    if (i == 300) pause = 3000;
    saved += Failure([&] { Save(Picture(2, 2), path); }).empty();
  }
  done = true;
  publisher.join(), reader.join();
  for (const QStringList& found : wrong) EXPECT_EQ(found.mid(0, 5).join("; ").toStdString(), "") << found.size();
  EXPECT_EQ(Entries(dir.path()), QStringList({"shared.png"}));
  EXPECT_GT(saved, 0);
}

// Another program puts its file at a name while a save is paused where its file is complete (fsync) or where it has
// checked the names (renameat2): at the old file's name, a new name (also at the end of a dangling link), or, where the
// save's own file has a name from the start (without /proc, in a chroot), at that. The save fails with the reason, and
// the other program's file stays where it put it.
TEST(PictureFileTest, AFileThatAnotherProgramPutsAtANameWhileTheSaveRunsStaysThere) {
  QTemporaryDir dir;
  const auto picture = NoisyPicture(8, 8, 8);
  const char* const taken = "another program made a file of that name while it was being saved";
  const struct {
    const char *path, *call, *at, *failure;
  } cases[] = {{"old.png", "fsync", "old.png", "the file was moved or removed while it was being saved"},
               {"new.png", "fsync", "new.png", taken},
               {"to-made.png", "fsync", "made.png", taken},
               {"new.png", "renameat2", "new.png", taken},
               {"old.png", "fsync", ".save-", "its new file \".save-"}};
  for (bool chrooted : {false, true}) {
    if (chrooted && getuid() != 0) break;  // a chroot takes root
    for (const auto& c : cases) {
      if (!chrooted && c.at[0] == '.') continue;  // the save's file has no name before it is put in place
      SCOPED_TRACE(std::string(c.path) + " at " + c.at + (chrooted ? " in a chroot" : ""));
      for (const QString& name : Entries(dir.path())) QFile::remove(dir.filePath(name));
      Save(Picture(1, 1), dir.filePath("old.png"));
      const QByteArray old = ReadAll(dir.filePath("old.png"));
      ASSERT_EQ(symlink("made.png", At(dir, "to-made.png")), 0);
      // In the child, whose working folder is dir: theirs, by write-then-rename, at the name or the save's own.
      auto publish = [&] {
        QString at = c.at;
        if (at == ".save-") at = QDir(".").entryList({".save-*"}, QDir::Hidden | QDir::Files).value(0, "none");
        QFile file("theirs");
        const bool done = file.open(QIODevice::WriteOnly) && file.write("theirs") == 6 && file.flush() &&
                          std::rename("theirs", QFile::encodeName(at)) == 0;
        return done ? 0 : EIO;
      };
      const std::string failure = SaveInChild(
          [&] {
            duringSave = [&, once = true](std::string_view call) mutable {
              return call == c.call && std::exchange(once, false) ? publish() : 0;
            };
            return chrooted ? Chrooted(At(dir, "."))() : chdir(At(dir, ".")) == 0;
          },
          *picture, c.path);
      EXPECT_NE(failure.find(c.failure), std::string::npos) << failure;
      const QStringList own = QDir(dir.path()).entryList({".save-*"}, QDir::Hidden | QDir::Files);
      EXPECT_EQ(ReadAll(dir.filePath(c.at[0] == '.' ? own.value(0) : c.at)), "theirs");
      EXPECT_EQ(own.size(), c.at[0] == '.');  // the save left nothing of its own
      EXPECT_EQ(ReadAll(dir.filePath("old.png")), QString(c.at) == "old.png" ? QByteArray("theirs") : old);
    }
  }
}

// Without /proc (in a chroot) the save's file has its name from the start. Another program that renames its own file
// over that name while the save runs has it kept: a save that fails removes that name only while it holds its own
// file (as it did when it checked: in the instant between check and removal, what comes is removed), and says what it
// left. So it does where the folder turns append-only meanwhile and its file cannot be removed.
TEST(PictureFileTest, AFailedSaveRemovesOnlyItsOwnFileAndSaysWhatItLeft) {
  if (getuid() != 0) GTEST_SKIP() << "a chroot takes root";
  QTemporaryDir dir;
  const auto picture = NoisyPicture(1000, 1000, 9);
  Save(Picture(1, 1), dir.filePath("old.png"));
  const QByteArray old = ReadAll(dir.filePath("old.png"));
  // The name of the next file made in the folder that is the save's, or "finished" when the save has ended.
  auto nextMade = [](int events) {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(events, buffer, sizeof buffer)) > 0;) {
      for (const char* at = buffer; at < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        const QByteArray name = event->len > 0 ? event->name : "";
        if (name.startsWith(".save-") || name == "finished") return name;
        at += sizeof(inotify_event) + event->len;
      }
    }
    return QByteArray();
  };
  const int folder = open(At(dir, "."), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int flags = 0;
  ioctl(folder, FS_IOC_GETFLAGS, &flags);
  auto appendOnly = [&](bool on) {
    int set = on ? flags | FS_APPEND_FL : flags;
    return ioctl(folder, FS_IOC_SETFLAGS, &set) == 0;
  };
  const auto restore = qScopeGuard([&] { appendOnly(false), close(folder); });
  for (bool sealing : {false, true}) {
    if (sealing && !appendOnly(false)) break;  // the file system keeps no such flag
    bool seen = false;
    for (int attempt = 0; attempt < 20 && !seen; ++attempt) {
      SCOPED_TRACE(attempt);
      const int events = inotify_init1(IN_CLOEXEC);
      ASSERT_GE(inotify_add_watch(events, At(dir, "."), IN_CREATE), 0);
      ASSERT_TRUE(QFile(dir.filePath("theirs")).open(QIODevice::WriteOnly));
      std::string failure;
      std::thread save([&] {
        failure = SaveInChild(Chrooted(At(dir, ".")), *picture, "/old.png", 1 << 20, false);
        QFile(dir.filePath("finished")).open(QIODevice::WriteOnly);
      });
      const QByteArray made = nextMade(events);
      if (made != "finished" && sealing) appendOnly(true);
      if (made != "finished" && !sealing) rename(At(dir, "theirs"), At(dir, made));  // theirs, by the save's name
      save.join();
      close(events), appendOnly(false);
      EXPECT_NE(failure.find("File too large"), std::string::npos) << failure;
      seen = QByteArray::fromStdString(failure).contains(
          sealing ? "; the new file \"" + made + "\" beside it could not be removed (Operation not permitted)"
                  : "; \"" + made + "\" beside it holds another program's file now");
      EXPECT_TRUE(!seen || QFileInfo::exists(dir.filePath(made))) << "what it says it left is not there";
      EXPECT_EQ(ReadAll(dir.filePath("old.png")), old);
      for (const QString& name : Entries(dir.path()))
        if (name != "old.png") QFile::remove(dir.filePath(name));
    }
    EXPECT_TRUE(seen) << "no attempt came in time " << (sealing ? "to seal the folder" : "with their file");
  }
}

// What nobody, bin (in nogroup) and sys (in daemon and users) may open file for, a digit each: 1 reading, 2 writing, 4
// where the user could not be taken. Takes root, or root as the saved user id.
std::string Access(const QByteArray& file) {
  std::string access;
  for (std::vector<gid_t> user : {std::vector<gid_t>{65534, 65534}, {2, 65534}, {3, 1, 100}}) {
    const pid_t child = fork();
    if (child == 0 && (setresuid(0, 0, 0) | setgroups(user.size() - 1, &user[1]) |
                       setresgid(user[1], user[1], user[1]) | setresuid(user[0], user[0], user[0])) == 0)
      std::_Exit((open(file, O_RDONLY | O_NONBLOCK) >= 0) | (open(file, O_WRONLY | O_NONBLOCK) >= 0) << 1);
    if (child == 0) std::_Exit(4);
    int status = 0;
    access += static_cast<char>('0' + (waitpid(child, &status, 0) > 0 ? WEXITSTATUS(status) : 4));
  }
  return access;
}

// In a child as root's daemon (user and group 1), in a folder open to everyone, with /proc and without (in a chroot).
// A file that daemon may not write is left as it was, and so is one whose attributes daemon may not read; each message
// says why. Of nobody's files that daemon may write, no one gains access as the file becomes daemon's: in the mode, or
// in the owning group's entry of an access control list (its mask, and so its named entries, kept); nor at any step of
// a save (also of root's). An attribute of the security kind, which only a privileged process may set, is left out;
// daemon's own attributes are kept under any umask.
TEST(PictureFileTest, ASaverWhoCannotKeepTheGroupGivesItNoMoreThanOthersHad) {
  if (getuid() != 0) GTEST_SKIP() << "files of other users take root";
  for (bool chrooted : {false, true}) {
    QTemporaryDir dir;
    ASSERT_EQ(chmod(At(dir, "."), 0777), 0);
    const auto kept = [](mode_t mode, const char* rest = "") { return std::to_string(S_IFREG | mode) + " 1:1" + rest; };
    const char* const writeProtected = "the file is write-protected for this user (Permission denied), so it was left";
    // u:: u:daemon:rw- g:: g:id: (daemon unless told) m:: (rw- unless told) o::, as a file before or after.
    const auto named = [](unsigned u, unsigned g, unsigned daemon, unsigned o, unsigned id = 1, unsigned m = 6) {
      return std::vector<uint32_t>{u << 16 | 0x01u,      ~0u, 0x00060002u,     1,   g << 16 | 0x04u, ~0u,
                                   daemon << 16 | 0x08u, id,  m << 16 | 0x10u, ~0u, o << 16 | 0x20u, ~0u};
    };
    const auto daemons = [&](const char* name, const std::vector<uint32_t>& acl) {
      Save(Picture(1, 1), dir.filePath(name));
      return SetAcl(At(dir, name), "access", acl) | chown(At(dir, name), 1, 1) ? "" : Kept(At(dir, name));
    };
    const struct {
      const char* name;
      mode_t mode;
      std::string result;         // what the saved file keeps, or the reason of the failure
      std::vector<uint32_t> acl = {};  // the old file's access control list, if any
      uid_t owner = 65534, saver = 1;
      mode_t mask = 022;
    } cases[] = {{"0640.png", 0640, writeProtected},
                 {"0664.png", 0664, writeProtected},
                 {"acl.png", 0660, writeProtected},  // g::rw- o::---
                 {"0622.png", 0622, "cannot be read (Permission denied)"},  // its attributes, which /proc is needed for
                 {"0606.png", 0606, kept(0600)},
                 {"0066.png", 0066, kept(0)},
                 {"named.png", 0664, daemons("named-after", named(06, 0, 0, 04)), named(06, 04, 0, 04)},
                 {"users.png", 0664, daemons("users-after", named(06, 0, 0, 04, 100)), named(06, 04, 0, 04, 100)},
                 {"masked.png", 0777, daemons("masked-after", named(07, 05, 07, 04)), named(07, 05, 07, 07)},
                 {"others.png", 0664, daemons("others-after", named(06, 04, 07, 04)), named(06, 06, 07, 04)},
                 {"shut.png", 0666, daemons("shut-after", named(06, 0, 0, 0)), named(06, 0, 0, 06)},
                 {"mask.png", 0464, daemons("mask-after", named(04, 0, 06, 0, 1, 04)), named(04, 0, 06, 04)},
                 {"bins.png", 0406, std::to_string(S_IFREG | 0406) + " 2:2", {}, 2, 0},  // saved by root
                 {"own.png", 0644, kept(0644, " user.tag=74"), {}, 1, 1, 0222}};
    for (const auto& c : cases) {
      Save(Picture(1, 1), dir.filePath(c.name));
      ASSERT_EQ(chown(At(dir, c.name), c.owner, c.owner) | chmod(At(dir, c.name), c.mode), 0);
      ASSERT_EQ(c.acl.empty() ? 0 : SetAcl(At(dir, c.name), "access", c.acl), 0);
    }
    ASSERT_EQ(setxattr(At(dir, "0606.png"), "security.quorix", "1", 1, 0), 0);
    ASSERT_EQ(setxattr(At(dir, "0622.png"), "user.x", "1", 1, 0) | setxattr(At(dir, "own.png"), "user.tag", "t", 1, 0), 0);
    ASSERT_EQ(SetAcl(At(dir, "acl.png"), "access", 0, 06), 0);
    const auto picture = NoisyPicture(8, 8, 2);
    // What each user could open the new file for at any step, where it has a name.
    char* const steps = static_cast<char*>(mmap(nullptr, 4, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    for (const auto& c : cases) {
      const QString path = chrooted ? "/" + QString(c.name) : dir.filePath(c.name);
      SCOPED_TRACE(path.toStdString());
      const std::string before = Kept(At(dir, c.name), true), access = Access(At(dir, c.name));
      const auto daemon = [&] {
        duringSave = [&, folder = chrooted ? "/" : dir.path()](std::string_view) {
          const QString made = QDir(folder).entryList({".save-*"}, QDir::Hidden | QDir::Files).value(0, "none");
          for (int i = 0; const char can : Access(QFile::encodeName(folder + "/" + made))) steps[i++] |= can;
          return 0;
        };
        return std::strcpy(steps, "000"), umask(c.mask), (!chrooted || Chrooted(At(dir, "."))()) && As(c.saver, true)();
      };
      const std::string failure = SaveInChild(daemon, *picture, path);
      for (const std::string now = Access(At(dir, c.name)); const int i : {0, 1, 2})
        EXPECT_EQ((now[i] & ~access[i] & 3) | (steps[i] & ~now[i] & 3), 0) << access << " " << steps << " " << now;
      if (failure.empty()) {
        ExpectPngOf(dir.filePath(c.name), *picture);
        EXPECT_EQ(Kept(At(dir, c.name)), c.result);
      } else {
        EXPECT_NE(failure.find(c.result), std::string::npos) << failure;
        EXPECT_EQ(Kept(At(dir, c.name), true), before);
      }
    }
    munmap(steps, 4);
  }
}

// A file system with no room left (tmpfs with few inodes; attributes take inode room there): an attribute that cannot
// be written fails the save and leaves the old file as it was. Without /proc a new file needs room for no more than
// itself, as a copy does.
TEST(PictureFileTest, OnAFullFileSystemEveryAttributeIsKeptOrTheOldFile) {
  if (getuid() != 0) GTEST_SKIP() << "mounting takes root";
  QTemporaryDir dir;
  std::vector<QByteArray> mounts;
  const auto unmount = qScopeGuard([&] {
    for (const QByteArray& at : mounts) umount2(at, MNT_DETACH);
  });
  auto mountTmpfs = [&](const char* name, const char* options) {
    mounts.push_back(At(dir, name));
    return QDir(dir.path()).mkdir(name) && mount("tmpfs", mounts.back(), "tmpfs", 0, options) == 0;
  };
  if (!mountTmpfs("full", "nr_inodes=5") || !mountTmpfs("one", "nr_inodes=3")) GTEST_SKIP() << "no tmpfs here";
  const auto picture = NoisyPicture(8, 8, 3);
  Save(Picture(1, 1), dir.filePath("full/old.png"));
  const std::string big(1500, 'b');
  ASSERT_EQ(setxattr(At(dir, "full/old.png"), "user.tag", "t", 1, 0), 0);
  ASSERT_EQ(setxattr(At(dir, "full/old.png"), "user.big", big.data(), big.size(), 0), 0);
  const std::string before = Kept(At(dir, "full"), true);
  const std::string failure = Failure([&] { Save(*picture, dir.filePath("full/old.png")); });
  EXPECT_NE(failure.find("\"user.big\" cannot be kept (No space left on device)"), std::string::npos) << failure;
  EXPECT_EQ(Kept(At(dir, "full"), true), before);

  Save(Picture(1, 1), dir.filePath("one/a.png"));  // the root folder and a.png: one inode left
  EXPECT_EQ(SaveInChild(Chrooted(At(dir, "one")), *picture, "/new.png"), "");
  ExpectPngOf(dir.filePath("one/new.png"), *picture);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(Kept(At(dir, "one/new.png")), std::to_string(S_IFREG | (0666 & ~mask)) + " 0:0");
  EXPECT_EQ(Entries(dir.filePath("one")), QStringList({"a.png", "new.png"}));
  // Full now: the reason is the file system's, not the folder's.
  const QString more = dir.filePath("one/more.png");
  EXPECT_EQ(Failure([&] { Save(*picture, more); }),
            "Could not save the picture to \"" + more.toStdString() + "\": No space left on device");
}

// FAT and ext4 through FUSE, mounted by root for all users: another user saves new files and replaces old ones there.
// FAT keeps no owners, modes or access control lists. fuse2fs, under the umask 0277, makes a file with no write access
// for its owner and then refuses to open it: the save says so and names the file it left.
TEST(PictureFileTest, OnFuseFileSystemsMountedForAllUsersAnotherUserSaves) {
  if (getuid() != 0) GTEST_SKIP() << "mounting takes root";
  QTemporaryDir dir;
  ASSERT_EQ(chmod(At(dir, "."), 0755), 0);
  const auto picture = NoisyPicture(8, 8, 6);
  for (auto [kind, mount] : {std::pair{"fat", "mkfs.fat %1 >/dev/null && fusefat -o rw+,allow_other %1 %2"},
                             {"ext4", "mkfs.ext4 -q %1 && fuse2fs -o allow_other %1 %2"}}) {
    const QString at = dir.filePath(kind), command = QString("truncate -s 8M %1 && ") + mount + " >/dev/null 2>&1";
    if (!QDir().mkdir(at) || std::system(command.arg(at + ".img", at).toLocal8Bit()) != 0) GTEST_SKIP() << kind;
    const auto unmount = qScopeGuard([&] { umount2(QFile::encodeName(at), MNT_DETACH); });
    Save(Picture(1, 1), at + "/old.png");
    const bool ext4 = at.endsWith("ext4");  // root's and sticky, as /tmp is, with daemon's file (FAT keeps no modes)
    ASSERT_EQ(ext4 ? chmod(QFile::encodeName(at), 01777) | chown(QFile::encodeName(at + "/old.png"), 1, 1) : 0, 0);
    for (auto [name, mask] : {std::pair{"/old.png", 022}, {"/new.png", 022}, {"/old.png", 0277}, {"/new2.png", 0277}}) {
      const std::string failure = SaveInChild([&] { return umask(mask), As(1)(); }, *picture, at + name);
      const QStringList left = QDir(at).entryList({".save-*"}, QDir::Hidden | QDir::Files);
      const std::string made = left.value(0).toStdString() + "\" beside it was made with mode 0400, and the file "
                               "system then refused to open it for writing (Permission denied); it was left there";
      EXPECT_EQ(left.size(), ext4 && mask == 0277) << name << " under " << mask;
      EXPECT_TRUE(left.isEmpty() ? failure.empty() : failure.ends_with(made)) << failure;
      if (failure.empty()) ExpectPngOf(at + name, *picture);
      for (const QString& file : left) QFile::remove(at + "/" + file);
    }
  }
}

// A save killed on its way leaves the old file or the whole new one, and, killed while writing (by SIGXFSZ at a
// file-size limit), nothing else.
TEST(PictureFileDeathTest, AKilledSaveLeavesTheOldFileOrTheNewOneAndNothingElse) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child saves into the folder made here
  QTemporaryDir dir;
  const QString path = dir.filePath("killed.png");
  const auto picture = NoisyPicture(200, 200, 7);
  Save(*picture, path);
  const QByteArray newBytes = ReadAll(path);
  const Picture old(3, 3);
  Save(old, path);
  const QByteArray oldBytes = ReadAll(path);
  const std::string before = Kept(At(dir, "."), true);
  for (rlim_t limit : {rlim_t{0}, static_cast<rlim_t>(newBytes.size() - 1)}) {
    EXPECT_EXIT(SaveWithin(limit, *picture, path, true), ::testing::KilledBySignal(SIGXFSZ), "") << limit;
    EXPECT_EQ(Kept(At(dir, "."), true), before) << "killed at " << limit << " bytes";
  }
  // Saves of the new and the old picture in turn, ended by SIGKILL from another thread at whatever point it comes.
  for (int run = 0; run < 4; ++run) {
    auto saveUntilKilled = [&] {
      std::thread([run] {
        for (int i = 0; i < run * 100000; ++i) std::this_thread::yield();
        raise(SIGKILL);
      }).detach();
      for (int i = 0;; ++i) Save(i % 2 == 0 ? *picture : old, path);
    };
    EXPECT_EXIT(saveUntilKilled(), ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_TRUE(QByteArrayList({oldBytes, newBytes}).contains(ReadAll(path))) << "run " << run;
  }
}

}  // namespace
