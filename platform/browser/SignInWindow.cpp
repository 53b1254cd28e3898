#include "platform/browser/SignInWindow.h"

#include "platform/browser/BrowserProfile.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace platform {
namespace {

constexpr const char* kCaption = QT_TRANSLATE_NOOP("SignInWindow", "Sign in to a site");

QString caption() {
  return QCoreApplication::translate("SignInWindow", kCaption);
}

}  // namespace

SignInWindow::SignInWindow(const QUrl& address, QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("signInWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(caption());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  addressLine = new QLineEdit(this);
  addressLine->setReadOnly(true);
  layout->addWidget(addressLine);
  view = new QWebEngineView(this);
  view->setObjectName(QStringLiteral("signInView"));
  // A page of the shared profile: what is signed into here is what the hidden pages send.
  view->setPage(new QWebEnginePage(&sharedBrowserProfile(), view));
  layout->addWidget(view, 1);
  QObject::connect(view, &QWebEngineView::urlChanged, addressLine,
                   [this](const QUrl& url) { addressLine->setText(url.toString()); });
  QObject::connect(view, &QWebEngineView::titleChanged, this, [this](const QString& title) {
    setWindowTitle(title.isEmpty() ? caption() : title + " - " + caption());
  });
  resize(1000, 720);
  addressLine->setText(address.toString());
  view->load(address);
}

}  // namespace platform
