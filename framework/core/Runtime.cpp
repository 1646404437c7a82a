#include "framework/core/Runtime.h"

namespace fw {
namespace {
std::function<void()>& Hook() {
  static std::function<void()> hook;
  return hook;
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

}  // namespace fw
