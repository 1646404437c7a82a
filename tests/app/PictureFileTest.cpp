#include "framework/ui/PictureFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "framework/core/Runtime.h"
#include "tests/app/WindowFixture.h"

namespace {

using fw::Picture;

// Opaque, half and fully transparent pixels, the transparent ones with
// colour bytes of their own.
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

// A folder's entries without following links: name, mode, inode and, for a
// regular file, its bytes (a pipe is never opened).
using Snapshot = std::vector<std::tuple<QString, mode_t, ino_t, QByteArray>>;
Snapshot Take(const QString& folder) {
  Snapshot entries;
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    struct stat st {};
    if (lstat(QFile::encodeName(dir.filePath(name)).constData(), &st) != 0) continue;
    entries.emplace_back(name, st.st_mode, st.st_ino, S_ISREG(st.st_mode) ? ReadAll(dir.filePath(name)) : "");
  }
  return entries;
}

// Saving to path raises an IOException that names path and gives a reason
// (containing `reason` where given); folder, unless empty, is unchanged.
void ExpectFailedSaveChangesNothing(const std::function<void()>& save, const QString& path, const QString& folder,
                                    const std::string& reason = "") {
  const Snapshot before = folder.isEmpty() ? Snapshot() : Take(folder);
  try {
    save();
    ADD_FAILURE() << "saving to " << path.toStdString() << " did not fail";
  } catch (const fw::IOException& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("\"" + path.toStdString() + "\": "), std::string::npos) << message;
    EXPECT_GT(message.size(), message.find("\": ") + 4) << "no reason given: " << message;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
  }
  if (!folder.isEmpty()) { EXPECT_TRUE(Take(folder) == before) << "the folder changed"; }
}

// Lowers the file-size limit for one scope; a write past it then fails
// with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  rlimit saved_{};
  void (*handler_)(int) = nullptr;
};

mode_t ModeOf(const QString& path) {
  struct stat st {};
  return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(PictureFileTest, SavedPngEqualsThePicturePixelForPixel) {
  QTemporaryDir dir;
  const auto noisy = NoisyPicture(500, 500, 1);
  const QString path = dir.filePath("名称未決定.png");
  Save(*noisy, path);
  ExpectPngOf(path, *noisy);
  const Picture empty(500, 500);  // fully transparent black; replaces the file
  Save(empty, path);
  ExpectPngOf(path, empty);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary file left
}

TEST(PictureFileTest, BadArgumentsRaiseAndWriteNothing) {
  QTemporaryDir dir;
  const Picture picture(4, 4);
  const std::string path = dir.filePath("bad.png").toStdString();
  EXPECT_THROW(fw::SavePicture(picture, "", 150, -1), fw::NilObjectException);
  try {
    fw::SavePicture(picture, path, 150, 101);
    ADD_FAILURE() << "quality 101 accepted";
  } catch (const fw::OutOfBoundsException& e) {
    EXPECT_STREQ(e.what(), "The compression value is out of range, valid values are 0-100");
  }
  EXPECT_THROW(fw::SavePicture(picture, path, 150, -2), fw::OutOfBoundsException);
  EXPECT_THROW(fw::SavePicture(picture, path, 151, -1), fw::OutOfBoundsException);
  EXPECT_THROW(fw::SavePicture(Picture(0, 5), path, 150, -1), fw::OutOfBoundsException);
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(PictureFileTest, UnwritablePlacesRaiseAndLeaveFilesUntouched) {
  QTemporaryDir dir;
  const auto picture = NoisyPicture(300, 300, 3);
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly) && plain.write("not a folder") > 0);
  plain.close();
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
  // A missing folder, a "folder" that is a file, a path that names a folder.
  for (const char* name : {"no such folder/bild.png", "plain/bild.png", "taken.png"}) {
    const QString path = dir.filePath(name);
    ExpectFailedSaveChangesNothing([&] { Save(*picture, path); }, path, dir.path());
  }
  EXPECT_TRUE(QFileInfo(dir.filePath("taken.png")).isDir());
  // An existing file in a folder nobody may write to (root included).
  const QByteArray version = ReadAll("/proc/version");
  if (!version.isEmpty()) {
    ExpectFailedSaveChangesNothing([&] { Save(*picture, "/proc/version"); }, "/proc/version", "");
    EXPECT_EQ(ReadAll("/proc/version"), version);
  }
}

// The disk runs out partway through replacing a file, short of the new PNG
// by anything from one byte to the whole file: the save fails with the
// reason, the old file untouched and no temporary file left; with room
// enough it writes the whole new PNG.
TEST(PictureFileTest, ADiskThatRunsOutLeavesTheOldFileOrTheWholeNewOne) {
  QTemporaryDir dir;
  const auto picture = NoisyPicture(400, 400, 4);  // hardly compressible: about 640 KB
  const QString reference = dir.filePath("reference.png");
  Save(*picture, reference);
  const QByteArray newBytes = ReadAll(reference);
  const auto size = static_cast<rlim_t>(newBytes.size());
  ASSERT_GT(size, 200000u);

  const QString existing = dir.filePath("existing.png");
  const Picture old(2, 2);
  Save(old, existing);
  auto saveUnder = [&](rlim_t limit) {
    FileSizeLimit scope(limit);
    Save(*picture, existing);
  };
  for (rlim_t shortfall : {rlim_t{1}, rlim_t{2}, rlim_t{511}, rlim_t{4096}, rlim_t{16383}, rlim_t{16384},
                           rlim_t{16385}, rlim_t{65537}, size / 2, size - 1, size}) {
    SCOPED_TRACE("short by " + std::to_string(shortfall) + " of " + std::to_string(size) + " bytes");
    ExpectFailedSaveChangesNothing([&] { saveUnder(size - shortfall); }, existing, dir.path(), "File too large");
  }
  ExpectPngOf(existing, old);

  saveUnder(size);
  EXPECT_EQ(ReadAll(existing), newBytes);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

// Only a regular file is replaced, found through symbolic links as an open
// finds it; it keeps its permission bits, and a new file gets those of the
// umask.
TEST(PictureFileTest, OnlyRegularFilesAreReplacedAndTheyKeepTheirMode) {
  QTemporaryDir dir;
  const auto picture = NoisyPicture(20, 10, 5);
  auto at = [&](const QString& name) { return QFile::encodeName(dir.filePath(name)); };

  ASSERT_EQ(mkfifo(at("pipe.png").constData(), 0644), 0);
  ASSERT_EQ(symlink("pipe.png", at("to-pipe.png").constData()), 0);
  ASSERT_EQ(symlink("to-pipe.png", at("to-link.png").constData()), 0);
  QStringList refused = {"pipe.png", "to-pipe.png", "to-link.png"};
  // A null device of our own; creating one may be forbidden here.
  if (mknod(at("null.png").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) refused << "null.png";
  for (const QString& name : refused) {
    SCOPED_TRACE(name.toStdString());
    ExpectFailedSaveChangesNothing([&] { Save(*picture, dir.filePath(name)); }, dir.filePath(name), dir.path(),
                                   "not a regular file");
  }

  for (mode_t mode : {0444, 0600, 0640, 0755, 0604}) {
    const QString path = dir.filePath(QString("mode%1.png").arg(mode, 0, 8));
    Save(Picture(1, 1), path);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
    Save(*picture, path);
    ExpectPngOf(path, *picture);
    EXPECT_EQ(ModeOf(path), mode) << path.toStdString();
  }

  // Through a chain of links the file it leads to is replaced, the links
  // stay; like any open, the save follows 40 links and no more.
  const QString target = dir.filePath("mode640.png");
  Save(Picture(1, 1), target);
  QString link = "mode640.png";
  for (int hops = 1; hops <= 41; ++hops) {
    const QString next = QString("link%1.png").arg(hops);
    ASSERT_EQ(symlink(QFile::encodeName(link).constData(), at(next).constData()), 0);
    link = next;
  }
  ExpectFailedSaveChangesNothing([&] { Save(Picture(1, 1), dir.filePath(link)); }, dir.filePath(link), dir.path(),
                                 "Too many levels of symbolic links");
  Save(*picture, dir.filePath("link40.png"));
  EXPECT_TRUE(QFileInfo(dir.filePath("link40.png")).isSymLink());
  ExpectPngOf(target, *picture);
  EXPECT_EQ(ModeOf(target), 0640u);

  for (mode_t mask : {022, 077}) {
    const mode_t previous = umask(mask);
    const QString path = dir.filePath(QString("new%1.png").arg(mask, 0, 8));
    Save(*picture, path);
    umask(previous);
    EXPECT_EQ(ModeOf(path), 0666 & ~mask) << path.toStdString();
  }
  // Through a dangling link the file is made, as an open makes it; a save
  // that fails removes it again.
  const QString dangling = dir.filePath("to-made.png");
  ASSERT_EQ(symlink("made.png", QFile::encodeName(dangling).constData()), 0);
  ExpectFailedSaveChangesNothing(
      [&] {
        FileSizeLimit nothing(0);
        Save(*picture, dangling);
      },
      dangling, dir.path(), "File too large");
  Save(*picture, dangling);
  ExpectPngOf(dir.filePath("made.png"), *picture);
}

// The extended attributes of a file, with their values.
std::map<std::string, std::string> AttributesOf(const QString& path) {
  std::map<std::string, std::string> attributes;
  const QByteArray file = QFile::encodeName(path);
  char names[4096], value[4096];
  const ssize_t length = listxattr(file.constData(), names, sizeof names);
  for (const char* name = names; name < names + std::max<ssize_t>(length, 0); name += strlen(name) + 1) {
    const ssize_t size = getxattr(file.constData(), name, value, sizeof value);
    attributes[name] = std::string(value, static_cast<size_t>(std::max<ssize_t>(size, 0)));
  }
  return attributes;
}

// A replaced file keeps its owner and group (root may set them), its
// extended attributes and its access control list with the group bits and
// mask as they were, and its mode less set-user-ID and set-group-ID.
TEST(PictureFileTest, AReplacedFileKeepsOwnerAttributesAndAccessControlList) {
  QTemporaryDir dir;
  const QString path = dir.filePath("kept.png");
  const QByteArray file = QFile::encodeName(path);
  Save(Picture(1, 1), path);
  const uid_t other = getuid() == 0 ? 65534 : getuid();
  ASSERT_EQ(chown(file.constData(), other, other == getuid() ? getgid() : other), 0);
  ASSERT_EQ(chmod(file.constData(), 06640), 0);
  if (setxattr(file.constData(), "user.comment", "Julia", 5, 0) != 0) GTEST_SKIP() << "no extended attributes here";
  // u::rw-, u:65534:rw-, g::r--, m::rw-, o::---: the mode shows the mask as
  // its group bits (0660), the group itself may only read.
  const uint32_t acl[] = {2,           0x00060001u, 0xFFFFFFFFu, 0x00060002u, 65534,      0x00040004u,
                          0xFFFFFFFFu, 0x00060010u, 0xFFFFFFFFu, 0x00000020u, 0xFFFFFFFFu};
  ASSERT_EQ(setxattr(file.constData(), "system.posix_acl_access", acl, sizeof acl, 0), 0);
  struct stat before {};
  ASSERT_EQ(stat(file.constData(), &before), 0);
  ASSERT_EQ(before.st_mode & 07777, 06660u);
  const auto attributes = AttributesOf(path);
  ASSERT_EQ(attributes.size(), 2u);

  const auto picture = NoisyPicture(8, 8, 6);
  Save(*picture, path);
  ExpectPngOf(path, *picture);
  struct stat after {};
  ASSERT_EQ(stat(file.constData(), &after), 0);
  EXPECT_EQ(std::make_pair(after.st_uid, after.st_gid), std::make_pair(before.st_uid, before.st_gid));
  EXPECT_EQ(after.st_mode & 07777, 0660u);
  EXPECT_EQ(AttributesOf(path), attributes);
}

// With the kernel's link protection on, a link that another user planted
// in a sticky, world-writable folder is not followed: the save fails like
// any open through it, and the file it points at stays as it is.
TEST(PictureFileTest, ALinkPlantedByAnotherUserInAStickyFolderIsRefused) {
  if (ReadAll("/proc/sys/fs/protected_symlinks").trimmed() != "1")
    GTEST_SKIP() << "the kernel's link protection (fs.protected_symlinks) is off";
  if (getuid() != 0) GTEST_SKIP() << "planting a link of another user takes root";
  QTemporaryDir shared, home;
  ASSERT_EQ(chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
  const QString notes = home.filePath("notes.txt"), planted = shared.filePath("pic.png");
  QFile text(notes);
  ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("private notes") > 0);
  text.close();
  ASSERT_EQ(symlink(QFile::encodeName(notes).constData(), QFile::encodeName(planted).constData()), 0);
  ASSERT_EQ(lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
  ExpectFailedSaveChangesNothing([&] { Save(Picture(2, 2), planted); }, planted, shared.path(), "Permission denied");
  EXPECT_EQ(ReadAll(notes), "private notes");
}

// A save killed on its way leaves the old file or the whole new one.
// Killed while writing (by SIGXFSZ at a file-size limit, from the first
// byte on), it leaves nothing else in the folder either.
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
  auto entries = [&] {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(" ").toStdString();
  };
  for (rlim_t limit = 0; limit < static_cast<rlim_t>(newBytes.size()); limit += newBytes.size() / 8 + 1) {
    auto save = [&] {
      std::signal(SIGXFSZ, SIG_DFL);
      const rlimit lowered{limit, RLIM_INFINITY};
      setrlimit(RLIMIT_FSIZE, &lowered);
      Save(*picture, path);
      std::_Exit(0);
    };
    EXPECT_EXIT(save(), ::testing::KilledBySignal(SIGXFSZ), "") << limit;
    EXPECT_EQ(entries(), "killed.png") << "killed at " << limit << " bytes";
    EXPECT_EQ(ReadAll(path), oldBytes);
  }
  // Saves of the old and the new picture in turn, ended by SIGKILL from
  // another thread at whatever moment it comes.
  for (int run = 0; run < 6; ++run) {
    auto saveUntilKilled = [&] {
      std::thread([run] {
        std::this_thread::sleep_for(std::chrono::microseconds(1 + 997 * run));
        raise(SIGKILL);
      }).detach();
      for (int i = 0;; ++i) Save(i % 2 == 0 ? *picture : old, path);
    };
    EXPECT_EXIT(saveUntilKilled(), ::testing::KilledBySignal(SIGKILL), "");
    const QByteArray bytes = ReadAll(path);
    EXPECT_TRUE(bytes == oldBytes || bytes == newBytes) << "run " << run;
  }
}

// A folder that allows no new file, or no replacing of the file, refuses
// a save even of a file that may be written; the reason says so.
TEST(PictureFileDeathTest, AFolderThatAllowsNoNewFileIsNamedAsTheReason) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child saves into the folder made here
  // Root passes any folder's permissions: the save is made as nobody.
  const bool root = getuid() == 0;
  for (mode_t folderMode : {0755, 01777}) {
    if (folderMode == 01777 && !root) break;  // the file must belong to another user
    QTemporaryDir dir;
    const QString path = dir.filePath("open.png");
    Save(Picture(1, 1), path);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0666), 0);
    ASSERT_EQ(chmod(QFile::encodeName(dir.path()).constData(), root ? folderMode : 0555), 0);
    const Snapshot before = Take(dir.path());
    auto save = [&] {
      if (root && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) std::_Exit(2);
      try {
        Save(Picture(2, 2), path);
      } catch (const fw::IOException& e) {
        std::fprintf(stderr, "%s\n", e.what());
      }
      std::_Exit(0);
    };
    EXPECT_EXIT(save(), ::testing::ExitedWithCode(0), "open\\.png\": its folder does not allow a new file");
    EXPECT_TRUE(Take(dir.path()) == before);
    chmod(QFile::encodeName(dir.path()).constData(), 0700);
  }
}

// A type with several extensions offers them all and suggests the first; a
// name that no type has gives a dialog without a filter or suffix. A name
// typed without any "." gets the suffix.
TEST(SaveDialogTest, TheFilterNamesTheTypeAndANameWithoutExtensionGetsTheFirst) {
  if (!FileTypes1::Png()) FileTypes1::Initialize();
  fw::SaveDialogRequest request;
  std::optional<std::string> typed;
  AnswerScope scope([&](const fw::SaveDialogRequest& r) {
    request = r;
    return typed;
  });
  const struct {
    const char *filter, *typed, *nameFilter, *saved;
  } cases[] = {{"image/png", "/tmp/a.b/bild", "image/png (*.png)", "/tmp/a.b/bild.png"},
               {"image/png", "/tmp/bild.v2", "image/png (*.png)", "/tmp/bild.v2"},
               {"text/html", "/tmp/page", "text/html (*.html *.htm)", "/tmp/page.html"},
               {"special/any", "/tmp/page", "special/any (*.*)", "/tmp/page"},
               {"application/json", "/tmp/page", "", "/tmp/page"}};
  for (const auto& c : cases) {
    typed = c.typed;
    EXPECT_EQ(fw::GetSaveFolderItem(c.filter, "x"), std::optional<std::string>(c.saved)) << c.filter;
    EXPECT_EQ(request.nameFilter, c.nameFilter);
  }
  typed = "";
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "x"), std::nullopt);
}

}  // namespace
