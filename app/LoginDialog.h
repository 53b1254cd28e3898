// The account dialog: a user name and a password, both required to confirm.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace app {

class LoginDialog : public QDialog {
 public:
  explicit LoginDialog(QWidget* owner);

  QLineEdit* userNameEdit = nullptr;
  QLineEdit* passwordEdit = nullptr;
  QPushButton* okButton = nullptr;
  QPushButton* cancelButton = nullptr;

  void onOkClicked();
};

}  // namespace app
