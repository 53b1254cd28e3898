#include "app/CloseProgram.h"

#include <QApplication>
#include <QDialog>

namespace app {

void closeProgram() {
  // A window that stays on top of the stack refused to close: no point asking it again.
  for (QWidget* last = nullptr; QWidget* modal = QApplication::activeModalWidget(); last = modal) {
    if (modal == last) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->reject();
    } else {
      modal->close();
    }
  }
  // Every nested loop returns once the handler that started it gets control back, and the main loop
  // after them; an event loop started while they unwind returns at once.
  QCoreApplication::exit(0);
}

}  // namespace app
