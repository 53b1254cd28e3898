// main() of the test programs that show windows: an offscreen QApplication (unless a platform is set), then
// the tests.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // The three sites' page rules are tested on their own, whether or not a stream resolver is installed:
  // the resolver's tests switch it on themselves. The programs the tests start inherit the setting.
  ::setenv("CLIPWAVE_RESOLVER", "off", 1);
  // The texts are checked in English, the source language, whatever the machine's locale; the programs the
  // tests start (the command line among them) inherit it. The translation tests choose their language.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) ::unsetenv(name);
  ::setenv("LANG", "C", 1);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  // The web engine, loaded from its module by some tests, looks for the graphics context it shares with the
  // windows: the tests have Qt make it at start (the program makes it on the first page fetch).
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
