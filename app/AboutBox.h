// The About box: the program's title, version, the maker's notice and address.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
 public:
  explicit TfrmAbout(QWidget* owner);

  QLabel* Label1 = nullptr;  // the program title, set when shown
  QLabel* Label2 = nullptr;  // the version line
  QLabel* lbEAddress = nullptr;
  QPushButton* bOK = nullptr;

  // "Version: 0.1   Build 20261210".
  static QString VersionLine();

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
