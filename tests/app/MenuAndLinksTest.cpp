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
  BrowserCatcher() { QDesktopServices::setUrlHandler("https", this, "open"); }
  ~BrowserCatcher() override { QDesktopServices::unsetUrlHandler("https"); }
  std::vector<std::string> opened;
 public slots:
  void open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
};

void click(QWidget* widget) {
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
    platform::setSettingsFilePath(dir_.file("settings.ini"));
    window_ = std::make_unique<app::MainWindow>();
    window_->show();
  }
  void TearDown() override {
    window_.reset();
    platform::setSettingsFilePath("");
  }
  TempDir dir_;
  std::unique_ptr<app::MainWindow> window_;
};

TEST_F(MenuAndLinksTest, MenuHasItsEntriesWithTheAccountEntryHidden) {
  QStringList entries;
  for (QAction* action : window_->popupMenu->actions()) {
    entries << (action->isSeparator() ? "-" : action->text()) + (action->isVisible() ? "" : " (hidden)");
  }
  EXPECT_EQ(entries, QStringList({"&Home Page", "-", "&Donate", "-", "&Set YouTube Account (hidden)",
                                  "Sign in to a site...", "-", "Split into chapters", "Even loudness", "-",
                                  "&Queue...", "-", "&About..."}));
}

// The two checked entries are kept in the settings, and come back checked.
TEST_F(MenuAndLinksTest, CheckedEntriesAreKeptInTheSettings) {
  EXPECT_TRUE(window_->splitChaptersAction->isCheckable());
  EXPECT_FALSE(window_->splitChaptersAction->isChecked());
  EXPECT_FALSE(window_->evenLoudnessAction->isChecked());
  for (const auto& [split, even] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
    window_->splitChaptersAction->setChecked(split);
    window_->evenLoudnessAction->setChecked(even);
    window_->close();
    const std::string settings = testing_support::readFile(dir_.file("settings.ini"));
    EXPECT_NE(settings.find(std::string("SplitChapters=") + (split ? "1" : "0")), std::string::npos)
        << settings;
    EXPECT_NE(settings.find(std::string("EvenLoudness=") + (even ? "1" : "0")), std::string::npos)
        << settings;
    window_ = std::make_unique<app::MainWindow>();
    window_->show();
    EXPECT_EQ(window_->splitChaptersAction->isChecked(), split);
    EXPECT_EQ(window_->evenLoudnessAction->isChecked(), even);
    EXPECT_EQ(window_->splitChapters, split);
    EXPECT_EQ(window_->evenLoudness, even);
  }
}

TEST_F(MenuAndLinksTest, AdvancedOpensTheMenuWhereTheMouseIs) {
  for (QWidget* opener :
       {static_cast<QWidget*>(window_->advancedLink), static_cast<QWidget*>(window_->menuImage)}) {
    click(opener);
    EXPECT_TRUE(window_->popupMenu->isVisible());
    EXPECT_TRUE(window_->popupMenu->geometry().contains(QCursor::pos()) ||
                window_->popupMenu->pos() == QCursor::pos());
    window_->popupMenu->hide();
  }
}

TEST_F(MenuAndLinksTest, LinksOpenTheMakersPages) {
  BrowserCatcher browser;
  click(window_->logoImage);
  click(window_->makerNameLabel);
  click(window_->updateLink);
  window_->donateAction->trigger();
  window_->homePageAction->trigger();
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
      if (auto* about = dynamic_cast<app::AboutBox*>(w); about != nullptr && about->isVisible()) {
        EXPECT_EQ(about->size(), QSize(360, 249));
        EXPECT_EQ(about->titleLabel->text(), "Karvel Clipwave");
        EXPECT_TRUE(QRegularExpression("^Version: \\S+   Build \\d{8}$")
                        .match(about->versionLabel->text())
                        .hasMatch())
            << about->versionLabel->text().toStdString();
        checked = true;
        about->okButton->click();
      }
    }
  });
  window_->aboutAction->trigger();
  EXPECT_TRUE(checked);
}

TEST_F(MenuAndLinksTest, AccountDialogNeedsBothPartsAndCancelKeepsThePair) {
  ScriptedDialogs dialogs;
  for (int i = 0; i < 3; ++i) dialogs.answer(platform::ModalResult::Ok);
  auto withLogin = [](std::function<void(app::LoginDialog&)> act) {
    QTimer::singleShot(0, [act] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* login = dynamic_cast<app::LoginDialog*>(w); login != nullptr && login->isVisible())
          act(*login);
      }
    });
  };
  withLogin([](app::LoginDialog& login) {
    login.okButton->click();  // nothing typed
    login.passwordEdit->setText("secret");
    login.okButton->click();  // no user name
    login.userNameEdit->setText("ann");
    login.passwordEdit->clear();
    login.okButton->click();  // no password
    EXPECT_TRUE(login.isVisible());
    login.passwordEdit->setText("secret");
    login.okButton->click();
  });
  window_->onSetAccountTriggered();
  EXPECT_EQ(window_->accountName, "ann");
  EXPECT_EQ(window_->accountPassword, "secret");
  ASSERT_EQ(dialogs.shown().size(), 3u);
  EXPECT_EQ(dialogs.shown()[0].text, "Please enter Username.");
  EXPECT_EQ(dialogs.shown()[1].text, "Please enter Username.") << "the user name is checked first";
  EXPECT_EQ(dialogs.shown()[2].text, "Please enter Password.");
  EXPECT_EQ(dialogs.shown()[2].caption, "Karvel Clipwave");

  withLogin([](app::LoginDialog& login) {
    EXPECT_EQ(login.userNameEdit->text(), "ann");
    EXPECT_EQ(login.passwordEdit->text(), "secret");
    EXPECT_EQ(login.passwordEdit->echoMode(), QLineEdit::Password);
    login.userNameEdit->setText("bob");
    login.cancelButton->click();
  });
  window_->onSetAccountTriggered();
  EXPECT_EQ(window_->accountName, "ann");
}

}  // namespace

#include "MenuAndLinksTest.moc"
