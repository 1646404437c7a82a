// File > Save: the canvas written as a PNG file through the save dialog.
#include <sys/resource.h>

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/App.h"
#include "tests/app/WindowFixture.h"

namespace {

// Cancelling writes nothing; before any render the canvas saves as fully transparent; a rendered canvas with its
// outline is saved under the name typed, given ".png" where it has no extension. The dialog's filter names the type's
// extensions, and a name typed without any "." gets the first; a name that no type has gives no filter or suffix.
TEST(Save, WritesTheCanvasWithItsOutlineAsPNGOrNothingWhenCancelled) {
  ReportCapture capture;
  const std::unique_ptr<MW> w = OpenWindow();
  QTemporaryDir dir;
  std::vector<fw::SaveDialogRequest> asked;
  std::optional<std::string> answer;
  AnswerScope scope([&](const fw::SaveDialogRequest& r) {
    asked.push_back(r);
    return answer;
  });
  auto saveVia = [&](std::optional<std::string> path) {  // the menu command's route, as File > Save takes it
    answer = std::move(path);
    return w->HandleMenuCommand(*w->FileSave());
  };
  EXPECT_TRUE(saveVia(std::nullopt));
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
  EXPECT_TRUE(saveVia(dir.filePath("empty.png").toStdString()));
  EXPECT_EQ(QImage(dir.filePath("empty.png")).pixelColor(250, 250).alpha(), 0);
  ExpectPngOf(dir.filePath("empty.png"), *w->CVBackdrop);
  w->QuorixPB5_Action(w->QuorixPB5());
  QTest::mousePress(w->QuorixCV(), Qt::LeftButton, {}, QPoint(100, 120));
  QTest::mouseRelease(w->QuorixCV(), Qt::LeftButton, {}, QPoint(180, 300));
  EXPECT_TRUE(saveVia(dir.filePath("fractal").toStdString()));
  ExpectPngOf(dir.filePath("fractal.png"), *w->CVBackdrop);
  EXPECT_TRUE(capture.reports.empty());
  EXPECT_EQ(asked.size(), 3u);
  for (const auto& r : asked) EXPECT_EQ(r.proposedName + " " + r.nameFilter, "名称未決定.png image/png (*.png)");
  const struct {
    const char *filter, *typed, *nameFilter, *saved;
  } cases[] = {{"image/png", "/tmp/a.b/bild", "image/png (*.png)", "/tmp/a.b/bild.png"},
               {"image/png", "/tmp/bild.v2", "image/png (*.png)", "/tmp/bild.v2"},
               {"text/html", "/tmp/page", "text/html (*.html *.htm)", "/tmp/page.html"},
               {"special/any", "/tmp/page", "special/any (*.*)", "/tmp/page"},
               {"application/json", "/tmp/page", "", "/tmp/page"}};
  for (const auto& c : cases) {
    answer = c.typed;
    EXPECT_EQ(fw::GetSaveFolderItem(c.filter, "x"), std::optional<std::string>(c.saved)) << c.filter;
    EXPECT_EQ(asked.back().nameFilter, c.nameFilter);
  }
  answer = "";
  EXPECT_EQ(fw::GetSaveFolderItem("image/png", "x"), std::nullopt);
}

// The message box of a failed save speaks the user's words alone; the exception's class goes to stderr.
TEST(Save, TheMessageBoxOfAFailedSaveGivesWhatFailedAndWhy) {
  const fw::ReportSink quiet = fw::SetReportSink({});
  const std::string message = "Could not save the picture to \"x.png\": File too large";
  QString shown;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = box->text() + box->informativeText() + box->detailedText();
      box->done(0);
    }
  });
  poll.start(1);
  fw::UnhandledException(std::make_exception_ptr(fw::IOException(message)));
  fw::SetReportSink(quiet);
  EXPECT_EQ(shown.toStdString(), message);
}

// Under a file-size limit (as `ulimit -f 10`) with SIGXFSZ at its default, the program as it starts up survives a
// save that outgrows the limit: the report's first line says what could not be done and why, a later one the
// exception's class, and the program goes on and quits normally. In a child process (which makes and removes the
// folder), since without that set-up the signal ends the process.
TEST(SaveUnderFileSizeLimitDeathTest, TheSaveFailsWithTheReasonAndTheProgramGoesOn) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [] {
    QTemporaryDir dir;
    const std::string path = dir.filePath("limited.png").toStdString();
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
    dir.remove();
    std::fflush(nullptr);
    std::_Exit(status);
  };
  EXPECT_EXIT(run(), ::testing::ExitedWithCode(0),
              "Quorix: Could not save the picture to [^\n]*limited\\.png[^\n]*File too large\n"
              "[^\n]*IOException.*after the save");
}

}  // namespace
