// File > Save: the canvas written as a PNG file through the save dialog.
#include <sys/resource.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/App.h"
#include "framework/ui/SaveDialog.h"
#include "tests/app/WindowFixture.h"

namespace {

class Save : public ::testing::Test {
 protected:
  void SetUp() override {
    w = OpenWindow();
    ASSERT_TRUE(dir.isValid());
    previous = fw::SetSaveDialogAnswer([this](const fw::SaveDialogRequest& r) -> std::optional<std::string> {
      requests.push_back(r);
      return answer;
    });
  }
  void TearDown() override { fw::SetSaveDialogAnswer(previous); }

  std::string PathOf(const char* name) const { return dir.filePath(QString::fromUtf8(name)).toStdString(); }

  // Saves through the menu command's route, as File > Save does.
  bool SaveVia(std::optional<std::string> path) {
    answer = std::move(path);
    return w->HandleMenuCommand(*w->FileSave());
  }

  // The file's pixels against the canvas picture, colour and alpha.
  ::testing::AssertionResult FileShowsCanvas(const std::string& path) {
    QImage image(QString::fromStdString(path), "PNG");
    if (image.isNull()) return ::testing::AssertionFailure() << "no PNG at " << path;
    if (image.width() != 500 || image.height() != 500)
      return ::testing::AssertionFailure() << "size " << image.width() << "x" << image.height();
    image = image.convertToFormat(QImage::Format_ARGB32);
    fw::Picture& p = *w->CVBackdrop;
    for (int y = 0; y < 500; ++y)
      for (int x = 0; x < 500; ++x) {
        const fw::Color c = p.RGBSurface().Pixel(x, y);
        const QRgb q = image.pixel(x, y);
        if (qRed(q) != c.Red() || qGreen(q) != c.Green() || qBlue(q) != c.Blue() || qAlpha(q) != c.Alpha())
          return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ")";
      }
    return ::testing::AssertionSuccess();
  }

  ReportCapture capture;
  std::unique_ptr<MW> w;
  QTemporaryDir dir;
  std::optional<std::string> answer;
  std::vector<fw::SaveDialogRequest> requests;
  fw::SaveDialogAnswer previous;
};

TEST_F(Save, WritesTheCanvasWithItsOutlineAsPNG) {
  w->QuorixPB5_Action(w->QuorixPB5());
  QTest::mousePress(w->QuorixCV(), Qt::LeftButton, {}, QPoint(100, 120));
  QTest::mouseRelease(w->QuorixCV(), Qt::LeftButton, {}, QPoint(180, 300));
  const std::string path = PathOf("fractal");  // typed without ".png"
  EXPECT_TRUE(SaveVia(path));
  EXPECT_TRUE(capture.reports.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
  EXPECT_TRUE(FileShowsCanvas(path + ".png"));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].proposedName, "名称未決定.png");
  EXPECT_EQ(requests[0].defaultSuffix, "png");
  EXPECT_NE(requests[0].nameFilter.find("*.png"), std::string::npos);
}

TEST_F(Save, BeforeAnyRenderTheFileIsFullyTransparent) {
  const std::string path = PathOf("empty.png");
  EXPECT_TRUE(SaveVia(path));
  QImage image(QString::fromStdString(path));
  ASSERT_FALSE(image.isNull());
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < 500; y += 7)
    for (int x = 0; x < 500; x += 7) ASSERT_EQ(qAlpha(image.pixel(x, y)), 0);
  EXPECT_TRUE(FileShowsCanvas(path));
}

TEST_F(Save, CancelWritesNothingAndTwoSavesProposeTheSameName) {
  EXPECT_TRUE(SaveVia(std::nullopt));
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  EXPECT_TRUE(capture.reports.empty());
  EXPECT_TRUE(SaveVia(PathOf("a.png")));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].proposedName, requests[1].proposedName);
}

TEST_F(Save, AFailedSaveIsReportedAndLeavesTheOldFileUntouched) {
  // An existing file at the target path ...
  const std::string path = PathOf("keep.png");
  {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old contents");
  }
  // ... cannot be replaced when its folder is not writable. Tests run as
  // root, so make the folder unusable by putting a file where it would be.
  const std::string blocked = PathOf("notafolder");
  {
    QFile f(QString::fromStdString(blocked));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  w->QuorixPB0_Action(w->QuorixPB0());
  // Through the real menu action: the exception must reach the report.
  QAction* save = w->MenuAction("FileSave");
  ASSERT_NE(save, nullptr);
  answer = blocked + "/x.png";
  save->trigger();
  ASSERT_EQ(capture.reports.size(), 1u);
  EXPECT_EQ(capture.reports.back().className, "IOException");
  EXPECT_NE(capture.reports.back().message.find("notafolder"), std::string::npos);

  answer = PathOf("missing/x.png");
  save->trigger();
  ASSERT_EQ(capture.reports.size(), 2u);
  EXPECT_NE(capture.reports.back().message.find("missing"), std::string::npos);

  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("old contents"));
  // The window goes on working.
  answer = PathOf("after.png");
  EXPECT_TRUE(w->HandleMenuCommand(*w->FileSave()));
  EXPECT_TRUE(FileShowsCanvas(PathOf("after.png")));
}

// Under a file-size limit (as `ulimit -f 10`), with SIGXFSZ at its default
// disposition, the program as it starts up survives a save that outgrows
// the limit: the save is reported as failed and the program goes on to quit
// normally. Runs in a child process, since without that set-up the signal
// ends the process.
TEST(SaveUnderFileSizeLimitDeathTest, TheSaveFailsWithTheReasonAndTheProgramGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("limited.png").toStdString();
  auto run = [&path] {
    std::signal(SIGXFSZ, SIG_DFL);
    fw::SetSaveDialogAnswer([path](const fw::SaveDialogRequest&) { return std::optional<std::string>(path); });
    QTimer::singleShot(0, [] {
      MW* w = MW::Implicit();
      w->QuorixPB0_Action(w->QuorixPB0());  // a rendered canvas: a PNG well over 10 KiB
      rlimit limit{};
      getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = 10 * 1024;
      setrlimit(RLIMIT_FSIZE, &limit);
      w->MenuAction("FileSave")->trigger();
      std::fprintf(stderr, "after the save\n");
      fw::Quit(0);
    });
    const int status = startup::Main();
    startup::Finalise();
    std::fflush(nullptr);
    std::_Exit(status);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0),
              "unhandled IOException: [^\n]*limited\\.png[^\n]*File too large.*after the save");
}

}  // namespace
