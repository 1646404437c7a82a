#include <QScreen>
#include <cstdio>

#include "app/App.h"

int main(int argc, char** argv) {
  // Qt gets the program's name alone: no command-line argument changes
  // anything. The platform is still chosen through the environment
  // (DISPLAY, QT_QPA_PLATFORM).
  static char fallbackName[] = "quorix";
  static int qtArgc = 1;
  static char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
  fw::GuiApplication runtime(qtArgc, qtArgv);
  // Qt paints on screens of 16 bits of colour or more; on fewer, every
  // painting fails and some crash, so the program does not start there.
  if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr && screen->depth() < 16) {
    std::fprintf(stderr, "Quorix: the display has %d bits of colour; Quorix needs 16 or more and cannot start.\n",
                 screen->depth());
    return 1;
  }
  QApplication::setApplicationName(QStringLiteral("Quorix"));
  const int status = startup::Main();
  startup::Finalise();
  return status;
}
