#pragma once
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <memory>
#include <random>
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

// Fills the picture with every transparency in turn, in assorted colors.
inline void FillWithEveryTransparency(fw::Picture& p, uint32_t seed) {
  std::mt19937 random(seed);
  for (int64_t i = 0; i < p.Width() * p.Height(); ++i)
    p.Data()[i] = (static_cast<uint32_t>(i % 256) << 24) | (random() & 0xFFFFFFu);
  p.Changed();
}

inline std::unique_ptr<fw::Picture> NoisyPicture(int64_t width, int64_t height, uint32_t seed) {
  auto p = std::make_unique<fw::Picture>(width, height);
  FillWithEveryTransparency(*p, seed);
  return p;
}

// The picture's color words as an ARGB image: alpha is 255 less the transparency.
inline QImage Argb(const fw::Picture& p) {
  QImage out(static_cast<int>(p.Width()), static_cast<int>(p.Height()), QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) out.setPixel(x, y, p.Data()[y * p.Width() + x] ^ 0xFF000000u);
  return out;
}

// Expects the file at path to be a PNG holding exactly the picture's pixels.
inline void ExpectPngOf(const QString& path, const fw::Picture& picture) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly) && file.read(8) == "\x89PNG\r\n\x1a\n") << path.toStdString();
  EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_ARGB32), Argb(picture)) << path.toStdString();
}
