#pragma once
#include <string>

#include "framework/ui/Application.h"

// The application object. It handles none of the application's events.
class App : public fw::Application {
 public:
  App() = default;
  bool IsEventImplemented(const std::string& eventName) const override;
};

// The start-up sequence and shut-down of the process.
namespace startup {

// The framework release the program is built for.
inline constexpr double kFrameworkVersion = 2019.031;

// Runs the start-up steps and the event loop; an exception that escapes a
// step skips the rest and goes to the unhandled-exception report. Returns
// the exit status: the quit code, or 1 when the start failed.
int Main();
void EarlyStartup();
void InitFileTypes();
void NewAppInstance();
void ApplicationAddMenuHandlers();
void LateStartup();
void MakeDefaultView();
// Releases the window and the application object.
void Finalise();

}  // namespace startup
