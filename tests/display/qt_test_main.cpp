// Test main of the Qt test programs (display, dialogs, desktop): one
// QApplication, on the offscreen platform unless another is asked for (test
// discovery runs the programs bare), with the map font in place.
#include <gtest/gtest.h>
#include <QApplication>

#include "display/renderer.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zn::installMapFonts();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
