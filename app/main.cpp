// Clipwave's entry point: one running copy per user; a second start brings the first forward and ends.
// SIGTERM, SIGINT and SIGHUP close the program as the close box does.
#include "app/CloseProgram.h"
#include "app/MainWindow.h"
#include "platform/FontConfigPreload.h"
#include "platform/Paths.h"
#include "platform/QtDialogs.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/WebEngineGraphics.h"
#include "resources/Strings.h"
#include "resources/Translations.h"
#include "ui/skin/Controls.h"

#include <QApplication>

#include <string>

int main(int argc, char** argv) {
  // The font configuration is read on a second thread while the application object connects to the display.
  platform::FontConfigPreload fontConfig;
  QApplication app(argc, argv);
  // The web engine, loaded from its module on the first page fetch, finds the graphics context it shares
  // with the windows made then, not at every start.
  platform::prepareWebEngineGraphicsOnFirstUse();
  const platform::TerminationSignals stopSignals([](int) { app::closeProgram(); });
  platform::SingleInstance instance(app::kMainWindowClassName);
  if (instance.notifyRunningInstance()) return 0;

  QApplication::setApplicationName("Clipwave");
  // The windows' texts, and Qt's own, in the language of the user's locale.
  resources::installTranslations();
  // The desktop entry's name, which desktops match the window with (and so find its icon).
  const std::string desktopEntry = platform::kDesktopEntryFile;
  QGuiApplication::setDesktopFileName(
      QString::fromStdString(desktopEntry.substr(0, desktopEntry.rfind('.'))));
  platform::installQtDialogs();
  fontConfig.wait();
  // Every window shares the main window's font (message boxes, the download window), set before any
  // widget exists so that none measures its text in Qt's default font first.
  QApplication::setFont(skin::windowFont());
  app::MainWindow window;
  instance.listen([to = window.mailbox()] { to.post(app::ShowInstance{}); });
  window.show();
  const int status = QApplication::exec();
  // After a signal the loop ended with the window still open: close it as its close box does, which saves
  // the settings. After a normal close nothing is left to do.
  window.close();
  return status;
}
