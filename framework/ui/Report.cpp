#include "framework/ui/Report.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <typeinfo>

namespace fw {
namespace {
ReportSink& Sink() {
  static ReportSink sink;
  return sink;
}

// The first line: what could not be done and why, as the exception's
// message tells it.
std::string Summary(const ExceptionReport& report) {
  return report.message.empty() ? "An exception of class " + report.className + " was not handled." : report.message;
}

std::string Detail(const ExceptionReport& report) {
  return "Detail: unhandled exception of class " + report.className + ".";
}
}  // namespace

ExceptionReport DescribeException(const std::exception_ptr& e) {
  try {
    if (e) std::rethrow_exception(e);
    return {"RuntimeException", "(no exception)"};
  } catch (const RuntimeException& ex) {
    return {ex.ClassName(), ex.what()};
  } catch (const std::exception& ex) {
    return {typeid(ex).name(), ex.what()};
  } catch (...) {
    return {"UnknownException", "An exception of an unknown type was raised."};
  }
}

void UnhandledException(const std::exception_ptr& e) {
  try {
    const ExceptionReport report = DescribeException(e);
    std::fprintf(stderr, "Quorix: %s\n  %s\n", Summary(report).c_str(), Detail(report).c_str());
    std::fflush(stderr);
    if (Sink()) {
      // A copy, so that a sink which replaces itself stays alive while it runs.
      ReportSink sink = Sink();
      sink(report);
      return;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
      // The user's words alone: the class is for a developer, on stderr.
      QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorix"), QString::fromStdString(Summary(report)));
      box.exec();
    }
  } catch (...) {
    std::fputs("Quorix: the report of an unhandled exception failed.\n", stderr);
  }
}

ReportSink SetReportSink(ReportSink sink) {
  ReportSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

std::exception_ptr CallFunctionWithExceptionHandling(const std::function<void()>& f) {
  // The outermost call is the hook that the start-up installs; every event
  // of the event loop is dispatched inside it.
  static thread_local int depth = 0;
  if (depth == 0) TraceStartStep("exception hook");
  ++depth;
  struct Leave {
    ~Leave() { --depth; }
  } leave;
  try {
    f();
    return nullptr;
  } catch (...) {
    return std::current_exception();
  }
}

void Dispatch(const std::function<void()>& f) {
  if (auto e = CallFunctionWithExceptionHandling(f)) UnhandledException(e);
}

}  // namespace fw
