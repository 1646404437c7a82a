#include "framework/core/Runtime.h"

namespace fw {
namespace {
std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
}
StartTraceSink& TraceSink() {
  static StartTraceSink sink;
  return sink;
}
}  // namespace

void RuntimeBackgroundTask() {
  auto& hook = Hook();
  if (hook) hook();
}

std::function<void()> SetBackgroundTaskHook(std::function<void()> hook) {
  auto previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

StartTraceSink SetStartTraceSink(StartTraceSink sink) {
  auto previous = std::move(TraceSink());
  TraceSink() = std::move(sink);
  return previous;
}

void TraceStartStep(std::string_view step) {
  if (TraceSink()) TraceSink()(step);
}

}  // namespace fw
