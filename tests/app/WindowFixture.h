#pragma once
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <memory>
#include <vector>

#include "app/FileTypes1.h"
#include "app/window/MW.h"
#include "framework/ui/Report.h"
#include "framework/ui/SaveDialog.h"

// Captures the unhandled-exception reports instead of the message box.
struct ReportCapture {
  ReportCapture() : previous(fw::SetReportSink([this](const fw::ExceptionReport& r) { reports.push_back(r); })) {}
  ~ReportCapture() { fw::SetReportSink(previous); }
  std::vector<fw::ExceptionReport> reports;
  fw::ReportSink previous;
};

// Installs a save dialog answer for one scope; an empty one is the real dialog.
struct AnswerScope {
  explicit AnswerScope(fw::SaveDialogAnswer a) : previous(fw::SetSaveDialogAnswer(std::move(a))) {}
  ~AnswerScope() { fw::SetSaveDialogAnswer(previous); }
  fw::SaveDialogAnswer previous;
};

// A window built and opened as the application builds its one window:
// after the start-up has registered the file types.
inline std::unique_ptr<MW> OpenWindow() {
  if (!FileTypes1::Png()) FileTypes1::Initialize();
  auto w = std::make_unique<MW>();
  w->Construct();
  return w;
}

// Expects the file at path to be a PNG holding exactly the picture's
// pixels, its alpha 255 less their transparency.
inline void ExpectPngOf(const QString& path, const fw::Picture& picture) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly) && file.read(8) == "\x89PNG\r\n\x1a\n") << path.toStdString();
  const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.size(), QSize(picture.Width(), picture.Height()));
  int64_t mismatches = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      mismatches += image.pixel(x, y) != (picture.Data()[y * picture.Width() + x] ^ 0xFF000000u);
  EXPECT_EQ(mismatches, 0);
}
