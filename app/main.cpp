#include "app/App.h"

int main(int argc, char** argv) {
  fw::GuiApplication runtime(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quorix"));
  const int status = startup::Main();
  startup::Finalise();
  return status;
}
