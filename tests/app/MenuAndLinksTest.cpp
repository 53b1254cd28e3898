// The pop-up menu, the maker's links, the About box and the account dialog of the main window.
#include "app/AboutBox.h"
#include "app/LoginDialog.h"
#include "app/MainWindow.h"

#include "platform/Paths.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

using testing_support::ScriptedDialogs;
using testing_support::TempDir;

namespace {

// Takes the web addresses the program hands to the default browser.
class BrowserCatcher : public QObject {
  Q_OBJECT
 public:
  BrowserCatcher() { QDesktopServices::setUrlHandler("https", this, "Open"); }
  ~BrowserCatcher() override { QDesktopServices::unsetUrlHandler("https"); }
  std::vector<std::string> opened;
 public slots:
  void Open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
};

void Click(QWidget* widget) {
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    {});
  QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, {}, {});
  QCoreApplication::sendEvent(widget, &press);
  QCoreApplication::sendEvent(widget, &release);
}

class MenuAndLinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetSettingsFilePath(dir_.File("settings.ini"));
    window_ = std::make_unique<TfrmMain>();
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    platform::SetSettingsFilePath("");
  }
  TempDir dir_;
  std::unique_ptr<TfrmMain> window_;
};

TEST_F(MenuAndLinksTest, MenuHasItsEntriesWithTheAccountEntryHidden) {
  QStringList entries;
  for (QAction* action : window_->suiPopupMenu1->actions()) {
    entries << (action->isSeparator() ? "-" : action->text()) + (action->isVisible() ? "" : " (hidden)");
  }
  EXPECT_EQ(entries, QStringList({"&Home Page", "-", "&Donate", "-", "&Set YouTube Account (hidden)", "-",
                                  "&About..."}));
}

TEST_F(MenuAndLinksTest, AdvancedOpensTheMenuWhereTheMouseIs) {
  for (QWidget* opener :
       {static_cast<QWidget*>(window_->lbEAddress), static_cast<QWidget*>(window_->WlmShiftImage1)}) {
    Click(opener);
    EXPECT_TRUE(window_->suiPopupMenu1->isVisible());
    EXPECT_TRUE(window_->suiPopupMenu1->geometry().contains(QCursor::pos()) ||
                window_->suiPopupMenu1->pos() == QCursor::pos());
    window_->suiPopupMenu1->hide();
  }
}

TEST_F(MenuAndLinksTest, LinksOpenTheMakersPages) {
  BrowserCatcher browser;
  Click(window_->Image1);
  Click(window_->lTitle);
  Click(window_->lUpdate);
  window_->Donate1->trigger();
  window_->Homepage1->trigger();
  EXPECT_EQ(browser.opened,
            (std::vector<std::string>{"https://clipwave.karvel.example/", "https://karvel.example/",
                                      "https://clipwave.karvel.example/update",
                                      "https://clipwave.karvel.example/donate",
                                      "https://clipwave.karvel.example/"}));
}

TEST_F(MenuAndLinksTest, AboutBoxShowsTheTitleAndVersion) {
  bool checked = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* about = dynamic_cast<TfrmAbout*>(w); about != nullptr && about->isVisible()) {
        EXPECT_EQ(about->size(), QSize(360, 249));
        EXPECT_EQ(about->Label1->text(), "Karvel Clipwave");
        EXPECT_TRUE(
            QRegularExpression("^Version: \\S+   Build \\d{8}$").match(about->Label2->text()).hasMatch())
            << about->Label2->text().toStdString();
        checked = true;
        about->bOK->click();
      }
    }
  });
  window_->About1->trigger();
  EXPECT_TRUE(checked);
}

TEST_F(MenuAndLinksTest, AccountDialogNeedsBothPartsAndCancelKeepsThePair) {
  ScriptedDialogs dialogs;
  for (int i = 0; i < 3; ++i) dialogs.Answer(platform::mrOk);
  auto withLogin = [](std::function<void(TfrmLogin&)> act) {
    QTimer::singleShot(0, [act] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* login = dynamic_cast<TfrmLogin*>(w); login != nullptr && login->isVisible()) act(*login);
      }
    });
  };
  withLogin([](TfrmLogin& login) {
    login.bOK->click();  // nothing typed
    login.ePassword->setText("secret");
    login.bOK->click();  // no user name
    login.eUsername->setText("ann");
    login.ePassword->clear();
    login.bOK->click();  // no password
    EXPECT_TRUE(login.isVisible());
    login.ePassword->setText("secret");
    login.bOK->click();
  });
  window_->miSetYouTubeaccountClick();
  EXPECT_EQ(window_->AccountName, "ann");
  EXPECT_EQ(window_->AccountPassword, "secret");
  ASSERT_EQ(dialogs.Shown().size(), 3u);
  EXPECT_EQ(dialogs.Shown()[0].text, "Please enter Username.");
  EXPECT_EQ(dialogs.Shown()[1].text, "Please enter Username.") << "the user name is checked first";
  EXPECT_EQ(dialogs.Shown()[2].text, "Please enter Password.");
  EXPECT_EQ(dialogs.Shown()[2].caption, "Karvel Clipwave");

  withLogin([](TfrmLogin& login) {
    EXPECT_EQ(login.eUsername->text(), "ann");
    EXPECT_EQ(login.ePassword->text(), "secret");
    EXPECT_EQ(login.ePassword->echoMode(), QLineEdit::Password);
    login.eUsername->setText("bob");
    login.bCancel->click();
  });
  window_->miSetYouTubeaccountClick();
  EXPECT_EQ(window_->AccountName, "ann");
}

}  // namespace

#include "MenuAndLinksTest.moc"
