// Runs the player's logic tests on Qt's offscreen platform, inside the program's own application
// object, with the settings kept in a folder of their own so that no test reads or writes the
// user's settings.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/application.h"
#include "test_support.h"

namespace yumekaze::app::test {

TFakePrompts& ApplicationPrompts() {
  static TFakePrompts prompts;
  return prompts;
}

}  // namespace yumekaze::app::test

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  yumekaze::app::TApplication application(argc, argv, yumekaze::app::test::ApplicationPrompts());
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
