#include <gtest/gtest.h>

#include <QApplication>

#include "framework/ui/Report.h"
#include "framework/ui/SaveDialog.h"

// The real window on Qt's offscreen platform (set by CTest, and here for direct runs).
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  // Unhandled exceptions go to stderr only, and save dialogs are cancelled
  // unless a test answers them: nothing modal waits for a click.
  fw::SetReportSink([](const fw::ExceptionReport&) {});
  fw::SetSaveDialogAnswer([](const fw::SaveDialogRequest&) { return std::optional<std::string>(); });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
