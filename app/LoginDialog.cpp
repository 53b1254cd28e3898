#include "app/LoginDialog.h"

#include "platform/Dialogs.h"
#include "resources/Strings.h"
#include "ui/skin/Controls.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace app {

namespace {

void notice(resources::StringId id) {
  platform::currentDialogs().messageBox(resources::loadString(resources::StringId::Title),
                                        resources::loadString(id), platform::DialogIcon::Information,
                                        platform::DialogButtons::Ok);
}

}  // namespace

LoginDialog::LoginDialog(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setWindowTitle(tr("Member Login"));
  setFixedSize(241, 150);
  setFont(skin::windowFont());
  auto* group = new QGroupBox(this);
  group->setGeometry(8, 8, 225, 100);
  skin::createLabel(group, tr("Username:"), 12, 24);
  skin::createLabel(group, tr("Password:"), 12, 60);
  userNameEdit = skin::createEdit(group, 80, 20, 134, 20);
  passwordEdit = skin::createEdit(group, 80, 56, 134, 20);
  passwordEdit->setEchoMode(QLineEdit::Password);
  okButton = skin::createButton(this, tr("&OK"), 74, 117, 75, 23);
  cancelButton = skin::createButton(this, tr("&Cancel"), 158, 117, 75, 23);
  connect(okButton, &QPushButton::clicked, this, [this] { onOkClicked(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  // Screen readers name each field by the caption before it: the group's first two labels, in order.
  const QList<QLabel*> captions = group->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  if (captions.size() >= 2) {
    captions[0]->setBuddy(userNameEdit);
    captions[1]->setBuddy(passwordEdit);
  }
}

void LoginDialog::onOkClicked() {
  if (userNameEdit->text().isEmpty()) {
    notice(resources::StringId::EnterUsername);
  } else if (passwordEdit->text().isEmpty()) {
    notice(resources::StringId::EnterPassword);
  } else {
    done(platform::ModalResult::Ok);
  }
}

}  // namespace app
