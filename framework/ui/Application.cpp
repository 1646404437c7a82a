#include "framework/ui/Application.h"

#include <QEventLoop>
#include <QSettings>
#include <algorithm>
#include <iterator>

#include "framework/core/Runtime.h"
#include "framework/ui/PictureFile.h"
#include "framework/ui/Report.h"

namespace fw {
namespace {
std::shared_ptr<Application>& Registered() {
  static std::shared_ptr<Application> app;
  return app;
}
bool& HiDPI() {
  static bool on = false;
  return on;
}
int64_t& LastQuitCode() {
  static int64_t code = 0;
  return code;
}
}  // namespace

void Application::SetVersionData(int64_t major, int64_t minor, int64_t bug, int64_t nonRelease,
                                 int64_t stageCode, std::string longVersion, std::string shortVersion,
                                 std::string packageInfo) {
  version_ = {major, minor, bug, nonRelease, stageCode, std::move(longVersion), std::move(shortVersion),
              std::move(packageInfo)};
}

Application* Application::Current() { return Registered().get(); }
void Application::Register(std::shared_ptr<Application> app) {
  Registered() = std::move(app);
  TraceStartStep("application");
}
void Application::Unregister() { Registered().reset(); }
void Application::SetSupportsHiDPI(bool v) {
  TraceStartStep("HiDPI");
  HiDPI() = v;
}
bool Application::SupportsHiDPI() { return HiDPI(); }
namespace {
double& DeclaredVersion() {
  static double v = 0.0;
  return v;
}
}  // namespace
void Application::SetFrameworkVersion(double v) {
  TraceStartStep("framework version");
  DeclaredVersion() = v;
}
double Application::FrameworkVersion() { return DeclaredVersion(); }

GuiApplication::GuiApplication(int& argc, char** argv) : QApplication(argc, argv) { KeepNoSettings(); }

void KeepNoSettings() {
  // Qt keeps state of its own through QSettings: the file dialog reads and
  // writes its history, last folder and view in QtProject.conf under the
  // user's configuration folder (and reads the system's copies). Every
  // settings location is put below /dev/null, which is no folder: reading
  // finds no file, and writing fails before any file or folder is made.
  const QString nowhere = QStringLiteral("/dev/null");
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
      QSettings::setPath(format, scope, nowhere);
}

bool GuiApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  Dispatch([&] { result = QApplication::notify(receiver, event); });
  return result;
}

void InstallYieldHook() {
  SetBackgroundTaskHook([] {
    if (QCoreApplication::instance() != nullptr)
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
}

void InitPluginEntrypoints(const std::vector<std::string>& classNames) {
  TraceStartStep("plug-ins");
  // The plug-in controls are compiled into the framework.
  static const char* const kPluginClasses[] = {"UpDownArrows"};
  for (const std::string& name : classNames) {
    if (std::find(std::begin(kPluginClasses), std::end(kPluginClasses), name) == std::end(kPluginClasses))
      throw RuntimeException("The plug-in class " + name + " is not available.");
  }
}

void RunFrameworkInitialization(const std::function<void()>& lateStart) {
  TraceStartStep("framework initialisation");
  InstallYieldHook();
  IgnoreFileSizeSignal();
  lateStart();
}

int RunEventLoop() {
  TraceStartStep("event loop");
  return QCoreApplication::exec();
}

void Quit(int64_t code) {
  LastQuitCode() = code;
  QCoreApplication::exit(static_cast<int>(code));
}

int64_t QuitCode() { return LastQuitCode(); }

}  // namespace fw
