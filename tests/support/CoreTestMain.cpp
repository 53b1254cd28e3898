// main() of the test programs of the core libraries: a QCoreApplication, then the tests. These programs
// do not link Qt Gui or Qt Widgets, which keeps the core libraries free of them.
#include <QCoreApplication>

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
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
