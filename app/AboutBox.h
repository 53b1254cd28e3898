// The About box: the program's title, version, the maker's notice and address.
#pragma once

#include <QCoreApplication>
#include <QDialog>

class QLabel;
class QPushButton;

namespace app {

class AboutBox : public QDialog {
  Q_DECLARE_TR_FUNCTIONS(AboutBox)

 public:
  explicit AboutBox(QWidget* owner);

  QLabel* titleLabel = nullptr;    // the program title, set when shown
  QLabel* versionLabel = nullptr;  // the version line
  QLabel* makerSiteLink = nullptr;
  QPushButton* okButton = nullptr;

  // "Version: 0.1   Build 20261210".
  static QString versionLine();

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace app
