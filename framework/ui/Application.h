#pragma once
#include <QApplication>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class MenuBar;

// The application object: its version data and its menu bar. One object is
// registered as the application for the life of the process.
class Application {
 public:
  virtual ~Application() = default;

  struct VersionData {
    int64_t major = 0, minor = 0, bug = 0, nonRelease = 0, stageCode = 0;
    std::string longVersion, shortVersion, packageInfo;
  };
  void SetVersionData(int64_t major, int64_t minor, int64_t bug, int64_t nonRelease, int64_t stageCode,
                      std::string longVersion, std::string shortVersion, std::string packageInfo);
  const VersionData& Version() const { return version_; }

  const std::shared_ptr<fw::MenuBar>& MenuBar() const { return menuBar_; }
  void SetMenuBar(std::shared_ptr<fw::MenuBar> bar) { menuBar_ = std::move(bar); }

  // Whether the class handles the application event of that name.
  virtual bool IsEventImplemented(const std::string& /*eventName*/) const { return false; }

  // The registered application, or nullptr.
  static Application* Current();
  static void Register(std::shared_ptr<Application> app);
  static void Unregister();

  // High-resolution display support (always on with Qt 6; recorded only).
  static void SetSupportsHiDPI(bool v);
  static bool SupportsHiDPI();
  // The framework release that the program declares it is built for.
  static void SetFrameworkVersion(double v);
  static double FrameworkVersion();

 private:
  VersionData version_;
  std::shared_ptr<fw::MenuBar> menuBar_;
};

// The Qt application of the process. It hands an exception that escapes
// any event's dispatch to the unhandled-exception report, so that no C++
// exception crosses Qt's event loop, and it keeps no settings.
class GuiApplication : public QApplication {
 public:
  GuiApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// The program keeps nothing between runs: no settings file of Qt's is read
// or written from now on (GuiApplication does this when it is made).
void KeepNoSettings();

// Installs the cooperative yield of long loops: repaints and timers run,
// user input waits until the loop has ended.
void InstallYieldHook();

// Resolves the plug-in control classes that the program names; a name
// that the framework does not supply raises RuntimeException.
void InitPluginEntrypoints(const std::vector<std::string>& classNames);

// Initialises the framework (the yield hook; a file-size limit makes a save
// fail rather than end the process) and calls lateStart once.
void RunFrameworkInitialization(const std::function<void()>& lateStart);

// Runs the event loop until the application quits; returns the quit code.
int RunEventLoop();

// Asks the application to quit with the code; the event loop then returns.
void Quit(int64_t code = 0);
// The code of the last Quit, 0 before.
int64_t QuitCode();

}  // namespace fw
