// Ending the program from outside (SIGTERM, SIGINT, SIGHUP) as the main window's close box ends it.
#pragma once

namespace app {

// Closes every modal window as its own close box would, the innermost first: a running request stops
// (its converter and its pages end, the part downloaded stays), a question is answered as if closed. Then
// every event loop is left, and main() closes the main window, which saves the settings. Safe to call
// from any depth of nested event loops, and more than once.
void closeProgram();

}  // namespace app
