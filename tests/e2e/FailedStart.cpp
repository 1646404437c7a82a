// Linked with the program's own main into a copy whose start fails at the plug-ins; the report goes to stderr only.
#include "framework/core/Runtime.h"
#include "framework/ui/Report.h"

static const bool kFailing = [] {
  fw::SetReportSink([](const fw::ExceptionReport&) {});
  fw::SetStartTraceSink([](std::string_view step) {
    if (step == "plug-ins") throw fw::RuntimeException("The plug-ins could not be loaded.");
  });
  return true;
}();
