// The widget tests need one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // The build lists the tests by running this program, where no display may
  // exist; a screen is used only when QT_QPA_PLATFORM asks for one.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Rowsmith");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
