#include "platform/WebEngineGraphics.h"

#include "platform/browser/WebEngineModule.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>

// Qt Gui's global shared context, as Qt::AA_ShareOpenGLContexts makes it and as the engine looks for it.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace platform {
namespace {

QOpenGLContext* sharedContext = nullptr;

// Before the application object tears down the windowing system.
void deleteSharedContext() {
  if (qt_gl_global_share_context() == sharedContext) qt_gl_set_global_share_context(nullptr);
  delete sharedContext;
  sharedContext = nullptr;
}

// What Qt does at start for Qt::AA_ShareOpenGLContexts, done now. A context that cannot be created (no
// graphics at all) is set all the same, as Qt does: the engine then draws in software.
void createSharedContext() {
  if (qt_gl_global_share_context() != nullptr) return;
  sharedContext = new QOpenGLContext;
  sharedContext->setFormat(QSurfaceFormat::defaultFormat());
  sharedContext->create();
  qt_gl_set_global_share_context(sharedContext);
  qAddPostRoutine(deleteSharedContext);
}

}  // namespace

void prepareWebEngineGraphicsOnFirstUse() {
  setBeforeWebEngineLoad(createSharedContext);
}

}  // namespace platform
