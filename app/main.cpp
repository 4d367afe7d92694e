// SPDX-License-Identifier: Apache-2.0
// Karvento, the desktop program: one main window, run until it is closed.
#include <QApplication>

#include <clocale>

#include "app/main_window.h"
#include "app/style.h"

int main(int argc, char** argv) {
  // Dates in the file dialogs follow the time locale of the system; the
  // program speaks Chinese, so its dates do too (unless LC_ALL says
  // otherwise).
  if (qEnvironmentVariableIsEmpty("LC_ALL")) qputenv("LC_TIME", "zh_CN.UTF-8");
  QApplication app(argc, argv);
  // Qt takes every category of the user's locale; numbers written into the
  // files keep a point before the decimals whatever it says.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Karvento"));
  karvento::app::InstallWindowFont();
  if (!karvento::app::InstallToolkitTranslations()) {
    qWarning("Karvento：找不到 Qt 的中文翻译 qtbase_zh_CN，对话框的按钮和菜单将显示为英文。");
  }
  karvento::app::MainWindow window;
  window.show();
  window.Centre();
  return QApplication::exec();
}
