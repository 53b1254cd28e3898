// The account dialog: a user name and a password, both required to confirm.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TfrmLogin : public QDialog {
 public:
  explicit TfrmLogin(QWidget* owner);

  QLineEdit* eUsername = nullptr;
  QLineEdit* ePassword = nullptr;
  QPushButton* bOK = nullptr;
  QPushButton* bCancel = nullptr;

  void bOKClick();
};
