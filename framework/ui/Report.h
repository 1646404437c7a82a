#pragma once
#include <exception>
#include <functional>
#include <string>

#include "framework/core/Runtime.h"

namespace fw {

// A cast of an object to a class that it is not of.
class IllegalCastException : public RuntimeException {
 public:
  explicit IllegalCastException(const std::string& what) : RuntimeException(what) {}
  const char* ClassName() const override { return "IllegalCastException"; }
};

// A value of the wrong type, for instance in a property record entry.
class TypeMismatchException : public RuntimeException {
 public:
  explicit TypeMismatchException(const std::string& what) : RuntimeException(what) {}
  const char* ClassName() const override { return "TypeMismatchException"; }
};

// What the unhandled-exception report shows: the exception's class and message.
struct ExceptionReport {
  std::string className;
  std::string message;
};

ExceptionReport DescribeException(const std::exception_ptr& e);

// The report of an exception that reached the top: on stderr, what could
// not be done and why, in the user's words (the exception's message), then
// as a detail the exception's class; then the message alone in a message
// box (or to the installed sink). Never throws.
void UnhandledException(const std::exception_ptr& e);

// Receives the reports instead of the message box (tests install one); the
// stderr line is written either way. Returns the previous sink.
using ReportSink = std::function<void(const ExceptionReport&)>;
ReportSink SetReportSink(ReportSink sink);

// Runs f and gives back the exception that escaped it, or nullptr.
std::exception_ptr CallFunctionWithExceptionHandling(const std::function<void()>& f);

// The framework's dispatch of one event to program code: runs f, and hands
// any exception that escapes it to the report. Nothing propagates.
void Dispatch(const std::function<void()>& f);

}  // namespace fw
