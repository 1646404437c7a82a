#pragma once
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fw {

// Base of every exception the framework raises. ClassName() is what the
// unhandled-exception report shows beside the message.
class RuntimeException : public std::runtime_error {
 public:
  explicit RuntimeException(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const { return "RuntimeException"; }
};

// A member of a nil object was used.
class NilObjectException : public RuntimeException {
 public:
  explicit NilObjectException(const std::string& what = "A member of a nil object was used.")
      : RuntimeException(what) {}
  const char* ClassName() const override { return "NilObjectException"; }
};

// An index or a value lies outside the range that an operation accepts.
class OutOfBoundsException : public RuntimeException {
 public:
  explicit OutOfBoundsException(const std::string& what) : RuntimeException(what) {}
  const char* ClassName() const override { return "OutOfBoundsException"; }
};

// A file could not be read or written; the message names the path and why.
class IOException : public RuntimeException {
 public:
  explicit IOException(const std::string& what) : RuntimeException(what) {}
  const char* ClassName() const override { return "IOException"; }
};

// Returns *p, or raises NilObjectException naming what was nil.
template <class P>
auto& Deref(const P& p, const char* what) {
  if (!p) throw NilObjectException(std::string(what) + " is nil.");
  return *p;
}

// The cooperative yield of long loops. It runs whatever hook the
// application installed (the window layer lets repaints and timers run,
// never user input); without a hook it does nothing.
void RuntimeBackgroundTask();

// Installs the hook that RuntimeBackgroundTask runs; an empty function
// removes it.
void SetBackgroundTaskHook(std::function<void()> hook);

// The start-up trace: while a sink is installed, the framework's start
// operations (the exception hook, the version declaration, the class and
// plug-in set-up, file-type and application registration, the framework's
// initialisation, the implicit windows and the event loop) report their
// names to it in the order in which they run. Returns the previous sink.
using StartTraceSink = std::function<void(std::string_view step)>;
StartTraceSink SetStartTraceSink(StartTraceSink sink);
void TraceStartStep(std::string_view step);

}  // namespace fw
