#pragma once
#include <memory>

#include "framework/ui/Menu.h"

// The application's menu bar: File (Quit, Save) and Edit. One instance,
// made on first use, serves the application and the window.
class MainMenuBar : public fw::MenuBar {
 public:
  MainMenuBar();

  // The shared instance.
  static std::shared_ptr<MainMenuBar> Instance();

  void Untitled0();  // the File menu
  void Untitled1();  // the Edit menu
};
