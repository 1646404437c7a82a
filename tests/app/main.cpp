#include <gtest/gtest.h>

#include <QApplication>

#include "framework/ui/Report.h"
#include "framework/ui/SaveDialog.h"

// The application tests run the real window on Qt's offscreen platform
// (QT_QPA_PLATFORM=offscreen is set by CTest; set it here too for direct runs).
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  // An unhandled exception is reported on stderr only: a modal message box
  // would wait for a click that never comes.
  fw::SetReportSink([](const fw::ExceptionReport&) {});
  // Likewise a save dialog: unless a test answers it, it is cancelled.
  fw::SetSaveDialogAnswer([](const fw::SaveDialogRequest&) { return std::optional<std::string>(); });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
