#include "app/LoginDialog.h"

#include "platform/Dialogs.h"
#include "resources/Strings.h"
#include "ui/skin/Controls.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

void Notice(int id) {
  platform::CurrentDialogs().MessageBox(resources::LoadStr(resources::sTitle), resources::LoadStr(id),
                                        platform::DialogIcon::Information, platform::DialogButtons::Ok);
}

}  // namespace

TfrmLogin::TfrmLogin(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setWindowTitle("Member Login");
  setFixedSize(241, 150);
  auto* group = new QGroupBox(this);
  group->setGeometry(8, 8, 225, 100);
  skin::CreateLabel(group, "Username:", 12, 24);
  skin::CreateLabel(group, "Password:", 12, 60);
  eUsername = skin::CreateEdit(group, 80, 20, 134, 20);
  ePassword = skin::CreateEdit(group, 80, 56, 134, 20);
  ePassword->setEchoMode(QLineEdit::Password);
  bOK = skin::CreateButton(this, "&OK", 74, 117, 75, 23);
  bCancel = skin::CreateButton(this, "&Cancel", 158, 117, 75, 23);
  connect(bOK, &QPushButton::clicked, this, [this] { bOKClick(); });
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmLogin::bOKClick() {
  if (eUsername->text().isEmpty()) {
    Notice(resources::sEnterUsername);
  } else if (ePassword->text().isEmpty()) {
    Notice(resources::sEnterPassword);
  } else {
    done(platform::mrOk);
  }
}
