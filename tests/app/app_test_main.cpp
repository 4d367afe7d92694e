// SPDX-License-Identifier: Apache-2.0
// One QApplication for every test of the window, on the offscreen platform
// unless another one is asked for, with the toolkit's Chinese texts.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/style.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  karvento::app::InstallWindowFont();
  // As the program does; the window tests check that it took.
  karvento::app::InstallToolkitTranslations();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
