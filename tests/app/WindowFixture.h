#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/FileTypes1.h"
#include "app/window/MW.h"
#include "framework/ui/Report.h"

// Captures the unhandled-exception reports instead of the message box.
class ReportCapture {
 public:
  ReportCapture() {
    previous_ = fw::SetReportSink([this](const fw::ExceptionReport& r) { reports.push_back(r); });
  }
  ~ReportCapture() { fw::SetReportSink(previous_); }
  std::vector<fw::ExceptionReport> reports;

 private:
  fw::ReportSink previous_;
};

// A window built and opened as the application builds its one window:
// after the start-up has registered the file types.
inline std::unique_ptr<MW> OpenWindow() {
  if (!FileTypes1::Png()) FileTypes1::Initialize();
  auto w = std::make_unique<MW>();
  w->Construct();
  return w;
}
