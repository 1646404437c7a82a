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

void SetBackgroundTaskHook(std::function<void()> hook) { Hook() = std::move(hook); }

StartTraceSink SetStartTraceSink(StartTraceSink sink) {
  auto previous = std::move(TraceSink());
  TraceSink() = std::move(sink);
  return previous;
}

void TraceStartStep(std::string_view step) {
  if (TraceSink()) TraceSink()(step);
}

}  // namespace fw
