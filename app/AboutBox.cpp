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

namespace app {

namespace {

QLabel* createPicture(QWidget* parent, const QPixmap& picture, int left, int top, int width, int height) {
  auto* image = new QLabel(parent);
  image->setScaledContents(true);
  image->setPixmap(picture);
  image->setGeometry(left, top, width, height);
  return image;
}

}  // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(360, 249);
  setFont(skin::windowFont());
  setWindowTitle(tr("About"));
  createPicture(this, resources::bannerPicture(360, 50), 0, 0, 360, 50);
  createPicture(this, resources::programIcon(), 20, 61, 32, 32);
  titleLabel = skin::createLabel(this, "", 80, 62);
  QFont bold = titleLabel->font();
  bold.setBold(true);
  titleLabel->setFont(bold);
  versionLabel = skin::createLabel(this, versionLine(), 80, 84);
  skin::createLabel(this, tr("Copyright (C) 2026 Karvel Software. All rights reserved."), 80, 129);
  skin::createLabel(this, tr("Support: %1").arg(resources::kSupportAddress), 80, 152);
  skin::createPanel(this, 80, 176, 262, 2, true);
  makerSiteLink = skin::createLinkLabel(this, resources::kMakerSite, 80, 186);
  okButton = skin::createButton(this, tr("&OK"), 260, 211, 79, 23);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  // The maker's address opens on a click, or on Enter or Space while it has the focus.
  connect(qobject_cast<skin::ClickableLabel*>(makerSiteLink), &skin::ClickableLabel::clicked, this,
          [] { platform::openUrl(resources::kMakerSite); });
}

QString AboutBox::versionLine() {
  const QDate built = QLocale::c().toDate(QString(__DATE__).simplified(), "MMM d yyyy");
  return tr("Version: %1   Build %2").arg(CLIPWAVE_VERSION, built.toString("yyyyMMdd"));
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  titleLabel->setText(QString::fromStdString(resources::loadString(resources::StringId::Title)));
  titleLabel->adjustSize();
}

}  // namespace app
