#pragma once
#include <QColor>
#include <QFont>
#include <string_view>

namespace fw {

// A class of the platform that native appearance code finds by its name
// (ClassFromString) and then asks for class-level services.
class NativeClass {
 public:
  virtual ~NativeClass() = default;
  virtual const char* Name() const = 0;
};

// "NSColor": colors.
class ColorClass : public NativeClass {
 public:
  const char* Name() const override { return "NSColor"; }
  // A grey of the whiteness (0 black to 1 white) with the opacity (0 to 1).
  QColor ColorWithCalibratedWhite(double white, double alpha) const;
};

// "NSFont": the system font and its sizes.
class FontClass : public NativeClass {
 public:
  const char* Name() const override { return "NSFont"; }
  // The font size of regular controls and of small and mini controls.
  double SystemFontSize() const;
  double SmallSystemFontSize() const;
  // The system font at the size; a size that is not positive gives the
  // regular system font size.
  QFont SystemFontOfSize(double size) const;
};

// The class of that name (case counts), or nullptr when there is none.
const NativeClass* ClassFromString(std::string_view name);

// Sets the class table up; the first lookup does it otherwise.
void InitBuiltInClasses();

}  // namespace fw
