// The one visible window of the web engine: a browser on the profile the hidden pages share, in which
// the user signs in to a site once, so that the pages and the downloads after it have the session.
// It shows the address it is on, which the user can check before typing a password.
#pragma once

#include <QWidget>

class QLineEdit;
class QUrl;
class QWebEngineView;

namespace platform {

class SignInWindow final : public QWidget {
 public:
  // Shown by the caller; deleted when closed.
  SignInWindow(const QUrl& address, QWidget* owner);

  QLineEdit* addressLine = nullptr;  // the address being shown, read-only
  QWebEngineView* view = nullptr;
};

}  // namespace platform
