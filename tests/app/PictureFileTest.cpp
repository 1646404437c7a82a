#include "framework/ui/PictureFile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sched.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "framework/core/Runtime.h"
#include "framework/ui/Application.h"
#include "tests/app/WindowFixture.h"

namespace {

using fw::Picture;

// Opaque, half and fully transparent pixels, the transparent ones with color bytes of their own.
std::unique_ptr<Picture> NoisyPicture(int64_t width, int64_t height, uint32_t seed) {
  auto picture = std::make_unique<Picture>(width, height);
  std::mt19937 random(seed);
  const uint32_t transparency[] = {0x00, 0x01, 0x80, 0xFE, 0xFF};
  for (int64_t i = 0; i < width * height; ++i)
    picture->Data()[i] = (transparency[random() % 5] << 24) | (random() & 0xFFFFFF);
  return picture;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Save(const Picture& picture, const QString& path) { fw::SavePicture(picture, path.toStdString(), 150, -1); }

QByteArray At(const QTemporaryDir& dir, const QString& name) { return QFile::encodeName(dir.filePath(name)); }

QStringList Entries(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

// What a save keeps of a file it replaces: its type and mode, owner and group, and extended attributes (of the link
// itself, for a link).
std::string Kept(const QByteArray& file) {
  struct stat st {};
  lstat(file.constData(), &st);
  std::string kept = std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid);
  char names[4096], value[4096];
  const ssize_t length = llistxattr(file.constData(), names, sizeof names);
  for (const char* name = names; name < names + std::max<ssize_t>(length, 0); name += strlen(name) + 1) {
    const ssize_t size = std::max<ssize_t>(lgetxattr(file.constData(), name, value, sizeof value), 0);
    kept += std::string(" ") + name + "=" + QByteArray(value, size).toHex().toStdString();
  }
  return kept;
}

// A folder's entries, and those of its folders, as a failed save must leave them: what Kept shows, the inode
// and, for a regular file, the bytes (a pipe is never opened).
std::string Take(const QString& folder) {
  std::string all;
  for (const QString& name : Entries(folder)) {
    const QString path = QDir(folder).filePath(name);
    struct stat st {};
    lstat(QFile::encodeName(path).constData(), &st);
    all += name.toStdString() + ": " + Kept(QFile::encodeName(path)) + " inode " + std::to_string(st.st_ino) +
           " bytes " + std::to_string(S_ISREG(st.st_mode) ? qHash(ReadAll(path)) : 0) + "\n";
    if (S_ISDIR(st.st_mode)) all += Take(path);
  }
  return all;
}

// Saving to path raises an IOException whose message names path and then the reason, and leaves folder as it was.
void ExpectFailedSaveChangesNothing(const std::function<void()>& save, const QString& path, const QString& folder,
                                    const std::string& reason) {
  const std::string before = Take(folder);
  try {
    save();
    ADD_FAILURE() << "saving to " << path.toStdString() << " did not fail";
  } catch (const fw::IOException& e) {
    EXPECT_NE(std::string(e.what()).find("\"" + path.toStdString() + "\": " + reason), std::string::npos) << e.what();
  }
  EXPECT_EQ(Take(folder), before) << path.toStdString();
}

// Saves under a file-size limit, past which a write fails with EFBIG.
void SaveWithin(rlim_t bytes, const Picture& picture, const QString& path) {
  fw::IgnoreFileSizeSignal();
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit lowered{std::min(bytes, saved.rlim_cur), saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &saved); });
  Save(picture, path);
}

TEST(PictureFileTest, BadArgumentsRaiseAndWriteNothing) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("bad.png").toStdString();
  EXPECT_THROW(fw::SavePicture(Picture(4, 4), "", 150, -1), fw::NilObjectException);
  try {
    fw::SavePicture(Picture(4, 4), path, 150, 101);
    ADD_FAILURE() << "quality 101 accepted";
  } catch (const fw::OutOfBoundsException& e) {
    EXPECT_STREQ(e.what(), "The compression value is out of range, valid values are 0-100");
  }
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

// The target is found as an open finds it, the kernel following up to 40 links, which stay. The file reached is
// replaced by the whole PNG and keeps its owner and group (root may set them), extended attributes and access control
// list (none where it had none, whatever the folder hands down to new files), and its mode less set-user-ID and
// set-group-ID; a new file gets the umask's mode. Anything but a regular file, a path with no folder, a write that
// runs short, a file that is immutable or append-only, and a folder that allows no new file (nobody's save in root's
// folder) or no replacing (of someone else's file in a sticky folder) fail the save with the reason and change nothing.
TEST(PictureFileDeathTest, EachKindOfTargetIsReplacedOrRefusedWithTheReason) {
  GTEST_FLAG_SET(death_test_style, "fast");  // a save as nobody runs in a child, in the folder made here
  QTemporaryDir dir;
  const auto picture = NoisyPicture(20, 10, 5);
  Save(*picture, dir.filePath("size.png"));
  const auto size = static_cast<rlim_t>(ReadAll(dir.filePath("size.png")).size());
  std::map<QString, std::string> kept;  // of each file replaced, what it keeps
  for (const char* folder : {"folder.png", "locked", "sticky", "inherits"}) ASSERT_TRUE(QDir(dir.path()).mkdir(folder));
  for (auto [name, mode] :
       {std::pair{"mode444.png", 0444}, {"mode600.png", 0600}, {"mode751.png", 0751}, {"mode660.png", 0660},
        {"locked/open.png", 0666}, {"sticky/open.png", 0666}, {"inherits/plain.png", 0660}, {"fixed.png", 0644}}) {
    Save(Picture(1, 1), dir.filePath(name));
    ASSERT_EQ(chmod(At(dir, name), mode), 0);
    kept[name] = Kept(At(dir, name));
  }
  const bool root = getuid() == 0;  // root passes any folder's permissions: its saves there are made as nobody
  ASSERT_EQ(chown(At(dir, "mode660.png"), root ? 65534 : getuid(), root ? 65534 : getgid()), 0);
  if (setxattr(At(dir, "mode660.png"), "user.comment", "Julia", 5, 0) == 0 &&
      setxattr(At(dir, "mode660.png"), "user.empty", "", 0, 0) == 0) {
    // u::rw-, u:65534:rw-, g::r--, m::rw-, o::---: the mode shows the mask as its group bits, the group may only read.
    const uint32_t acl[] = {2,           0x00060001u, 0xFFFFFFFFu, 0x00060002u, 65534,      0x00040004u,
                            0xFFFFFFFFu, 0x00060010u, 0xFFFFFFFFu, 0x00000020u, 0xFFFFFFFFu};
    ASSERT_EQ(setxattr(At(dir, "mode660.png"), "system.posix_acl_access", acl, sizeof acl, 0), 0);
    // Handed down to the files made in the folder, but not to one replaced there that had no list of its own.
    ASSERT_EQ(setxattr(At(dir, "inherits"), "system.posix_acl_default", acl, sizeof acl, 0), 0);
  }
  kept["mode660.png"] = Kept(At(dir, "mode660.png"));
  ASSERT_EQ(chmod(At(dir, "mode660.png"), 06660), 0);
  kept["名称未決定.png"] = kept["made.png"] =
      std::to_string(S_IFREG | 0640) + " " + std::to_string(getuid()) + ":" + std::to_string(getgid());
  for (int hops = 1; hops <= 41; ++hops) {
    const QString to = hops == 1 ? "mode751.png" : QString("link%1.png").arg(hops - 1);
    ASSERT_EQ(symlink(QFile::encodeName(to), At(dir, QString("link%1.png").arg(hops))), 0);
  }
  ASSERT_EQ(symlink("made.png", At(dir, "to-made.png")), 0);
  ASSERT_EQ(mkfifo(At(dir, "pipe.png"), 0644), 0);
  ASSERT_EQ(symlink("pipe.png", At(dir, "to-pipe.png")), 0);
  const bool device = mknod(At(dir, "null.png"), S_IFCHR | 0666, makedev(1, 3)) == 0;  // may be forbidden here
  for (auto [folder, mode] : {std::pair{"", 0755}, {"locked", root ? 0755 : 0555}, {"sticky", 01777}})
    ASSERT_EQ(chmod(At(dir, folder), mode), 0);
  // An immutable file in a folder that allows replacing it (where the file system and the process may set that).
  int flags = FS_IMMUTABLE_FL;
  const int fixed = open(At(dir, "fixed.png"), O_RDONLY);
  const bool immutable = ioctl(fixed, FS_IOC_SETFLAGS, &flags) == 0;
  const auto unfix = qScopeGuard([&] { flags = 0, ioctl(fixed, FS_IOC_SETFLAGS, &flags), close(fixed); });
  const char* const noFile = "its folder does not allow a new file to be made there and put in the file's place";
  const char* const noNewFile = "its folder does not allow a new file to be made there (Permission denied)";
  const struct {
    const char *name, *file, *refusal;
    rlim_t room = RLIM_INFINITY;
  } cases[] = {{"mode444.png", "mode444.png", nullptr, size}, {"mode600.png", "mode600.png", nullptr},
               {"mode660.png", "mode660.png", nullptr}, {"名称未決定.png", "名称未決定.png", nullptr},
               {"link40.png", "mode751.png", nullptr}, {"link41.png", nullptr, "Too many levels of symbolic links"},
               {"pipe.png", nullptr, "it is not a regular file"}, {"to-pipe.png", nullptr, "it is not a regular file"},
               {"null.png", nullptr, device ? "it is not a regular file" : nullptr},
               {"folder.png", nullptr, "it is a folder"},
               {"no such folder/new.png", nullptr, "No such file or directory"},
               {"mode444.png/new.png", nullptr, "Not a directory"},
               {"mode600.png", nullptr, "File too large", size - 1},
               {"mode660.png", nullptr, "File too large", size / 2},
               {"inherits/plain.png", "inherits/plain.png", nullptr}, {"locked/open.png", nullptr, noFile},
               {"locked/new.png", nullptr, noNewFile},
               {"fixed.png", nullptr, immutable ? "the file itself is protected from being replaced" : nullptr},
               {"sticky/open.png", nullptr, root ? noFile : nullptr}};  // the file must be another user's
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.filePath(c.name);
    if (c.file == nullptr) {
      auto refused = [&] {
        ExpectFailedSaveChangesNothing([&] { SaveWithin(c.room, *picture, path); }, path, dir.path(), c.refusal);
        return ::testing::Test::HasFailure();
      };
      auto asNobody = [] { return setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0; };
      if ((c.refusal == noFile || c.refusal == noNewFile) && root)
        EXPECT_EXIT(std::_Exit(asNobody() && !refused() ? 0 : 1), ::testing::ExitedWithCode(0), "");
      else if (c.refusal != nullptr)
        refused();
      continue;
    }
    const qsizetype entries = Entries(dir.path()).size() + !QFileInfo::exists(dir.filePath(c.file));
    const mode_t mask = umask(027);
    SaveWithin(c.room, *picture, path);
    umask(mask);
    ExpectPngOf(dir.filePath(c.file), *picture);
    EXPECT_EQ(Kept(At(dir, c.file)), kept[c.file]);
    EXPECT_EQ(QFileInfo(path).isSymLink(), QString(c.name) != c.file);
    EXPECT_EQ(Entries(dir.path()).size(), entries);
  }
  // Through a dangling link a save makes the link's target, as an open does. A failed save leaves it, empty: another
  // program may have made the same file in that instant.
  const mode_t mask = umask(027);
  EXPECT_THROW(SaveWithin(0, *picture, dir.filePath("to-made.png")), fw::IOException);
  EXPECT_TRUE(QFileInfo::exists(dir.filePath("made.png")) && QFileInfo(dir.filePath("made.png")).size() == 0);
  Save(*picture, dir.filePath("to-made.png"));
  umask(mask);
  ExpectPngOf(dir.filePath("made.png"), *picture);
  EXPECT_EQ(Kept(At(dir, "made.png")), kept["made.png"]);
  chmod(At(dir, "locked"), 0755);  // for the folder's removal
}

// With the kernel's link protection on, a link that another user planted in a sticky, world-writable folder is not
// followed: the save fails like any open through it, and the file it points at stays as it is.
TEST(PictureFileTest, ALinkPlantedByAnotherUserInAStickyFolderIsRefused) {
  if (ReadAll("/proc/sys/fs/protected_symlinks").trimmed() != "1")
    GTEST_SKIP() << "the kernel's link protection (fs.protected_symlinks) is off";
  if (getuid() != 0) GTEST_SKIP() << "planting a link of another user takes root";
  QTemporaryDir shared, home;
  ASSERT_EQ(chmod(QFile::encodeName(shared.path()), 01777), 0);
  const QString notes = home.filePath("notes.png"), planted = shared.filePath("pic.png");
  Save(Picture(1, 1), notes);
  ASSERT_EQ(symlink(QFile::encodeName(notes), QFile::encodeName(planted)), 0);
  ASSERT_EQ(lchown(QFile::encodeName(planted), 65534, 65534), 0);
  const std::string before = Take(home.path());
  ExpectFailedSaveChangesNothing([&] { Save(Picture(2, 2), planted); }, planted, shared.path(), "Permission denied");
  EXPECT_EQ(Take(home.path()), before);
}

// Runs f in a child process (in a folder of its own, say) and gives its wait status.
int InChild(const std::function<int()>& f) {
  const pid_t child = fork();
  if (child == 0) std::_Exit(f());
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

int SavedOrFailed(const Picture& picture, const char* path) {
  try {
    Save(picture, path);
    return 0;
  } catch (const fw::IOException& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}

// Inside a user namespace (a sandbox) in which the old owner has no id, the file is replaced without its owner, as
// where the process may not give it; its mode and attributes are kept.
TEST(PictureFileTest, AFileWhoseOwnerTheUserNamespaceCannotNameIsReplaced) {
  if (getuid() != 0) GTEST_SKIP() << "giving a file to another owner takes root";
  QTemporaryDir dir;
  const QString path = dir.filePath("theirs.png");
  Save(Picture(1, 1), path);
  ASSERT_EQ(chown(At(dir, "theirs.png"), 65534, 65534) | chmod(At(dir, "theirs.png"), 0646), 0);
  const auto picture = NoisyPicture(5, 5, 3);
  const int status = InChild([&] {
    auto write = [](const char* file, const char* line) {
      QFile f(file);
      return f.open(QIODevice::WriteOnly) && f.write(line) > 0;
    };
    if (unshare(CLONE_NEWUSER) != 0) return 77;
    write("/proc/self/setgroups", "deny");
    if (!write("/proc/self/uid_map", "0 0 1") || !write("/proc/self/gid_map", "0 0 1")) return 77;
    return SavedOrFailed(*picture, QFile::encodeName(path).constData());
  });
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no user namespace can be made here";
  EXPECT_EQ(status, 0);
  ExpectPngOf(path, *picture);
  EXPECT_EQ(Kept(At(dir, "theirs.png")), std::to_string(S_IFREG | 0646) + " 0:0");
}

// Without /proc (in a chroot, say) a save still works: its temporary file has a name from the start and no access
// for anyone else until it is complete (a save killed while writing leaves it behind as it was); then a replaced file
// keeps its mode and attributes, and a new one gets what the folder gives a new file.
TEST(PictureFileTest, WithoutProcTheFileIsClosedToOthersUntilComplete) {
  if (getuid() != 0) GTEST_SKIP() << "a chroot takes root";
  QTemporaryDir dir;
  Save(Picture(1, 1), dir.filePath("old.png"));
  ASSERT_EQ(chmod(At(dir, "old.png"), 0604) | setxattr(At(dir, "old.png"), "user.comment", "z", 1, 0), 0);
  // u::rw-, u:65534:rw-, g::r--, m::rw-, o::r--, handed down to the new files.
  const uint32_t acl[] = {2,           0x00060001u, 0xFFFFFFFFu, 0x00060002u, 65534,      0x00040004u,
                          0xFFFFFFFFu, 0x00060010u, 0xFFFFFFFFu, 0x00040020u, 0xFFFFFFFFu};
  ASSERT_EQ(setxattr(QFile::encodeName(dir.path()), "system.posix_acl_default", acl, sizeof acl, 0), 0);
  close(open(At(dir, "reference"), O_CREAT | O_WRONLY, 0666));
  const std::string old = Kept(At(dir, "old.png")), made = Kept(At(dir, "reference"));
  const auto picture = NoisyPicture(30, 30, 4);
  auto inChroot = [&](rlim_t room, const char* path) {
    return InChild([&] {
      if (chroot(QFile::encodeName(dir.path())) != 0 || chdir("/") != 0) return 2;
      std::signal(SIGXFSZ, SIG_DFL);
      const rlimit limit{room, RLIM_INFINITY};
      setrlimit(RLIMIT_FSIZE, &limit);
      return SavedOrFailed(*picture, path);
    });
  };
  const int killed = inChroot(1, "/new.png");
  EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGXFSZ) << killed;
  const QStringList left = QDir(dir.path()).entryList({".save-*.tmp"}, QDir::Hidden | QDir::Files);
  ASSERT_EQ(left.size(), 1);
  struct stat temporary {};
  lstat(At(dir, left[0]), &temporary);
  EXPECT_EQ(temporary.st_mode & 077, 0u);
  QFile::remove(dir.filePath(left[0]));
  EXPECT_EQ(inChroot(RLIM_INFINITY, "/old.png"), 0);
  EXPECT_EQ(inChroot(RLIM_INFINITY, "/new.png"), 0);
  ExpectPngOf(dir.filePath("old.png"), *picture);
  ExpectPngOf(dir.filePath("new.png"), *picture);
  EXPECT_EQ(Kept(At(dir, "old.png")), old);
  EXPECT_EQ(Kept(At(dir, "new.png")), made);
  EXPECT_EQ(Entries(dir.path()), QStringList({"new.png", "old.png", "reference"}));
}

// Another program that keeps swapping the file's name with its pipe's never loses the pipe: a save replaces the file
// that it opened, or fails and puts back what it found in its place.
TEST(PictureFileTest, WhatAnotherProgramPutsInTheFilesPlaceIsPutBack) {
  QTemporaryDir dir;
  const QByteArray file = At(dir, "swapped.png"), pipe = At(dir, "pipe");
  Save(Picture(1, 1), dir.filePath("swapped.png"));
  ASSERT_EQ(mkfifo(pipe, 0644), 0);
  std::atomic<bool> done{false};
  std::thread swapper([&] {
    while (!done) renameat2(AT_FDCWD, file, AT_FDCWD, pipe, RENAME_EXCHANGE);
  });
  for (int i = 0; i < 300; ++i) {
    try {
      Save(Picture(2, 2), dir.filePath("swapped.png"));
    } catch (const fw::IOException&) {
    }
  }
  done = true;
  swapper.join();
  struct stat a {}, b {};
  ASSERT_EQ(lstat(file, &a) | lstat(pipe, &b), 0);
  EXPECT_EQ(S_ISFIFO(a.st_mode) + S_ISFIFO(b.st_mode), 1);
  EXPECT_EQ(S_ISREG(a.st_mode) + S_ISREG(b.st_mode), 1);
  EXPECT_EQ(Entries(dir.path()), QStringList({"pipe", "swapped.png"}));
}

// A save killed on its way leaves the old file or the whole new one, and,
// killed while writing (by SIGXFSZ at a file-size limit), nothing else.
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
  const std::string before = Take(dir.path());
  for (rlim_t limit : {rlim_t{0}, static_cast<rlim_t>(newBytes.size() - 1)}) {
    auto save = [&] {
      std::signal(SIGXFSZ, SIG_DFL);
      const rlimit lowered{limit, RLIM_INFINITY};
      setrlimit(RLIMIT_FSIZE, &lowered);
      Save(*picture, path);
    };
    EXPECT_EXIT(save(), ::testing::KilledBySignal(SIGXFSZ), "") << limit;
    EXPECT_EQ(Take(dir.path()), before) << "killed at " << limit << " bytes";
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
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes == oldBytes || bytes == newBytes) << "run " << run;
  }
}

}  // namespace
