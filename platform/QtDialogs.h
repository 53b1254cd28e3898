// The real dialogs: QMessageBox and QFileDialog.
#pragma once

#include "Dialogs.h"

namespace platform {

// Makes the Qt dialogs the default ones; needs a QApplication.
void installQtDialogs();

}  // namespace platform
