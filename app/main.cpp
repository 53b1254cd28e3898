// Clipwave's entry point: one running copy per user; a second start brings the first forward and ends.
// SIGTERM, SIGINT and SIGHUP close the program as the close box does.
#include "app/CloseProgram.h"
#include "app/MainWindow.h"
#include "platform/Paths.h"
#include "platform/QtDialogs.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/WebEngineGraphics.h"
#include "resources/Strings.h"

#include <QApplication>

#include <string>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The web engine, loaded from its module on the first page fetch, finds the graphics context it shares
  // with the windows made then, not at every start.
  platform::prepareWebEngineGraphicsOnFirstUse();
  const platform::TerminationSignals stopSignals([](int) { app::closeProgram(); });
  platform::SingleInstance instance(kMainWindowClassName);
  if (instance.notifyRunningInstance()) return 0;

  QApplication::setApplicationName("Clipwave");
  // The desktop entry's name, which desktops match the window with (and so find its icon).
  const std::string desktopEntry = platform::kDesktopEntryFile;
  QGuiApplication::setDesktopFileName(
      QString::fromStdString(desktopEntry.substr(0, desktopEntry.rfind('.'))));
  platform::installQtDialogs();
  MainWindow window;
  QApplication::setFont(window.font());  // message boxes and the download window share the main window's font
  instance.listen([to = window.mailbox()] { to.post(ShowInstance{}); });
  window.show();
  const int status = QApplication::exec();
  // After a signal the loop ended with the window still open: close it as its close box does, which saves
  // the settings. After a normal close nothing is left to do.
  window.close();
  return status;
}
