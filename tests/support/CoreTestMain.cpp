// main() of the test programs of the core libraries: a QCoreApplication, then the tests. These programs
// do not link Qt Gui or Qt Widgets, which keeps the core libraries free of them.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
