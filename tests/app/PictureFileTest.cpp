#include "framework/ui/PictureFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <functional>
#include <random>

#include "app/FileTypes1.h"
#include "framework/core/Runtime.h"
#include "framework/ui/SaveDialog.h"

namespace {

using fw::Picture;

// A picture with every kind of pixel: opaque, half and fully transparent,
// the fully transparent ones with colour bytes of their own.
std::unique_ptr<Picture> NoisyPicture(int64_t width, int64_t height, uint32_t seed) {
  auto picture = std::make_unique<Picture>(width, height);
  std::mt19937 random(seed);
  const uint32_t transparency[] = {0x00, 0x01, 0x80, 0xFE, 0xFF};
  for (int64_t i = 0; i < width * height; ++i) {
    picture->Data()[i] = (transparency[random() % 5] << 24) | (random() & 0xFFFFFF);
  }
  return picture;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Expects the file at path to be a PNG holding exactly the picture's pixels.
void ExpectPngOf(const QString& path, const Picture& picture) {
  const QByteArray bytes = ReadAll(path);
  ASSERT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n")) << path.toStdString();
  QImageReader reader(path);
  EXPECT_EQ(reader.format(), "png");
  const QImage read = reader.read();
  ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
  const QImage image = read.convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.width(), picture.Width());
  ASSERT_EQ(image.height(), picture.Height());
  int64_t mismatches = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const uint32_t expected = picture.Data()[y * picture.Width() + x] ^ 0xFF000000u;  // alpha = 255 - t
      if (line[x] != expected && mismatches++ < 5) {
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << line[x] << " != " << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// What a folder holds, without following links: every entry's name, type
// and mode, inode, and for a regular file its bytes (a pipe is never opened).
struct Entry {
  QString name;
  mode_t mode;
  ino_t inode;
  QByteArray bytes;
  bool operator==(const Entry&) const = default;
};
std::vector<Entry> Snapshot(const QString& folder) {
  std::vector<Entry> entries;
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    struct stat st {};
    if (lstat(QFile::encodeName(dir.filePath(name)).constData(), &st) != 0) continue;
    entries.push_back({name, st.st_mode, st.st_ino, S_ISREG(st.st_mode) ? ReadAll(dir.filePath(name)) : QByteArray()});
  }
  return entries;
}

// Runs save, expects an IOException whose message names path and gives
// reason (or any reason when empty), and expects folder (unless empty) to
// hold the same entries with the same bytes as before.
void ExpectFailedSaveChangesNothing(const std::function<void()>& save, const std::string& path,
                                    const QString& folder, const std::string& reason = "") {
  const std::vector<Entry> before = folder.isEmpty() ? std::vector<Entry>() : Snapshot(folder);
  try {
    save();
    ADD_FAILURE() << "saving to " << path << " did not fail";
  } catch (const fw::IOException& e) {
    EXPECT_STREQ(e.ClassName(), "IOException");
    const std::string message = e.what();
    EXPECT_NE(message.find("\"" + path + "\""), std::string::npos) << message;
    EXPECT_GT(message.size(), message.find("\": ") + 4) << "no reason given: " << message;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    if (!reason.empty()) {
      EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
  }
  if (folder.isEmpty()) return;
  const std::vector<Entry> after = Snapshot(folder);
  EXPECT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
    EXPECT_TRUE(after[i] == before[i]) << "changed: " << before[i].name.toStdString() << " / "
                                       << after[i].name.toStdString();
  }
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
  ASSERT_TRUE(dir.isValid());

  const auto noisy = NoisyPicture(500, 500, 1);
  const QString path = dir.filePath("名称未決定.png");
  fw::SavePicture(*noisy, path.toStdString(), fw::kPictureFormatPNG, -1);
  ExpectPngOf(path, *noisy);
  EXPECT_TRUE(QImage(path).hasAlphaChannel());

  // A new picture is fully transparent black; saving over the file replaces it.
  const Picture empty(500, 500);
  fw::SavePicture(empty, path.toStdString(), fw::kPictureFormatPNG, -1);
  ExpectPngOf(path, empty);

  // Every quality writes the same pixels; only the compression differs.
  const auto small = NoisyPicture(7, 3, 2);
  for (int64_t quality : {0, 50, 100}) {
    const QString q = dir.filePath(QString("q%1.png").arg(quality));
    fw::SavePicture(*small, q.toStdString(), 150, quality);
    ExpectPngOf(q, *small);
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);  // no temporary file left
}

TEST(PictureFileTest, BadArgumentsRaiseAndWriteNothing) {
  QTemporaryDir dir;
  const Picture picture(4, 4);
  const std::string path = dir.filePath("bad.png").toStdString();
  EXPECT_THROW(fw::SavePicture(picture, "", 150, -1), fw::NilObjectException);
  for (int64_t quality : {-2, 101}) {
    try {
      fw::SavePicture(picture, path, 150, quality);
      ADD_FAILURE() << "quality " << quality << " accepted";
    } catch (const fw::OutOfBoundsException& e) {
      EXPECT_STREQ(e.what(), "The compression value is out of range, valid values are 0-100");
    }
  }
  try {
    fw::SavePicture(picture, path, 151, -1);
    ADD_FAILURE() << "format 151 accepted";
  } catch (const fw::OutOfBoundsException& e) {
    EXPECT_NE(std::string(e.what()).find("151"), std::string::npos);
  }
  EXPECT_THROW(fw::SavePicture(Picture(0, 5), path, 150, -1), fw::OutOfBoundsException);
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(PictureFileTest, UnwritablePlacesRaiseAndLeaveFilesUntouched) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto picture = NoisyPicture(300, 300, 3);
  auto saveTo = [&](const std::string& path) {
    return [&picture, path] { fw::SavePicture(*picture, path, 150, -1); };
  };

  // A missing folder, and a "folder" that is a regular file.
  const std::string missing = dir.filePath("no such folder/bild.png").toStdString();
  ExpectFailedSaveChangesNothing(saveTo(missing), missing, dir.path());
  QFile plain(dir.filePath("plain"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.write("not a folder");
  plain.close();
  const std::string underFile = dir.filePath("plain/bild.png").toStdString();
  ExpectFailedSaveChangesNothing(saveTo(underFile), underFile, dir.path());

  // A path that names a folder: the folder stays.
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
  const std::string folder = dir.filePath("taken.png").toStdString();
  ExpectFailedSaveChangesNothing(saveTo(folder), folder, dir.path());
  EXPECT_TRUE(QFileInfo(dir.filePath("taken.png")).isDir());

  // An existing file in a folder nobody may write to (root included).
  const QByteArray version = ReadAll("/proc/version");
  if (!version.isEmpty()) {
    ExpectFailedSaveChangesNothing(saveTo("/proc/version"), "/proc/version", "");
    EXPECT_EQ(ReadAll("/proc/version"), version);
  }
}

// The disk runs out partway through replacing a file, short of the new PNG
// by anything from one byte to the whole file: the save either fails,
// naming the reason, with the old file untouched and no temporary file
// left, or (with room enough) writes the whole new PNG.
TEST(PictureFileTest, ADiskThatRunsOutLeavesTheOldFileOrTheWholeNewOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto picture = NoisyPicture(400, 400, 4);  // hardly compressible: about 640 KB
  const QString reference = dir.filePath("reference.png");
  fw::SavePicture(*picture, reference.toStdString(), 150, -1);
  const QByteArray newBytes = ReadAll(reference);
  const auto size = static_cast<rlim_t>(newBytes.size());
  ASSERT_GT(size, 200000u);

  const std::string existing = dir.filePath("existing.png").toStdString();
  const Picture old(2, 2);
  fw::SavePicture(old, existing, 150, -1);
  auto saveUnder = [&](rlim_t limit) {
    return [&picture, existing, limit] {
      FileSizeLimit scope(limit);
      fw::SavePicture(*picture, existing, 150, -1);
    };
  };
  for (rlim_t shortfall : {rlim_t{1}, rlim_t{2}, rlim_t{511}, rlim_t{4096}, rlim_t{16383}, rlim_t{16384},
                           rlim_t{16385}, rlim_t{65537}, size / 2, size - 1, size}) {
    SCOPED_TRACE("short by " + std::to_string(shortfall) + " of " + std::to_string(size) + " bytes");
    ExpectFailedSaveChangesNothing(saveUnder(size - shortfall), existing, dir.path(), "File too large");
  }
  ExpectPngOf(QString::fromStdString(existing), old);

  saveUnder(size)();
  EXPECT_EQ(ReadAll(QString::fromStdString(existing)), newBytes);
  ExpectPngOf(QString::fromStdString(existing), *picture);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

// Only a regular file is replaced, found through any symbolic links; it
// keeps its permission bits, and a new file gets those of the umask.
TEST(PictureFileTest, OnlyRegularFilesAreReplacedAndTheyKeepTheirMode) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto picture = NoisyPicture(20, 10, 5);
  auto saveTo = [&](const QString& path) {
    return [&picture, path] { fw::SavePicture(*picture, path.toStdString(), 150, -1); };
  };

  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("pipe.png")).constData(), 0644), 0);
  ASSERT_EQ(symlink("pipe.png", QFile::encodeName(dir.filePath("to-pipe.png")).constData()), 0);
  ASSERT_EQ(symlink("to-pipe.png", QFile::encodeName(dir.filePath("to-link.png")).constData()), 0);
  QStringList refused = {"pipe.png", "to-pipe.png", "to-link.png"};
  // A null device of our own; creating one may be forbidden here.
  if (mknod(QFile::encodeName(dir.filePath("null.png")).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    refused << "null.png";
  }
  for (const QString& name : refused) {
    SCOPED_TRACE(name.toStdString());
    ExpectFailedSaveChangesNothing(saveTo(dir.filePath(name)), dir.filePath(name).toStdString(), dir.path(),
                                   "not a regular file");
  }
  QDir(dir.path()).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(dir.path()));

  for (mode_t mode : {0444, 0600, 0640, 0755, 0604}) {
    const QString path = dir.filePath(QString("mode%1.png").arg(mode, 0, 8));
    fw::SavePicture(Picture(1, 1), path.toStdString(), 150, -1);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), mode), 0);
    saveTo(path)();
    ExpectPngOf(path, *picture);
    EXPECT_EQ(ModeOf(path), mode) << path.toStdString();
  }

  // Through a link the file it leads to is replaced; the link stays.
  const QString target = dir.filePath("target.png");
  fw::SavePicture(Picture(1, 1), target.toStdString(), 150, -1);
  ASSERT_EQ(chmod(QFile::encodeName(target).constData(), 0640), 0);
  const QString link = dir.filePath("link.png");
  ASSERT_EQ(symlink("target.png", QFile::encodeName(link).constData()), 0);
  saveTo(link)();
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  ExpectPngOf(target, *picture);
  EXPECT_EQ(ModeOf(target), 0640u);

  for (mode_t mask : {022, 077}) {
    const mode_t previous = umask(mask);
    const QString path = dir.filePath(QString("new%1.png").arg(mask, 0, 8));
    saveTo(path)();
    umask(previous);
    EXPECT_EQ(ModeOf(path), 0666 & ~mask) << path.toStdString();
  }
}

// ------------------------------------------------------------ save dialog

void RegisterFileTypes() {
  if (FileTypes1::pAllFileTypes.empty()) FileTypes1::Initialize();
}

// Installs an answer for the duration of a test.
struct AnswerScope {
  explicit AnswerScope(fw::SaveDialogAnswer a) : previous(fw::SetSaveDialogAnswer(std::move(a))) {}
  ~AnswerScope() { fw::SetSaveDialogAnswer(previous); }
  fw::SaveDialogAnswer previous;
};

TEST(SaveDialogTest, AnswerSeamCancelsAndAddsTheSuffix) {
  RegisterFileTypes();
  std::vector<fw::SaveDialogRequest> requests;
  std::optional<std::string> typed;
  AnswerScope scope([&](const fw::SaveDialogRequest& r) {
    requests.push_back(r);
    return typed;
  });

  typed = std::nullopt;
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "名称未決定.png"), std::nullopt);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].nameFilter, "image/png (*.png)");
  EXPECT_EQ(requests[0].defaultSuffix, "png");
  EXPECT_EQ(requests[0].proposedName, "名称未決定.png");
  typed = "";
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "名称未決定.png"), std::nullopt);

  const std::pair<const char*, const char*> names[] = {
      {"/tmp/bild", "/tmp/bild.png"},
      {"/tmp/名称未決定", "/tmp/名称未決定.png"},
      {"/tmp/bild.png", "/tmp/bild.png"},
      {"/tmp/bild.PNG", "/tmp/bild.PNG"},
      {"/tmp/bild.v2", "/tmp/bild.v2"},  // a name with an extension is kept as typed
      {"/tmp/a.b/bild", "/tmp/a.b/bild.png"},
  };
  for (const auto& [in, out] : names) {
    typed = in;
    EXPECT_EQ(fw::GetSaveFolderItem("image/png", "名称未決定.png"), std::optional<std::string>(out)) << in;
  }

  // Types with several extensions offer them all and suggest the first;
  // a name that no type has gives a dialog without a filter or suffix.
  typed = "/tmp/page";
  EXPECT_EQ(fw::GetSaveFolderItem("text/html", "x"), std::optional<std::string>("/tmp/page.html"));
  EXPECT_EQ(requests.back().nameFilter, "text/html (*.html *.htm)");
  EXPECT_EQ(fw::GetSaveFolderItem("special/any", "x"), std::optional<std::string>("/tmp/page"));
  EXPECT_EQ(requests.back().nameFilter, "special/any (*.*)");
  EXPECT_EQ(fw::GetSaveFolderItem("application/json", "x"), std::optional<std::string>("/tmp/page"));
  EXPECT_EQ(requests.back().nameFilter, "");
  EXPECT_EQ(requests.back().defaultSuffix, "");
}

// The real dialog, driven from a timer while it runs modally.
TEST(SaveDialogTest, QtDialogOffersThePngTypeAndAsksBeforeReplacing) {
  AnswerScope realDialog{fw::SaveDialogAnswer()};  // the Qt dialog itself, driven by a timer
  RegisterFileTypes();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());

  // Runs action on the dialog once it is up.
  auto whenShown = [](std::function<void(QFileDialog*)> action) {
    QTimer::singleShot(0, [action] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        ADD_FAILURE() << "no file dialog";
        if (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
        return;
      }
      action(dialog);
    });
  };

  whenShown([](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), QStringList{"image/png (*.png)"});
    EXPECT_EQ(dialog->defaultSuffix(), "png");
    dialog->reject();
  });
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "名称未決定.png"), std::nullopt);

  whenShown([&](QFileDialog* dialog) {
    dialog->selectFile(dir.filePath("bild"));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);  // as pressing Save
  });
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "名称未決定.png"),
            std::optional<std::string>(dir.filePath("bild.png").toStdString()));

  // Replacing an existing file is asked first; answering No keeps the dialog open.
  QFile existing(dir.filePath("bild.png"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  int asked = 0;
  whenShown([&](QFileDialog* dialog) {
    QTimer::singleShot(0, [&, dialog] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box) {
        ++asked;
        box->button(QMessageBox::No) ? box->button(QMessageBox::No)->click() : box->reject();
      }
      QTimer::singleShot(0, dialog, &QFileDialog::reject);
    });
    dialog->selectFile(dir.filePath("bild"));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);  // as pressing Save
  });
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "名称未決定.png"), std::nullopt);
  EXPECT_EQ(asked, 1);
}

}  // namespace
