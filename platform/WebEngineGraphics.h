// The graphics context the web engine shares with the program's windows, made when the engine's module
// is first loaded rather than at start.
#pragma once

namespace platform {

// Makes the module loader create the application's global shared graphics context right before the
// engine's module is first loaded: the engine expects one to exist when it starts. Qt would create it at
// start for Qt::AA_ShareOpenGLContexts, loading the system's graphics libraries (tens of megabytes with a
// software renderer) into every start, pages or not. Call once, after the application object exists.
void prepareWebEngineGraphicsOnFirstUse();

}  // namespace platform
