#include "app/AboutBox.h"

#include "platform/Shell.h"
#include "resources/Pictures.h"
#include "resources/Strings.h"
#include "resources/WebLinks.h"
#include "ui/skin/Controls.h"

#include <QDate>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#ifndef CLIPWAVE_VERSION
#define CLIPWAVE_VERSION "0.1"
#endif

namespace {

QLabel* CreatePicture(QWidget* parent, const QPixmap& picture, int left, int top, int width, int height) {
  auto* image = new QLabel(parent);
  image->setScaledContents(true);
  image->setPixmap(picture);
  image->setGeometry(left, top, width, height);
  return image;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(360, 249);
  setWindowTitle("About");
  CreatePicture(this, resources::BannerPicture(360, 50), 0, 0, 360, 50);
  CreatePicture(this, resources::ProgramIcon(), 20, 61, 32, 32);
  Label1 = skin::CreateLabel(this, "", 80, 62);
  QFont bold = Label1->font();
  bold.setBold(true);
  Label1->setFont(bold);
  Label2 = skin::CreateLabel(this, VersionLine(), 80, 84);
  skin::CreateLabel(this, "Copyright (C) 2026 Karvel Software. All rights reserved.", 80, 129);
  skin::CreateLabel(this, QString("Support: ") + resources::kSupportAddress, 80, 152);
  skin::CreatePanel(this, 80, 176, 262, 2, true);
  lbEAddress = skin::CreateLinkLabel(this, resources::kMakerSite, 80, 186);
  lbEAddress->setStyleSheet("color: #0000ff;");
  lbEAddress->installEventFilter(this);
  bOK = skin::CreateButton(this, "&OK", 260, 211, 79, 23);
  connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
}

QString TfrmAbout::VersionLine() {
  const QDate built = QLocale::c().toDate(QString(__DATE__).simplified(), "MMM d yyyy");
  return QString("Version: %1   Build %2").arg(CLIPWAVE_VERSION, built.toString("yyyyMMdd"));
}

void TfrmAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Label1->setText(QString::fromStdString(resources::LoadStr(resources::sTitle)));
  Label1->adjustSize();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lbEAddress && event->type() == QEvent::MouseButtonRelease)
    platform::OpenUrl(resources::kMakerSite);
  return QDialog::eventFilter(watched, event);
}
