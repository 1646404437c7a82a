#include "framework/ui/NativeClass.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "framework/core/Runtime.h"
#include "framework/ui/Control.h"

namespace fw {
namespace {
const std::vector<std::unique_ptr<NativeClass>>& Table() {
  static const auto* const table = [] {
    auto* t = new std::vector<std::unique_ptr<NativeClass>>;
    t->push_back(std::make_unique<ColorClass>());
    t->push_back(std::make_unique<FontClass>());
    return t;
  }();
  return *table;
}
}  // namespace

QColor ColorClass::ColorWithCalibratedWhite(double white, double alpha) const {
  const auto unit = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
  return QColor::fromRgbF(static_cast<float>(unit(white)), static_cast<float>(unit(white)),
                          static_cast<float>(unit(white)), static_cast<float>(unit(alpha)));
}

double FontClass::SystemFontSize() const { return kSystemFontSize; }
double FontClass::SmallSystemFontSize() const { return kSmallSystemFontSize; }

QFont FontClass::SystemFontOfSize(double size) const {
  if (!(size > 0.0) || !std::isfinite(size)) size = SystemFontSize();
  return SystemFont(std::max(1, static_cast<int>(std::lround(std::min(size, 1000.0)))));
}

const NativeClass* ClassFromString(std::string_view name) {
  for (const auto& c : Table())
    if (name == c->Name()) return c.get();
  return nullptr;
}

void InitBuiltInClasses() {
  TraceStartStep("built-in classes");
  Table();
}

}  // namespace fw
