// The account dialog: a user name and a password, both required to confirm.
#pragma once

#include <QCoreApplication>
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace app {

class LoginDialog : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(LoginDialog)

 public:
  explicit LoginDialog(QWidget* owner);

  QLineEdit* userNameEdit = nullptr;
  QLineEdit* passwordEdit = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

  void onOkClicked();
};

}  // namespace app
