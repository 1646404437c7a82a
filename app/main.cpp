#include "app/App.h"

int main(int argc, char** argv) {
  // Qt gets the program's name alone: no command-line argument changes
  // anything. The platform is still chosen through the environment
  // (DISPLAY, QT_QPA_PLATFORM).
  static char fallbackName[] = "quorix";
  static int qtArgc = 1;
  static char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
  fw::GuiApplication runtime(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("Quorix"));
  const int status = startup::Main();
  startup::Finalise();
  return status;
}
