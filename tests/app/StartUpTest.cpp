#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>
#include <string>

#include "framework/ui/Application.h"
#include "framework/ui/SaveDialog.h"
#include "tests/app/WindowFixture.h"

namespace {

// Qt's file dialog keeps its history, last folder and view in a settings
// file of the user's. The program reads and writes none: a dialog that is
// shown and cancelled neither picks up what such a file holds nor changes
// or adds any file.
TEST(NoSettings, TheSaveDialogReadsAndWritesNoSettingsFile) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  const QString remembered = config.filePath(QStringLiteral("remembered"));
  ASSERT_TRUE(QDir().mkpath(remembered));
  const QByteArray url = "file://" + remembered.toUtf8();
  const QByteArray stored = "[FileDialog]\nhistory=" + url + "\nlastVisited=" + url + "\nviewMode=List\n";
  QFile file(config.filePath(QStringLiteral("QtProject.conf")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(stored);
  file.close();
  const QByteArray oldConfigHome = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());

  fw::KeepNoSettings();
  if (!FileTypes1::Png()) FileTypes1::Initialize();
  auto previous = fw::SetSaveDialogAnswer({});  // the real dialog
  QString shownFolder;
  QFileDialog::ViewMode viewMode = QFileDialog::List;
  bool seen = false;
  QTimer closer;  // cancels the dialog once it shows
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      seen = true;
      shownFolder = dialog->directory().absolutePath();
      viewMode = dialog->viewMode();
      closer.stop();
      dialog->reject();
    }
  });
  closer.start(20);
  // Shown from inside the event loop, as File > Save shows it.
  std::optional<std::string> chosen = "not shown";
  QTimer::singleShot(0, [&] {
    chosen = fw::GetSaveFolderItem("image/png", "名称未決定.png");
    QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
  fw::SetSaveDialogAnswer(previous);
  if (oldConfigHome.isNull()) qunsetenv("XDG_CONFIG_HOME");
  else qputenv("XDG_CONFIG_HOME", oldConfigHome);

  ASSERT_TRUE(seen);
  EXPECT_FALSE(chosen.has_value());
  EXPECT_NE(shownFolder, remembered);
  EXPECT_EQ(viewMode, QFileDialog::Detail);  // the dialog's own default, not the file's
  EXPECT_EQ(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{QStringLiteral("QtProject.conf"), QStringLiteral("remembered")}));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), stored);
}

}  // namespace
