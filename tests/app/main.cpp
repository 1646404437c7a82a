#include <gtest/gtest.h>

#include <QApplication>

#include "tests/app/WindowFixture.h"

// The real window on Qt's offscreen platform (set by CTest, and here for direct runs).
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  // Nothing modal waits for a click: unhandled exceptions go to stderr only, unanswered save dialogs are cancelled.
  fw::SetReportSink([](const fw::ExceptionReport&) {});
  fw::SetSaveDialogAnswer([](const fw::SaveDialogRequest&) { return std::optional<std::string>(); });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
