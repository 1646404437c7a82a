// File > Save: the canvas written as a PNG file through the save dialog.
#include <sys/resource.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/App.h"
#include "tests/app/WindowFixture.h"

namespace {

class Save : public ::testing::Test {
 protected:
  void SetUp() override { w = OpenWindow(); }

  std::string PathOf(const char* name) const { return dir.filePath(QString::fromUtf8(name)).toStdString(); }

  // Saves through the menu command's route, as File > Save does.
  bool SaveVia(std::optional<std::string> path) {
    answer = std::move(path);
    return w->HandleMenuCommand(*w->FileSave());
  }

  void ExpectFileShowsCanvas(const std::string& path) { ExpectPngOf(QString::fromStdString(path), *w->CVBackdrop); }

  ReportCapture capture;
  std::unique_ptr<MW> w;
  QTemporaryDir dir;
  std::optional<std::string> answer;
  std::vector<fw::SaveDialogRequest> requests;
  AnswerScope scope{[this](const fw::SaveDialogRequest& r) {
    requests.push_back(r);
    return answer;
  }};
};

TEST_F(Save, WritesTheCanvasWithItsOutlineAsPNG) {
  w->QuorixPB5_Action(w->QuorixPB5());
  QTest::mousePress(w->QuorixCV(), Qt::LeftButton, {}, QPoint(100, 120));
  QTest::mouseRelease(w->QuorixCV(), Qt::LeftButton, {}, QPoint(180, 300));
  const std::string path = PathOf("fractal");  // typed without ".png"
  EXPECT_TRUE(SaveVia(path));
  EXPECT_TRUE(capture.reports.empty());
  ExpectFileShowsCanvas(path + ".png");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].proposedName, "名称未決定.png");
  EXPECT_EQ(requests[0].nameFilter, "image/png (*.png)");
}

TEST_F(Save, CancelWritesNothingAndBeforeAnyRenderTheFileIsTransparent) {
  EXPECT_TRUE(SaveVia(std::nullopt));
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  EXPECT_TRUE(capture.reports.empty());
  const std::string path = PathOf("empty.png");
  EXPECT_TRUE(SaveVia(path));
  EXPECT_EQ(QImage(QString::fromStdString(path)).pixelColor(250, 250).alpha(), 0);
  ExpectFileShowsCanvas(path);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].proposedName, "名称未決定.png");
}

// Under a file-size limit (as `ulimit -f 10`) with SIGXFSZ at its default,
// the program as it starts up survives a save that outgrows the limit: the
// failure reaches the report through the menu command, whose first line
// says what could not be done and why and a later one the exception's
// class, and the program goes on and quits normally. In a child process,
// since without that set-up the signal ends the process.
TEST(SaveUnderFileSizeLimitDeathTest, TheSaveFailsWithTheReasonAndTheProgramGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  QTemporaryDir dir;
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
              "Quorix: Could not save the picture to [^\n]*limited\\.png[^\n]*File too large\n"
              "[^\n]*IOException.*after the save");
}

}  // namespace
