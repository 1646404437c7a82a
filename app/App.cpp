#include "app/App.h"

#include "app/FileTypes1.h"
#include "app/MainMenuBar.h"
#include "app/window/MW.h"
#include "framework/ui/NativeClass.h"
#include "framework/ui/Report.h"
#include "framework/ui/Window.h"

bool App::IsEventImplemented(const std::string&) const { return false; }

namespace startup {

int Main() {
  // The exception hook first: every later step runs under it.
  const std::exception_ptr failure = fw::CallFunctionWithExceptionHandling([] {
    fw::Application::SetFrameworkVersion(kFrameworkVersion);
    EarlyStartup();
    fw::RunFrameworkInitialization(&LateStartup);
    fw::RunEventLoop();
  });
  if (failure) {
    fw::UnhandledException(failure);
    return 1;
  }
  return static_cast<int>(fw::QuitCode());
}

void EarlyStartup() {
  fw::Application::SetSupportsHiDPI(true);
  fw::InitBuiltInClasses();
  // Of the appearance plug-in's controls the window uses the stepper only.
  fw::InitPluginEntrypoints({"UpDownArrows"});
  InitFileTypes();
  NewAppInstance();
  ApplicationAddMenuHandlers();
}

void InitFileTypes() { FileTypes1::Initialize(); }

void NewAppInstance() {
  auto app = std::make_shared<App>();
  app->SetVersionData(1, 0, 0, 0, 0, "", "", "");
  app->SetMenuBar(MainMenuBar::Instance());
  fw::Application::Register(std::move(app));
}

void ApplicationAddMenuHandlers() {}

void LateStartup() { MakeDefaultView(); }

void MakeDefaultView() { MW::Implicit(); }

void Finalise() {
  fw::ReleaseImplicitWindows();
  fw::Application::Unregister();
}

}  // namespace startup
