// Clipwave's entry point: one running copy per user; a second start brings the first forward and ends.
#include "app/MainWindow.h"
#include "platform/QtDialogs.h"
#include "platform/SingleInstance.h"
#include "platform/WebEngineGraphics.h"
#include "resources/Strings.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The web engine, loaded from its module on the first page fetch, finds the graphics context it shares
  // with the windows made then, not at every start.
  platform::prepareWebEngineGraphicsOnFirstUse();
  platform::SingleInstance instance(kMainWindowClassName);
  if (instance.notifyRunningInstance()) return 0;

  QApplication::setApplicationName("Clipwave");
  platform::installQtDialogs();
  MainWindow window;
  QApplication::setFont(window.font());  // message boxes and the download window share the main window's font
  instance.listen([to = window.mailbox()] { to.post(ShowInstance{}); });
  window.show();
  return QApplication::exec();
}
