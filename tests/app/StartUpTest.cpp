// The start-up and the end of the process, and the settings never kept.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include "app/App.h"
#include "app/MainMenuBar.h"
#include "framework/core/FileType.h"
#include "framework/ui/Application.h"
#include "tests/app/WindowFixture.h"

namespace {

// The start sequence as the framework sees it, once through: every step in its place, the application complete when it
// is registered, and the window made by the late start before the event loop runs; closing that window quits with 0.
TEST(StartUp, RunsItsStepsInOrderAndClosingTheWindowQuitsWithZero) {
  ReportCapture capture;
  std::vector<std::string> steps;
  auto previous = fw::SetStartTraceSink([&steps](std::string_view name) {
    std::string step(name);
    if (step == "file type") {
      if (!steps.empty() && steps.back() == "file types") return;  // thirteen in a row
      step = "file types";
    } else if (step == "application") {
      const fw::Application* app = fw::Application::Current();
      const auto& v = app->Version();
      step += " " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.bug);
      if (app->MenuBar() == MainMenuBar::Instance()) step += " with the menu bar";
      if (fw::FileTypeRegistry::Instance().Find("image/png")) step += " after image/png";
    } else if (step == "event loop") {
      if (MW* w = dynamic_cast<MW*>(fw::GetImplicitWindow(MW::kClassName)); w && w->isVisible() && w == MW::Implicit())
        step += " with the window open";
      QTimer::singleShot(0, [] {
        fw::Quit(5);
        MW::Implicit()->close();
      });
    }
    steps.push_back(step);
  });
  EXPECT_EQ(startup::Main(), 0);
  fw::SetStartTraceSink(previous);
  EXPECT_TRUE(fw::Application::FrameworkVersion() == 2019.031 && fw::Application::SupportsHiDPI());
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "exception hook", "framework version", "HiDPI", "built-in classes", "plug-ins", "file types",
                       "application 1.0.0 with the menu bar after image/png", "framework initialisation",
                       "implicit window MW.MW", "event loop with the window open"}));
  EXPECT_TRUE(capture.reports.empty());
  startup::Finalise();  // releases the window and the application
  EXPECT_TRUE(fw::GetImplicitWindow(MW::kClassName) == nullptr && fw::Application::Current() == nullptr);
  // Plug-in classes the framework lacks stop the start.
  EXPECT_NO_THROW(fw::InitPluginEntrypoints({"UpDownArrows"}));
  EXPECT_THROW(fw::InitPluginEntrypoints({"UpDownArrows", "DisclosureTriangle"}), fw::RuntimeException);
}

// Qt's file dialog keeps its history, last folder and view in a settings file of the user's. The real dialog, one
// for saving, shown for PNG and cancelled, neither picks up what such a file holds nor changes or adds any file.
TEST(NoSettings, TheSaveDialogReadsAndWritesNoSettingsFile) {
  QTemporaryDir config;
  const QString remembered = config.filePath(QStringLiteral("remembered"));
  ASSERT_TRUE(QDir().mkpath(remembered));
  const QByteArray url = "file://" + remembered.toUtf8();
  const QByteArray stored = "[FileDialog]\nhistory=" + url + "\nlastVisited=" + url + "\nviewMode=List\n";
  QFile file(config.filePath(QStringLiteral("QtProject.conf")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(stored) == stored.size() && file.flush());
  file.close();
  const auto restore = qScopeGuard([old = qgetenv("XDG_CONFIG_HOME")] {
    old.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", old);
  });
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  fw::KeepNoSettings();
  if (!FileTypes1::Png()) FileTypes1::Initialize();
  AnswerScope realDialog{fw::SaveDialogAnswer()};
  bool shown = false;
  std::optional<std::string> chosen = "not shown";
  QTimer::singleShot(0, [&] {  // shown from inside the event loop, as File > Save shows it
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      shown = true;
      EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
      EXPECT_NE(dialog->directory().absolutePath(), remembered);
      EXPECT_EQ(dialog->viewMode(), QFileDialog::Detail);  // the dialog's own default, not the file's
      EXPECT_EQ(dialog->nameFilters(), QStringList{"image/png (*.png)"});
      EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
      dialog->reject();
    });
    chosen = fw::GetSaveFolderItem("image/png", "名称未決定.png");
    QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
  EXPECT_TRUE(shown && !chosen.has_value());
  EXPECT_EQ(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{QStringLiteral("QtProject.conf"), QStringLiteral("remembered")}));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == stored);
}

}  // namespace
