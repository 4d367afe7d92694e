// Karvento, the desktop program: one main window, run until it is closed.
#include <QApplication>

#include "app/main_window.h"
#include "app/style.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Karvento"));
  karvento::app::InstallWindowFont();
  karvento::app::InstallToolkitTranslations();
  karvento::app::MainWindow window;
  window.show();
  window.Centre();
  return QApplication::exec();
}
